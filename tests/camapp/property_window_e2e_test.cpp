// KVO_MAIN.exe's property window end to end with the simulated camera: shown by its command,
// the zoom steps another program sends the main window (messages 1034 and 1035), the camera
// switched off and on. What the camera was sent is read from the driver's property-call
// record.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>
#include <objbase.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "camapp_e2e_support.h"
#include "kvocmdll.h"
#include "simcam_control.h"

namespace kvo {
namespace {

using namespace kvo::test;
using simcam::CallSet;
using simcam::PropertyCall;

constexpr char kCameraOff[] = "Please press Fn+F10 turn on the Camera";
constexpr char kPropertyClass[] = "TPropertyForm";
constexpr UINT kZoomIn = 1034;
constexpr UINT kZoomOut = 1035;

// The values the program set for one zoom id, in order.
std::vector<int> ZoomSets(uint32_t zoom_id) {
  std::vector<int> values;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    if (call.is_set && call.set == CallSet::kZoom && call.id == zoom_id) {
      values.push_back(call.value);
    }
  }
  return values;
}

int OverlaySets() {
  int count = 0;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    count += call.is_set && call.set == CallSet::kImage && call.id == 34 ? 1 : 0;
  }
  return count;
}

std::string Listed(const std::vector<int>& values) {
  std::string text;
  for (int value : values) text += std::to_string(value) + " ";
  return text;
}

std::vector<int> LevelRun(int first, int last) {
  std::vector<int> values;
  const int step = first <= last ? 1 : -1;
  for (int value = first; value != last + step; value += step) values.push_back(value);
  return values;
}

// Brightness as the driver holds it, read and changed through the camera library.
class DriverAccess {
 public:
  DriverAccess() {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CM_Open(&handle_);
  }
  ~DriverAccess() {
    if (handle_ != nullptr) CM_Close(handle_);
    if (com_) CoUninitialize();
  }
  bool open() const { return handle_ != nullptr; }
  int Get(unsigned long id) {
    int32_t value = -1;
    CM_GetProperties(handle_, id, &value);
    return value;
  }
  int Set(unsigned long id, int32_t value) { return CM_SetProperties(handle_, id, &value); }

 private:
  bool com_ = false;
  CM_Handle* handle_ = nullptr;
};

// A control of the property window, found by its class, its parent's caption and its place
// in that parent (the window's design).
HWND ControlAt(HWND property, const char* class_name, const char* parent_caption, int left,
               int top) {
  for (HWND child : ChildWindows(property)) {
    if (_stricmp(ClassName(child).c_str(), class_name) != 0) continue;
    HWND parent = GetParent(child);
    if (WindowText(parent) != parent_caption) continue;
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left == left && rect.top == top) return child;
  }
  return nullptr;
}

// The image-property sets the program sent, as "id=value".
std::string ImageSets() {
  std::string text;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    if (call.is_set && call.set == CallSet::kImage && call.id != 34) {
      text += std::to_string(call.id) + "=" + std::to_string(call.value) + " ";
    }
  }
  return text;
}

class PropertyWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kKvoMain);
    ASSERT_TRUE(ResetSettings());
    ASSERT_TRUE(simcam::ResetCamera());
  }
  void TearDown() override {
    EndKvoMain(app_);
    KillAll(kKvoMain);
    simcam::ResetCamera();
    ResetSettings();
  }
  Process app_;
};

TEST_F(PropertyWindowTest, ZoomStepsFromAnotherProgramAndTheCameraSwitchedOffAndOn) {
  HWND main = nullptr;
  app_ = StartKvoMain("NoShow", &main);
  ASSERT_NE(nullptr, main) << "AppStatusOK " << AppStatus();
  HWND property = FindTopWindow(kPropertyClass, "Property", app_.id());
  ASSERT_NE(nullptr, property) << "the property window is created at start";
  EXPECT_FALSE(IsWindowVisible(property));
  ASSERT_TRUE(Relay("Property"));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(property) != FALSE; }, 10000));

  // Zoom in from 1.0x with maximum 64: zoom switched on, levels 1 to 12 once each, in
  // order (slider 63 down to 52), and the banner.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(main, kZoomIn, 0, 0);
  EXPECT_EQ("1 ", Listed(ZoomSets(11)));
  EXPECT_EQ(Listed(LevelRun(1, 12)), Listed(ZoomSets(8)));
  EXPECT_GE(OverlaySets(), 1);
  EXPECT_TRUE(FileExists("C:\\zoomtmp.bmp"));

  // Zoom out from 1.1x: levels 11 down to 0, then the zoom is switched off at 1.0x.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(main, kZoomOut, 0, 0);
  EXPECT_EQ(Listed(LevelRun(11, 0)), Listed(ZoomSets(8)));
  EXPECT_EQ("0 ", Listed(ZoomSets(11))) << "zoom out at 1.0x unchecks the zoom";

  // Up to the limit 2.0x (ten steps), then a step beyond only redraws the banner.
  for (int step = 0; step < 10; ++step) SendMessageA(main, kZoomIn, 0, 0);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(main, kZoomIn, 0, 0);
  EXPECT_EQ("", Listed(ZoomSets(8)));
  EXPECT_EQ(1, OverlaySets());

  // Off: the camera's interface goes; a zoom step asks for the camera.
  ASSERT_TRUE(simcam::SetPowered(false));
  EXPECT_EQ(1, SendDeviceInterfaceChange(main, DBT_DEVICEREMOVECOMPLETE, kCameraInterface));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  PostMessageA(main, kZoomIn, 0, 0);
  EXPECT_EQ(kCameraOff, AnswerMessageBox("Error window", app_.id()));
  EXPECT_EQ("", Listed(ZoomSets(8)));

  // On again, with a brightness changed in the driver meanwhile: the property window opens
  // its handle again and its Brightness slider takes the new value (and sends it back).
  ASSERT_TRUE(simcam::SetPowered(true));
  int changed = 0;
  {
    DriverAccess driver;
    ASSERT_TRUE(driver.open()) << "the test cannot reach the simulated camera";
    changed = driver.Get(CM_ID_BRIGHTNESS) == 60 ? 66 : 60;
    ASSERT_EQ(0, driver.Set(CM_ID_BRIGHTNESS, changed));
  }
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  EXPECT_EQ(1, SendDeviceInterfaceChange(main, DBT_DEVICEARRIVAL, kCameraInterface));
  bool reloaded = false;
  bool sent_back = false;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    if (call.set != CallSet::kImage || call.id != CM_ID_BRIGHTNESS) continue;
    reloaded |= !call.is_set && call.value == changed && call.status == 0;
    sent_back |= call.is_set && call.value == changed;
  }
  EXPECT_TRUE(reloaded) << "the property window read the camera again";
  EXPECT_TRUE(sent_back) << "its Brightness slider took the camera's value";

  // The zoom works again with the camera back.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(main, kZoomOut, 0, 0);
  EXPECT_EQ(1, OverlaySets());
  EXPECT_EQ(nullptr, FindTopWindow("#32770", "Error window", app_.id()));
}

}  // namespace
}  // namespace kvo

namespace kvo {
namespace {

TEST_F(PropertyWindowTest, UserChangesInThePropertyWindowReachTheCamera) {
  HWND main = nullptr;
  app_ = StartKvoMain("Property", &main);
  ASSERT_NE(nullptr, main) << "AppStatusOK " << AppStatus();
  HWND property = WaitForWindow(kPropertyClass, "Property", 15000, app_.id());
  ASSERT_NE(nullptr, property);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(property) != FALSE; }, 15000))
      << "the start-up word shows the property window";

  // The user drags Contrast to 12000: id 3 is sent once.
  HWND contrast = ControlAt(property, "msctls_trackbar32", "Image Control", 10, 94);
  ASSERT_NE(nullptr, contrast);
  SendMessageA(contrast, TBM_SETPOS, TRUE, 10000);
  SendMessageA(GetParent(contrast), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
               reinterpret_cast<LPARAM>(contrast));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(contrast, TBM_SETPOS, TRUE, 12000);
  SendMessageA(GetParent(contrast), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0),
               reinterpret_cast<LPARAM>(contrast));
  EXPECT_EQ("3=12000 ", ImageSets());

  // Low Light sends the five boxes in order.
  HWND low_light = FindChildByText(property, "&Low Light");
  ASSERT_NE(nullptr, low_light);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(low_light, BM_CLICK, 0, 0);
  EXPECT_EQ("0=0 1=0 24=1 20=0 30=0 ", ImageSets());

  // Restore before Save: the box, nothing sent; after Save, Restore sends 27 and reloads.
  HWND save = ControlAt(property, "Button", "Image Control", 112, 302);
  HWND restore = ControlAt(property, "Button", "Image Control", 150, 302);
  ASSERT_NE(nullptr, save);
  ASSERT_NE(nullptr, restore);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  PostMessageA(restore, BM_CLICK, 0, 0);
  EXPECT_EQ("Please save setting first.", AnswerMessageBox("Error", app_.id()));
  SendMessageA(save, BM_CLICK, 0, 0);
  EXPECT_EQ("26=0 ", ImageSets()) << "nothing before Save";
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  SendMessageA(restore, BM_CLICK, 0, 0);
  const std::vector<PropertyCall> calls = simcam::ReadPropertyCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_TRUE(calls[0].is_set && calls[0].id == 27) << ImageSets();
  bool reloaded = false;
  for (const PropertyCall& call : calls) {
    reloaded |= !call.is_set && call.set == CallSet::kImage && call.id == CM_ID_CONTRAST;
  }
  EXPECT_TRUE(reloaded) << "Restore reads the camera's values again";
}

TEST_F(PropertyWindowTest, ClosingReleasesEveryCameraFilterWithinTheApartment) {
  HWND main = nullptr;
  app_ = StartKvoMain("NoShow", &main);
  ASSERT_NE(nullptr, main) << "AppStatusOK " << AppStatus();
  ASSERT_NE(nullptr, FindTopWindow(kPropertyClass, "Property", app_.id()));
  // The property window read the camera through its own handle, which it keeps.
  bool property_window_read = false;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    property_window_read |= !call.is_set && call.set == CallSet::kImage && call.id == 33;
  }
  EXPECT_TRUE(property_window_read);
  EXPECT_EQ(0u, simcam::ReleasesOutsideApartment());

  ASSERT_TRUE(Relay("Close"));
  DWORD exit_code = 1;
  ASSERT_TRUE(app_.Wait(20000, &exit_code)) << "\"Close\" ends the program";
  EXPECT_EQ(0u, exit_code);
  EXPECT_EQ(0u, simcam::ReleasesOutsideApartment())
      << "filters released after the program's last CoUninitialize";
}

}  // namespace
}  // namespace kvo
