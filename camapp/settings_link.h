// What the main window reads of the settings window and changes in it: the folder field, the
// "show image" and "capture audio" options, and showing the window. The settings window
// implements it; the main window knows nothing else of that window.
#pragma once

#include <string>

namespace kvo {

class SettingsLink {
 public:
  virtual ~SettingsLink() = default;
  virtual std::string PathText() const = 0;
  virtual bool ShowImageChecked() const = 0;
  virtual bool CaptureAudioChecked() const = 0;
  virtual void EnableCaptureAudio(bool enabled) = 0;
  // Shows the window, places it at the top of the z-order and activates it.
  virtual void ShowOnTop() = 0;
};

}  // namespace kvo
