// One owner type per Win32 resource kind, all from one template with validity as a policy:
// move-only, released exactly once, and out-pointers passed explicitly through put().
#pragma once

#include <windows.h>
#include <objbase.h>
#include <setupapi.h>

#include <utility>

namespace kvo {

// Validity is the policy's: Policy::type is the handle, Invalid() the empty value,
// IsValid() says what may be closed and Close() closes it.
template <typename Policy>
class UniqueResource {
 public:
  using T = typename Policy::type;

  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  T get() const { return value_; }
  bool valid() const { return Policy::IsValid(value_); }
  explicit operator bool() const { return valid(); }

  T release() { return std::exchange(value_, Policy::Invalid()); }
  void reset(T value = Policy::Invalid()) {
    if (valid()) Policy::Close(value_);
    value_ = value;
  }
  // Releases what is held and hands out the address for an API that writes a new value.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = Policy::Invalid();
};

// Most handles are empty when null.
template <typename Handle, typename Closer>
struct NullIsInvalid {
  using type = Handle;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle value) { return value != nullptr; }
  static void Close(Handle value) { Closer{}(value); }
};

// Files, device information sets and a few others return INVALID_HANDLE_VALUE on failure;
// null is never a valid one either.
template <typename Handle, typename Closer>
struct InvalidValueIsInvalid {
  using type = Handle;
  static Handle Invalid() { return reinterpret_cast<Handle>(INVALID_HANDLE_VALUE); }
  static bool IsValid(Handle value) { return value != Invalid() && value != nullptr; }
  static void Close(Handle value) { Closer{}(value); }
};

struct HKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct HModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct HDevInfoCloser {
  void operator()(HDEVINFO info) const { SetupDiDestroyDeviceInfoList(info); }
};
struct GdiObjectCloser {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct HdcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct HIconCloser {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct HMenuCloser {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using UniqueHKey = UniqueResource<NullIsInvalid<HKEY, HKeyCloser>>;
using UniqueHandle = UniqueResource<NullIsInvalid<HANDLE, HandleCloser>>;
using UniqueFileHandle = UniqueResource<InvalidValueIsInvalid<HANDLE, HandleCloser>>;
using UniqueHModule = UniqueResource<NullIsInvalid<HMODULE, HModuleCloser>>;
using UniqueHDevInfo = UniqueResource<InvalidValueIsInvalid<HDEVINFO, HDevInfoCloser>>;
using UniqueHBitmap = UniqueResource<NullIsInvalid<HBITMAP, GdiObjectCloser>>;
using UniqueHBrush = UniqueResource<NullIsInvalid<HBRUSH, GdiObjectCloser>>;
using UniqueHFont = UniqueResource<NullIsInvalid<HFONT, GdiObjectCloser>>;
using UniqueHPen = UniqueResource<NullIsInvalid<HPEN, GdiObjectCloser>>;
using UniqueHRgn = UniqueResource<NullIsInvalid<HRGN, GdiObjectCloser>>;
using UniqueMemoryDc = UniqueResource<NullIsInvalid<HDC, HdcDeleter>>;
using UniqueHIcon = UniqueResource<NullIsInvalid<HICON, HIconCloser>>;
using UniqueHMenu = UniqueResource<NullIsInvalid<HMENU, HMenuCloser>>;

// Balances CoInitializeEx on the calling thread.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT result() const { return result_; }
  bool ok() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

}  // namespace kvo
