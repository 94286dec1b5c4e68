// What the fuzz targets share: the check of an invariant, which stops the run where it
// fails, and the input read field by field from its front, as make_seeds writes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kvo::fuzz {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // The next value; the bytes the input lacks read as zero.
  template <typename Value>
  Value Take() {
    Value value{};
    const std::size_t count = sizeof(value) < size_ ? sizeof(value) : size_;
    std::memcpy(&value, data_, count);
    Skip(count);
    return value;
  }
  // The next bytes, as many as wanted or as are left, in a buffer of exactly their size.
  std::vector<uint8_t> Bytes(std::size_t wanted) {
    const std::size_t count = wanted < size_ ? wanted : size_;
    std::vector<uint8_t> bytes(data_, data_ + count);
    Skip(count);
    return bytes;
  }
  std::vector<uint8_t> Rest() { return Bytes(size_); }

 private:
  void Skip(std::size_t count) {
    data_ += count;
    size_ -= count;
  }

  const uint8_t* data_;
  std::size_t size_;
};

}  // namespace kvo::fuzz
