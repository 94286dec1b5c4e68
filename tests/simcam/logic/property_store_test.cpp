// The simulated driver's property sets: ranges, record checks, commands, zoom and pan,
// the video-control mode and the registry form of the settings.
#include "property_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver_records.h"

namespace kvo::simcam {
namespace {

struct Call {
  DriverState state;

  PropertyAnswer Numeric(bool is_set, CallSet set, uint32_t id, int32_t value,
                         uint32_t flags = 0, uint32_t length = sizeof(NumericRecord)) {
    NumericRecord record = {};
    record.head.flags = flags != 0 ? flags : (is_set ? kRecordFlagSet : kRecordFlagGet);
    record.value = value;
    PropertyRequest request;
    request.is_set = is_set;
    request.set = set;
    request.id = id;
    request.instance = &record;
    request.instance_length = length;
    request.data = &record;
    request.data_length = length;
    PropertyAnswer answer = HandlePropertyCall(request, state);
    last_value = record.value;
    return answer;
  }
  int32_t Get(CallSet set, uint32_t id) {
    EXPECT_EQ(kStatusOk, Numeric(false, set, id, 0).status) << "get of " << id;
    return last_value;
  }
  int32_t last_value = 0;
};

TEST(PropertyStoreTest, RangesOfThePropertyWindowAcceptTheirEndsAndRefuseBeyond) {
  const struct {
    uint32_t id;
    int32_t low, high;
  } kRanges[] = {{0, 0, 1},           {1, 0, 1},          {2, 0, 126},        {3, 10000, 20000},
                 {4, 0, 10000},       {5, 0, 3600000},    {6, 0, 29900},      {7, 0, 79900},
                 {9, 0, 1},           {10, 1, 8},         {12, 400000, 2000000},
                 {14, 5000, 19900},   {15, 5000, 19900},  {17, 0, 1},         {18, 0, 1},
                 {20, 0, 1},          {24, 0, 1},         {30, 0, 1},         {33, 0, 255}};
  for (const auto& range : kRanges) {
    Call call;
    const int32_t before = call.Get(CallSet::kImage, range.id);
    EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kImage, range.id, range.low - 1).status)
        << "id " << range.id;
    EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kImage, range.id, range.high + 1).status)
        << "id " << range.id;
    EXPECT_EQ(before, call.Get(CallSet::kImage, range.id)) << "refused sets change nothing";
    for (int32_t value : {range.low, range.high}) {
      const PropertyAnswer answer = call.Numeric(true, CallSet::kImage, range.id, value);
      EXPECT_EQ(kStatusOk, answer.status) << "id " << range.id << " value " << value;
      EXPECT_TRUE(answer.effects.settings_changed);
      EXPECT_EQ(value, call.Get(CallSet::kImage, range.id));
    }
  }
  Call call;
  EXPECT_EQ(kStatusOk, call.Numeric(true, CallSet::kImage, 8, -12345).status)
      << "an id without a meaning takes any value";
  EXPECT_EQ(-12345, call.Get(CallSet::kImage, 8));
}

TEST(PropertyStoreTest, MalformedRecordsAreRefusedWithoutTouchingTheState) {
  Call call;
  EXPECT_EQ(kStatusInvalidArgument, call.Numeric(true, CallSet::kImage, 2, 90, 0, 39).status);
  EXPECT_EQ(kStatusInvalidArgument,
            call.Numeric(true, CallSet::kImage, 2, 90, kRecordFlagGet).status);
  EXPECT_EQ(kStatusInvalidArgument,
            call.Numeric(false, CallSet::kImage, 2, 0, kRecordFlagSet).status);
  EXPECT_EQ(kStatusIdUnsupported, call.Numeric(true, CallSet::kImage, 39, 0).status);
  EXPECT_EQ(kStatusIdUnsupported, call.Numeric(false, CallSet::kZoom, 13, 0).status);
  EXPECT_EQ(kStatusSetUnsupported, call.Numeric(true, CallSet::kOther, 2, 0).status);
  EXPECT_EQ(kStatusIdUnsupported, call.Numeric(true, CallSet::kVideoControl, 2, 0).status);

  NumericRecord record = {};
  record.head.flags = kRecordFlagSet;
  PropertyRequest no_data;
  no_data.is_set = true;
  no_data.set = CallSet::kImage;
  no_data.id = 2;
  no_data.instance = &record;
  no_data.instance_length = sizeof(record);
  const PropertyAnswer answer = HandlePropertyCall(no_data, call.state);
  EXPECT_EQ(kStatusInvalidArgument, answer.status);
  EXPECT_EQ(0u, answer.call.data_length);
  EXPECT_EQ(63, call.Get(CallSet::kImage, 2));
}

TEST(PropertyStoreTest, RefusedCallsStillRecordWhatWasSent) {
  Call call;
  const PropertyAnswer answer = call.Numeric(true, CallSet::kImage, 2, 500);
  EXPECT_EQ(500, answer.call.value);
  EXPECT_EQ(kStatusInvalidData, answer.call.status);
  EXPECT_EQ(kRecordFlagSet, answer.call.flags);
  EXPECT_EQ(40u, answer.call.instance_length);
  const PropertyAnswer flags = call.Numeric(true, CallSet::kImage, 2, 7, kRecordFlagGet);
  EXPECT_EQ(7, flags.call.value);
  EXPECT_EQ(kRecordFlagGet, flags.call.flags);
}

TEST(PropertyStoreTest, DefaultsSaveAndRestoreActOnTheWholeState) {
  Call call;
  call.Numeric(true, CallSet::kImage, 2, 10);
  EXPECT_EQ(kStatusOk, call.Numeric(true, CallSet::kImage, kRestore, 0).status);
  EXPECT_EQ(63, call.Get(CallSet::kImage, 2)) << "restore without a saved set: defaults";
  call.Numeric(true, CallSet::kImage, 2, 10);
  const PropertyAnswer save = call.Numeric(true, CallSet::kImage, kSave, 0);
  EXPECT_TRUE(save.effects.saved_changed);
  EXPECT_FALSE(save.effects.settings_changed);
  call.Numeric(true, CallSet::kImage, 2, 20);
  call.Numeric(true, CallSet::kImage, kDefaults, 0);
  EXPECT_EQ(63, call.Get(CallSet::kImage, 2));
  call.Numeric(true, CallSet::kImage, kRestore, 0);
  EXPECT_EQ(10, call.Get(CallSet::kImage, 2));
}

TEST(PropertyStoreTest, ZoomLevelBoundsAndPanStaysInsideTheZoomWindow) {
  Call call;
  EXPECT_EQ(64, call.Get(CallSet::kZoom, kZoomMax));
  EXPECT_EQ(kStatusInvalidArgument, call.Numeric(true, CallSet::kZoom, kZoomMax, 10).status);
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kZoomLevel, 65).status);
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kZoomEnable, 2).status);
  call.Numeric(true, CallSet::kZoom, kPanXPlus, 0);
  EXPECT_EQ(0, call.state.current.pan_x) << "no zoom: nowhere to pan";
  call.Numeric(true, CallSet::kZoom, kZoomLevel, 10);
  for (int i = 0; i < 5; ++i) call.Numeric(true, CallSet::kZoom, kPanXPlus, 10);
  EXPECT_EQ(10, call.state.current.pan_x) << "clamped to the level";
  call.Numeric(true, CallSet::kZoom, kPanYMinus, 10);
  EXPECT_EQ(-kPanStep, call.state.current.pan_y);
  EXPECT_EQ(10, call.Get(CallSet::kZoom, kPanXMinus)) << "pan ids read the position";
  call.Numeric(true, CallSet::kZoom, kZoomLevel, 2);
  EXPECT_EQ(2, call.state.current.pan_x) << "a smaller level pulls the pan in";
  EXPECT_EQ(-2, call.state.current.pan_y);
}

TEST(PropertyStoreTest, ZoomMaximumIsWhatTheCameraReportsAndPanStepsCarryALevel) {
  Call call;
  call.state.zoom_maximum = 0;
  EXPECT_EQ(0, call.Get(CallSet::kZoom, kZoomMax)) << "reported as it is";
  EXPECT_EQ(kStatusOk, call.Numeric(true, CallSet::kZoom, kZoomLevel, 64).status)
      << "a camera reporting 0 zooms to 64";
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kZoomLevel, 65).status);
  call.state.zoom_maximum = 100;
  EXPECT_EQ(100, call.Get(CallSet::kZoom, kZoomMax));
  EXPECT_EQ(kStatusOk, call.Numeric(true, CallSet::kZoom, kZoomLevel, 100).status);
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kZoomLevel, 101).status);
  EXPECT_EQ(100, call.state.current.zoom[kZoomLevel]);
  // One step per call, whatever level the call carries; a level the camera cannot have is
  // refused and moves nothing.
  EXPECT_EQ(kStatusOk, call.Numeric(true, CallSet::kZoom, kPanXPlus, 100).status);
  EXPECT_EQ(kPanStep, call.state.current.pan_x);
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kPanXPlus, 101).status);
  EXPECT_EQ(kStatusInvalidData, call.Numeric(true, CallSet::kZoom, kPanYMinus, -1).status);
  EXPECT_EQ(kPanStep, call.state.current.pan_x);
  EXPECT_EQ(0, call.state.current.pan_y);
  call.state.zoom_maximum = 500;
  EXPECT_EQ(kZoomLevelLimit, UsableZoomMaximum(call.state)) << "never 128 or more";
}

TEST(PropertyStoreTest, AnEffectSetEndsTheBannerAndARemovedDeviceServesNothing) {
  DriverState state;
  std::strcpy(state.current.overlay_path, "C:\\zoomtmp.bmp");
  NumericRecord record = {};
  record.head.flags = kRecordFlagSet;
  record.value = 256;  // beyond a byte: refused, the banner stays
  PropertyRequest request;
  request.is_set = true;
  request.set = CallSet::kImage;
  request.id = kEffect;
  request.instance = request.data = &record;
  request.instance_length = request.data_length = sizeof(record);
  EXPECT_EQ(kStatusInvalidData, HandlePropertyCall(request, state).status);
  EXPECT_STREQ("C:\\zoomtmp.bmp", state.current.overlay_path);
  record.value = 17;
  EXPECT_EQ(kStatusOk, HandlePropertyCall(request, state).status);
  EXPECT_STREQ("", state.current.overlay_path) << "the frame replaces the banner";
  EXPECT_EQ(17, state.current.image[kEffect]);

  record.value = 5;
  const PropertyAnswer refused = RefusePropertyCall(request, kStatusDeviceRemoved);
  EXPECT_EQ(kStatusDeviceRemoved, refused.status);
  EXPECT_EQ(kStatusDeviceRemoved, refused.call.status);
  EXPECT_EQ(5, refused.call.value) << "the record shows what was sent";
  EXPECT_EQ(0u, refused.returned);
  EXPECT_FALSE(refused.effects.settings_changed);
}

TEST(PropertyStoreTest, OverlayPathTakesTheStringRecord) {
  DriverState state;
  StringRecord record = {};
  record.head.flags = kRecordFlagSet;
  const std::string longest(kStringRecordMaxChars, 'p');
  std::memcpy(record.text, longest.c_str(), longest.size() + 1);
  PropertyRequest request;
  request.is_set = true;
  request.set = CallSet::kImage;
  request.id = kOverlayFile;
  request.instance = request.data = &record;
  request.instance_length = request.data_length = sizeof(record);
  EXPECT_EQ(kStatusOk, HandlePropertyCall(request, state).status);
  EXPECT_EQ(longest, state.current.overlay_path);

  std::memset(record.text, 'q', sizeof(record.text));
  const PropertyAnswer unterminated = HandlePropertyCall(request, state);
  EXPECT_EQ(kStatusInvalidData, unterminated.status);
  EXPECT_EQ(std::string(kStringRecordMaxChars, 'q'), unterminated.call.text);
  EXPECT_EQ(longest, state.current.overlay_path) << "kept";

  StringRecord answer = {};
  answer.head.flags = kRecordFlagGet;
  request.is_set = false;
  request.instance = request.data = &answer;
  const PropertyAnswer got = HandlePropertyCall(request, state);
  EXPECT_EQ(kStatusOk, got.status);
  EXPECT_EQ(sizeof(StringRecord), got.returned);
  EXPECT_EQ(longest, std::string(answer.text));

  request.instance_length = request.data_length = sizeof(NumericRecord);
  EXPECT_EQ(kStatusInvalidArgument, HandlePropertyCall(request, state).status);
}

PropertyAnswer Mode(DriverState& state, uint32_t stream, uint32_t mode, bool is_set = true,
                    uint32_t flags = kVideoControlModeFlags, VideoControlModeRecord* out = nullptr) {
  VideoControlModeRecord record = {};
  record.head.flags = flags;
  record.stream_index = stream;
  record.mode = mode;
  PropertyRequest request;
  request.is_set = is_set;
  request.set = CallSet::kVideoControl;
  request.id = kVideoControlModeProperty;
  request.instance = request.data = &record;
  request.instance_length = request.data_length = sizeof(record);
  PropertyAnswer answer = HandlePropertyCall(request, state);
  if (out != nullptr) *out = record;
  return answer;
}

TEST(PropertyStoreTest, ExternalTriggerOnStreamOneAsksForAStill) {
  DriverState state;
  PropertyAnswer first = Mode(state, 0, kVideoControlExternalTrigger);
  EXPECT_EQ(kStatusOk, first.status);
  EXPECT_TRUE(first.effects.mode_changed);
  EXPECT_FALSE(first.effects.take_still);
  PropertyAnswer second = Mode(state, 1, kVideoControlExternalTrigger);
  EXPECT_TRUE(second.effects.take_still);
  EXPECT_EQ(1, second.call.stream_index);
  EXPECT_EQ(4, second.call.value);
  EXPECT_EQ(kStatusInvalidArgument, Mode(state, 2, 4).status);
  EXPECT_EQ(kStatusInvalidData, Mode(state, 1, 16).status);
  EXPECT_EQ(kStatusInvalidArgument, Mode(state, 1, 4, true, kRecordFlagSet).status);
  VideoControlModeRecord read = {};
  EXPECT_EQ(kStatusOk, Mode(state, 1, 0, false, 0x201, &read).status);
  EXPECT_EQ(4u, read.mode);
}

TEST(PropertyStoreTest, RegistryFormRoundTripsAndIsRepairedOrRefused) {
  CameraSettings settings = DefaultSettings();
  settings.image[kBrightness] = 99;
  settings.zoom[kZoomLevel] = 20;
  settings.pan_x = -20;
  std::strcpy(settings.overlay_path, "C:\\zoomtmp.bmp");
  std::vector<uint8_t> bytes = SerializeSettings(settings);
  auto back = DeserializeSettings(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(0, std::memcmp(&settings, &*back, sizeof(settings)));

  EXPECT_FALSE(DeserializeSettings(bytes.data(), bytes.size() - 1));
  EXPECT_FALSE(DeserializeSettings(nullptr, bytes.size()));
  std::vector<uint8_t> wrong_tag = bytes;
  wrong_tag[0] ^= 0xFF;
  EXPECT_FALSE(DeserializeSettings(wrong_tag.data(), wrong_tag.size()));

  CameraSettings damaged = settings;
  damaged.image[kBrightness] = 5000;
  damaged.zoom[kZoomLevel] = 1000;
  damaged.pan_x = 9999;
  std::memset(damaged.overlay_path, 'x', sizeof(damaged.overlay_path));
  bytes = SerializeSettings(damaged);
  back = DeserializeSettings(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(63, back->image[kBrightness]);
  EXPECT_EQ(0, back->zoom[kZoomLevel]);
  EXPECT_EQ(0, back->pan_x);
  EXPECT_EQ(kOverlayPathSize - 1, std::strlen(back->overlay_path));
}

}  // namespace
}  // namespace kvo::simcam
