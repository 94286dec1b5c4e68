// The controls on real windows: the handler rules every window relies on (a change from code
// runs the handler as a user's change does; a slider keeps its value in range), routing
// through the toolkit's containers, hints, owner-drawn faces and timers.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit.h"
#include "toolkit_window_support.h"

namespace kvo::toolkit {
namespace {

using test::HostWindow;
using test::PumpPending;
using test::PumpUntil;

ControlArgs At(HWND parent, int left, int top, int width, int height) {
  ControlArgs args;
  args.parent = parent;
  args.bounds = {left, top, width, height};
  return args;
}

template <typename Args>
Args With(const ControlArgs& base) {
  Args args;
  static_cast<ControlArgs&>(args) = base;
  return args;
}

// The window's own visible flag (the host window itself stays hidden).
bool OwnVisible(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// A user's click: the button's own mouse handling, which notifies its parent.
void UserClick(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

TEST(ToolkitControls, CheckBoxRunsItsHandlerForEveryChange) {
  HostWindow host(300, 200);
  ASSERT_NE(host.hwnd(), nullptr);
  int clicks = 0;
  bool seen_state = false;
  CheckBox box;
  auto args = With<CheckBox::CreateArgs>(At(host.hwnd(), 10, 10, 120, 25));
  args.caption = "&Low Light";
  args.tag = 24;
  args.on_click = [&](CheckBox& sender) {
    ++clicks;
    seen_state = sender.Checked();
    EXPECT_EQ(sender.tag, 24);
  };
  ASSERT_TRUE(box.Create(args));
  EXPECT_EQ(clicks, 0) << "the initial state runs nothing";
  EXPECT_EQ(box.Caption(), "&Low Light");

  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(seen_state) << "the handler sees the new state";
  EXPECT_EQ(SendMessageA(box.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1) << "setting the state it has changes nothing";

  UserClick(box.hwnd());
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(box.Checked());
  EXPECT_FALSE(seen_state);
  EXPECT_EQ(SendMessageA(box.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  box.SetEnabled(false);
  EXPECT_FALSE(box.Enabled());
  box.SetChecked(true);
  EXPECT_EQ(clicks, 3) << "code changes a disabled box too, and its handler runs";
}

TEST(ToolkitControls, RadioGroupItemsAreAddedAndRemovedWithTheSelectionKept) {
  HostWindow host(300, 200);
  int clicks = 0;
  RadioGroup frame;
  auto args = With<RadioGroup::CreateArgs>(At(host.hwnd(), 0, 0, 262, 154));
  args.caption = "Frame";
  args.items = {"No Frame", "Post Card", "Snow", "Magnifier"};
  args.columns = 2;
  args.on_click = [&](RadioGroup&) { ++clicks; };
  ASSERT_TRUE(frame.Create(args));
  EXPECT_EQ(frame.IndexOf("Magnifier"), 3);
  EXPECT_EQ(frame.IndexOf("Absent"), -1);

  frame.SetItemIndex(2);
  ASSERT_EQ(clicks, 1);
  frame.DeleteItem(1);  // before the selection: the selection moves up with its item
  EXPECT_EQ(frame.Count(), 3);
  EXPECT_EQ(frame.ItemIndex(), 1);
  EXPECT_EQ(frame.Item(1), "Snow");
  EXPECT_EQ(SendMessageA(frame.ItemWindow(1), BM_GETCHECK, 0, 0), BST_CHECKED);
  frame.DeleteItem(1);  // the selected item: no selection, no handler
  EXPECT_EQ(frame.ItemIndex(), -1);
  EXPECT_EQ(clicks, 1);
  frame.DeleteItem(9);  // out of range: nothing
  EXPECT_EQ(frame.Count(), 2);

  EXPECT_EQ(frame.AddItem("Post Card"), 2);
  ASSERT_NE(frame.ItemWindow(2), nullptr);
  EXPECT_EQ(frame.Item(2), "Post Card");
  UserClick(frame.ItemWindow(2));
  EXPECT_EQ(frame.ItemIndex(), 2) << "an added item is clicked like the others";
  EXPECT_EQ(clicks, 2);
  frame.SetEnabled(false);
  EXPECT_EQ(frame.AddItem("Aim"), 3);
  EXPECT_FALSE(IsWindowEnabled(frame.ItemWindow(3))) << "added to a disabled group";
}

TEST(ToolkitControls, RadioGroupRunsItsHandlerWhenTheSelectionChangesToAnItem) {
  HostWindow host(300, 200);
  int clicks = 0;
  RadioGroup flicker;
  auto args = With<RadioGroup::CreateArgs>(At(host.hwnd(), 113, 63, 129, 49));
  args.caption = "Flicker";
  args.items = {"50 Hz", "60 Hz"};
  args.columns = 2;
  args.on_click = [&](RadioGroup&) { ++clicks; };
  ASSERT_TRUE(flicker.Create(args));
  ASSERT_EQ(flicker.Count(), 2);
  EXPECT_EQ(flicker.ItemIndex(), -1);
  EXPECT_EQ(flicker.Item(1), "60 Hz");

  // Two columns: the items sit side by side inside the frame.
  RECT first = {}, second = {};
  GetWindowRect(flicker.ItemWindow(0), &first);
  GetWindowRect(flicker.ItemWindow(1), &second);
  EXPECT_EQ(first.top, second.top);
  EXPECT_LT(first.right, second.right);

  flicker.SetItemIndex(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(1), BM_GETCHECK, 0, 0), BST_CHECKED);
  flicker.SetItemIndex(1);
  EXPECT_EQ(clicks, 1) << "the item already selected";
  flicker.SetItemIndex(-1);
  EXPECT_EQ(clicks, 1) << "clearing the selection selects no item";
  EXPECT_EQ(flicker.ItemIndex(), -1);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // An index past the items selects the last item, as a change to an item does; a
  // negative one below -1 clears like -1.
  flicker.SetItemIndex(7);
  EXPECT_EQ(flicker.ItemIndex(), 1) << "limited to the last item";
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(1), BM_GETCHECK, 0, 0), BST_CHECKED);
  flicker.SetItemIndex(255);
  EXPECT_EQ(clicks, 2) << "limited to the item already selected";
  flicker.SetItemIndex(-5);
  EXPECT_EQ(flicker.ItemIndex(), -1);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  UserClick(flicker.ItemWindow(0));
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(flicker.ItemIndex(), 0);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(0), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(flicker.ItemWindow(1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  UserClick(flicker.ItemWindow(0));
  EXPECT_EQ(clicks, 3) << "clicking the selected item changes nothing";

  // A group created with a selection starts there without running its handler.
  int other_clicks = 0;
  RadioGroup preset;
  auto preset_args = With<RadioGroup::CreateArgs>(At(host.hwnd(), 10, 120, 129, 60));
  preset_args.items = {"Out", "In"};
  preset_args.item_index = 1;
  preset_args.on_click = [&](RadioGroup&) { ++other_clicks; };
  ASSERT_TRUE(preset.Create(preset_args));
  EXPECT_EQ(preset.ItemIndex(), 1);
  EXPECT_EQ(other_clicks, 0);
}

TEST(ToolkitControls, SliderKeepsItsValueInRangeAndReportsEveryChange) {
  HostWindow host(300, 200);
  int changes = 0;
  int last_seen = -1;
  Slider contrast;
  auto args = With<Slider::CreateArgs>(At(host.hwnd(), 10, 43, 92, 31));
  args.minimum = 10000;
  args.maximum = 20000;
  args.value = 5;  // below the range: starts at the minimum
  args.on_change = [&](Slider& sender) {
    ++changes;
    last_seen = sender.Value();
  };
  ASSERT_TRUE(contrast.Create(args));
  EXPECT_EQ(contrast.Value(), 10000);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(SendMessageA(contrast.hwnd(), TBM_GETRANGEMAX, 0, 0), 20000);

  contrast.SetValue(25000);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(last_seen, 20000);
  EXPECT_EQ(SendMessageA(contrast.hwnd(), TBM_GETPOS, 0, 0), 20000);
  contrast.SetValue(20000);
  EXPECT_EQ(changes, 1);
  contrast.SetMaximum(15000);
  EXPECT_EQ(changes, 2) << "a lower maximum moves the value";
  EXPECT_EQ(last_seen, 15000);
  contrast.SetMaximum(2550000);
  EXPECT_EQ(changes, 2) << "a wider range leaves the value";
  EXPECT_EQ(SendMessageA(contrast.hwnd(), TBM_GETRANGEMAX, 0, 0), 2550000);
  contrast.SetMinimum(16000);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(contrast.Value(), 16000);
  contrast.SetRange(0, 100);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(contrast.Value(), 100);

  // The user's move (arrow key) arrives as a scroll message and runs the handler once.
  SetFocus(contrast.hwnd());
  SendMessageA(contrast.hwnd(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(contrast.Value(), 99);
  EXPECT_EQ(last_seen, 99);
  EXPECT_GE(changes, 5);
  const int after_move = changes;
  SendMessageA(contrast.hwnd(), WM_KEYUP, VK_LEFT, 0);  // TB_ENDTRACK: no new value
  EXPECT_EQ(changes, after_move);
}

TEST(ToolkitControls, ContainersRouteTheirChildrensMessages) {
  HostWindow host(300, 440);
  GroupBox extra;
  auto group_args = With<GroupBox::CreateArgs>(At(host.hwnd(), 112, 216, 129, 73));
  group_args.caption = "Extra Control";
  ASSERT_TRUE(extra.Create(group_args));
  int backlight_clicks = 0;
  CheckBox backlight;
  auto box_args = With<CheckBox::CreateArgs>(At(extra.hwnd(), 8, 24, 100, 25));
  box_args.caption = "&Backlight Comp";
  box_args.on_click = [&](CheckBox&) { ++backlight_clicks; };
  ASSERT_TRUE(backlight.Create(box_args));
  UserClick(backlight.hwnd());
  EXPECT_EQ(backlight_clicks, 1) << "a click inside a group box reaches its handler";

  int page_changes = 0;
  PageControl pages;
  auto page_args = With<PageControl::CreateArgs>(At(host.hwnd(), 0, 0, 264, 200));
  page_args.pages = {"     &Image     ", "     &Effect     ", "      &Misc     "};
  page_args.on_change = [&](PageControl&) { ++page_changes; };
  ASSERT_TRUE(pages.Create(page_args));
  ASSERT_EQ(pages.PageCount(), 3);
  EXPECT_EQ(pages.ActivePage(), 0);
  EXPECT_TRUE(OwnVisible(pages.Page(0)));
  EXPECT_FALSE(OwnVisible(pages.Page(1)));
  EXPECT_EQ(pages.Page(3), nullptr);
  const Rect page_bounds = pages.PageBounds();
  EXPECT_GT(page_bounds.top, 0) << "the pages sit below the tabs";
  EXPECT_GT(page_bounds.width, 200);

  int effect_clicks = 0;
  RadioGroup effect;
  auto effect_args = With<RadioGroup::CreateArgs>(At(pages.Page(1), 0, 0, 262, 150));
  effect_args.caption = "Effect";
  effect_args.items = {"&No Effect", "Aged Photo", "Canvas"};
  effect_args.columns = 2;
  effect_args.on_click = [&](RadioGroup&) { ++effect_clicks; };
  ASSERT_TRUE(effect.Create(effect_args));

  pages.SetActivePage(1);
  EXPECT_EQ(page_changes, 1);
  EXPECT_FALSE(OwnVisible(pages.Page(0)));
  EXPECT_TRUE(OwnVisible(pages.Page(1)));
  pages.SetActivePage(1);
  EXPECT_EQ(page_changes, 1);
  UserClick(effect.ItemWindow(2));
  EXPECT_EQ(effect_clicks, 1) << "a radio item on a page reaches its group's handler";
  EXPECT_EQ(effect.ItemIndex(), 2);

  // The user's tab change: the tab control notifies its parent, which routes it.
  RECT tab = {};
  ASSERT_TRUE(SendMessageA(pages.hwnd(), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&tab)));
  const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  SendMessageA(pages.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(pages.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(pages.ActivePage(), 2);
  EXPECT_EQ(page_changes, 2);
  EXPECT_TRUE(OwnVisible(pages.Page(2)));
  EXPECT_FALSE(OwnVisible(pages.Page(1)));
}

TEST(ToolkitControls, TextControlsAndDropDownList) {
  HostWindow host(360, 200);
  Label label;
  auto label_args = With<Label::CreateArgs>(At(host.hwnd(), 9, 16, 0, 0));
  label_args.caption = "Audio";
  ASSERT_TRUE(label.Create(label_args));
  const Rect short_bounds = label.Bounds();
  EXPECT_EQ(short_bounds.left, 9);
  EXPECT_EQ(short_bounds.top, 16);
  EXPECT_GT(short_bounds.width, 0) << "a label without a size takes its text's";
  EXPECT_GT(short_bounds.height, 0);
  label.SetCaption("Record Compressor");
  EXPECT_GT(label.Bounds().width, short_bounds.width);

  ReadOnlyEdit path;
  auto path_args = With<ReadOnlyEdit::CreateArgs>(At(host.hwnd(), 40, 66, 288, 18));
  path_args.tab_stop = false;
  ASSERT_TRUE(path.Create(path_args));
  EXPECT_TRUE(GetWindowLongA(path.hwnd(), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(GetWindowLongA(path.hwnd(), GWL_STYLE) & WS_TABSTOP);
  path.SetText("C:\\Pictures");
  EXPECT_EQ(path.Text(), "C:\\Pictures");
  SendMessageA(path.hwnd(), WM_CHAR, 'x', 0);
  EXPECT_EQ(path.Text(), "C:\\Pictures") << "typing changes nothing";

  int changes = 0;
  DropDownList list;
  auto list_args = With<DropDownList::CreateArgs>(At(host.hwnd(), 111, 14, 218, 20));
  list_args.items = {"No Compress", "Codec A", "codec a"};
  list_args.on_change = [&](DropDownList&) { ++changes; };
  ASSERT_TRUE(list.Create(list_args));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Text(), "");
  EXPECT_EQ(list.IndexOf("codec a"), 2) << "names compare exactly";
  EXPECT_EQ(list.IndexOf("missing"), -1);
  list.SetItemIndex(1);
  EXPECT_EQ(list.Text(), "Codec A");
  EXPECT_EQ(changes, 0) << "a selection from code runs nothing";
  list.SetItemIndex(9);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Item(9), "");
  // The user's choice (arrow key in the closed list) runs the handler.
  list.SetItemIndex(0);
  SendMessageA(list.hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.AddItem("Later"), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

// Reads back what a control drew: the control prints itself into a memory bitmap.
COLORREF PrintedPixel(HWND control, int x, int y) {
  RECT client = {};
  GetClientRect(control, &client);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  const COLORREF pixel = GetPixel(memory, x, y);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return pixel;
}

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT all = {0, 0, width, height};
  FillRect(memory, &all, brush);
  DeleteObject(brush);
  // A different bottom-left pixel: the see-through colour of a glyph.
  SetPixel(memory, 0, height - 1, RGB(255, 0, 255));
  SelectObject(memory, previous);
  DeleteDC(memory);
  return bitmap;
}

TEST(ToolkitControls, ButtonsDrawTheirPicturesAndShowHints) {
  HostWindow host(300, 200);
  SkinData skin;
  ASSERT_TRUE(skin.LoadFromFile()) << skin.LastError();
  const COLORREF button_face = ToColorRef(skin.Description().colors.button_face);

  // Smaller than the designed 32 x 32, so the face shows around it.
  kvo::UniqueHBitmap picture(SolidBitmap(16, 16, RGB(0, 200, 0)));
  int clicks = 0;
  PictureButton save;
  auto save_args = With<PictureButton::CreateArgs>(At(host.hwnd(), 112, 102, 33, 30));
  save_args.hint = "Save Camera Setting";
  save_args.picture = picture.get();
  save_args.skin = &skin;
  save_args.on_click = [&](PictureButton&) { ++clicks; };
  ASSERT_TRUE(save.Create(save_args));
  UserClick(save.hwnd());
  EXPECT_EQ(clicks, 1);
  save.SetEnabled(false);
  save.Click();
  EXPECT_EQ(clicks, 1) << "a disabled button does not click";
  save.SetEnabled(true);
  EXPECT_EQ(PrintedPixel(save.hwnd(), 16, 15), RGB(0, 200, 0)) << "the picture, centred";
  EXPECT_EQ(PrintedPixel(save.hwnd(), 2, 2), button_face) << "the skin's button face";

  kvo::UniqueHBitmap glyph(SolidBitmap(23, 16, RGB(200, 0, 0)));
  PushButton preview;
  auto preview_args = With<PushButton::CreateArgs>(At(host.hwnd(), 10, 10, 60, 40));
  preview_args.hint = "Preview Switch";
  preview_args.glyph = glyph.get();
  preview_args.glyph_placement = GlyphPlacement::kBelow;
  preview_args.visible = false;
  int preview_clicks = 0;
  preview_args.on_click = [&](PushButton&) { ++preview_clicks; };
  ASSERT_TRUE(preview.Create(preview_args));
  EXPECT_FALSE(preview.Visible());
  preview.Show();
  EXPECT_TRUE(preview.Visible());
  EXPECT_EQ(PrintedPixel(preview.hwnd(), 30, 20), RGB(200, 0, 0)) << "the glyph, centred";
  EXPECT_EQ(PrintedPixel(preview.hwnd(), 30, 3), GetSysColor(COLOR_BTNFACE))
      << "an unskinned button keeps the platform's face";
  preview.SetGlyph(nullptr);
  EXPECT_EQ(PrintedPixel(preview.hwnd(), 30, 20), GetSysColor(COLOR_BTNFACE));
  UserClick(preview.hwnd());
  EXPECT_EQ(preview_clicks, 1);

  // Hints are tooltips of the top-level window, one tool per control.
  HWND tips = HintWindowOf(host.hwnd());
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 2);
  auto tool_text = [&](HWND control) {
    char text[80] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = host.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    return std::string(text);
  };
  EXPECT_EQ(tool_text(save.hwnd()), "Save Camera Setting");
  EXPECT_EQ(tool_text(preview.hwnd()), "Preview Switch");
  save.SetHint("Restroe Camera Setting");
  EXPECT_EQ(tool_text(save.hwnd()), "Restroe Camera Setting");
  save.SetHint("");
  EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST(ToolkitControls, StretchedPictureTakesThePicturesSize) {
  HostWindow host(500, 400);
  kvo::UniqueHBitmap still(SolidBitmap(160, 120, RGB(10, 20, 30)));
  StretchedPicture image;
  auto args = With<StretchedPicture::CreateArgs>(At(host.hwnd(), 0, 0, 434, 312));
  args.auto_size = true;
  args.enabled = false;
  args.cursor = IDC_HAND;
  ASSERT_TRUE(image.Create(args));
  EXPECT_EQ(image.Bounds().width, 434) << "no picture yet: the designed size";
  image.SetPicture(still.get());
  EXPECT_EQ(image.Bounds().width, 160);
  EXPECT_EQ(image.Bounds().height, 120);
  EXPECT_FALSE(image.Enabled());
  image.SetAutoSize(false);
  image.Resize(320, 240);
  image.SetPicture(still.get());
  EXPECT_EQ(image.Bounds().width, 320) << "without auto size the picture stretches";
}

TEST(ToolkitControls, WrappersAndWindowsEndInEitherOrder) {
  auto host = std::make_unique<HostWindow>(200, 100);
  CheckBox survives_parent;
  auto args = With<CheckBox::CreateArgs>(At(host->hwnd(), 0, 0, 80, 20));
  ASSERT_TRUE(survives_parent.Create(args));
  HWND box_window = nullptr;
  {
    PushButton short_lived;
    auto button_args = With<PushButton::CreateArgs>(At(host->hwnd(), 0, 30, 80, 20));
    button_args.hint = "Gone soon";
    ASSERT_TRUE(short_lived.Create(button_args));
    box_window = short_lived.hwnd();
  }
  EXPECT_FALSE(IsWindow(box_window)) << "a wrapper takes its control with it";
  host.reset();
  EXPECT_EQ(survives_parent.hwnd(), nullptr) << "a control whose parent went is empty";
  survives_parent.SetChecked(true);  // safe on an empty wrapper
  EXPECT_TRUE(survives_parent.Checked());
  CheckBox orphan;
  EXPECT_FALSE(orphan.Create(With<CheckBox::CreateArgs>(At(nullptr, 0, 0, 10, 10))));
}

TEST(ToolkitTimer, FiresWhileEnabledAndStopsWhenDisabled) {
  int ticks = 0;
  Timer clock({30, true, [&](Timer&) { ++ticks; }});
  EXPECT_TRUE(clock.Running());
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 10000)) << "ticks: " << ticks;

  // A handler may stop its own timer.
  int self_stopping_ticks = 0;
  Timer once({20, true, [&](Timer& timer) {
                ++self_stopping_ticks;
                timer.SetEnabled(false);
              }});
  ASSERT_TRUE(PumpUntil([&] { return self_stopping_ticks == 1; }, 10000));
  EXPECT_FALSE(once.Running());
  clock.SetEnabled(false);
  const int stopped_at = ticks;
  // Proof that later ticks would have been handled: a third timer ticks several times.
  int witness = 0;
  Timer witness_timer({25, true, [&](Timer&) { ++witness; }});
  ASSERT_TRUE(PumpUntil([&] { return witness >= 4; }, 10000));
  EXPECT_EQ(ticks, stopped_at) << "a disabled timer does not fire";
  EXPECT_EQ(self_stopping_ticks, 1);

  // Interval 0 never fires, even while enabled; a new interval starts it.
  Timer idle({0, true, [&](Timer&) { ++ticks; }});
  EXPECT_FALSE(idle.Running());
  EXPECT_TRUE(idle.Enabled());
  idle.SetInterval(20);
  EXPECT_TRUE(idle.Running());
  ASSERT_TRUE(PumpUntil([&] { return ticks > stopped_at; }, 10000));

  // A handler may destroy its timer.
  auto doomed = std::make_unique<Timer>();
  int doomed_ticks = 0;
  doomed->Create({20, true, [&](Timer&) {
                    ++doomed_ticks;
                    doomed.reset();
                  }});
  ASSERT_TRUE(PumpUntil([&] { return doomed == nullptr; }, 10000));
  const int witness_before = witness;
  ASSERT_TRUE(PumpUntil([&] { return witness >= witness_before + 3; }, 10000));
  EXPECT_EQ(doomed_ticks, 1);
}

// Errors raised inside handlers that the platform called: they reach the installed handler
// and go no further, and the timer or control that raised them goes on.
std::vector<std::string>& ReportedErrors() {
  static std::vector<std::string> reported;
  return reported;
}

TEST(ToolkitErrors, HandlersThatThrowReachTheProgramsHandlerAndGoOn) {
  ReportedErrors().clear();
  SetErrorHandler([](HWND, const char* message) { ReportedErrors().push_back(message); });

  int ticks = 0;
  Timer failing({20, true, [&](Timer&) {
                   ++ticks;
                   if (ticks <= 2) throw std::runtime_error("Cannot create directory.");
                 }});
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }, 10000)) << "ticks: " << ticks;
  ASSERT_EQ(ReportedErrors().size(), 2u) << "one report per failed tick";
  EXPECT_EQ(ReportedErrors()[0], "Cannot create directory.");
  EXPECT_TRUE(failing.Running()) << "the timer goes on after a failed tick";
  failing.SetEnabled(false);

  // A control's handler, reached through the container's own procedure.
  HostWindow host(300, 200);
  GroupBox group;
  auto group_args = With<GroupBox::CreateArgs>(At(host.hwnd(), 10, 10, 200, 100));
  group_args.caption = "Group";
  ASSERT_TRUE(group.Create(group_args));
  CheckBox box;
  auto box_args = With<CheckBox::CreateArgs>(At(group.hwnd(), 8, 24, 120, 25));
  box_args.caption = "&Fails";
  box_args.on_click = [](CheckBox&) { throw 42; };
  ASSERT_TRUE(box.Create(box_args));
  UserClick(box.hwnd());
  ASSERT_EQ(ReportedErrors().size(), 3u);
  EXPECT_EQ(ReportedErrors()[2], "Unknown error.") << "what is not an exception is told too";
  EXPECT_TRUE(box.Checked()) << "the control itself took the click";

  SetErrorHandler(nullptr);
}

}  // namespace
}  // namespace kvo::toolkit
