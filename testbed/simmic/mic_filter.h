// The simulated microphone: an audio capture source filter with one output pin
// ("Capture", pin category capture) that delivers the device's tone as time-stamped 16-bit
// PCM buffers of 100 ms while the graph runs.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "simmic_names.h"

namespace simmic {

// Creates a microphone filter for `device` and hands out `iid` from it.
HRESULT CreateMicrophone(const MicrophoneDevice& device, REFIID iid, void** object);

// COM objects of this DLL alive in this process (filters and enumerators).
LONG LiveObjectCount();

// Server locks taken through IClassFactory::LockServer.
void LockServer(bool lock);
LONG ServerLocks();

}  // namespace simmic
