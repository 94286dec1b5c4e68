// Getting and setting properties: driver properties go to the camera filter's property
// sets, the library operations 2000-2004 are carried out here.
#include <cstring>

#include "camera_handle.h"
#include "driver_key.h"
#include "property_routes.h"
#include "text.h"

using Microsoft::WRL::ComPtr;

namespace kvo::cm {

namespace {

ComPtr<IKsPropertySet> PropertyInterfaceOf(CM_Handle* handle) {
  ComPtr<IKsPropertySet> properties;
  if (!handle->Filter || FAILED(handle->Filter.As(&properties))) return nullptr;
  return properties;
}

const GUID& AsGuid(const DriverGuid& guid) {
  static_assert(sizeof(DriverGuid) == sizeof(GUID), "same layout");
  return *reinterpret_cast<const GUID*>(&guid);
}

// The same record travels as instance data and as property data, with its full size.
template <typename Record>
HRESULT GetRecord(IKsPropertySet* properties, const DriverGuid& set, uint32_t id,
                  Record* record) {
  DWORD returned = 0;
  return properties->Get(AsGuid(set), id, record, sizeof(Record), record, sizeof(Record),
                         &returned);
}

template <typename Record>
HRESULT SetRecord(IKsPropertySet* properties, const DriverGuid& set, uint32_t id,
                  Record* record) {
  return properties->Set(AsGuid(set), id, record, sizeof(Record), record, sizeof(Record));
}

int GetDriverProperty(CM_Handle* handle, const Route& route, void* data) {
  // Every driver get hands back a value or a text, so it needs the caller's storage.
  if (data == nullptr) return 1;
  ComPtr<IKsPropertySet> properties = PropertyInterfaceOf(handle);
  if (!properties) return 1;
  const DriverGuid& set = *PropertySetOf(route);
  HRESULT status;
  // Whatever the status, the record's field goes back to the caller: a rejected get thus
  // delivers the zero the record was built with.
  if (route.kind == RouteKind::kImageString) {
    StringRecord record = MakeStringRecord(kRecordFlagGet, nullptr);
    status = GetRecord(properties.Get(), set, route.property_id, &record);
    CopyStringField(record, static_cast<char*>(data));
  } else {
    NumericRecord record = MakeNumericRecord(kRecordFlagGet, 0);
    status = GetRecord(properties.Get(), set, route.property_id, &record);
    std::memcpy(data, &record.value, sizeof(record.value));
  }
  return static_cast<int>(status);
}

int SetDriverProperty(CM_Handle* handle, const Route& route, void* data) {
  if (route.kind == RouteKind::kImageString && data == nullptr) return 1;
  ComPtr<IKsPropertySet> properties = PropertyInterfaceOf(handle);
  if (!properties) return 1;
  const DriverGuid& set = *PropertySetOf(route);
  if (route.kind == RouteKind::kImageString) {
    StringRecord record = MakeStringRecord(kRecordFlagSet, static_cast<const char*>(data));
    return static_cast<int>(SetRecord(properties.Get(), set, route.property_id, &record));
  }
  int32_t value = 0;  // commands such as "save settings" come without data
  if (data != nullptr) std::memcpy(&value, data, sizeof(value));
  NumericRecord record = MakeNumericRecord(kRecordFlagSet, value);
  return static_cast<int>(SetRecord(properties.Get(), set, route.property_id, &record));
}

// Switches the hardware snapshot button on for both streams; only the second call's
// status is reported.
int EnableTrigger(CM_Handle* handle) {
  ComPtr<IKsPropertySet> properties = PropertyInterfaceOf(handle);
  if (!properties) return 1;
  VideoControlModeRecord first = MakeVideoControlModeRecord(0);
  SetRecord(properties.Get(), kPropSetVidcapVideoControl, kVideoControlModeProperty, &first);
  VideoControlModeRecord second = MakeVideoControlModeRecord(1);
  return static_cast<int>(
      SetRecord(properties.Get(), kPropSetVidcapVideoControl, kVideoControlModeProperty, &second));
}

int CopyDeviceName(const CM_Handle* handle, void* data) {
  if (data == nullptr) return 1;
  CopyBounded(static_cast<char*>(data), sizeof(handle->Product), handle->Product);
  return 0;
}

int GetLibraryOperation(CM_Handle* handle, uint32_t id, void* data) {
  switch (id) {
    case CM_ID_TRIGGER_ENABLE:
    case CM_ID_SNAPSHOT_DONE:
      return 0;
    case CM_ID_SNAPSHOT_NAME:
      return ReadSnapshotName(static_cast<char*>(data));
    case CM_ID_SNAPSHOT_IMAGE:
      if (data == nullptr) return 1;
      return LoadSnapshotImage(*static_cast<CM_BitmapTarget*>(data));
    case CM_ID_DEVICE_NAME:
      return CopyDeviceName(handle, data);
    default:
      return 1;  // 2005-2999: nothing to deliver
  }
}

int SetLibraryOperation(CM_Handle* handle, uint32_t id) {
  switch (id) {
    case CM_ID_TRIGGER_ENABLE:
      return EnableTrigger(handle);
    case CM_ID_SNAPSHOT_DONE:
      return MarkSnapshotTaken();
    default:
      return 0;  // 2001, 2003, 2004 and 2005-2999: nothing to do
  }
}

}  // namespace

int GetProperty(CM_Handle* handle, uint32_t id, void* data) {
  if (handle == nullptr || !IsSupportedId(id)) return 1;
  const Route route = RouteOf(id);
  if (route.kind == RouteKind::kLibrary) return GetLibraryOperation(handle, id, data);
  return GetDriverProperty(handle, route, data);
}

int SetProperty(CM_Handle* handle, uint32_t id, void* data) {
  if (handle == nullptr || !IsSupportedId(id)) return 0;
  const Route route = RouteOf(id);
  if (route.kind == RouteKind::kLibrary) return SetLibraryOperation(handle, id);
  return SetDriverProperty(handle, route, data);
}

}  // namespace kvo::cm
