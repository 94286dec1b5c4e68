// The USB device-interface events of the simulated camera, delivered the way the platform
// delivers those of a real device.
//
// Under Wine the kernel side announces a device interface that is switched on or off to the
// plug-and-play service (plugplay.exe) through that service's own RPC interface; the service
// hands the record to every window registered with RegisterDeviceNotification for the class.
// We make the same call the kernel side makes, with the same wide record
// (DEV_BROADCAST_DEVICEINTERFACE_W, UTF-16 name at byte 28). When the service cannot be
// reached, the same wide record is sent to every top-level window instead.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kvo::simcam {

enum class DeviceEvent : WPARAM {
  kArrival = 0x8000,         // DBT_DEVICEARRIVAL
  kQueryRemove = 0x8001,     // DBT_DEVICEQUERYREMOVE
  kRemoveComplete = 0x8004,  // DBT_DEVICEREMOVECOMPLETE
};

enum class DeliveryPath { kPlugPlayService, kBroadcast };

struct DeliveryResult {
  DeliveryPath path = DeliveryPath::kBroadcast;
  int windows = 0;         // top-level windows told (broadcast only)
  long service_status = 0; // the RPC status when the service could not be used
};

// An interface record: DEV_BROADCAST_DEVICEINTERFACE_W for the USB device class with the
// given ASCII interface name (at most 511 characters; longer names are cut), dbcc_size
// covering the name and its NUL.
std::vector<uint8_t> InterfaceRecord(const char* interface_name);

// Announces the event for the camera's interface (or another USB device's, for tests of a
// listener): through the plug-and-play service when it answers, else as a broadcast of the
// same record (SendMessageTimeoutW, at most timeout_ms per window). Never fails; the result
// says which way it went.
DeliveryResult AnnounceDeviceEvent(DeviceEvent event, DWORD timeout_ms = 2000,
                                   const char* interface_name = nullptr);

// The plug-and-play path alone: the RPC status (0 when the service took the event).
long SendThroughPlugPlayService(DeviceEvent event, const std::vector<uint8_t>& record);
// The fallback alone: the number of top-level windows that answered.
int BroadcastRecord(DeviceEvent event, const std::vector<uint8_t>& record, DWORD timeout_ms);

const char* DeliveryPathName(DeliveryPath path);

}  // namespace kvo::simcam
