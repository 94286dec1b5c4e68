// The loaded skin: the parsed description (skin_format.h) with its fonts, brushes and
// caption-button pictures made once and shared by every window and control that uses it.
// A missing or unusable file leaves the skin inactive: everything then keeps the plain
// look, and nothing reports an error.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "skin_format.h"
#include "unique_resource.h"

namespace kvo::toolkit {

// Relative to the working directory, as the programs are started from their folder.
constexpr char kSkinFilePath[] = "dazodi\\skin.ini";

COLORREF ToColorRef(const Rgb& colour);

class SkinData {
 public:
  SkinData() = default;
  SkinData(const SkinData&) = delete;
  SkinData& operator=(const SkinData&) = delete;

  // Reads the file; true when the skin is now active. On false the previous skin is dropped
  // and the data is inactive; LastError() says why (for diagnostics and tests only).
  bool LoadFromFile(const std::string& path = kSkinFilePath);
  // Uses a parsed description; pictures are looked up relative to picture_folder.
  bool LoadFromDescription(const SkinDescription& description, const std::string& picture_folder);
  void Clear();

  bool Active() const { return active_; }
  const std::string& LastError() const { return last_error_; }
  const SkinDescription& Description() const { return description_; }
  const SkinMetrics& Metrics() const { return description_.metrics; }

  // Colours and GDI objects; when inactive these give the platform's own colours and fonts.
  COLORREF FaceColor() const;
  COLORREF TextColor() const;
  HBRUSH FaceBrush() const;  // owned by the skin data (or a system brush)
  HFONT CaptionFont() const;
  HFONT ControlFont() const;
  // The picture strip of a caption button (normal, hot, pressed, inactive), or nullptr when
  // the skin draws that button.
  HBITMAP CaptionButtonPicture(CaptionButtonKind kind) const;

 private:
  bool active_ = false;
  std::string last_error_;
  SkinDescription description_;
  kvo::UniqueHBrush face_brush_;
  kvo::UniqueHFont caption_font_;
  kvo::UniqueHFont control_font_;
  std::array<kvo::UniqueHBitmap, static_cast<size_t>(CaptionButtonKind::kCount)> pictures_;
};

}  // namespace kvo::toolkit
