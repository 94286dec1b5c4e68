// What the settings window needs of the main window: its capture panel, its visibility and
// size, its preview switch and its recording timer. The main window implements it.
#pragma once

#include <windows.h>

namespace kvo {

class TDirectShow;

class SettingFormHost {
 public:
  virtual TDirectShow& DirectShow1() = 0;
  // The main window (its visibility and size are read and set through the handle).
  virtual HWND MainWindowHandle() const = 0;
  // Makes the main window visible, as the show command does.
  virtual void ShowMainWindow() = 0;
  virtual void PreviewBtnClick() = 0;
  virtual void DisableRecTimer() = 0;
  // Brings buttons and caption up to date after a recording was stopped from outside.
  virtual void UpdateRecordingStatus() = 0;

 protected:
  ~SettingFormHost() = default;
};

}  // namespace kvo
