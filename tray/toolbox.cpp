// The toolbox's handlers: placing and sliding the bar, painting its buttons, the tip, the
// clicks and the context menu.
#include "toolbox.h"

#include <commctrl.h>

#include "error_barrier.h"
#include "quickdock.h"
#include "resource.h"

namespace kvo::tray {
namespace {

constexpr COLORREF kSeeThroughColour = RGB(192, 192, 192);
constexpr DWORD kSlideOutPauseMs = 50;
constexpr DWORD kLeaveHoverMs = 200;
constexpr char kCameraOffCaption[] = "Error Window";

ScreenRect DesktopRect() {
  RECT r = {};
  GetWindowRect(GetDesktopWindow(), &r);
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

DockEdge Toolbox::Edge() const { return ParseDockEdge(quickdock_.state().dlg_position); }

void Toolbox::MoveTo(Position at) {
  position_ = at;
  const Extent size = BarSize(Edge());
  MoveWindow(window_, at.x, at.y, size.width, size.height, TRUE);
}

void Toolbox::SlideIn() {
  for (int step = 1; step <= kSlideSteps; ++step)
    MoveTo(SlideInStep(Edge(), DesktopRect(), step));
}

void Toolbox::SlideOut() {
  for (int step = 1; step <= kSlideSteps; ++step) {
    MoveTo(SlideOutStep(Edge(), DesktopRect(), step));
    Sleep(kSlideOutPauseMs);
  }
}

void Toolbox::DestroyTip() {
  if (tip_window_ != nullptr) DestroyWindow(tip_window_);
  tip_window_ = nullptr;
}

void Toolbox::CreateTip(int hover) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  tip_window_ = CreateWindowExA(
      WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
      GetModuleHandleA(nullptr), nullptr);
  if (tip_window_ == nullptr) return;
  SetWindowPos(tip_window_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT client = {};
  GetClientRect(window_, &client);
  const ScreenRect band =
      ToolBand(Edge(), hover, {client.left, client.top, client.right, client.bottom});
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = 0;
  tool.rect = {band.left, band.top, band.right, band.bottom};
  // The tooltip keeps a pointer to the text, so it must outlive the tool: the texts live
  // in the Quickdock's table, which outlives every toolbox. Off the buttons (hover 0) the
  // tip is the table's empty slot 0; past the last button it has no text.
  if (hover <= kButtonCount) tool.lpszText = quickdock_.state().texts[ButtonTipTextId(hover)];
  SendMessageA(tip_window_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Toolbox::PaintButtons() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  const DockEdge edge = Edge();
  if (edge != DockEdge::kNone) {
    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    for (int button = 1; button <= kButtonCount; ++button) {
      const int id = ButtonBitmapId(edge, button, hover_ == button);
      HBITMAP bitmap = quickdock_.state().bitmaps[id - IDB_FIRST_BUTTON].get();
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
  EndPaint(window_, &paint);
}

void Toolbox::KeepInPlace() {
  hover_ = 0;
  const DockEdge edge = Edge();
  if (quickdock_.state().eight_bit_display || edge == DockEdge::kNone) return;
  // Putting the window back raises this message again; only act on a real difference, or
  // the two would call each other without end.
  RECT now = {};
  GetWindowRect(window_, &now);
  const Extent size = BarSize(edge);
  const Position at = position_;
  const bool topmost = (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topmost && now.left == at.x && now.top == at.y && now.right - now.left == size.width &&
      now.bottom - now.top == size.height && GetWindow(window_, GW_HWNDPREV) == nullptr) {
    return;
  }
  SetWindowPos(window_, HWND_TOPMOST, at.x, at.y, size.width, size.height, SWP_NOACTIVATE);
}

void Toolbox::OnMouseMove(LPARAM position) {
  hover_ = 0;
  KillTimer(window_, kAutoHideTimer);
  if (!slid_in_) {
    SlideIn();
    slid_in_ = true;
  }
  hover_ = HoverIndex(Edge(), LOWORD(position), HIWORD(position));
  if (hover_ != previous_hover_) {
    previous_hover_ = hover_;
    InvalidateRect(window_, nullptr, TRUE);
    DestroyTip();
    CreateTip(hover_);
  }
  TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window_, kLeaveHoverMs};
  TrackMouseEvent(&track);
}

void Toolbox::OnMouseLeave() {
  hover_ = 0;
  previous_hover_ = 0;
  InvalidateRect(window_, nullptr, TRUE);
  SetTimer(window_, kAutoHideTimer, kAutoHideMs, nullptr);
}

void Toolbox::OnLeftButtonUp() {
  if (!quickdock_.state().device_enabled) {
    MessageBoxA(nullptr, quickdock_.Text(IDS_CAMERA_OFF), kCameraOffCaption, MB_OK);
    return;
  }
  const char* word = ButtonWord(hover_);
  if (word != nullptr) quickdock_.SendBusyGuardedWord(word);
}

void Toolbox::Close() {
  open_ = false;
  KillTimer(window_, kEdgeWatchTimer);
  DestroyTip();
  EndDialog(window_, 0);
}

void Toolbox::ReopenAtNewEdge() {
  Close();
  // Posted rather than sent: the closing toolbox's modal loop ends first, so edge changes
  // do not nest one modal loop inside another.
  PostMessageA(quickdock_.state().main_window, kTrayNotifyMessage, 1, WM_LBUTTONDBLCLK);
}

void Toolbox::SetCheck(UINT item, bool checked, int text_id) {
  HMENU menu = quickdock_.state().toolbox_menu;
  CheckMenuItem(menu, item, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  ModifyMenuA(menu, item, MF_BYCOMMAND | MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), item,
              quickdock_.Text(text_id));
}

void Toolbox::ChooseEdge(DockEdge edge) {
  QuickdockState& settings = quickdock_.state();
  settings.dlg_position = DockEdgeText(edge);
  SetCheck(IDM_ON_TOP, edge == DockEdge::kTop, IDS_ON_TOP);
  SetCheck(IDM_ON_LEFT, edge == DockEdge::kLeft, IDS_ON_LEFT);
  SetCheck(IDM_ON_RIGHT, edge == DockEdge::kRight, IDS_ON_RIGHT);
  if (settings.settings_key)
    settings.settings_key->WriteText("DlgPosition", settings.dlg_position, false);
  ReopenAtNewEdge();
}

void Toolbox::OnRightButtonUp() {
  POINT cursor = {};
  GetCursorPos(&cursor);
  SetForegroundWindow(window_);
  quickdock_.OpenSettingsKeyForMenu();
  menu_open_ = true;
  QuickdockState& settings = quickdock_.state();
  const UINT command = TrackPopupMenu(settings.toolbox_menu, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                      cursor.x, cursor.y, 0, window_, nullptr);
  switch (command) {
    case IDM_AUTO_HIDE:
      settings.dlg_auto_hide = settings.dlg_auto_hide == 'Y' ? 'N' : 'Y';
      SetCheck(IDM_AUTO_HIDE, settings.dlg_auto_hide == 'Y', IDS_AUTO_HIDE);
      settings.settings_key->WriteText("DlgAutoHide", std::string(1, settings.dlg_auto_hide),
                                       false);
      break;
    case IDM_ON_TOP: ChooseEdge(DockEdge::kTop); break;
    case IDM_ON_LEFT: ChooseEdge(DockEdge::kLeft); break;
    case IDM_ON_RIGHT: ChooseEdge(DockEdge::kRight); break;
    case IDM_CLOSE_TOOLBOX:
      menu_open_ = false;
      Close();
      return;
  }
  SetTimer(window_, kAutoHideTimer, kAutoHideMs, nullptr);
  menu_open_ = false;
}

void Toolbox::OnAutoHideTick() {
  if (quickdock_.state().dlg_auto_hide == 'Y' && !menu_open_) SlideOut();
  slid_in_ = false;
  KillTimer(window_, kAutoHideTimer);
}

void Toolbox::OnEdgeWatchTick() {
  if (quickdock_.state().eight_bit_display) return;
  POINT cursor = {};
  GetCursorPos(&cursor);
  if (PointerOnHiddenEdge(Edge(), DesktopRect(), cursor.x, cursor.y))
    SendMessageA(window_, WM_MOUSEMOVE, 0, 0);
}

void Toolbox::OnInitDialog() {
  if (quickdock_.state().dlg_alpha == 'Y') {
    SetWindowLongA(window_, GWL_EXSTYLE, GetWindowLongA(window_, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window_, kSeeThroughColour, 0, LWA_COLORKEY);
  }
  position_ = DockedPosition(Edge(), DesktopRect());
  SetTimer(window_, kAutoHideTimer, kAutoHideMs, nullptr);
  SetTimer(window_, kEdgeWatchTimer, kEdgeWatchMs, nullptr);
}

INT_PTR Toolbox::Message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_WINDOWPOSCHANGED:
      KeepInPlace();
      return TRUE;
    case WM_PAINT:
      PaintButtons();
      return TRUE;
    case WM_MOUSEMOVE:
      OnMouseMove(lparam);
      return TRUE;
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return TRUE;
    case WM_LBUTTONUP:
      OnLeftButtonUp();
      return TRUE;
    case WM_RBUTTONUP:
      OnRightButtonUp();
      return TRUE;
    case WM_TIMER:
      if (wparam == kAutoHideTimer) OnAutoHideTick();
      if (wparam == kEdgeWatchTimer) OnEdgeWatchTick();
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK Toolbox::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* opened = reinterpret_cast<Toolbox*>(lparam);
    opened->window_ = dialog;
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
  }
  auto* toolbox = reinterpret_cast<Toolbox*>(GetWindowLongPtrA(dialog, DWLP_USER));
  // Before WM_INITDIALOG, and once the dialog is being destroyed, it belongs to no object.
  if (toolbox == nullptr) return FALSE;
  if (message == WM_DESTROY) {
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    toolbox->window_ = nullptr;
    return FALSE;
  }
  return CallGuarded(dialog, INT_PTR{FALSE},
                     [&] { return toolbox->Message(message, wparam, lparam); });
}

void Toolbox::Run(HWND owner) {
  open_ = true;
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TOOLBOX), owner, DialogProc,
                  reinterpret_cast<LPARAM>(this));
  // Closed, or never created at all: either way the toolbox can be opened again.
  open_ = false;
}

void Toolbox::Show() {
  if (open_) {
    Nudge();
    return;
  }
  Run(quickdock_.state().main_window);
}

void Toolbox::Nudge() {
  if (window_ != nullptr) SendMessageA(window_, WM_MOUSEMOVE, 0, 0);
}

}  // namespace kvo::tray
