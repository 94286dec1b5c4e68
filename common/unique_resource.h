// One owner type per Win32 resource kind, all from one template: move-only, released
// exactly once, and out-pointers passed explicitly through put().
#pragma once

#include <windows.h>
#include <objbase.h>
#include <setupapi.h>

#include <utility>

namespace kvo {

template <typename T, T kInvalid, typename Closer>
class UniqueResource {
 public:
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
  bool valid() const { return value_ != kInvalid; }
  explicit operator bool() const { return valid(); }

  T release() {
    T value = value_;
    value_ = kInvalid;
    return value;
  }
  void reset(T value = kInvalid) {
    if (value_ != kInvalid) Closer{}(value_);
    value_ = value;
  }
  // Releases what is held and hands out the address for an API that writes a new value.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = kInvalid;
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

using UniqueHKey = UniqueResource<HKEY, nullptr, HKeyCloser>;
// Most kernel handles are null when invalid; files and a few others use
// INVALID_HANDLE_VALUE, hence two owners.
using UniqueHandle = UniqueResource<HANDLE, nullptr, HandleCloser>;
using UniqueHModule = UniqueResource<HMODULE, nullptr, HModuleCloser>;
using UniqueHBitmap = UniqueResource<HBITMAP, nullptr, GdiObjectCloser>;
using UniqueHBrush = UniqueResource<HBRUSH, nullptr, GdiObjectCloser>;
using UniqueHFont = UniqueResource<HFONT, nullptr, GdiObjectCloser>;
using UniqueHPen = UniqueResource<HPEN, nullptr, GdiObjectCloser>;
using UniqueHRgn = UniqueResource<HRGN, nullptr, GdiObjectCloser>;
using UniqueMemoryDc = UniqueResource<HDC, nullptr, HdcDeleter>;
using UniqueHIcon = UniqueResource<HICON, nullptr, HIconCloser>;
using UniqueHMenu = UniqueResource<HMENU, nullptr, HMenuCloser>;

// INVALID_HANDLE_VALUE is not a constant expression, so these two owners spell out the
// template with a small wrapper type.
class UniqueFileHandle {
 public:
  UniqueFileHandle() = default;
  explicit UniqueFileHandle(HANDLE handle) : handle_(handle) {}
  UniqueFileHandle(const UniqueFileHandle&) = delete;
  UniqueFileHandle& operator=(const UniqueFileHandle&) = delete;
  UniqueFileHandle(UniqueFileHandle&& other) noexcept : handle_(other.release()) {}
  UniqueFileHandle& operator=(UniqueFileHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueFileHandle() { reset(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  explicit operator bool() const { return valid(); }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class UniqueHDevInfo {
 public:
  UniqueHDevInfo() = default;
  explicit UniqueHDevInfo(HDEVINFO info) : info_(info) {}
  UniqueHDevInfo(const UniqueHDevInfo&) = delete;
  UniqueHDevInfo& operator=(const UniqueHDevInfo&) = delete;
  UniqueHDevInfo(UniqueHDevInfo&& other) noexcept : info_(other.release()) {}
  UniqueHDevInfo& operator=(UniqueHDevInfo&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHDevInfo() { reset(); }

  HDEVINFO get() const { return info_; }
  bool valid() const { return info_ != INVALID_HANDLE_VALUE && info_ != nullptr; }
  explicit operator bool() const { return valid(); }
  HDEVINFO release() { return std::exchange(info_, INVALID_HANDLE_VALUE); }
  void reset(HDEVINFO info = INVALID_HANDLE_VALUE) {
    if (valid()) HDevInfoCloser{}(info_);
    info_ = info;
  }

 private:
  HDEVINFO info_ = INVALID_HANDLE_VALUE;
};

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
