// Pin lookup on a filter, for code that wires filters together by hand.
#pragma once

#include <dshow.h>

namespace kvo::dshow {

// The filter's first pin of the wanted direction, with a reference for the caller;
// VFW_E_NOT_FOUND when it has none.
HRESULT FirstPinOf(IBaseFilter* filter, PIN_DIRECTION wanted, IPin** found);

}  // namespace kvo::dshow
