#include "property_store.h"

#include <cstring>

#include "driver_records.h"

namespace kvo::simcam {
namespace {

constexpr uint32_t kSettingsTag = 0x31434D53;  // "SMC1"

struct Range {
  int32_t low;
  int32_t high;
};

// The ranges the property window offers; ids not listed take any value.
std::optional<Range> ImageRange(uint32_t id) {
  switch (id) {
    case kMirror: case kFlip: case kBandwidthAuto: case kExposureAuto: case kWhiteBalanceAuto:
    case kInOutDoor: case kFlicker: case kBacklight: case kLowLight: case kBlackAndWhite:
      return Range{0, 1};
    case kBrightness: return Range{0, 126};
    case kContrast: return Range{10000, 20000};
    case kGamma: return Range{0, 10000};
    case kHue: return Range{0, 3600000};
    case kSaturation: return Range{0, 29900};
    case kSharpness: return Range{0, 79900};
    case kBandwidth: return Range{1, 8};
    case kExposure: return Range{400000, 2000000};
    case kRedGain: case kBlueGain: return Range{5000, 19900};
    // A byte: 1-16 colour effects, 17-26 frames; the rest show neither but are kept and
    // reported, as a camera may report values the window does not offer.
    case kEffect: return Range{0, 255};
    default: return std::nullopt;
  }
}

// What a stored setting may hold; a set is checked against the camera's maximum as well.
bool ZoomValueAllowed(uint32_t id, int32_t value) {
  if (id == kZoomLevel) return value >= 0 && value <= kZoomLevelLimit;
  if (id == kZoomEnable) return value == 0 || value == 1;
  return true;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

void KeepPanInsideZoom(CameraSettings& settings) {
  const int32_t level = settings.zoom[kZoomLevel];
  settings.pan_x = Clamp(settings.pan_x, -level, level);
  settings.pan_y = Clamp(settings.pan_y, -level, level);
}

// Requests are checked as the driver interface fixes the records: both buffers present,
// each at least one record long, and the flags of the direction.
bool RecordUsable(const PropertyRequest& request, uint32_t record_size) {
  return request.instance != nullptr && request.data != nullptr &&
         request.instance_length >= record_size && request.data_length >= record_size;
}

uint32_t RecordFlags(const PropertyRequest& request) {
  if (request.instance == nullptr || request.instance_length < sizeof(RecordHead)) return 0;
  RecordHead head;
  std::memcpy(&head, request.instance, sizeof(head));
  return head.flags;
}

// The command ids act on the whole state: defaults, save, restore.
void RunCommand(uint32_t id, DriverState& state, CallEffects& effects) {
  if (id == kDefaults) {
    state.current = DefaultSettings();
    effects.settings_changed = true;
  } else if (id == kSave) {
    state.saved = state.current;
    effects.saved_changed = true;
  } else if (id == kRestore) {
    state.current = state.saved ? *state.saved : DefaultSettings();
    effects.settings_changed = true;
  }
}

void HandleImageNumeric(const PropertyRequest& request, DriverState& state,
                        PropertyAnswer& answer) {
  NumericRecord record;
  std::memcpy(&record, request.data, sizeof(record));
  if (!request.is_set) {
    record.value = state.current.image[request.id];
    std::memcpy(request.data, &record, sizeof(record));
    answer.returned = sizeof(record);
    answer.call.value = record.value;
    return;
  }
  answer.call.value = record.value;
  if (request.id == kDefaults || request.id == kSave || request.id == kRestore) {
    RunCommand(request.id, state, answer.effects);
    return;
  }
  if (!ImageValueAllowed(request.id, record.value)) {
    answer.status = kStatusInvalidData;
    return;
  }
  state.current.image[request.id] = record.value;
  // The banner of id 34 lies over the picture until the next effect set, which brings back
  // the frame or no overlay at all.
  if (request.id == kEffect) std::memset(state.current.overlay_path, 0, kOverlayPathSize);
  answer.effects.settings_changed = true;
}

void HandleOverlayPath(const PropertyRequest& request, DriverState& state,
                       PropertyAnswer& answer) {
  StringRecord record;
  std::memcpy(&record, request.data, sizeof(record));
  if (!request.is_set) {
    std::memset(record.text, 0, sizeof(record.text));
    std::memcpy(record.text, state.current.overlay_path, kOverlayPathSize);
    std::memcpy(request.data, &record, sizeof(record));
    answer.returned = sizeof(record);
    answer.call.text = state.current.overlay_path;
    return;
  }
  const void* nul = std::memchr(record.text, '\0', kStringRecordMaxChars + 1);
  if (nul == nullptr) {  // longer than a path the driver can hold
    answer.call.text.assign(record.text, kStringRecordMaxChars);
    answer.status = kStatusInvalidData;
    return;
  }
  answer.call.text = record.text;
  std::memset(state.current.overlay_path, 0, kOverlayPathSize);
  std::memcpy(state.current.overlay_path, record.text, answer.call.text.size());
  answer.effects.settings_changed = true;
}

void HandleZoom(const PropertyRequest& request, DriverState& state, PropertyAnswer& answer) {
  NumericRecord record;
  std::memcpy(&record, request.data, sizeof(record));
  CameraSettings& settings = state.current;
  if (!request.is_set) {
    switch (request.id) {
      case kZoomMax: record.value = state.zoom_maximum; break;
      case kPanXMinus: case kPanXPlus: record.value = settings.pan_x; break;
      case kPanYMinus: case kPanYPlus: record.value = settings.pan_y; break;
      default: record.value = settings.zoom[request.id];
    }
    std::memcpy(request.data, &record, sizeof(record));
    answer.returned = sizeof(record);
    answer.call.value = record.value;
    return;
  }
  answer.call.value = record.value;
  const bool is_pan = request.id == kPanXMinus || request.id == kPanXPlus ||
                      request.id == kPanYMinus || request.id == kPanYPlus;
  // A pan step carries the zoom level; a level the camera cannot have is refused.
  const bool level_outside = record.value < 0 || record.value > UsableZoomMaximum(state);
  if ((is_pan || request.id == kZoomLevel) && level_outside) {
    answer.status = kStatusInvalidData;
    return;
  }
  switch (request.id) {
    case kZoomMax: answer.status = kStatusInvalidArgument; return;  // read only
    case kPanXMinus: settings.pan_x -= kPanStep; break;
    case kPanXPlus: settings.pan_x += kPanStep; break;
    case kPanYMinus: settings.pan_y -= kPanStep; break;
    case kPanYPlus: settings.pan_y += kPanStep; break;
    default:
      if (!ZoomValueAllowed(request.id, record.value)) {
        answer.status = kStatusInvalidData;
        return;
      }
      settings.zoom[request.id] = record.value;
  }
  KeepPanInsideZoom(settings);
  answer.effects.settings_changed = true;
}

void HandleVideoControl(const PropertyRequest& request, DriverState& state,
                        PropertyAnswer& answer) {
  VideoControlModeRecord record;
  std::memcpy(&record, request.data, sizeof(record));
  answer.call.stream_index = static_cast<int32_t>(record.stream_index);
  answer.call.value = static_cast<int32_t>(record.mode);
  if (record.stream_index > 1) {
    answer.status = kStatusInvalidArgument;
    return;
  }
  if (!request.is_set) {
    record.mode = state.video_control_mode[record.stream_index];
    std::memcpy(request.data, &record, sizeof(record));
    answer.returned = sizeof(record);
    answer.call.value = static_cast<int32_t>(record.mode);
    return;
  }
  if (record.mode > 0xF) {  // flip horizontal, flip vertical, external trigger, trigger
    answer.status = kStatusInvalidData;
    return;
  }
  state.video_control_mode[record.stream_index] = record.mode;
  answer.effects.mode_changed = true;
  answer.effects.take_still =
      record.stream_index == 1 && (record.mode & kVideoControlExternalTrigger) != 0;
}

uint32_t RecordSize(CallSet set, uint32_t id) {
  if (set == CallSet::kVideoControl) return sizeof(VideoControlModeRecord);
  if (set == CallSet::kImage && id == kOverlayFile) return sizeof(StringRecord);
  return sizeof(NumericRecord);
}

uint32_t ExpectedFlags(CallSet set, bool is_set) {
  if (set == CallSet::kVideoControl)
    return is_set ? kVideoControlModeFlags : (kVideoControlModeFlags & ~kRecordFlagSet) |
                                                 kRecordFlagGet;
  return is_set ? kRecordFlagSet : kRecordFlagGet;
}

// What the caller sent, for the record, also when the call is refused: read from the
// data buffer (or the instance) when it is long enough.
void RecordWhatWasSent(const PropertyRequest& request, PropertyCall& call) {
  const void* bytes = request.data != nullptr ? request.data : request.instance;
  const uint32_t length = request.data != nullptr ? request.data_length : request.instance_length;
  if (bytes == nullptr) return;
  if (request.set == CallSet::kVideoControl && length >= sizeof(VideoControlModeRecord)) {
    VideoControlModeRecord record;
    std::memcpy(&record, bytes, sizeof(record));
    call.stream_index = static_cast<int32_t>(record.stream_index);
    call.value = static_cast<int32_t>(record.mode);
  } else if (request.set == CallSet::kImage && request.id == kOverlayFile &&
             length >= sizeof(StringRecord)) {
    StringRecord record;
    std::memcpy(&record, bytes, sizeof(record));
    const void* nul = std::memchr(record.text, '\0', kStringRecordMaxChars);
    call.text.assign(record.text, nul ? static_cast<const char*>(nul) - record.text
                                      : kStringRecordMaxChars);
  } else if (length >= sizeof(NumericRecord)) {
    NumericRecord record;
    std::memcpy(&record, bytes, sizeof(record));
    call.value = record.value;
  }
}

}  // namespace

CameraSettings DefaultSettings() {
  CameraSettings settings;
  std::memset(&settings, 0, sizeof(settings));
  int32_t* image = settings.image;
  image[kBrightness] = 63;
  image[kContrast] = 15000;
  image[kGamma] = 5000;
  image[kSaturation] = 10000;
  image[kSharpness] = 10000;
  image[kBandwidthAuto] = 1;
  image[kBandwidth] = 8;
  image[kExposureAuto] = 1;
  image[kExposure] = 1000000;
  image[kWhiteBalanceAuto] = 1;
  image[kRedGain] = 10000;
  image[kBlueGain] = 10000;
  image[kInOutDoor] = 1;
  settings.zoom[kZoomMax] = kZoomMaximum;
  return settings;
}

bool ImageValueAllowed(uint32_t id, int32_t value) {
  if (id >= kImagePropertyCount) return false;
  const std::optional<Range> range = ImageRange(id);
  return !range || (value >= range->low && value <= range->high);
}

bool PropertySupported(CallSet set, uint32_t id) {
  switch (set) {
    case CallSet::kImage: return id < kImagePropertyCount;
    case CallSet::kZoom: return id < kZoomPropertyCount;
    case CallSet::kVideoControl: return id == kVideoControlModeProperty;
    case CallSet::kOther: break;
  }
  return false;
}

std::vector<uint8_t> SerializeSettings(const CameraSettings& settings) {
  std::vector<uint8_t> bytes(sizeof(kSettingsTag) + sizeof(settings));
  std::memcpy(bytes.data(), &kSettingsTag, sizeof(kSettingsTag));
  std::memcpy(bytes.data() + sizeof(kSettingsTag), &settings, sizeof(settings));
  return bytes;
}

std::optional<CameraSettings> DeserializeSettings(const uint8_t* bytes, size_t size) {
  uint32_t tag = 0;
  if (bytes == nullptr || size != sizeof(tag) + sizeof(CameraSettings)) return std::nullopt;
  std::memcpy(&tag, bytes, sizeof(tag));
  if (tag != kSettingsTag) return std::nullopt;
  CameraSettings settings;
  std::memcpy(&settings, bytes + sizeof(tag), sizeof(settings));
  const CameraSettings defaults = DefaultSettings();
  for (uint32_t id = 0; id < kImagePropertyCount; ++id)
    if (!ImageValueAllowed(id, settings.image[id])) settings.image[id] = defaults.image[id];
  for (uint32_t id = 0; id < kZoomPropertyCount; ++id)
    if (!ZoomValueAllowed(id, settings.zoom[id])) settings.zoom[id] = defaults.zoom[id];
  settings.zoom[kZoomMax] = kZoomMaximum;
  KeepPanInsideZoom(settings);
  settings.overlay_path[kOverlayPathSize - 1] = '\0';
  return settings;
}

int32_t UsableZoomMaximum(const DriverState& state) {
  if (state.zoom_maximum <= 0) return kZoomMaximum;
  return state.zoom_maximum > kZoomLevelLimit ? kZoomLevelLimit : state.zoom_maximum;
}

PropertyAnswer RefusePropertyCall(const PropertyRequest& request, int32_t status) {
  PropertyAnswer answer;
  PropertyCall& call = answer.call;
  call.is_set = request.is_set;
  call.set = request.set;
  call.id = request.id;
  call.instance_length = request.instance_length;
  call.data_length = request.data_length;
  call.flags = RecordFlags(request);
  if (request.is_set) RecordWhatWasSent(request, call);
  answer.status = call.status = status;
  return answer;
}

PropertyAnswer HandlePropertyCall(const PropertyRequest& request, DriverState& state) {
  PropertyAnswer answer;
  PropertyCall& call = answer.call;
  call.is_set = request.is_set;
  call.set = request.set;
  call.id = request.id;
  call.instance_length = request.instance_length;
  call.data_length = request.data_length;
  call.flags = RecordFlags(request);
  if (request.is_set) RecordWhatWasSent(request, call);
  if (request.set == CallSet::kOther) {
    answer.status = call.status = kStatusSetUnsupported;
    return answer;
  }
  if (!PropertySupported(request.set, request.id)) {
    answer.status = call.status = kStatusIdUnsupported;
    return answer;
  }
  if (!RecordUsable(request, RecordSize(request.set, request.id)) ||
      call.flags != ExpectedFlags(request.set, request.is_set)) {
    answer.status = call.status = kStatusInvalidArgument;
    return answer;
  }
  if (request.set == CallSet::kVideoControl)
    HandleVideoControl(request, state, answer);
  else if (request.set == CallSet::kZoom)
    HandleZoom(request, state, answer);
  else if (request.id == kOverlayFile)
    HandleOverlayPath(request, state, answer);
  else
    HandleImageNumeric(request, state, answer);
  call.status = answer.status;
  return answer;
}

}  // namespace kvo::simcam
