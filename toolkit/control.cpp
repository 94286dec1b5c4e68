#include "toolkit_control.h"

#include <commctrl.h>

#include <map>

#include "control_internal.h"
#include "gdi.h"
#include "skin_data.h"
#include "window_hook.h"

namespace kvo::toolkit {

namespace {

constexpr char kPanelClass[] = "KvoToolkitPanel";

HWND HintWindowFor(HWND root, bool create) {
  // One tooltip per top-level window, owned by it and so destroyed with it.
  static std::map<HWND, HWND> windows;
  auto found = windows.find(root);
  if (found != windows.end()) {
    if (IsWindow(found->second) && GetWindow(found->second, GW_OWNER) == root) {
      return found->second;
    }
    windows.erase(found);
  }
  if (!create) return nullptr;
  EnsureCommonControls();
  HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, root, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (tip == nullptr) return nullptr;
  SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 400);
  windows[root] = tip;
  return tip;
}

// Adds or deletes the tool of a control. TTTOOLINFOA_V2_SIZE: the size every comctl32
// version from 5.80 on accepts.
void SendToolMessage(HWND tip, UINT message, HWND control, const std::string* text) {
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text != nullptr ? const_cast<char*>(text->c_str()) : nullptr;
  SendMessageA(tip, message, 0, reinterpret_cast<LPARAM>(&tool));
}

bool IsMouseMessage(UINT message) {
  return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
         message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_MBUTTONDOWN ||
         message == WM_MBUTTONUP;
}

int NextControlId() {
  static int next = 0x4000;
  next = next >= 0x7FFF ? 0x4000 : next + 1;
  return next;
}

// Containers keep the font they are given, as the platform's controls do, so captions and
// the controls made inside them (radio items) use it.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETFONT:
      SetWindowLongPtrA(hwnd, 0, static_cast<LONG_PTR>(wparam));
      if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrA(hwnd, 0);
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

bool RegisterPanelClass() {
  static const bool registered = [] {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = PanelProc;
    window_class.cbWndExtra = sizeof(LONG_PTR);
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kPanelClass;
    return RegisterClassExA(&window_class) != 0 ||
           GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

HFONT CreatePointFont(const FontSpec& spec) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(spec.points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, spec.face.c_str());
}

HFONT DefaultFont() {
  static const HFONT font = [] {
    HFONT created = CreatePointFont({"MS Sans Serif", 8, false});
    return created != nullptr ? created : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

void EnsureCommonControls() {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES;
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)initialised;
}

HWND HintWindowOf(HWND top_level_window) { return HintWindowFor(top_level_window, false); }

bool RouteControlMessage(HWND, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  LRESULT ignored = 0;
  if (result == nullptr) result = &ignored;
  auto control_of = [](HWND part) {
    return static_cast<Control*>(FindWindowHook(part, &Control::PartHook));
  };
  // The sending control, for the messages whose lparam is its window.
  HWND source = reinterpret_cast<HWND>(lparam);
  switch (message) {
    case WM_COMMAND: {
      Control* control = control_of(source);
      return control != nullptr && control->OnCommand(source, HIWORD(wparam), result);
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header == nullptr) return false;
      Control* control = control_of(header->hwndFrom);
      return control != nullptr && control->OnNotify(header, result);
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      Control* control = control_of(source);
      return control != nullptr && control->OnScroll(source, LOWORD(wparam), result);
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      if (item == nullptr || item->CtlType == ODT_MENU) return false;
      Control* control = control_of(item->hwndItem);
      if (control == nullptr || !control->OnDrawItem(item)) return false;
      *result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      Control* control = control_of(source);
      return control != nullptr && control->OnColor(reinterpret_cast<HDC>(wparam), source, result);
    }
    default:
      return false;
  }
}

Control::~Control() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool Control::CreateControl(const ControlArgs& args, const char* window_class, DWORD style,
                            DWORD ex_style) {
  if (hwnd_ != nullptr || args.parent == nullptr) return false;
  EnsureCommonControls();
  style |= WS_CHILD;
  if (args.visible) style |= WS_VISIBLE;
  if (args.tab_stop) style |= WS_TABSTOP;
  if (!args.enabled) style |= WS_DISABLED;
  HWND created = CreateWindowExA(
      ex_style, window_class, args.caption.c_str(), style, args.bounds.left, args.bounds.top,
      args.bounds.width, args.bounds.height, args.parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())),
      GetModuleHandleA(nullptr), nullptr);
  if (created == nullptr) return false;
  hwnd_ = created;
  skin_ = args.skin;
  tag = args.tag;
  BindPart(created);
  HFONT font = args.font;
  if (font == nullptr) font = Skinned() ? skin_->ControlFont() : DefaultFont();
  SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (!args.hint.empty()) SetHint(args.hint);
  return true;
}

// A container is no tab stop itself; the controls in it are.
bool Control::CreateContainer(const ControlArgs& args, DWORD style, DWORD ex_style) {
  if (!RegisterPanelClass()) return false;
  ControlArgs container_args = args;
  container_args.tab_stop = false;
  return CreateControl(container_args, kPanelClass, style, ex_style);
}

void Control::BindPart(HWND part) { AddWindowHook(part, &Control::PartHook, this); }

LRESULT Control::CallOriginalProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (hwnd_ == nullptr) return 0;
  return CallNextHook(hwnd_, message, wparam, lparam);
}

bool Control::Skinned() const { return skin_ != nullptr && skin_->Active(); }

LRESULT Control::PartHook(void* owner, HWND part, UINT message, WPARAM wparam, LPARAM lparam) {
  return static_cast<Control*>(owner)->OnPartMessage(part, message, wparam, lparam);
}

LRESULT Control::OnPartMessage(HWND part, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCDESTROY) {
    ForgetPart(part);
    return CallNextHook(part, message, wparam, lparam);
  }
  if (IsMouseMessage(message) && !hint_.empty()) {
    if (HWND tip = HintWindowFor(GetAncestor(part, GA_ROOT), false)) {
      MSG relayed = {part, message, wparam, lparam, static_cast<DWORD>(GetMessageTime()), {}};
      SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
  }
  LRESULT result = 0;
  // Every toolkit window can hold controls (containers do), so it routes like a window.
  if (RouteControlMessage(part, message, wparam, lparam, &result)) return result;
  if (hwnd_ == part && OnOwnMessage(message, wparam, lparam, &result)) return result;
  return CallNextHook(part, message, wparam, lparam);
}

// The part's window ends: its hint and its hook go with it.
void Control::ForgetPart(HWND part) {
  if (!hint_.empty() && hwnd_ == part) {
    HWND tip = HintWindowFor(GetAncestor(part, GA_ROOT), false);
    if (tip != nullptr) SendToolMessage(tip, TTM_DELTOOL, part, nullptr);
  }
  RemoveWindowHook(part, &Control::PartHook, this);
  if (hwnd_ == part) hwnd_ = nullptr;
}

void Control::SetBounds(const Rect& bounds) {
  if (hwnd_ == nullptr) return;
  SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect Control::Bounds() const {
  if (hwnd_ == nullptr) return {};
  RECT window_rect = {};
  GetWindowRect(hwnd_, &window_rect);
  MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&window_rect), 2);
  return {window_rect.left, window_rect.top, window_rect.right - window_rect.left,
          window_rect.bottom - window_rect.top};
}

void Control::Move(int left, int top) {
  if (hwnd_ == nullptr) return;
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

void Control::Resize(int width, int height) {
  if (hwnd_ == nullptr) return;
  SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void Control::SetVisible(bool visible) {
  if (hwnd_ != nullptr) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Visible() const {
  return hwnd_ != nullptr && (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetEnabled(bool enabled) {
  if (hwnd_ != nullptr) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

bool Control::Enabled() const { return hwnd_ != nullptr && IsWindowEnabled(hwnd_) != FALSE; }

void Control::Focus() {
  if (hwnd_ != nullptr) SetFocus(hwnd_);
}

void Control::SetCaption(const std::string& caption) {
  if (hwnd_ != nullptr) SetWindowTextA(hwnd_, caption.c_str());
}

std::string Control::Caption() const {
  if (hwnd_ == nullptr) return {};
  const int length = GetWindowTextLengthA(hwnd_);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(hwnd_, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void Control::SetHint(const std::string& hint) {
  HWND tip = hwnd_ != nullptr ? HintWindowFor(GetAncestor(hwnd_, GA_ROOT), !hint.empty())
                              : nullptr;
  if (tip != nullptr && !hint_.empty()) SendToolMessage(tip, TTM_DELTOOL, hwnd_, nullptr);
  hint_ = hint;
  if (tip != nullptr && !hint_.empty()) SendToolMessage(tip, TTM_ADDTOOL, hwnd_, &hint_);
}

bool Control::OnCommand(HWND, WORD, LRESULT*) { return false; }
bool Control::OnNotify(NMHDR*, LRESULT*) { return false; }
bool Control::OnScroll(HWND, WORD, LRESULT*) { return false; }
bool Control::OnDrawItem(DRAWITEMSTRUCT*) { return false; }

bool Control::OnColor(HDC dc, HWND, LRESULT* result) {
  if (!Skinned()) return false;
  SetTextColor(dc, skin_->TextColor());
  SetBkColor(dc, skin_->FaceColor());
  *result = reinterpret_cast<LRESULT>(skin_->FaceBrush());
  return true;
}

bool Control::OnOwnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

// Panels paint their face in the skin's colour when skinned.
bool Panel::Create(const CreateArgs& args) {
  return CreateContainer(args, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool Panel::OnOwnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message != WM_ERASEBKGND) return false;
  RECT client = {};
  GetClientRect(hwnd(), &client);
  FillFace(reinterpret_cast<HDC>(wparam), client, skin());
  *result = TRUE;
  return true;
}

int TextLineHeight(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return 13;
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return metrics.tmHeight > 0 ? metrics.tmHeight : 13;
}

namespace {

void PaintGroupFrame(HWND hwnd, HDC dc, const SkinData* skin) {
  RECT client = {};
  GetClientRect(hwnd, &client);
  FillFace(dc, client, skin);
  RECT frame = client;
  frame.top += TextLineHeight(hwnd) / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  char caption[256] = {};
  GetWindowTextA(hwnd, caption, sizeof(caption));
  if (caption[0] == '\0') return;
  SelectedObject font(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
  RECT text = {0, 0, 0, 0};
  DrawTextA(dc, caption, -1, &text, DT_CALCRECT | DT_SINGLELINE);
  OffsetRect(&text, 8, 0);
  text.right += 2;
  FillFace(dc, text, skin);
  SetBkMode(dc, TRANSPARENT);
  // An inactive skin gives the platform's colours too.
  const COLORREF ink = skin != nullptr ? skin->TextColor() : GetSysColor(COLOR_BTNTEXT);
  SetTextColor(dc, IsWindowEnabled(hwnd) ? ink : GetSysColor(COLOR_GRAYTEXT));
  OffsetRect(&text, 1, 0);
  DrawTextA(dc, caption, -1, &text, DT_SINGLELINE);
}

}  // namespace

bool PaintAsGroupFrame(HWND hwnd, UINT message, const SkinData* skin, LRESULT* result) {
  if (message == WM_ERASEBKGND) {
    *result = TRUE;
    return true;
  }
  if (message != WM_PAINT) return false;
  PAINTSTRUCT paint = {};
  HDC dc = BeginPaint(hwnd, &paint);
  PaintGroupFrame(hwnd, dc, skin);
  EndPaint(hwnd, &paint);
  *result = 0;
  return true;
}

void FillFace(HDC dc, const RECT& rect, const SkinData* skin) {
  // An inactive skin gives the platform's brush.
  FillRect(dc, &rect, skin != nullptr ? skin->FaceBrush() : GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace kvo::toolkit
