// The property window's zoom banner: the zoom factor drawn in white with an outline on a
// see-through blue picture, written to a file whose path the camera is given.
#include <cstring>

#include "gdi.h"
#include "property_form.h"
#include "property_rules.h"

namespace kvo {

namespace {

struct DibView {
  uint8_t* bits = nullptr;
  int stride = 0;
};
DibView ViewOf(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) != sizeof section) return {};
  return {static_cast<uint8_t*>(section.dsBm.bmBits), section.dsBm.bmWidthBytes};
}

// Draws source onto target at (dx, dy), leaving out pure blue pixels (the see-through
// colour).
void DrawTransparent(HBITMAP source, HBITMAP target, int dx, int dy) {
  GdiFlush();
  const DibView from = ViewOf(source);
  const DibView to = ViewOf(target);
  if (from.bits == nullptr || to.bits == nullptr) return;
  // The rows are stored bottom up: a move down by dy is a move to lower row numbers.
  for (int y = 0; y < kBannerHeight; ++y) {
    const int target_y = y + dy;
    if (target_y >= kBannerHeight) break;
    const uint8_t* source_row = from.bits + (kBannerHeight - 1 - y) * from.stride;
    uint8_t* target_row = to.bits + (kBannerHeight - 1 - target_y) * to.stride;
    for (int x = 0; x + dx < kBannerWidth; ++x) {
      const uint8_t* pixel = source_row + 3 * x;
      if (pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 0) continue;  // blue, green, red
      std::memcpy(target_row + 3 * (x + dx), pixel, 3);
    }
  }
}

void DrawBannerText(HBITMAP bitmap, const std::string& text, int x, int y, COLORREF colour,
                    bool fill_blue) {
  toolkit::MemoryDc dc(nullptr, bitmap);
  if (!dc.valid()) return;
  if (fill_blue) toolkit::FillColour(dc.get(), {0, 0, kBannerWidth, kBannerHeight}, RGB(0, 0, 255));
  const int height = -MulDiv(18, GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
  UniqueHFont font(CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH, "MS Serif"));
  toolkit::SelectedObject selected_font(dc.get(), font.get());
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), colour);
  TextOutA(dc.get(), x, y, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
}

// The user's temporary folder + "zoomtmp.bmp"; empty when it does not fit id 34's path.
std::string TemporaryBannerPath() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return std::string();
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  path += "zoomtmp.bmp";
  if (path.size() >= kBannerPathBufferSize) return std::string();
  return path;
}

}  // namespace

bool TPropertyForm::CreateBanners() {
  BannerText = toolkit::CreateRgbPicture(kBannerWidth, kBannerHeight);
  BannerImage = toolkit::CreateRgbPicture(kBannerWidth, kBannerHeight);
  return BannerText && BannerImage;
}

void TPropertyForm::ShowZoomBanner() {
  const std::string text = ZoomBannerText(zoom_.ZoomFactor());
  ZoomShowTimer.SetEnabled(false);
  DrawBanner(text);

  // The root of the system drive is not writable for every user: the banner then goes to
  // the user's temporary folder, whose path the camera is given instead.
  banner_path_.clear();
  if (WriteBannerFile(kZoomBannerPath)) {
    banner_path_ = kZoomBannerPath;
  } else {
    const std::string temporary = TemporaryBannerPath();
    if (!temporary.empty() && WriteBannerFile(temporary)) banner_path_ = temporary;
  }
  if (!banner_path_.empty()) {
    char path[kBannerPathBufferSize] = {};
    std::memcpy(path, banner_path_.c_str(), banner_path_.size());
    CM_SetProperties(CamHandle, CM_ID_OVERLAY_FILE, path);
  }
  ZoomShowTimer.SetEnabled(true);
}

void TPropertyForm::DrawBanner(const std::string& text) {
  DrawBannerText(BannerText.get(), text, 4, 4, RGB(255, 255, 255), true);
  const DibView text_view = ViewOf(BannerText.get());
  const DibView image_view = ViewOf(BannerImage.get());
  if (text_view.bits == nullptr || image_view.bits == nullptr) return;
  std::memcpy(image_view.bits, text_view.bits,
              static_cast<size_t>(text_view.stride) * kBannerHeight);
  // Drawn at every offset up to two pixels, the white text grows an outline.
  for (int dy = 0; dy <= 2; ++dy) {
    for (int dx = 0; dx <= 2; ++dx) DrawTransparent(BannerText.get(), BannerImage.get(), dx, dy);
  }
  DrawBannerText(BannerText.get(), text, 5, 5, RGB(127, 127, 255), false);
  DrawTransparent(BannerText.get(), BannerImage.get(), 0, 0);
}

bool TPropertyForm::WriteBannerFile(const std::string& path) const {
  GdiFlush();
  const DibView view = ViewOf(BannerImage.get());
  if (view.bits == nullptr) return false;
  const DWORD image_size = static_cast<DWORD>(view.stride) * kBannerHeight;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + image_size;
  info.biSize = sizeof info;
  info.biWidth = kBannerWidth;
  info.biHeight = kBannerHeight;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = image_size;
  // A failed create is INVALID_HANDLE_VALUE, which only the file owner counts as empty.
  UniqueFileHandle file_handle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_handle.valid()) return false;
  const auto write = [&file_handle](const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file_handle.get(), data, size, &written, nullptr) && written == size;
  };
  return write(&file, sizeof file) && write(&info, sizeof info) && write(view.bits, image_size);
}

}  // namespace kvo
