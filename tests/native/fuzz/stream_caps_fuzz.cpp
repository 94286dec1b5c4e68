// What a capture pin's driver hands over for its stream capabilities: the count and size it
// claims, capability records and format blocks of any size, and its current format; read
// the way the stream-format dialog reads them, and the format block given back to the pin.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bounded_copy.h"
#include "fuzz_input.h"
#include "stream_caps.h"

using namespace kvo;
using kvo::fuzz::Check;
using kvo::fuzz::Input;

namespace {

template <typename Value>
Value At(const std::vector<uint8_t>& block, std::size_t offset) {
  Value value;
  std::memcpy(&value, block.data() + offset, sizeof(value));
  return value;
}

// One format as a pin hands it out: the type, two subtypes to choose from so that rows
// can match, and a block of any size.
std::optional<VideoFormatFields> ReadOneFormat(Input& input) {
  const auto kind = input.Take<uint8_t>();
  const bool video_info = (kind & 1) != 0;
  MediaSubtype subtype{};
  subtype[0] = (kind & 2) != 0 ? 'R' : 'Y';
  const std::vector<uint8_t> block = input.Bytes(input.Take<uint8_t>());
  const auto format = ReadVideoInfoBlock(video_info, subtype, block.data(), block.size());
  Check(format.has_value() == (video_info && block.size() >= kVideoInfoHeaderBytes));
  if (!format) return format;
  Check(format->subtype == subtype);
  Check(format->width == At<int32_t>(block, kVideoInfoWidthOffset));
  Check(format->height == At<int32_t>(block, kVideoInfoHeightOffset));
  Check(format->bit_count == At<uint16_t>(block, kVideoInfoBitCountOffset));
  Check(format->frame_time == At<int64_t>(block, kVideoInfoFrameTimeOffset));
  const std::string line = CapabilityLine(*format);
  Check(!line.empty() && line.size() < 96 && line.find(" x ") != std::string::npos);
  Check(line.find('-', line.find(" x ")) == std::string::npos ||
        line.find("fps") < line.find('-'));  // the height is shown without its sign
  return format;
}

bool SameSize(const VideoFormatFields& a, const VideoFormatFields& b) {
  return a.subtype == b.subtype && a.width == b.width && a.bit_count == b.bit_count &&
         std::llabs(a.height) == std::llabs(b.height);
}

void CheckChoice(const std::vector<VideoFormatFields>& rows,
                 const std::optional<VideoFormatFields>& current) {
  const int chosen = ChooseCurrentCapability(rows, current);
  Check(chosen == 0 || (chosen > 0 && static_cast<std::size_t>(chosen) < rows.size()));
  if (!current) return Check(chosen == 0);
  int first_exact = -1;
  int first_size = -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!SameSize(rows[i], *current)) continue;
    if (first_size < 0) first_size = static_cast<int>(i);
    if (first_exact < 0 && rows[i].frame_time == current->frame_time) {
      first_exact = static_cast<int>(i);
    }
  }
  Check(chosen == (first_exact >= 0 ? first_exact : first_size >= 0 ? first_size : 0));
}

void CheckStoredHeaderBlock(Input& input) {
  const std::vector<uint8_t> pin = input.Bytes(input.Take<uint16_t>() % 512);
  const std::vector<uint8_t> stored = input.Bytes(input.Take<uint8_t>());
  // Fresh buffers of exactly their size, so a read past either one is seen.
  std::vector<uint8_t> pin_copy(pin);
  std::vector<uint8_t> stored_copy(stored);
  const std::vector<uint8_t> block = FormatBlockWithStoredHeader(
      pin_copy.empty() ? nullptr : pin_copy.data(), pin_copy.size(),
      stored_copy.empty() ? nullptr : stored_copy.data(), stored_copy.size());
  if (pin.empty() || stored.empty() || pin.size() < stored.size()) return Check(block.empty());
  Check(block.size() == pin.size());
  Check(std::memcmp(block.data(), stored.data(), stored.size()) == 0);
  Check(std::equal(block.begin() + stored.size(), block.end(), pin.begin() + stored.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  const auto count = input.Take<int32_t>();
  const auto claimed = input.Take<int32_t>();
  const std::size_t record = CapsRecordBufferSize(count, claimed);
  const bool usable = count > 0 && count <= kMaxCapabilities && claimed >= 0 &&
                      claimed <= kMaxCapsRecordBytes;
  Check(usable == (record != 0));
  if (usable) {
    Check(record >= kVideoCapsRecordBytes && record >= static_cast<std::size_t>(claimed));
    Check(record <= static_cast<std::size_t>(kMaxCapsRecordBytes));
  }

  std::vector<VideoFormatFields> rows;
  const int formats = input.Take<uint8_t>() % 16;
  for (int i = 0; i < formats; ++i) {
    if (auto format = ReadOneFormat(input)) rows.push_back(*format);
  }
  CheckChoice(rows, ReadOneFormat(input));
  CheckStoredHeaderBlock(input);
  return 0;
}
