#include "device_operations.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <functional>
#include <vector>

#include "script.h"
#include "script_run.h"
#include "text.h"
#include "unique_resource.h"

namespace kvo::fitdrv {
namespace {

constexpr char kEnumerationRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr std::size_t kKeyNameBytes = 512;
constexpr DWORD kKeyWalkAccess = DELETE | KEY_ENUMERATE_SUB_KEYS;

bool FileExists(const std::string& path) {
  if (path.empty() || path.size() >= MAX_PATH) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WorkingDirectory() {
  char directory[MAX_PATH] = {};
  DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return directory;
}

bool HardwareIdListHolds(const std::vector<char>& list, const std::string& hardware_id) {
  for (const std::string& entry : HardwareIdEntries(list.data(), list.size())) {
    // lstrcmpi compares in the system's code page, multibyte characters included.
    if (lstrcmpiA(entry.c_str(), hardware_id.c_str()) == 0) return true;
  }
  return false;
}

enum class ListRead { kRead, kNoList, kFailed };

ListRead ReadHardwareIdList(HDEVINFO set, SP_DEVINFO_DATA& device, std::vector<char>& list) {
  DWORD size = 0;
  if (SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0,
                                        &size)) {
    return ListRead::kNoList;  // an empty property holds no id
  }
  DWORD error = GetLastError();
  if (error == ERROR_INVALID_DATA || error == ERROR_FILE_NOT_FOUND) return ListRead::kNoList;
  if (error != ERROR_INSUFFICIENT_BUFFER || size == 0) return ListRead::kFailed;
  // Two spare zero bytes end the list even when the stored value lacks its final NULs.
  list.assign(static_cast<std::size_t>(size) + 2, '\0');
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                         reinterpret_cast<BYTE*>(list.data()), size, nullptr)) {
    return ListRead::kFailed;
  }
  return ListRead::kRead;
}

enum class Search { kFound, kNotFound, kFailed };

// Calls on_match for every present device whose hardware-id list holds the id, in the
// platform's order, until on_match returns false.
Search ForEachMatchingDevice(const std::string& hardware_id,
                             const std::function<bool(HDEVINFO, SP_DEVINFO_DATA&)>& on_match) {
  UniqueHDevInfo set(SetupDiGetClassDevsA(nullptr, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set) return Search::kFailed;
  Search result = Search::kNotFound;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  std::vector<char> list;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
    ListRead read = ReadHardwareIdList(set.get(), device, list);
    if (read == ListRead::kFailed) return Search::kFailed;
    if (read == ListRead::kNoList || !HardwareIdListHolds(list, hardware_id)) continue;
    result = Search::kFound;
    if (!on_match(set.get(), device)) break;
  }
  return result;
}

using UpdateDriverFunction = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

// The driver-update function is taken from the new-device library when it is needed.
bool UpdateDriver(const std::string& hardware_id, const char* inf_path) {
  UniqueHModule newdev(LoadLibraryA("newdev.dll"));
  if (!newdev) return false;
  FARPROC address = GetProcAddress(newdev.get(), "UpdateDriverForPlugAndPlayDevicesA");
  if (address == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  auto update = reinterpret_cast<UpdateDriverFunction>(reinterpret_cast<void (*)()>(address));
  // A needed restart is the script's business (its boot command).
  BOOL restart_needed = FALSE;
  return update(nullptr, hardware_id.c_str(), inf_path, INSTALLFLAG_FORCE, &restart_needed) !=
         FALSE;
}

struct SidDeleter {
  void operator()(PSID sid) const { FreeSid(sid); }
};
using UniqueSid = UniqueResource<NullIsInvalid<PSID, SidDeleter>>;

// The access list given to every key before deletion: INTERACTIVE may read,
// Administrators may do everything.
class KeyAccessRule {
 public:
  KeyAccessRule() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt_authority, 1, SECURITY_INTERACTIVE_RID, 0, 0, 0, 0, 0,
                                  0, 0, interactive_.put()) ||
        !AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators_.put())) {
      return;
    }
    // 24 bytes: the list head and two entries without their SID's first DWORD.
    DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                 GetLengthSid(interactive_.get()) + GetLengthSid(administrators_.get());
    acl_.assign(size, 0);
    PACL acl = reinterpret_cast<PACL>(acl_.data());
    ready_ = InitializeAcl(acl, size, ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, interactive_.get()) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, administrators_.get()) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
  }
  KeyAccessRule(const KeyAccessRule&) = delete;
  KeyAccessRule& operator=(const KeyAccessRule&) = delete;

  LONG ApplyTo(HKEY root, const std::string& path) {
    if (!ready_) return ERROR_INVALID_SECURITY_DESCR;
    UniqueHKey key;
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, key.put());
    if (result != ERROR_SUCCESS) return result;
    return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor_);
  }

 private:
  UniqueSid interactive_;
  UniqueSid administrators_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_ = {};
  bool ready_ = false;
};

// The name of a key's subkey by index, with the enumeration's status.
LONG SubkeyName(HKEY key, DWORD index, std::string* name) {
  char buffer[kKeyNameBytes] = {};
  DWORD size = sizeof(buffer);
  const LONG result = RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
  name->assign(buffer, size < sizeof(buffer) ? size : 0);
  return result;
}

// The rule goes to every key below path, each parent before its children.
void ApplyRuleBelow(KeyAccessRule& rule, HKEY root, const std::string& path) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, kKeyWalkAccess, key.put()) != ERROR_SUCCESS) return;
  std::string name;
  for (DWORD index = 0; SubkeyName(key.get(), index, &name) == ERROR_SUCCESS; ++index) {
    const std::string child = path + "\\" + name;
    rule.ApplyTo(root, child);
    ApplyRuleBelow(rule, root, child);
  }
}

}  // namespace

DeviceChangeCalls PlatformDeviceChangeCalls() {
  DeviceChangeCalls calls;
  calls.set_class_install_params = SetupDiSetClassInstallParamsA;
  calls.call_class_installer = SetupDiCallClassInstaller;
  calls.update_driver = UpdateDriver;
  return calls;
}

std::string EnumerationKeyPath(const std::string& hardware_id) {
  return kEnumerationRoot + hardware_id;
}

LONG ApplyKeyAccessRule(HKEY root, const std::string& path) {
  KeyAccessRule rule;
  LONG result = rule.ApplyTo(root, path);
  ApplyRuleBelow(rule, root, path);
  // Once more at the top, after the walk has passed through it.
  LONG last = rule.ApplyTo(root, path);
  return result != ERROR_SUCCESS ? result : last;
}

LONG DeleteKeyTree(HKEY parent, const std::string& name) {
  if (name.empty()) return ERROR_BADKEY;
  {
    UniqueHKey key;
    LONG result = RegOpenKeyExA(parent, name.c_str(), 0, kKeyWalkAccess, key.put());
    if (result != ERROR_SUCCESS) return result;
    std::string child;
    while ((result = SubkeyName(key.get(), 0, &child)) != ERROR_NO_MORE_ITEMS) {
      if (result != ERROR_SUCCESS) return result;
      // A child that cannot go ends this branch; taking it again would never end.
      result = DeleteKeyTree(key.get(), child);
      if (result != ERROR_SUCCESS) return result;
    }
  }
  return RegDeleteKeyA(parent, name.c_str());
}

bool DeviceOperations::LocateInf(const std::string& inf_name) {
  std::string first;
  if (inf_name.size() >= 2 && inf_name[1] == ':') {
    first = inf_name;
  } else {
    std::string directory = WorkingDirectory();
    bool drive_root = !directory.empty() && directory.back() == '\\';
    first = directory + (drive_root ? "" : "\\") + inf_name;
  }
  const std::string candidates[] = {first, windows_dir_ + "\\inf\\" + inf_name,
                                    windows_dir_ + "\\" + inf_name};
  for (const std::string& candidate : candidates) {
    if (FileExists(candidate)) {
      CopyBounded(inf_path_, sizeof(inf_path_), candidate.c_str());
      return true;
    }
  }
  return false;
}

bool DeviceOperations::IsDevicePresent(const std::string& hardware_id) const {
  return ForEachMatchingDevice(hardware_id, [](HDEVINFO, SP_DEVINFO_DATA&) { return false; }) ==
         Search::kFound;
}

bool DeviceOperations::InstallForPresentDevice(const std::string& inf_name,
                                               const std::string& hardware_id) {
  if (!LocateInf(inf_name)) return false;
  if (!IsDevicePresent(hardware_id)) return false;
  return calls_.update_driver(hardware_id, inf_path_);
}

bool DeviceOperations::CreateDeviceAndInstall(const std::string& inf_name,
                                              const std::string& hardware_id) {
  if (!LocateInf(inf_name)) return false;
  GUID class_guid = {};
  char class_name[MAX_CLASS_NAME_LEN] = {};
  if (!SetupDiGetINFClassA(inf_path_, &class_guid, class_name, sizeof(class_name), nullptr)) {
    return false;
  }
  UniqueHDevInfo set(SetupDiCreateDeviceInfoList(&class_guid, nullptr));
  if (!set) return false;

  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  if (!SetupDiCreateDeviceInfoA(set.get(), class_name, &class_guid, nullptr, nullptr,
                                DICD_GENERATE_ID, &device)) {
    return false;
  }
  const std::vector<char> id_list = OneEntryHardwareIdList(hardware_id);
  if (!SetupDiSetDeviceRegistryPropertyA(set.get(), &device, SPDRP_HARDWAREID,
                                         reinterpret_cast<const BYTE*>(id_list.data()),
                                         static_cast<DWORD>(id_list.size()))) {
    return false;
  }
  if (!calls_.call_class_installer(DIF_REGISTERDEVICE, set.get(), &device)) return false;

  if (!calls_.update_driver(hardware_id, inf_path_)) {
    DWORD error = GetLastError();
    // No half-installed device stays behind.
    calls_.call_class_installer(DIF_REMOVE, set.get(), &device);
    SetLastError(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
    return false;
  }
  return true;
}

void DeviceOperations::CopyOemInf(const std::string& inf_name) {
  if (!LocateInf(inf_name)) return;
  char stored[MAX_PATH] = {};
  if (SetupCopyOEMInfA(inf_path_, nullptr, SPOST_PATH, 0, stored, sizeof(stored), nullptr,
                       nullptr)) {
    CopyBounded(oem_inf_name_, sizeof(oem_inf_name_), stored);
  }
}

void DeviceOperations::RemoveMatchingDevices(const std::string& hardware_id) const {
  ForEachMatchingDevice(hardware_id, [this](HDEVINFO set, SP_DEVINFO_DATA& device) {
    calls_.call_class_installer(DIF_REMOVE, set, &device);
    return true;
  });
}

void DeviceOperations::RescanHardware() const {
  DEVINST root = 0;
  if (CM_Locate_DevNodeA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return;
  CM_Reenumerate_DevNode(root, CM_REENUMERATE_SYNCHRONOUS);
}

void DeviceOperations::ChangeStateOfMatchingDevices(const std::string& hardware_id,
                                                    DWORD state) const {
  ForEachMatchingDevice(hardware_id, [this, state](HDEVINFO set, SP_DEVINFO_DATA& device) {
    SP_PROPCHANGE_PARAMS change = {};
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = state;
    change.Scope = DICS_FLAG_CONFIGSPECIFIC;
    change.HwProfile = 0;  // the current profile
    // A device that refuses the change does not keep the others from theirs.
    if (calls_.set_class_install_params(set, &device, &change.ClassInstallHeader,
                                        sizeof(change))) {
      calls_.call_class_installer(DIF_PROPERTYCHANGE, set, &device);
    }
    return true;
  });
}

void DeviceOperations::DeleteEnumerationKey(const std::string& hardware_id) const {
  if (!NamesDeviceBelowEnumerator(hardware_id)) return;
  const std::string path = EnumerationKeyPath(hardware_id);
  bool nt_family = (GetVersion() & 0x80000000u) == 0;
  if (!nt_family) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());  // removes the subkeys too there
    return;
  }
  ApplyKeyAccessRule(HKEY_LOCAL_MACHINE, path);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
}

}  // namespace kvo::fitdrv
