// What a skinned frame does with the messages of the window it is attached to: one handler
// per message, each passing on to the window what it leaves alone.
#include <algorithm>
#include <iterator>

#include "gdi.h"
#include "skin_data.h"
#include "skin_form.h"
#include "window_hook.h"

namespace kvo::toolkit {

namespace {

// Sent by the XP theme engine to draw a themed caption; a skinned frame draws its own.
constexpr UINT kThemeDrawCaption = 0x00AE;
constexpr UINT kThemeDrawFrame = 0x00AF;
constexpr int kHitRollUp = HTHELP;  // no platform code of its own; we handle the clicks

// The platform's hit code of each FramePart, in the order of the enumeration.
constexpr LRESULT kHitCodes[] = {
    HTNOWHERE, HTCLIENT, HTCAPTION, HTSYSMENU, HTMINBUTTON, HTMAXBUTTON, kHitRollUp, HTCLOSE,
    HTLEFT, HTRIGHT, HTTOP, HTBOTTOM, HTTOPLEFT, HTTOPRIGHT, HTBOTTOMLEFT, HTBOTTOMRIGHT};
static_assert(std::size(kHitCodes) == static_cast<std::size_t>(FramePart::kBottomRight) + 1);

LRESULT PlatformHitCode(FramePart part) { return kHitCodes[static_cast<std::size_t>(part)]; }

// The caption button of a hit code; kNowhere for every other code.
FramePart PartOfHitCode(WPARAM code) {
  for (FramePart part : {FramePart::kSystemMenu, FramePart::kMinimize, FramePart::kMaximize,
                         FramePart::kRollUp, FramePart::kClose}) {
    if (PlatformHitCode(part) == static_cast<LRESULT>(code)) return part;
  }
  return FramePart::kNowhere;
}

POINT PointOf(LPARAM lparam) {
  return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
}

}  // namespace

LRESULT SkinForm::HookProc(void* owner, HWND window, UINT message, WPARAM wparam,
                           LPARAM lparam) {
  auto* form = static_cast<SkinForm*>(owner);
  if (message == WM_NCDESTROY) {
    // The window's own procedure still gets its last message after the form lets go.
    form->Detach();
    return CallNextHook(window, message, wparam, lparam);
  }
  return form->OnMessage(message, wparam, lparam);
}

LRESULT SkinForm::Next(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallNextHook(window_, message, wparam, lparam);
}

bool SkinForm::IsOwnCommand(UINT command) const {
  if (command == kRollCommand) return true;
  return command >= kFirstItemCommand && system_menu_ != nullptr &&
         static_cast<int>((command - kFirstItemCommand) / kItemCommandStep) <
             system_menu_->Count();
}

LRESULT SkinForm::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSCOMMAND && IsOwnCommand(static_cast<UINT>(wparam & 0xFFF0))) {
    RunSystemCommand(static_cast<UINT>(wparam & 0xFFF0));
    return 0;
  }
  if (!Skinned()) return OnPlainLookMessage(message, wparam, lparam);
  struct Route {
    UINT message;
    Handler handler;
  };
  static constexpr Route kRoutes[] = {
      {WM_NCCALCSIZE, &SkinForm::OnNcCalcSize},
      {WM_NCPAINT, &SkinForm::OnNcPaint},
      {WM_PRINT, &SkinForm::OnPrint},
      {WM_ERASEBKGND, &SkinForm::OnEraseBackground},
      {WM_NCACTIVATE, &SkinForm::OnNcActivate},
      {kThemeDrawCaption, &SkinForm::OnThemeDraw},
      {kThemeDrawFrame, &SkinForm::OnThemeDraw},
      {WM_SETTEXT, &SkinForm::OnCaptionChange},
      {WM_SETICON, &SkinForm::OnCaptionChange},
      {WM_NCHITTEST, &SkinForm::OnNcHitTest},
      {WM_NCLBUTTONDOWN, &SkinForm::OnNcLeftButtonDown},
      {WM_NCMOUSEMOVE, &SkinForm::OnNcMouseMove},
      {WM_NCMOUSELEAVE, &SkinForm::OnNcMouseLeave},
      {WM_NCLBUTTONDBLCLK, &SkinForm::OnNcLeftDoubleClick},
      {WM_NCRBUTTONDOWN, &SkinForm::OnNcRightButtonDown},
      {WM_NCRBUTTONUP, &SkinForm::OnNcRightButtonUp},
      {WM_MOUSEMOVE, &SkinForm::OnTrackedMouse},
      {WM_LBUTTONUP, &SkinForm::OnTrackedMouse},
      {WM_CAPTURECHANGED, &SkinForm::OnCaptureChanged},
      {WM_SYSCOMMAND, &SkinForm::OnSysCommand},
      {WM_GETMINMAXINFO, &SkinForm::OnGetMinMaxInfo},
      {WM_WINDOWPOSCHANGING, &SkinForm::OnWindowPosChanging},
  };
  for (const Route& route : kRoutes) {
    if (route.message == message) return (this->*route.handler)(message, wparam, lparam);
  }
  return Next(message, wparam, lparam);
}

// With the platform's frame the window's items sit in the platform's system menu; their
// checks and enabled states are brought up to date as it opens.
LRESULT SkinForm::OnPlainLookMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITMENUPOPUP && HIWORD(lparam) != 0 && system_menu_ != nullptr) {
    if (system_menu_->on_popup) system_menu_->on_popup(*system_menu_);
    RefreshPlatformMenuStates();
  }
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcCalcSize(UINT, WPARAM wparam, LPARAM lparam) {
  RECT* rect = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                      : reinterpret_cast<RECT*>(lparam);
  const FrameInsets insets = Insets();
  rect->left += insets.left;
  rect->top += insets.top;
  rect->right = std::max(rect->left, rect->right - insets.right);
  rect->bottom = std::max(rect->top, rect->bottom - insets.bottom);
  return 0;
}

// The frame is drawn off the screen first, so it does not flicker.
LRESULT SkinForm::OnNcPaint(UINT, WPARAM, LPARAM) {
  WindowDc dc(window_);
  if (dc.get() == nullptr) return 0;
  RECT window_rect = {};
  GetWindowRect(window_, &window_rect);
  const int width = window_rect.right - window_rect.left;
  const int height = window_rect.bottom - window_rect.top;
  MemoryDc canvas(dc.get(), std::max(1, width), std::max(1, height));
  if (!canvas.valid()) return 0;
  PaintFrame(canvas.get(), active_);
  const FrameInsets insets = Insets();
  ExcludeClipRect(dc.get(), insets.left, insets.top, width - insets.right,
                  height - insets.bottom);
  BitBlt(dc.get(), 0, 0, width, height, canvas.get(), 0, 0, SRCCOPY);
  return 0;
}

// The platform cannot print a frame it does not draw: print ours, then the client area
// into a bitmap of its own, copied to its place inside the frame.
LRESULT SkinForm::OnPrint(UINT message, WPARAM wparam, LPARAM lparam) {
  const bool with_frame = (lparam & PRF_NONCLIENT) &&
                          (!(lparam & PRF_CHECKVISIBLE) || IsWindowVisible(window_));
  if (!with_frame) return Next(message, wparam, lparam);
  HDC dc = reinterpret_cast<HDC>(wparam);
  PaintFrame(dc, active_);
  RECT client_rect = {};
  GetClientRect(window_, &client_rect);
  if (client_rect.right <= 0 || client_rect.bottom <= 0) return 0;
  MemoryDc client(dc, client_rect.right, client_rect.bottom);
  if (!client.valid()) return 0;
  const LRESULT result =
      Next(message, reinterpret_cast<WPARAM>(client.get()), lparam & ~PRF_NONCLIENT);
  const FrameInsets insets = Insets();
  BitBlt(dc, insets.left, insets.top, client_rect.right, client_rect.bottom, client.get(), 0, 0,
         SRCCOPY);
  return result;
}

// The client area takes the skin's face colour, whatever the window's class brush.
LRESULT SkinForm::OnEraseBackground(UINT, WPARAM wparam, LPARAM) {
  RECT client = {};
  GetClientRect(window_, &client);
  FillRect(reinterpret_cast<HDC>(wparam), &client, skin_->FaceBrush());
  return TRUE;
}

LRESULT SkinForm::OnNcActivate(UINT, WPARAM wparam, LPARAM) {
  active_ = wparam != FALSE;
  RedrawFrame();
  return TRUE;
}

LRESULT SkinForm::OnThemeDraw(UINT, WPARAM, LPARAM) { return 0; }

LRESULT SkinForm::OnCaptionChange(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = Next(message, wparam, lparam);
  RedrawFrame();
  return result;
}

LRESULT SkinForm::OnNcHitTest(UINT, WPARAM, LPARAM lparam) {
  RECT window_rect = {};
  GetWindowRect(window_, &window_rect);
  const POINT point = PointOf(lparam);
  return PlatformHitCode(HitTest(point.x - window_rect.left, point.y - window_rect.top));
}

LRESULT SkinForm::OnNcLeftButtonDown(UINT message, WPARAM wparam, LPARAM lparam) {
  const FramePart part = PartOfHitCode(wparam);
  if (part == FramePart::kSystemMenu) {
    PressCaptionButton(part);
    return 0;
  }
  if (TrackCaptionButton(part)) return 0;
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcMouseMove(UINT message, WPARAM wparam, LPARAM lparam) {
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
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcMouseLeave(UINT message, WPARAM wparam, LPARAM lparam) {
  if (hover_part_ != FramePart::kNowhere) {
    hover_part_ = FramePart::kNowhere;
    RedrawFrame();
  }
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcLeftDoubleClick(UINT message, WPARAM wparam, LPARAM lparam) {
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
  if (TrackCaptionButton(PartOfHitCode(wparam))) return 0;
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcRightButtonDown(UINT message, WPARAM wparam, LPARAM lparam) {
  if (wparam == HTCAPTION || wparam == HTSYSMENU) return 0;
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnNcRightButtonUp(UINT message, WPARAM wparam, LPARAM lparam) {
  if (wparam == HTCAPTION || wparam == HTSYSMENU) {
    const POINT point = PointOf(lparam);
    ShowSystemMenu(point.x, point.y);
    return 0;
  }
  return Next(message, wparam, lparam);
}

// While a caption button is held, the mouse decides whether it looks pressed and whether
// letting go runs it.
LRESULT SkinForm::OnTrackedMouse(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!tracking_) return Next(message, wparam, lparam);
  POINT point = PointOf(lparam);
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

LRESULT SkinForm::OnCaptureChanged(UINT message, WPARAM wparam, LPARAM lparam) {
  if (tracking_) {
    tracking_ = false;
    pressed_part_ = hot_part_ = FramePart::kNowhere;
    RedrawFrame();
  }
  return Next(message, wparam, lparam);
}

LRESULT SkinForm::OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam) {
  const UINT command = static_cast<UINT>(wparam & 0xFFF0);
  if (command == SC_KEYMENU && lparam == ' ') {
    PressCaptionButton(FramePart::kSystemMenu);
    return 0;
  }
  // Straight to the platform's show states: the borderless window has no maximize box of
  // the platform's own for its default handling to check.
  switch (command) {
    case SC_MAXIMIZE:
      RollDown();
      ShowWindow(window_, SW_MAXIMIZE);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(window_, SW_MINIMIZE);
      return 0;
    case SC_RESTORE:
      if (rolled_up_ && !IsIconic(window_)) {
        RollDown();
      } else {
        ShowWindow(window_, SW_RESTORE);
      }
      return 0;
    default:
      return Next(message, wparam, lparam);
  }
}

LRESULT SkinForm::OnGetMinMaxInfo(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = Next(message, wparam, lparam);
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

// A new height asked for while rolled up is where the window rolls down to.
LRESULT SkinForm::OnWindowPosChanging(UINT message, WPARAM wparam, LPARAM lparam) {
  auto* position = reinterpret_cast<WINDOWPOS*>(lparam);
  if (rolled_up_ && !(position->flags & SWP_NOSIZE)) {
    const FrameInsets insets = Insets();
    const int rolled = insets.top + insets.bottom;
    if (position->cy != rolled) unrolled_height_ = position->cy;
    position->cy = rolled;
  }
  return Next(message, wparam, lparam);
}

}  // namespace kvo::toolkit
