// The camera control library's public interface: open the built-in camera, read and change
// its numbered properties, and receive the stills of its snapshot button.
//
// The functions are exported from kvocmdll.dll under the names "@CM_Open$qppv",
// "@CM_Close$qpv", "@CM_GetCapabilities$qul", "@CM_GetProperties$qpvult1" and
// "@CM_SetProperties$qpvult1" (cdecl); the import library maps the plain names declared
// here onto them. A program that loads the library by name looks the decorated names up.
//
// Plain C++ without platform headers, so the snapshot code can be built and tested natively.
#pragma once

// A camera handle: allocated by CM_Open, freed by CM_Close, opaque to callers.
struct CM_Handle;

// The target of CM_ID_SNAPSHOT_IMAGE: a bitmap of the caller's window toolkit. The library
// sets 24 bits per pixel, then the width, then the height, and writes exactly width * 3
// bytes of each scan line (row 0 is the top row). It calls nothing before it has checked
// the whole snapshot file, so a refused file leaves the bitmap as it was.
class CM_BitmapTarget {
 public:
  virtual void SetPixelFormat24() = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  // The address of a row of width * 3 bytes, or null when the bitmap has none.
  virtual unsigned char* ScanLine(int row) = 0;

 protected:
  ~CM_BitmapTarget() = default;
};

// Property ids. 0-38 go to the driver's image property set, 1000-1012 to its zoom property
// set, 2000-2004 are carried out by the library itself.
enum : unsigned long {
  CM_ID_MIRROR = 0,
  CM_ID_FLIP = 1,
  CM_ID_BRIGHTNESS = 2,
  CM_ID_CONTRAST = 3,
  CM_ID_GAMMA = 4,
  CM_ID_HUE = 5,
  CM_ID_SATURATION = 6,
  CM_ID_SHARPNESS = 7,
  CM_ID_BANDWIDTH_AUTO = 9,
  CM_ID_BANDWIDTH = 10,
  CM_ID_EXPOSURE_AUTO = 11,
  CM_ID_EXPOSURE = 12,
  CM_ID_WB_AUTO = 13,
  CM_ID_RED_GAIN = 14,
  CM_ID_BLUE_GAIN = 15,
  CM_ID_INOUT_DOOR = 17,
  CM_ID_FLICKER = 18,
  CM_ID_BACKLIGHT = 20,
  CM_ID_LOW_LIGHT = 24,
  CM_ID_DEFAULTS = 25,
  CM_ID_SAVE = 26,
  CM_ID_RESTORE = 27,
  CM_ID_BW_MODE = 30,
  CM_ID_EFFECT = 33,
  CM_ID_OVERLAY_FILE = 34,
  CM_ID_PAN_X_MINUS = 1001,
  CM_ID_PAN_Y_MINUS = 1003,
  CM_ID_PAN_X_PLUS = 1005,
  CM_ID_PAN_Y_PLUS = 1007,
  CM_ID_ZOOM_LEVEL = 1008,
  CM_ID_ZOOM_MAX = 1009,
  CM_ID_ZOOM_ENABLE = 1011,
  CM_ID_TRIGGER_ENABLE = 2000,
  CM_ID_SNAPSHOT_NAME = 2001,
  CM_ID_SNAPSHOT_DONE = 2002,
  CM_ID_SNAPSHOT_IMAGE = 2003,
  CM_ID_DEVICE_NAME = 2004,
};

// Buffer sizes the caller provides.
constexpr unsigned CM_NAME_BUFFER_SIZE = 256;     // CM_ID_SNAPSHOT_NAME, CM_ID_DEVICE_NAME
constexpr unsigned CM_OVERLAY_BUFFER_SIZE = 259;  // get of CM_ID_OVERLAY_FILE

extern "C" {

// Binds the camera whose display name holds one of the product strings of the settings
// key. *handle receives the new handle, or null when no camera was bound.
bool CM_Open(CM_Handle** handle);
// Releases the camera and frees the handle; false for a null handle.
bool CM_Close(CM_Handle* handle);
// True for the ids 0-38, 1000-1012 and 2000-2999.
bool CM_GetCapabilities(unsigned long id);
// 0 on success, 1 on the library's own failure, otherwise the driver's status. data points
// to a 32-bit value, a text buffer or a CM_BitmapTarget, as the id requires.
int CM_GetProperties(CM_Handle* handle, unsigned long id, void* data);
// As CM_GetProperties, except that a null handle or an unsupported id yield 0.
int CM_SetProperties(CM_Handle* handle, unsigned long id, void* data);

}  // extern "C"
