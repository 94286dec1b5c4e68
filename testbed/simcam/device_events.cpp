#include "device_events.h"

#include <dbt.h>
#include <rpc.h>
#include <rpcdcep.h>

#include <cstddef>
#include <cstring>

#include "simcam_names.h"
#include "unique_resource.h"

namespace kvo::simcam {
namespace {

// Wine's plug-and-play service: interface plugplay {57c680ac-7bce-4f39-97fd-ffea566754d5}
// version 0.0 on the local pipe \pipe\wine_plugplay. Its fourth procedure,
// plugplay_send_event(DWORD code, [size_is(size)] const BYTE *data, unsigned int size), is
// what the kernel side calls when a device interface is switched on or off.
constexpr char kPlugPlayProtocol[] = "ncacn_np";
constexpr char kPlugPlayEndpoint[] = "\\pipe\\wine_plugplay";
constexpr char kPlugPlayServiceName[] = "PlugPlay";
constexpr unsigned kSendEventProcedure = 3;
constexpr DWORD kServiceStartWaitMs = 10000;
constexpr size_t kLongestName = 511;

const RPC_CLIENT_INTERFACE kPlugPlayInterface = {
    sizeof(RPC_CLIENT_INTERFACE),
    {{0x57c680ac, 0x7bce, 0x4f39, {0x97, 0xfd, 0xff, 0xea, 0x56, 0x67, 0x54, 0xd5}}, {0, 0}},
    // The NDR transfer syntax, version 2.0.
    {{0x8a885d04, 0x1ceb, 0x11c9, {0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60}}, {2, 0}},
    nullptr, 0, nullptr, 0, nullptr, 0};

// GUID_DEVINTERFACE_USB_DEVICE, the class the interface name ends with.
constexpr GUID kUsbDeviceInterfaceClass = {0xA5DCBF10, 0x6530, 0x11D2,
                                           {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

class RpcBinding {
 public:
  RpcBinding() {
    RPC_CSTR text = nullptr;
    status_ = RpcStringBindingComposeA(
        nullptr, reinterpret_cast<RPC_CSTR>(const_cast<char*>(kPlugPlayProtocol)), nullptr,
        reinterpret_cast<RPC_CSTR>(const_cast<char*>(kPlugPlayEndpoint)), nullptr, &text);
    if (status_ != RPC_S_OK) return;
    status_ = RpcBindingFromStringBindingA(text, &handle_);
    RpcStringFreeA(&text);
  }
  ~RpcBinding() {
    if (handle_ != nullptr) RpcBindingFree(&handle_);
  }
  RpcBinding(const RpcBinding&) = delete;
  RpcBinding& operator=(const RpcBinding&) = delete;
  RPC_BINDING_HANDLE get() const { return handle_; }
  RPC_STATUS status() const { return status_; }

 private:
  RPC_BINDING_HANDLE handle_ = nullptr;
  RPC_STATUS status_ = RPC_S_OK;
};

// The service runs once the prefix has started; a fresh prefix may still be starting it.
void EnsurePlugPlayServiceRunning() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return;
  SC_HANDLE service = OpenServiceA(manager, kPlugPlayServiceName,
                                   SERVICE_START | SERVICE_QUERY_STATUS);
  if (service != nullptr) {
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING) {
      StartServiceA(service, 0, nullptr);
      const DWORD start = GetTickCount();
      while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING &&
             GetTickCount() - start < kServiceStartWaitMs)
        Sleep(50);
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

void Put32(std::vector<uint8_t>& buffer, uint32_t value) {
  while (buffer.size() % 4 != 0) buffer.push_back(0);
  const size_t at = buffer.size();
  buffer.resize(at + 4);
  std::memcpy(buffer.data() + at, &value, 4);
}

// The request in NDR: the code, the conformant byte array (its count, then the bytes),
// the size, each 32-bit value 4-aligned.
std::vector<uint8_t> MarshalSendEvent(DeviceEvent event, const std::vector<uint8_t>& record) {
  std::vector<uint8_t> buffer;
  Put32(buffer, static_cast<uint32_t>(event));
  Put32(buffer, static_cast<uint32_t>(record.size()));
  buffer.insert(buffer.end(), record.begin(), record.end());
  Put32(buffer, static_cast<uint32_t>(record.size()));
  return buffer;
}

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<uint8_t> InterfaceRecord(const char* interface_name) {
  const size_t length = interface_name == nullptr ? 0 : strnlen(interface_name, kLongestName);
  const size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (length + 1) * 2;
  std::vector<uint8_t> record(size, 0);
  DEV_BROADCAST_DEVICEINTERFACE_W header = {};
  header.dbcc_size = static_cast<DWORD>(size);
  header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  header.dbcc_classguid = kUsbDeviceInterfaceClass;
  std::memcpy(record.data(), &header, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name));
  uint8_t* name = record.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  // Interface names are ASCII: each character becomes one UTF-16 code unit.
  for (size_t i = 0; i < length; ++i) name[i * 2] = static_cast<uint8_t>(interface_name[i]);
  return record;
}

long SendThroughPlugPlayService(DeviceEvent event, const std::vector<uint8_t>& record) {
  EnsurePlugPlayServiceRunning();
  RpcBinding binding;
  if (binding.status() != RPC_S_OK) return binding.status();
  const std::vector<uint8_t> request = MarshalSendEvent(event, record);
  RPC_MESSAGE message = {};
  message.Handle = binding.get();
  message.DataRepresentation = NDR_LOCAL_DATA_REPRESENTATION;
  message.ProcNum = kSendEventProcedure;
  message.RpcInterfaceInformation = const_cast<RPC_CLIENT_INTERFACE*>(&kPlugPlayInterface);
  message.BufferLength = static_cast<unsigned>(request.size());
  RPC_STATUS status = I_RpcGetBuffer(&message);
  if (status != RPC_S_OK) return status;
  std::memcpy(message.Buffer, request.data(), request.size());
  status = I_RpcSendReceive(&message);
  if (status == RPC_S_OK) I_RpcFreeBuffer(&message);
  return status;
}

int BroadcastRecord(DeviceEvent event, const std::vector<uint8_t>& record, DWORD timeout_ms) {
  std::vector<HWND> windows;
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
  int reached = 0;
  for (HWND window : windows) {
    DWORD_PTR result = 0;
    // The wide call: Wine marshals the whole record (dbcc_size bytes) to other processes.
    if (SendMessageTimeoutW(window, WM_DEVICECHANGE, static_cast<WPARAM>(event),
                            reinterpret_cast<LPARAM>(record.data()),
                            SMTO_ABORTIFHUNG | SMTO_NORMAL, timeout_ms, &result))
      ++reached;
  }
  return reached;
}

DeliveryResult AnnounceDeviceEvent(DeviceEvent event, DWORD timeout_ms,
                                   const char* interface_name) {
  const std::vector<uint8_t> record =
      InterfaceRecord(interface_name != nullptr ? interface_name : kDeviceInterfaceName);
  DeliveryResult result;
  result.service_status = SendThroughPlugPlayService(event, record);
  if (result.service_status == RPC_S_OK) {
    result.path = DeliveryPath::kPlugPlayService;
    return result;
  }
  result.path = DeliveryPath::kBroadcast;
  result.windows = BroadcastRecord(event, record, timeout_ms);
  return result;
}

const char* DeliveryPathName(DeliveryPath path) {
  return path == DeliveryPath::kPlugPlayService ? "plug-and-play service" : "broadcast";
}

}  // namespace kvo::simcam
