// simmail.dll: the testbed's mail program. mapi32.dll hands every Simple MAPI call to the
// provider named by HKLM\Software\Clients\Mail (default value: the client's name; its key's
// DLLPath: the provider). This one "sends" a message by copying each attachment into its
// outbox folder, "simmail-outbox" beside the DLL, and appending one line per attachment to
// "messages.log" there:
//   <message number> TAB <flags, hex> TAB <owner window given: 0/1> TAB <subject>
//   TAB <attachment path as given> TAB <name of the copy in the outbox>
// The copy is written before the line, so a reader that sees the line finds the file.
#include <windows.h>
#include <mapi.h>

#include <cstdio>
#include <string>

#include "unique_resource.h"

namespace {

HMODULE g_module = nullptr;
LONG g_message_count = 0;
constexpr ULONG kMaxAttachments = 64;
constexpr size_t kMaxText = 1024;

std::string ModuleFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string folder(path, length);
  const size_t slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

// A field of the log line: bounded, and without the characters that separate fields.
std::string Field(const char* text) {
  if (text == nullptr) return std::string();
  std::string field;
  for (size_t i = 0; text[i] != '\0' && i < kMaxText; ++i) {
    const char c = text[i];
    field += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  return field;
}

// The name the copy gets: the attachment's own file name, else the path's last part.
std::string CopyName(const MapiFileDesc& file) {
  std::string name = Field(file.lpszFileName);
  if (name.empty()) name = Field(file.lpszPathName);
  const size_t slash = name.find_last_of("\\/:");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  return name;
}

bool AppendLine(const std::string& log_path, const std::string& line) {
  kvo::UniqueFileHandle log(CreateFileA(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return false;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  return WriteFile(log.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) &&
         written == text.size();
}

}  // namespace

extern "C" {

ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE session) {
  if (session != nullptr) *session = 1;
  return SUCCESS_SUCCESS;
}

ULONG WINAPI MAPILogoff(LHANDLE, ULONG_PTR, FLAGS, ULONG) { return SUCCESS_SUCCESS; }

ULONG WINAPI MAPISendMail(LHANDLE, ULONG_PTR owner, lpMapiMessage message, FLAGS flags,
                          ULONG) {
  if (message == nullptr) return MAPI_E_FAILURE;
  if (message->nFileCount > kMaxAttachments) return MAPI_E_TOO_MANY_FILES;
  if (message->nFileCount > 0 && message->lpFiles == nullptr) return MAPI_E_ATTACHMENT_NOT_FOUND;

  const std::string folder = ModuleFolder();
  if (folder.empty()) return MAPI_E_FAILURE;
  const std::string outbox = folder + "\\simmail-outbox";
  CreateDirectoryA(outbox.c_str(), nullptr);
  const std::string log_path = outbox + "\\messages.log";

  const LONG number = InterlockedIncrement(&g_message_count);
  char head[64];
  snprintf(head, sizeof head, "%ld\t%08lx\t%d\t", static_cast<long>(number),
           static_cast<unsigned long>(flags), owner != 0 ? 1 : 0);
  const std::string prefix = head + Field(message->lpszSubject) + "\t";

  if (message->nFileCount == 0) {
    return AppendLine(log_path, prefix + "\t") ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& file = message->lpFiles[i];
    const std::string name = CopyName(file);
    if (file.lpszPathName == nullptr || name.empty()) return MAPI_E_ATTACHMENT_NOT_FOUND;
    if (!CopyFileA(file.lpszPathName, (outbox + "\\" + name).c_str(), FALSE)) {
      return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    }
    if (!AppendLine(log_path, prefix + Field(file.lpszPathName) + "\t" + name)) {
      return MAPI_E_FAILURE;
    }
  }
  return SUCCESS_SUCCESS;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

}  // extern "C"
