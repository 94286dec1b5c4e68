#include "still_file.h"

#include <shlobj.h>

#include "app_error.h"
#include "capture_files.h"
#include "unique_resource.h"
#include "wide_text.h"

namespace kvo {

namespace {

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderWithParents(const std::wstring& path) {
  if (path.empty()) return false;
  if (FolderExists(path)) return true;
  wchar_t full[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  SHCreateDirectoryExW(nullptr, full, nullptr);
  return FolderExists(full);
}

}  // namespace

void ForceFolder(const std::string& folder) {
  if (!CreateFolderWithParents(AnsiToWide(folder.c_str()))) {
    throw AppError(kCannotCreateDirectoryText);
  }
}

DWORD WriteNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  // CreateFile fails with INVALID_HANDLE_VALUE: the file owner counts that as empty, so a
  // failed create can never be taken for a file of ours (and deleted below).
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD written = 0;
  const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) &&
                  written == bytes.size();
  if (ok && CloseHandle(file.release())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  file.reset();
  DeleteFileA(path.c_str());  // this call made the file: no half-written still stays
  return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

NumberedWrite WriteNumberedFile(const std::string& folder, const char* prefix,
                                std::uint32_t number, const char* extension,
                                const std::vector<std::uint8_t>& bytes,
                                const std::function<bool(const std::string& path)>& fits,
                                std::uint32_t max_tries) {
  NumberedWrite result;
  for (std::uint32_t tries = 0; tries < max_tries; ++tries, ++number) {
    result.number = number;
    result.path = NumberedFileName(folder, prefix, number, extension);
    if (!fits(result.path)) {
      result.error = ERROR_FILENAME_EXCED_RANGE;
      return result;
    }
    result.error = WriteNewFile(result.path, bytes);
    if (result.error != ERROR_FILE_EXISTS && result.error != ERROR_ALREADY_EXISTS) return result;
  }
  return result;
}

}  // namespace kvo
