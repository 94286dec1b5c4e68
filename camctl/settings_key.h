// The shared settings key HKEY_CURRENT_USER\Software\KVO_CM_SW. Every use opens it with
// full access and closes it again; no program creates it.
#pragma once

#include <windows.h>

#include <string>

#include "capture_format.h"
#include "unique_resource.h"

namespace kvo {

constexpr char kSettingsKeyPath[] = "Software\\KVO_CM_SW";

// Buffer sizes the readers use for the values of the key.
constexpr DWORD kAppStatusBufferSize = 5;
constexpr DWORD kProductStringBufferSize = 256;
constexpr DWORD kTrayValueBufferSize = 512;

class SettingsKey {
 public:
  // Opens the key with KEY_ALL_ACCESS; is_open() tells whether that worked.
  SettingsKey();
  bool is_open() const { return key_.valid(); }
  HKEY get() const { return key_.get(); }
  void Close() { key_.reset(); }

  // Reads the stored bytes into buffer whatever the value's type. Fails when the key is
  // not open, the value is missing or it holds more than size bytes; on success *stored
  // (when given) receives the byte count.
  bool ReadValue(const char* name, void* buffer, DWORD size, DWORD* stored = nullptr) const;
  // A text read into a buffer of capacity bytes: up to the first NUL or the stored count.
  bool ReadText(const char* name, DWORD capacity, std::string* text) const;
  // The first byte of a value read into a buffer of capacity bytes; false when the value
  // is missing, too long or empty.
  bool ReadFlag(const char* name, DWORD capacity, char* flag) const;
  bool ReadDword(const char* name, DWORD* value) const;
  bool ReadFormat(const char* name, CaptureFormatRecord* record) const;

  // REG_SZ, with or without its terminating NUL in the stored bytes.
  bool WriteText(const char* name, const std::string& text, bool with_nul) const;
  bool WriteDword(const char* name, DWORD value) const;
  bool WriteFormat(const char* name, const CaptureFormatRecord& record) const;
  bool DeleteValue(const char* name) const;

 private:
  UniqueHKey key_;
};

}  // namespace kvo
