#include "simcam_control.h"

#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "driver_state.h"
#include "registration.h"
#include "unique_resource.h"

namespace kvo::simcam {
namespace {

constexpr char kRecordMutexName[] = "KvoSimCamCallRecord";
constexpr char kRecordFolder[] = "\\KvoTestbed";
constexpr char kRecordFile[] = "\\simcam_calls.txt";
constexpr DWORD kRecordLockTimeoutMs = 5000;
constexpr int kMinStillSide = 16;
constexpr int kMaxStillSide = 4096;

// Serialises appends and clears of the record file across processes.
class RecordLock {
 public:
  RecordLock() : mutex_(CreateMutexA(nullptr, FALSE, kRecordMutexName)) {
    if (!mutex_) return;
    const DWORD wait = WaitForSingleObject(mutex_.get(), kRecordLockTimeoutMs);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~RecordLock() {
    if (owned_) ReleaseMutex(mutex_.get());
  }
  bool owned() const { return owned_; }

 private:
  UniqueHandle mutex_;
  bool owned_ = false;
};

std::string RecordFolder() {
  char base[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)))
    return std::string();
  return std::string(base) + kRecordFolder;
}

// Runs with COM initialised on this thread, whatever the caller had.
template <typename Work>
HRESULT WithCom(Work work) {
  ComApartment apartment(COINIT_MULTITHREADED);
  if (!apartment.ok() && apartment.result() != RPC_E_CHANGED_MODE) return apartment.result();
  return work();
}

}  // namespace

std::string PropertyCallRecordPath() {
  const std::string folder = RecordFolder();
  return folder.empty() ? std::string() : folder + kRecordFile;
}

std::vector<PropertyCall> ReadPropertyCalls() {
  std::vector<PropertyCall> calls;
  RecordLock lock;
  std::ifstream file(PropertyCallRecordPath(), std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto call = ParseCall(line)) calls.push_back(*call);
  }
  return calls;
}

bool ClearPropertyCalls() {
  RecordLock lock;
  const std::string path = PropertyCallRecordPath();
  return !path.empty() &&
         (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
          GetLastError() == ERROR_PATH_NOT_FOUND);
}

bool AppendPropertyCall(const PropertyCall& call) {
  const std::string folder = RecordFolder();
  if (folder.empty()) return false;
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string line = FormatCall(call) + "\r\n";
  RecordLock lock;
  UniqueFileHandle file(CreateFileA(PropertyCallRecordPath().c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                   nullptr) &&
         written == line.size();
}

long LiveObjects() {
  HMODULE module = GetModuleHandleA("simcam.dll");
  if (module == nullptr) return 0;
  using CountFunction = LONG(WINAPI*)();
  auto count = reinterpret_cast<CountFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "SimCamLiveObjects")));
  return count ? count() : 0;
}

DWORD ReleasesOutsideApartment() {
  return ReadSimCamDword(kReleasesOutsideApartmentValue).value_or(0);
}

bool ClearReleasesOutsideApartment() {
  return DeleteSimCamValue(kReleasesOutsideApartmentValue);
}

SimCamStats StreamStats() {
  SimCamStats stats = {};
  HMODULE module = GetModuleHandleA("simcam.dll");
  if (module == nullptr) return stats;
  using StatsFunction = void(WINAPI*)(SimCamStats*);
  auto read = reinterpret_cast<StatsFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "SimCamStreamStats")));
  if (read != nullptr) read(&stats);
  return stats;
}

// A switched-off camera has no button.
bool PressButton() { return PoweredOn() && TriggerModeSet() && TakeStill(); }

bool TriggerModeSet() { return ReadSimCamDword(kTriggerModeValue).value_or(0) != 0; }

bool ClearTriggerMode() { return WriteSimCamDword(kTriggerModeValue, 0); }

// Switching off ends every binding (the next cycle begins) and, as on the hardware, the
// video-control modes with the trigger.
bool ForgetBindingsAndModes() {
  StateLock lock;
  DriverState state = LoadDriverState();
  state.video_control_mode[0] = state.video_control_mode[1] = 0;
  return WriteSimCamDword(kPowerCycleValue, PowerCycle() + 1) && StoreDriverState(state) &&
         ClearTriggerMode();
}

bool SetPowered(bool on) {
  if (!WriteSimCamDword(kPoweredOnValue, on ? 1 : 0)) return false;
  if (!on && !ForgetBindingsAndModes()) return false;
  const HRESULT hr = WithCom([on] {
    return on ? RegisterDevice(Device::kFirst) : UnregisterDevice(Device::kFirst);
  });
  return SUCCEEDED(hr);
}

bool IsPowered() { return PoweredOn(); }

bool SetRunFails(bool fail) { return WriteSimCamDword(kRunFailsValue, fail ? 1 : 0); }

bool RunFails() { return ReadSimCamDword(kRunFailsValue).value_or(0) != 0; }

bool SetZoomMaximum(int maximum) {
  if (maximum < 0 || maximum > kZoomLevelLimit) return false;
  return WriteSimCamDword(kZoomMaximumValue, static_cast<DWORD>(maximum));
}

bool SetSecondDevice(bool present) {
  if (!WriteSimCamDword(kSecondDeviceValue, present ? 1 : 0)) return false;
  const HRESULT hr = WithCom([present] {
    return present ? RegisterDevice(Device::kSecond) : UnregisterDevice(Device::kSecond);
  });
  return SUCCEEDED(hr);
}

bool SetHeld(bool held) { return WriteSimCamDword(kHeldValue, held ? 1 : 0); }

bool IsHeld() { return ReadSimCamDword(kHeldValue).value_or(0) != 0; }

bool InUse() { return IsHeld() || DeviceOwned(0); }

bool SetStillFormat(StillFormat format) {
  return WriteSimCamDword(kStillFormatValue, static_cast<DWORD>(format));
}

StillFormat GetStillFormat() {
  return ReadSimCamDword(kStillFormatValue).value_or(0) != 0 ? StillFormat::kPlanar
                                                             : StillFormat::kPacked;
}

bool SetStillSize(int width, int height) {
  const bool current = width == 0 && height == 0;
  const bool usable = width >= kMinStillSide && width <= kMaxStillSide &&
                      height >= kMinStillSide && height <= kMaxStillSide;
  if (!current && !usable) return false;
  return WriteSimCamDword(kStillWidthValue, static_cast<DWORD>(width)) &&
         WriteSimCamDword(kStillHeightValue, static_cast<DWORD>(height));
}

bool SetPreviewPin(bool present) { return WriteSimCamDword(kPreviewPinValue, present ? 1 : 0); }

bool PreviewPinPresent() { return ReadSimCamDword(kPreviewPinValue).value_or(1) != 0; }

bool ResetCamera() {
  bool ok = SetPowered(true);
  // The prefix is installed with both cameras; a test that took the second away gets it back.
  ok = SUCCEEDED(WithCom([] { return RegisterDevice(Device::kSecond); })) && ok;
  ok = SetHeld(false) && ok;
  ok = SetRunFails(false) && ok;
  ok = DeleteSimCamValue(kZoomMaximumValue) && ok;
  ok = ClearReleasesOutsideApartment() && ok;
  ok = SetStillFormat(StillFormat::kPacked) && ok;
  ok = SetStillSize(0, 0) && ok;
  ok = SetPreviewPin(true) && ok;
  ok = ClearTriggerMode() && ok;
  {
    StateLock lock;
    ok = StoreDriverState(DriverState()) && ok;
    DeleteSimCamValue(kSavedSettingsValue);
  }
  ok = EnsureDriverKey() && ok;
  UniqueHKey instance;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstanceKeyPath().c_str(), 0, KEY_SET_VALUE,
                    instance.put()) == ERROR_SUCCESS) {
    RegDeleteValueA(instance.get(), "SnapShotState");
    RegDeleteValueA(instance.get(), "SnapShotFileName");
  }
  return ClearPropertyCalls() && ok;
}

std::string DescribeState() {
  std::ostringstream text;
  int width = 0, height = 0;
  CurrentSize(&width, &height);
  const DWORD still_width = ReadSimCamDword(kStillWidthValue).value_or(0);
  const DWORD still_height = ReadSimCamDword(kStillHeightValue).value_or(0);
  text << "power: " << (IsPowered() ? "on" : "off") << "\n"
       << "registered: " << (DeviceRegistered(Device::kFirst) ? "yes" : "no")
       << ", second device: " << (DeviceRegistered(Device::kSecond) ? "yes" : "no") << "\n"
       << "held by another application: " << (IsHeld() ? "yes" : "no") << "\n"
       << "run fails: " << (RunFails() ? "yes" : "no") << "\n"
       << "zoom maximum reported: " << LoadDriverState().zoom_maximum << "\n"
       << "power cycle: " << PowerCycle() << "\n"
       << "streaming process: " << (DeviceOwned(0) ? "yes" : "no") << "\n"
       << "preview pin: " << (PreviewPinPresent() ? "on" : "off") << "\n"
       << "trigger mode: " << (TriggerModeSet() ? "set" : "not set") << "\n"
       << "still format: " << (GetStillFormat() == StillFormat::kPlanar ? "planar" : "packed")
       << "\n"
       << "still size: ";
  if (still_width == 0 || still_height == 0)
    text << "current format";
  else
    text << still_width << "x" << still_height;
  text << "\ncurrent format: " << width << "x" << height << "\n"
       << "stills taken: " << ReadSimCamDword(kStillCountValue).value_or(0) << "\n"
       << "releases outside an apartment: " << ReleasesOutsideApartment() << "\n"
       << "record: " << PropertyCallRecordPath() << "\n";
  return text.str();
}

}  // namespace kvo::simcam
