// What every pin of ours answers the same way: it lives inside its filter and shares the
// filter's reference count (so the filter outlives every reference to the pin), and it
// tells its filter, direction, name and id. The flow calls a pin of the other direction
// makes are refused here. A pin adds its connection, its media types and its Extra...
// interfaces.
#pragma once

#include <dshow.h>

#include <string>

namespace kvo::dshow {

// A copy of text in task memory, as QueryId and IFileSinkFilter::GetCurFile hand it out.
HRESULT CopyToTaskMemory(const wchar_t* text, LPWSTR* copy);

// The answer of an output pin's IKsPropertySet::Get and QuerySupported for its category
// (AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY); every other property is unsupported.
HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data,
                       DWORD data_length, DWORD* returned);
HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support);

// ConnectedTo's answer: the peer with a reference, or VFW_E_NOT_CONNECTED.
HRESULT HandOutPeer(IPin* peer, IPin** pin);
// ConnectionMediaType's answer for a pin without a connection.
HRESULT NoConnectionType(AM_MEDIA_TYPE* type);

template <class... Extra>
class PinBase : public IPin, public Extra... {
 public:
  PinBase(const PinBase&) = delete;
  PinBase& operator=(const PinBase&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
      *object = static_cast<IPin*>(this);
    } else {
      *object = OtherInterface(iid);
      if (!*object) return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return filter_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_.Release(); }

  // IPin: who the pin is.
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override {
    if (!info) return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = direction_;
    lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
    return S_OK;
  }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* id) override {
    if (!id) return E_POINTER;
    return CopyToTaskMemory(id_.c_str(), id);
  }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }

  // IPin: an output pin connects itself and takes no stream; an input pin is connected to.
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP EndOfStream() override { return StreamCall(); }
  STDMETHODIMP BeginFlush() override { return StreamCall(); }
  STDMETHODIMP EndFlush() override { return StreamCall(); }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

 protected:
  // id: what QueryId answers (the name when null).
  PinBase(IBaseFilter& filter, PIN_DIRECTION direction, const wchar_t* name,
          const wchar_t* id = nullptr)
      : filter_(filter), direction_(direction), name_(name), id_(id ? id : name) {}
  ~PinBase() = default;

  // An interface of Extra... (already cast), or nullptr.
  virtual void* OtherInterface(REFIID) { return nullptr; }

 private:
  HRESULT StreamCall() const { return direction_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }

  IBaseFilter& filter_;
  const PIN_DIRECTION direction_;
  const std::wstring name_;
  const std::wstring id_;
};

}  // namespace kvo::dshow
