// The stream-format dialog: the capture pin's own property pages in the platform's property
// frame, and, where no property frame can be created, the component's own modal "Stream
// Format" dialog, which lists the pin's capabilities and sets the chosen one.
#pragma once

#include <dshow.h>

#include <functional>
#include <string>
#include <vector>

#include "dshow/media_type.h"
#include "stream_caps.h"

namespace kvo {

// The list box of the dialog, so a caller can find it.
constexpr int kStreamFormatListId = 1001;
constexpr char kStreamFormatTitle[] = "Stream Format";

// What the user did with the stream-format dialog.
enum class FormatEditResult {
  kNoDialog,   // no stream configuration: nothing was shown
  kClosed,     // the dialog was shown and closed: read the pin's format back
  kCancelled,  // our own dialog was cancelled: the pin and the record stay as they were
};

// Shows the platform's modal property frame for one object and its pages; the status of
// OleCreatePropertyFrame.
using PropertyFrameFunction =
    std::function<HRESULT(IUnknown* object, const CAUUID& pages)>;
HRESULT ShowPropertyFrame(IUnknown* object, const CAUUID& pages);

// The dialog step for the capture pin's stream configuration: its property pages in the
// property frame; for a pin without pages, or when the frame cannot be created, our own
// dialog (the chosen row goes to SetFormat).
FormatEditResult EditStreamFormat(IAMStreamConfig* config,
                                  const PropertyFrameFunction& frame = ShowPropertyFrame);

}  // namespace kvo
