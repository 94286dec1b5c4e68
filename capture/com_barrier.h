// No C++ exception may leave a COM method: its caller is a framework thread or another
// module, and on the i686 build an exception cannot unwind through their frames. A method
// whose body can throw (it allocates) runs that body through ComBarrier.
#pragma once

#include <windows.h>

#include <new>

namespace kvo {

template <typename Body>
HRESULT ComBarrier(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace kvo
