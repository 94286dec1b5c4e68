// Group box and page control: containers whose hwnd() (for a page: Page(i)) is the parent
// of the controls placed in them, with bounds relative to the container.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit_control.h"

namespace kvo::toolkit {

// A captioned frame around other controls; it routes its children's messages.
class GroupBox : public Control {
 public:
  struct CreateArgs : ControlArgs {};  // caption: the frame's caption
  bool Create(const CreateArgs& args);

 protected:
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
};

// Tabs over a stack of pages; exactly the active page is shown. on_change runs when the user
// picks another tab and when SetActivePage changes the page.
class PageControl : public Control {
 public:
  struct CreateArgs : ControlArgs {
    std::vector<std::string> pages;  // tab captions, in order
    std::function<void(PageControl&)> on_change;
  };
  bool Create(const CreateArgs& args);

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // The page's container window (parent for its controls); nullptr when out of range.
  HWND Page(int index) const;
  int AddPage(const std::string& caption);  // returns the new page's index, or -1
  int ActivePage() const { return active_; }
  void SetActivePage(int index);
  // The pages' client rectangle inside the control, after the tabs.
  Rect PageBounds() const;

 protected:
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void ShowActivePage();
  void LayoutPages();

  std::vector<std::unique_ptr<Control>> pages_;
  int active_ = -1;
  std::function<void(PageControl&)> on_change_;
};

}  // namespace kvo::toolkit
