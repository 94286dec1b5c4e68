// Registration of the two microphones: their class ids as in-process servers of this DLL
// and their entries in the audio input category.
#pragma once

#include <windows.h>

namespace simmic {

HRESULT RegisterMicrophones(HMODULE module);
HRESULT UnregisterMicrophones();

}  // namespace simmic
