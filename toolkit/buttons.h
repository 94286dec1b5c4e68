// Push button (text and an optional glyph), picture button (a 32 x 32 picture) and check
// box. Push and picture buttons are drawn by the toolkit (skin colours when skinned, the
// platform's button look otherwise); their hint is a tooltip.
#pragma once

#include <functional>

#include "toolkit_control.h"

namespace kvo::toolkit {

enum class GlyphPlacement { kLeft, kBelow };

// What push and picture buttons share: the toolkit draws them, a picture (not owned; it must
// outlive the button or be replaced first) on their face, and on_click runs on a user's click
// or Click().
template <typename Self>
class DrawnButton : public Control {
 public:
  // Runs the click handler as a user's click does (nothing when disabled).
  void Click() {
    if (Enabled() && on_click_) on_click_(static_cast<Self&>(*this));
  }

 protected:
  bool CreateButton(const ControlArgs& args, HBITMAP picture, GlyphPlacement placement,
                    std::function<void(Self&)> on_click);
  HBITMAP FacePicture() const { return picture_; }
  void SetFacePicture(HBITMAP picture);  // nullptr removes it; redraws
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;
  bool OnDrawItem(DRAWITEMSTRUCT* item) override;

 private:
  HBITMAP picture_ = nullptr;
  GlyphPlacement placement_ = GlyphPlacement::kLeft;
  std::function<void(Self&)> on_click_;
};

// A push button: caption, optional glyph and hint.
class PushButton : public DrawnButton<PushButton> {
 public:
  struct CreateArgs : ControlArgs {
    HBITMAP glyph = nullptr;
    GlyphPlacement glyph_placement = GlyphPlacement::kLeft;
    std::function<void(PushButton&)> on_click;
  };
  bool Create(const CreateArgs& args);

  void SetGlyph(HBITMAP glyph) { SetFacePicture(glyph); }
};

// A button that shows a picture (designed for 32 x 32) centred on its face, and a hint.
class PictureButton : public DrawnButton<PictureButton> {
 public:
  struct CreateArgs : ControlArgs {
    HBITMAP picture = nullptr;
    std::function<void(PictureButton&)> on_click;
  };
  bool Create(const CreateArgs& args);

  void SetPicture(HBITMAP picture) { SetFacePicture(picture); }
  HBITMAP Picture() const { return FacePicture(); }
};

// A check box. A user's click toggles it and runs on_click; SetChecked from code runs
// on_click too whenever the state changes, exactly as a user's click would (setting the state
// it already has changes nothing and runs nothing).
class CheckBox : public Control {
 public:
  struct CreateArgs : ControlArgs {
    bool checked = false;  // initial state; set without running the handler
    std::function<void(CheckBox&)> on_click;
  };
  bool Create(const CreateArgs& args);

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;

 private:
  bool checked_ = false;
  std::function<void(CheckBox&)> on_click_;
};

}  // namespace kvo::toolkit
