// The program icons as a user sees them: loaded with LoadIcon and LoadImage from the built
// KVO_MAIN.exe and Fitdrv.exe, drawn in a window on the display, read back from the screen
// and kept as a picture under the build tree (artefacts/program_icons.bmp).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e.h"
#include "unique_resource.h"

namespace kvo {
namespace {

using kvo::test::BinDir;
using kvo::test::BinPath;

constexpr COLORREF kBackground = RGB(0, 128, 128);
constexpr int kWidth = 160;
constexpr int kHeight = 48;
constexpr int kLeft = 40;
constexpr int kTop = 40;

// Where each icon is drawn in the window: large ones at their size, small ones at 16.
struct Placement {
  const char* program;
  int icon_id;
  int x, y, size;
};
const Placement kPlacements[] = {
    {"KVO_MAIN.exe", 1, 8, 8, 32},
    {"KVO_MAIN.exe", 1, 48, 16, 16},
    {"Fitdrv.exe", 128, 88, 8, 32},
    {"Fitdrv.exe", 128, 128, 16, 16},
};

struct Icons {
  std::vector<HICON> handles;  // one per placement
};

LRESULT CALLBACK IconWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    const auto* icons = reinterpret_cast<const Icons*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH background = CreateSolidBrush(kBackground);
    FillRect(dc, &client, background);
    DeleteObject(background);
    for (size_t i = 0; icons != nullptr && i < icons->handles.size(); ++i) {
      const Placement& at = kPlacements[i];
      DrawIconEx(dc, at.x, at.y, icons->handles[i], at.size, at.size, 0, nullptr, DI_NORMAL);
    }
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// The screen's pixels under the window, as 32-bit rows top-down.
std::vector<uint32_t> CaptureScreen() {
  std::vector<uint32_t> pixels(kWidth * kHeight);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, kWidth, kHeight, screen, kLeft, kTop, SRCCOPY);
    GdiFlush();
    memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

uint32_t Pixel(const std::vector<uint32_t>& pixels, int x, int y) {
  return pixels[y * kWidth + x] & 0xFFFFFF;
}

constexpr uint32_t kBackgroundPixel =
    (GetRValue(kBackground) << 16) | (GetGValue(kBackground) << 8) | GetBValue(kBackground);

int CoveredPixels(const std::vector<uint32_t>& pixels, const Placement& at) {
  int covered = 0;
  for (int y = at.y; y < at.y + at.size; ++y)
    for (int x = at.x; x < at.x + at.size; ++x) covered += Pixel(pixels, x, y) != kBackgroundPixel;
  return covered;
}

bool SaveBitmap(const std::string& path, const std::vector<uint32_t>& pixels) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = kWidth;
  header.biHeight = -kHeight;
  header.biPlanes = 1;
  header.biBitCount = 32;
  const DWORD data_size = DWORD(pixels.size() * sizeof(uint32_t));
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + data_size;
  std::vector<uint8_t> bytes(file.bfSize);
  memcpy(bytes.data(), &file, sizeof(file));
  memcpy(bytes.data() + sizeof(file), &header, sizeof(header));
  // Opaque: readers take the fourth byte of a 32-bit bitmap as alpha.
  std::vector<uint32_t> opaque(pixels);
  for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;
  memcpy(bytes.data() + file.bfOffBits, opaque.data(), data_size);
  return kvo::test::WriteFileBytes(path, bytes.data(), bytes.size());
}

TEST(ProgramIconScreenshot, IconsLoadedFromTheBuiltProgramsShowOnTheDisplay) {
  std::vector<UniqueHModule> modules;
  Icons icons;
  for (const Placement& at : kPlacements) {
    modules.emplace_back(
        LoadLibraryExA(BinPath(at.program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(modules.back().valid()) << at.program << ", error " << GetLastError();
    // The large size through LoadIcon, as a window class takes it; the small through
    // LoadImage, as the class's small icon and the taskbar take it.
    HICON icon = at.size == 32 ? LoadIconA(modules.back().get(), MAKEINTRESOURCEA(at.icon_id))
                               : static_cast<HICON>(LoadImageA(modules.back().get(),
                                                               MAKEINTRESOURCEA(at.icon_id),
                                                               IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(nullptr, icon) << at.program << " icon " << at.icon_id << " at " << at.size;
    icons.handles.push_back(icon);
  }

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = IconWindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "KvoIconScreenshot";
  ASSERT_TRUE(RegisterClassA(&window_class));
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, window_class.lpszClassName,
                                "", WS_POPUP, kLeft, kTop, kWidth, kHeight, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&icons));
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);

  // The display has caught up when the window's background and every icon show.
  std::vector<uint32_t> pixels;
  const bool shown = kvo::test::WaitUntil(
      [&] {
        pixels = CaptureScreen();
        if (Pixel(pixels, 2, 2) != kBackgroundPixel) return false;
        for (const Placement& at : kPlacements)
          if (CoveredPixels(pixels, at) == 0) return false;
        return true;
      },
      15000);

  const std::string folder = BinDir() + "\\..\\artefacts";
  CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_TRUE(SaveBitmap(folder + "\\program_icons.bmp", pixels));
  DestroyWindow(window);
  UnregisterClassA(window_class.lpszClassName, window_class.hInstance);
  // LoadIcon's icons are shared and stay; LoadImage's belong to the test.
  for (size_t i = 0; i < icons.handles.size(); ++i)
    if (kPlacements[i].size != 32) DestroyIcon(icons.handles[i]);

  ASSERT_TRUE(shown) << "the window with the icons never showed on the display";
  for (const Placement& at : kPlacements) {
    SCOPED_TRACE(std::string(at.program) + " at " + std::to_string(at.size));
    // The picture covers much of its square, and its see-through corners let the window's
    // background show.
    const int covered = CoveredPixels(pixels, at);
    EXPECT_GT(covered, at.size * at.size / 3) << covered;
    EXPECT_LT(covered, at.size * at.size) << "no see-through pixels";
    EXPECT_EQ(kBackgroundPixel, Pixel(pixels, at.x, at.y + at.size - 1));
    EXPECT_EQ(kBackgroundPixel, Pixel(pixels, at.x + at.size - 1, at.y + at.size - 1));
  }
}

}  // namespace
}  // namespace kvo
