// The property window in-process with the simulated camera: its design, what each control
// sends the camera (read back from the driver's property-call record), the digital zoom with
// its banner and panning, the camera settings commands and the placement on the desktop.
#include "property_form.h"
#include "property_form_controls.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camapp_e2e_support.h"
#include "capture_test_window.h"
#include "e2e.h"
#include "simcam_control.h"

namespace kvo {
namespace {

using simcam::CallSet;
using simcam::PropertyCall;

// What the window sent the camera since the record was last cleared: "IMAGE 3=12000",
// "ZOOM 8=32", "IMAGE 34:C:\zoomtmp.bmp".
std::vector<std::string> SentCalls() {
  std::vector<std::string> sent;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    if (!call.is_set) continue;
    char line[400];
    if (call.id == 34 && call.set == CallSet::kImage) {
      std::snprintf(line, sizeof line, "IMAGE 34:%s", call.text.c_str());
    } else {
      std::snprintf(line, sizeof line, "%s %u=%d", simcam::CallSetName(call.set),
                    static_cast<unsigned>(call.id), static_cast<int>(call.value));
    }
    sent.push_back(line);
  }
  return sent;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "; ";
  return all;
}

std::vector<std::string> Only(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) kept.push_back(line);
  }
  return kept;
}

class PropertyFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(simcam::ResetCamera()) << "the simulated camera cannot be reset";
    ASSERT_TRUE(test::ResetSettings()) << "the settings key cannot be reset";
    // The camera is found through the platform's device enumerator, a COM object.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    com_ready_ = true;
    SettingSaved = false;
    LastExposure = 400000;
    LastHorizon = 64;
    LastVertical = 64;
    form_ = std::make_unique<TPropertyForm>(GetModuleHandleA(nullptr), zoom_);
    ASSERT_TRUE(form_->Create());
    ui_ = std::make_unique<PropertyFormControls>(*form_);
    ASSERT_NE(nullptr, form_->CamHandle) << "the simulated camera was not found";
    ASSERT_TRUE(simcam::ClearPropertyCalls());
  }
  void TearDown() override {
    ui_.reset();
    form_.reset();
    RemoveDirectoryA("C:\\zoomtmp.bmp");
    simcam::ResetCamera();
    test::ResetSettings();
    if (com_ready_) CoUninitialize();
  }

  bool com_ready_ = false;
  DigitalZoom zoom_;
  std::unique_ptr<TPropertyForm> form_;
  std::unique_ptr<PropertyFormControls> ui_;
};

TEST_F(PropertyFormTest, DesignedPagesControlsAndLoadedRanges) {
  HWND window = form_->hwnd();
  EXPECT_EQ("Property", test::WindowText(window));
  EXPECT_FALSE(IsWindowVisible(window)) << "created hidden";
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(264, client.right);
  EXPECT_EQ(424, client.bottom);
  ASSERT_EQ(3, ui_->Pages.PageCount());
  EXPECT_EQ(17, ui_->Effect.Count());
  EXPECT_EQ("TV Effect", ui_->Effect.Item(16));
  ASSERT_EQ(11, ui_->Frame.Count());
  EXPECT_EQ("Magnifier", ui_->Frame.Item(10));
  EXPECT_EQ("Restroe Camera Setting", ui_->Restore.Hint());
  EXPECT_NE(nullptr, ui_->Save.Picture()) << "the Save picture is compiled in";
  EXPECT_EQ(toolkit::Rect({112, 302, 33, 30}).left, ui_->Save.Bounds().left);

  // Ranges after the first load, as the slider table gives them.
  EXPECT_EQ(126, ui_->Brightness.Maximum());
  EXPECT_EQ(10000, ui_->Contrast.Minimum());
  EXPECT_EQ(3600000, ui_->Hue.Maximum());
  EXPECT_EQ(400000, ui_->Exposure.Minimum());
  EXPECT_EQ(2000000, ui_->Exposure.Maximum());
  EXPECT_EQ(5000, ui_->RGain.Minimum());
  EXPECT_EQ(1, ui_->USBbw.Minimum());
  EXPECT_EQ(8, ui_->USBbw.Maximum());
  // The simulated camera's zoom maximum is 64: slider 0-64, limit 2.0x, no zoom at start.
  EXPECT_EQ(64, form_->ZoomMax);
  EXPECT_EQ(64, ui_->Zoom.Maximum());
  EXPECT_EQ(20, zoom_.ZoomLimit());
  EXPECT_EQ(10, zoom_.ZoomFactor());
  EXPECT_FALSE(ui_->EnabledZoom.Checked());
  EXPECT_FALSE(ui_->Zoom.Enabled());
  EXPECT_FALSE(ui_->Horizon.Visible());
  EXPECT_TRUE(ui_->ExposureAuto.Checked()) << "automatic exposure is always switched on";

  // A screenshot of each page.
  form_->ShowForm();
  for (int page = 0; page < 3; ++page) {
    ui_->Pages.SetActivePage(page);
    test::PumpUntil([] { return false; }, 200);
    const std::string path = test::ArtefactPath("property_page" + std::to_string(page) + ".png");
    EXPECT_TRUE(test::SaveScreenshot(window, path)) << path;
  }
}

TEST_F(PropertyFormTest, ImageControlsEffectsAndCameraCommandsSendWhatTheyShow) {
  // Contrast 10000 -> 12000: id 3 once.
  ui_->Contrast.SetValue(10000);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Contrast.SetValue(12000);
  EXPECT_EQ("IMAGE 3=12000; ", Joined(SentCalls()));
  EXPECT_EQ(12000, ui_->SliderRowValue(1));

  // Exposure: a new value is sent once; the value already sent is not sent again.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Exposure.SetValue(800000);
  form_->ExposureChange();
  EXPECT_EQ("IMAGE 12=800000; ", Joined(SentCalls()));
  EXPECT_EQ(800000, LastExposure);

  // Loading: a camera exposure other than the one last sent is sent back once; loading the
  // same value again sends nothing.
  int32_t exposure = 1200000;
  ASSERT_EQ(0, CM_SetProperties(form_->CamHandle, CM_ID_EXPOSURE, &exposure));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  form_->LoadSettings();
  EXPECT_EQ("IMAGE 12=1200000; ", Joined(Only(SentCalls(), "IMAGE 12=")));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  form_->LoadSettings();
  EXPECT_EQ("", Joined(Only(SentCalls(), "IMAGE 12=")));

  // One check box sends the whole table, in order.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->LowLight.SetChecked(true);
  EXPECT_EQ("IMAGE 0=0; IMAGE 1=0; IMAGE 24=1; IMAGE 20=0; IMAGE 30=0; ", Joined(SentCalls()));

  // A frame while an effect is selected: no effect first, then the frame.
  ui_->Effect.SetItemIndex(2);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Frame.SetItemIndex(10);
  EXPECT_EQ("IMAGE 33=0; IMAGE 33=26; ", Joined(SentCalls()));
  EXPECT_EQ(0, ui_->Effect.ItemIndex());
  // "Emboss" while a frame is selected: the frame goes, the frame handler sends nothing.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Effect.SetItemIndex(3);
  EXPECT_EQ("IMAGE 33=3; ", Joined(SentCalls()));
  EXPECT_EQ(0, ui_->Frame.ItemIndex());

  // The camera reporting a frame value selects that frame when loaded.
  int32_t television = 20;
  ASSERT_EQ(0, CM_SetProperties(form_->CamHandle, CM_ID_EFFECT, &television));
  form_->LoadSettings();
  EXPECT_EQ(4, ui_->Frame.ItemIndex());
  EXPECT_EQ("Television", ui_->Frame.Item(ui_->Frame.ItemIndex()));
  // A value past the frames selects the last frame, whose value the window then sends.
  int32_t beyond_the_frames = 255;
  ASSERT_EQ(0, CM_SetProperties(form_->CamHandle, CM_ID_EFFECT, &beyond_the_frames));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  form_->LoadSettings();
  EXPECT_EQ(ui_->Frame.Count() - 1, ui_->Frame.ItemIndex());
  EXPECT_EQ(kMagnifierItem, ui_->Frame.Item(ui_->Frame.ItemIndex()));
  EXPECT_EQ("IMAGE 33=26; ", Joined(Only(SentCalls(), "IMAGE 33=")));

  // In/Out door: "Out" disables the flicker choice.
  ui_->IODoor.SetItemIndex(0);
  EXPECT_FALSE(ui_->Flicker.Enabled());
  ui_->IODoor.SetItemIndex(1);
  EXPECT_TRUE(ui_->Flicker.Enabled());
  ui_->WBAuto.SetChecked(true);
  EXPECT_FALSE(ui_->RGain.Enabled());

  // Restore before Save: the box, nothing sent.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  std::string box_text = "<none>";
  std::thread answer([&] {
    HWND box = test::WaitForMessageBox("Error", 20000, GetCurrentProcessId());
    if (box == nullptr) return;
    box_text = test::MessageBoxText(box);
    test::PressButton(box, IDOK);
  });
  form_->RestoreClick();
  answer.join();
  EXPECT_EQ("Please save setting first.", box_text);
  EXPECT_EQ("", Joined(SentCalls()));
  // After Save, Restore sends id 27 and reloads from the camera.
  form_->SaveClick();
  form_->RestoreClick();
  const std::vector<std::string> sent = SentCalls();
  ASSERT_GE(sent.size(), 2u) << Joined(sent);
  EXPECT_EQ("IMAGE 26=0", sent[0]);
  EXPECT_EQ("IMAGE 27=0", sent[1]);
  bool reloaded = false;
  for (const PropertyCall& call : simcam::ReadPropertyCalls()) {
    reloaded |= !call.is_set && call.set == CallSet::kImage && call.id == 3;
  }
  EXPECT_TRUE(reloaded) << "Restore reads the values again";
}

TEST_F(PropertyFormTest, DigitalZoomBannerAndPanning) {
  ui_->EnabledZoom.SetChecked(true);
  EXPECT_EQ("ZOOM 11=1", Only(SentCalls(), "ZOOM 11").at(0));
  EXPECT_TRUE(ui_->Zoom.Enabled());
  EXPECT_TRUE(ui_->Horizon.Visible());
  EXPECT_FALSE(ui_->Effect.Enabled());
  EXPECT_EQ(64, ui_->Zoom.Value());

  // Slider at 32 of 64: level 32, factor 13, the banner sent as the overlay file.
  DeleteFileA(kZoomBannerPath);
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Zoom.SetValue(32);
  EXPECT_EQ(32, form_->ZoomLevel);
  EXPECT_EQ(13, zoom_.ZoomFactor());
  const std::vector<std::string> sent = SentCalls();
  EXPECT_EQ("IMAGE 34:C:\\zoomtmp.bmp; ZOOM 8=32; ", Joined(sent));
  const auto banner = test::ReadFileBytes(kZoomBannerPath);
  ASSERT_TRUE(banner.has_value());
  EXPECT_EQ(14u + 40u + 640u * 480u * 3u, banner->size());
  EXPECT_EQ('B', (*banner)[0]);
  // The banner is blue with the text drawn in white and light blue near its top left.
  bool white = false;
  const size_t row_bytes = 640 * 3;
  for (size_t y = 480 - 40; y < 480; ++y) {
    for (size_t x = 0; x < 120; ++x) {
      const uint8_t* pixel = banner->data() + 54 + y * row_bytes + x * 3;
      white |= pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255;
    }
  }
  EXPECT_TRUE(white) << "the text's white outline";
  // A second later the overlay goes away (no frame selected).
  EXPECT_TRUE(test::PumpUntil([] { return !Only(SentCalls(), "IMAGE 33").empty(); }, 10000));
  EXPECT_EQ("IMAGE 33=0", Only(SentCalls(), "IMAGE 33").at(0));
  EXPECT_FALSE(ui_->ZoomShowTimer.Enabled());

  // Panning: 64 -> 61 three steps back, then -> 66 five steps on, each with the level.
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Horizon.SetValue(61);
  EXPECT_EQ("ZOOM 1=32; ZOOM 1=32; ZOOM 1=32; ", Joined(SentCalls()));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Horizon.SetValue(66);
  EXPECT_EQ("ZOOM 5=32; ZOOM 5=32; ZOOM 5=32; ZOOM 5=32; ZOOM 5=32; ", Joined(SentCalls()));
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Vertical.SetValue(62);
  EXPECT_EQ("ZOOM 3=32; ZOOM 3=32; ", Joined(SentCalls()));

  // Off: the effects come back, the pan sliders go; moving one sends nothing.
  ui_->EnabledZoom.SetChecked(false);
  EXPECT_TRUE(ui_->Effect.Enabled());
  EXPECT_FALSE(ui_->Zoom.Enabled());
  EXPECT_FALSE(ui_->Horizon.Visible());
  EXPECT_EQ(10, zoom_.ZoomFactor());
  ASSERT_TRUE(simcam::ClearPropertyCalls());
  ui_->Horizon.SetValue(70);
  form_->SaveClick();  // a later call that proves the move was handled
  EXPECT_EQ("IMAGE 26=0; ", Joined(SentCalls()));
  EXPECT_EQ(64, LastHorizon);
}

TEST_F(PropertyFormTest, BannerGoesToTheTemporaryFolderWhenTheDriveRootIsNotWritable) {
  DeleteFileA(kZoomBannerPath);
  // A folder of that name makes the file impossible to write, as a missing right would.
  ASSERT_TRUE(CreateDirectoryA(kZoomBannerPath, nullptr));
  form_->ShowZoomBanner();
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string expected = std::string(temp) + "zoomtmp.bmp";
  EXPECT_EQ(expected, form_->BannerPath());
  EXPECT_TRUE(test::FileExists(expected));
  EXPECT_EQ("IMAGE 34:" + expected + "; ", Joined(SentCalls()));
  EXPECT_EQ(nullptr, test::FindTopWindow("#32770", nullptr, GetCurrentProcessId()))
      << "no error box";
}

TEST_F(PropertyFormTest, ShownWindowIsKeptOnTheDesktop) {
  RECT desktop{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  RECT window{};
  GetWindowRect(form_->hwnd(), &window);
  const int height = window.bottom - window.top;
  SetWindowPos(form_->hwnd(), nullptr, 50, desktop.bottom - height / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  form_->ShowForm();
  GetWindowRect(form_->hwnd(), &window);
  EXPECT_EQ(desktop.bottom - 30, window.bottom);
  EXPECT_EQ(50, window.left);
}

}  // namespace
}  // namespace kvo
