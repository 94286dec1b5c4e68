// Stills and recordings of the main window: asking the camera for a still, saving it as a
// numbered JPEG file (and mailing it), starting and stopping numbered recordings, the
// recording clock, and stopping a recording the capture panel aborted.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>

#include "app_error.h"
#include "bitmap_target.h"
#include "jpeg_writer.h"
#include "mail_fallback.h"
#include "main_window.h"
#include "settings_key.h"
#include "still_file.h"
#include "wide_text.h"

namespace kvo {

namespace {

using Microsoft::WRL::ComPtr;

// {9E56BE60-C50F-11CF-9A2C-00A0C90A90CE}: the shell's Mail Recipient drop target.
constexpr CLSID kMailRecipient = {
    0x9E56BE60, 0xC50F, 0x11CF, {0x9A, 0x2C, 0x00, 0xA0, 0xC9, 0x0A, 0x90, 0xCE}};
constexpr int kSmallestStillWidth = 160;
constexpr int kSmallestStillHeight = 120;

bool FileExistsW(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemErrorText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length)
                                                     : "Error " + std::to_string(error) + ".";
  LocalFree(buffer);
  text.erase(text.find_last_not_of("\r\n ") + 1);  // system texts end with a line end
  return text;
}

std::optional<std::string> FileSystemNameOf(wchar_t drive) {
  const wchar_t root[] = {drive, L':', L'\\', L'\0'};
  wchar_t name[101] = {};
  if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, name, 100)) {
    return std::nullopt;
  }
  return WideToAnsi(name);
}

std::optional<uint64_t> FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct ItemIdList {
  LPITEMIDLIST list = nullptr;
  ~ItemIdList() { CoTaskMemFree(list); }
};

}  // namespace

void TKVO_CM_MAIN::RequestStill() {
  CM_SetProperties(CamHandle, CM_ID_TRIGGER_ENABLE, nullptr);
}

std::string TKVO_CM_MAIN::FolderForFiles() const {
  return Settings != nullptr ? Settings->PathText() : std::string();
}

uint32_t TKVO_CM_MAIN::NextCounterValue(const char* counter_name) const {
  SettingsKey key;
  if (!key.is_open()) return 0;
  DWORD counter = 0;
  if (!key.ReadDword(counter_name, &counter)) counter = 0;
  ++counter;
  key.WriteDword(counter_name, counter);
  return counter;
}

uint32_t TKVO_CM_MAIN::TakeFreeNumber(const char* counter_name, uint32_t number,
                                      const std::string& folder, const char* prefix,
                                      const char* extension) const {
  // An earlier file of that name (after a counter reset, or counters copied from another
  // user) is never replaced: the next free number is taken and kept as the counter.
  auto exists = [&](uint32_t candidate) {
    return FileExistsW(AnsiToWide(NumberedFileName(folder, prefix, candidate, extension).c_str()));
  };
  if (!exists(number)) return number;
  auto free_number = NextFreeNumber(number, exists);
  if (!free_number) throw AppError("No free file number in " + folder + ".");
  SettingsKey key;
  if (key.is_open()) key.WriteDword(counter_name, *free_number);
  return *free_number;
}

void TKVO_CM_MAIN::SaveSnapshot() {
  Bitmap24 bitmap;
  BitmapTarget target(bitmap);
  CM_GetProperties(CamHandle, CM_ID_SNAPSHOT_IMAGE, static_cast<CM_BitmapTarget*>(&target));
  if (bitmap.width() < kSmallestStillWidth || bitmap.height() < kSmallestStillHeight) return;

  if (SnapView != nullptr) {
    const SIZE view = SnapView->WindowSize();
    const SIZE image = SnapView->ImageSize();
    const SizeStep size = ViewerSizeForPicture(bitmap.width(), bitmap.height(), view.cx, view.cy,
                                               image.cx, image.cy);
    SnapView->SetWindowSize(size.width, size.height);
    if (Settings != nullptr && Settings->ShowImageChecked()) SnapView->Show();
    SnapView->SetPicture(bitmap);
  }
  std::string encode_error;
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(bitmap, kStillJpegQuality, &encode_error);
  if (jpeg.empty()) throw AppError("Cannot encode the picture: " + encode_error);

  uint32_t number = NextCounterValue("JpgCounter");
  const std::string folder = FolderForFiles();
  ForceFolder(folder);
  number = TakeFreeNumber("JpgCounter", number, folder, kSnapshotPrefix, kSnapshotExtension);

  const NumberedWrite written = WriteNumberedFile(
      folder, kSnapshotPrefix, number, kSnapshotExtension, jpeg, [](const std::string& path) {
        return SnapshotPathFits(AnsiToWide(path.c_str()).size(), path.size());
      });
  if (written.error == ERROR_FILENAME_EXCED_RANGE) {
    throw AppError("The path of the picture is too long: " + written.path);
  }
  // Another program took the number meanwhile: the still went to the next free one.
  if (written.number != number) {
    SettingsKey key;
    if (key.is_open()) key.WriteDword("JpgCounter", written.number);
  }
  SnapshotPath = AnsiToWide(written.path.c_str());
  if (written.error != ERROR_SUCCESS) {
    throw AppError("Cannot write " + written.path + ": " + SystemErrorText(written.error));
  }
  if (MailPending) {
    MailPending = false;
    MailSnapshot(SnapshotPath);
  }
  CM_SetProperties(CamHandle, CM_ID_SNAPSHOT_DONE, nullptr);
}

void TKVO_CM_MAIN::MailSnapshot(const std::wstring& path) {
  ComPtr<IDropTarget> mail;
  if (FAILED(CoCreateInstance(kMailRecipient, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTarget,
                              reinterpret_cast<void**>(mail.GetAddressOf())))) {
    // No Mail Recipient target on this system: the mail program through Simple MAPI.
    SendFileWithSimpleMapi(hwnd(), path.c_str());
    return;
  }
  const std::size_t cut = path.find_last_of(L'\\');
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
  std::wstring file = cut == std::wstring::npos ? path : path.substr(cut + 1);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  if (file.empty()) return;

  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.GetAddressOf()))) return;
  ComPtr<IShellFolder> shell_folder;
  {
    ItemIdList folder_list;
    if (FAILED(desktop->ParseDisplayName(hwnd(), nullptr, &folder[0], nullptr, &folder_list.list,
                                         nullptr))) {
      return;
    }
    if (FAILED(desktop->BindToObject(folder_list.list, nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(shell_folder.GetAddressOf())))) {
      return;
    }
  }
  ComPtr<IDataObject> data;
  {
    ItemIdList file_list;
    if (FAILED(shell_folder->ParseDisplayName(hwnd(), nullptr, &file[0], nullptr, &file_list.list,
                                              nullptr))) {
      return;
    }
    LPCITEMIDLIST items[] = {file_list.list};
    if (FAILED(shell_folder->GetUIObjectOf(hwnd(), 1, items, IID_IDataObject, nullptr,
                                           reinterpret_cast<void**>(data.GetAddressOf())))) {
      return;
    }
  }
  POINTL origin = {0, 0};
  DWORD effect = DROPEFFECT_COPY;
  mail->DragEnter(data.Get(), MK_LBUTTON, origin, &effect);
  effect = DROPEFFECT_COPY;
  mail->Drop(data.Get(), MK_LBUTTON, origin, &effect);
}

void TKVO_CM_MAIN::StartPreviewShown() {
  ShowMainWindow();
  DirectShow1().Run();
  SetEyeGlyph(true);
  RefreshPreviewButton();
}

// A relayed "SnapShot" answers a camera that is off, takes the still of a shown preview and
// otherwise opens the preview (the next "SnapShot" takes the still). At start-up the
// construction has opened the preview already: a ready one is only shown.
void TKVO_CM_MAIN::SnapshotCommand(CommandSource source) {
  const bool visible = IsWindowVisible(hwnd()) != FALSE;
  if (source == CommandSource::kRelayed) {
    if (!CameraOn) {
      ShowCameraOffBox();
      return;
    }
    if (DirectShow1().GetReady() && visible) {
      RequestStill();
      return;
    }
    if (OpenPreviewForSnapshot()) return;
  } else if (DirectShow1().GetReady()) {
    ShowMainWindow();
    return;
  }
  if (Locked() && visible) RequestStill();
  ShowMainWindow();
}

bool TKVO_CM_MAIN::OpenPreviewForSnapshot() {
  OpenPreview();
  if (!DirectShow1().GetReady()) return false;
  ShowMainWindow();
  OpenPreview();  // built anew now that the window is visible
  DirectShow1().Run();
  SetEyeGlyph(true);
  RefreshPreviewButton();
  return true;
}

// A relayed "SendMail" takes the still of a shown preview at once and otherwise opens the
// preview; at start-up a ready preview is only shown. The still then comes with SnapTimer.
void TKVO_CM_MAIN::MailCommand(CommandSource source) {
  bool ready = DirectShow1().GetReady();
  if (source == CommandSource::kRelayed) {
    if (ready && IsWindowVisible(hwnd())) {
      MailPending = true;
      RequestStill();
      return;
    }
    OpenPreview();
    ready = DirectShow1().GetReady();
    if (ready) StartPreviewShown();
  } else if (ready) {
    ShowMainWindow();
  }
  QueueMailStill(ready);
}

// With a running preview the still for the mail comes at SnapTimer's tick; a camera locked
// by another program is asked for its still directly.
void TKVO_CM_MAIN::QueueMailStill(bool preview_runs) {
  if (preview_runs) {
    MailPending = true;
    SnapTimer.SetEnabled(true);
  } else if (Locked()) {
    MailPending = true;
    RequestStill();
  }
}

void TKVO_CM_MAIN::SnapTimerTimer() {
  RequestStill();
  SnapTimer.SetEnabled(false);
}

// A relayed "Record" with a ready preview leaves the window as it is; at start-up the window
// shows in any case.
void TKVO_CM_MAIN::RecordCommand(CommandSource source) {
  const bool ready = DirectShow1().GetReady();
  if (!ready || source == CommandSource::kStartup) ShowMainWindow();
  if (ready) {
    RecBtnClick();
  } else {
    OpenPreviewAndRecord();
  }
}

void TKVO_CM_MAIN::OpenPreviewAndRecord() {
  OpenPreview();
  if (!DirectShow1().GetReady()) return;
  DirectShow1().Run();
  SetEyeGlyph(true);
  RefreshPreviewButton();
  RecBtnClick();
}

void TKVO_CM_MAIN::RecBtnClick() {
  Clock = RecordingClock{};
  recording_ticks_ = 0;
  DirectShow1().CaptureAudio = Settings != nullptr && Settings->CaptureAudioChecked();
  if (!DirectShow1().GetInRecord()) {
    StartRecording();
    UpdateRecordingStatus();
    return;
  }
  // Whoever stops it, the user learns why a recording failed: from a failure seen while it
  // ran, or else from one the panel met in its last moments or while the file was finished.
  std::string failure = RecordingFailureText();
  StopRecording();
  if (failure.empty()) failure = RecordingFailureText();
  recording_failure_.clear();
  UpdateRecordingStatus();
  if (!failure.empty()) MessageBoxA(nullptr, failure.c_str(), "Warning", MB_OK);
}

bool TKVO_CM_MAIN::RecordingRuns() const {
  return RecTimer.Enabled() && direct_show_->GetReady() && direct_show_->GetInRecord();
}

void TKVO_CM_MAIN::StopRecording() {
  RecTimer.SetEnabled(false);
  DirectShow1().CapturePinSet(&SavedCaptureFormat);
  DirectShow1().StopRecord();
  const int width = SavedCaptureFormat.bmiHeader.biWidth;
  const int height = SavedCaptureFormat.bmiHeader.biHeight;
  // A format that holds no size (the camera's own was kept) gives the standard window.
  if (width > 0 && height > 0) {
    SetWindowSize(width + kPanelWidthMargin, height + kPanelHeightMargin);
  } else {
    SetWindowSize(kStandardWindowWidth, kStandardWindowHeight);
  }
  DirectShow1().Run();
  if (Settings != nullptr) Settings->EnableCaptureAudio(true);
}

void TKVO_CM_MAIN::StartRecording() {
  uint32_t number = NextCounterValue("AviCounter");
  const std::string folder = FolderForFiles();
  ForceFolder(folder);
  number = TakeFreeNumber("AviCounter", number, folder, kRecordingPrefix, kRecordingExtension);
  const std::string ansi_path =
      NumberedFileName(folder, kRecordingPrefix, number, kRecordingExtension);
  RecordPath = AnsiToWide(ansi_path.c_str());
  if (RecordPath.size() + 1 > static_cast<std::size_t>(kWidePathChars) || RecordPath.size() > 263) {
    throw AppError("The path of the recording is too long: " + ansi_path);
  }
  DirectShow1().CapturePinGet(&SavedCaptureFormat);
  SetWindowSize(kStandardWindowWidth, kStandardWindowHeight);
  recording_failure_.clear();
  DirectShow1().StartRecord(RecordPath.c_str());
  DirectShow1().Run();
  if (Settings != nullptr) Settings->EnableCaptureAudio(false);
  // No clock without a recording (no graph to record with, or a start that failed).
  if (DirectShow1().GetReady() && DirectShow1().GetInRecord()) RecTimer.SetEnabled(true);
}

void TKVO_CM_MAIN::RecTimerTimer() {
  Clock.Tick();
  ++recording_ticks_;
  UpdateRecordingStatus();
}

bool TKVO_CM_MAIN::RecordingFileVanished() {
  // Wine's writer reports only some write failures to the panel; a recording file that
  // has vanished (its folder removed, access taken away) is a failed recording too. The
  // file is looked at from the second tick on, once the writer has had time to make it.
  if (recording_ticks_ < 2 || RecordPath.empty()) return false;
  if (FileSizeOf(RecordPath)) return false;
  recording_failure_ = kRecordingStoppedPrefix + SystemErrorText(GetLastError());
  return true;
}

std::string TKVO_CM_MAIN::RecordingFailureText() const {
  const TDirectShow& panel = *direct_show_;
  if (panel.DiskError) {
    const wchar_t drive = RecordPath.empty() ? L'C' : RecordPath[0];
    return DiskErrorText(FileSystemNameOf(drive), FileSizeOf(RecordPath));
  }
  const HRESULT status = panel.AbortStatus;
  if (status != 0) {
    // Any other write failure (a vanished folder, access denied): said with the system's
    // own text.
    const DWORD error = HRESULT_FACILITY(status) == FACILITY_WIN32
                            ? static_cast<DWORD>(HRESULT_CODE(status))
                            : static_cast<DWORD>(status);
    return kRecordingStoppedPrefix + SystemErrorText(error);
  }
  return recording_failure_;
}

void TKVO_CM_MAIN::UpdateRecordingStatus() {
  // Only a recording that runs is stopped here: after the camera was released the clock
  // may still run with nothing recording, and a stop must never turn into a start.
  if (RecordingRuns() &&
      (DirectShow1().DiskError || DirectShow1().AbortStatus != 0 || RecordingFileVanished())) {
    RecBtnClick();  // the stop says why
  }
  const std::string caption =
      RecordingCaption(RecTimer.Enabled() && DirectShow1().GetReady(), Clock);
  char current[64] = {};
  GetWindowTextA(hwnd(), current, sizeof current);
  if (caption != current) SetWindowTextA(hwnd(), caption.c_str());
}

}  // namespace kvo
