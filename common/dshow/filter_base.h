// What every filter of ours answers the same way: its identity and reference count, its
// place in a graph (name, graph, clock), its state as the graph reads it, its pins by list
// and by name, and its events to the graph. A filter adds its pins, its extra interfaces
// (Extra...) and what its own state changes do (Stop, Pause, Run).
//
// Locks: lock_ guards the state, the clock and whatever the filter keeps with them (it is a
// critical section, so a filter may take it again inside); the graph and the name have a
// lock of their own, so that a streaming thread can raise an event while another thread
// holds lock_ and waits for that thread.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <cstddef>
#include <string>

#include "critical_section.h"
#include "dshow/enumerators.h"
#include "dshow/live_count.h"
#include "error_barrier.h"

namespace kvo::dshow {

// FindPin's match: the pin's id or its name.
bool PinIsNamed(IPin* pin, const wchar_t* id);

struct FilterTraits {
  CLSID clsid;
  ULONG misc_flags;  // AM_FILTER_MISC_FLAGS_IS_SOURCE or _IS_RENDERER
  // A live source has nothing to cue while paused: GetState answers VFW_S_CANT_CUE then.
  bool live_source;
};

template <class... Extra>
class FilterBase : public IBaseFilter, public IAMFilterMiscFlags, public Extra... {
 public:
  FilterBase(const FilterBase&) = delete;
  FilterBase& operator=(const FilterBase&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) ||
        IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IBaseFilter)) {
      *object = static_cast<IBaseFilter*>(this);
    } else if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) {
      *object = static_cast<IAMFilterMiscFlags*>(this);
    } else {
      *object = OtherInterface(iid);
      if (!*object) return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

  // IPersist
  STDMETHODIMP GetClassID(CLSID* id) override {
    if (!id) return E_POINTER;
    *id = traits_.clsid;
    return S_OK;
  }

  // IMediaFilter (Stop, Pause and Run are the filter's own)
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    if (!state) return E_POINTER;
    Lock lock(lock_);
    *state = state_;
    return traits_.live_source && state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override {
    Lock lock(lock_);
    clock_ = clock;
    return S_OK;
  }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    if (!clock) return E_POINTER;
    Lock lock(lock_);
    return clock_.CopyTo(clock);
  }

  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override {
    if (!pins) return E_POINTER;
    *pins = nullptr;
    return ComBarrier([&] {
      IPin* list[kMaxPins] = {};
      const std::size_t count = ListPins(list);
      return CreatePinEnumerator(list, count, live_count_, pins);
    });
  }
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    return ComBarrier([&] {
      IPin* list[kMaxPins] = {};
      const std::size_t count = ListPins(list);
      for (std::size_t i = 0; i < count; ++i) {
        if (!PinIsNamed(list[i], id)) continue;
        *pin = list[i];
        (*pin)->AddRef();
        return S_OK;
      }
      return VFW_E_NOT_FOUND;
    });
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    if (!info) return E_POINTER;
    Lock lock(graph_lock_);
    lstrcpynW(info->achName, name_.c_str(), MAX_FILTER_NAME);
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
    return ComBarrier([&] {
      std::wstring kept = name ? std::wstring(name, wcsnlen(name, MAX_FILTER_NAME - 1)) : L"";
      Lock lock(graph_lock_);
      graph_ = graph;
      name_.swap(kept);
      return S_OK;
    });
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return traits_.misc_flags; }

 protected:
  static constexpr std::size_t kMaxPins = 4;

  FilterBase(const FilterTraits& traits, LONG* live_count)
      : live_(live_count), live_count_(live_count), traits_(traits) {}
  virtual ~FilterBase() = default;

  // The filter's pins in their order (at most kMaxPins); their number.
  virtual std::size_t ListPins(IPin** pins) = 0;
  // An interface of Extra... (already cast), or nullptr.
  virtual void* OtherInterface(REFIID) { return nullptr; }

  // The name a device's entry gives the filter before it joins a graph.
  void Rename(const wchar_t* name) {
    std::wstring kept(name, wcsnlen(name, MAX_FILTER_NAME - 1));
    Lock lock(graph_lock_);
    name_.swap(kept);
  }
  // Hands an event to the graph's event sink; from any thread, with or without lock_.
  void NotifyGraph(long code, LONG_PTR first, LONG_PTR second) {
    Microsoft::WRL::ComPtr<IMediaEventSink> events;
    {
      Lock lock(graph_lock_);
      if (!graph_ || FAILED(graph_->QueryInterface(IID_PPV_ARGS(&events)))) return;
    }
    events->Notify(code, first, second);
  }

  CriticalSection lock_;
  FILTER_STATE state_ = State_Stopped;                // under lock_
  Microsoft::WRL::ComPtr<IReferenceClock> clock_;     // under lock_

 private:
  LiveCount live_;
  LONG* const live_count_;
  const FilterTraits traits_;
  LONG references_ = 1;
  CriticalSection graph_lock_;
  IFilterGraph* graph_ = nullptr;  // not counted: the graph holds the filter
  std::wstring name_;
};

}  // namespace kvo::dshow
