// The main window's layout, its system-menu items and the mouse on its own surface.
#include "main_window.h"

namespace kvo {

void TKVO_CM_MAIN::FormResize() {
  if (!direct_show_) return;
  const SIZE size = WindowSize();
  const PanelSize panel = PanelForWindow(size.cx, size.cy);
  if (DirectShow1().Handle() != nullptr) {
    SetWindowPos(DirectShow1().Handle(), nullptr, 0, 0, panel.width > 0 ? panel.width : 0,
                 panel.height > 0 ? panel.height : 0, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  DirectShow1().ReSizeDS();
  const int button_top = kMainWindowLayout.close_img.bounds.top;
  const int close_left = panel.width - kCloseImgFromPanelRight;
  const int move_left = close_left - kButtonStep;
  CloseImg.Move(close_left, button_top);
  MoveBtn.Move(move_left, button_top);
  PreviewBtn.Move(move_left - kButtonStep, button_top);
}

void TKVO_CM_MAIN::FormPaint() { UpdateRecordingStatus(); }

void TKVO_CM_MAIN::SetWindowSize(int width, int height) {
  SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TKVO_CM_MAIN::SysPopupMenuPopup(toolkit::PopupMenu& menu) {
  const SIZE size = WindowSize();
  const SIZE largest = Frame().LargestSize();
  menu.SetEnabled(restore_win_item_, !(size.cx == largest.cx && size.cy == largest.cy));
  menu.SetChecked(preview_opt_item_, DirectShow1().GetReady());
}

void TKVO_CM_MAIN::RestoreWinClick() { SetWindowSize(kStandardWindowWidth, kStandardWindowHeight); }

void TKVO_CM_MAIN::Preview_OptClick() {
  if (CameraOn) {
    PreviewBtnClick();
  } else {
    ShowCameraOffBox();
  }
}

POINT TKVO_CM_MAIN::WindowPointOfClient(LPARAM lparam) const {
  POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ClientToScreen(hwnd(), &point);
  RECT bounds{};
  GetWindowRect(hwnd(), &bounds);
  return {point.x - bounds.left, point.y - bounds.top};
}

void TKVO_CM_MAIN::MouseDown(POINT point) {
  DragOrigin = point;
  const SIZE size = WindowSize();
  if (InSizeGrip(point.x, point.y, size.cx, size.cy)) {
    Sizing = true;
  } else {
    Dragging = true;
  }
  SetCapture(hwnd());
}

void TKVO_CM_MAIN::MouseMove(POINT point) {
  const SIZE size = WindowSize();
  if (Sizing) {
    const SizeStep step = ResizeToPointer(point.x, point.y, size.cx, size.cy);
    if (step.width != size.cx || step.height != size.cy) SetWindowSize(step.width, step.height);
  } else if (Dragging) {
    RECT bounds{};
    GetWindowRect(hwnd(), &bounds);
    SetWindowPos(hwnd(), nullptr, bounds.left + point.x - DragOrigin.x,
                 bounds.top + point.y - DragOrigin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TKVO_CM_MAIN::MouseUp() {
  Dragging = Sizing = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
}

}  // namespace kvo
