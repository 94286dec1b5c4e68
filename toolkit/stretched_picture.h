// A picture that fills its control, stretched to its bounds. With auto_size it takes the
// picture's size whenever a picture is set. Clicks on it do nothing, enabled or not. Its
// cursor shows while it is enabled: the platform gives a disabled window no mouse messages,
// so over a disabled picture the cursor of the window beneath it shows.
#pragma once

#include "toolkit_control.h"

namespace kvo::toolkit {

class StretchedPicture : public Control {
 public:
  struct CreateArgs : ControlArgs {
    HBITMAP picture = nullptr;  // not owned; must outlive the control or be replaced first
    bool auto_size = false;
    LPCSTR cursor = IDC_ARROW;  // a system cursor id, e.g. IDC_HAND
  };
  bool Create(const CreateArgs& args);

  void SetPicture(HBITMAP picture);  // redraws; resizes when auto_size
  HBITMAP Picture() const { return picture_; }
  void SetAutoSize(bool auto_size);

 protected:
  bool OnOwnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint(HDC dc);
  void FitToPicture();

  HBITMAP picture_ = nullptr;
  bool auto_size_ = false;
  HCURSOR cursor_ = nullptr;
};

}  // namespace kvo::toolkit
