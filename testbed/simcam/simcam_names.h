// Names shared by the simulated camera, its control library and simctl: the testbed key and
// its values, the filter's class id, the device registrations and the USB interface name.
#pragma once

namespace kvo::simcam {

// HKEY_LOCAL_MACHINE\SOFTWARE\KvoTestbed\SimCam: the simulated hardware's own state.
constexpr char kSimCamKeyPath[] = "SOFTWARE\\KvoTestbed\\SimCam";
constexpr char kPoweredOnValue[] = "PoweredOn";          // DWORD 1 on, 0 off, missing = on
constexpr char kHeldValue[] = "HeldByOtherApplication";  // DWORD 1 = another program holds it
constexpr char kStillFormatValue[] = "StillFormat";      // DWORD 0 packed, 1 planar 4:2:0
constexpr char kStillWidthValue[] = "StillWidth";        // DWORD, 0 = current format
constexpr char kStillHeightValue[] = "StillHeight";      // DWORD, 0 = current format
constexpr char kPreviewPinValue[] = "PreviewPin";        // DWORD 1 on (missing), 0 off
constexpr char kTriggerModeValue[] = "TriggerMode";      // DWORD 1 once mode 4 was set
constexpr char kCurrentWidthValue[] = "CurrentWidth";    // DWORD, last capture format
constexpr char kCurrentHeightValue[] = "CurrentHeight";  // DWORD
constexpr char kSettingsValue[] = "Settings";            // REG_BINARY, current properties
constexpr char kSavedSettingsValue[] = "SavedSettings";  // REG_BINARY, stored by id 26
constexpr char kStillCountValue[] = "StillCount";        // DWORD, stills taken so far
constexpr char kSecondDeviceValue[] = "SecondDevice";    // DWORD 1: register the second device
constexpr char kPowerCycleValue[] = "PowerCycle";        // DWORD, switch-offs so far
constexpr char kRunFailsValue[] = "RunFails";            // DWORD 1: Run and Pause fail
constexpr char kZoomMaximumValue[] = "ZoomMaximum";      // DWORD, id 9 of the zoom set
// DWORD: releases of a filter that came on a thread whose apartment had ended.
constexpr char kReleasesOutsideApartmentValue[] = "ReleasesOutsideApartment";

// The filter's class id {5C1A7E10-3B2D-4F6A-9E21-7A0B5C3D9F01}.
constexpr char kFilterClsidText[] = "{5C1A7E10-3B2D-4F6A-9E21-7A0B5C3D9F01}";

// Device registrations in the video input category.
constexpr char kFirstInstanceName[] = "usb#vid_feed&pid_cafe#simcam0001";
constexpr char kFirstFriendlyName[] = "Simulated USB Camera";
constexpr char kSecondInstanceName[] = "usb#vid_feed&pid_beef#simcam0002";
constexpr char kSecondFriendlyName[] = "Simulated USB Camera 2";
constexpr char kProductString[] = "vid_feed&pid_cafe";
constexpr char kSecondProductString[] = "vid_feed&pid_beef";

// The camera's USB device interface, as device-change broadcasts carry it.
constexpr char kDeviceInterfaceName[] =
    "\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

// Where the driver writes its stills, relative to the root of drive C:.
constexpr char kSnapshotFolder[] = "SimCam";
constexpr char kSnapshotFileName[] = "SimCam\\Snapshot.raw";

}  // namespace kvo::simcam
