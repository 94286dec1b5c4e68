#include "text_controls.h"

namespace kvo::toolkit {

bool Label::Create(const CreateArgs& args) {
  auto_size_ = args.bounds.width <= 0 || args.bounds.height <= 0;
  ControlArgs label_args = args;
  label_args.tab_stop = false;
  if (!CreateControl(label_args, "STATIC", SS_LEFT | SS_NOPREFIX)) return false;
  if (auto_size_) FitToText();
  return true;
}

void Label::FitToText() {
  if (hwnd() == nullptr) return;
  HDC dc = GetDC(hwnd());
  if (dc == nullptr) return;
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0)));
  const std::string text = Caption();
  RECT measure = {0, 0, 0, 0};
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &measure,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(hwnd(), dc);
  Resize(measure.right, measure.bottom);
}

bool Label::OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message != WM_SETTEXT || !auto_size_) return false;
  // Let the static store the text first, then fit to it.
  *result = CallOriginalProc(message, wparam, lparam);
  FitToText();
  InvalidateRect(hwnd(), nullptr, TRUE);
  return true;
}

bool ReadOnlyEdit::Create(const CreateArgs& args) {
  return CreateControl(args, "EDIT", ES_READONLY | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE);
}

bool DropDownList::Create(const CreateArgs& args) {
  ControlArgs list_args = args;
  list_args.caption.clear();
  list_args.bounds.height = args.drop_height > args.bounds.height ? args.drop_height
                                                                  : args.bounds.height;
  if (!CreateControl(list_args, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL)) return false;
  for (const std::string& item : args.items) AddItem(item);
  SetItemIndex(args.item_index);
  on_change_ = args.on_change;
  return true;
}

int DropDownList::Count() const {
  if (hwnd() == nullptr) return 0;
  const LRESULT count = SendMessageA(hwnd(), CB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

int DropDownList::AddItem(const std::string& item) {
  if (hwnd() == nullptr) return -1;
  const LRESULT index =
      SendMessageA(hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  return index >= 0 ? static_cast<int>(index) : -1;
}

void DropDownList::Clear() {
  if (hwnd() != nullptr) SendMessageA(hwnd(), CB_RESETCONTENT, 0, 0);
}

std::string DropDownList::Item(int index) const {
  if (hwnd() == nullptr || index < 0 || index >= Count()) return {};
  const LRESULT length = SendMessageA(hwnd(), CB_GETLBTEXTLEN, index, 0);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(hwnd(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

int DropDownList::IndexOf(const std::string& item) const {
  // CB_FINDSTRINGEXACT ignores case; the stored names are compared exactly.
  for (int index = 0; index < Count(); ++index) {
    if (Item(index) == item) return index;
  }
  return -1;
}

int DropDownList::ItemIndex() const {
  if (hwnd() == nullptr) return -1;
  const LRESULT index = SendMessageA(hwnd(), CB_GETCURSEL, 0, 0);
  return index >= 0 ? static_cast<int>(index) : -1;
}

void DropDownList::SetItemIndex(int index) {
  if (hwnd() == nullptr) return;
  if (index < 0 || index >= Count()) index = -1;
  SendMessageA(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string DropDownList::Text() const { return Item(ItemIndex()); }

bool DropDownList::OnCommand(HWND source, WORD code, LRESULT* result) {
  if (source != hwnd() || code != CBN_SELCHANGE) return false;
  if (on_change_) on_change_(*this);
  *result = 0;
  return true;
}

}  // namespace kvo::toolkit
