#include "camapp_e2e_support.h"

#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "bitmap_target.h"
#include "snapshot_image.h"

namespace kvo::test {

const wchar_t kCameraInterface[] =
    L"\\\\?\\USB#VID_FEED&PID_CAFE#SIMCAM0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const wchar_t kOtherInterface[] =
    L"\\\\?\\USB#VID_FEED&PID_BEEF#SIMCAM0002#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

namespace {

constexpr char kDriverKey[] = "SOFTWARE\\CAMDRV\\USBCAM\\CAMSTD";

std::string BuildFolder() {
  std::string bin = BinDir();
  const std::size_t cut = bin.find_last_of('\\');
  return cut == std::string::npos ? bin : bin.substr(0, cut);
}

// Wine's start.exe, which also runs Unix programs (/unix).
std::string StartProgramPath() {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  return std::string(system) + "\\start.exe";
}

std::string InstanceKeyPath() {
  auto index = ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, "InstanceIndex");
  if (!index || !index->AsDword()) return std::string();
  char name[16];
  std::snprintf(name, sizeof name, "ii%04u", static_cast<unsigned>(*index->AsDword()));
  auto path = ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, name);
  if (!path || path->AsText().size() <= 18) return std::string();
  return path->AsText().substr(18);
}

struct ChildQuery {
  const char* class_name;
  std::string text;
  bool match_text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM lparam) {
  auto* query = reinterpret_cast<ChildQuery*>(lparam);
  if (query->class_name != nullptr && _stricmp(ClassName(window).c_str(), query->class_name) != 0) {
    return TRUE;
  }
  if (query->match_text && WindowText(window) != query->text) return TRUE;
  query->found = window;
  return FALSE;
}

HWND FindChild(HWND parent, const char* class_name, const std::string* text) {
  ChildQuery query{class_name, text ? *text : std::string(), text != nullptr, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

}  // namespace

std::string AppStatus() {
  auto value = ReadValue(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK");
  return value ? value->AsText() : std::string("<missing>");
}

std::string ArtefactPath(const std::string& file) {
  const std::string folder = BuildFolder() + "\\artefacts";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + file;
}

void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string FreshFolder(const std::string& name) {
  const std::string root = BuildFolder() + "\\camapp-e2e";
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string folder = root + "\\" + name;
  RemoveFolderTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

Process StartKvoMain(const std::string& word, HWND* main_window) {
  WriteText(HKEY_CURRENT_USER, kSettingsPath, "AppStatusOK", "Q", false);
  Process process = StartProgram(kKvoMain, word);
  *main_window = nullptr;
  if (!process.started()) return process;
  if (WaitUntil([] { return AppStatus() == "Y"; }, kStartTimeout)) {
    *main_window = FindTopWindow(kMainClass, nullptr, process.id());
  }
  return process;
}

bool Relay(const std::string& word) {
  auto code = RunProgram(kKvoMain, word, 60000);
  return code && *code == 0;
}

void EndKvoMain(Process& process) {
  if (!process.started()) return;
  if (process.Running()) RunProgram(kKvoMain, "Close", 15000);
  if (!process.Wait(20000)) process.Kill();
}

HWND PanelOf(HWND main_window) { return FindChild(main_window, kPanelClass, nullptr); }

std::string PanelCaption(HWND main_window) {
  HWND panel = PanelOf(main_window);
  return panel ? WindowText(panel) : std::string("<no panel>");
}

SIZE WindowSizeOf(HWND window) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

SIZE ClientSizeOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right, client.bottom};
}

HWND SettingWindow(DWORD process_id) { return FindTopWindow(kSettingClass, nullptr, process_id); }

HWND PathEditOf(HWND setting_window, const std::string& current_text) {
  return FindChild(setting_window, "Edit", &current_text);
}

HWND CheckBoxOf(HWND setting_window, const char* caption) {
  const std::string text = caption;
  return FindChild(setting_window, "Button", &text);
}

std::string AnswerMessageBox(const char* caption, DWORD process_id, DWORD timeout_ms) {
  HWND box = WaitForMessageBox(caption, timeout_ms, process_id);
  if (box == nullptr) return "<none>";
  const std::string text = MessageBoxText(box);
  PressButton(box, IDOK);
  WaitUntil([box] { return !IsWindow(box); }, 5000);
  return text;
}

int OpenBoxes(const char* caption, DWORD process_id) {
  struct Count {
    const char* caption;
    DWORD process_id;
    int boxes;
  } count{caption, process_id, 0};
  EnumWindows(
      [](HWND window, LPARAM lparam) -> BOOL {
        auto* c = reinterpret_cast<Count*>(lparam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == c->process_id && IsWindowVisible(window) && ClassName(window) == "#32770" &&
            WindowText(window) == c->caption) {
          ++c->boxes;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.boxes;
}

BoxWatch WatchBoxes(const char* caption, DWORD process_id, DWORD first_timeout_ms,
                    DWORD watch_ms) {
  BoxWatch watch;
  watch.box = WaitForMessageBox(caption, first_timeout_ms, process_id);
  if (watch.box == nullptr) return watch;
  watch.text = MessageBoxText(watch.box);
  // Watching is the point here: all the time given, never stopping early.
  WaitUntil([&] {
    watch.most_boxes = std::max(watch.most_boxes, OpenBoxes(caption, process_id));
    return false;
  }, watch_ms);
  return watch;
}

bool SaveScreenshot(HWND window, const std::string& path) {
  // The X server holds what the screen shows (the video renderer draws there, not into a
  // device context the platform can read back), so ImageMagick's import takes the picture.
  RECT bounds{};
  if (!GetWindowRect(window, &bounds) || path.size() < 3 || path[1] != ':') return false;
  std::string unix_path = path.substr(2);
  for (char& c : unix_path) c = c == '\\' ? '/' : c;
  char geometry[64];
  std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", bounds.right - bounds.left,
                bounds.bottom - bounds.top, bounds.left, bounds.top);
  DeleteFileA(path.c_str());
  // start.exe neither waits for a Unix program nor passes on its exit code: the file tells.
  RunProgram(StartProgramPath(),
             std::string("/wait /unix /usr/bin/import -window root -crop ") + geometry + " \"" +
                 unix_path + "\"",
             30000);
  return WaitForFile(path, 15000);
}

std::optional<DecodedJpeg> DecodeJpegFile(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  if (!bytes || bytes->size() < 4) return std::nullopt;
  DecodedJpeg decoded;
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes->data(), static_cast<unsigned long>(bytes->size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  decoded.jfif = info.saw_JFIF_marker;
  decoded.progressive = info.progressive_mode;
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  decoded.components = info.num_components;
  decoded.bitmap.Resize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = decoded.bitmap.Row(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return decoded;
}

std::optional<Bitmap24> ReadDriverStill() {
  auto bytes = ReadFileBytes("C:\\SimCam\\Snapshot.raw");
  if (!bytes) return std::nullopt;
  Bitmap24 still;
  BitmapTarget target(still);
  if (!cm::LoadSnapshot(bytes->data(), bytes->size(), target)) return std::nullopt;
  return still;
}

double MeanDifference(const Bitmap24& a, const Bitmap24& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.empty()) return -1;
  double total = 0;
  for (int y = 0; y < a.height(); ++y) {
    const uint8_t* row_a = a.Row(y);
    const uint8_t* row_b = b.Row(y);
    for (int x = 0; x < a.width() * 3; ++x) total += std::abs(row_a[x] - row_b[x]);
  }
  return total / (static_cast<double>(a.width()) * a.height() * 3);
}

DWORD SnapshotState() {
  const std::string instance = InstanceKeyPath();
  if (instance.empty()) return 0;
  auto value = ReadValue(HKEY_LOCAL_MACHINE, instance, "SnapShotState");
  return value && value->AsDword() ? *value->AsDword() : 0;
}

LRESULT SendDeviceInterfaceChange(HWND window, WPARAM event, const std::wstring& name) {
  std::vector<uint8_t> record(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) +
                              (name.size() + 1) * sizeof(wchar_t));
  auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
  header->dbcc_size = static_cast<DWORD>(record.size());
  header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  header->dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2,
                            {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
  std::memcpy(header->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(header),
                      SMTO_NORMAL, 30000, &result);
  return static_cast<LRESULT>(result);
}

}  // namespace kvo::test
