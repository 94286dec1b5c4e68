// Media types of the camera's output pins: VIDEOINFOHEADER, bottom-up RGB24.
#pragma once

#include <dshow.h>

#include <optional>

#include "frame_sizes.h"

namespace kvo::simcam {

// Fills *type (format block from CoTaskMemAlloc); false when out of memory.
bool MakeVideoType(const FrameSize& size, AM_MEDIA_TYPE* type);
// A new AM_MEDIA_TYPE from CoTaskMemAlloc, as IAMStreamConfig and IEnumMediaTypes hand out.
AM_MEDIA_TYPE* NewVideoType(const FrameSize& size);
// The frame size of a type the camera can deliver; nullopt for any other type (other
// subtype, format, depth, top-down or a size not offered).
std::optional<FrameSize> OfferedSizeOf(const AM_MEDIA_TYPE* type);

}  // namespace kvo::simcam
