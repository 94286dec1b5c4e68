#include "wide_text.h"

#include <windows.h>
#include <objidl.h>

namespace kvo {

std::string WideToAnsi(const wchar_t* text) {
  if (text == nullptr) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
  result.resize(static_cast<size_t>(size - 1));
  return result;
}

std::wstring AnsiToWide(const char* text) {
  if (text == nullptr) return std::wstring();
  int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (size <= 1) return std::wstring();
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &result[0], size);
  result.resize(static_cast<size_t>(size - 1));
  return result;
}

std::string DisplayNameOf(IMoniker* moniker) {
  LPOLESTR wide = nullptr;
  if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &wide)) || wide == nullptr) return {};
  std::string name = WideToAnsi(wide);
  CoTaskMemFree(wide);
  return name;
}

}  // namespace kvo
