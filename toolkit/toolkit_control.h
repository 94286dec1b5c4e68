// The base of every control wrapper and the message routing that windows call.
//
// A window that holds toolkit controls calls RouteControlMessage first in its window
// procedure (Form does, form.h): it hands WM_COMMAND, WM_NOTIFY, WM_HSCROLL, WM_VSCROLL,
// WM_DRAWITEM and WM_CTLCOLOR* of a child control to that control's wrapper, which runs its
// handler. Containers of the toolkit (Panel, GroupBox, RadioGroup, the pages of PageControl)
// route for their own children, so controls can be placed inside them with the container's
// hwnd() as parent.
//
// Wrappers are created in two steps (a named member, then Create from its CreateArgs), are
// neither copied nor moved, and destroy their control when they go. A control whose parent
// was destroyed first simply becomes empty (hwnd() == nullptr).
#pragma once

#include <windows.h>

#include <string>

#include "control_math.h"

namespace kvo::toolkit {

class SkinData;

// What every control is created from. Bounds are left, top, width, height in the parent's
// client coordinates.
struct ControlArgs {
  HWND parent = nullptr;
  Rect bounds;
  std::string caption;
  std::string hint;  // tooltip text; empty: none
  bool visible = true;
  bool enabled = true;
  bool tab_stop = true;
  int tag = 0;                     // free number for shared handlers
  HFONT font = nullptr;            // null: the skin's control font, else DefaultFont()
  const SkinData* skin = nullptr;  // null or inactive: the plain look
};

// The toolkit's default control font, MS Sans Serif 8 pt (created once, never freed).
HFONT DefaultFont();

// Registers the common control classes the toolkit uses; safe to call repeatedly.
void EnsureCommonControls();

// The tooltip window that shows the hints of the controls under a top-level window (created
// on the first hint); nullptr when there is none.
HWND HintWindowOf(HWND top_level_window);

// Routes a message of a child control to its wrapper. True when a wrapper handled it; then
// *result is what the window procedure returns.
bool RouteControlMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                         LRESULT* result);

class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  HWND hwnd() const { return hwnd_; }
  bool Created() const { return hwnd_ != nullptr; }

  void SetBounds(const Rect& bounds);
  Rect Bounds() const;  // in the parent's client coordinates
  void Move(int left, int top);
  void Resize(int width, int height);

  void SetVisible(bool visible);
  bool Visible() const;  // the control's own visible flag
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void Focus();

  void SetCaption(const std::string& caption);
  std::string Caption() const;
  void SetHint(const std::string& hint);
  const std::string& Hint() const { return hint_; }

  int tag = 0;

 protected:
  // Creates the window and binds it to this wrapper; false when the platform refuses.
  bool CreateControl(const ControlArgs& args, const char* window_class, DWORD style,
                     DWORD ex_style = 0);
  // The same in the toolkit's container class, which keeps the font it is given.
  bool CreateContainer(const ControlArgs& args, DWORD style, DWORD ex_style = 0);
  // Binds a further window (such as a radio item) to this wrapper so its messages route here.
  void BindPart(HWND part);
  const SkinData* skin() const { return skin_; }
  bool Skinned() const;
  // Passes a message of the control itself on to the control's own class procedure.
  LRESULT CallOriginalProc(UINT message, WPARAM wparam, LPARAM lparam);

  // Called by RouteControlMessage; source is the control or bound part that sent it.
  // Return true when handled.
  virtual bool OnCommand(HWND source, WORD code, LRESULT* result);
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  virtual bool OnScroll(HWND source, WORD code, LRESULT* result);
  virtual bool OnDrawItem(DRAWITEMSTRUCT* item);
  // WM_CTLCOLOR*: the default gives skinned controls the skin's face and text colours.
  virtual bool OnColor(HDC dc, HWND source, LRESULT* result);
  // Messages of the control itself (it is subclassed); return true when handled.
  virtual bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  friend bool RouteControlMessage(HWND, UINT, WPARAM, LPARAM, LRESULT*);
  static LRESULT PartHook(void* owner, HWND part, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnPartMessage(HWND part, UINT message, WPARAM wparam, LPARAM lparam);
  void ForgetPart(HWND part);

  HWND hwnd_ = nullptr;
  const SkinData* skin_ = nullptr;
  std::string hint_;
};

// A plain container for other controls, painted in the face colour; it routes its children's
// messages like a window does.
class Panel : public Control {
 public:
  struct CreateArgs : ControlArgs {};
  bool Create(const CreateArgs& args);

 protected:
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
};

// Fills rect with the face colour of the skin (the platform's face colour when skin is null
// or inactive).
void FillFace(HDC dc, const RECT& rect, const SkinData* skin);

}  // namespace kvo::toolkit
