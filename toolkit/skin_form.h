// The skinned frame of a top-level window, and the pop-up menu a window appends to the
// skin's system menu.
//
// SkinForm attaches to a window the window created itself and hooks its messages (window_hook.h):
// the window keeps its own window procedure and forwards nothing. With an active skin the window
// becomes borderless and SkinForm draws frame, caption, title and caption buttons, erases the
// client area in the skin's face colour, answers the hit test (caption drags the window; edges
// resize when resizable), runs the buttons (minimize, maximize/restore, roll-up/roll-down, close =
// WM_SYSCOMMAND SC_CLOSE, so the window gets WM_CLOSE) and shows the skin's system menu: Restore,
// Minimize, Maximize, Roll up / Roll down, Close, followed by the items of the window's PopupMenu.
// With an inactive skin the window keeps the platform's frame and caption, and the window's items
// are appended to the platform's system menu instead. In both looks the menu's on_popup runs just
// before the menu opens, so the window can set its items' checks and enabled states from its own
// state.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skin_geometry.h"
#include "unique_resource.h"

namespace kvo::toolkit {

class SkinData;

class PopupMenu {
 public:
  struct Item {
    std::string caption;  // empty: a separator
    std::function<void()> on_click;
    bool checked = false;
    bool enabled = true;
  };

  int Add(Item item);  // returns the item's index
  int AddSeparator() { return Add(Item{}); }
  int Count() const { return static_cast<int>(items_.size()); }
  const Item& At(int index) const { return items_.at(static_cast<size_t>(index)); }
  void SetChecked(int index, bool checked);
  void SetEnabled(int index, bool enabled);
  // Runs the item's handler when it exists, is no separator and is enabled.
  void Run(int index);

  std::function<void(PopupMenu&)> on_popup;

 private:
  std::vector<Item> items_;
};

class SkinForm {
 public:
  struct CreateArgs {
    HWND window = nullptr;           // a top-level window
    const SkinData* skin = nullptr;  // shared; must outlive the form. Null: plain look.
    unsigned buttons = kCaptionSystemMenu | kCaptionMinimize | kCaptionMaximize | kCaptionRollUp;
    bool resizable = false;          // edges and corners resize the window
    PopupMenu* system_menu = nullptr;  // the window's items; must outlive the form
  };

  SkinForm() = default;
  SkinForm(const SkinForm&) = delete;
  SkinForm& operator=(const SkinForm&) = delete;
  ~SkinForm();  // detaches (the window keeps its last frame style)

  // Attaches and keeps the window's client size. False when the window is not valid or
  // already has a SkinForm.
  bool Attach(const CreateArgs& args);
  void Detach();
  HWND window() const { return window_; }

  // True while the skin draws the frame (an active skin was given).
  bool Skinned() const;
  // Non-client widths around the client area in the current look.
  FrameInsets Insets() const;
  // Outer window size for a client size, in the current look.
  SIZE WindowSizeForClient(int client_width, int client_height) const;
  // The largest size a maximized window takes: the work area of its monitor.
  SIZE LargestSize() const;

  bool RolledUp() const { return rolled_up_; }
  void RollUp();
  void RollDown();

  // The frame part under a point in window coordinates (skinned look only; kNowhere else).
  FramePart HitTest(int x, int y) const;
  // Draws the whole non-client area into dc, whose origin is the window's top-left corner.
  void PaintFrame(HDC dc, bool active) const;
  // Builds the system menu as it would open now (runs on_popup first). Commands of the
  // standard items are SC_* values (roll-up has its own); the window's items follow.
  kvo::UniqueHMenu BuildSystemMenu();
  // Opens the system menu at a screen point and runs the chosen command.
  void ShowSystemMenu(int screen_x, int screen_y);
  // Runs a command from the system menu (SC_* or kFirstItemCommand + index).
  void RunSystemCommand(UINT command);

  // The window's items are commands kFirstItemCommand + index * kItemCommandStep: multiples
  // of 16 below 0xF000, as the platform's system commands must be.
  static constexpr UINT kFirstItemCommand = 0x1000;
  static constexpr UINT kItemCommandStep = 0x10;

 private:
  // The roll command sits below the window's item commands, a multiple of 16 like every
  // system command.
  static constexpr UINT kRollCommand = 0x0FF0;

  static LRESULT HookProc(void* owner, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Next(UINT message, WPARAM wparam, LPARAM lparam);  // on to the window
  bool IsOwnCommand(UINT command) const;

  // One handler per message (skin_form_messages.cpp).
  using Handler = LRESULT (SkinForm::*)(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnPlainLookMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcCalcSize(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcPaint(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnPrint(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnEraseBackground(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcActivate(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnThemeDraw(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnCaptionChange(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcHitTest(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcLeftButtonDown(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcMouseMove(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcMouseLeave(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcLeftDoubleClick(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcRightButtonDown(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnNcRightButtonUp(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnTrackedMouse(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnCaptureChanged(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnGetMinMaxInfo(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnWindowPosChanging(UINT message, WPARAM wparam, LPARAM lparam);

  FrameLayoutInput LayoutInput() const;
  void ApplyFrameStyle();  // keeps the client size
  // The window's items after what the menu holds, with their checks and enabled states.
  void AppendItems(HMENU menu) const;
  void RefreshPlatformMenuStates();
  void RedrawFrame();
  bool TrackCaptionButton(FramePart part);
  void PressCaptionButton(FramePart part);

  HWND window_ = nullptr;
  const SkinData* skin_ = nullptr;
  unsigned buttons_ = 0;
  bool resizable_ = false;
  PopupMenu* system_menu_ = nullptr;
  bool active_ = true;
  bool rolled_up_ = false;
  int unrolled_height_ = 0;
  FramePart hot_part_ = FramePart::kNowhere;
  FramePart pressed_part_ = FramePart::kNowhere;
  FramePart hover_part_ = FramePart::kNowhere;  // the button under the mouse, not pressed
  bool tracking_ = false;
};

}  // namespace kvo::toolkit
