// A skinned window under the platform: the shipped skin loads, the frame replaces the
// platform's caption while keeping the client size, the caption and its buttons are drawn in
// the skin's colours and pictures, hit tests and button clicks work, the system menu carries
// the window's items with their states, roll-up keeps only the caption; without a skin the
// window keeps the platform's frame and its system menu gets the same items.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "skin_data.h"
#include "skin_form.h"
#include "toolkit.h"
#include "toolkit_window_support.h"

namespace kvo::toolkit {
namespace {

using test::HostWindow;

constexpr unsigned kAllButtons =
    kCaptionSystemMenu | kCaptionMinimize | kCaptionMaximize | kCaptionRollUp;

SIZE WindowSize(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

SIZE ClientSize(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

// The platform's hit code for a point in window coordinates.
LRESULT HitCode(HWND window, int x, int y) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(rect.left + x, rect.top + y));
}

// A click on a caption button: the press arrives as a non-client message, the release (with
// the mouse captured) in client coordinates.
void ClickCaptionButton(HWND window, const Rect& button, LRESULT hit_code, bool release_inside) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  const int x = button.left + button.width / 2, y = button.top + button.height / 2;
  SendMessageA(window, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit_code),
               MAKELPARAM(rect.left + x, rect.top + y));
  POINT release = {rect.left + x, rect.top + y};
  if (!release_inside) release = {rect.left + 100, rect.top + 100};
  ScreenToClient(window, &release);
  SendMessageA(window, WM_LBUTTONUP, 0,
               MAKELPARAM(static_cast<WORD>(release.x), static_cast<WORD>(release.y)));
}

Rect ButtonPlace(const SkinForm& form, const SkinData& skin, FramePart part) {
  FrameLayoutInput input;
  const SIZE size = WindowSize(form.window());
  input.window_width = size.cx;
  input.window_height = size.cy;
  input.metrics = skin.Metrics();
  input.buttons = kAllButtons;
  for (const CaptionButtonPlace& place : LayoutFrame(input).buttons) {
    if (place.part == part) return place.bounds;
  }
  ADD_FAILURE() << "no such caption button";
  return {};
}

// The frame as SkinForm paints it, read back pixel by pixel.
class PaintedFrame {
 public:
  PaintedFrame(const SkinForm& form, bool active) {
    const SIZE size = WindowSize(form.window());
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, size.cx, size.cy);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
    form.PaintFrame(dc_, active);
  }
  ~PaintedFrame() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  int CountOtherThan(const Rect& area, COLORREF colour) const {
    int count = 0;
    for (int y = area.top; y < area.top + area.height; ++y) {
      for (int x = area.left; x < area.left + area.width; ++x) {
        if (At(x, y) != colour) ++count;
      }
    }
    return count;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

std::string MenuText(HMENU menu, int position) {
  char text[80] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
  return text;
}

TEST(SkinData, ShippedSkinLoadsAndBadFilesLeaveThePlainLook) {
  SkinData skin;
  ASSERT_TRUE(skin.LoadFromFile()) << "dazodi\\skin.ini in the bin folder: " << skin.LastError();
  EXPECT_TRUE(skin.Active());
  for (int kind = 0; kind < static_cast<int>(CaptionButtonKind::kCount); ++kind) {
    EXPECT_NE(skin.CaptionButtonPicture(static_cast<CaptionButtonKind>(kind)), nullptr)
        << "caption button picture " << kind;
  }
  EXPECT_EQ(skin.FaceColor(), ToColorRef(skin.Description().colors.face));
  EXPECT_NE(skin.CaptionFont(), nullptr);

  SkinData missing;
  EXPECT_FALSE(missing.LoadFromFile("dazodi\\no-such-skin.ini"));
  EXPECT_FALSE(missing.Active());
  EXPECT_FALSE(missing.LastError().empty());
  EXPECT_EQ(missing.FaceColor(), GetSysColor(COLOR_BTNFACE)) << "the plain look's colours";
  EXPECT_EQ(missing.CaptionButtonPicture(CaptionButtonKind::kClose), nullptr);

  const char* bad_path = "toolkit-test-bad-skin.ini";
  FILE* bad = std::fopen(bad_path, "wb");
  ASSERT_NE(bad, nullptr);
  std::fputs("[Skin]\nVersion=1\n[Colors]\nFrame=#12345\n", bad);
  std::fclose(bad);
  EXPECT_TRUE(skin.LoadFromFile());
  EXPECT_FALSE(skin.LoadFromFile(bad_path)) << "an unusable file drops the earlier skin";
  EXPECT_FALSE(skin.Active());
  EXPECT_NE(skin.LastError().find("line 4"), std::string::npos) << skin.LastError();
  std::remove(bad_path);

  // A skin whose pictures are missing still loads; those buttons are drawn instead.
  SkinDescription description;
  description.button_pictures[static_cast<size_t>(CaptionButtonKind::kClose)] = "absent.bmp";
  EXPECT_TRUE(skin.LoadFromDescription(description, "dazodi\\"));
  EXPECT_EQ(skin.CaptionButtonPicture(CaptionButtonKind::kClose), nullptr);
}

TEST(SkinForm, SkinnedWindowDrawsHitTestsAndRunsItsCaption) {
  SkinData skin;
  ASSERT_TRUE(skin.LoadFromFile()) << skin.LastError();
  const SkinColors& colors = skin.Description().colors;
  HostWindow host(300, 200);
  ASSERT_NE(host.hwnd(), nullptr);

  bool preview_running = true;
  bool restore_allowed = false;
  int popups = 0, preview_clicks = 0, restore_clicks = 0;
  PopupMenu menu;
  menu.AddSeparator();
  const int preview = menu.Add({"&Preview", [&] { ++preview_clicks; }});
  const int restore = menu.Add({"Restore &Window Size", [&] { ++restore_clicks; }});
  menu.AddSeparator();
  menu.on_popup = [&](PopupMenu& popup) {
    ++popups;
    popup.SetChecked(preview, preview_running);
    popup.SetEnabled(restore, restore_allowed);
  };

  SkinForm form;
  SkinForm::CreateArgs args;
  args.window = host.hwnd();
  args.skin = &skin;
  args.buttons = kAllButtons;
  args.system_menu = &menu;
  ASSERT_TRUE(form.Attach(args));
  EXPECT_FALSE(form.Attach(args)) << "one form per window";
  SkinForm second;
  EXPECT_FALSE(second.Attach(args)) << "a window takes one form";
  ASSERT_TRUE(form.Skinned());

  // Borderless, the client size kept, the skin's frame around it.
  EXPECT_EQ(GetWindowLongA(host.hwnd(), GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_EQ(ClientSize(host.hwnd()).cx, 300);
  EXPECT_EQ(ClientSize(host.hwnd()).cy, 200);
  const FrameInsets insets = form.Insets();
  EXPECT_EQ(insets.left, 4);
  EXPECT_EQ(insets.top, 26);
  EXPECT_EQ(WindowSize(host.hwnd()).cx, 308);
  EXPECT_EQ(WindowSize(host.hwnd()).cy, 230);
  EXPECT_EQ(form.WindowSizeForClient(646, 523).cx, 654);
  EXPECT_EQ(form.WindowSizeForClient(646, 523).cy, 553);

  // Hit test.
  const Rect close = ButtonPlace(form, skin, FramePart::kClose);
  const Rect roll = ButtonPlace(form, skin, FramePart::kRollUp);
  const Rect maximize = ButtonPlace(form, skin, FramePart::kMaximize);
  const Rect minimize = ButtonPlace(form, skin, FramePart::kMinimize);
  const Rect system = ButtonPlace(form, skin, FramePart::kSystemMenu);
  EXPECT_EQ(HitCode(host.hwnd(), 150, 100), HTCLIENT);
  EXPECT_EQ(HitCode(host.hwnd(), 150, 10), HTCAPTION);
  EXPECT_EQ(HitCode(host.hwnd(), close.left + 5, close.top + 5), HTCLOSE);
  EXPECT_EQ(HitCode(host.hwnd(), maximize.left + 5, maximize.top + 5), HTMAXBUTTON);
  EXPECT_EQ(HitCode(host.hwnd(), minimize.left + 5, minimize.top + 5), HTMINBUTTON);
  EXPECT_EQ(HitCode(host.hwnd(), system.left + 5, system.top + 5), HTSYSMENU);
  EXPECT_NE(HitCode(host.hwnd(), roll.left + 5, roll.top + 5), HTCAPTION) << "roll-up button";
  EXPECT_EQ(HitCode(host.hwnd(), 307, 229), HTCAPTION) << "a fixed frame does not resize";

  // Drawing: frame and caption in the skin's colours, the title, the button pictures.
  SetWindowTextA(host.hwnd(), "Preview");
  const Rect empty_caption = {roll.left - 30, 5, 20, 3};
  const Rect title = {system.left + system.width + 4, 4, 60, 22};
  {
    PaintedFrame active(form, true);
    EXPECT_EQ(active.At(1, 1), ToColorRef(colors.frame));
    EXPECT_EQ(active.At(1, 150), ToColorRef(colors.frame));
    EXPECT_EQ(active.CountOtherThan(empty_caption, ToColorRef(colors.caption)), 0);
    EXPECT_GT(active.CountOtherThan(title, ToColorRef(colors.caption)), 10) << "title text";
    // The shipped pictures: a light bevel, then the face of the normal state.
    EXPECT_EQ(active.At(close.left, close.top), RGB(0xF4, 0xF6, 0xFA));
    EXPECT_EQ(active.At(close.left + 2, close.top + 2), RGB(0xC4, 0xCE, 0xDC));
  }
  {
    PaintedFrame inactive(form, false);
    EXPECT_EQ(inactive.At(1, 1), ToColorRef(colors.frame_inactive));
    EXPECT_EQ(inactive.CountOtherThan(empty_caption, ToColorRef(colors.caption_inactive)), 0);
    EXPECT_EQ(inactive.At(close.left + 2, close.top + 2), RGB(0xB8, 0xC0, 0xCC))
        << "the inactive picture cell";
  }
  // The mouse over a button shows its hot picture until the mouse leaves.
  SendMessageA(host.hwnd(), WM_NCMOUSEMOVE, HTCLOSE, 0);
  EXPECT_EQ(PaintedFrame(form, true).At(close.left + 2, close.top + 2), RGB(0xDD, 0xE6, 0xF2));
  SendMessageA(host.hwnd(), WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(PaintedFrame(form, true).At(close.left + 2, close.top + 2), RGB(0xC4, 0xCE, 0xDC));

  SetWindowTextA(host.hwnd(), "");
  {
    PaintedFrame untitled(form, true);
    EXPECT_EQ(untitled.CountOtherThan(title, ToColorRef(colors.caption)), 0);
  }

  // The system menu: the skin's items, then the window's with the states on_popup set.
  kvo::UniqueHMenu built = form.BuildSystemMenu();
  ASSERT_TRUE(built);
  EXPECT_EQ(popups, 1);
  ASSERT_EQ(GetMenuItemCount(built.get()), 10);
  EXPECT_EQ(MenuText(built.get(), 0), "&Restore");
  EXPECT_EQ(MenuText(built.get(), 1), "Mi&nimize");
  EXPECT_EQ(MenuText(built.get(), 2), "Ma&ximize");
  EXPECT_EQ(MenuText(built.get(), 3), "Roll &Up");
  EXPECT_EQ(MenuText(built.get(), 5), "&Close\tAlt+F4");
  EXPECT_TRUE(GetMenuState(built.get(), 6, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(MenuText(built.get(), 7), "&Preview");
  EXPECT_EQ(MenuText(built.get(), 8), "Restore &Window Size");
  EXPECT_TRUE(GetMenuState(built.get(), 9, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(built.get(), 0, MF_BYPOSITION) & MF_GRAYED) << "not maximized";
  EXPECT_TRUE(GetMenuState(built.get(), 7, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(built.get(), 8, MF_BYPOSITION) & MF_GRAYED);
  const UINT preview_command = GetMenuItemID(built.get(), 7);
  const UINT restore_command = GetMenuItemID(built.get(), 8);
  EXPECT_EQ(preview_command, SkinForm::kFirstItemCommand + SkinForm::kItemCommandStep);
  form.RunSystemCommand(preview_command);
  EXPECT_EQ(preview_clicks, 1);
  SendMessageA(host.hwnd(), WM_SYSCOMMAND, restore_command, 0);
  EXPECT_EQ(restore_clicks, 0) << "a greyed item does not run";
  preview_running = false;
  restore_allowed = true;
  built = form.BuildSystemMenu();
  EXPECT_FALSE(GetMenuState(built.get(), 7, MF_BYPOSITION) & MF_CHECKED);
  SendMessageA(host.hwnd(), WM_SYSCOMMAND, restore_command, 0);
  EXPECT_EQ(restore_clicks, 1);

  // Caption buttons: close asks the window to close; a press released elsewhere does nothing.
  ClickCaptionButton(host.hwnd(), close, HTCLOSE, true);
  EXPECT_EQ(host.close_requests(), 1);
  ClickCaptionButton(host.hwnd(), close, HTCLOSE, false);
  EXPECT_EQ(host.close_requests(), 1);
  EXPECT_EQ(GetCapture(), nullptr) << "the mouse is released after a press";

  // Roll-up keeps only the caption; a size set meanwhile is where it rolls down to.
  ClickCaptionButton(host.hwnd(), roll, HitCode(host.hwnd(), roll.left + 5, roll.top + 5), true);
  EXPECT_TRUE(form.RolledUp());
  EXPECT_EQ(WindowSize(host.hwnd()).cy, insets.top + insets.bottom);
  EXPECT_EQ(ClientSize(host.hwnd()).cy, 0);
  EXPECT_EQ(WindowSize(host.hwnd()).cx, 308);
  built = form.BuildSystemMenu();
  EXPECT_EQ(MenuText(built.get(), 3), "Roll &Down");
  SetWindowPos(host.hwnd(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(WindowSize(host.hwnd()).cy, insets.top + insets.bottom);
  EXPECT_EQ(WindowSize(host.hwnd()).cx, 400);
  form.RunSystemCommand(GetMenuItemID(built.get(), 3));
  EXPECT_FALSE(form.RolledUp());
  EXPECT_EQ(WindowSize(host.hwnd()).cy, 300);

  // Maximize fills the work area; restore returns to the size before.
  SendMessageA(host.hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(host.hwnd()));
  EXPECT_EQ(WindowSize(host.hwnd()).cx, form.LargestSize().cx);
  EXPECT_EQ(WindowSize(host.hwnd()).cy, form.LargestSize().cy);
  form.RollUp();
  EXPECT_FALSE(form.RolledUp()) << "a maximized window does not roll up";
  ClickCaptionButton(host.hwnd(), ButtonPlace(form, skin, FramePart::kMaximize), HTMAXBUTTON,
                     true);
  EXPECT_FALSE(IsZoomed(host.hwnd()));
  EXPECT_EQ(WindowSize(host.hwnd()).cx, 400);

  // The painted frame reaches the screen: the shown window's frame pixels.
  ShowWindow(host.hwnd(), SW_SHOWNORMAL);
  RedrawWindow(host.hwnd(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  HDC window_dc = GetWindowDC(host.hwnd());
  const COLORREF shown_frame = GetPixel(window_dc, 1, 1);
  ReleaseDC(host.hwnd(), window_dc);
  EXPECT_TRUE(shown_frame == ToColorRef(colors.frame) ||
              shown_frame == ToColorRef(colors.frame_inactive))
      << std::hex << shown_frame;

  // Printing the window (as a screenshot does) gives the skinned frame and the client area.
  {
    const SIZE size = WindowSize(host.hwnd());
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SendMessageA(host.hwnd(), WM_PRINT, reinterpret_cast<WPARAM>(memory),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    const COLORREF printed_frame = GetPixel(memory, 1, 1);
    EXPECT_TRUE(printed_frame == ToColorRef(colors.frame) ||
                printed_frame == ToColorRef(colors.frame_inactive))
        << std::hex << printed_frame;
    EXPECT_EQ(GetPixel(memory, insets.left + 20, insets.top + 20), ToColorRef(colors.face))
        << "the client area in the skin's face colour, inside the frame";
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
  }

  // Detached, the window goes on with its own procedure.
  form.Detach();
  SendMessageA(host.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(host.close_requests(), 2);
}

TEST(SkinForm, WithoutASkinTheWindowKeepsThePlatformFrameAndMenu) {
  SkinData plain;  // never loaded: inactive
  HostWindow host(345, 199, WS_POPUP);
  bool checked = true;
  int popups = 0, clicks = 0;
  PopupMenu menu;
  menu.AddSeparator();
  const int preview = menu.Add({"&Preview", [&] { ++clicks; }});
  menu.on_popup = [&](PopupMenu& popup) {
    ++popups;
    popup.SetChecked(preview, checked);
  };
  SkinForm form;
  SkinForm::CreateArgs args;
  args.window = host.hwnd();
  args.skin = &plain;
  args.buttons = kCaptionSystemMenu | kCaptionRollUp;
  args.system_menu = &menu;
  ASSERT_TRUE(form.Attach(args));
  EXPECT_FALSE(form.Skinned());
  EXPECT_EQ(GetWindowLongA(host.hwnd(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(ClientSize(host.hwnd()).cx, 345);
  EXPECT_EQ(ClientSize(host.hwnd()).cy, 199);
  const SIZE outer = form.WindowSizeForClient(345, 199);
  EXPECT_EQ(outer.cx, WindowSize(host.hwnd()).cx);
  EXPECT_EQ(outer.cy, WindowSize(host.hwnd()).cy);
  EXPECT_EQ(form.HitTest(10, 10), FramePart::kNowhere) << "the platform hit-tests its frame";

  HMENU system_menu = GetSystemMenu(host.hwnd(), FALSE);
  ASSERT_NE(system_menu, nullptr);
  const UINT command = SkinForm::kFirstItemCommand + SkinForm::kItemCommandStep * preview;
  char text[40] = {};
  ASSERT_GT(GetMenuStringA(system_menu, command, text, sizeof(text), MF_BYCOMMAND), 0);
  EXPECT_STREQ(text, "&Preview");
  SendMessageA(host.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(system_menu),
               MAKELPARAM(0, TRUE));
  EXPECT_EQ(popups, 1);
  EXPECT_TRUE(GetMenuState(system_menu, command, MF_BYCOMMAND) & MF_CHECKED);
  checked = false;
  SendMessageA(host.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(system_menu),
               MAKELPARAM(0, TRUE));
  EXPECT_FALSE(GetMenuState(system_menu, command, MF_BYCOMMAND) & MF_CHECKED);
  SendMessageA(host.hwnd(), WM_SYSCOMMAND, command, 0);
  EXPECT_EQ(clicks, 1);
  form.RollUp();
  EXPECT_FALSE(form.RolledUp()) << "roll-up belongs to the skinned caption";
  const LONG style = GetWindowLongA(host.hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0)
      << "only the caption buttons the window asked for";

  HostWindow sizable(200, 100, WS_POPUP);
  SkinForm sizable_form;
  SkinForm::CreateArgs sizable_args;
  sizable_args.window = sizable.hwnd();
  sizable_args.skin = &plain;
  sizable_args.buttons = kCaptionMinimize | kCaptionMaximize;
  sizable_args.resizable = true;
  ASSERT_TRUE(sizable_form.Attach(sizable_args));
  const LONG sizable_style = GetWindowLongA(sizable.hwnd(), GWL_STYLE);
  EXPECT_EQ(sizable_style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME);
  EXPECT_EQ(ClientSize(sizable.hwnd()).cx, 200);
  EXPECT_EQ(ClientSize(sizable.hwnd()).cy, 100);
}

TEST(SkinForm, OneSkinServesSeveralWindows) {
  SkinData skin;
  ASSERT_TRUE(skin.LoadFromFile()) << skin.LastError();
  HostWindow main_window(646, 523, WS_POPUP);
  HostWindow viewer(434, 312, WS_POPUP);
  SkinForm main_form, viewer_form;
  SkinForm::CreateArgs args;
  args.skin = &skin;
  args.window = main_window.hwnd();
  ASSERT_TRUE(main_form.Attach(args));
  args.window = viewer.hwnd();
  args.buttons = kCaptionSystemMenu | kCaptionRollUp;
  args.resizable = true;
  ASSERT_TRUE(viewer_form.Attach(args));
  EXPECT_EQ(ClientSize(main_window.hwnd()).cx, 646);
  EXPECT_EQ(ClientSize(viewer.hwnd()).cy, 312);
  const SIZE size = WindowSize(viewer.hwnd());
  EXPECT_EQ(HitCode(viewer.hwnd(), size.cx - 1, size.cy - 1), HTBOTTOMRIGHT)
      << "a resizable skinned frame resizes at its corners";
  viewer_form.RollUp();
  EXPECT_TRUE(viewer_form.RolledUp());
  EXPECT_FALSE(main_form.RolledUp());
  EXPECT_EQ(HitCode(viewer.hwnd(), 0, 10), HTCAPTION) << "a rolled-up window does not resize";

  // A window destroyed with its form attached still gets its last message; the form lets go.
  DestroyWindow(viewer.hwnd());
  EXPECT_EQ(viewer.hwnd(), nullptr) << "the window's own procedure saw WM_NCDESTROY";
  EXPECT_EQ(viewer_form.window(), nullptr);
}

// Writes a shown window as it is on screen, frame and controls included, as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const char* path) {
  const SIZE size = WindowSize(window);
  HDC window_dc = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, size.cx, size.cy);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, size.cx, size.cy, window_dc, 0, 0, SRCCOPY);
  ReleaseDC(window, window_dc);
  SelectObject(memory, previous);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = size.cx;
  header.biHeight = size.cy;
  header.biPlanes = 1;
  header.biBitCount = 24;
  const DWORD row = (static_cast<DWORD>(size.cx) * 3 + 3) & ~3u;
  std::string pixels(row * static_cast<DWORD>(size.cy), '\0');
  const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(size.cy), &pixels[0],
                             reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  if (rows != size.cy) return false;
  BITMAPFILEHEADER file_header = {};
  file_header.bfType = 0x4D42;
  file_header.bfOffBits = sizeof(file_header) + sizeof(header);
  file_header.bfSize = file_header.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(&file_header, sizeof(file_header), 1, file) == 1 &&
                       std::fwrite(&header, sizeof(header), 1, file) == 1 &&
                       std::fwrite(pixels.data(), pixels.size(), 1, file) == 1;
  return std::fclose(file) == 0 && written;
}

// Every control role on one skinned window, kept as a picture of the toolkit's look under
// the build tree (artefacts/toolkit_gallery.bmp).
TEST(SkinForm, GalleryOfEveryControlRole) {
  SkinData skin;
  ASSERT_TRUE(skin.LoadFromFile()) << skin.LastError();
  HostWindow host(420, 300, WS_POPUP);
  SetWindowTextA(host.hwnd(), "Toolkit");
  PopupMenu menu;
  SkinForm form;
  SkinForm::CreateArgs frame;
  frame.window = host.hwnd();
  frame.skin = &skin;
  frame.system_menu = &menu;
  ASSERT_TRUE(form.Attach(frame));
  auto base = [&](HWND parent, int left, int top, int width, int height) {
    ControlArgs args;
    args.parent = parent;
    args.bounds = {left, top, width, height};
    args.skin = &skin;
    return args;
  };
  PageControl pages;
  PageControl::CreateArgs page_args;
  static_cast<ControlArgs&>(page_args) = base(host.hwnd(), 8, 8, 260, 284);
  page_args.pages = {"  &Image  ", "  &Effect  "};
  ASSERT_TRUE(pages.Create(page_args));
  HWND page = pages.Page(0);
  Label label;
  Label::CreateArgs label_args;
  static_cast<ControlArgs&>(label_args) = base(page, 8, 8, 0, 0);
  label_args.caption = "Brightness";
  label.Create(label_args);
  Slider slider;
  Slider::CreateArgs slider_args;
  static_cast<ControlArgs&>(slider_args) = base(page, 8, 24, 120, 31);
  slider_args.value = 40;
  slider.Create(slider_args);
  CheckBox check;
  CheckBox::CreateArgs check_args;
  static_cast<ControlArgs&>(check_args) = base(page, 136, 24, 110, 25);
  check_args.caption = "Image Mirr&or";
  check_args.checked = true;
  check.Create(check_args);
  RadioGroup radio;
  RadioGroup::CreateArgs radio_args;
  static_cast<ControlArgs&>(radio_args) = base(page, 8, 64, 238, 49);
  radio_args.caption = "Flicker";
  radio_args.items = {"50 Hz", "60 Hz"};
  radio_args.columns = 2;
  radio_args.item_index = 0;
  radio.Create(radio_args);
  GroupBox group;
  GroupBox::CreateArgs group_args;
  static_cast<ControlArgs&>(group_args) = base(page, 8, 120, 238, 60);
  group_args.caption = "Extra Control";
  group.Create(group_args);
  CheckBox inner;
  CheckBox::CreateArgs inner_args;
  static_cast<ControlArgs&>(inner_args) = base(group.hwnd(), 8, 24, 150, 25);
  inner_args.caption = "&Backlight Comp";
  inner.Create(inner_args);
  PushButton button;
  PushButton::CreateArgs button_args;
  static_cast<ControlArgs&>(button_args) = base(host.hwnd(), 280, 16, 130, 27);
  button_args.caption = "Select Image Folder";
  button.Create(button_args);
  ReadOnlyEdit edit;
  ReadOnlyEdit::CreateArgs edit_args;
  static_cast<ControlArgs&>(edit_args) = base(host.hwnd(), 280, 52, 130, 18);
  edit_args.caption = "C:\\Pictures";
  edit.Create(edit_args);
  DropDownList list;
  DropDownList::CreateArgs list_args;
  static_cast<ControlArgs&>(list_args) = base(host.hwnd(), 280, 80, 130, 20);
  list_args.items = {"No Compress"};
  list_args.item_index = 0;
  list.Create(list_args);

  ShowWindow(host.hwnd(), SW_SHOWNORMAL);
  SetForegroundWindow(host.hwnd());
  RedrawWindow(host.hwnd(), nullptr, nullptr,
               RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  test::PumpPending();
  CreateDirectoryA("..\\artefacts", nullptr);
  EXPECT_TRUE(SaveWindowPicture(host.hwnd(), "..\\artefacts\\toolkit_gallery.bmp"));
}

}  // namespace
}  // namespace kvo::toolkit
