// The simulated driver's side of the platform: its state in the registry (shared by every
// process that has the camera loaded), the driver key with the instance key, still files,
// the overlay file and the exclusive use of the device.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "picture.h"
#include "property_store.h"
#include "unique_resource.h"

namespace kvo::simcam {

// Serialises read-modify-write of the camera's state across processes (a named mutex).
class StateLock {
 public:
  StateLock();
  ~StateLock();
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

 private:
  UniqueHandle mutex_;
  bool owned_ = false;
};

// Values of HKLM\SOFTWARE\KvoTestbed\SimCam.
std::optional<DWORD> ReadSimCamDword(const char* name);
bool WriteSimCamDword(const char* name, DWORD value);
bool DeleteSimCamValue(const char* name);

DriverState LoadDriverState();  // caller holds a StateLock for read-modify-write
bool StoreDriverState(const DriverState& state);
CameraSettings LoadCurrentSettings();

bool PoweredOn();
// Counts the switch-offs: a filter bound in an earlier cycle speaks to a removed device.
DWORD PowerCycle();

// Creates HKLM\SOFTWARE\CAMDRV\USBCAM\CAMSTD (InstanceIndex 0, "ii0000" naming the instance
// key in kernel form) and the instance key; true when both exist afterwards.
bool EnsureDriverKey();
// The instance key's path under HKEY_LOCAL_MACHINE.
std::string InstanceKeyPath();

// Capture size the driver currently delivers (written when a pin's format is set).
void StoreCurrentSize(int width, int height);
void CurrentSize(int* width, int* height);

// The clock of a picture taken now: frame number from the tick count at 30 frames per
// second, the local time of day.
PictureClock ClockNow();

// Draws the current picture and writes it as the pending still: C:\SimCam\Snapshot.raw
// (format and size from the testbed settings), then SnapShotFileName and SnapShotState = 3.
bool TakeStill();

// Loads the overlay bitmap the camera was sent, keeping the last one while the path and
// the file (its time and size) are unchanged: the property window rewrites the same file
// for every new banner. Used by one thread (the streaming thread of a filter).
class OverlayCache {
 public:
  const OverlayImage& For(const char* path);

 private:
  std::string path_;
  FILETIME written_ = {};
  DWORD size_ = 0;
  OverlayImage image_;
};

// Exclusive use of a device across processes: one owner (process and token) at a time.
class DeviceClaim {
 public:
  DeviceClaim(int device, uint32_t token) : device_(device), token_(token) {}
  ~DeviceClaim() { Release(); }
  DeviceClaim(const DeviceClaim&) = delete;
  DeviceClaim& operator=(const DeviceClaim&) = delete;
  // False while another owner holds the device or simctl hold is in force.
  bool Acquire();
  void Release();
  // Claims another device from now on (releasing a claim held on the old one).
  void Reassign(int device) {
    Release();
    device_ = device;
  }
  bool held() const { return held_; }

 private:
  int device_;
  uint32_t token_;
  bool held_ = false;
  UniqueHandle mapping_;
};

// Whether any live process owns the device now.
bool DeviceOwned(int device);

}  // namespace kvo::simcam
