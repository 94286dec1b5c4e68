#include "jpeg_writer.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace kvo {

namespace {

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

// Runs the whole compression; false after a library error. Kept apart from the C++
// objects of EncodeJpeg so that the jump skips no destructor.
bool Compress(const DibBitmap& bitmap, int quality, JumpingErrorManager& errors,
              unsigned char** out, unsigned long* out_size) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpBack;
  if (setjmp(errors.back)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, out_size);
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
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const DibBitmap& bitmap, int quality,
                                     std::string* error) {
  if (bitmap.empty()) {
    if (error != nullptr) *error = "empty picture";
    return {};
  }
  JumpingErrorManager errors{};
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  const bool encoded = Compress(bitmap, quality, errors, &out, &out_size);
  std::vector<std::uint8_t> file;
  if (encoded && out != nullptr) file.assign(out, out + out_size);
  std::free(out);
  if (!encoded && error != nullptr) *error = errors.message;
  return file;
}

}  // namespace kvo
