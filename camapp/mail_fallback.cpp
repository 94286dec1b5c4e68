#include "mail_fallback.h"

#include <mapi.h>

#include <cwchar>
#include <string>

#include "unique_resource.h"
#include "wide_text.h"

namespace kvo {
namespace {

// The longest path handed on: what the shell's own calls accept.
constexpr size_t kMaxMailPathChars = MAX_PATH - 1;

// The file name part of a Windows path (after the last backslash or slash).
std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SendFileWithSimpleMapi(HWND owner, const wchar_t* path) {
  if (path == nullptr || path[0] == L'\0') return false;
  if (wcsnlen(path, kMaxMailPathChars + 1) > kMaxMailPathChars) return false;

  // Simple MAPI speaks the ANSI code page; a name that does not survive the conversion
  // would attach another file, or none.
  const std::string ansi_path = WideToAnsi(path);
  if (ansi_path.empty() || AnsiToWide(ansi_path.c_str()) != path) return false;
  const std::string file_name = FileNameOf(ansi_path);
  if (file_name.empty()) return false;

  UniqueHModule mapi(LoadLibraryA("mapi32.dll"));
  if (!mapi) return false;
  auto send_mail = reinterpret_cast<LPMAPISENDMAIL>(
      reinterpret_cast<void*>(GetProcAddress(mapi.get(), "MAPISendMail")));
  if (send_mail == nullptr) return false;

  MapiFileDesc attachment{};
  attachment.nPosition = static_cast<ULONG>(-1);  // not placed inside the text
  attachment.lpszPathName = const_cast<char*>(ansi_path.c_str());
  attachment.lpszFileName = const_cast<char*>(file_name.c_str());

  MapiMessage message{};  // no subject, text or recipient: the user adds them
  message.nFileCount = 1;
  message.lpFiles = &attachment;

  const ULONG result = send_mail(0, reinterpret_cast<ULONG_PTR>(owner), &message,
                                 MAPI_DIALOG | MAPI_LOGON_UI, 0);
  return result == SUCCESS_SUCCESS;
}

}  // namespace kvo
