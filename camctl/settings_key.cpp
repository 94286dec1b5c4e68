#include "settings_key.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "settings_values.h"

namespace kvo {

SettingsKey::SettingsKey() {
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, key_.put()) !=
      ERROR_SUCCESS) {
    key_.release();
  }
}

bool SettingsKey::ReadValue(const char* name, void* buffer, DWORD size, DWORD* stored) const {
  if (!is_open() || buffer == nullptr) return false;
  DWORD count = size;
  LONG status = RegQueryValueExA(key_.get(), name, nullptr, nullptr,
                                 static_cast<BYTE*>(buffer), &count);
  if (status != ERROR_SUCCESS) return false;
  if (stored != nullptr) *stored = count;
  return true;
}

bool SettingsKey::ReadText(const char* name, DWORD capacity, std::string* text) const {
  if (capacity == 0) return false;
  std::vector<char> buffer(capacity, '\0');
  DWORD stored = 0;
  if (!ReadValue(name, buffer.data(), capacity, &stored)) return false;
  std::optional<std::string> read = TextOfValue(buffer.data(), stored, capacity);
  if (!read) return false;
  *text = std::move(*read);
  return true;
}

bool SettingsKey::ReadFlag(const char* name, DWORD capacity, char* flag) const {
  if (capacity == 0) return false;
  std::vector<char> buffer(capacity, '\0');
  DWORD stored = 0;
  if (!ReadValue(name, buffer.data(), capacity, &stored)) return false;
  std::optional<char> read = FlagOfValue(buffer.data(), stored, capacity);
  if (!read) return false;
  *flag = *read;
  return true;
}

bool SettingsKey::ReadDword(const char* name, DWORD* value) const {
  uint8_t buffer[sizeof(DWORD)] = {};
  DWORD stored = 0;
  if (!ReadValue(name, buffer, sizeof(buffer), &stored)) return false;
  std::optional<uint32_t> read = DwordOfValue(buffer, stored);
  if (!read) return false;
  *value = *read;
  return true;
}

bool SettingsKey::ReadFormat(const char* name, CaptureFormatRecord* record) const {
  uint8_t buffer[sizeof(CaptureFormatRecord)] = {};
  DWORD stored = 0;
  if (!ReadValue(name, buffer, sizeof(buffer), &stored)) return false;
  std::optional<CaptureFormatRecord> read = FormatOfValue(buffer, stored, *record);
  if (!read) return false;
  *record = *read;
  return true;
}

bool SettingsKey::WriteText(const char* name, const std::string& text, bool with_nul) const {
  if (!is_open()) return false;
  // The registry adds a NUL to a REG_SZ whose given count stops just before one, so a
  // text without NUL is written from a copy followed by a non-NUL guard byte.
  std::string bytes = text;
  bytes.push_back(with_nul ? '\0' : '\xFF');
  DWORD count = static_cast<DWORD>(text.size() + (with_nul ? 1 : 0));
  return RegSetValueExA(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                        count) == ERROR_SUCCESS;
}

bool SettingsKey::WriteDword(const char* name, DWORD value) const {
  if (!is_open()) return false;
  return RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof(value)) == ERROR_SUCCESS;
}

bool SettingsKey::WriteFormat(const char* name, const CaptureFormatRecord& record) const {
  if (!is_open()) return false;
  return RegSetValueExA(key_.get(), name, 0, REG_BINARY,
                        reinterpret_cast<const BYTE*>(&record), sizeof(record)) == ERROR_SUCCESS;
}

bool SettingsKey::DeleteValue(const char* name) const {
  return is_open() && RegDeleteValueA(key_.get(), name) == ERROR_SUCCESS;
}

}  // namespace kvo
