// What the camera application's end-to-end scenarios share: the running KVO_MAIN.exe, its
// windows and their controls, the folder the stills go to, screenshots, JPEG reading and
// device-change records as the platform sends them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bitmap24.h"
#include "e2e.h"

namespace kvo::test {

constexpr char kKvoMain[] = "KVO_MAIN.exe";
constexpr char kMainClass[] = "TKVO_CM_MAIN";
constexpr char kPanelClass[] = "TDirectShow";
constexpr char kSettingClass[] = "TSettingForm";
constexpr char kViewClass[] = "TSnapView";
constexpr DWORD kStartTimeout = 30000;

std::string AppStatus();
// A folder of the build tree for this scenario's files, emptied first.
std::string FreshFolder(const std::string& name);
// Where screenshots go: the build tree's "artefacts" folder.
std::string ArtefactPath(const std::string& file);
void RemoveFolderTree(const std::string& folder);

// Starts KVO_MAIN.exe with the word as first instance and waits until it takes commands.
Process StartKvoMain(const std::string& word, HWND* main_window);
// A later instance with this word; returns when the running one has handled it.
bool Relay(const std::string& word);
// Asks the running instance to end and waits for it; kills it when it does not end.
void EndKvoMain(Process& process);

HWND PanelOf(HWND main_window);
std::string PanelCaption(HWND main_window);
SIZE WindowSizeOf(HWND window);
SIZE ClientSizeOf(HWND window);
// The settings window's folder field and check boxes, found by their texts.
HWND SettingWindow(DWORD process_id);
HWND PathEditOf(HWND setting_window, const std::string& current_text);
HWND CheckBoxOf(HWND setting_window, const char* caption);

// Waits for the message box with this caption, checks nothing, presses OK and returns its
// text ("<none>" when no box came).
std::string AnswerMessageBox(const char* caption, DWORD process_id, DWORD timeout_ms = 15000);

// The boxes of the process with this caption that are open now.
int OpenBoxes(const char* caption, DWORD process_id);

// Waits for the first box with this caption, then watches for watch_ms how many such boxes
// are open at once; the box is left open for the test to close.
struct BoxWatch {
  HWND box = nullptr;
  std::string text;
  int most_boxes = 0;
};
BoxWatch WatchBoxes(const char* caption, DWORD process_id, DWORD first_timeout_ms,
                    DWORD watch_ms);

// Saves the window as the screen shows it: a PNG taken by ImageMagick's import, run as a
// Unix program through Wine's start.exe; false when it could not.
bool SaveScreenshot(HWND window, const std::string& path);

// A JPEG file decoded to a bitmap (blue, green, red), with what its header says.
struct DecodedJpeg {
  Bitmap24 bitmap;
  bool jfif = false;
  bool progressive = true;
  int components = 0;
};
std::optional<DecodedJpeg> DecodeJpegFile(const std::string& path);
// The driver's pending still, as the camera library reads it.
std::optional<Bitmap24> ReadDriverStill();
// Mean absolute difference of the channels; -1 when the sizes differ.
double MeanDifference(const Bitmap24& a, const Bitmap24& b);

// The driver's snapshot state in its instance key (0 when unreadable).
DWORD SnapshotState();

// Sends WM_DEVICECHANGE with the wide device-interface record, as the platform sends it
// to a window registered for device-interface notifications.
LRESULT SendDeviceInterfaceChange(HWND window, WPARAM event, const std::wstring& name);

extern const wchar_t kCameraInterface[];
extern const wchar_t kOtherInterface[];

}  // namespace kvo::test
