// How a test or another program drives the simulated camera (target simcam_control).
//
// Every function works from any process of the prefix: the camera's state lives in the
// registry under HKEY_LOCAL_MACHINE\SOFTWARE\KvoTestbed\SimCam (names in simcam_names.h)
// and its property-call record in a text file, so the filter in one process and a test or
// simctl.exe in another see the same camera. Functions return false when the registry or
// the file cannot be used; they never throw.
//
//   record     ReadPropertyCalls / ClearPropertyCalls: every IKsPropertySet call the
//              filter received (gets and sets of the image, zoom and video-control sets,
//              malformed ones too), oldest first, one tab-separated line per call in
//              PropertyCallRecordPath() (see call_record.h for the fields).
//   objects    LiveObjects: the COM objects simcam.dll has alive in *this* process;
//              ReleasesOutsideApartment: releases that came after their thread ended COM.
//   button     PressButton: the snapshot button; takes a still when the trigger mode
//              (video-control mode 4) has been set, as the driver does.
//   power      SetPowered: PoweredOn and the device's presence in the video input
//              category; AnnounceDeviceEvent (device_events.h) sends the USB removal,
//              removal query or arrival as the platform does.
//   faults     SetRunFails: Run and Pause of the camera's graphs fail.
//   zoom       SetZoomMaximum: what the camera reports as its highest zoom level.
//   hold       SetHeld: another application holds the camera; pins refuse to connect.
//   stills     SetStillFormat / SetStillSize: format and size of the snapshot files.
//   preview    SetPreviewPin: whether filters created from now on have a "Preview" pin.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "call_record.h"
#include "device_events.h"
#include "live_objects.h"
#include "simcam_names.h"

namespace kvo::simcam {

// ---- property-call record ----
// The record file: <common application data>\KvoTestbed\simcam_calls.txt.
std::string PropertyCallRecordPath();
// Every recorded call, oldest first; empty when nothing was recorded. Damaged lines are
// skipped.
std::vector<PropertyCall> ReadPropertyCalls();
bool ClearPropertyCalls();
// Appends one call (the filter's side; exposed for simctl and tests of the record).
bool AppendPropertyCall(const PropertyCall& call);

// ---- live COM objects ----
// The count that simcam.dll's export SimCamLiveObjects reports in this process (filters,
// pins, enumerators, class factories alive); 0 when the DLL is not loaded here.
long LiveObjects();
// What the streaming threads of simcam.dll have done in this process, and the formats its
// pins refused (its export SimCamStreamStats); all zero when the DLL is not loaded here.
SimCamStats StreamStats();
// How many releases of a camera filter, in any process, came on a thread whose apartment
// had ended (the program uninitialised COM before it let go of the filter); kept across
// processes until cleared or ResetCamera.
DWORD ReleasesOutsideApartment();
bool ClearReleasesOutsideApartment();

// ---- snapshot button ----
// A press of the camera's button. When the trigger mode is set, the driver writes the
// still (current picture, still format and size) to C:\SimCam\Snapshot.raw and sets
// SnapShotFileName and SnapShotState = 3 in its instance key; the result is true then.
// Without the trigger mode nothing happens and the result is false.
bool PressButton();
// Whether video-control mode 4 has been set since the trigger was last cleared.
bool TriggerModeSet();
bool ClearTriggerMode();

// ---- power ----
// Off: PoweredOn = 0, the first device leaves the video input category, every filter bound
// so far is stale for good (its property calls, Pause and Run fail with
// HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), its pins stop delivering and a running
// graph receives EC_DEVICE_LOST), the video-control modes and the trigger are cleared. On:
// PoweredOn = 1 and the device is registered again; only filters bound from now on work.
// Needs COM on the calling thread (initialised when absent).
bool SetPowered(bool on);
bool IsPowered();

// ---- faults ----
// While set, Pause and Run of every simulated camera filter fail with
// HRESULT_FROM_WIN32(ERROR_BUSY), as when another program took the camera meanwhile.
bool SetRunFails(bool fail);
bool RunFails();

// ---- zoom ----
// What id 9 of the zoom set reports (0 to 127; 64 after a reset). Levels up to it are
// taken, up to 64 when it reports 0.
bool SetZoomMaximum(int maximum);

// ---- a second video device ----
// Registers (true) or removes the second camera, usb#vid_feed&pid_beef#simcam0002, named
// "Simulated USB Camera 2"; remembered for the next regsvr32 of simcam.dll.
bool SetSecondDevice(bool present);

// ---- another application holds the camera ----
// While held, the filter's pins refuse to connect (the capture graph cannot be rendered),
// exactly as while another process streams from the camera.
bool SetHeld(bool held);
bool IsHeld();
// Whether any process (or simctl hold) holds the camera at this moment.
bool InUse();

// ---- stills ----
enum class StillFormat : uint32_t { kPacked = 0, kPlanar = 1 };
bool SetStillFormat(StillFormat format);
StillFormat GetStillFormat();
// 0 x 0: the capture pin's current format (the default). Sizes from 16 x 16 to 4096 x 4096.
bool SetStillSize(int width, int height);

// ---- preview pin ----
// Filters bound after this call have (true) or lack (false) the "Preview" pin.
bool SetPreviewPin(bool present);
bool PreviewPinPresent();

// ---- everything back to the installation's state ----
// Powered on, both cameras registered, not held, Run working, zoom maximum 64, packed stills at the current format, preview pin present, trigger
// cleared, the snapshot state cleared, property defaults, an empty record.
bool ResetCamera();

// A readable summary of the state (simctl state).
std::string DescribeState();

}  // namespace kvo::simcam
