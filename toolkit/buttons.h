// Push button (text and an optional glyph), picture button (a 32 x 32 picture) and check
// box. Push and picture buttons are drawn by the toolkit (skin colours when skinned, the
// platform's button look otherwise); their hint is a tooltip.
#pragma once

#include <functional>

#include "toolkit_control.h"

namespace kvo::toolkit {

enum class GlyphPlacement { kLeft, kAbove, kBelow, kRight };

// A push button: caption, optional glyph and hint; on_click on a user's click or Click().
class PushButton : public Control {
 public:
  struct CreateArgs : ControlArgs {
    HBITMAP glyph = nullptr;  // not owned; must outlive the button or be replaced first
    GlyphPlacement glyph_placement = GlyphPlacement::kLeft;
    std::function<void(PushButton&)> on_click;
  };
  bool Create(const CreateArgs& args);

  // Replaces the glyph (not owned; nullptr removes it) and redraws.
  void SetGlyph(HBITMAP glyph);
  HBITMAP Glyph() const { return glyph_; }
  void SetOnClick(std::function<void(PushButton&)> on_click) { on_click_ = std::move(on_click); }
  // Runs the click handler as a user's click does (nothing when disabled).
  void Click();

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;
  bool OnDrawItem(DRAWITEMSTRUCT* item) override;

 private:
  HBITMAP glyph_ = nullptr;
  GlyphPlacement placement_ = GlyphPlacement::kLeft;
  std::function<void(PushButton&)> on_click_;
};

// A button that shows a picture (designed for 32 x 32) centred on its face, and a hint.
class PictureButton : public Control {
 public:
  struct CreateArgs : ControlArgs {
    HBITMAP picture = nullptr;  // not owned; must outlive the button or be replaced first
    std::function<void(PictureButton&)> on_click;
  };
  bool Create(const CreateArgs& args);

  void SetPicture(HBITMAP picture);
  HBITMAP Picture() const { return picture_; }
  void SetOnClick(std::function<void(PictureButton&)> on_click) {
    on_click_ = std::move(on_click);
  }
  void Click();

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;
  bool OnDrawItem(DRAWITEMSTRUCT* item) override;

 private:
  HBITMAP picture_ = nullptr;
  std::function<void(PictureButton&)> on_click_;
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
  void SetOnClick(std::function<void(CheckBox&)> on_click) { on_click_ = std::move(on_click); }

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;

 private:
  bool checked_ = false;
  std::function<void(CheckBox&)> on_click_;
};

}  // namespace kvo::toolkit
