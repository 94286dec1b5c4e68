#include "jpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace kvo {

namespace {

// A still of 1280 x 1024 at quality 90 takes a few hundred kilobytes: two or three growths.
constexpr std::size_t kFirstOutputBlock = 64 * 1024;

// The library reports a fatal error through error_exit, which must not return: jump back
// to the encoder, which owns nothing with a destructor between setjmp and the jump.
struct JumpingErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

void JumpBack(j_common_ptr info) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->back, 1);
}

// The encoded file as it grows. It lives in EncodeJpeg, outside the error jump, so however
// the encoding ends its one block is released once. (The library's own memory destination
// frees its old block when it grows but tells the caller the new one only at the end: a
// failure after a growth left the caller with a block already freed.)
class OutputBlock {
 public:
  explicit OutputBlock(const JpegOutputMemory& memory) : memory_(memory) {}
  ~OutputBlock() {
    if (data_ != nullptr) memory_.release(data_);
  }
  OutputBlock(const OutputBlock&) = delete;
  OutputBlock& operator=(const OutputBlock&) = delete;

  // Replaces the block by one twice its size (the first one kFirstOutputBlock), keeping
  // its bytes; false, with the block unchanged, when no memory is given.
  bool Grow() {
    const std::size_t new_size = size_ == 0 ? kFirstOutputBlock : size_ * 2;
    if (new_size <= size_) return false;
    auto* grown = static_cast<unsigned char*>(memory_.allocate(new_size));
    if (grown == nullptr) return false;
    if (size_ > 0) std::memcpy(grown, data_, size_);
    if (data_ != nullptr) memory_.release(data_);
    data_ = grown;
    size_ = new_size;
    return true;
  }
  unsigned char* data() { return data_; }
  std::size_t size() const { return size_; }

 private:
  JpegOutputMemory memory_;
  unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

// The library's destination over an OutputBlock; the library knows the first member only.
struct BlockDestination {
  jpeg_destination_mgr manager;
  OutputBlock* block;
  std::size_t written;
};

BlockDestination& DestinationOf(j_compress_ptr info) {
  return *reinterpret_cast<BlockDestination*>(info->dest);
}

// Grows the block and hands the library its free part, after the bytes already written.
// Out of memory ends the encoding through the library's error exit.
void GrowOrFail(j_compress_ptr info, std::size_t used) {
  BlockDestination& destination = DestinationOf(info);
  if (!destination.block->Grow()) ERREXIT1(info, JERR_OUT_OF_MEMORY, 10);
  destination.manager.next_output_byte = destination.block->data() + used;
  destination.manager.free_in_buffer = destination.block->size() - used;
}

void StartDestination(j_compress_ptr info) { GrowOrFail(info, 0); }

// Called with the block full.
boolean EmptyDestination(j_compress_ptr info) {
  GrowOrFail(info, DestinationOf(info).block->size());
  return TRUE;
}

void FinishDestination(j_compress_ptr info) {
  BlockDestination& destination = DestinationOf(info);
  destination.written = destination.block->size() - destination.manager.free_in_buffer;
}

// Runs the whole compression into the block; the file's length, or 0 after a library
// error. Kept apart from the C++ objects of EncodeJpeg so that the jump skips no
// destructor.
std::size_t Compress(const Bitmap24& bitmap, int quality, JumpingErrorManager& errors,
                     OutputBlock* block) {
  jpeg_compress_struct info;
  BlockDestination destination{};
  destination.manager.init_destination = StartDestination;
  destination.manager.empty_output_buffer = EmptyDestination;
  destination.manager.term_destination = FinishDestination;
  destination.block = block;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpBack;
  if (setjmp(errors.back)) {
    jpeg_destroy_compress(&info);
    return 0;
  }
  jpeg_create_compress(&info);
  info.dest = &destination.manager;
  info.image_width = static_cast<JDIMENSION>(bitmap.width());
  info.image_height = static_cast<JDIMENSION>(bitmap.height());
  info.input_components = 3;
  // The bitmap holds blue, green, red as a device-independent bitmap does.
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);  // baseline, YCbCr, JFIF marker
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.Row(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return destination.written;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& bitmap, int quality, std::string* error,
                                     const JpegOutputMemory& memory) {
  if (bitmap.empty()) {
    if (error != nullptr) *error = "empty picture";
    return {};
  }
  JumpingErrorManager errors{};
  OutputBlock block(memory);
  const std::size_t written = Compress(bitmap, quality, errors, &block);
  if (written == 0) {
    if (error != nullptr) *error = errors.message;
    return {};
  }
  return std::vector<std::uint8_t>(block.data(), block.data() + written);
}

}  // namespace kvo
