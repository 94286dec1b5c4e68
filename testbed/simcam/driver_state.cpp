#include "driver_state.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "driver_records.h"
#include "simcam_names.h"
#include "snapshot_file.h"
#include "text.h"

namespace kvo::simcam {
namespace {

constexpr char kStateMutexName[] = "KvoSimCamState";
constexpr char kOwnersMappingName[] = "KvoSimCamOwners";
constexpr char kOwnersMutexName[] = "KvoSimCamOwnersLock";
constexpr char kInstanceKeySuffix[] = "\\0000";
constexpr char kVideoControlModeValue[] = "VideoControlMode%d";
constexpr DWORD kLockTimeoutMs = 5000;
constexpr int kDeviceCount = 2;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr size_t kMaxOverlayFileSize = 64u << 20;

UniqueHKey OpenSimCamKey(REGSAM access) {
  UniqueHKey key;
  if (access & KEY_SET_VALUE) {
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSimCamKeyPath, 0, nullptr, 0, access, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
      key.reset();
  } else if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSimCamKeyPath, 0, access, key.put()) !=
             ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

std::optional<std::vector<uint8_t>> ReadSimCamBinary(const char* name) {
  UniqueHKey key = OpenSimCamKey(KEY_QUERY_VALUE);
  if (!key) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size > 65536)
    return std::nullopt;
  std::vector<uint8_t> bytes(size);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  bytes.resize(size);
  return bytes;
}

bool WriteSimCamBinary(const char* name, const std::vector<uint8_t>& bytes) {
  UniqueHKey key = OpenSimCamKey(KEY_SET_VALUE | KEY_QUERY_VALUE);
  return key && RegSetValueExA(key.get(), name, 0, REG_BINARY, bytes.data(),
                               static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

std::optional<CameraSettings> ReadSettingsValue(const char* name) {
  const auto bytes = ReadSimCamBinary(name);
  if (!bytes) return std::nullopt;
  return DeserializeSettings(bytes->data(), bytes->size());
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string partial = path + ".part";
  {
    UniqueFileHandle file(CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size())
      return false;
  }
  // Readers see either the old still or the whole new one.
  return MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const char* path, size_t limit) {
  UniqueFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > limit) return std::nullopt;
  std::vector<uint8_t> bytes(size);
  DWORD read = 0;
  if (size > 0 && (!ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read != size))
    return std::nullopt;
  return bytes;
}

struct OwnerTable {
  DWORD process[kDeviceCount];
  DWORD token[kDeviceCount];
};

bool ProcessAlive(DWORD process_id) {
  if (process_id == GetCurrentProcessId()) return true;
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process_id));
  if (!process) return false;
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

// Runs work on the owner table under its mutex; false when the table is unavailable.
template <typename Work>
bool WithOwners(HANDLE mapping, Work work) {
  UniqueHandle mutex(CreateMutexA(nullptr, FALSE, kOwnersMutexName));
  if (!mutex) return false;
  const DWORD wait = WaitForSingleObject(mutex.get(), kLockTimeoutMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(OwnerTable));
  bool done = false;
  if (view != nullptr) {
    work(*static_cast<OwnerTable*>(view));
    UnmapViewOfFile(view);
    done = true;
  }
  ReleaseMutex(mutex.get());
  return done;
}

UniqueHandle OpenOwners() {
  // A new mapping starts zero-filled: nobody owns a device.
  return UniqueHandle(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(OwnerTable), kOwnersMappingName));
}

}  // namespace

StateLock::StateLock() : mutex_(CreateMutexA(nullptr, FALSE, kStateMutexName)) {
  if (!mutex_) return;
  const DWORD wait = WaitForSingleObject(mutex_.get(), kLockTimeoutMs);
  owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

StateLock::~StateLock() {
  if (owned_) ReleaseMutex(mutex_.get());
}

std::optional<DWORD> ReadSimCamDword(const char* name) {
  UniqueHKey key = OpenSimCamKey(KEY_QUERY_VALUE);
  if (!key) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

bool WriteSimCamDword(const char* name, DWORD value) {
  UniqueHKey key = OpenSimCamKey(KEY_SET_VALUE | KEY_QUERY_VALUE);
  return key && RegSetValueExA(key.get(), name, 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value),
                               sizeof(value)) == ERROR_SUCCESS;
}

bool DeleteSimCamValue(const char* name) {
  UniqueHKey key = OpenSimCamKey(KEY_SET_VALUE | KEY_QUERY_VALUE);
  if (!key) return false;
  const LONG result = RegDeleteValueA(key.get(), name);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

DriverState LoadDriverState() {
  DriverState state;
  if (auto current = ReadSettingsValue(kSettingsValue)) state.current = *current;
  state.saved = ReadSettingsValue(kSavedSettingsValue);
  for (int stream = 0; stream < 2; ++stream) {
    char name[32];
    std::snprintf(name, sizeof(name), kVideoControlModeValue, stream);
    state.video_control_mode[stream] = ReadSimCamDword(name).value_or(0);
  }
  const DWORD zoom_maximum = ReadSimCamDword(kZoomMaximumValue).value_or(kZoomMaximum);
  state.zoom_maximum = zoom_maximum <= static_cast<DWORD>(kZoomLevelLimit)
                           ? static_cast<int32_t>(zoom_maximum)
                           : kZoomMaximum;
  return state;
}

bool StoreDriverState(const DriverState& state) {
  bool ok = WriteSimCamBinary(kSettingsValue, SerializeSettings(state.current));
  if (state.saved)
    ok = WriteSimCamBinary(kSavedSettingsValue, SerializeSettings(*state.saved)) && ok;
  for (int stream = 0; stream < 2; ++stream) {
    char name[32];
    std::snprintf(name, sizeof(name), kVideoControlModeValue, stream);
    ok = WriteSimCamDword(name, state.video_control_mode[stream]) && ok;
  }
  return ok;
}

CameraSettings LoadCurrentSettings() {
  return ReadSettingsValue(kSettingsValue).value_or(DefaultSettings());
}

bool PoweredOn() { return ReadSimCamDword(kPoweredOnValue).value_or(1) != 0; }

DWORD PowerCycle() { return ReadSimCamDword(kPowerCycleValue).value_or(0); }

std::string InstanceKeyPath() { return std::string(kDriverKeyPath) + kInstanceKeySuffix; }

bool EnsureDriverKey() {
  UniqueHKey driver;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverKeyPath, 0, nullptr, 0,
                      KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, driver.put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD index = 0;
  char name[16];
  std::snprintf(name, sizeof(name), kInstanceNameFormat, static_cast<int>(index));
  const std::string kernel_path = std::string(kKernelMachinePrefix) + InstanceKeyPath();
  if (RegSetValueExA(driver.get(), kInstanceIndexValue, 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&index), sizeof(index)) != ERROR_SUCCESS ||
      RegSetValueExA(driver.get(), name, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(kernel_path.c_str()),
                     static_cast<DWORD>(kernel_path.size() + 1)) != ERROR_SUCCESS)
    return false;
  UniqueHKey instance;
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, InstanceKeyPath().c_str(), 0, nullptr, 0,
                         KEY_SET_VALUE, nullptr, instance.put(), nullptr) == ERROR_SUCCESS;
}

void StoreCurrentSize(int width, int height) {
  WriteSimCamDword(kCurrentWidthValue, static_cast<DWORD>(width));
  WriteSimCamDword(kCurrentHeightValue, static_cast<DWORD>(height));
}

void CurrentSize(int* width, int* height) {
  const DWORD w = ReadSimCamDword(kCurrentWidthValue).value_or(kDefaultWidth);
  const DWORD h = ReadSimCamDword(kCurrentHeightValue).value_or(kDefaultHeight);
  const bool usable = w >= 16 && w <= 4096 && h >= 16 && h <= 4096;
  *width = usable ? static_cast<int>(w) : kDefaultWidth;
  *height = usable ? static_cast<int>(h) : kDefaultHeight;
}

PictureClock ClockNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  PictureClock clock;
  clock.frame_number = static_cast<uint32_t>(GetTickCount() / 33);
  clock.seconds_of_day = now.wHour * 3600u + now.wMinute * 60u + now.wSecond;
  return clock;
}

bool TakeStill() {
  if (!EnsureDriverKey()) return false;
  int width = 0, height = 0;
  CurrentSize(&width, &height);
  const DWORD still_width = ReadSimCamDword(kStillWidthValue).value_or(0);
  const DWORD still_height = ReadSimCamDword(kStillHeightValue).value_or(0);
  if (still_width >= 16 && still_width <= 4096 && still_height >= 16 && still_height <= 4096) {
    width = static_cast<int>(still_width);
    height = static_cast<int>(still_height);
  }
  const bool planar = ReadSimCamDword(kStillFormatValue).value_or(0) != 0;
  const CameraSettings settings = LoadCurrentSettings();
  OverlayCache overlay;
  const PictureClock clock = ClockNow();
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
  RenderPicture(settings, overlay.For(settings.overlay_path), clock, width, height,
                picture.data(), static_cast<size_t>(width) * 3);
  const std::vector<uint8_t> file = BuildSnapshotFile(
      picture.data(), width, height, planar, StillStamp{clock.frame_number, clock.seconds_of_day});
  const std::string folder = std::string("C:\\") + kSnapshotFolder;
  CreateDirectoryA(folder.c_str(), nullptr);
  if (file.empty() || !WriteFileAtomically(std::string("C:\\") + kSnapshotFileName, file))
    return false;
  UniqueHKey instance;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstanceKeyPath().c_str(), 0, KEY_SET_VALUE,
                    instance.put()) != ERROR_SUCCESS)
    return false;
  // The name first: a reader that sees state 3 finds the name of this still.
  const DWORD pending = kSnapShotPending;
  const bool named =
      RegSetValueExA(instance.get(), kSnapShotFileNameValue, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(kSnapshotFileName),
                     sizeof(kSnapshotFileName)) == ERROR_SUCCESS;
  const bool stated = named && RegSetValueExA(instance.get(), kSnapShotStateValue, 0, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&pending),
                                              sizeof(pending)) == ERROR_SUCCESS;
  if (stated) WriteSimCamDword(kStillCountValue, ReadSimCamDword(kStillCountValue).value_or(0) + 1);
  return stated;
}

const OverlayImage& OverlayCache::For(const char* path) {
  const std::string wanted = TextFromStoredBytes(path, kOverlayPathSize);
  WIN32_FILE_ATTRIBUTE_DATA file = {};
  const bool exists = !wanted.empty() &&
                      GetFileAttributesExA(wanted.c_str(), GetFileExInfoStandard, &file) != 0;
  if (wanted == path_ && file.nFileSizeLow == size_ &&
      CompareFileTime(&file.ftLastWriteTime, &written_) == 0)
    return image_;
  path_ = wanted;
  written_ = file.ftLastWriteTime;
  size_ = file.nFileSizeLow;
  image_ = OverlayImage();
  if (exists) {
    if (auto bytes = ReadWholeFile(wanted.c_str(), kMaxOverlayFileSize))
      image_ = OverlayFromBmp(bytes->data(), bytes->size());
  }
  return image_;
}

bool DeviceClaim::Acquire() {
  if (held_) return true;
  if (ReadSimCamDword(kHeldValue).value_or(0) != 0) return false;
  if (device_ < 0 || device_ >= kDeviceCount) return false;
  mapping_ = OpenOwners();
  if (!mapping_) return false;
  bool acquired = false;
  const DWORD me = GetCurrentProcessId();
  WithOwners(mapping_.get(), [&](OwnerTable& owners) {
    const DWORD owner = owners.process[device_];
    const bool mine = owner == me && owners.token[device_] == token_;
    if (owner != 0 && !mine && ProcessAlive(owner)) return;
    owners.process[device_] = me;
    owners.token[device_] = token_;
    acquired = true;
  });
  held_ = acquired;
  if (!held_) mapping_.reset();
  return held_;
}

void DeviceClaim::Release() {
  if (!held_) return;
  const DWORD me = GetCurrentProcessId();
  WithOwners(mapping_.get(), [&](OwnerTable& owners) {
    if (owners.process[device_] == me && owners.token[device_] == token_) {
      owners.process[device_] = 0;
      owners.token[device_] = 0;
    }
  });
  mapping_.reset();
  held_ = false;
}

bool DeviceOwned(int device) {
  if (device < 0 || device >= kDeviceCount) return false;
  UniqueHandle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kOwnersMappingName));
  if (!mapping) return false;
  bool owned = false;
  WithOwners(mapping.get(), [&](OwnerTable& owners) {
    owned = owners.process[device] != 0 && ProcessAlive(owners.process[device]);
  });
  return owned;
}

}  // namespace kvo::simcam
