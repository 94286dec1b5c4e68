#include "containers.h"

#include <commctrl.h>

#include <algorithm>

#include "control_internal.h"

namespace kvo::toolkit {

bool GroupBox::Create(const CreateArgs& args) {
  return CreateContainer(args, WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

bool GroupBox::OnOwnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  if (PaintAsGroupFrame(hwnd(), message, skin(), result)) return true;
  if (message == WM_SETTEXT) InvalidateRect(hwnd(), nullptr, TRUE);
  return false;
}

bool PageControl::Create(const CreateArgs& args) {
  ControlArgs tab_args = args;
  tab_args.caption.clear();
  if (!CreateControl(tab_args, WC_TABCONTROLA, WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                     WS_EX_CONTROLPARENT)) {
    return false;
  }
  for (const std::string& caption : args.pages) AddPage(caption);
  on_change_ = args.on_change;
  return true;
}

HWND PageControl::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<size_t>(index)]->hwnd();
}

int PageControl::AddPage(const std::string& caption) {
  if (hwnd() == nullptr) return -1;
  const int index = PageCount();
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(caption.c_str());
  if (SendMessageA(hwnd(), TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)) < 0) {
    return -1;
  }
  auto page = std::make_unique<Panel>();
  Panel::CreateArgs page_args;
  page_args.parent = hwnd();
  page_args.bounds = PageBounds();
  page_args.visible = false;
  page_args.skin = skin();
  page_args.font = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
  if (!page->Create(page_args)) {
    SendMessageA(hwnd(), TCM_DELETEITEM, index, 0);
    return -1;
  }
  pages_.push_back(std::move(page));
  if (active_ < 0) {
    active_ = 0;
    SendMessageA(hwnd(), TCM_SETCURSEL, 0, 0);
    ShowActivePage();
  }
  return index;
}

void PageControl::SetActivePage(int index) {
  if (index < 0 || index >= PageCount() || index == active_) return;
  active_ = index;
  SendMessageA(hwnd(), TCM_SETCURSEL, index, 0);
  ShowActivePage();
  if (on_change_) on_change_(*this);
}

Rect PageControl::PageBounds() const {
  if (hwnd() == nullptr) return {};
  RECT display = {};
  GetClientRect(hwnd(), &display);
  SendMessageA(hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  return {display.left, display.top, std::max(0L, display.right - display.left),
          std::max(0L, display.bottom - display.top)};
}

void PageControl::ShowActivePage() {
  for (int index = 0; index < PageCount(); ++index) {
    pages_[static_cast<size_t>(index)]->SetVisible(index == active_);
  }
}

void PageControl::LayoutPages() {
  const Rect bounds = PageBounds();
  for (auto& page : pages_) page->SetBounds(bounds);
}

bool PageControl::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom != hwnd() || header->code != static_cast<UINT>(TCN_SELCHANGE)) {
    return false;
  }
  // The tab shows the user's choice already; setting it again changes nothing.
  SetActivePage(static_cast<int>(SendMessageA(hwnd(), TCM_GETCURSEL, 0, 0)));
  *result = 0;
  return true;
}

bool PageControl::OnOwnMessage(UINT message, WPARAM, LPARAM, LRESULT*) {
  if (message == WM_SIZE) LayoutPages();
  return false;
}

}  // namespace kvo::toolkit
