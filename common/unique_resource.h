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

// Closes a handle with the system function that frees its kind; what that returns is of
// no use to an owner.
template <auto Close>
struct CloseWith {
  template <typename Handle>
  void operator()(Handle value) const { Close(value); }
};

using UniqueHKey = UniqueResource<NullIsInvalid<HKEY, CloseWith<RegCloseKey>>>;
using UniqueHandle = UniqueResource<NullIsInvalid<HANDLE, CloseWith<CloseHandle>>>;
using UniqueFileHandle = UniqueResource<InvalidValueIsInvalid<HANDLE, CloseWith<CloseHandle>>>;
using UniqueHModule = UniqueResource<NullIsInvalid<HMODULE, CloseWith<FreeLibrary>>>;
using UniqueHDevInfo =
    UniqueResource<InvalidValueIsInvalid<HDEVINFO, CloseWith<SetupDiDestroyDeviceInfoList>>>;
using UniqueHBitmap = UniqueResource<NullIsInvalid<HBITMAP, CloseWith<DeleteObject>>>;
using UniqueHBrush = UniqueResource<NullIsInvalid<HBRUSH, CloseWith<DeleteObject>>>;
using UniqueHFont = UniqueResource<NullIsInvalid<HFONT, CloseWith<DeleteObject>>>;
using UniqueHPen = UniqueResource<NullIsInvalid<HPEN, CloseWith<DeleteObject>>>;
using UniqueHRgn = UniqueResource<NullIsInvalid<HRGN, CloseWith<DeleteObject>>>;
using UniqueMemoryDc = UniqueResource<NullIsInvalid<HDC, CloseWith<DeleteDC>>>;
using UniqueHIcon = UniqueResource<NullIsInvalid<HICON, CloseWith<DestroyIcon>>>;
using UniqueHMenu = UniqueResource<NullIsInvalid<HMENU, CloseWith<DestroyMenu>>>;

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
