// The tray companion's timers, messages and the state its Quickdock object owns. Everything
// here is touched by the program's one thread only.
#pragma once

#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>

#include "settings_key.h"
#include "tray_words.h"
#include "unique_resource.h"

namespace kvo::tray {

constexpr UINT kTrayNotifyMessage = WM_USER + 1;  // 1025
constexpr UINT_PTR kSnapshotPollTimer = 512;
constexpr UINT_PTR kAutoHideTimer = 514;
constexpr UINT_PTR kEdgeWatchTimer = 515;
constexpr UINT_PTR kCommandBusyTimer = 516;
constexpr UINT kSnapshotPollMs = 200;
constexpr UINT kCommandBusyMs = 500;
constexpr UINT kAutoHideMs = 1000;
constexpr UINT kEdgeWatchMs = 250;
constexpr int kTextCount = 31;
constexpr int kTextSize = 256;
constexpr int kBitmapCount = 24;
constexpr char kMainWindowClass[] = "KVO_CM_Quickdock";

struct QuickdockState {
  HWND main_window = nullptr;
  // The shared settings key while it is open for the start-up reads or for the toolbox
  // menu's writes.
  std::unique_ptr<SettingsKey> settings_key;
  bool administrator = false;
  bool device_enabled = false;
  bool session_disabled = false;
  bool command_busy = false;
  // While a fatal error box is shown, its modal loop still runs the timers: nothing may
  // start a program (and with it a second box) then.
  bool error_box_shown = false;
  bool eight_bit_display = false;
  ATOM hot_key_ids[kHotKeyCount] = {};
  HHOOK keyboard_hook = nullptr;
  UniqueHModule hook_library;
  UniqueHBitmap bitmaps[kBitmapCount];
  UniqueHandle mutex;
  UniqueHMenu tray_menu_bar;
  UniqueHMenu toolbox_menu_bar;
  HMENU tray_menu = nullptr;
  HMENU toolbox_menu = nullptr;
  HDEVNOTIFY device_notification = nullptr;
  UniqueHModule session_library;
  bool session_notification = false;
  // By string id 1..31; slot 0 stays empty (the toolbox's tip off the buttons).
  char texts[kTextCount + 1][kTextSize] = {};

  // Settings read at start-up.
  std::string prog_path;
  std::string running_device;
  std::string dlg_position = "RIGHT";
  std::string product_version;
  char dlg_alpha = 'N';
  char dlg_auto_hide = 'N';
};

}  // namespace kvo::tray
