// TSnapView: the snapshot viewer, a skinned tool window whose one control, Image, shows the
// last still stretched over the whole client area. It has no behaviour of its own: the main
// window sizes it, hands it the picture and shows it; its close button hides it.
#pragma once

#include <windows.h>

#include "bitmap24.h"
#include "toolkit.h"
#include "unique_resource.h"

namespace kvo {

constexpr char kSnapViewClass[] = "TSnapView";
constexpr char kSnapViewCaption[] = "SnapView";

class TSnapView : public toolkit::Form {
 public:
  TSnapView(HINSTANCE instance, const toolkit::SkinData& skin);
  ~TSnapView();

  // Creates the window hidden; false when the platform refuses.
  bool Create();

  // Gives Image a copy of the picture.
  void SetPicture(const Bitmap24& bitmap);
  SIZE ImageSize() const;
  void SetWindowSize(int width, int height);
  void Show();

  toolkit::StretchedPicture Image;

 private:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void FitImage();

  HINSTANCE instance_;
  const toolkit::SkinData& skin_;
  UniqueHBitmap picture_;
};

}  // namespace kvo
