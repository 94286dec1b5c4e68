#include "setting_form.h"

#include <shlobj.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "error_box.h"
#include "property_form.h"
#include "setting_form_host.h"
#include "setting_rules.h"
#include "settings_key.h"
#include "still_file.h"
#include "tdirectshow.h"
#include "wide_text.h"
#include "window_placement.h"

namespace kvo {
namespace {

// The designed window, in creation (tab) order. Labels end before the control they name,
// so a wider substitute font clips them instead of drawing over that control.
using toolkit::ArgsFrom;
using toolkit::ControlDesign;
constexpr ControlDesign kComboBox1{{111, 14, 218, 20}, "", ""};
constexpr ControlDesign kAudioList{{111, 38, 218, 20}, "", ""};
constexpr ControlDesign kPathEdit{{40, 66, 288, 18}, "", ""};
constexpr ControlDesign kChangePath{{112, 99, 103, 27}, "Select Image Folder", ""};
constexpr ControlDesign kFileExplore{{224, 96, 33, 30}, "", "Browse Files"};
constexpr ControlDesign kPinSetBtn{{259, 96, 33, 30}, "", "Stream Format"};
constexpr ControlDesign kResetCount{{294, 96, 33, 30}, "", "Clear File Counters"};
constexpr ControlDesign kShowImgCB{{8, 128, 177, 25}, "&Show Image after snapshot", ""};
constexpr ControlDesign kChk_CapAudio{{216, 128, 97, 25}, "&Capture Audio", ""};
constexpr ControlDesign kCompressorLabel{{9, 16, 100, 13}, "Record Compressor", ""};
constexpr ControlDesign kAudioLabel{{9, 40, 100, 13}, "Audio Device", ""};
constexpr ControlDesign kPathLabel{{8, 69, 31, 13}, "Path:", ""};

constexpr DWORD kSettingValueBufferSize = 256;
constexpr DWORD kFormatDialogPollMs = 50;
// The longest folder the shell's "Open" is asked for, in wide characters.
constexpr size_t kMaxOpenPathChars = 259;

// The folder picked in the shell's folder browser, or nothing when the user cancels.
bool BrowseForFolder(HWND owner, std::string* folder) {
  char display_name[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = display_name;
  info.lpszTitle = "Select Image Folder:";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok) return false;
  *folder = path;
  return true;
}

std::string PictureFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return std::string();
  }
  return WideToAnsi(path);
}

}  // namespace

TSettingForm::TSettingForm(HINSTANCE instance, SettingFormHost& host,
                           const toolkit::SkinData* skin)
    : instance_(instance), host_(host), skin_(skin) {}

TSettingForm::~TSettingForm() { DestroyForm(); }

bool TSettingForm::Create() {
  toolkit::EnsureCommonControls();
  auto form = toolkit::Form::CreateArgs::FixedDialog(instance_, kSettingFormClass,
                                                     kSettingFormCaption, kSettingClientWidth,
                                                     kSettingClientHeight, skin_);
  form.left = kSettingDesignLeft;
  form.top = kSettingDesignTop;
  if (!CreateForm(form)) return false;
  if (!CreateControls()) return false;

  // The capture panel's stream-format dialog is not open at start.
  host_.DirectShow1().FormatDialogOpen = false;
  FillLists();
  ReadSettings();
  return true;
}

auto TSettingForm::Guarded(void (TSettingForm::*handler)()) {
  return [this, handler](auto&...) {
    try {
      (this->*handler)();
    } catch (const std::exception& error) {
      ShowApplicationError(hwnd(), error.what());
    }
  };
}

bool TSettingForm::CreateControls() {
  browse_picture_ = toolkit::LoadPicture(instance_, "SETTING_BROWSE_FILES");
  format_picture_ = toolkit::LoadPicture(instance_, "SETTING_STREAM_FORMAT");
  counters_picture_ = toolkit::LoadPicture(instance_, "SETTING_CLEAR_COUNTERS");

  auto combo = ArgsFrom<toolkit::DropDownList::CreateArgs>(kComboBox1, hwnd(), skin_);
  combo.on_change = Guarded(&TSettingForm::ComboBoxChange);
  auto audio = ArgsFrom<toolkit::DropDownList::CreateArgs>(kAudioList, hwnd(), skin_);
  audio.on_change = Guarded(&TSettingForm::AudioListChange);
  auto path = ArgsFrom<toolkit::ReadOnlyEdit::CreateArgs>(kPathEdit, hwnd(), skin_);
  path.tab_stop = false;
  auto change_path = ArgsFrom<toolkit::PushButton::CreateArgs>(kChangePath, hwnd(), skin_);
  change_path.on_click = Guarded(&TSettingForm::ChangePathClick);
  auto explore = ArgsFrom<toolkit::PictureButton::CreateArgs>(kFileExplore, hwnd(), skin_);
  explore.picture = browse_picture_.get();
  explore.on_click = Guarded(&TSettingForm::FileExploreClick);
  auto pin_set = ArgsFrom<toolkit::PictureButton::CreateArgs>(kPinSetBtn, hwnd(), skin_);
  pin_set.picture = format_picture_.get();
  pin_set.on_click = Guarded(&TSettingForm::PinSetBtnClick);
  auto reset = ArgsFrom<toolkit::PictureButton::CreateArgs>(kResetCount, hwnd(), skin_);
  reset.picture = counters_picture_.get();
  reset.on_click = Guarded(&TSettingForm::ResetCountClick);
  auto show_image = ArgsFrom<toolkit::CheckBox::CreateArgs>(kShowImgCB, hwnd(), skin_);
  auto capture_audio = ArgsFrom<toolkit::CheckBox::CreateArgs>(kChk_CapAudio, hwnd(), skin_);
  capture_audio.checked = true;
  capture_audio.on_click = Guarded(&TSettingForm::Chk_CapAudioClick);
  auto label = [this](const ControlDesign& design) {
    return ArgsFrom<toolkit::Label::CreateArgs>(design, hwnd(), skin_);
  };

  const bool created =
      ComboBox1.Create(combo) && AudioList.Create(audio) && PathEdit.Create(path) &&
      ChangePath.Create(change_path) && FileExplore.Create(explore) &&
      PinSetBtn.Create(pin_set) && ResetCount.Create(reset) && ShowImgCB.Create(show_image) &&
      Chk_CapAudio.Create(capture_audio) && CompressorLabel.Create(label(kCompressorLabel)) &&
      AudioLabel.Create(label(kAudioLabel)) && PathLabel.Create(label(kPathLabel));
  if (!created) return false;
  // One line each, clipped at the end rather than wrapped onto a hidden second line.
  for (HWND text : {CompressorLabel.hwnd(), AudioLabel.hwnd(), PathLabel.hwnd()}) {
    const LONG style = GetWindowLongA(text, GWL_STYLE);
    SetWindowLongA(text, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_LEFTNOWORDWRAP);
  }
  return true;
}

void TSettingForm::FillLists() {
  TDirectShow& panel = host_.DirectShow1();
  ComboBox1.AddItem(kNoCompress);
  StringList compressors;
  panel.GetCompressorsList(compressors);
  for (const std::string& name : compressors) ComboBox1.AddItem(name);
  ComboBox1.SetItemIndex(-1);

  StringList audio_devices;
  panel.GetAudioDeviceList(audio_devices);
  for (const std::string& name : audio_devices) AudioList.AddItem(name);
  AudioList.SetItemIndex(AudioList.Count() > 0 ? 0 : -1);
}

void TSettingForm::ReadSettings() {
  SettingsKey key;
  if (!key.is_open()) return;
  // A value longer than the buffer reads as absent, as a value that cannot be read whole
  // would name some other compressor or folder.
  std::string compressor;
  std::string file_path;
  key.ReadText("Compressor", kSettingValueBufferSize, &compressor);
  key.ReadText("FilePath", kSettingValueBufferSize, &file_path);
  PathEdit.SetText(file_path);
  if (file_path.empty()) {
    const std::string pictures = PictureFolder();
    PathEdit.SetText(pictures);
    key.WriteText("FilePath", pictures, true);
  }

  std::vector<std::string> listed;
  for (int entry = 1; entry < ComboBox1.Count(); ++entry) listed.push_back(ComboBox1.Item(entry));
  ComboBox1.SetItemIndex(CompressorEntryFor(listed, compressor));
  host_.DirectShow1().CompressorName = compressor;
}

void TSettingForm::FormShow() { KeepOnDesktop(hwnd(), &KeepInsideDesktop); }

void TSettingForm::ComboBoxChange() {
  const std::string name = ComboBox1.Text();
  host_.DirectShow1().CompressorName = name;
  SettingsKey key;
  if (key.is_open()) key.WriteText("Compressor", name, true);
}

void TSettingForm::AudioListChange() { host_.DirectShow1().AudioIndex = AudioList.ItemIndex(); }

void TSettingForm::Chk_CapAudioClick() {
  TDirectShow& panel = host_.DirectShow1();
  if (panel.GetInRecord()) return;
  panel.CaptureAudio = Chk_CapAudio.Checked();
}

void TSettingForm::ChangePathClick() {
  std::string folder;
  if (BrowseForFolder(host_.MainWindowHandle(), &folder)) PathEdit.SetText(folder);
  // Written also when the user cancels: the field's folder is the one in use.
  SettingsKey key;
  if (key.is_open()) key.WriteText("FilePath", PathEdit.Text(), true);
}

void TSettingForm::FileExploreClick() {
  ForceFolder(PathEdit.Text());
  const std::wstring folder = AnsiToWide(PathEdit.Text().c_str());
  if (folder.size() > kMaxOpenPathChars) return;
  ShellExecuteW(nullptr, L"Open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TSettingForm::ResetCountClick() {
  for (const char* counter : {"AviCounter", "JpgCounter"}) {
    SettingsKey key;
    if (!key.is_open()) continue;
    DWORD unused = 0;
    key.ReadDword(counter, &unused);
    key.WriteDword(counter, 0);
  }
}

void TSettingForm::PinSetBtnClick() {
  TDirectShow& panel = host_.DirectShow1();
  if (panel.GetInRecord()) {
    host_.DisableRecTimer();
    panel.StopRecord();
    host_.UpdateRecordingStatus();
  }
  if (panel.FormatDialogOpen) return;
  // The digital zoom is switched off before the format changes.
  if (PropertyForm != nullptr) PropertyForm->SwitchZoomOff();

  HWND main = host_.MainWindowHandle();
  if (!IsWindowVisible(main) || !panel.GetReady()) {
    host_.ShowMainWindow();
    // The preview switch turns a running preview off: only a preview that is not running
    // is switched.
    if (!panel.GetReady()) host_.PreviewBtnClick();
    if (!panel.GetReady()) {
      MessageBoxA(nullptr, "Device is locked by another application", "Error", MB_OK);
      return;
    }
  }
  panel.VCapCapturePinSet();
  WaitWhileFormatDialogOpen();
  ApplyStreamFormatSize();
  ApplyFormatToPropertyForm();
}

// A large format leaves no room for the digital zoom, the effects or the magnifier frame; a
// smaller one brings them back.
void TSettingForm::ApplyFormatToPropertyForm() {
  if (PropertyForm == nullptr) return;
  const BITMAPINFOHEADER& format = host_.DirectShow1().CaptureFormat.bmiHeader;
  // A top-down format has a negative height; its size is the magnitude.
  PropertyForm->FitToStreamFormat(IsLargeStreamFormat(format.biWidth, format.biHeight));
}

void TSettingForm::WaitWhileFormatDialogOpen() {
  TDirectShow& panel = host_.DirectShow1();
  while (panel.FormatDialogOpen) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kFormatDialogPollMs, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The program is ending: hand the quit on to the main loop and stop waiting.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void TSettingForm::ApplyStreamFormatSize() {
  TDirectShow& panel = host_.DirectShow1();
  const BITMAPINFOHEADER& format = panel.CaptureFormat.bmiHeader;
  const StreamFormatLayout layout = LayoutForStreamFormat(format.biWidth, format.biHeight);
  if (!layout.applies) return;
  HWND main = host_.MainWindowHandle();
  HWND preview = panel.Handle();
  constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  if (!layout.centred) SetWindowPos(preview, nullptr, 0, 0, 0, 0, kMoveOnly);
  SetWindowPos(main, nullptr, 0, 0, layout.main_width, layout.main_height, kSizeOnly);
  if (layout.centred) {
    // Centred in the size the main window really took.
    RECT main_rect{};
    GetWindowRect(main, &main_rect);
    const PreviewOrigin origin =
        PreviewOriginFor(layout.preview_width, layout.preview_height,
                         main_rect.right - main_rect.left, main_rect.bottom - main_rect.top);
    SetWindowPos(preview, nullptr, origin.left, origin.top, 0, 0, kMoveOnly);
  }
  SetWindowPos(preview, nullptr, 0, 0, layout.preview_width, layout.preview_height, kSizeOnly);
  panel.ReSizeDS();
}

LRESULT TSettingForm::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SHOWWINDOW && wparam) Guarded(&TSettingForm::FormShow)();
  return DefaultProc(message, wparam, lparam);
}

}  // namespace kvo
