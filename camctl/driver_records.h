// The camera driver's property interface as both sides see it: the property sets, the
// records handed to the driver and the snapshot file header. Plain data only: the
// library builds these records and the simulated camera in the testbed parses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvo {

// A GUID in its in-memory layout (first three groups little-endian).
struct DriverGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

// The four fields fill the 16 bytes without padding.
inline bool operator==(const DriverGuid& a, const DriverGuid& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// {D80AF729-7C23-4E10-BC5F-1D8C157F96E3}
constexpr DriverGuid kPropSetCmImage = {
    0xD80AF729, 0x7C23, 0x4E10, {0xBC, 0x5F, 0x1D, 0x8C, 0x15, 0x7F, 0x96, 0xE3}};
// {E02A32D0-D2FC-4628-A1DD-DE079B11DFE2}
constexpr DriverGuid kPropSetCmZoom = {
    0xE02A32D0, 0xD2FC, 0x4628, {0xA1, 0xDD, 0xDE, 0x07, 0x9B, 0x11, 0xDF, 0xE2}};
// {6A2E0670-28E4-11D0-A18C-00A0C9118956}, the platform's video-control property set.
constexpr DriverGuid kPropSetVidcapVideoControl = {
    0x6A2E0670, 0x28E4, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

constexpr uint32_t kVideoControlModeProperty = 3;  // KSPROPERTY_VIDEOCONTROL_MODE
constexpr uint32_t kVideoControlExternalTrigger = 4;

constexpr uint32_t kRecordFlagGet = 1;
constexpr uint32_t kRecordFlagSet = 2;
constexpr uint32_t kVideoControlModeFlags = 0x202;

constexpr uint32_t kStringRecordTextSize = 264;
constexpr uint32_t kStringRecordMaxChars = 259;

#pragma pack(push, 1)
// The head every record starts with: set and id travel as call arguments, so both are zero.
struct RecordHead {
  uint8_t property_set[16];
  uint32_t property_id;
  uint32_t flags;
};

struct NumericRecord {
  RecordHead head;
  int32_t value;
  uint8_t reserved[12];
};

struct StringRecord {
  RecordHead head;
  char text[kStringRecordTextSize];
};

struct VideoControlModeRecord {
  RecordHead head;
  uint32_t stream_index;
  uint32_t mode;
};

// The 24-byte header of a snapshot file written by the driver.
struct SnapshotHeader {
  uint8_t unused0[2];
  uint8_t format;  // 0: packed 24-bit, bottom row first; otherwise planar 4:2:0
  uint8_t unused3;
  int32_t width;
  int32_t height;
  uint8_t unused12[12];
};
#pragma pack(pop)

static_assert(sizeof(RecordHead) == 24, "record head");
static_assert(sizeof(NumericRecord) == 40, "numeric record");
static_assert(sizeof(StringRecord) == 288, "string record");
static_assert(sizeof(VideoControlModeRecord) == 32, "video-control mode record");
static_assert(sizeof(SnapshotHeader) == 24, "snapshot header");
static_assert(offsetof(NumericRecord, value) == 24, "value field");
static_assert(offsetof(StringRecord, text) == 24, "string field");

constexpr uint8_t kSnapshotPacked = 0;
constexpr uint8_t kSnapshotPlanar = 1;

// The driver's registry key under HKEY_LOCAL_MACHINE and its instance key's values.
constexpr char kDriverKeyPath[] = "SOFTWARE\\CAMDRV\\USBCAM\\CAMSTD";
constexpr char kInstanceIndexValue[] = "InstanceIndex";
constexpr char kInstanceNameFormat[] = "ii%04d";
constexpr char kKernelMachinePrefix[] = "\\REGISTRY\\MACHINE\\";
constexpr size_t kKernelMachinePrefixLength = 18;
constexpr char kSnapShotStateValue[] = "SnapShotState";
constexpr char kSnapShotFileNameValue[] = "SnapShotFileName";
constexpr uint32_t kSnapShotPending = 3;
constexpr uint32_t kSnapShotTaken = 2;

static_assert(sizeof(kKernelMachinePrefix) - 1 == kKernelMachinePrefixLength, "prefix length");

}  // namespace kvo
