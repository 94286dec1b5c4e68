// The simulated camera's driver side through the interfaces the suite uses: the device
// enumerator, IKsPropertySet on the bound filter, the driver key and the still files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "driver_records.h"
#include "driver_state.h"
#include "e2e.h"
#include "graph_rig.h"
#include "picture.h"
#include "simcam_control.h"
#include "snapshot_file.h"
#include "unique_resource.h"

namespace kvo::simcam {
namespace {

using Microsoft::WRL::ComPtr;

const GUID kImageSet = {0xD80AF729, 0x7C23, 0x4E10, {0xBC, 0x5F, 0x1D, 0x8C, 0x15, 0x7F, 0x96, 0xE3}};
const GUID kZoomSet = {0xE02A32D0, 0xD2FC, 0x4628, {0xA1, 0xDD, 0xDE, 0x07, 0x9B, 0x11, 0xDF, 0xE2}};
const GUID kVideoControlSet = {0x6A2E0670, 0x28E4, 0x11D0,
                               {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool Listed(const char* instance) {
  for (const auto& device : rig::ListVideoDevices())
    if (device.display_name.find(instance) != std::string::npos) return true;
  return false;
}

class SimCamDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    ASSERT_TRUE(ResetCamera());
    HRESULT hr = rig::BindCamera(kProductString, &camera_);
    ASSERT_EQ(S_OK, hr) << Hex(hr);
    ASSERT_EQ(S_OK, hr = camera_.As(&properties_)) << Hex(hr);
  }
  void TearDown() override {
    properties_.Reset();
    camera_.Reset();
    SetSecondDevice(true);  // as the prepared prefix has it
    ResetCamera();
  }

  HRESULT SetNumeric(const GUID& set, DWORD id, int32_t value, uint32_t flags = kRecordFlagSet,
                     DWORD length = sizeof(NumericRecord)) {
    NumericRecord record = {};
    record.head.flags = flags;
    record.value = value;
    return properties_->Set(set, id, &record, length, &record, length);
  }
  HRESULT GetNumeric(const GUID& set, DWORD id, int32_t* value) {
    NumericRecord record = {};
    record.head.flags = kRecordFlagGet;
    DWORD returned = 0;
    const HRESULT hr =
        properties_->Get(set, id, &record, sizeof(record), &record, sizeof(record), &returned);
    *value = record.value;
    return hr;
  }
  HRESULT SetMode(uint32_t stream, uint32_t mode) {
    VideoControlModeRecord record = {};
    record.head.flags = kVideoControlModeFlags;
    record.stream_index = stream;
    record.mode = mode;
    return properties_->Set(kVideoControlSet, kVideoControlModeProperty, &record, sizeof(record),
                            &record, sizeof(record));
  }
  std::optional<DWORD> SnapShotState() {
    const auto value = test::ReadValue(HKEY_LOCAL_MACHINE, InstanceKeyPath(), "SnapShotState");
    return value ? value->AsDword() : std::nullopt;
  }
  DecodedSnapshot ReadStill() {
    const auto name =
        test::ReadValue(HKEY_LOCAL_MACHINE, InstanceKeyPath(), "SnapShotFileName");
    if (!name) return DecodedSnapshot();
    const auto bytes = test::ReadFileBytes("C:\\" + name->AsText());
    if (!bytes) return DecodedSnapshot();
    return DecodeSnapshotFile(bytes->data(), bytes->size());
  }

  ComApartment apartment_;
  ComPtr<IBaseFilter> camera_;
  ComPtr<IKsPropertySet> properties_;
};

TEST_F(SimCamDriverTest, EnumeratorListsTheDevicesAndNotWhileSwitchedOff) {
  bool named = false;
  for (const auto& device : rig::ListVideoDevices())
    if (device.display_name.find("usb#vid_feed&pid_cafe#simcam0001") != std::string::npos)
      named = device.friendly_name == "Simulated USB Camera";
  EXPECT_TRUE(named) << "display name with the instance, friendly name as registered";
  ASSERT_TRUE(SetSecondDevice(false));
  EXPECT_FALSE(Listed("pid_beef"));
  ASSERT_TRUE(SetSecondDevice(true));
  EXPECT_TRUE(Listed("usb#vid_feed&pid_beef#simcam0002"));
  camera_.Reset();
  properties_.Reset();
  ASSERT_TRUE(SetPowered(false));
  EXPECT_FALSE(Listed("vid_feed&pid_cafe")) << "switched off: not in the category";
  EXPECT_TRUE(Listed("vid_feed&pid_beef")) << "the second camera is not switched";
  EXPECT_FALSE(IsPowered());
  ASSERT_TRUE(SetPowered(true));
  EXPECT_TRUE(Listed("vid_feed&pid_cafe"));
  // PoweredOn written directly, registration left in place: the device does not bind.
  ASSERT_TRUE(test::WriteDword(HKEY_LOCAL_MACHINE, kSimCamKeyPath, kPoweredOnValue, 0));
  ComPtr<IBaseFilter> stale;
  EXPECT_NE(S_OK, rig::BindCamera(kProductString, &stale));
  EXPECT_EQ(nullptr, stale.Get());
}

TEST_F(SimCamDriverTest, DriverKeyNamesTheInstanceKeyInKernelForm) {
  const auto index = test::ReadValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue);
  ASSERT_TRUE(index && index->AsDword());
  char name[16];
  std::snprintf(name, sizeof(name), "ii%04d", static_cast<int>(*index->AsDword()));
  const auto path = test::ReadValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, name);
  ASSERT_TRUE(path);
  const std::string text = path->AsText();
  ASSERT_GT(text.size(), kKernelMachinePrefixLength);
  EXPECT_EQ(kKernelMachinePrefix, text.substr(0, kKernelMachinePrefixLength));
  UniqueHKey instance;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                         text.substr(kKernelMachinePrefixLength).c_str(), 0,
                                         KEY_ALL_ACCESS, instance.put()));
}

TEST_F(SimCamDriverTest, PropertiesRoundTripAndTheRecordShowsWhatWasSent) {
  int32_t value = 0;
  EXPECT_EQ(S_OK, GetNumeric(kImageSet, 2, &value));
  EXPECT_EQ(63, value) << "default brightness";
  EXPECT_EQ(S_OK, SetNumeric(kImageSet, 2, 100));
  EXPECT_EQ(S_OK, GetNumeric(kImageSet, 2, &value));
  EXPECT_EQ(100, value);
  EXPECT_EQ(S_OK, SetNumeric(kZoomSet, 8, 32));
  EXPECT_EQ(S_OK, GetNumeric(kZoomSet, 8, &value));
  EXPECT_EQ(32, value);
  EXPECT_EQ(S_OK, GetNumeric(kZoomSet, 9, &value));
  EXPECT_EQ(64, value) << "zoom maximum";

  StringRecord path = {};
  path.head.flags = kRecordFlagSet;
  std::strcpy(path.text, "C:\\zoomtmp.bmp");
  EXPECT_EQ(S_OK, properties_->Set(kImageSet, 34, &path, sizeof(path), &path, sizeof(path)));
  StringRecord answer = {};
  answer.head.flags = kRecordFlagGet;
  DWORD returned = 0;
  EXPECT_EQ(S_OK, properties_->Get(kImageSet, 34, &answer, sizeof(answer), &answer,
                                   sizeof(answer), &returned));
  EXPECT_STREQ("C:\\zoomtmp.bmp", answer.text);
  EXPECT_EQ(sizeof(StringRecord), returned);

  // A second filter (another handle on the same camera) sees the same settings.
  ComPtr<IBaseFilter> other;
  ASSERT_EQ(S_OK, rig::BindCamera(kProductString, &other));
  ComPtr<IKsPropertySet> other_properties;
  ASSERT_EQ(S_OK, other.As(&other_properties));
  NumericRecord record = {};
  record.head.flags = kRecordFlagGet;
  EXPECT_EQ(S_OK, other_properties->Get(kImageSet, 2, &record, sizeof(record), &record,
                                        sizeof(record), &returned));
  EXPECT_EQ(100, record.value);

  const std::vector<PropertyCall> calls = ReadPropertyCalls();
  ASSERT_EQ(9u, calls.size());
  EXPECT_TRUE(calls[1].is_set);
  EXPECT_EQ(CallSet::kImage, calls[1].set);
  EXPECT_EQ(2u, calls[1].id);
  EXPECT_EQ(kRecordFlagSet, calls[1].flags);
  EXPECT_EQ(40u, calls[1].instance_length);
  EXPECT_EQ(40u, calls[1].data_length);
  EXPECT_EQ(100, calls[1].value);
  EXPECT_EQ(0, calls[1].status);
  EXPECT_FALSE(calls[2].is_set);
  EXPECT_EQ(100, calls[2].value) << "a get records the value answered";
  EXPECT_EQ(CallSet::kZoom, calls[3].set);
  EXPECT_EQ(8u, calls[3].id);
  EXPECT_EQ("C:\\zoomtmp.bmp", calls[6].text);
  EXPECT_EQ(288u, calls[6].data_length);
  EXPECT_TRUE(ClearPropertyCalls());
  EXPECT_TRUE(ReadPropertyCalls().empty());
}

TEST_F(SimCamDriverTest, MalformedCallsAreRefusedAndRecorded) {
  NumericRecord record = {};
  record.head.flags = kRecordFlagSet;
  record.value = 90;
  EXPECT_NE(S_OK, SetNumeric(kImageSet, 2, 90, kRecordFlagSet, 39)) << "short record";
  EXPECT_NE(S_OK, SetNumeric(kImageSet, 2, 90, kRecordFlagGet)) << "get flags on a set";
  EXPECT_NE(S_OK, properties_->Set(kImageSet, 2, &record, sizeof(record), nullptr, 0));
  EXPECT_NE(S_OK, SetNumeric(kImageSet, 2, 127)) << "brightness beyond 126";
  EXPECT_NE(S_OK, SetNumeric(kImageSet, 39, 1)) << "id beyond the set";
  EXPECT_NE(S_OK, SetNumeric(kZoomSet, 9, 10)) << "zoom maximum is read only";
  EXPECT_NE(S_OK, SetNumeric(kZoomSet, 8, 65)) << "zoom beyond the maximum";
  EXPECT_NE(S_OK, SetNumeric(IID_IUnknown, 2, 90)) << "unknown property set";
  NumericRecord short_string = {};
  short_string.head.flags = kRecordFlagSet;
  EXPECT_NE(S_OK, properties_->Set(kImageSet, 34, &short_string, sizeof(short_string),
                                   &short_string, sizeof(short_string)))
      << "id 34 needs the string record";
  StringRecord unterminated;
  std::memset(&unterminated, 'a', sizeof(unterminated));
  std::memset(&unterminated.head, 0, sizeof(unterminated.head));
  unterminated.head.flags = kRecordFlagSet;
  EXPECT_NE(S_OK, properties_->Set(kImageSet, 34, &unterminated, sizeof(unterminated),
                                   &unterminated, sizeof(unterminated)))
      << "a path of 264 characters without NUL";
  VideoControlModeRecord mode = {};
  mode.head.flags = kRecordFlagSet;  // not 0x202
  mode.stream_index = 1;
  mode.mode = 4;
  EXPECT_NE(S_OK, properties_->Set(kVideoControlSet, 3, &mode, sizeof(mode), &mode, sizeof(mode)));
  EXPECT_NE(S_OK, SetMode(2, 4)) << "stream index beyond 1";
  EXPECT_FALSE(TriggerModeSet());

  int32_t value = 0;
  EXPECT_EQ(S_OK, GetNumeric(kImageSet, 2, &value));
  EXPECT_EQ(63, value) << "nothing malformed changed the brightness";
  const std::vector<PropertyCall> calls = ReadPropertyCalls();
  ASSERT_EQ(13u, calls.size());
  for (size_t i = 0; i + 1 < calls.size(); ++i)
    EXPECT_NE(0, calls[i].status) << "call " << i << " recorded as refused";
  EXPECT_EQ(39u, calls[0].instance_length);
  EXPECT_EQ(kRecordFlagGet, calls[1].flags);
  EXPECT_EQ(0u, calls[2].data_length);
  EXPECT_EQ(127, calls[3].value);
  EXPECT_EQ(CallSet::kOther, calls[7].set);
  EXPECT_EQ(CallSet::kVideoControl, calls[10].set);
  EXPECT_EQ(1, calls[10].stream_index);
}

TEST_F(SimCamDriverTest, DefaultsSaveAndRestoreSurviveTheFilter) {
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 2, 10));
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 26, 0)) << "save";
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 2, 20));
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 25, 0)) << "defaults";
  int32_t value = 0;
  ASSERT_EQ(S_OK, GetNumeric(kImageSet, 2, &value));
  EXPECT_EQ(63, value);
  // Every filter of this process goes; the saved settings stay with the camera.
  properties_.Reset();
  camera_.Reset();
  ASSERT_EQ(0, LiveObjects());
  ASSERT_EQ(S_OK, rig::BindCamera(kProductString, &camera_));
  ASSERT_EQ(S_OK, camera_.As(&properties_));
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 27, 0)) << "restore";
  ASSERT_EQ(S_OK, GetNumeric(kImageSet, 2, &value));
  EXPECT_EQ(10, value);
}

TEST_F(SimCamDriverTest, TriggerModeTakesStillsThatMatchThePicture) {
  ASSERT_EQ(S_OK, SetMode(0, 4));
  EXPECT_FALSE(SnapShotState()) << "stream 0 only sets the mode";
  EXPECT_TRUE(TriggerModeSet());
  ASSERT_EQ(S_OK, SetMode(1, 4)) << "stream 1: a still at once";
  EXPECT_EQ(3u, SnapShotState().value_or(0));
  DecodedSnapshot still = ReadStill();
  ASSERT_EQ(640, still.width) << "default size: the current format";
  ASSERT_EQ(480, still.height);
  EXPECT_FALSE(still.planar);
  std::vector<uint8_t> expected(640 * 480 * 3);
  RenderPicture(LoadCurrentSettings(), OverlayImage(),
                PictureClock{still.stamp.frame_number, still.stamp.seconds_of_day}, 640, 480,
                expected.data(), 640 * 3);
  EXPECT_TRUE(expected == still.bottom_up) << "packed still: the picture, byte for byte";

  // The button, planar, at a set size, mirrored.
  ASSERT_TRUE(test::WriteDword(HKEY_LOCAL_MACHINE, InstanceKeyPath(), "SnapShotState", 2));
  ASSERT_TRUE(SetStillFormat(StillFormat::kPlanar));
  ASSERT_TRUE(SetStillSize(320, 240));
  ASSERT_EQ(S_OK, SetNumeric(kImageSet, 0, 1));
  ASSERT_TRUE(PressButton());
  EXPECT_EQ(3u, SnapShotState().value_or(0));
  still = ReadStill();
  ASSERT_EQ(320, still.width);
  ASSERT_EQ(240, still.height);
  EXPECT_TRUE(still.planar);
  expected.assign(320 * 240 * 3, 0);
  RenderPicture(LoadCurrentSettings(), OverlayImage(),
                PictureClock{still.stamp.frame_number, still.stamp.seconds_of_day}, 320, 240,
                expected.data(), 320 * 3);
  long total = 0;
  for (size_t i = 0; i < expected.size(); ++i) total += std::abs(expected[i] - still.bottom_up[i]);
  EXPECT_LT(static_cast<double>(total) / expected.size(), 6.0) << "planar still: close to the picture";
  // Mirrored: the rightmost bar (near black) is on the left, read back through the planes.
  const uint8_t* middle_left = &still.bottom_up[(120 * 320 + 8) * 3];
  EXPECT_LT(middle_left[0] + middle_left[1] + middle_left[2], 90);
}

TEST_F(SimCamDriverTest, ButtonWithoutTriggerModeTakesNothing) {
  EXPECT_FALSE(PressButton());
  EXPECT_FALSE(SnapShotState());
  ASSERT_EQ(S_OK, SetMode(0, 0));
  EXPECT_FALSE(PressButton());
}

TEST_F(SimCamDriverTest, SwitchOffLeavesEveryEarlierHandleStaleForGood) {
  const HRESULT removed = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
  ASSERT_EQ(S_OK, SetMode(0, 4));
  ASSERT_TRUE(TriggerModeSet());
  ASSERT_TRUE(ClearPropertyCalls());
  ASSERT_TRUE(SetPowered(false));
  EXPECT_FALSE(TriggerModeSet()) << "the trigger does not survive a switch-off";
  EXPECT_FALSE(PressButton()) << "the button of a switched-off camera";
  int32_t value = 77;
  HRESULT hr = GetNumeric(kImageSet, 2, &value);
  EXPECT_EQ(removed, hr) << Hex(hr);
  EXPECT_EQ(removed, hr = SetNumeric(kImageSet, 2, 10)) << Hex(hr);
  EXPECT_EQ(removed, hr = SetMode(1, 4)) << "no still can be asked for: " << Hex(hr);
  EXPECT_FALSE(SnapShotState());
  const auto calls = ReadPropertyCalls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(static_cast<int32_t>(removed), calls[1].status);
  EXPECT_EQ(10, calls[1].value) << "the record still shows what was sent";

  ASSERT_TRUE(SetPowered(true));
  EXPECT_EQ(removed, hr = GetNumeric(kImageSet, 2, &value)) << "still stale: " << Hex(hr);
  EXPECT_EQ(removed, hr = SetNumeric(kZoomSet, 8, 4)) << Hex(hr);
  EXPECT_FALSE(PressButton()) << "the trigger has to be set again";
  ComPtr<IBaseFilter> fresh;
  ASSERT_EQ(S_OK, hr = rig::BindCamera(kProductString, &fresh)) << Hex(hr);
  ASSERT_EQ(S_OK, hr = fresh.As(&properties_)) << Hex(hr);
  EXPECT_EQ(S_OK, hr = GetNumeric(kImageSet, 2, &value)) << "a new binding works: " << Hex(hr);
  EXPECT_EQ(63, value) << "the settings stayed";
  VideoControlModeRecord mode = {};
  mode.head.flags = 0x201;
  DWORD returned = 0;
  EXPECT_EQ(S_OK, properties_->Get(kVideoControlSet, kVideoControlModeProperty, &mode,
                                   sizeof(mode), &mode, sizeof(mode), &returned));
  EXPECT_EQ(0u, mode.mode) << "the mode was cleared";
}

TEST_F(SimCamDriverTest, ZoomMaximumFollowsSimctlAndBoundsTheLevel) {
  int32_t value = 0;
  ASSERT_EQ(S_OK, GetNumeric(kZoomSet, 9, &value));
  EXPECT_EQ(64, value);
  ASSERT_EQ(0u, test::RunProgram("simctl.exe", "set zoom-max 0", 30000).value_or(99));
  ASSERT_EQ(S_OK, GetNumeric(kZoomSet, 9, &value));
  EXPECT_EQ(0, value) << "the camera reports 0";
  HRESULT hr = SetNumeric(kZoomSet, 8, 64);
  EXPECT_EQ(S_OK, hr) << "and zooms to 64 all the same: " << Hex(hr);
  EXPECT_EQ(E_INVALIDARG, hr = SetNumeric(kZoomSet, 9, 64)) << "read only: " << Hex(hr);
  ASSERT_EQ(0u, test::RunProgram("simctl.exe", "set zoom-max 100", 30000).value_or(99));
  EXPECT_EQ(S_OK, hr = SetNumeric(kZoomSet, 8, 100)) << Hex(hr);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), hr = SetNumeric(kZoomSet, 8, 101)) << Hex(hr);
  EXPECT_EQ(2u, test::RunProgram("simctl.exe", "set zoom-max 128", 30000).value_or(99));
  ASSERT_EQ(S_OK, GetNumeric(kZoomSet, 9, &value));
  EXPECT_EQ(100, value) << "a refused command changes nothing";
}

TEST_F(SimCamDriverTest, ReleasesAfterTheThreadEndedComAreCounted) {
  EXPECT_EQ(0u, ReleasesOutsideApartment());
  // The fixture's own filter, released on its thread while the apartment lasts: not counted.
  properties_.Reset();
  camera_.Reset();
  EXPECT_EQ(0u, ReleasesOutsideApartment());

  // A thread that binds the camera in its apartment, ends the apartment and only then lets
  // go: the final release and the one of its second reference are counted.
  HRESULT bound = E_FAIL;
  std::thread([&bound] {
    ComPtr<IBaseFilter> filter;
    ComPtr<IKsPropertySet> properties;
    {
      ComApartment apartment;
      bound = rig::BindCamera(kProductString, &filter);
      if (SUCCEEDED(bound)) bound = filter.As(&properties);
    }
  }).join();
  ASSERT_EQ(S_OK, bound) << Hex(bound);
  EXPECT_EQ(2u, ReleasesOutsideApartment());
  EXPECT_EQ(0, LiveObjects());
  EXPECT_NE(std::string::npos, DescribeState().find("releases outside an apartment: 2"))
      << DescribeState();
  ASSERT_TRUE(ResetCamera());
  EXPECT_EQ(0u, ReleasesOutsideApartment()) << "a reset clears the count";
}

}  // namespace
}  // namespace kvo::simcam
