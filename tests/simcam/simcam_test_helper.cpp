// A second application for the simulated camera's tests:
//   simcam_test_helper stream MS        streams from the camera for MS milliseconds; exit 0
//                                       with frames, 3 when the graph could not be built
//                                       (camera in use), 4 without frames
//   simcam_test_helper listen MS FILE   a top-level window of class "SimCamListener" that
//                                       writes each USB device-interface arrival or removal
//                                       ("arrival NAME" / "removal NAME") to FILE
#include <windows.h>
#include <dbt.h>

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

void Note(const char* what, const DEV_BROADCAST_HDR* header) {
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
  const size_t room = header->dbch_size > sizeof(*device) - 1
                          ? header->dbch_size - (sizeof(*device) - 1)
                          : 0;
  const std::string name(device->dbcc_name, strnlen(device->dbcc_name, room));
  FILE* file = std::fopen(listen_file, "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s %s\n", what, name.c_str());
  std::fclose(file);
}

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DEVICECHANGE) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lparam);
    if (wparam == DBT_DEVICEARRIVAL) Note("arrival", header);
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
  rig::PumpMessages(milliseconds);
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
