// The window base: what every window of the toolkit gets from it without writing it again.
#include "form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "error_barrier.h"

namespace kvo::toolkit {
namespace {

constexpr UINT kThrowMessage = WM_APP + 1;

// Records what reaches its own procedure; one message raises an error, and so does the
// creation when asked.
class ProbeForm : public Form {
 public:
  bool Create(bool hide_on_close, bool fail_creation = false) {
    fail_creation_ = fail_creation;
    CreateArgs args;
    args.instance = GetModuleHandleA(nullptr);
    args.class_name = "KvoProbeForm";
    args.caption = "Probe";
    args.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    args.client_width = 200;
    args.client_height = 100;
    args.left = 40;
    args.top = 50;
    args.hide_on_close = hide_on_close;
    args.erase_face = true;
    return CreateForm(args);
  }
  ~ProbeForm() override { DestroyForm(); }

  int Seen(UINT message) const {
    int count = 0;
    for (UINT seen : messages_) count += seen == message ? 1 : 0;
    return count;
  }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
    messages_.push_back(message);
    if (message == kThrowMessage) throw std::runtime_error("probe failure");
    if (message == WM_CREATE && fail_creation_) throw std::runtime_error("creation failure");
    return DefaultProc(message, wparam, lparam);
  }

 private:
  std::vector<UINT> messages_;
  bool fail_creation_ = false;
};

struct Reported {
  HWND owner = nullptr;
  std::string message;
  int count = 0;
};
Reported g_reported;

void RecordError(HWND owner, const char* message) {
  g_reported.owner = owner;
  g_reported.message = message;
  ++g_reported.count;
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_reported = Reported{};
    SetErrorHandler(&RecordError);
  }
  void TearDown() override { SetErrorHandler(nullptr); }
};

TEST_F(FormTest, BindsGuardsHidesOnCloseAndLetsGoOfItsWindow) {
  HWND window = nullptr;
  {
    ProbeForm form;
    ASSERT_TRUE(form.Create(true));
    window = form.hwnd();
    ASSERT_NE(nullptr, window);
    // Bound at WM_NCCREATE: the object's own procedure already saw the creation.
    EXPECT_EQ(1, form.Seen(WM_CREATE));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(200, client.right) << "the client area has the size asked for";
    EXPECT_EQ(100, client.bottom);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(40, outer.left);
    EXPECT_EQ(50, outer.top);
    const SIZE size = form.WindowSize();
    EXPECT_EQ(outer.right - outer.left, size.cx);
    EXPECT_EQ(outer.bottom - outer.top, size.cy);

    // An error inside the handler ends at the program's handler, with the window as owner.
    EXPECT_EQ(0, SendMessageA(window, kThrowMessage, 0, 0));
    EXPECT_EQ(1, g_reported.count);
    EXPECT_EQ(window, g_reported.owner);
    EXPECT_EQ("probe failure", g_reported.message);

    // Closing only hides, and the window's own procedure never hears of it.
    form.ShowForm();
    EXPECT_TRUE(IsWindowVisible(window));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(0, form.Seen(WM_CLOSE));

    // A second window of the class registers nothing anew and binds to its own object.
    ProbeForm second;
    ASSERT_TRUE(second.Create(false));
    EXPECT_NE(window, second.hwnd());
    HWND second_window = second.hwnd();
    // Without hide-on-close the close destroys the window, and the object lets go of it.
    SendMessageA(second_window, WM_CLOSE, 0, 0);
    EXPECT_EQ(1, second.Seen(WM_CLOSE));
    EXPECT_FALSE(IsWindow(second_window));
    EXPECT_EQ(nullptr, second.hwnd());
    EXPECT_EQ(1, second.Seen(WM_DESTROY));
  }
  EXPECT_FALSE(IsWindow(window)) << "the object's end destroys its window";
  EXPECT_EQ(1, g_reported.count) << "nothing else failed";

  // An error while the window is made (before the frame is attached) is caught by the base
  // itself; the window is still made.
  ProbeForm failing;
  EXPECT_TRUE(failing.Create(true, true));
  EXPECT_EQ(2, g_reported.count);
  EXPECT_EQ("creation failure", g_reported.message);
  EXPECT_EQ(failing.hwnd(), g_reported.owner);
}

}  // namespace
}  // namespace kvo::toolkit
