// The exported functions: thin wrappers that keep every exception inside the library.
#include "camera_handle.h"
#include "property_routes.h"

static_assert(sizeof(unsigned long) == 4, "ids are 32-bit on this platform");

extern "C" {

bool CM_Open(CM_Handle** handle) {
  try {
    return kvo::cm::OpenCamera(handle);
  } catch (...) {
    if (handle != nullptr) *handle = nullptr;
    return false;
  }
}

bool CM_Close(CM_Handle* handle) {
  if (handle == nullptr) return false;
  // The filter reference goes with the handle.
  delete handle;
  return true;
}

bool CM_GetCapabilities(unsigned long id) { return kvo::cm::IsSupportedId(id); }

int CM_GetProperties(CM_Handle* handle, unsigned long id, void* data) {
  try {
    return kvo::cm::GetProperty(handle, id, data);
  } catch (...) {
    return 1;
  }
}

int CM_SetProperties(CM_Handle* handle, unsigned long id, void* data) {
  try {
    return kvo::cm::SetProperty(handle, id, data);
  } catch (...) {
    return 1;
  }
}

}  // extern "C"
