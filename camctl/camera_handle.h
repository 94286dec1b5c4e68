// The camera handle behind the opaque CM_Handle of the public header, and the operations
// the exported functions are made of.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdint>

#include "kvocmdll.h"

struct CM_Handle {
  // The bound camera's capture filter; one counted reference, released when the handle
  // is freed.
  Microsoft::WRL::ComPtr<IBaseFilter> Filter;
  // The product string that selected the camera, NUL-terminated; empty until bound.
  char Product[256] = {};
};

namespace kvo::cm {

bool OpenCamera(CM_Handle** handle);
int GetProperty(CM_Handle* handle, uint32_t id, void* data);
int SetProperty(CM_Handle* handle, uint32_t id, void* data);

}  // namespace kvo::cm
