// A radio group: a captioned frame holding radio items laid out in columns (RadioItemRects).
// ItemIndex is -1 while no item is selected. A user's click on an item, or SetItemIndex from
// code, runs on_click when the selection changes to an item; selecting the item already
// selected, or clearing the selection (-1), runs nothing. SetItemIndex limits the index to
// the items (LimitedItemIndex): past the last item selects the last, negative selects none.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit_control.h"

namespace kvo::toolkit {

class RadioGroup : public Control {
 public:
  struct CreateArgs : ControlArgs {  // caption: the frame's caption
    std::vector<std::string> items;
    int columns = 1;
    int item_index = -1;  // initial selection, limited alike; set without running the handler
    std::function<void(RadioGroup&)> on_click;
  };
  bool Create(const CreateArgs& args);

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(items_.size()); }
  std::string Item(int index) const;
  int IndexOf(const std::string& item) const;  // exact match, -1 when absent
  // Appends an item; returns its index, or -1 when the platform refuses it.
  int AddItem(const std::string& item);
  // Removes an item; a selection of that item becomes -1, a later one moves up. Runs nothing.
  void DeleteItem(int index);
  HWND ItemWindow(int index) const;

 protected:
  bool OnCommand(HWND source, WORD code, LRESULT* result) override;
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void LayoutItems();
  HWND CreateItemWindow(size_t index);

  std::vector<std::string> items_;
  std::vector<HWND> item_windows_;
  int columns_ = 1;
  int item_index_ = -1;
  std::function<void(RadioGroup&)> on_click_;
};

}  // namespace kvo::toolkit
