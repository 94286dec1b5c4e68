// The enumerators our filters hand out: of a filter's pins and of a pin's media types. Each
// holds its own snapshot of the list, taken when it was made, and counts itself in the live
// count its component passes in (nullptr: counted nowhere).
#pragma once

#include <dshow.h>

#include <cstddef>

namespace kvo::dshow {

// Holds a reference to each pin until it is released.
HRESULT CreatePinEnumerator(IPin* const* pins, size_t count, LONG* live_count,
                            IEnumPins** result);
// Holds deep copies of the types; Next hands out task-memory copies of them.
HRESULT CreateMediaTypeEnumerator(const AM_MEDIA_TYPE* types, size_t count, LONG* live_count,
                                  IEnumMediaTypes** result);

}  // namespace kvo::dshow
