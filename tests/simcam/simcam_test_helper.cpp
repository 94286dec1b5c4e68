// A second application for the simulated camera's tests:
//   simcam_test_helper stream MS        streams from the camera for MS milliseconds; exit 0
//                                       with frames, 3 when the graph could not be built
//                                       (camera in use), 4 without frames
//   simcam_test_helper listen MS FILE   a top-level window of class "SimCamListener",
//                                       registered for USB device-interface events with the
//                                       ANSI call (as the tray companion registers), that
//                                       writes "registered", then each arrival, removal query
//                                       or removal ("arrival NAME", "query-remove NAME",
//                                       "removal NAME") with the record's UTF-16 name to FILE
#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graph_rig.h"
#include "unique_resource.h"

namespace {

using namespace kvo::simcam;

const char* listen_file = nullptr;

int Stream(DWORD milliseconds) {
  rig::GraphRig graph;
  HRESULT hr = graph.Create();
  if (SUCCEEDED(hr)) hr = graph.AddGrabber();
  if (SUCCEEDED(hr)) hr = graph.Run();
  if (FAILED(hr)) {
    std::printf("graph failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return 3;
  }
  rig::PumpMessages(milliseconds);
  const long frames = graph.counter().frames();
  std::printf("frames: %ld\n", frames);
  return frames > 0 ? 0 : 4;
}

void WriteLine(const std::string& line) {
  FILE* file = std::fopen(listen_file, "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line.c_str());
  std::fclose(file);
}

// The platform sends the wide record, whichever call registered the window.
void Note(const char* what, const DEV_BROADCAST_HDR* header) {
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  const size_t header_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  const size_t room = header->dbch_size > header_size ? (header->dbch_size - header_size) / 2 : 0;
  std::string name;
  for (size_t i = 0; i < room && device->dbcc_name[i] != 0; ++i)
    name.push_back(device->dbcc_name[i] < 128 ? static_cast<char>(device->dbcc_name[i]) : '?');
  WriteLine(std::string(what) + " " + name);
}

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DEVICECHANGE) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
    if (wparam == DBT_DEVICEARRIVAL) Note("arrival", header);
    if (wparam == DBT_DEVICEQUERYREMOVE) Note("query-remove", header);
    if (wparam == DBT_DEVICEREMOVECOMPLETE) Note("removal", header);
    return TRUE;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int Listen(DWORD milliseconds) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = ListenerProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "SimCamListener";
  if (!RegisterClassA(&window_class)) return 1;
  HWND window = CreateWindowA("SimCamListener", "listener", WS_OVERLAPPED, 0, 0, 50, 50,
                              nullptr, nullptr, window_class.hInstance, nullptr);
  if (window == nullptr) return 1;
  DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2,
                           {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
  HDEVNOTIFY registration =
      RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (registration == nullptr) return 1;
  WriteLine("registered");
  rig::PumpMessages(milliseconds);
  UnregisterDeviceNotification(registration);
  DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  kvo::ComApartment apartment;
  if (argc >= 3 && std::strcmp(argv[1], "stream") == 0)
    return Stream(static_cast<DWORD>(std::atoi(argv[2])));
  if (argc >= 4 && std::strcmp(argv[1], "listen") == 0) {
    listen_file = argv[3];
    return Listen(static_cast<DWORD>(std::atoi(argv[2])));
  }
  std::fprintf(stderr, "usage: simcam_test_helper stream MS | listen MS FILE\n");
  return 2;
}
