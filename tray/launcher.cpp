// The text table, the program launcher, the registry editor starts and the errors that
// end the program.
#include <vector>

#include "quickdock_state.h"
#include "resource.h"
#include "text.h"

namespace kvo::tray {

QuickdockState g_quickdock;

const char* Text(int id) {
  if (id < 1 || id > kTextCount) return "";
  return g_quickdock.texts[id];
}

void LoadTexts(HINSTANCE instance) {
  for (int id = 1; id <= kTextCount; ++id) {
    g_quickdock.texts[id][0] = '\0';
    LoadStringA(instance, id, g_quickdock.texts[id], kTextSize);
  }
}

namespace {

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

[[noreturn]] void FatalError(int text_id, const std::string& name) {
  const std::string message = FormatWithName(Text(text_id), name);
  g_quickdock.error_box_shown = true;
  MessageBoxA(nullptr, message.c_str(), Text(IDS_ERROR), MB_OK);
  ExitProcess(1);
}

// CreateProcess may write into the command line, so it gets a private copy.
bool CreateWithCommandLine(const std::string& command_line, DWORD flags, WORD show,
                           PROCESS_INFORMATION* info) {
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  if (show != SW_SHOWDEFAULT) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
  }
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup, info) != FALSE;
}

}  // namespace

void FatalMissing(const std::string& name) { FatalError(IDS_MISSING, name); }
void FatalCannotRun(const std::string& name) { FatalError(IDS_CANNOT_RUN, name); }

bool StartProgram(const char* program, const std::string& argument, bool visible, bool wait) {
  if (g_quickdock.error_box_shown) return false;
  const std::string path = ProgramPath(g_quickdock.prog_path, program);
  if (!FileExists(path)) FatalMissing(path);
  PROCESS_INFORMATION info = {};
  if (!CreateWithCommandLine(LauncherCommandLine(path, argument),
                             visible ? 0 : CREATE_NO_WINDOW, SW_SHOWDEFAULT, &info)) {
    FatalCannotRun(program);
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  // This program runs at idle priority, which its children would otherwise inherit.
  SetPriorityClass(process.get(), NORMAL_PRIORITY_CLASS);
  if (!wait) return true;
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 1;
  return GetExitCodeProcess(process.get(), &code) && code == 0;
}

bool StartRegistryEditor(const std::string& arguments) {
  PROCESS_INFORMATION info = {};
  if (!CreateWithCommandLine("Regedit " + arguments, 0, SW_HIDE, &info)) return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return true;
}

void RestorePrompt() {
  if (MessageBoxA(g_quickdock.main_window, Text(IDS_RESTORE_QUESTION), Text(IDS_ERROR),
                  MB_YESNO) != IDYES) {
    ExitProcess(0);
  }
  StartRegistryEditor("-s CMREG.reg");
}

}  // namespace kvo::tray
