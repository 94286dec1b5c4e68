// The simulated driver's property sets as plain data: the camera's settings, their ranges
// and defaults, and the handling of one IKsPropertySet call with its record checks. No
// platform headers: the filter wraps this with the registry, tests run it natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "call_record.h"

namespace kvo::simcam {

constexpr uint32_t kImagePropertyCount = 39;  // ids 0-38
constexpr uint32_t kZoomPropertyCount = 13;   // ids 0-12
constexpr uint32_t kOverlayPathSize = 260;    // 259 characters and the NUL
constexpr int32_t kZoomMaximum = 64;         // what the camera reports unless told otherwise
constexpr int32_t kZoomLevelLimit = 127;     // no level reaches 128: the factor is 128 / (128 - level)
constexpr int32_t kPanStep = 4;               // 1/256 of the picture per pan command

// The statuses the driver answers (HRESULT values of the platform).
constexpr int32_t kStatusOk = 0;
constexpr int32_t kStatusInvalidArgument = static_cast<int32_t>(0x80070057);
constexpr int32_t kStatusInvalidData = static_cast<int32_t>(0x8007000D);
constexpr int32_t kStatusIdUnsupported = static_cast<int32_t>(0x80070490);
constexpr int32_t kStatusSetUnsupported = static_cast<int32_t>(0x80070492);
// ERROR_DEVICE_NOT_CONNECTED: a handle bound before the camera was switched off.
constexpr int32_t kStatusDeviceRemoved = static_cast<int32_t>(0x8007048F);

// Image property ids the picture obeys or the commands use.
enum ImageId : uint32_t {
  kMirror = 0, kFlip = 1, kBrightness = 2, kContrast = 3, kGamma = 4, kHue = 5,
  kSaturation = 6, kSharpness = 7, kBandwidthAuto = 9, kBandwidth = 10, kExposureAuto = 11,
  kExposure = 12, kWhiteBalanceAuto = 13, kRedGain = 14, kBlueGain = 15, kInOutDoor = 17,
  kFlicker = 18, kBacklight = 20, kLowLight = 24, kDefaults = 25, kSave = 26, kRestore = 27,
  kBlackAndWhite = 30, kEffect = 33, kOverlayFile = 34,
};
enum ZoomId : uint32_t {
  kPanXMinus = 1, kPanYMinus = 3, kPanXPlus = 5, kPanYPlus = 7, kZoomLevel = 8, kZoomMax = 9,
  kZoomEnable = 11,
};

struct CameraSettings {
  int32_t image[kImagePropertyCount];
  int32_t zoom[kZoomPropertyCount];
  int32_t pan_x;  // zoom window centre offset, 1/256 of the width, within +-zoom level
  int32_t pan_y;
  char overlay_path[kOverlayPathSize];
};

CameraSettings DefaultSettings();
// Whether a set of this image id with this value is accepted (ranges the property window
// offers; ids without a meaning take any value).
bool ImageValueAllowed(uint32_t id, int32_t value);

// The registry form of the settings: a tagged copy. Deserialize checks tag and size and
// repairs what could hurt (values out of range, an unterminated path).
std::vector<uint8_t> SerializeSettings(const CameraSettings& settings);
std::optional<CameraSettings> DeserializeSettings(const uint8_t* bytes, size_t size);

// The driver's whole state that property calls read and change.
struct DriverState {
  CameraSettings current = DefaultSettings();
  std::optional<CameraSettings> saved;
  uint32_t video_control_mode[2] = {0, 0};
  // What id 9 of the zoom set reports, 0 to kZoomLevelLimit. A camera reporting 0 zooms to
  // kZoomMaximum, as its callers assume.
  int32_t zoom_maximum = kZoomMaximum;
};

// The highest zoom level the camera takes: its reported maximum, kZoomMaximum for 0.
int32_t UsableZoomMaximum(const DriverState& state);

// What a call asks of the driver beyond its state.
struct CallEffects {
  bool settings_changed = false;
  bool saved_changed = false;
  bool mode_changed = false;
  bool take_still = false;  // mode 4 for stream 1: a still at once
};

// One IKsPropertySet call. For a get the answer goes into data (data_length bytes).
struct PropertyRequest {
  bool is_set = false;
  CallSet set = CallSet::kOther;
  uint32_t id = 0;
  const void* instance = nullptr;
  uint32_t instance_length = 0;
  void* data = nullptr;
  uint32_t data_length = 0;
};

struct PropertyAnswer {
  int32_t status = kStatusOk;
  uint32_t returned = 0;  // bytes written into data by a get
  CallEffects effects;
  PropertyCall call;      // what the record shows for this call
};

PropertyAnswer HandlePropertyCall(const PropertyRequest& request, DriverState& state);
// The answer to a call the driver cannot serve at all (a removed device): the record shows
// what was sent, the status is the given one, nothing is written back.
PropertyAnswer RefusePropertyCall(const PropertyRequest& request, int32_t status);

// Whether the property set answers this id at all (the support query).
bool PropertySupported(CallSet set, uint32_t id);

}  // namespace kvo::simcam
