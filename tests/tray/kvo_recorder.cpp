// A stand-in for KVO_MAIN.exe in the tray companion's tests: appends its whole command line
// to "commands.txt" beside itself and ends with 0. Several may run at once, so each line
// is written with one appending write.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  std::string log(path, length);
  log = log.substr(0, log.find_last_of('\\') + 1) + "commands.txt";
  const std::string line = std::string(GetCommandLineA()) + "\r\n";
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Sleep(10);
      continue;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written,
                              nullptr);
    CloseHandle(file);
    return ok && written == line.size() ? 0 : 3;
  }
  return 4;
}
