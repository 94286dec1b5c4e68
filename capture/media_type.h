// Owner of a media type handed out by the framework (GetFormat, GetStreamCaps): frees the
// format block and the extra interface exactly once.
#pragma once

#include <dshow.h>

namespace kvo {

inline void FreeMediaTypeContents(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0 || type.pbFormat != nullptr) CoTaskMemFree(type.pbFormat);
  type.cbFormat = 0;
  type.pbFormat = nullptr;
  if (type.pUnk != nullptr) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

class UniqueMediaType {
 public:
  UniqueMediaType() = default;
  UniqueMediaType(const UniqueMediaType&) = delete;
  UniqueMediaType& operator=(const UniqueMediaType&) = delete;
  UniqueMediaType(UniqueMediaType&& other) noexcept : type_(other.type_) { other.type_ = nullptr; }
  UniqueMediaType& operator=(UniqueMediaType&& other) noexcept {
    if (this != &other) {
      reset();
      type_ = other.type_;
      other.type_ = nullptr;
    }
    return *this;
  }
  ~UniqueMediaType() { reset(); }

  AM_MEDIA_TYPE* get() const { return type_; }
  AM_MEDIA_TYPE* operator->() const { return type_; }
  explicit operator bool() const { return type_ != nullptr; }
  AM_MEDIA_TYPE** put() {
    reset();
    return &type_;
  }
  void reset() {
    if (type_ == nullptr) return;
    FreeMediaTypeContents(*type_);
    CoTaskMemFree(type_);
    type_ = nullptr;
  }
  // A video-info format block large enough to read the whole header from.
  VIDEOINFOHEADER* VideoInfo() const {
    if (type_ == nullptr || type_->formattype != FORMAT_VideoInfo ||
        type_->pbFormat == nullptr || type_->cbFormat < sizeof(VIDEOINFOHEADER)) {
      return nullptr;
    }
    return reinterpret_cast<VIDEOINFOHEADER*>(type_->pbFormat);
  }

 private:
  AM_MEDIA_TYPE* type_ = nullptr;
};

}  // namespace kvo
