#include "dshow/enumerators.h"

#include <wrl/client.h>

#include <atomic>
#include <new>
#include <vector>

#include "dshow/live_count.h"
#include "dshow/media_type.h"

namespace kvo::dshow {
namespace {

// What an enumerator of pins keeps and hands out.
struct PinList {
  using Interface = IEnumPins;
  using Handed = IPin*;
  using Stored = Microsoft::WRL::ComPtr<IPin>;
  static const IID& Iid() { return IID_IEnumPins; }
  // From the caller's list (IPin*) or from the enumerator being cloned (Stored).
  template <typename Pin>
  static bool Store(const Pin& pin, Stored* stored) {
    *stored = pin;
    return true;
  }
  static bool Hand(const Stored& pin, IPin** handed) { return SUCCEEDED(pin.CopyTo(handed)); }
  static void Drop(Stored&) {}
};

// What an enumerator of media types keeps (its own deep copies) and hands out.
struct MediaTypeList {
  using Interface = IEnumMediaTypes;
  using Handed = AM_MEDIA_TYPE*;
  using Stored = AM_MEDIA_TYPE;
  static const IID& Iid() { return IID_IEnumMediaTypes; }
  static bool Store(const AM_MEDIA_TYPE& type, Stored* stored) {
    return SUCCEEDED(CopyMediaType(type, stored));
  }
  static bool Hand(const Stored& type, AM_MEDIA_TYPE** handed) {
    *handed = NewMediaTypeCopy(type);
    return *handed != nullptr;
  }
  static void Drop(Stored& type) { FreeMediaTypeFormat(type); }
};

template <typename List>
class ListEnumerator final : public List::Interface {
 public:
  using Interface = typename List::Interface;
  using Handed = typename List::Handed;
  using Stored = typename List::Stored;

  template <typename Source>
  static HRESULT Create(const Source* items, size_t count, size_t position, LONG* live_count,
                        Interface** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    auto* enumerator = new (std::nothrow) ListEnumerator(live_count);
    if (!enumerator) return E_OUTOFMEMORY;
    for (size_t i = 0; i < count; ++i) {
      Stored stored{};
      if (!List::Store(items[i], &stored)) {
        enumerator->Release();
        return E_OUTOFMEMORY;
      }
      enumerator->items_.push_back(stored);
    }
    enumerator->position_ = position;
    *result = enumerator;
    return S_OK;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, List::Iid())) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP Next(ULONG count, Handed* items, ULONG* fetched) override {
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) {
      if (!List::Hand(items_[position_], &items[done])) break;
      ++position_;
      ++done;
    }
    if (fetched) *fetched = done;
    // Nothing handed out although items are left: a copy failed.
    if (done == 0 && count > 0 && position_ < items_.size()) return E_OUTOFMEMORY;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Interface** result) override {
    return Create(items_.data(), items_.size(), position_, live_count_, result);
  }

 private:
  explicit ListEnumerator(LONG* live_count) : live_(live_count), live_count_(live_count) {}
  ~ListEnumerator() {
    for (Stored& item : items_) List::Drop(item);
  }

  LiveCount live_;
  LONG* const live_count_;
  std::atomic<ULONG> references_{1};
  std::vector<Stored> items_;
  size_t position_ = 0;
};

}  // namespace

HRESULT CreatePinEnumerator(IPin* const* pins, size_t count, LONG* live_count,
                            IEnumPins** result) {
  return ListEnumerator<PinList>::Create(pins, count, 0, live_count, result);
}

HRESULT CreateMediaTypeEnumerator(const AM_MEDIA_TYPE* types, size_t count, LONG* live_count,
                                  IEnumMediaTypes** result) {
  return ListEnumerator<MediaTypeList>::Create(types, count, 0, live_count, result);
}

}  // namespace kvo::dshow
