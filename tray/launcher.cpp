// The text table, the program launcher, the registry editor starts and the errors that
// end the program.
#include <vector>

#include "quickdock.h"
#include "resource.h"

namespace kvo::tray {

namespace {

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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

const char* Quickdock::Text(int id) const {
  if (id < 1 || id > kTextCount) return "";
  return state_.texts[id];
}

void Quickdock::LoadTexts() {
  for (int id = 1; id <= kTextCount; ++id) {
    state_.texts[id][0] = '\0';
    LoadStringA(instance_, id, state_.texts[id], kTextSize);
  }
}

void Quickdock::FatalError(int text_id, const std::string& name) {
  const std::string message = FormatWithName(Text(text_id), name);
  state_.error_box_shown = true;
  MessageBoxA(nullptr, message.c_str(), Text(IDS_ERROR), MB_OK);
  ExitProcess(1);
}

bool Quickdock::StartProgram(const char* program, const std::string& argument, bool visible,
                             bool wait) {
  if (state_.error_box_shown) return false;
  const std::string path = ProgramPath(state_.prog_path, program);
  if (!FileExists(path)) FatalError(IDS_MISSING, path);
  PROCESS_INFORMATION info = {};
  if (!CreateWithCommandLine(LauncherCommandLine(path, argument),
                             visible ? 0 : CREATE_NO_WINDOW, SW_SHOWDEFAULT, &info)) {
    FatalError(IDS_CANNOT_RUN, program);
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

void Quickdock::RestorePrompt() {
  if (MessageBoxA(state_.main_window, Text(IDS_RESTORE_QUESTION), Text(IDS_ERROR),
                  MB_YESNO) != IDYES) {
    ExitProcess(0);
  }
  StartRegistryEditor("-s CMREG.reg");
}

}  // namespace kvo::tray
