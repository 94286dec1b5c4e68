// The toolbox: a topmost bar of six picture buttons docked at a screen edge, run as a
// modal dialog owned by the main window.
#include "quickdock_state.h"

#include <commctrl.h>

#include "error_barrier.h"
#include "resource.h"

namespace kvo::tray {
namespace {

constexpr COLORREF kSeeThroughColour = RGB(192, 192, 192);
constexpr DWORD kSlideOutPauseMs = 50;
constexpr DWORD kLeaveHoverMs = 200;
constexpr char kCameraOffCaption[] = "Error Window";

DockEdge Edge() { return ParseDockEdge(g_quickdock.dlg_position); }

ScreenRect DesktopRect() {
  RECT r = {};
  GetWindowRect(GetDesktopWindow(), &r);
  return {r.left, r.top, r.right, r.bottom};
}

void MoveTo(HWND toolbox, Position at) {
  g_quickdock.toolbox_position = at;
  const Extent size = BarSize(Edge());
  MoveWindow(toolbox, at.x, at.y, size.width, size.height, TRUE);
}

void SlideIn(HWND toolbox) {
  for (int step = 1; step <= kSlideSteps; ++step)
    MoveTo(toolbox, SlideInStep(Edge(), DesktopRect(), step));
}

void SlideOut(HWND toolbox) {
  for (int step = 1; step <= kSlideSteps; ++step) {
    MoveTo(toolbox, SlideOutStep(Edge(), DesktopRect(), step));
    Sleep(kSlideOutPauseMs);
  }
}

void DestroyTip() {
  if (g_quickdock.tip_window != nullptr) DestroyWindow(g_quickdock.tip_window);
  g_quickdock.tip_window = nullptr;
}

void CreateTip(HWND toolbox, int hover) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  g_quickdock.tip_window = CreateWindowExA(
      WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, toolbox, nullptr,
      GetModuleHandleA(nullptr), nullptr);
  if (g_quickdock.tip_window == nullptr) return;
  SetWindowPos(g_quickdock.tip_window, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT client = {};
  GetClientRect(toolbox, &client);
  const ScreenRect band =
      ToolBand(Edge(), hover, {client.left, client.top, client.right, client.bottom});
  // The tooltip keeps a pointer to the text, so it must outlive the tool: the texts live
  // in the program-wide table.
  static char empty_tip[] = "";
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = toolbox;
  tool.uId = 0;
  tool.rect = {band.left, band.top, band.right, band.bottom};
  if (hover == 0) {
    tool.lpszText = empty_tip;
  } else if (hover <= kButtonCount) {
    tool.lpszText = g_quickdock.texts[ButtonTipTextId(hover)];
  }
  SendMessageA(g_quickdock.tip_window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void PaintButtons(HWND toolbox) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(toolbox, &paint);
  const DockEdge edge = Edge();
  if (edge != DockEdge::kNone) {
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    for (int button = 1; button <= kButtonCount; ++button) {
      const int id = ButtonBitmapId(edge, button, g_quickdock.hover == button);
      HBITMAP bitmap = g_quickdock.bitmaps[id - IDB_FIRST_BUTTON].get();
      if (bitmap == nullptr || !memory) continue;  // reported at start-up
      HGDIOBJ previous = SelectObject(memory.get(), bitmap);
      const Extent size = ButtonSize(edge, button);
      const int offset = ButtonOffset(edge, button);
      const int x = edge == DockEdge::kTop ? offset : 0;
      const int y = edge == DockEdge::kTop ? 0 : offset;
      BitBlt(dc, x, y, size.width, size.height, memory.get(), 0, 0, SRCCOPY);
      SelectObject(memory.get(), previous);
    }
  }
  EndPaint(toolbox, &paint);
}

void KeepInPlace(HWND toolbox) {
  g_quickdock.hover = 0;
  const DockEdge edge = Edge();
  if (g_quickdock.eight_bit_display || edge == DockEdge::kNone) return;
  // Putting the window back raises this message again; only act on a real difference, or
  // the two would call each other without end.
  RECT now = {};
  GetWindowRect(toolbox, &now);
  const Extent size = BarSize(edge);
  const Position at = g_quickdock.toolbox_position;
  const bool topmost = (GetWindowLongA(toolbox, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topmost && now.left == at.x && now.top == at.y && now.right - now.left == size.width &&
      now.bottom - now.top == size.height && GetWindow(toolbox, GW_HWNDPREV) == nullptr) {
    return;
  }
  SetWindowPos(toolbox, HWND_TOPMOST, at.x, at.y, size.width, size.height, SWP_NOACTIVATE);
}

void OnMouseMove(HWND toolbox, LPARAM position) {
  g_quickdock.hover = 0;
  KillTimer(toolbox, kAutoHideTimer);
  if (!g_quickdock.slid_in) {
    SlideIn(toolbox);
    g_quickdock.slid_in = true;
  }
  g_quickdock.hover = HoverIndex(Edge(), LOWORD(position), HIWORD(position));
  if (g_quickdock.hover != g_quickdock.previous_hover) {
    g_quickdock.previous_hover = g_quickdock.hover;
    InvalidateRect(toolbox, nullptr, TRUE);
    DestroyTip();
    CreateTip(toolbox, g_quickdock.hover);
  }
  TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, toolbox, kLeaveHoverMs};
  TrackMouseEvent(&track);
}

void OnMouseLeave(HWND toolbox) {
  g_quickdock.hover = 0;
  g_quickdock.previous_hover = 0;
  InvalidateRect(toolbox, nullptr, TRUE);
  SetTimer(toolbox, kAutoHideTimer, kAutoHideMs, nullptr);
}

void OnLeftButtonUp() {
  if (!g_quickdock.device_enabled) {
    MessageBoxA(nullptr, Text(IDS_CAMERA_OFF), kCameraOffCaption, MB_OK);
    return;
  }
  const char* word = ButtonWord(g_quickdock.hover);
  if (word != nullptr) SendBusyGuardedWord(word);
}

void CloseToolbox(HWND toolbox) {
  g_quickdock.toolbox_open = false;
  KillTimer(toolbox, kEdgeWatchTimer);
  DestroyTip();
  EndDialog(toolbox, 0);
}

void ReopenAtNewEdge(HWND toolbox) {
  CloseToolbox(toolbox);
  // Posted rather than sent: the closing toolbox's modal loop ends first, so edge changes
  // do not nest one modal loop inside another.
  PostMessageA(g_quickdock.main_window, kTrayNotifyMessage, 1, WM_LBUTTONDBLCLK);
}

void SetCheck(UINT item, bool checked, int text_id) {
  HMENU menu = g_quickdock.toolbox_menu;
  CheckMenuItem(menu, item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  ModifyMenuA(menu, item, MF_BYCOMMAND | MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), item,
              Text(text_id));
}

void ChooseEdge(HWND toolbox, DockEdge edge) {
  g_quickdock.dlg_position = DockEdgeText(edge);
  SetCheck(IDM_ON_TOP, edge == DockEdge::kTop, IDS_ON_TOP);
  SetCheck(IDM_ON_LEFT, edge == DockEdge::kLeft, IDS_ON_LEFT);
  SetCheck(IDM_ON_RIGHT, edge == DockEdge::kRight, IDS_ON_RIGHT);
  if (g_quickdock.settings_key)
    g_quickdock.settings_key->WriteText("DlgPosition", g_quickdock.dlg_position, false);
  ReopenAtNewEdge(toolbox);
}

void OnRightButtonUp(HWND toolbox) {
  POINT cursor = {};
  GetCursorPos(&cursor);
  SetForegroundWindow(toolbox);
  OpenSettingsKeyForMenu();
  g_quickdock.menu_open = true;
  const UINT command = TrackPopupMenu(g_quickdock.toolbox_menu, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                      cursor.x, cursor.y, 0, toolbox, nullptr);
  switch (command) {
    case IDM_AUTO_HIDE:
      g_quickdock.dlg_auto_hide = g_quickdock.dlg_auto_hide == 'Y' ? 'N' : 'Y';
      SetCheck(IDM_AUTO_HIDE, g_quickdock.dlg_auto_hide == 'Y', IDS_AUTO_HIDE);
      g_quickdock.settings_key->WriteText("DlgAutoHide",
                                          std::string(1, g_quickdock.dlg_auto_hide), false);
      break;
    case IDM_ON_TOP: ChooseEdge(toolbox, DockEdge::kTop); break;
    case IDM_ON_LEFT: ChooseEdge(toolbox, DockEdge::kLeft); break;
    case IDM_ON_RIGHT: ChooseEdge(toolbox, DockEdge::kRight); break;
    case IDM_CLOSE_TOOLBOX:
      g_quickdock.menu_open = false;
      CloseToolbox(toolbox);
      return;
  }
  SetTimer(toolbox, kAutoHideTimer, kAutoHideMs, nullptr);
  g_quickdock.menu_open = false;
}

void OnAutoHideTick(HWND toolbox) {
  if (g_quickdock.dlg_auto_hide == 'Y' && !g_quickdock.menu_open) SlideOut(toolbox);
  g_quickdock.slid_in = false;
  KillTimer(toolbox, kAutoHideTimer);
}

void OnEdgeWatchTick(HWND toolbox) {
  if (g_quickdock.eight_bit_display) return;
  POINT cursor = {};
  GetCursorPos(&cursor);
  if (PointerOnHiddenEdge(Edge(), DesktopRect(), cursor.x, cursor.y))
    SendMessageA(toolbox, WM_MOUSEMOVE, 0, 0);
}

void OnInitDialog(HWND toolbox) {
  g_quickdock.toolbox = toolbox;
  if (g_quickdock.dlg_alpha == 'Y') {
    SetWindowLongA(toolbox, GWL_EXSTYLE, GetWindowLongA(toolbox, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(toolbox, kSeeThroughColour, 0, LWA_COLORKEY);
  }
  g_quickdock.toolbox_position = DockedPosition(Edge(), DesktopRect());
  SetTimer(toolbox, kAutoHideTimer, kAutoHideMs, nullptr);
  SetTimer(toolbox, kEdgeWatchTimer, kEdgeWatchMs, nullptr);
}

INT_PTR ToolboxMessage(HWND toolbox, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(toolbox);
      return TRUE;
    case WM_WINDOWPOSCHANGED:
      KeepInPlace(toolbox);
      return TRUE;
    case WM_PAINT:
      PaintButtons(toolbox);
      return TRUE;
    case WM_MOUSEMOVE:
      OnMouseMove(toolbox, lparam);
      return TRUE;
    case WM_MOUSELEAVE:
      OnMouseLeave(toolbox);
      return TRUE;
    case WM_LBUTTONUP:
      OnLeftButtonUp();
      return TRUE;
    case WM_RBUTTONUP:
      OnRightButtonUp(toolbox);
      return TRUE;
    case WM_TIMER:
      if (wparam == kAutoHideTimer) OnAutoHideTick(toolbox);
      if (wparam == kEdgeWatchTimer) OnEdgeWatchTick(toolbox);
      return TRUE;
    case WM_DESTROY:
      if (g_quickdock.toolbox == toolbox) g_quickdock.toolbox = nullptr;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK ToolboxProc(HWND toolbox, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(toolbox, INT_PTR{FALSE},
                     [&] { return ToolboxMessage(toolbox, message, wparam, lparam); });
}

}  // namespace

void OpenSettingsKeyForMenu() {
  // A key left open by an earlier menu is closed before the key is opened again.
  g_quickdock.settings_key.reset();
  g_quickdock.settings_key = std::make_unique<SettingsKey>();
}

void RunToolbox(HWND owner) {
  g_quickdock.toolbox_open = true;
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TOOLBOX), owner, ToolboxProc,
                  0);
  // Closed, or never created at all: either way the toolbox can be opened again.
  g_quickdock.toolbox_open = false;
}

void ShowToolbox() {
  if (g_quickdock.toolbox_open) {
    NudgeToolbox();
    return;
  }
  RunToolbox(g_quickdock.main_window);
}

void NudgeToolbox() {
  if (g_quickdock.toolbox != nullptr) SendMessageA(g_quickdock.toolbox, WM_MOUSEMOVE, 0, 0);
}

}  // namespace kvo::tray
