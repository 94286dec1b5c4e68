// Writes the seed corpus of every fuzz target from our own record builders: valid inputs
// of each kind, so that the fuzzer starts from what the readers really meet.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "capture_format.h"
#include "driver_records.h"
#include "frame_sizes.h"
#include "property_routes.h"
#include "simcam_names.h"
#include "stream_caps.h"
#include "test_bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool WriteSeed(const std::string& folder, const std::string& name, const Bytes& bytes) {
  const std::string path = folder + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

template <typename Record>
Bytes FromRecord(const Record& record) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
  return Bytes(bytes, bytes + sizeof(record));
}

void Put32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes Chunk(const char* id, const Bytes& body) {
  Bytes chunk(id, id + 4);
  Put32(chunk, static_cast<uint32_t>(body.size()));
  chunk.insert(chunk.end(), body.begin(), body.end());
  if (body.size() & 1) chunk.push_back(0);
  return chunk;
}

Bytes List(const char* id, const char* type, const std::vector<Bytes>& children) {
  Bytes body(type, type + 4);
  for (const Bytes& child : children) body.insert(body.end(), child.begin(), child.end());
  return Chunk(id, body);
}

Bytes Words(const std::vector<uint32_t>& words, std::size_t size) {
  Bytes body;
  for (uint32_t word : words) Put32(body, word);
  body.resize(size, 0);
  return body;
}

// A 4 x 2 RGB video of three frames with its idx1, as the recorder's mux lays it out.
Bytes SmallAvi(bool with_index) {
  const Bytes main_header = Chunk("avih", Words({33333, 0, 0, 0x10, 3, 0, 1, 0, 4, 2}, 56));
  Bytes stream_body{'v', 'i', 'd', 's'};
  for (uint32_t word : {0u, 0u, 0u, 0u, 1u, 30u, 0u, 3u, 24u}) Put32(stream_body, word);
  stream_body.resize(56, 0);
  const Bytes stream_header = Chunk("strh", stream_body);
  const Bytes format = Chunk("strf", Words({40, 4, 2, 0x00180001, 0, 24}, 40));
  std::vector<Bytes> frames;
  Bytes index;
  uint32_t offset = 4;
  for (int i = 0; i < 3; ++i) {
    Bytes frame = Chunk("00db", Bytes(24, static_cast<uint8_t>(0x40 + i)));
    index.insert(index.end(), {'0', '0', 'd', 'b'});
    Put32(index, 0x10);
    Put32(index, offset);
    Put32(index, 24);
    offset += static_cast<uint32_t>(frame.size());
    frames.push_back(frame);
  }
  std::vector<Bytes> riff{
      List("LIST", "hdrl", {main_header, List("LIST", "strl", {stream_header, format})}),
      List("LIST", "movi", frames)};
  if (with_index) riff.push_back(Chunk("idx1", index));
  return List("RIFF", "AVI ", riff);
}

Bytes DeviceRecord(const std::string& name, bool wide) {
  Bytes record(28, 0);
  for (char c : name) {
    record.push_back(static_cast<uint8_t>(c));
    if (wide) record.push_back(0);
  }
  record.insert(record.end(), wide ? 2 : 1, 0);
  const uint32_t size = static_cast<uint32_t>(record.size());
  std::memcpy(record.data(), &size, sizeof(size));
  record[4] = 5;  // a device interface notification
  return record;
}

Bytes Prefixed(uint8_t first, const Bytes& rest) {
  Bytes bytes{first};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

Bytes WithId(uint32_t id, const Bytes& record) {
  Bytes bytes;
  Put32(bytes, id);
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

// A format as a capture pin hands it out: kind (1 video info, 2 the second subtype), the
// block's size, then a video-info block laid out as stream_caps.h reads it.
Bytes PinFormat(int32_t width, int32_t height, uint16_t bits, int64_t frame_time,
                uint8_t kind = 1, std::size_t size = kvo::kVideoInfoHeaderBytes) {
  Bytes block(size, 0);
  const auto place = [&](std::size_t offset, const void* value, std::size_t length) {
    if (offset + length <= block.size()) std::memcpy(block.data() + offset, value, length);
  };
  place(kvo::kVideoInfoFrameTimeOffset, &frame_time, sizeof(frame_time));
  place(kvo::kVideoInfoWidthOffset, &width, sizeof(width));
  place(kvo::kVideoInfoHeightOffset, &height, sizeof(height));
  place(kvo::kVideoInfoBitCountOffset, &bits, sizeof(bits));
  Bytes bytes{kind, static_cast<uint8_t>(block.size())};
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

// Count and claimed record size, the rows, the current format, then the pin's block and the
// stored header for the block given back to the pin.
Bytes PinCapabilities(int32_t count, int32_t claimed, const std::vector<Bytes>& rows,
                      const Bytes& current, std::size_t pin_size, std::size_t stored_size) {
  Bytes bytes;
  Put32(bytes, static_cast<uint32_t>(count));
  Put32(bytes, static_cast<uint32_t>(claimed));
  bytes.push_back(static_cast<uint8_t>(rows.size()));
  for (const Bytes& row : rows) bytes.insert(bytes.end(), row.begin(), row.end());
  bytes.insert(bytes.end(), current.begin(), current.end());
  bytes.push_back(static_cast<uint8_t>(pin_size));
  bytes.push_back(static_cast<uint8_t>(pin_size >> 8));
  for (std::size_t i = 0; i < pin_size; ++i) bytes.push_back(static_cast<uint8_t>(i));
  bytes.push_back(static_cast<uint8_t>(stored_size));
  for (std::size_t i = 0; i < stored_size; ++i) bytes.push_back(static_cast<uint8_t>(0xA0 + i));
  return bytes;
}

// A grabbed frame of the sides the pin's format states, bottom row first, each row padded to
// four bytes; before it the bitmap steps (kind, value) of the camera application's bitmap
// (kind 0 width, 1 height, 2 a row; 0x80 passes the value unchanged).
Bytes GrabbedFrame(int32_t width, int32_t height, uint32_t length,
                   const std::vector<std::pair<uint8_t, int32_t>>& steps, const Bytes& frame) {
  Bytes bytes;
  Put32(bytes, static_cast<uint32_t>(width));
  Put32(bytes, static_cast<uint32_t>(height));
  Put32(bytes, length);
  bytes.push_back(static_cast<uint8_t>(steps.size()));
  for (const auto& step : steps) {
    bytes.push_back(step.first);
    Put32(bytes, static_cast<uint32_t>(step.second));
  }
  bytes.insert(bytes.end(), frame.begin(), frame.end());
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <corpus folder>\n");
    return 2;
  }
  const std::string root = argv[1];
  bool ok = true;
  const std::string script = root + "/install_script_fuzz";
  ok &= WriteSeed(script, "driver_script", FromText(
      "[Product]\r\nName=Notebook Camera\r\nOption=0\r\nUninstall=KvoCam, -u\r\n"
      "UnFitdrv=C:\\kvo\\remove.txt\r\n[WinXP]\r\n; the camera driver\r\n"
      "Installdriver = camera.inf, USB\\VID_FEED&PID_CAFE\r\n"
      "copy = a.txt, \"C:\\Program Files\\kvo\\a.txt\"\r\nenable = USB\\VID_FEED&PID_CAFE\r\n"
      "runwait = C:\\windows\\system32\\cmd.exe, \"/c echo\"\r\nboot\r\n[Win2000]\r\n"
      "removedriver = USB\\VID_FEED&PID_CAFE\r\n"));
  ok &= WriteSeed(script, "general_script", FromText(
      "[Product]\nName=C\nOption=2\nOSType=7\n[WinXP]\nmessage = done\ndelay = 100\n"
      "updateini = c:\\a.ini, Sect, Key, Value\nrename = a, b\nregistry = \"c:\\s.reg\"\n"
      "copytowindir = a.dll, b.dll\nUpdateLegacyDriver = legacy.inf, ROOT\\KVOCAM\n"
      "CopyOEMInf = camera.inf\nrefreshdriver\ndisable = USB\\VID_FEED&PID_CAFE\nbogus = 1\n"));

  const std::string device = root + "/device_record_fuzz";
  const std::string name = "\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#"
                           "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  ok &= WriteSeed(device, "narrow_record", DeviceRecord(name, false));
  ok &= WriteSeed(device, "wide_record", DeviceRecord(name, true));
  ok &= WriteSeed(device, "kernel_path",
                  FromText("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\x"));
  ok &= WriteSeed(device, "sid_text", FromText("S-1-5-32-544"));

  const std::string snapshot = root + "/snapshot_fuzz";
  Bytes packed(4 * 3 * 3);
  for (std::size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i * 7);
  ok &= WriteSeed(snapshot, "packed_4x3", kvo::test::SnapshotFile(0, 4, 3, packed));
  // Planar 5 x 3: luma 15 bytes, then two chroma planes of 3 x 2.
  Bytes planar(15 + 6 + 6);
  for (std::size_t i = 0; i < planar.size(); ++i) planar[i] = static_cast<uint8_t>(16 + i * 9);
  ok &= WriteSeed(snapshot, "planar_5x3", kvo::test::SnapshotFile(1, 5, 3, planar));

  const std::string property = root + "/property_record_fuzz";
  ok &= WriteSeed(property, "overlay_string",
                  WithId(34, FromRecord(kvo::cm::MakeStringRecord(kvo::kRecordFlagGet,
                                                                  "C:\\kvo\\overlay.bmp"))));
  ok &= WriteSeed(property, "zoom_numeric",
                  WithId(1001, FromRecord(kvo::cm::MakeNumericRecord(kvo::kRecordFlagSet, 3))));
  ok &= WriteSeed(property, "video_mode",
                  WithId(2001, FromRecord(kvo::cm::MakeVideoControlModeRecord(0))));

  const std::string settings = root + "/settings_value_fuzz";
  const std::string product = std::string("vid_feed&pid_cafe") + '\0';
  ok &= WriteSeed(settings, "product_string",
                  Prefixed(static_cast<uint8_t>(product.size()), FromText(product)));
  ok &= WriteSeed(settings, "flag", Prefixed(2, FromText(std::string("1") + '\0')));
  ok &= WriteSeed(settings, "counter", Prefixed(4, Bytes{7, 0, 0, 0}));
  kvo::CaptureFormatRecord format = kvo::NoFormatRecord();
  format.header = {40, 640, 480, 1, 24, 0, 640 * 480 * 3, 0, 0, 0, 0};
  format.avg_time_per_frame = 333333;
  ok &= WriteSeed(settings, "pin_data", Prefixed(sizeof(format), FromRecord(format)));

  const std::string avi = root + "/avi_reader_fuzz";
  ok &= WriteSeed(avi, "video_with_index", SmallAvi(true));
  ok &= WriteSeed(avi, "video_without_index", SmallAvi(false));

  // The simulated camera's sizes with its default current; a top-down row, a block cut
  // short and one too long.
  const std::string caps = root + "/stream_caps_fuzz";
  std::vector<Bytes> offered;
  for (const kvo::simcam::FrameSize& size : kvo::simcam::kFrameSizes) {
    offered.push_back(PinFormat(size.width, size.height, 24, kvo::simcam::kFrameInterval));
  }
  const kvo::simcam::FrameSize current = kvo::simcam::kDefaultFrameSize;
  ok &= WriteSeed(caps, "simulated_camera", PinCapabilities(
      kvo::simcam::kFrameSizeCount, 128, offered,
      PinFormat(current.width, current.height, 24, kvo::simcam::kFrameInterval), 128, 88));
  ok &= WriteSeed(caps, "odd_blocks", PinCapabilities(
      4, 4096, {PinFormat(640, -480, 24, 0, 3), PinFormat(640, 480, 24, 400000, 1, 60),
                PinFormat(640, 480, 24, 400000, 0), PinFormat(640, 480, 24, 200000, 1, 200)},
      PinFormat(640, 480, 24, 333333), 40, 88));

  // A 4 x 3 frame (rows of 12 bytes) and a 5 x 2 frame (rows of 15 bytes padded to 16); the
  // camera application's bitmap sized, resized and read; a snapshot file after it.
  const std::string still = root + "/still_copy_fuzz";
  Bytes frame(16 * 3);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 5);
  ok &= WriteSeed(still, "frame_4x3", GrabbedFrame(4, 3, 36, {{0x80, 4}, {0x81, 3}, {0x82, 2}},
                                                   Bytes(frame.begin(), frame.begin() + 36)));
  ok &= WriteSeed(still, "frame_5x2",
                  GrabbedFrame(5, 2, 32, {{0x81, 2}, {0x80, 5}, {0x80, -7}}, frame));
  ok &= WriteSeed(still, "snapshot_file",
                  GrabbedFrame(640, -480, 0xFFFFFFFF, {{0x80, 16385}, {0x81, 1}, {0x80, 2}},
                               kvo::test::SnapshotFile(0, 4, 3, packed)));
  // A device's hardware-id list as SetupAPI reports it: two ids, then the empty one.
  ok &= WriteSeed(script, "hardware_id_list",
                  FromText(std::string("USB\\VID_FEED&PID_CAFE&REV_0100") + '\0' +
                           "USB\\VID_FEED&PID_CAFE" + '\0' + '\0'));
  bool WriteCameraApplicationSeeds(const std::string& root);
  ok &= WriteCameraApplicationSeeds(root);
  if (!ok) std::fprintf(stderr, "make_seeds: a seed could not be written below %s\n", argv[1]);
  return ok ? 0 : 1;
}

// The seeds of the skin, command line, window geometry, device-change and instance key
// targets: the shipped skin, the simulated camera's names and the records the main window
// and the driver key really read.
namespace {

Bytes StoredDword(std::size_t stored, uint32_t value) {
  Bytes bytes{static_cast<uint8_t>(stored)};
  Put32(bytes, value);
  bytes.resize(1 + 8, 0);
  return bytes;
}

Bytes StoredGeometry(const Bytes& top, const Bytes& left, std::size_t pin_stored, int32_t width,
                     int32_t height, const std::vector<int32_t>& boxes_and_caption) {
  kvo::CaptureFormatRecord format = kvo::NoFormatRecord();
  format.header = {40, width, height, 1, 24, 0, 0, 0, 0, 0, 0};
  Bytes bytes = top;
  bytes.insert(bytes.end(), left.begin(), left.end());
  bytes.push_back(static_cast<uint8_t>(pin_stored));
  const Bytes record = FromRecord(format);
  bytes.insert(bytes.end(), record.begin(), record.end());
  for (int32_t value : boxes_and_caption) Put32(bytes, static_cast<uint32_t>(value));
  return bytes;
}

Bytes InterfaceRecord(const std::string& name, uint32_t type, uint32_t claimed) {
  Bytes record = DeviceRecord(name, true);
  if (claimed != 0) std::memcpy(record.data(), &claimed, sizeof(claimed));
  std::memcpy(record.data() + 4, &type, sizeof(type));
  return record;
}

Bytes FileText(const std::string& path) {
  Bytes bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(file);
  return bytes;
}

}  // namespace

bool WriteCameraApplicationSeeds(const std::string& root) {
  bool ok = true;
  const std::string skin = root + "/skin_fuzz";
  const Bytes shipped = FileText(KVO_SHIPPED_SKIN);
  ok &= !shipped.empty() && WriteSeed(skin, "shipped_skin", shipped);
  ok &= WriteSeed(skin, "pictures_in_folders", FromText(
      "[Skin]\r\nVersion=1\r\n[CaptionButtons]\r\nClose=caption\\close.bmp\r\n"
      "Minimize=..\\minimize.bmp\r\nRollUp=C:\\rollup.bmp\r\n"));

  const std::string words = root + "/command_line_fuzz";
  const std::string product = kvo::simcam::kProductString;
  ok &= WriteSeed(words, "camera_names", Prefixed(static_cast<uint8_t>(product.size()),
      FromText(product + kvo::simcam::kDeviceInterfaceName)));
  ok &= WriteSeed(words, "second_camera", Prefixed(
      static_cast<uint8_t>(std::strlen(kvo::simcam::kSecondProductString)),
      FromText(std::string(kvo::simcam::kSecondProductString) + kvo::simcam::kSecondInstanceName)));
  ok &= WriteSeed(words, "tray_command_line",
                  FromText("\"C:\\Program Files\\KVO\\KVO_MAIN.exe\" SnapShot"));
  ok &= WriteSeed(words, "bare_command_line", FromText("KVO_MAIN.exe NoShow"));

  const std::string geometry = root + "/window_geometry_fuzz";
  const std::vector<int32_t> screen{434, 251, 1099, 786, 0, 0, 1024, 738, 25};
  ok &= WriteSeed(geometry, "stored_vga", StoredGeometry(StoredDword(4, 251), StoredDword(4, 434),
                                                         88, 640, 480, screen));
  ok &= WriteSeed(geometry, "left_monitor_small", StoredGeometry(
      StoredDword(4, static_cast<uint32_t>(-10)), StoredDword(4, static_cast<uint32_t>(-1280)),
      88, 160, -120, {434, 251, 1099, 786, -1280, 30, 0, 1024, 22}));
  ok &= WriteSeed(geometry, "extreme_values", StoredGeometry(
      StoredDword(4, 0x80000000u), StoredDword(8, 0x7FFFFFFFu), 88, 1280, INT32_MIN, screen));
  ok &= WriteSeed(geometry, "short_pin_data",
                  StoredGeometry(StoredDword(2, 0xFFFF), StoredDword(0, 0), 56, 640, 480, screen));

  const std::string change = root + "/device_change_fuzz";
  const std::string name = kvo::simcam::kDeviceInterfaceName;
  ok &= WriteSeed(change, "camera_interface", InterfaceRecord(name, 5, 0));
  ok &= WriteSeed(change, "short_claim", InterfaceRecord(name, 5, 8));
  ok &= WriteSeed(change, "volume_record", InterfaceRecord("", 2, 0));

  const std::string instance = root + "/instance_key_fuzz";
  ok &= WriteSeed(instance, "driver_instance",
                  FromText(std::string(kvo::kKernelMachinePrefix) + kvo::kDriverKeyPath + "\\0000" +
                           '\0'));
  ok &= WriteSeed(instance, "prefix_only", FromText(kvo::kKernelMachinePrefix));
  return ok;
}
