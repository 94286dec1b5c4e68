// Label, read-only edit and drop-down list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit_control.h"

namespace kvo::toolkit {

// Static text. A bounds width or height of 0 sizes the label to its caption (also after
// SetCaption).
class Label : public Control {
 public:
  struct CreateArgs : ControlArgs {};
  bool Create(const CreateArgs& args);

 protected:
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void FitToText();
  bool auto_size_ = false;
};

// A single-line edit the user can read and select but not change.
class ReadOnlyEdit : public Control {
 public:
  struct CreateArgs : ControlArgs {};  // caption: the initial text
  bool Create(const CreateArgs& args);
  void SetText(const std::string& text) { SetCaption(text); }
  std::string Text() const { return Caption(); }
};

// A drop-down list without free text. ItemIndex is -1 without a selection. on_change runs on
// the user's choice only; SetItemIndex from code runs nothing.
class DropDownList : public Control {
 public:
  struct CreateArgs : ControlArgs {
    std::vector<std::string> items;
    int item_index = -1;
    int drop_height = 200;  // height of the open list
    std::function<void(DropDownList&)> on_change;
  };
  bool Create(const CreateArgs& args);

  int Count() const;
  int AddItem(const std::string& item);  // returns its index, or -1
  void Clear();
  std::string Item(int index) const;  // empty when out of range
  int IndexOf(const std::string& item) const;  // exact match, -1 when absent
  int ItemIndex() const;
  void SetItemIndex(int index);  // out of range clears the selection
  std::string Text() const;      // the selected item, or empty

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;

 private:
  std::function<void(DropDownList&)> on_change_;
};

}  // namespace kvo::toolkit
