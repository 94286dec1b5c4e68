// The texts the camera application takes from outside: its command line (the word a tray
// or a user passes), the product string the camera's driver reports and the device
// interface names that device-change broadcasts carry. The first input byte says where the
// product string ends; the rest is the interface name, and the whole input the command line.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "command_words.h"
#include "main_window_logic.h"

using namespace kvo;

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

void CheckCommandLine(const std::string& line) {
  const std::string word = CommandWordOf(line.c_str());
  // The word is cut from the line (up to its NUL), its quotes dropped.
  Check(word.size() <= std::strlen(line.c_str()));
  Check(word.find('"') == std::string::npos);
  if (word.find_first_of(" \t") != std::string::npos) Check(line.find('"') != std::string::npos);
  unsigned message = 0;
  if (FindCommandMessage(word, &message)) {
    Check(message >= WM_CMD_SNAPSHOT && message <= WM_CMD_DISABLE);
  }
}

bool HasUpperCase(const std::string& text) {
  for (char c : text) {
    if (std::isupper(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

void CheckCameraNames(const std::string& product_string, const std::string& interface_name) {
  const auto ids = ParseProductString(product_string);
  if (!ids) {
    Check(!IsCameraName(interface_name, CameraIds{}));
    return;
  }
  // The pattern fits its 52-byte buffer with the NUL.
  const std::string pattern = CameraPattern(*ids);
  Check(ids->vendor.size() + ids->product.size() <= 42 && pattern.size() < 52);
  Check(pattern.size() == product_string.size());
  Check(pattern.compare(4, std::string::npos, product_string, 4, std::string::npos) == 0);
  const bool found = IsCameraName(interface_name, *ids);
  if (found) {
    Check(!ids->vendor.empty() && !ids->product.empty());
    // Found within the first 255 bytes, which the pattern then fits.
    Check(pattern.size() <= 255 && interface_name.size() >= pattern.size());
  }
  // A lower-case pattern is always found in a name that holds it, whatever the name's case.
  if (!ids->vendor.empty() && !ids->product.empty() && !HasUpperCase(pattern)) {
    std::string upper = pattern;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Check(IsCameraName("\\\\?\\USB#" + upper + "#SIMCAM0001", *ids));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckCommandLine(text);
  if (size < 1) return 0;
  const std::size_t split = data[0] < size - 1 ? data[0] : size - 1;
  CheckCameraNames(text.substr(1, split), text.substr(1 + split));
  return 0;
}
