// The enumerators a filter hands out: of its pins and of a pin's media types. Each holds a
// snapshot taken when it was made.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <vector>

#include "frame_sizes.h"
#include "live_objects.h"

namespace kvo::simcam {

class PinEnumerator final : public IEnumPins {
 public:
  static HRESULT Create(const std::vector<IPin*>& pins, size_t position, IEnumPins** result);
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** result) override;

 private:
  PinEnumerator() = default;
  ~PinEnumerator() = default;
  LiveObject live_;
  std::atomic<ULONG> references_{1};
  std::vector<Microsoft::WRL::ComPtr<IPin>> pins_;
  size_t position_ = 0;
};

class MediaTypeEnumerator final : public IEnumMediaTypes {
 public:
  static HRESULT Create(const std::vector<FrameSize>& sizes, size_t position,
                        IEnumMediaTypes** result);
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** result) override;

 private:
  MediaTypeEnumerator() = default;
  ~MediaTypeEnumerator() = default;
  LiveObject live_;
  std::atomic<ULONG> references_{1};
  std::vector<FrameSize> sizes_;
  size_t position_ = 0;
};

}  // namespace kvo::simcam
