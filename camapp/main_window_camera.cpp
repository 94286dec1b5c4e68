// The main window's camera connection: the camera's arrival and removal, releasing and
// resuming it, the property window's handle and the zoom steps.
#include "main_window.h"

#include <dbt.h>

#include <cstddef>

#include "device_change_record.h"
#include "digital_zoom.h"
#include "property_form.h"
#include "wide_text.h"

namespace kvo {

namespace {

// The plain reader's layout is the platform's.
static_assert(offsetof(DEV_BROADCAST_HDR, dbch_devicetype) == kDeviceRecordTypeOffset &&
              sizeof(DEV_BROADCAST_HDR) == kDeviceRecordHeaderSize &&
              offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == kInterfaceNameOffset &&
              DBT_DEVTYP_DEVICEINTERFACE == kDeviceInterfaceRecordType,
              "device-change record layout");

// The interface name of a device-change record of device type 5, read within the size the
// record gives; false for other records.
bool DeviceInterfaceName(LPARAM lparam, std::string* name) {
  const auto* record = reinterpret_cast<const void*>(lparam);
  if (record == nullptr) return false;
  const auto wide = InterfaceNameOfRecord(record, ClaimedRecordSize(record));
  if (!wide) return false;
  *name = WideToAnsi(std::wstring(wide->begin(), wide->end()).c_str());
  return true;
}

}  // namespace

bool TKVO_CM_MAIN::HandleDeviceChange(WPARAM event, LPARAM record, LRESULT* result) {
  std::string name;
  if (!DeviceInterfaceName(record, &name)) return false;
  const CameraIds ids{VendorIdText, ProductIdText};
  switch (event) {
    case DBT_DEVICEREMOVECOMPLETE:
      if (!(IsCameraName(name, ids) && CameraOn)) return false;
      ReleaseCamera();
      *result = 1;
      return true;
    case DBT_DEVICEQUERYREMOVE:
      if (IsCameraName(name, ids) && CameraOn) ReleaseCamera();
      *result = 1;  // the removal is granted
      return true;
    case DBT_DEVICEARRIVAL:
      if (CamHandle != nullptr) CM_Close(CamHandle);
      CamHandle = nullptr;
      CM_Open(&CamHandle);
      if (CamHandle != nullptr) ReadIdTexts();
      if (IsCameraName(name, CameraIds{VendorIdText, ProductIdText}) && !CameraOn) {
        ResumeCamera();
      }
      *result = 1;
      return true;
    default:
      return false;
  }
}

bool TKVO_CM_MAIN::Locked() const {
  return direct_show_->Caption() == "Locked by another application";
}

void TKVO_CM_MAIN::OpenPreview() {
  DirectShow1().InitRunCapture(VendorIdText, ProductIdText, false);
}

void TKVO_CM_MAIN::RefreshPreviewButton() {
  PreviewBtn.Hide();
  PreviewBtn.Show();
  PreviewBtn.Focus();
}

void TKVO_CM_MAIN::SetEyeGlyph(bool open) {
  PreviewBtn.SetGlyph(open ? ImageEyeOpen.get() : ImageEyeClose.get());
}

void TKVO_CM_MAIN::ReleaseCamera() {
  DirectShow1().Close();
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  ClosePropertyCameraHandle();
  CameraOn = false;
  if (IsWindowVisible(hwnd())) {
    SetEyeGlyph(false);
    RefreshPreviewButton();
  }
}

void TKVO_CM_MAIN::ResumeCamera() {
  CameraOn = true;
  // The driver needs its time after the camera comes back; the window handles nothing
  // meanwhile.
  Sleep(2000);
  if (CamHandle != nullptr) CM_Close(CamHandle);
  CamHandle = nullptr;
  CM_Open(&CamHandle);
  Sleep(500);
  if (PropertyForm != nullptr) PropertyForm->ReopenCamera();
}

void TKVO_CM_MAIN::ClosePropertyCameraHandle() {
  if (PropertyForm == nullptr) return;
  if (PropertyForm->CamHandle != nullptr) CM_Close(PropertyForm->CamHandle);
  PropertyForm->CamHandle = nullptr;
}

void TKVO_CM_MAIN::ShowPropertyForm() {
  if (PropertyForm != nullptr) PropertyForm->ShowForm();
}

// The zoom owner moves the property window's Zoom slider one position at a time, each sending
// the camera its zoom level, so the camera shows a short animation.
void TKVO_CM_MAIN::ZoomStep(bool zoom_in) {
  if (Zoom == nullptr || !Zoom->StepsAvailable()) return;
  if (!CameraOn) {
    ShowCameraOffBox();
    return;
  }
  Zoom->Step(zoom_in);
}

}  // namespace kvo
