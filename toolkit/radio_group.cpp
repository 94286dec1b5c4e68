#include "radio_group.h"

#include <algorithm>

#include "control_internal.h"

namespace kvo::toolkit {

bool RadioGroup::Create(const CreateArgs& args) {
  items_ = args.items;
  columns_ = args.columns;
  on_click_ = args.on_click;
  if (!CreateContainer(args, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT)) return false;
  for (size_t index = 0; index < items_.size(); ++index) {
    HWND item = CreateItemWindow(index);
    if (item == nullptr) {
      item_windows_.clear();
      DestroyWindow(hwnd());
      return false;
    }
    item_windows_.push_back(item);
  }
  LayoutItems();
  item_index_ = LimitedItemIndex(args.item_index, Count());
  if (HWND selected = ItemWindow(item_index_)) {
    SendMessageA(selected, BM_SETCHECK, BST_CHECKED, 0);
  }
  return true;
}

HWND RadioGroup::CreateItemWindow(size_t index) {
  const HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
  // The first item starts the tab group; arrows move between the items.
  const DWORD style = WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON |
                      (index == 0 ? WS_GROUP | WS_TABSTOP : 0);
  HWND item = CreateWindowExA(0, "BUTTON", items_[index].c_str(), style, 0, 0, 0, 0, hwnd(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(index + 1)),
                              GetModuleHandleA(nullptr), nullptr);
  if (item == nullptr) return nullptr;
  SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (!IsWindowEnabled(hwnd())) EnableWindow(item, FALSE);
  BindPart(item);
  return item;
}

int RadioGroup::IndexOf(const std::string& item) const {
  const auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

int RadioGroup::AddItem(const std::string& item) {
  if (hwnd() == nullptr) return -1;
  items_.push_back(item);
  HWND window = CreateItemWindow(items_.size() - 1);
  if (window == nullptr) {
    items_.pop_back();
    return -1;
  }
  item_windows_.push_back(window);
  LayoutItems();
  InvalidateRect(hwnd(), nullptr, TRUE);
  return Count() - 1;
}

void RadioGroup::DeleteItem(int index) {
  if (index < 0 || index >= Count()) return;
  if (HWND window = ItemWindow(index)) DestroyWindow(window);
  items_.erase(items_.begin() + index);
  if (index < static_cast<int>(item_windows_.size())) {
    item_windows_.erase(item_windows_.begin() + index);
  }
  if (item_index_ == index) {
    item_index_ = -1;
  } else if (item_index_ > index) {
    --item_index_;
  }
  LayoutItems();
  InvalidateRect(hwnd(), nullptr, TRUE);
}

std::string RadioGroup::Item(int index) const {
  if (index < 0 || index >= Count()) return {};
  return items_[static_cast<size_t>(index)];
}

HWND RadioGroup::ItemWindow(int index) const {
  // The items went with the group's window when a parent was destroyed first.
  if (hwnd() == nullptr) return nullptr;
  if (index < 0 || index >= static_cast<int>(item_windows_.size())) return nullptr;
  return item_windows_[static_cast<size_t>(index)];
}

void RadioGroup::SetItemIndex(int index) {
  index = LimitedItemIndex(index, Count());
  if (index == item_index_) return;
  if (HWND previous = ItemWindow(item_index_)) {
    SendMessageA(previous, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  item_index_ = index;
  if (HWND current = ItemWindow(index)) SendMessageA(current, BM_SETCHECK, BST_CHECKED, 0);
  if (index >= 0 && on_click_) on_click_(*this);
}

void RadioGroup::LayoutItems() {
  if (hwnd() == nullptr) return;
  RECT client = {};
  GetClientRect(hwnd(), &client);
  const std::vector<Rect> rects = RadioItemRects(client.right, client.bottom, Count(), columns_,
                                                 TextLineHeight(hwnd()) + 2);
  for (size_t index = 0; index < item_windows_.size() && index < rects.size(); ++index) {
    const Rect& place = rects[index];
    SetWindowPos(item_windows_[index], nullptr, place.left, place.top, place.width,
                 place.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

bool RadioGroup::OnCommand(HWND source, WORD code, LRESULT* result) {
  if (code != BN_CLICKED && code != BN_DOUBLECLICKED) return false;
  const auto found = std::find(item_windows_.begin(), item_windows_.end(), source);
  if (found == item_windows_.end()) return false;
  SetItemIndex(static_cast<int>(found - item_windows_.begin()));
  *result = 0;
  return true;
}

bool RadioGroup::OnOwnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (PaintAsGroupFrame(hwnd(), message, skin(), result)) return true;
  if (message == WM_SIZE) LayoutItems();
  if (message == WM_ENABLE) {
    for (HWND item : item_windows_) EnableWindow(item, static_cast<BOOL>(wparam));
    InvalidateRect(hwnd(), nullptr, TRUE);
  }
  return false;
}

}  // namespace kvo::toolkit
