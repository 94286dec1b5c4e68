#include "dshow/media_type.h"

#include <cstring>

namespace kvo::dshow {

void FreeMediaTypeFormat(AM_MEDIA_TYPE& type) {
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  type.pbFormat = nullptr;
  type.pUnk = nullptr;
  type.cbFormat = 0;
}

void ClearMediaType(AM_MEDIA_TYPE& type) {
  FreeMediaTypeFormat(type);
  std::memset(&type, 0, sizeof type);
}

HRESULT CopyMediaType(const AM_MEDIA_TYPE& source, AM_MEDIA_TYPE* target) {
  *target = source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source.cbFormat && source.pbFormat) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (!target->pbFormat) {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source.pbFormat, source.cbFormat);
    target->cbFormat = source.cbFormat;
  }
  if (target->pUnk) target->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* NewMediaTypeCopy(const AM_MEDIA_TYPE& source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!type) return nullptr;
  if (FAILED(CopyMediaType(source, type))) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaTypeFormat(*type);
  CoTaskMemFree(type);
}

VIDEOINFOHEADER* UniqueMediaType::VideoInfo() const {
  const AM_MEDIA_TYPE* type = get();
  if (type == nullptr || type->formattype != FORMAT_VideoInfo || type->pbFormat == nullptr ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    return nullptr;
  }
  return reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
}

}  // namespace kvo::dshow
