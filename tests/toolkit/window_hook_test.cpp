// Hooks on one window: the order messages pass through them, hooks coming off in any order
// (also while a message is being handled), a procedure from outside set over ours, the
// window's end, and a hook that throws.
#include "window_hook.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "error_barrier.h"

namespace kvo::toolkit {
namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr char kClass[] = "KvoWindowHookTestWindow";

std::vector<std::string>& Trail() {
  static std::vector<std::string> trail;
  return trail;
}

LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kProbe) {
    Trail().push_back("own");
    return 100 + static_cast<LRESULT>(wparam);
  }
  if (message == WM_NCDESTROY) Trail().push_back("own ends");
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

HWND MakeWindow() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = OwnProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClass;
  RegisterClassA(&window_class);
  return CreateWindowExA(0, kClass, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// A hook that writes its name on the trail, adds one to the result of what comes after it,
// and can take itself or another hook off while it handles a message.
struct Recorder {
  std::string name;
  Recorder* remove_during_probe = nullptr;
  bool fail = false;

  static LRESULT Proc(void* owner, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<Recorder*>(owner);
    if (message == WM_NCDESTROY) Trail().push_back(self->name + " ends");
    if (message != kProbe) return CallNextHook(window, message, wparam, lparam);
    Trail().push_back(self->name);
    if (self->fail) throw std::runtime_error("hook failed");
    if (self->remove_during_probe != nullptr) {
      RemoveWindowHook(window, &Recorder::Proc, self->remove_during_probe);
    }
    return CallNextHook(window, message, wparam, lparam) + 1;
  }
};

LRESULT Probe(HWND window) {
  Trail().clear();
  return SendMessageA(window, kProbe, 5, 0);
}

std::vector<std::string> Seen(std::initializer_list<const char*> names) {
  return std::vector<std::string>(names.begin(), names.end());
}

TEST(WindowHook, HooksPassMessagesOnInOrderAndComeOffInAnyOrder) {
  HWND window = MakeWindow();
  ASSERT_NE(window, nullptr);
  const LONG_PTR own = GetWindowLongPtrA(window, GWLP_WNDPROC);
  Recorder older{"older"}, newer{"newer"};
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &older));
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &newer));
  EXPECT_FALSE(AddWindowHook(window, &Recorder::Proc, &newer)) << "one hook per owner";
  EXPECT_FALSE(AddWindowHook(nullptr, &Recorder::Proc, &older));
  EXPECT_EQ(FindWindowHook(window, &Recorder::Proc), &newer);

  EXPECT_EQ(Probe(window), 107);
  EXPECT_EQ(Trail(), Seen({"newer", "older", "own"}));

  // The older hook comes off first: the newer one keeps its place and its messages.
  RemoveWindowHook(window, &Recorder::Proc, &older);
  EXPECT_EQ(Probe(window), 106);
  EXPECT_EQ(Trail(), Seen({"newer", "own"}));
  RemoveWindowHook(window, &Recorder::Proc, &newer);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), own) << "the window's own procedure is back";
  EXPECT_EQ(FindWindowHook(window, &Recorder::Proc), nullptr);
  EXPECT_EQ(Probe(window), 105);

  // A hook takes itself and an older one off while it handles a message: the message still
  // reaches the window, and neither is called again.
  Recorder first{"first"}, second{"second"}, third{"third"};
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &first));
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &second));
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &third));
  third.remove_during_probe = &second;
  EXPECT_EQ(Probe(window), 107);
  EXPECT_EQ(Trail(), Seen({"third", "first", "own"}));
  first.remove_during_probe = &first;
  EXPECT_EQ(Probe(window), 107);
  EXPECT_EQ(Trail(), Seen({"third", "first", "own"}));
  EXPECT_EQ(Probe(window), 106);
  EXPECT_EQ(Trail(), Seen({"third", "own"}));

  // Hooks still on the window when it ends see its last message, before its own procedure.
  Trail().clear();
  DestroyWindow(window);
  EXPECT_EQ(Trail(), Seen({"third ends", "own ends"}));
}

WNDPROC g_outside_next = nullptr;
LRESULT CALLBACK OutsideProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kProbe) Trail().push_back("outside");
  return CallWindowProcA(g_outside_next, hwnd, message, wparam, lparam);
}

TEST(WindowHook, AProcedureSetOverOursKeepsWorkingAndAThrowingHookIsReported) {
  static std::vector<std::string> reported;
  reported.clear();
  SetErrorHandler([](HWND, const char* message) { reported.push_back(message); });
  HWND window = MakeWindow();
  ASSERT_NE(window, nullptr);
  Recorder hook{"hook"};
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &hook));
  g_outside_next = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OutsideProc)));

  // Ours cannot come out from under the outside procedure: it stays and passes through.
  RemoveWindowHook(window, &Recorder::Proc, &hook);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&OutsideProc));
  EXPECT_EQ(Probe(window), 105);
  EXPECT_EQ(Trail(), Seen({"outside", "own"}));

  // A hook added again sits under the outside procedure; one that throws is reported, and
  // the message gets no answer from it.
  hook.fail = true;
  ASSERT_TRUE(AddWindowHook(window, &Recorder::Proc, &hook));
  EXPECT_EQ(Probe(window), 0);
  EXPECT_EQ(Trail(), Seen({"outside", "hook"}));
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "hook failed");
  hook.fail = false;
  EXPECT_EQ(Probe(window), 106) << "the next message is handled as usual";

  DestroyWindow(window);
  SetErrorHandler(nullptr);
}

}  // namespace
}  // namespace kvo::toolkit
