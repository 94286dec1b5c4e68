// kvocmdll.dll through its exported symbols, as the tray companion loads it by name, and
// through its import library, against the simulated camera simcam.dll.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "driver_key_fixture.h"
#include "e2e.h"
#include "kvocmdll.h"
#include "planar_reference.h"
#include "registration.h"
#include "simcam_control.h"
#include "test_bitmap.h"

namespace kvo {
namespace {

using simcam::CallSet;
using simcam::PropertyCall;

const char* const kExportNames[] = {"@CM_Open$qppv", "@CM_Close$qpv", "@CM_GetCapabilities$qul",
                                    "@CM_GetProperties$qpvult1", "@CM_SetProperties$qpvult1"};

using OpenFn = bool (*)(CM_Handle**);
using CloseFn = bool (*)(CM_Handle*);
using CapabilitiesFn = bool (*)(unsigned long);
using PropertiesFn = int (*)(CM_Handle*, unsigned long, void*);

// The library loaded by name and its five functions found by their exported names.
struct Library {
  UniqueHModule module{LoadLibraryA("kvocmdll.dll")};
  OpenFn open = Find<OpenFn>("@CM_Open$qppv");
  CloseFn close = Find<CloseFn>("@CM_Close$qpv");
  CapabilitiesFn capabilities = Find<CapabilitiesFn>("@CM_GetCapabilities$qul");
  PropertiesFn get = Find<PropertiesFn>("@CM_GetProperties$qpvult1");
  PropertiesFn set = Find<PropertiesFn>("@CM_SetProperties$qpvult1");

  FARPROC Find(const char* name) const {
    return module ? GetProcAddress(module.get(), name) : nullptr;
  }
  // Through void (*)(), the type the compiler accepts as any function's stand-in.
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Find(name)));
  }
  bool complete() const { return open && close && capabilities && get && set; }
};

std::set<std::string> ExportedNames(HMODULE module) {
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (entry.VirtualAddress == 0) return names;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* name_table = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    names.insert(reinterpret_cast<const char*>(base + name_table[i]));
  if (exports->NumberOfFunctions != exports->NumberOfNames) names.insert("<unnamed export>");
  return names;
}

std::string RunningDevice() {
  auto value = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice");
  return value ? value->AsText() : "<missing>";
}

void RemoveProductStrings() {
  test::DeleteValue(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString");
  for (char digit = '1'; digit <= '9'; ++digit)
    test::DeleteValue(HKEY_CURRENT_USER, test::kSettingsPath, std::string("ProductString") + digit);
}

class CmdllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok()) << std::hex << apartment_.result();
    ASSERT_TRUE(test::ResetSettings());
    ASSERT_TRUE(simcam::ResetCamera());
    ASSERT_TRUE(library_.complete()) << "kvocmdll.dll or one of its exports is missing";
  }
  void TearDown() override {
    if (handle_ != nullptr) library_.close(handle_);
    simcam::UnregisterDevice(simcam::Device::kSecond);
    simcam::ResetCamera();
    test::ResetSettings();
  }

  // Opens a handle to the simulated camera; the record of driver calls starts empty.
  void OpenCamera() {
    ASSERT_TRUE(library_.open(&handle_));
    ASSERT_NE(nullptr, handle_);
    ASSERT_TRUE(simcam::ClearPropertyCalls());
  }
  static std::vector<PropertyCall> Calls() { return simcam::ReadPropertyCalls(); }

  ComApartment apartment_;
  Library library_;
  CM_Handle* handle_ = nullptr;
};

TEST(CmdllExports, ExactlyTheFiveDecoratedNames) {
  Library library;
  ASSERT_TRUE(library.module) << GetLastError();
  EXPECT_TRUE(library.complete());
  EXPECT_EQ(std::set<std::string>(std::begin(kExportNames), std::end(kExportNames)),
            ExportedNames(library.module.get()));
  EXPECT_EQ(nullptr, library.Find("CM_Open")) << "the plain names are not exported";
}

TEST(CmdllExports, ImportLibraryBindsThePlainNames) {
  // This program links the import library: the calls below go to the loaded DLL.
  EXPECT_TRUE(CM_GetCapabilities(CM_ID_DEVICE_NAME));
  EXPECT_FALSE(CM_GetCapabilities(3000));
  EXPECT_FALSE(CM_Close(nullptr));
  EXPECT_EQ(1, CM_GetProperties(nullptr, CM_ID_BRIGHTNESS, nullptr));
}

TEST(CmdllExports, CapabilityBoundaries) {
  Library library;
  ASSERT_TRUE(library.complete());
  for (unsigned long id : {0ul, 38ul, 1000ul, 1012ul, 2000ul, 2999ul})
    EXPECT_TRUE(library.capabilities(id)) << id;
  for (unsigned long id : {39ul, 999ul, 1013ul, 1999ul, 3000ul, 0xFFFFFFFFul})
    EXPECT_FALSE(library.capabilities(id)) << id;
}

TEST_F(CmdllTest, NullHandleTouchesNothing) {
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  int32_t value = 77;
  EXPECT_EQ(0, library_.set(nullptr, CM_ID_BRIGHTNESS, &value));
  EXPECT_EQ(1, library_.get(nullptr, CM_ID_BRIGHTNESS, &value));
  EXPECT_EQ(77, value);
  EXPECT_EQ(0, library_.set(nullptr, CM_ID_SNAPSHOT_DONE, nullptr));
  EXPECT_FALSE(library_.close(nullptr));
  EXPECT_FALSE(library_.open(nullptr));
  EXPECT_TRUE(Calls().empty());
}

TEST_F(CmdllTest, OpensTheSimulatedCameraAndRecordsIt) {
  test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice", "stale");
  ASSERT_TRUE(library_.open(&handle_));
  char name[256];
  std::memset(name, '#', sizeof(name));
  EXPECT_EQ(0, library_.get(handle_, CM_ID_DEVICE_NAME, name));
  EXPECT_STREQ(simcam::kProductString, name);
  auto stored = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice");
  ASSERT_TRUE(stored);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored->type);
  EXPECT_EQ(std::strlen(simcam::kProductString) + 1, stored->data.size()) << "with its NUL";
  EXPECT_EQ(simcam::kProductString, stored->AsText());

  EXPECT_GT(simcam::LiveObjects(), 0);
  EXPECT_TRUE(library_.close(handle_));
  handle_ = nullptr;
  EXPECT_EQ(0, simcam::LiveObjects()) << "the filter is released with the handle";
}

TEST_F(CmdllTest, ProductValueAtIndexThreeAloneSelects) {
  RemoveProductStrings();
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString3",
                              simcam::kProductString));
  ASSERT_TRUE(library_.open(&handle_));
  char name[256] = {};
  EXPECT_EQ(0, library_.get(handle_, CM_ID_DEVICE_NAME, name));
  EXPECT_STREQ(simcam::kProductString, name);
  EXPECT_EQ(simcam::kProductString, RunningDevice());
}

TEST_F(CmdllTest, NoProductStringsFailBeforeAnyDeviceIsExamined) {
  RemoveProductStrings();
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString5", ""));
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice", "earlier"));
  handle_ = reinterpret_cast<CM_Handle*>(1);  // the failed open must clear it
  EXPECT_FALSE(library_.open(&handle_));
  EXPECT_EQ(nullptr, handle_);
  EXPECT_EQ("earlier", RunningDevice());
  EXPECT_EQ(0, simcam::LiveObjects());
}

TEST_F(CmdllTest, TwoDevicesNeitherMatchingLeaveRunningDeviceEmpty) {
  ASSERT_EQ(S_OK, simcam::RegisterDevice(simcam::Device::kSecond));
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString",
                              "vid_dead&pid_0000"));
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice", "earlier"));
  EXPECT_FALSE(library_.open(&handle_));
  EXPECT_EQ(nullptr, handle_);
  auto stored = test::ReadValue(HKEY_CURRENT_USER, test::kSettingsPath, "RunningDevice");
  ASSERT_TRUE(stored);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored->type);
  EXPECT_EQ(0u, stored->data.size()) << "an empty text of 0 bytes";
  EXPECT_EQ(0, simcam::LiveObjects());

  // The second device's product string selects the second device.
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString1",
                              simcam::kSecondProductString));
  ASSERT_TRUE(library_.open(&handle_));
  EXPECT_EQ(simcam::kSecondProductString, RunningDevice());
}

TEST_F(CmdllTest, ProductMatchIsCaseSensitive) {
  ASSERT_TRUE(test::WriteText(HKEY_CURRENT_USER, test::kSettingsPath, "ProductString",
                              "VID_FEED&PID_CAFE"));
  EXPECT_FALSE(library_.open(&handle_));
  EXPECT_EQ(nullptr, handle_);
  EXPECT_EQ("", RunningDevice());
}

TEST_F(CmdllTest, IdsReachTheirPropertySetsWithWholeRecords) {
  OpenCamera();
  int32_t level = 5;
  EXPECT_EQ(0, library_.set(handle_, CM_ID_ZOOM_LEVEL, &level));
  int32_t sharpness = -1;
  EXPECT_EQ(0, library_.get(handle_, 8, &sharpness));
  EXPECT_EQ(0, library_.set(handle_, CM_ID_SAVE, nullptr));
  std::vector<PropertyCall> calls = Calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_TRUE(calls[0].is_set);
  EXPECT_EQ(CallSet::kZoom, calls[0].set);
  EXPECT_EQ(8u, calls[0].id);
  EXPECT_EQ(2u, calls[0].flags);
  EXPECT_EQ(40u, calls[0].instance_length);
  EXPECT_EQ(40u, calls[0].data_length);
  EXPECT_EQ(5, calls[0].value);
  EXPECT_FALSE(calls[1].is_set);
  EXPECT_EQ(CallSet::kImage, calls[1].set);
  EXPECT_EQ(8u, calls[1].id);
  EXPECT_EQ(1u, calls[1].flags);
  EXPECT_EQ(40u, calls[1].instance_length);
  EXPECT_EQ(40u, calls[1].data_length);
  EXPECT_EQ(calls[1].value, sharpness) << "the driver's answer reaches the caller";
  EXPECT_EQ(CallSet::kImage, calls[2].set);
  EXPECT_EQ(26u, calls[2].id);
  EXPECT_EQ(0, calls[2].value) << "a command without data sends 0";

  // Zoom level read back through the zoom set.
  int32_t read_level = 0;
  EXPECT_EQ(0, library_.get(handle_, CM_ID_ZOOM_LEVEL, &read_level));
  EXPECT_EQ(5, read_level);
}

TEST_F(CmdllTest, OverlayPathTravelsInTheStringRecord) {
  OpenCamera();
  char path[] = "c:\\zoomtmp.bmp";
  EXPECT_EQ(0, library_.set(handle_, CM_ID_OVERLAY_FILE, path));
  char read[300];
  std::memset(read, '#', sizeof(read));
  EXPECT_EQ(0, library_.get(handle_, CM_ID_OVERLAY_FILE, read));
  EXPECT_STREQ(path, read);
  std::vector<PropertyCall> calls = Calls();
  ASSERT_EQ(2u, calls.size());
  for (const PropertyCall& call : calls) {
    EXPECT_EQ(34u, call.id);
    EXPECT_EQ(288u, call.instance_length);
    EXPECT_EQ(288u, call.data_length);
    EXPECT_EQ(path, call.text);
  }
  EXPECT_EQ(2u, calls[0].flags);
  EXPECT_EQ(1u, calls[1].flags);
  EXPECT_EQ(1, library_.set(handle_, CM_ID_OVERLAY_FILE, nullptr)) << "a set needs the path";

  // A path longer than the record holds goes out cut to 259 characters.
  std::string long_path(400, 'p');
  library_.set(handle_, CM_ID_OVERLAY_FILE, &long_path[0]);
  calls = Calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(std::string(259, 'p'), calls[2].text);
}

TEST_F(CmdllTest, TriggerSetsBothStreamsAndReportsTheSecond) {
  OpenCamera();
  EXPECT_EQ(0, library_.set(handle_, CM_ID_TRIGGER_ENABLE, nullptr));
  std::vector<PropertyCall> calls = Calls();
  ASSERT_EQ(2u, calls.size());
  for (int stream = 0; stream < 2; ++stream) {
    const PropertyCall& call = calls[stream];
    EXPECT_TRUE(call.is_set);
    EXPECT_EQ(CallSet::kVideoControl, call.set);
    EXPECT_EQ(3u, call.id);
    EXPECT_EQ(0x202u, call.flags);
    EXPECT_EQ(32u, call.instance_length);
    EXPECT_EQ(32u, call.data_length);
    EXPECT_EQ(stream, call.stream_index);
    EXPECT_EQ(4, call.value);
  }
  EXPECT_TRUE(simcam::TriggerModeSet());
  EXPECT_EQ(0, library_.get(handle_, CM_ID_TRIGGER_ENABLE, nullptr)) << "a get does nothing";
  EXPECT_EQ(2u, Calls().size());
}

TEST_F(CmdllTest, SnapshotButtonStillLoadsOnlyWhilePending) {
  OpenCamera();
  ASSERT_TRUE(simcam::SetStillSize(161, 121));
  ASSERT_TRUE(simcam::SetStillFormat(simcam::StillFormat::kPlanar));
  EXPECT_EQ(0, library_.set(handle_, CM_ID_TRIGGER_ENABLE, nullptr));
  ASSERT_TRUE(simcam::PressButton());

  char name[256] = {};
  ASSERT_EQ(0, library_.get(handle_, CM_ID_SNAPSHOT_NAME, name));
  EXPECT_STREQ(simcam::kSnapshotFileName, name);
  EXPECT_EQ(0, library_.get(handle_, CM_ID_SNAPSHOT_NAME, nullptr));
  test::TestBitmap bitmap;
  ASSERT_EQ(0, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &bitmap));
  EXPECT_EQ("FWH", bitmap.calls);
  EXPECT_EQ(161, bitmap.width);
  EXPECT_EQ(121, bitmap.height);
  auto file = test::ReadFileBytes(std::string("c:\\") + name);
  ASSERT_TRUE(file);
  ASSERT_EQ(24u + 161 * 121 + 2 * 81 * 61, file->size());
  EXPECT_EQ(-1, test::FirstPlanarMismatch(file->data() + 24, 161, 121,
                                          [&](int y) { return bitmap.ScanLine(y); }));

  EXPECT_EQ(0, library_.set(handle_, CM_ID_SNAPSHOT_DONE, nullptr));
  test::TestBitmap untouched;
  EXPECT_EQ(1, library_.get(handle_, CM_ID_SNAPSHOT_NAME, name));
  EXPECT_EQ(1, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &untouched));
  EXPECT_EQ("", untouched.calls);
}

// The driver's outputs written directly, read through the exported functions.
class CmdllSnapshotTest : public test::DriverKeyTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    ASSERT_TRUE(test::ResetSettings());
    ASSERT_TRUE(simcam::ResetCamera());
    ASSERT_TRUE(library_.complete());
    // Binding the simulated camera sets up its own driver instance; the test's instance
    // takes its place afterwards.
    ASSERT_TRUE(library_.open(&handle_));
    test::DriverKeyTest::SetUp();
  }
  void TearDown() override {
    if (handle_ != nullptr) library_.close(handle_);
    test::DriverKeyTest::TearDown();
  }

  // Loads a planar still through id 2003 and compares every byte with the formula.
  void ExpectPlanarMatchesFormula(int width, int height, const std::vector<uint8_t>& pixels) {
    WriteSnapshot(test::SnapshotFile(1, width, height, pixels));
    test::TestBitmap bitmap;
    ASSERT_EQ(0, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &bitmap));
    EXPECT_EQ(-1, test::FirstPlanarMismatch(pixels.data(), width, height,
                                            [&](int y) { return bitmap.ScanLine(y); }));
  }

  ComApartment apartment_;
  Library library_;
  CM_Handle* handle_ = nullptr;
};

TEST_F(CmdllSnapshotTest, PackedStillLandsUpsideDown) {
  WriteSnapshot(test::SnapshotFile(0, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  test::TestBitmap bitmap;
  ASSERT_EQ(0, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &bitmap));
  EXPECT_EQ((std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}), bitmap.pixels);
}

TEST_F(CmdllSnapshotTest, PlanarEveryLumaChromaPair) {
  // 256 x 256: chroma sample s holds s / 64 in both planes and its four pixels the lumas
  // 4 (s % 64) + 0..3, so every (luma, plane) pair occurs for each plane.
  const int size = 256, cw = 128;
  std::vector<uint8_t> pixels(size * size + 2 * cw * cw);
  uint8_t* plane1 = pixels.data() + size * size;
  uint8_t* plane2 = plane1 + cw * cw;
  for (int s = 0; s < cw * cw; ++s) {
    const int cx = s % cw, cy = s / cw;
    plane1[s] = plane2[s] = static_cast<uint8_t>(s / 64);
    for (int k = 0; k < 4; ++k)
      pixels[(2 * cy + k / 2) * size + 2 * cx + k % 2] = static_cast<uint8_t>(4 * (s % 64) + k);
  }
  ExpectPlanarMatchesFormula(size, size, pixels);
}

TEST_F(CmdllSnapshotTest, PlanarRandomTriples) {
  std::mt19937 random(4203);
  const int width = 1025, height = 769;
  std::vector<uint8_t> pixels(width * height + 2 * 513 * 385);
  for (uint8_t& byte : pixels) byte = static_cast<uint8_t>(random());
  ExpectPlanarMatchesFormula(width, height, pixels);
}

TEST_F(CmdllSnapshotTest, DamagedStillsAreRefusedAndLeaveTheBitmap) {
  const std::vector<std::vector<uint8_t>> damaged = {
      test::SnapshotFile(0, 2, -2, std::vector<uint8_t>(12, 1)),
      test::SnapshotFile(1, 0, 2, std::vector<uint8_t>(12, 1)),
      test::SnapshotFile(0, 0x7FFFFFFF, 0x7FFFFFFF, std::vector<uint8_t>(12, 1)),
      test::SnapshotFile(0, 0x20000000, 2, std::vector<uint8_t>(12, 1)),
      test::SnapshotFile(1, 4, 4, std::vector<uint8_t>(23, 1)),
      std::vector<uint8_t>(20, 0),
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    WriteSnapshot(damaged[i]);
    test::TestBitmap bitmap;
    bitmap.pixels.assign(6, 0x42);
    EXPECT_EQ(1, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &bitmap)) << "file " << i;
    EXPECT_EQ("", bitmap.calls) << "file " << i;
    EXPECT_EQ(std::vector<uint8_t>(6, 0x42), bitmap.pixels) << "file " << i;
  }
}

TEST_F(CmdllSnapshotTest, DoneWritesTwoEvenWhenNotPending) {
  SetState(0);
  EXPECT_EQ(0, library_.set(handle_, CM_ID_SNAPSHOT_DONE, nullptr));
  EXPECT_EQ(2u, State().value_or(99));
  test::TestBitmap bitmap;
  EXPECT_EQ(1, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, &bitmap));
  EXPECT_EQ(1, library_.get(handle_, CM_ID_SNAPSHOT_IMAGE, nullptr));
  EXPECT_EQ(0, library_.set(handle_, CM_ID_SNAPSHOT_IMAGE, nullptr)) << "nothing to set";
}

}  // namespace
}  // namespace kvo
