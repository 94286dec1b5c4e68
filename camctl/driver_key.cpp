#include "driver_key.h"

#include <windows.h>

#include <cstdio>

#include "driver_records.h"
#include "instance_key_path.h"
#include "snapshot_image.h"
#include "text.h"

namespace kvo::cm {

namespace {

constexpr DWORD kInstancePathBufferSize = 256;
constexpr DWORD kSnapshotNameBufferSize = 256;
constexpr size_t kSnapshotPathBufferSize = 256;
constexpr char kSnapshotFolder[] = "c:\\";

// Reads the stored bytes of a value into buffer whatever its type; false when the value is
// missing or holds more than size bytes.
bool QueryBytes(HKEY key, const char* name, void* buffer, DWORD size, DWORD* stored) {
  DWORD count = size;
  if (RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &count) !=
      ERROR_SUCCESS)
    return false;
  *stored = count;
  return true;
}

bool QueryText(HKEY key, const char* name, DWORD capacity, std::string* text) {
  char buffer[kSnapshotNameBufferSize] = {};
  if (capacity > sizeof(buffer)) return false;
  DWORD stored = 0;
  if (!QueryBytes(key, name, buffer, capacity, &stored)) return false;
  *text = TextFromStoredBytes(buffer, stored);
  return true;
}

// The instance key when a snapshot is pending (a 32-bit state of 3), else an empty owner.
UniqueHKey OpenPendingInstanceKey() {
  UniqueHKey key = OpenInstanceKey();
  DWORD state = 0;
  DWORD stored = 0;
  if (!key || !QueryBytes(key.get(), kSnapShotStateValue, &state, sizeof(state), &stored) ||
      stored != sizeof(state) || state != kSnapShotPending)
    return UniqueHKey();
  return key;
}

// The pending snapshot's file name: up to 255 characters, so that it fits the caller's
// 256 bytes with its NUL.
bool ReadPendingName(HKEY key, std::string* name) {
  return QueryText(key, kSnapShotFileNameValue, kSnapshotNameBufferSize, name) &&
         name->size() < kSnapshotNameBufferSize;
}

using UniqueMappedView = UniqueResource<NullIsInvalid<const void*, CloseWith<UnmapViewOfFile>>>;

// Maps the whole file read-only. Others may read it meanwhile but not write it, so the
// bytes cannot change or shrink under the decoder.
int LoadSnapshotFile(const std::string& path, CM_BitmapTarget& target) {
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) ||
      size.QuadPart < static_cast<LONGLONG>(sizeof(SnapshotHeader)) ||
      static_cast<ULONGLONG>(size.QuadPart) > static_cast<ULONGLONG>(SIZE_MAX))
    return 1;
  UniqueHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return 1;
  UniqueMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return 1;
  const bool loaded = LoadSnapshot(static_cast<const uint8_t*>(view.get()),
                                   static_cast<size_t>(size.QuadPart), target);
  return loaded ? 0 : 1;
}

}  // namespace

UniqueHKey OpenInstanceKey() {
  UniqueHKey driver_key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverKeyPath, 0, KEY_QUERY_VALUE, driver_key.put()) !=
      ERROR_SUCCESS) {
    driver_key.release();
    return UniqueHKey();
  }
  DWORD index = 0;
  DWORD stored = 0;
  if (!QueryBytes(driver_key.get(), kInstanceIndexValue, &index, sizeof(index), &stored))
    return UniqueHKey();
  char value_name[32];
  std::snprintf(value_name, sizeof(value_name), kInstanceNameFormat, static_cast<int>(index));
  std::string kernel_path;
  if (!QueryText(driver_key.get(), value_name, kInstancePathBufferSize, &kernel_path))
    return UniqueHKey();
  const std::optional<std::string> instance_path = InstanceKeyPathOf(kernel_path);
  if (!instance_path) return UniqueHKey();
  driver_key.reset();

  UniqueHKey instance_key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, instance_path->c_str(), 0, KEY_ALL_ACCESS,
                    instance_key.put()) != ERROR_SUCCESS) {
    instance_key.release();
    return UniqueHKey();
  }
  return instance_key;
}

int ReadSnapshotName(char* buffer) {
  UniqueHKey key = OpenPendingInstanceKey();
  if (!key) return 1;
  if (buffer == nullptr) return 0;
  std::string name;
  if (!ReadPendingName(key.get(), &name)) return 1;
  CopyBounded(buffer, kSnapshotNameBufferSize, name.c_str());
  return 0;
}

int MarkSnapshotTaken() {
  UniqueHKey key = OpenInstanceKey();
  if (!key) return 1;
  const DWORD taken = kSnapShotTaken;
  return RegSetValueExA(key.get(), kSnapShotStateValue, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&taken), sizeof(taken)) == ERROR_SUCCESS
             ? 0
             : 1;
}

std::string SnapshotPathOf(const std::string& name) {
  std::string path = kSnapshotFolder + name;
  if (path.size() >= kSnapshotPathBufferSize) return std::string();
  return path;
}

int LoadSnapshotImage(CM_BitmapTarget& target) {
  std::string name;
  {
    UniqueHKey key = OpenPendingInstanceKey();
    if (!key || !ReadPendingName(key.get(), &name)) return 1;
  }
  const std::string path = SnapshotPathOf(name);
  if (path.empty()) return 1;
  return LoadSnapshotFile(path, target);
}

}  // namespace kvo::cm
