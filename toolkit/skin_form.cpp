#include "skin_form.h"

#include <utility>

#include "skin_data.h"
#include "window_hook.h"

namespace kvo::toolkit {

int PopupMenu::Add(Item item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void PopupMenu::SetChecked(int index, bool checked) {
  if (index >= 0 && index < Count()) items_[static_cast<size_t>(index)].checked = checked;
}

void PopupMenu::SetEnabled(int index, bool enabled) {
  if (index >= 0 && index < Count()) items_[static_cast<size_t>(index)].enabled = enabled;
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
      FindWindowHook(args.window, &SkinForm::HookProc) != nullptr) {
    return false;
  }
  if (!AddWindowHook(args.window, &SkinForm::HookProc, this)) return false;
  window_ = args.window;
  skin_ = args.skin;
  buttons_ = args.buttons;
  resizable_ = args.resizable;
  system_menu_ = args.system_menu;
  rolled_up_ = false;
  active_ = GetActiveWindow() == window_;
  ApplyFrameStyle();
  if (!Skinned()) AppendItems(GetSystemMenu(window_, FALSE));
  return true;
}

void SkinForm::Detach() {
  if (window_ == nullptr) return;
  RemoveWindowHook(window_, &SkinForm::HookProc, this);
  if (IsWindow(window_) && !Skinned()) GetSystemMenu(window_, TRUE);
  window_ = nullptr;
}

bool SkinForm::Skinned() const { return skin_ != nullptr && skin_->Active(); }

FrameInsets SkinForm::Insets() const {
  if (Skinned()) return SkinFrameInsets(skin_->Metrics());
  if (window_ == nullptr) return {};
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)));
  return {-frame.left, -frame.top, frame.right, frame.bottom};
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

void SkinForm::ApplyFrameStyle() {
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
  const SIZE size = WindowSizeForClient(client.right, client.bottom);
  SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinForm::AppendItems(HMENU menu) const {
  if (system_menu_ == nullptr || menu == nullptr) return;
  for (int index = 0; index < system_menu_->Count(); ++index) {
    const PopupMenu::Item& item = system_menu_->At(index);
    if (item.caption.empty()) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuA(menu, MF_STRING | (item.checked ? MF_CHECKED : 0) | (item.enabled ? 0 : MF_GRAYED),
                kFirstItemCommand + kItemCommandStep * index, item.caption.c_str());
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
  RECT window_rect = {};
  if (window_ != nullptr) GetWindowRect(window_, &window_rect);
  return {window_rect.right - window_rect.left, window_rect.bottom - window_rect.top,
          skin_ != nullptr ? skin_->Metrics() : SkinMetrics(), buttons_, resizable_};
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
  AppendItems(menu.get());
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

}  // namespace kvo::toolkit
