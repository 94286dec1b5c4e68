// The camera driver's registry key as the tests set it up: the driver's outputs (instance
// key, snapshot state and name, snapshot file) written directly. The values found in the
// driver key before the test are put back afterwards, so a simulated driver registered in
// the prefix keeps its own instance.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver_records.h"
#include "e2e.h"

namespace kvo::test {

constexpr char kTestInstanceKey[] = "SOFTWARE\\KvoTests\\CamctlInstance";
constexpr DWORD kTestInstanceIndex = 7;
constexpr char kTestInstanceValue[] = "ii0007";
constexpr char kTestSnapshotName[] = "kvocm_snapshot.raw";
constexpr char kTestSnapshotPath[] = "c:\\kvocm_snapshot.raw";

class DriverKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_index_ = ReadValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue);
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue,
                           kTestInstanceIndex));
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kDriverKeyPath, kTestInstanceValue,
                          std::string(kKernelMachinePrefix) + kTestInstanceKey));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue, 3));
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotFileNameValue,
                          kTestSnapshotName));
  }

  void TearDown() override {
    DeleteValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, kTestInstanceValue);
    if (saved_index_) {
      WriteValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue, saved_index_->type,
                 saved_index_->data.data(), static_cast<DWORD>(saved_index_->data.size()));
    } else {
      DeleteValue(HKEY_LOCAL_MACHINE, kDriverKeyPath, kInstanceIndexValue);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\KvoTests");
    DeleteFileA(kTestSnapshotPath);
  }

  static void SetState(DWORD state) {
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue, state));
  }
  static std::optional<DWORD> State() {
    auto value = ReadValue(HKEY_LOCAL_MACHINE, kTestInstanceKey, kSnapShotStateValue);
    return value ? value->AsDword() : std::nullopt;
  }
  static void WriteSnapshot(const std::vector<uint8_t>& file) {
    ASSERT_TRUE(WriteFileBytes(kTestSnapshotPath, file.data(), file.size()));
  }

 private:
  std::optional<RegValue> saved_index_;
};

}  // namespace kvo::test
