// simctl.exe and the camera shared between processes: exclusive use, hold, power with the
// USB broadcast, the still settings, the record printed by "log", the button.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "driver_records.h"
#include "driver_state.h"
#include "e2e.h"
#include "graph_rig.h"
#include "simcam_control.h"
#include "unique_resource.h"

namespace kvo::simcam {
namespace {

constexpr DWORD kProgramTimeoutMs = 30000;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::optional<DWORD> Simctl(const std::string& arguments) {
  return test::RunProgram("simctl.exe", arguments, kProgramTimeoutMs);
}

// Runs a program and returns what it printed (stdout), or nullopt when it did not end.
std::optional<std::string> SimctlOutput(const std::string& arguments, DWORD* code) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return std::nullopt;
  UniqueHandle reader(read_end), writer(write_end);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  std::string command = "\"" + test::BinPath("simctl.exe") + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      test::BinDir().c_str(), &startup, &info))
    return std::nullopt;
  UniqueHandle process(info.hProcess), thread(info.hThread);
  writer.reset();
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read_end, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    output.append(buffer, got);
  if (WaitForSingleObject(process.get(), kProgramTimeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  GetExitCodeProcess(process.get(), code);
  return output;
}

class SimctlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    ASSERT_TRUE(ResetCamera());
  }
  void TearDown() override {
    test::KillAll("simcam_test_helper.exe");
    ResetCamera();
  }

  ComApartment apartment_;
};

TEST_F(SimctlTest, SecondProcessCannotStreamWhileTheFirstDoes) {
  test::Process other = test::StartProgram("simcam_test_helper.exe", "stream 5000");
  ASSERT_TRUE(other.started());
  ASSERT_TRUE(test::WaitUntil([] { return InUse(); }, 15000)) << "the other process streams";
  {
    rig::GraphRig graph;
    ASSERT_EQ(S_OK, graph.Create()) << "binding is allowed";
    const HRESULT preview = graph.RenderPreview();
    EXPECT_TRUE(FAILED(preview)) << "preview while in use: " << Hex(preview);
    const HRESULT grabber = graph.AddGrabber();
    EXPECT_TRUE(FAILED(grabber)) << "capture while in use: " << Hex(grabber);
  }
  DWORD code = 99;
  ASSERT_TRUE(other.Wait(kProgramTimeoutMs, &code));
  EXPECT_EQ(0u, code) << "the first process streamed throughout";
  EXPECT_FALSE(InUse());

  // And the other way round: while this process streams, the helper cannot.
  rig::GraphRig graph;
  ASSERT_EQ(S_OK, graph.Create());
  HRESULT hr = graph.AddGrabber();
  ASSERT_EQ(S_OK, hr) << Hex(hr);
  ASSERT_TRUE(SUCCEEDED(hr = graph.Run())) << Hex(hr);
  test::Process second = test::StartProgram("simcam_test_helper.exe", "stream 500");
  ASSERT_TRUE(second.started());
  while (second.Running()) rig::PumpMessages(50);
  second.Wait(0, &code);
  EXPECT_EQ(3u, code) << "the helper could not build its graph";
  EXPECT_GT(graph.counter().frames(), 0);
}

TEST_F(SimctlTest, HoldKeepsEveryGraphFromTheCamera) {
  ASSERT_EQ(0u, Simctl("hold").value_or(99));
  EXPECT_TRUE(IsHeld());
  {
    rig::GraphRig graph;
    ASSERT_EQ(S_OK, graph.Create());
    const HRESULT hr = graph.RenderPreview();
    EXPECT_TRUE(FAILED(hr)) << "preview while held: " << Hex(hr);
  }
  ASSERT_EQ(0u, Simctl("release").value_or(99));
  rig::GraphRig graph;
  ASSERT_EQ(S_OK, graph.Create());
  EXPECT_EQ(S_OK, graph.RenderPreview());
}

// A window of this process registered for USB device-interface events, noting each one with
// the UTF-16 name the wide record carries at byte 28.
std::vector<std::string> received;

std::string EventWord(WPARAM event) {
  switch (event) {
    case DBT_DEVICEARRIVAL: return "arrival";
    case DBT_DEVICEQUERYREMOVE: return "query-remove";
    case DBT_DEVICEREMOVECOMPLETE: return "removal";
  }
  return "other";
}

LRESULT CALLBACK NoteDeviceChange(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DEVICECHANGE && lparam != 0) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lparam);
    if (header->dbcc_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
      const size_t room = (header->dbcc_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) / 2;
      std::string name;
      for (size_t i = 0; i < room && header->dbcc_name[i] != 0; ++i)
        name.push_back(header->dbcc_name[i] < 128 ? static_cast<char>(header->dbcc_name[i]) : '?');
      received.push_back(EventWord(wparam) + " " + name);
    }
    return TRUE;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(SimctlTest, RegisteredWindowsOfEveryProcessGetTheWideRecordForOffQueryAndOn) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = NoteDeviceChange;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"SimctlTestWindow";
  RegisterClassW(&window_class);
  HWND window = CreateWindowW(L"SimctlTestWindow", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2,
                           {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
  HDEVNOTIFY registration =
      RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(nullptr, registration);
  received.clear();
  const std::string file = test::BinDir() + "\\simctl_broadcast.txt";
  DeleteFileA(file.c_str());
  test::Process listener = test::StartProgram("simcam_test_helper.exe", "listen 60000 \"" + file + "\"");
  ASSERT_TRUE(listener.started());
  ASSERT_NE(nullptr, test::WaitForWindow("SimCamListener", nullptr, 15000));
  // The helper registers on its window thread after the window exists: its first line says so.
  ASSERT_TRUE(test::WaitUntil([&] { return test::FileExists(file); }, 15000));

  auto run_pumping = [](const char* arguments) {
    test::Process simctl = test::StartProgram("simctl.exe", arguments);
    DWORD code = 99;
    while (simctl.started() && simctl.Running()) rig::PumpMessages(20);
    simctl.Wait(0, &code);
    return code;
  };
  auto lines_of = [&file] {
    std::vector<std::string> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
  };
  EXPECT_EQ(0u, run_pumping("query-remove"));
  EXPECT_TRUE(IsPowered()) << "a query changes nothing";
  EXPECT_EQ(0u, run_pumping("off"));
  EXPECT_FALSE(IsPowered());
  EXPECT_FALSE(test::ReadValue(HKEY_LOCAL_MACHINE, kSimCamKeyPath, kPoweredOnValue)
                   ->AsDword()
                   .value_or(1));
  auto camera_listed = [] {
    for (const auto& device : rig::ListVideoDevices())
      if (device.display_name.find(kProductString) != std::string::npos) return true;
    return false;
  };
  EXPECT_FALSE(camera_listed()) << "the camera left the category";
  EXPECT_EQ(0u, run_pumping("on"));
  EXPECT_TRUE(IsPowered());
  EXPECT_TRUE(camera_listed());
  // The platform hands the events over on its own threads: wait for all three.
  EXPECT_TRUE(test::WaitUntil([&] {
    rig::PumpMessages(20);
    return received.size() >= 3 && lines_of().size() >= 4;
  }, 15000)) << "here " << received.size() << ", there " << lines_of().size();
  // The fallback, a broadcast of the same wide record, reaches both windows whole too.
  EXPECT_GE(BroadcastRecord(DeviceEvent::kRemoveComplete, InterfaceRecord(kDeviceInterfaceName),
                            5000),
            2);
  EXPECT_TRUE(test::WaitUntil([&] {
    rig::PumpMessages(20);
    return received.size() >= 4 && lines_of().size() >= 5;
  }, 15000)) << "broadcast: here " << received.size() << ", there " << lines_of().size();
  UnregisterDeviceNotification(registration);
  DestroyWindow(window);
  listener.Kill();

  const std::string name = kDeviceInterfaceName;
  ASSERT_EQ(4u, received.size());
  EXPECT_EQ("query-remove " + name, received[0]);
  EXPECT_EQ("removal " + name, received[1]);
  EXPECT_EQ("arrival " + name, received[2]);
  EXPECT_EQ("removal " + name, received[3]);
  const std::vector<std::string> lines = lines_of();
  ASSERT_EQ(5u, lines.size());
  EXPECT_EQ("removal " + name, lines[4]);
  EXPECT_EQ("registered", lines[0]);
  EXPECT_EQ("query-remove " + name, lines[1]) << "the other process got the name intact";
  EXPECT_EQ("removal " + name, lines[2]);
  EXPECT_EQ("arrival " + name, lines[3]);
}

TEST_F(SimctlTest, SetChangesStillsAndPreviewPinAndRefusesNonsense) {
  EXPECT_EQ(0u, Simctl("set still-format planar").value_or(99));
  EXPECT_EQ(StillFormat::kPlanar, GetStillFormat());
  EXPECT_EQ(0u, Simctl("set still-size 176x144").value_or(99));
  EXPECT_EQ(176u, ReadSimCamDword(kStillWidthValue).value_or(0));
  EXPECT_EQ(0u, Simctl("set preview off").value_or(99));
  EXPECT_FALSE(PreviewPinPresent());
  {
    Microsoft::WRL::ComPtr<IBaseFilter> camera;
    ASSERT_EQ(S_OK, rig::BindCamera(kProductString, &camera));
    Microsoft::WRL::ComPtr<IPin> preview;
    EXPECT_EQ(VFW_E_NOT_FOUND, camera->FindPin(L"Preview", preview.GetAddressOf()));
  }
  for (const char* wrong : {"", "jump", "set still-size 10x10", "set still-size 99999999x1",
                            "set still-format jpeg", "set preview maybe", "press now"})
    EXPECT_EQ(2u, Simctl(wrong).value_or(99)) << "\"" << wrong << "\"";
  EXPECT_EQ(StillFormat::kPlanar, GetStillFormat()) << "a refused command changes nothing";
}

TEST_F(SimctlTest, LogPrintsTheRecordAndClearsIt) {
  {
    Microsoft::WRL::ComPtr<IBaseFilter> camera;
    ASSERT_EQ(S_OK, rig::BindCamera(kProductString, &camera));
    Microsoft::WRL::ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(S_OK, camera.As(&properties));
    NumericRecord record = {};
    record.head.flags = kRecordFlagSet;
    record.value = 42;
    const GUID image = {0xD80AF729, 0x7C23, 0x4E10, {0xBC, 0x5F, 0x1D, 0x8C, 0x15, 0x7F, 0x96, 0xE3}};
    ASSERT_EQ(S_OK, properties->Set(image, 2, &record, sizeof(record), &record, sizeof(record)));
  }
  DWORD code = 99;
  const auto output = SimctlOutput("log", &code);
  ASSERT_TRUE(output);
  EXPECT_EQ(0u, code);
  EXPECT_EQ("set\tIMAGE\t2\t2\t40\t40\t42\t-1\t0\t\r\n", *output);
  EXPECT_TRUE(ReadPropertyCalls().empty());
  EXPECT_EQ("", SimctlOutput("log", &code).value_or("?"));
}

TEST_F(SimctlTest, PressTakesAStillOnlyInTriggerMode) {
  EXPECT_EQ(1u, Simctl("press").value_or(99));
  ASSERT_TRUE(WriteSimCamDword(kTriggerModeValue, 1));
  EXPECT_EQ(0u, Simctl("press").value_or(99));
  const auto state = test::ReadValue(HKEY_LOCAL_MACHINE, InstanceKeyPath(), "SnapShotState");
  ASSERT_TRUE(state);
  EXPECT_EQ(3u, state->AsDword().value_or(0));
  const auto name = test::ReadValue(HKEY_LOCAL_MACHINE, InstanceKeyPath(), "SnapShotFileName");
  ASSERT_TRUE(name);
  EXPECT_TRUE(test::FileExists("C:\\" + name->AsText()));
}

}  // namespace
}  // namespace kvo::simcam
