// The base of the camera application's end-to-end cases: each starts from the installed
// settings and the camera's installed state, and ends every program it started (the camera
// application in app_, the tray in quickdock_), whatever its checks found.
#pragma once

#include <gtest/gtest.h>

#include "camapp_e2e_support.h"
#include "simcam_control.h"

namespace kvo::test {

class CameraAppSession : public ::testing::Test {
 protected:
  void SetUp() override {
    KillAll(kKvoMain);
    KillAll("quickdock.exe");
    ASSERT_TRUE(ResetSettings());
    ASSERT_TRUE(simcam::ResetCamera());
  }
  void TearDown() override {
    EndPrograms();
    simcam::ResetCamera();
    ResetSettings();
  }
  void EndPrograms() {
    if (quickdock_.started()) quickdock_.Kill();
    EndKvoMain(app_);
    KillAll(kKvoMain);
  }

  Process app_;
  Process quickdock_;
};

}  // namespace kvo::test
