#include "skin_data.h"

#include "control_internal.h"
#include "skin_pictures.h"
#include "toolkit_control.h"

namespace kvo::toolkit {

namespace {

// Reads a whole small file; false when it is missing, unreadable or larger than limit.
bool ReadSmallFile(const std::string& path, size_t limit, std::string* text, std::string* why) {
  kvo::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *why = "cannot open " + path;
    return false;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > limit) {
    *why = "file too large";
    return false;
  }
  std::string buffer(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!buffer.empty() &&
      (!ReadFile(file.get(), &buffer[0], static_cast<DWORD>(buffer.size()), &read, nullptr) ||
       read != buffer.size())) {
    *why = "cannot read " + path;
    return false;
  }
  *text = std::move(buffer);
  return true;
}

}  // namespace

COLORREF ToColorRef(const Rgb& colour) { return RGB(colour.red, colour.green, colour.blue); }

bool SkinData::LoadFromFile(const std::string& path) {
  Clear();
  std::string text;
  if (!ReadSmallFile(path, kMaxSkinFileSize, &text, &last_error_)) return false;
  const SkinParseResult parsed = ParseSkin(text);
  if (!parsed.ok) {
    last_error_ = "line " + std::to_string(parsed.error_line) + ": " + parsed.error;
    return false;
  }
  return LoadFromDescription(parsed.skin, SkinFolderOf(path));
}

bool SkinData::LoadFromDescription(const SkinDescription& description,
                                   const std::string& picture_folder) {
  Clear();
  description_ = description;
  face_brush_.reset(CreateSolidBrush(ToColorRef(description.colors.face)));
  caption_font_.reset(CreatePointFont(description.caption_font));
  control_font_.reset(CreatePointFont(description.control_font));
  if (!face_brush_ || !caption_font_ || !control_font_) {
    Clear();
    last_error_ = "cannot create the skin's brushes or fonts";
    return false;
  }
  for (size_t i = 0; i < pictures_.size(); ++i) {
    const auto file = CaptionButtonPicturePath(picture_folder, description.button_pictures[i]);
    if (!file) continue;
    // A picture that cannot be loaded leaves that button drawn in the skin's colours.
    pictures_[i].reset(static_cast<HBITMAP>(LoadImageA(
        nullptr, file->c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  }
  active_ = true;
  return true;
}

void SkinData::Clear() {
  active_ = false;
  last_error_.clear();
  description_ = SkinDescription();
  face_brush_.reset();
  caption_font_.reset();
  control_font_.reset();
  for (auto& picture : pictures_) picture.reset();
}

COLORREF SkinData::FaceColor() const {
  return active_ ? ToColorRef(description_.colors.face) : GetSysColor(COLOR_BTNFACE);
}

COLORREF SkinData::TextColor() const {
  return active_ ? ToColorRef(description_.colors.text) : GetSysColor(COLOR_BTNTEXT);
}

HBRUSH SkinData::FaceBrush() const {
  return active_ ? face_brush_.get() : GetSysColorBrush(COLOR_BTNFACE);
}

HFONT SkinData::CaptionFont() const {
  return active_ ? caption_font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT SkinData::ControlFont() const { return active_ ? control_font_.get() : DefaultFont(); }

HBITMAP SkinData::CaptionButtonPicture(CaptionButtonKind kind) const {
  const auto index = static_cast<size_t>(kind);
  if (!active_ || index >= pictures_.size()) return nullptr;
  return pictures_[index].get();
}

}  // namespace kvo::toolkit
