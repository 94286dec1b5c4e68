// The dialog step of the stream-format dialog over a stand-in stream configuration: the
// pin's own pages go to the property frame; only when no frame can be created does our
// own list appear; a cancelled list leaves the pin alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "format_dialog.h"
#include "unique_resource.h"

namespace kvo {
namespace {

// A capture pin's stream configuration offering 640 x 480 and 320 x 240, with or without
// property pages; records what SetFormat was given.
class StreamConfig : public IAMStreamConfig, public ISpecifyPropertyPages {
 public:
  explicit StreamConfig(bool with_pages) : with_pages_(with_pages) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IAMStreamConfig) {
      *object = static_cast<IAMStreamConfig*>(this);
    } else if (iid == IID_ISpecifyPropertyPages && with_pages_) {
      *object = static_cast<ISpecifyPropertyPages*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }  // lives on the stack
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    if (type == nullptr || type->pbFormat == nullptr || type->cbFormat < sizeof(VIDEOINFOHEADER))
      return E_POINTER;
    set_widths.push_back(reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth);
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override { return Make(640, type); }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = 2;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override {
    if (index < 0 || index > 1) return S_FALSE;
    std::memset(caps, 0, sizeof(VIDEO_STREAM_CONFIG_CAPS));
    return Make(index == 0 ? 640 : 320, type);
  }
  STDMETHODIMP GetPages(CAUUID* pages) override {
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    pages->pElems[0] = kPage;
    return S_OK;
  }

  static constexpr GUID kPage = {0x1234abcd, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
  std::vector<LONG> set_widths;
  ULONG references_ = 1;

 private:
  static HRESULT Make(LONG width, AM_MEDIA_TYPE** type) {
    auto* made = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    std::memset(made, 0, sizeof *made);
    made->majortype = MEDIATYPE_Video;
    made->subtype = MEDIASUBTYPE_RGB24;
    made->formattype = FORMAT_VideoInfo;
    made->cbFormat = sizeof(VIDEOINFOHEADER);
    made->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(made->cbFormat));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(made->pbFormat);
    std::memset(info, 0, sizeof *info);
    info->AvgTimePerFrame = 333333;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = width * 3 / 4;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biPlanes = 1;
    *type = made;
    return S_OK;
  }
  bool with_pages_;
};

// Answers our own dialog from another thread, as a user would: picks the row that starts
// with `line` and presses OK, or presses Cancel when line is null.
class DialogAnswer {
 public:
  explicit DialogAnswer(const char* line) : line_(line) {
    thread_ = std::thread([this] { Answer(); });
  }
  ~DialogAnswer() { thread_.join(); }
  std::atomic<bool> seen{false};
  std::atomic<bool> line_found{false};

 private:
  void Answer() {
    // The dialog, once it is shown: it becomes visible after it has filled and preselected
    // its list. Bounded: ten seconds.
    HWND dialog = nullptr;
    for (int i = 0; i < 500; ++i) {
      dialog = FindWindowA(reinterpret_cast<LPCSTR>(32770), kStreamFormatTitle);
      if (dialog != nullptr && IsWindowVisible(dialog)) break;
      dialog = nullptr;
      Sleep(20);
    }
    if (dialog == nullptr) return;
    seen = true;
    if (line_ == nullptr) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    HWND list = GetDlgItem(dialog, kStreamFormatListId);
    const LRESULT row = SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(line_));
    if (row != LB_ERR) {
      line_found = true;
      SendMessageA(list, LB_SETCURSEL, row, 0);
    }
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }
  const char* line_;
  std::thread thread_;
};

class FormatDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(apartment_.ok()); }
  ComApartment apartment_;
};

TEST_F(FormatDialogTest, PinPagesGoToThePropertyFrameAndAPinWithoutPagesGetsOurList) {
  int frames = 0;
  GUID page_shown{};
  IUnknown* object_shown = nullptr;
  const PropertyFrameFunction frame = [&](IUnknown* object, const CAUUID& pages) {
    ++frames;
    object_shown = object;
    if (pages.cElems == 1) page_shown = pages.pElems[0];
    return S_OK;
  };
  StreamConfig with_pages(true);
  EXPECT_EQ(EditStreamFormat(&with_pages, frame), FormatEditResult::kClosed);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(object_shown, static_cast<IUnknown*>(static_cast<IAMStreamConfig*>(&with_pages)));
  EXPECT_TRUE(page_shown == StreamConfig::kPage) << "the pin's own page was not shown";
  EXPECT_TRUE(with_pages.set_widths.empty()) << "the frame's pages set the format, not we";
  EXPECT_EQ(with_pages.references_, 1u) << "a reference to the pin was kept";

  // A pin without pages: no frame, but the user still chooses from the pin's formats.
  StreamConfig without_pages(false);
  {
    DialogAnswer answer("320 x 240");
    EXPECT_EQ(EditStreamFormat(&without_pages, frame), FormatEditResult::kClosed);
    EXPECT_TRUE(answer.seen) << "our own dialog did not open";
  }
  EXPECT_EQ(frames, 1) << "a pin without pages has nothing for the frame";
  EXPECT_EQ(without_pages.set_widths, std::vector<LONG>{320});
  EXPECT_EQ(EditStreamFormat(nullptr, frame), FormatEditResult::kNoDialog);
}

TEST_F(FormatDialogTest, OwnListOnlyWhenNoFrameCanBeCreatedAndCancelChangesNothing) {
  const PropertyFrameFunction no_frame = [](IUnknown*, const CAUUID&) {
    return REGDB_E_CLASSNOTREG;
  };
  StreamConfig chosen(true);
  {
    DialogAnswer answer("320 x 240");
    EXPECT_EQ(EditStreamFormat(&chosen, no_frame), FormatEditResult::kClosed);
    EXPECT_TRUE(answer.seen) << "our own dialog did not open";
    EXPECT_TRUE(answer.line_found) << "no 320 x 240 line in the list";
  }
  EXPECT_EQ(chosen.set_widths, std::vector<LONG>{320});

  StreamConfig cancelled(true);
  {
    DialogAnswer answer(nullptr);
    EXPECT_EQ(EditStreamFormat(&cancelled, no_frame), FormatEditResult::kCancelled);
    EXPECT_TRUE(answer.seen);
  }
  EXPECT_TRUE(cancelled.set_widths.empty()) << "Cancel changed the pin's format";
  EXPECT_EQ(chosen.references_, 1u);
  EXPECT_EQ(cancelled.references_, 1u);
}

}  // namespace
}  // namespace kvo
