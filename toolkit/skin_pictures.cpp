#include "skin_pictures.h"

namespace kvo::toolkit {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A step of dots and blanks with two dots or more climbs out of the folder: the platform
// drops a step's trailing dots and blanks, so ".. " and "..." are read as "..".
bool ClimbsUp(const std::string& step) {
  std::size_t dots = 0;
  for (char c : step) {
    if (c == '.') {
      ++dots;
    } else if (c != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

bool HasParentStep(const std::string& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (ClimbsUp(name.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

bool StaysInFolder(const std::string& name) {
  return !name.empty() && !IsSeparator(name.front()) &&
         name.find(':') == std::string::npos && !HasParentStep(name);
}

}  // namespace

std::string SkinFolderOf(const std::string& skin_path) {
  const std::size_t slash = skin_path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : skin_path.substr(0, slash + 1);
}

std::optional<std::string> CaptionButtonPicturePath(const std::string& folder,
                                                    const std::string& name) {
  if (!StaysInFolder(name)) return std::nullopt;
  std::string file = folder + name;
  if (file.size() >= kMaxPictureFilePath) return std::nullopt;
  return file;
}

}  // namespace kvo::toolkit
