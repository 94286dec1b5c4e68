// The component's own modal "Stream Format" dialog, for capture pins that offer no
// property pages: it lists the pin's capabilities and returns the chosen one.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "media_type.h"

namespace kvo {

struct StreamCapability {
  UniqueMediaType type;  // as the pin handed it out; given back to SetFormat when chosen
  std::string line;      // "320 x 240, 24 bit, 30.00 fps"
};

// The video-info capabilities of the pin, in the pin's order; others are left out.
std::vector<StreamCapability> ReadStreamCapabilities(IAMStreamConfig* config);

// The row that has the current format's subtype, size and bit depth (and frame time,
// when several do); 0 when none has.
int FindCurrentCapability(const std::vector<StreamCapability>& capabilities,
                          const AM_MEDIA_TYPE& current);

// The list box of the dialog, so a caller can find it.
constexpr int kStreamFormatListId = 1001;
constexpr char kStreamFormatTitle[] = "Stream Format";

// Runs the modal dialog on the calling thread. Returns the chosen row, or -1 when the
// user cancels or the list is empty.
int ShowStreamFormatDialog(const std::vector<StreamCapability>& capabilities, int preselected);

}  // namespace kvo
