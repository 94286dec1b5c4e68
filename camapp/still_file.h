// Writing a numbered file that no other file may be replaced by: the still's JPEG data
// under folder\IMG<number>.jpg, created new, never over an earlier file; and the folder
// the stills and recordings go to.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kvo {

constexpr char kCannotCreateDirectoryText[] = "Cannot create directory.";

// Creates the folder (in the ANSI code page) and every missing parent; AppError with
// kCannotCreateDirectoryText when the folder does not exist afterwards.
void ForceFolder(const std::string& folder);

// Writes the whole file under a name that must not exist yet. ERROR_SUCCESS, or the
// system's error: ERROR_FILE_EXISTS when the name is taken (that file is left as it is),
// and after a failed write no file of this call is left behind.
DWORD WriteNewFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

struct NumberedWrite {
  std::uint32_t number = 0;
  std::string path;
  DWORD error = ERROR_SUCCESS;
};

// Writes the bytes as NumberedFileName(folder, prefix, number, extension), or under the
// next number when another program made a file of that name since the caller looked (the
// create of a new file fails), up to max_tries numbers. A path that `fits` refuses is
// not written: ERROR_FILENAME_EXCED_RANGE.
NumberedWrite WriteNumberedFile(const std::string& folder, const char* prefix,
                                std::uint32_t number, const char* extension,
                                const std::vector<std::uint8_t>& bytes,
                                const std::function<bool(const std::string& path)>& fits,
                                std::uint32_t max_tries = 100);

}  // namespace kvo
