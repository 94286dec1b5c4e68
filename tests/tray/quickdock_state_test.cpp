// Parts of the tray companion driven in-process: the settings key the toolbox menu opens
// and the open flag of the toolbox.
#include <gtest/gtest.h>

#include "e2e.h"
#include "quickdock.h"

namespace kvo::tray {
namespace {

bool KeyHandleValid(HKEY key) {
  DWORD values = 0;
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(ToolboxMenuKey, EachMenuClosesTheKeyTheLastOneLeftOpen) {
  ASSERT_TRUE(test::ResetSettings());
  Quickdock quickdock(GetModuleHandleA(nullptr));
  QuickdockState& state = quickdock.state();
  quickdock.OpenSettingsKeyForMenu();
  ASSERT_TRUE(state.settings_key && state.settings_key->is_open());
  const HKEY first = state.settings_key->get();
  quickdock.OpenSettingsKeyForMenu();
  ASSERT_TRUE(state.settings_key->is_open());
  const HKEY second = state.settings_key->get();
  // The first handle is closed: either its slot was handed out again or it is dead.
  EXPECT_TRUE(second == first || !KeyHandleValid(first))
      << "the first menu's key is still open beside the second";
  EXPECT_TRUE(state.settings_key->WriteText("DlgAutoHide", "N", false));
  state.settings_key.reset();
  EXPECT_FALSE(KeyHandleValid(second));
}

TEST(Toolbox, OpensAgainAfterADialogThatCouldNotBeCreated) {
  // This test program holds no toolbox template, so the dialog cannot be created.
  Quickdock quickdock(GetModuleHandleA(nullptr));
  Toolbox& toolbox = quickdock.toolbox();
  toolbox.Show();
  EXPECT_FALSE(toolbox.open()) << "the failed dialog left the toolbox marked open";
  SetLastError(ERROR_SUCCESS);
  toolbox.Show();
  EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GetLastError())
      << "the second call looked for the dialog again";
  EXPECT_FALSE(toolbox.open());
}

}  // namespace
}  // namespace kvo::tray
