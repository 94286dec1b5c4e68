#include "skin_form.h"

#include <algorithm>
#include <cstdlib>

#include "error_barrier.h"
#include "skin_data.h"

namespace kvo::toolkit {

namespace {

constexpr char kFormProperty[] = "KvoSkinForm";
constexpr char kFormProcProperty[] = "KvoSkinFormProc";
// The roll command sits below the window's item commands, a multiple of 16 like every
// system command.
constexpr UINT kRollCommand = 0x0FF0;
// Sent by the XP theme engine to draw a themed caption; a skinned frame draws its own.
constexpr UINT kThemeDrawCaption = 0x00AE;
constexpr UINT kThemeDrawFrame = 0x00AF;
constexpr int kHitRollUp = HTHELP;  // no platform code of its own; we handle the clicks

SkinForm* FormOf(HWND hwnd) { return static_cast<SkinForm*>(GetPropA(hwnd, kFormProperty)); }

LRESULT PlatformHitCode(FramePart part) {
  switch (part) {
    case FramePart::kClient: return HTCLIENT;
    case FramePart::kCaption: return HTCAPTION;
    case FramePart::kSystemMenu: return HTSYSMENU;
    case FramePart::kMinimize: return HTMINBUTTON;
    case FramePart::kMaximize: return HTMAXBUTTON;
    case FramePart::kRollUp: return kHitRollUp;
    case FramePart::kClose: return HTCLOSE;
    case FramePart::kLeft: return HTLEFT;
    case FramePart::kRight: return HTRIGHT;
    case FramePart::kTop: return HTTOP;
    case FramePart::kBottom: return HTBOTTOM;
    case FramePart::kTopLeft: return HTTOPLEFT;
    case FramePart::kTopRight: return HTTOPRIGHT;
    case FramePart::kBottomLeft: return HTBOTTOMLEFT;
    case FramePart::kBottomRight: return HTBOTTOMRIGHT;
    case FramePart::kNowhere: break;
  }
  return HTNOWHERE;
}

FramePart PartOfHitCode(WPARAM code) {
  switch (code) {
    case HTSYSMENU: return FramePart::kSystemMenu;
    case HTMINBUTTON: return FramePart::kMinimize;
    case HTMAXBUTTON: return FramePart::kMaximize;
    case kHitRollUp: return FramePart::kRollUp;
    case HTCLOSE: return FramePart::kClose;
    default: return FramePart::kNowhere;
  }
}

}  // namespace

int PopupMenu::Add(Item item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void PopupMenu::SetChecked(int index, bool checked) {
  if (index >= 0 && index < Count()) items_[static_cast<size_t>(index)].checked = checked;
}

bool PopupMenu::Checked(int index) const {
  return index >= 0 && index < Count() && items_[static_cast<size_t>(index)].checked;
}

void PopupMenu::SetEnabled(int index, bool enabled) {
  if (index >= 0 && index < Count()) items_[static_cast<size_t>(index)].enabled = enabled;
}

bool PopupMenu::Enabled(int index) const {
  return index >= 0 && index < Count() && items_[static_cast<size_t>(index)].enabled;
}

void PopupMenu::Run(int index) {
  if (index < 0 || index >= Count()) return;
  const Item& item = items_[static_cast<size_t>(index)];
  if (item.caption.empty() || !item.enabled || !item.on_click) return;
  auto handler = item.on_click;
  handler();
}

SkinForm::~SkinForm() { Detach(); }

bool SkinForm::Attach(const CreateArgs& args) {
  if (window_ != nullptr || args.window == nullptr || !IsWindow(args.window) ||
      FormOf(args.window) != nullptr) {
    return false;
  }
  window_ = args.window;
  skin_ = args.skin;
  buttons_ = args.buttons;
  resizable_ = args.resizable;
  system_menu_ = args.system_menu;
  rolled_up_ = false;
  active_ = GetActiveWindow() == window_;
  SetPropA(window_, kFormProperty, this);
  if (GetPropA(window_, kFormProcProperty) == nullptr) {
    auto original = reinterpret_cast<HANDLE>(SetWindowLongPtrA(
        window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinForm::SubclassProc)));
    SetPropA(window_, kFormProcProperty, original);
  }
  original_proc_ = reinterpret_cast<WNDPROC>(GetPropA(window_, kFormProcProperty));
  ApplyFrameStyle(true);
  if (!Skinned()) AppendItemsToPlatformMenu();
  return true;
}

void SkinForm::Detach() {
  if (window_ == nullptr) return;
  if (IsWindow(window_)) {
    RemovePropA(window_, kFormProperty);
    // Unhook only when nobody subclassed after us; otherwise the hook stays and passes
    // every message through (it finds no form).
    if (GetWindowLongPtrA(window_, GWLP_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&SkinForm::SubclassProc)) {
      SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
      RemovePropA(window_, kFormProcProperty);
    }
    if (!Skinned()) GetSystemMenu(window_, TRUE);
  }
  window_ = nullptr;
  original_proc_ = nullptr;
}

bool SkinForm::Skinned() const { return skin_ != nullptr && skin_->Active(); }

FrameInsets SkinForm::Insets() const {
  if (Skinned()) return SkinFrameInsets(skin_->Metrics());
  FrameInsets insets;
  if (window_ == nullptr) return insets;
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)));
  insets.left = -frame.left;
  insets.top = -frame.top;
  insets.right = frame.right;
  insets.bottom = frame.bottom;
  return insets;
}

SIZE SkinForm::WindowSizeForClient(int client_width, int client_height) const {
  const FrameInsets insets = Insets();
  return {client_width + insets.left + insets.right, client_height + insets.top + insets.bottom};
}

SIZE SkinForm::LargestSize() const {
  RECT work = {};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  HMONITOR handle = MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST);
  if (handle != nullptr && GetMonitorInfoA(handle, &monitor)) {
    work = monitor.rcWork;
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  }
  return {work.right - work.left, work.bottom - work.top};
}

void SkinForm::ApplyFrameStyle(bool keep_client_size) {
  RECT client = {};
  GetClientRect(window_, &client);
  LONG style = GetWindowLongA(window_, GWL_STYLE);
  LONG ex_style = GetWindowLongA(window_, GWL_EXSTYLE);
  if (Skinned()) {
    style &= ~(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME);
    ex_style &= ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  } else {
    style |= WS_CAPTION | WS_SYSMENU;
    if (buttons_ & kCaptionMinimize) style |= WS_MINIMIZEBOX;
    if (buttons_ & kCaptionMaximize) style |= WS_MAXIMIZEBOX;
    if (resizable_) style |= WS_THICKFRAME;
  }
  SetWindowLongA(window_, GWL_STYLE, style);
  SetWindowLongA(window_, GWL_EXSTYLE, ex_style);
  UINT flags = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SIZE size = {0, 0};
  if (keep_client_size) {
    size = WindowSizeForClient(client.right, client.bottom);
  } else {
    flags |= SWP_NOSIZE;
  }
  SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, flags);
}

void SkinForm::AppendItemsToPlatformMenu() {
  if (system_menu_ == nullptr) return;
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu == nullptr) return;
  for (int index = 0; index < system_menu_->Count(); ++index) {
    const PopupMenu::Item& item = system_menu_->At(index);
    if (item.caption.empty()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(menu, MF_STRING, kFirstItemCommand + kItemCommandStep * index,
                  item.caption.c_str());
    }
  }
}

void SkinForm::RefreshPlatformMenuStates() {
  if (system_menu_ == nullptr) return;
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu == nullptr) return;
  for (int index = 0; index < system_menu_->Count(); ++index) {
    const PopupMenu::Item& item = system_menu_->At(index);
    if (item.caption.empty()) continue;
    const UINT command = kFirstItemCommand + kItemCommandStep * index;
    CheckMenuItem(menu, command, MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu, command, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
  }
}

FrameLayoutInput SkinForm::LayoutInput() const {
  FrameLayoutInput input;
  RECT window_rect = {};
  if (window_ != nullptr) GetWindowRect(window_, &window_rect);
  input.window_width = window_rect.right - window_rect.left;
  input.window_height = window_rect.bottom - window_rect.top;
  if (skin_ != nullptr) input.metrics = skin_->Metrics();
  input.buttons = buttons_;
  input.resizable = resizable_;
  return input;
}

FramePart SkinForm::HitTest(int x, int y) const {
  if (!Skinned() || window_ == nullptr) return FramePart::kNowhere;
  FrameLayoutInput input = LayoutInput();
  // A maximized or rolled-up window is not resized by its edges.
  if (IsZoomed(window_) || rolled_up_) input.resizable = false;
  return HitTestFrame(input, x, y);
}


void SkinForm::RedrawFrame() {
  if (window_ != nullptr) {
    RedrawWindow(window_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  }
}

kvo::UniqueHMenu SkinForm::BuildSystemMenu() {
  if (system_menu_ != nullptr && system_menu_->on_popup) system_menu_->on_popup(*system_menu_);
  kvo::UniqueHMenu menu(CreatePopupMenu());
  if (!menu || window_ == nullptr) return menu;
  const bool iconic = IsIconic(window_) != FALSE;
  const bool zoomed = IsZoomed(window_) != FALSE;
  auto add = [&](UINT command, const char* caption, bool enabled) {
    AppendMenuA(menu.get(), MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), command, caption);
  };
  add(SC_RESTORE, "&Restore", iconic || zoomed);
  if (buttons_ & kCaptionMinimize) add(SC_MINIMIZE, "Mi&nimize", !iconic);
  if (buttons_ & kCaptionMaximize) add(SC_MAXIMIZE, "Ma&ximize", !zoomed);
  if (buttons_ & kCaptionRollUp) {
    add(kRollCommand, rolled_up_ ? "Roll &Down" : "Roll &Up", !iconic && !zoomed);
  }
  AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
  add(SC_CLOSE, "&Close\tAlt+F4", true);
  SetMenuDefaultItem(menu.get(), SC_CLOSE, FALSE);
  if (system_menu_ != nullptr) {
    for (int index = 0; index < system_menu_->Count(); ++index) {
      const PopupMenu::Item& item = system_menu_->At(index);
      if (item.caption.empty()) {
        AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
        continue;
      }
      AppendMenuA(menu.get(),
                  MF_STRING | (item.checked ? MF_CHECKED : 0) | (item.enabled ? 0 : MF_GRAYED),
                  kFirstItemCommand + kItemCommandStep * index, item.caption.c_str());
    }
  }
  return menu;
}

void SkinForm::ShowSystemMenu(int screen_x, int screen_y) {
  if (window_ == nullptr) return;
  kvo::UniqueHMenu menu = BuildSystemMenu();
  if (!menu) return;
  const UINT command = static_cast<UINT>(TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen_x,
      screen_y, 0, window_, nullptr));
  if (command != 0) RunSystemCommand(command);
}

void SkinForm::RunSystemCommand(UINT command) {
  if (window_ == nullptr) return;
  if (command == kRollCommand) {
    if (rolled_up_) {
      RollDown();
    } else {
      RollUp();
    }
    return;
  }
  if (command >= kFirstItemCommand && system_menu_ != nullptr &&
      (command - kFirstItemCommand) % kItemCommandStep == 0) {
    const int index = static_cast<int>((command - kFirstItemCommand) / kItemCommandStep);
    if (index < system_menu_->Count()) {
      system_menu_->Run(index);
      return;
    }
  }
  SendMessageA(window_, WM_SYSCOMMAND, command, 0);
}

void SkinForm::RollUp() {
  if (!Skinned() || window_ == nullptr || rolled_up_ || IsIconic(window_) || IsZoomed(window_)) {
    return;
  }
  RECT window_rect = {};
  GetWindowRect(window_, &window_rect);
  unrolled_height_ = window_rect.bottom - window_rect.top;
  rolled_up_ = true;
  const FrameInsets insets = Insets();
  SetWindowPos(window_, nullptr, 0, 0, window_rect.right - window_rect.left,
               insets.top + insets.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawFrame();
}

void SkinForm::RollDown() {
  if (window_ == nullptr || !rolled_up_) return;
  rolled_up_ = false;
  RECT window_rect = {};
  GetWindowRect(window_, &window_rect);
  SetWindowPos(window_, nullptr, 0, 0, window_rect.right - window_rect.left, unrolled_height_,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawFrame();
}

bool SkinForm::TrackCaptionButton(FramePart part) {
  if (part == FramePart::kNowhere) return false;
  tracking_ = true;
  pressed_part_ = part;
  hot_part_ = part;
  hover_part_ = FramePart::kNowhere;
  SetCapture(window_);
  RedrawFrame();
  return true;
}

void SkinForm::PressCaptionButton(FramePart part) {
  switch (part) {
    case FramePart::kClose:
      SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case FramePart::kMinimize:
      SendMessageA(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
    case FramePart::kMaximize:
      SendMessageA(window_, WM_SYSCOMMAND, IsZoomed(window_) ? SC_RESTORE : SC_MAXIMIZE, 0);
      break;
    case FramePart::kRollUp:
      RunSystemCommand(kRollCommand);
      break;
    case FramePart::kSystemMenu: {
      const FrameLayout layout = LayoutFrame(LayoutInput());
      RECT window_rect = {};
      GetWindowRect(window_, &window_rect);
      ShowSystemMenu(window_rect.left + layout.caption.left,
                     window_rect.top + layout.caption.top + layout.caption.height);
      break;
    }
    default:
      break;
  }
}

LRESULT SkinForm::CallOriginal(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallWindowProcA(original_proc_, window_, message, wparam, lparam);
}

LRESULT CALLBACK SkinForm::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(hwnd, LRESULT{0},
                     [&] { return Subclassed(hwnd, message, wparam, lparam); });
}

LRESULT SkinForm::Subclassed(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto original = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kFormProcProperty));
  SkinForm* form = FormOf(hwnd);
  if (message == WM_NCDESTROY) {
    // The window's own procedure still gets its last message, through the procedure saved
    // before the form lets go of the window.
    if (form != nullptr) form->Detach();
    if (GetPropA(hwnd, kFormProcProperty) != nullptr) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropA(hwnd, kFormProcProperty);
    }
  }
  if (original == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (form == nullptr || message == WM_NCDESTROY) {
    return CallWindowProcA(original, hwnd, message, wparam, lparam);
  }
  return form->WindowProc(message, wparam, lparam);
}

LRESULT SkinForm::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSCOMMAND) {
    const UINT command = static_cast<UINT>(wparam & 0xFFF0);
    if (command == kRollCommand ||
        (command >= kFirstItemCommand && system_menu_ != nullptr &&
         static_cast<int>((command - kFirstItemCommand) / kItemCommandStep) <
             system_menu_->Count())) {
      RunSystemCommand(command);
      return 0;
    }
  }
  if (!Skinned()) {
    if (message == WM_INITMENUPOPUP && HIWORD(lparam) != 0 && system_menu_ != nullptr) {
      if (system_menu_->on_popup) system_menu_->on_popup(*system_menu_);
      RefreshPlatformMenuStates();
    }
    return CallOriginal(message, wparam, lparam);
  }

  switch (message) {
    case WM_NCCALCSIZE: {
      RECT* rect = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                          : reinterpret_cast<RECT*>(lparam);
      const FrameInsets insets = Insets();
      rect->left += insets.left;
      rect->top += insets.top;
      rect->right = std::max(rect->left, rect->right - insets.right);
      rect->bottom = std::max(rect->top, rect->bottom - insets.bottom);
      return 0;
    }
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(window_);
      if (dc == nullptr) return 0;
      RECT window_rect = {};
      GetWindowRect(window_, &window_rect);
      const int width = window_rect.right - window_rect.left;
      const int height = window_rect.bottom - window_rect.top;
      HDC memory = CreateCompatibleDC(dc);
      HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(1, width), std::max(1, height));
      if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        PaintFrame(memory, active_);
        const FrameInsets insets = Insets();
        ExcludeClipRect(dc, insets.left, insets.top, width - insets.right,
                        height - insets.bottom);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
      }
      if (bitmap != nullptr) DeleteObject(bitmap);
      if (memory != nullptr) DeleteDC(memory);
      ReleaseDC(window_, dc);
      return 0;
    }
    case WM_PRINT:
      if ((lparam & PRF_NONCLIENT) &&
          (!(lparam & PRF_CHECKVISIBLE) || IsWindowVisible(window_))) {
        // The platform cannot print a frame it does not draw: print ours, then the client
        // area into a bitmap of its own, copied to its place inside the frame.
        HDC dc = reinterpret_cast<HDC>(wparam);
        PaintFrame(dc, active_);
        const FrameInsets insets = Insets();
        RECT client_rect = {};
        GetClientRect(window_, &client_rect);
        LRESULT result = 0;
        if (client_rect.right > 0 && client_rect.bottom > 0) {
          HDC memory = CreateCompatibleDC(dc);
          HBITMAP bitmap = CreateCompatibleBitmap(dc, client_rect.right, client_rect.bottom);
          if (memory != nullptr && bitmap != nullptr) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            result = CallOriginal(message, reinterpret_cast<WPARAM>(memory),
                                  lparam & ~PRF_NONCLIENT);
            BitBlt(dc, insets.left, insets.top, client_rect.right, client_rect.bottom, memory, 0,
                   0, SRCCOPY);
            SelectObject(memory, previous);
          }
          if (bitmap != nullptr) DeleteObject(bitmap);
          if (memory != nullptr) DeleteDC(memory);
        }
        return result;
      }
      break;
    case WM_ERASEBKGND: {
      // The client area takes the skin's face colour, whatever the window's class brush.
      RECT client = {};
      GetClientRect(window_, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, skin_->FaceBrush());
      return TRUE;
    }
    case WM_NCACTIVATE:
      active_ = wparam != FALSE;
      RedrawFrame();
      return TRUE;
    case kThemeDrawCaption:
    case kThemeDrawFrame:
      return 0;
    case WM_SETTEXT:
    case WM_SETICON: {
      const LRESULT result = CallOriginal(message, wparam, lparam);
      RedrawFrame();
      return result;
    }
    case WM_NCHITTEST: {
      RECT window_rect = {};
      GetWindowRect(window_, &window_rect);
      const int x = static_cast<short>(LOWORD(lparam)) - window_rect.left;
      const int y = static_cast<short>(HIWORD(lparam)) - window_rect.top;
      return PlatformHitCode(HitTest(x, y));
    }
    case WM_NCLBUTTONDOWN: {
      const FramePart part = PartOfHitCode(wparam);
      if (part == FramePart::kSystemMenu) {
        PressCaptionButton(part);
        return 0;
      }
      if (part != FramePart::kNowhere) {
        TrackCaptionButton(part);
        return 0;
      }
      break;
    }
    case WM_NCMOUSEMOVE: {
      const FramePart part = PartOfHitCode(wparam);
      if (part != hover_part_) {
        hover_part_ = part;
        RedrawFrame();
      }
      if (part != FramePart::kNowhere) {
        // Ask for WM_NCMOUSELEAVE, so the button loses its hover look when the mouse goes.
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE | TME_NONCLIENT;
        track.hwndTrack = window_;
        TrackMouseEvent(&track);
      }
      break;
    }
    case WM_NCMOUSELEAVE:
      if (hover_part_ != FramePart::kNowhere) {
        hover_part_ = FramePart::kNowhere;
        RedrawFrame();
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      if (wparam == HTCAPTION) {
        if (buttons_ & kCaptionMaximize) {
          PressCaptionButton(FramePart::kMaximize);
        } else if (buttons_ & kCaptionRollUp) {
          PressCaptionButton(FramePart::kRollUp);
        }
        return 0;
      }
      if (wparam == HTSYSMENU) {
        SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
      }
      if (PartOfHitCode(wparam) != FramePart::kNowhere) {
        TrackCaptionButton(PartOfHitCode(wparam));
        return 0;
      }
      break;
    case WM_NCRBUTTONDOWN:
      if (wparam == HTCAPTION || wparam == HTSYSMENU) return 0;
      break;
    case WM_NCRBUTTONUP:
      if (wparam == HTCAPTION || wparam == HTSYSMENU) {
        ShowSystemMenu(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      if (tracking_) {
        POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        ClientToScreen(window_, &point);
        RECT window_rect = {};
        GetWindowRect(window_, &window_rect);
        const FramePart under = HitTest(point.x - window_rect.left, point.y - window_rect.top);
        const FramePart hot = under == pressed_part_ ? under : FramePart::kNowhere;
        if (message == WM_LBUTTONUP) {
          const FramePart pressed = pressed_part_;
          tracking_ = false;
          pressed_part_ = hot_part_ = FramePart::kNowhere;
          ReleaseCapture();
          RedrawFrame();
          if (hot != FramePart::kNowhere) PressCaptionButton(pressed);
        } else if (hot != hot_part_) {
          hot_part_ = hot;
          RedrawFrame();
        }
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (tracking_) {
        tracking_ = false;
        pressed_part_ = hot_part_ = FramePart::kNowhere;
        RedrawFrame();
      }
      break;
    case WM_SYSCOMMAND: {
      const UINT command = static_cast<UINT>(wparam & 0xFFF0);
      if (command == SC_KEYMENU && lparam == ' ') {
        PressCaptionButton(FramePart::kSystemMenu);
        return 0;
      }
      // Straight to the platform's show states: the borderless window has no maximize box
      // of the platform's own for its default handling to check.
      if (command == SC_MAXIMIZE) {
        RollDown();
        ShowWindow(window_, SW_MAXIMIZE);
        return 0;
      }
      if (command == SC_MINIMIZE) {
        ShowWindow(window_, SW_MINIMIZE);
        return 0;
      }
      if (command == SC_RESTORE) {
        if (rolled_up_ && !IsIconic(window_)) {
          RollDown();
        } else {
          ShowWindow(window_, SW_RESTORE);
        }
        return 0;
      }
      break;
    }
    case WM_GETMINMAXINFO: {
      const LRESULT result = CallOriginal(message, wparam, lparam);
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      MONITORINFO monitor = {};
      monitor.cbSize = sizeof(monitor);
      HMONITOR handle = MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST);
      if (handle != nullptr && GetMonitorInfoA(handle, &monitor)) {
        info->ptMaxPosition = {monitor.rcWork.left - monitor.rcMonitor.left,
                               monitor.rcWork.top - monitor.rcMonitor.top};
        info->ptMaxSize = {monitor.rcWork.right - monitor.rcWork.left,
                           monitor.rcWork.bottom - monitor.rcWork.top};
        info->ptMaxTrackSize = {std::max(info->ptMaxTrackSize.x, info->ptMaxSize.x),
                                std::max(info->ptMaxTrackSize.y, info->ptMaxSize.y)};
      }
      const FrameInsets insets = Insets();
      info->ptMinTrackSize = {insets.left + insets.right + 4 * skin_->Metrics().caption_button_width,
                              insets.top + insets.bottom};
      return result;
    }
    case WM_WINDOWPOSCHANGING:
      if (rolled_up_) {
        auto* position = reinterpret_cast<WINDOWPOS*>(lparam);
        if (!(position->flags & SWP_NOSIZE)) {
          // A new height asked for while rolled up is where the window rolls down to.
          const FrameInsets insets = Insets();
          const int rolled = insets.top + insets.bottom;
          if (position->cy != rolled) unrolled_height_ = position->cy;
          position->cy = rolled;
        }
      }
      break;
    default:
      break;
  }
  return CallOriginal(message, wparam, lparam);
}

}  // namespace kvo::toolkit
