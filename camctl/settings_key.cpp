#include "settings_key.h"

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

namespace {

// Reads a value into a buffer of capacity bytes and hands its stored bytes to parse, whose
// answer, when it has one, goes to *out.
template <typename Value, typename Parse>
bool ReadParsed(const SettingsKey& key, const char* name, DWORD capacity, Value* out,
                Parse&& parse) {
  if (capacity == 0) return false;
  std::vector<char> buffer(capacity, '\0');
  DWORD stored = 0;
  if (!key.ReadValue(name, buffer.data(), capacity, &stored)) return false;
  auto read = parse(buffer.data(), stored);
  if (!read) return false;
  *out = std::move(*read);
  return true;
}

}  // namespace

bool SettingsKey::ReadText(const char* name, DWORD capacity, std::string* text) const {
  return ReadParsed(*this, name, capacity, text, [&](const char* bytes, DWORD stored) {
    return TextOfValue(bytes, stored, capacity);
  });
}

bool SettingsKey::ReadFlag(const char* name, DWORD capacity, char* flag) const {
  return ReadParsed(*this, name, capacity, flag, [&](const char* bytes, DWORD stored) {
    return FlagOfValue(bytes, stored, capacity);
  });
}

bool SettingsKey::ReadDword(const char* name, DWORD* value) const {
  return ReadParsed(*this, name, sizeof(DWORD), value,
                    [](const char* bytes, DWORD stored) { return DwordOfValue(bytes, stored); });
}

bool SettingsKey::ReadFormat(const char* name, CaptureFormatRecord* record) const {
  return ReadParsed(*this, name, sizeof(CaptureFormatRecord), record,
                    [&](const char* bytes, DWORD stored) {
                      return FormatOfValue(bytes, stored, *record);
                    });
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
