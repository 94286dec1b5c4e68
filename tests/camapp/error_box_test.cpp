// The camera application's error box: an error raised in a timer is shown with the
// application title and the program goes on; while the box is open, errors raised by
// anything its message loop runs (the same timer, ticking on) open no second box.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "e2e.h"
#include "error_barrier.h"
#include "error_box.h"
#include "timer.h"

namespace kvo {
namespace {

using namespace kvo::test;

// Boxes of this process captioned with the application title.
int OpenErrorBoxes() {
  struct Count {
    DWORD process;
    int boxes;
  } count{GetCurrentProcessId(), 0};
  EnumWindows(
      [](HWND window, LPARAM lparam) -> BOOL {
        auto* c = reinterpret_cast<Count*>(lparam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == c->process && ClassName(window) == "#32770" &&
            WindowText(window) == kApplicationTitle) {
          ++c->boxes;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.boxes;
}

// Presses OK on every error box of this process until none is left.
void CloseErrorBoxes() {
  WaitUntil([] {
    HWND open = WaitForMessageBox(kApplicationTitle, 100, GetCurrentProcessId());
    if (open != nullptr) PressButton(open, IDOK);
    return open == nullptr;
  }, 30000);
}

TEST(ErrorBoxTest, ATimerThatKeepsFailingShowsOneBoxAtATimeAndGoesOn) {
  SetErrorHandler(&ShowApplicationError);
  constexpr int kFailingTicks = 15;
  std::atomic<int> ticks{0};
  std::atomic<int> failures_left{kFailingTicks};
  std::atomic<int> failures_while_shown{0};
  toolkit::Timer timer({30, true, [&](toolkit::Timer&) {
                          ++ticks;
                          if (failures_left <= 0) return;
                          --failures_left;
                          if (ApplicationErrorShowing()) ++failures_while_shown;
                          throw std::runtime_error("Cannot create directory.");
                        }});

  // The user, on another thread: looks at the boxes while the timer keeps failing inside
  // the first box's loop, closes them, and sees the next failure in a box of its own.
  std::atomic<int> most_boxes{0};
  std::string first_text;
  bool reopened = false;
  std::atomic<bool> done{false};
  std::thread user([&] {
    HWND box = WaitForMessageBox(kApplicationTitle, 15000, GetCurrentProcessId());
    if (box != nullptr) {
      first_text = MessageBoxText(box);
      WaitUntil([&] {
        most_boxes = std::max(most_boxes.load(), OpenErrorBoxes());
        return failures_left <= 0;
      }, 15000);
      most_boxes = std::max(most_boxes.load(), OpenErrorBoxes());
      CloseErrorBoxes();
      failures_left = 1;
      reopened = WaitForMessageBox(kApplicationTitle, 15000, GetCurrentProcessId()) != nullptr;
    }
    failures_left = 0;
    CloseErrorBoxes();
    done = true;
  });

  MSG message;
  while (!done) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&message);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
  }
  user.join();
  const int ticks_after_boxes = ticks;
  while (ticks < ticks_after_boxes + 3) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
    DispatchMessageA(&message);
  }
  SetErrorHandler(nullptr);

  EXPECT_EQ(first_text, "Cannot create directory.");
  EXPECT_EQ(failures_while_shown, kFailingTicks - 1)
      << "the timer went on failing while the first box was open";
  EXPECT_EQ(most_boxes, 1) << "never more than one error box";
  EXPECT_TRUE(reopened) << "after the box was closed, the next failure was shown";
  EXPECT_FALSE(ApplicationErrorShowing());
  EXPECT_GE(ticks, ticks_after_boxes + 3) << "the timer goes on after the boxes";
}

}  // namespace
}  // namespace kvo
