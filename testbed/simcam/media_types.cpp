#include "media_types.h"

#include <cstring>

namespace kvo::simcam {

bool MakeVideoType(const FrameSize& size, AM_MEDIA_TYPE* type) {
  std::memset(type, 0, sizeof(*type));
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (info == nullptr) return false;
  std::memset(info, 0, sizeof(*info));
  const DWORD image_size = static_cast<DWORD>(size.width) * size.height * 3;
  info->AvgTimePerFrame = kFrameInterval;
  info->dwBitRate = image_size * 8 * kFramesPerSecond;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = size.width;
  info->bmiHeader.biHeight = size.height;  // positive: bottom-up
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 24;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biSizeImage = image_size;
  type->majortype = MEDIATYPE_Video;
  type->subtype = MEDIASUBTYPE_RGB24;
  type->bFixedSizeSamples = TRUE;
  type->bTemporalCompression = FALSE;
  type->lSampleSize = image_size;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = reinterpret_cast<BYTE*>(info);
  return true;
}

AM_MEDIA_TYPE* NewVideoType(const FrameSize& size) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type == nullptr) return nullptr;
  if (!MakeVideoType(size, type)) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

std::optional<FrameSize> OfferedSizeOf(const AM_MEDIA_TYPE* type) {
  if (type == nullptr || type->majortype != MEDIATYPE_Video ||
      type->subtype != MEDIASUBTYPE_RGB24 || type->formattype != FORMAT_VideoInfo ||
      type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER))
    return std::nullopt;
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  const BITMAPINFOHEADER& bmi = info->bmiHeader;
  if (bmi.biBitCount != 24 || bmi.biCompression != BI_RGB ||
      !IsOfferedSize(bmi.biWidth, bmi.biHeight))
    return std::nullopt;
  return FrameSize{bmi.biWidth, bmi.biHeight};
}

}  // namespace kvo::simcam
