#include "enumerators.h"

#include <new>

#include "media_types.h"

namespace kvo::simcam {

HRESULT PinEnumerator::Create(const std::vector<IPin*>& pins, size_t position,
                              IEnumPins** result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  auto* enumerator = new (std::nothrow) PinEnumerator();
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  for (IPin* pin : pins) enumerator->pins_.emplace_back(pin);
  enumerator->position_ = position;
  *result = enumerator;
  return S_OK;
}

STDMETHODIMP PinEnumerator::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IEnumPins) {
    *object = static_cast<IEnumPins*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PinEnumerator::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) PinEnumerator::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
  ULONG done = 0;
  while (done < count && position_ < pins_.size()) {
    pins[done] = pins_[position_++].Get();
    pins[done++]->AddRef();
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
  const size_t left = pins_.size() - position_;
  position_ += count < left ? count : left;
  return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** result) {
  std::vector<IPin*> pins;
  for (const auto& pin : pins_) pins.push_back(pin.Get());
  return Create(pins, position_, result);
}

HRESULT MediaTypeEnumerator::Create(const std::vector<FrameSize>& sizes, size_t position,
                                    IEnumMediaTypes** result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  auto* enumerator = new (std::nothrow) MediaTypeEnumerator();
  if (enumerator == nullptr) return E_OUTOFMEMORY;
  enumerator->sizes_ = sizes;
  enumerator->position_ = position;
  *result = enumerator;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
    *object = static_cast<IEnumMediaTypes*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaTypeEnumerator::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) MediaTypeEnumerator::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
  ULONG done = 0;
  while (done < count && position_ < sizes_.size()) {
    AM_MEDIA_TYPE* type = NewVideoType(sizes_[position_]);
    if (type == nullptr) break;
    ++position_;
    types[done++] = type;
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
  const size_t left = sizes_.size() - position_;
  position_ += count < left ? count : left;
  return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** result) {
  return Create(sizes_, position_, result);
}

}  // namespace kvo::simcam
