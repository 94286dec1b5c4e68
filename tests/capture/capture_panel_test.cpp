// The capture panel without a camera: its window, caption and drawing, the compressor
// list over the platform's real compressors, the diagnostics, and the grabber callback.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "capture_test_window.h"
#include "sample_grabber_cb.h"
#include "tdirectshow.h"
#include "wide_text.h"

namespace kvo {
namespace {

using test::StdoutCapture;
using test::TestWindow;

// The friendly names of the platform's video compressors, in enumeration order.
std::vector<std::string> PlatformCompressorNames() {
  std::vector<std::string> names;
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(devices.GetAddressOf())))) {
    return names;
  }
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_VideoCompressorCategory, monikers.GetAddressOf(), 0) !=
      S_OK) {
    return names;
  }
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(bag.GetAddressOf())))) {
      continue;
    }
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
      names.push_back(WideToAnsi(value.bstrVal));
    }
    VariantClear(&value);
  }
  return names;
}

class CapturePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok()) << std::hex << apartment_.result();
    ASSERT_NE(window_.handle(), nullptr);
  }
  ComApartment apartment_;
  TestWindow window_;
};

TEST_F(CapturePanelTest, StartsClosedWithItsInitialFields) {
  TDirectShow panel(window_.handle());
  ASSERT_NE(panel.Handle(), nullptr);
  char class_name[64] = {};
  GetClassNameA(panel.Handle(), class_name, sizeof class_name);
  EXPECT_STREQ(class_name, "TDirectShow");
  EXPECT_EQ(GetParent(panel.Handle()), window_.handle());
  EXPECT_TRUE(IsWindowVisible(panel.Handle()));
  EXPECT_EQ(panel.Caption(), "No Preview");
  EXPECT_FALSE(panel.GetReady());
  EXPECT_FALSE(panel.GetInRecord());
  EXPECT_FALSE(panel.Opened);
  EXPECT_EQ(std::wstring(panel.CaptureFile), L"c:\\temp.avi");

  VIDEOINFOHEADER format;
  std::memset(&format, 0xA5, sizeof format);
  panel.CapturePinGet(&format);
  VIDEOINFOHEADER expected{};
  expected.bmiHeader.biCompression = 0xFFFFFFFFu;
  EXPECT_EQ(0, std::memcmp(&format, &expected, sizeof format));
  static_assert(sizeof(VIDEOINFOHEADER) == 88, "the stored format is 88 bytes");

  // Nothing to grab from: false at once, not after the wait bound.
  const DWORD start = GetTickCount();
  EXPECT_FALSE(panel.StillImg());
  EXPECT_LT(GetTickCount() - start, TDirectShow::kStillWaitMs / 2);
  // Operations that need an open graph do nothing.
  panel.Run();
  panel.StartRecord(L"c:\\never.avi");
  panel.StopRecord();
  panel.VCapCapturePinSet();
  EXPECT_FALSE(panel.GetInRecord());
  EXPECT_FALSE(panel.Graph());
  EXPECT_EQ(std::wstring(panel.CaptureFile), L"c:\\temp.avi");
}

// Counts the pixels of the panel's face that are the text colour.
int TextPixels(HWND panel) {
  RECT client;
  GetClientRect(panel, &client);
  HDC screen = GetDC(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen));
  UniqueHBitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  SendMessageA(panel, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  int count = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      if (GetPixel(memory.get(), x, y) == text) ++count;
    }
  }
  SelectObject(memory.get(), old);
  return count;
}

TEST_F(CapturePanelTest, DrawsItsStatusOnItsFace) {
  TDirectShow panel(window_.handle());
  MoveWindow(panel.Handle(), 0, 0, 320, 240, TRUE);
  const int no_preview = TextPixels(panel.Handle());
  EXPECT_GT(no_preview, 20) << "the caption is not drawn";
  SetWindowTextA(panel.Handle(), "Locked by another application");
  const int locked = TextPixels(panel.Handle());
  EXPECT_GT(locked, no_preview) << "a longer caption draws more text";
}

TEST_F(CapturePanelTest, CompressorListIsThePlatformListMinusTheHiddenOnes) {
  const std::vector<std::string> platform = PlatformCompressorNames();
  ASSERT_FALSE(platform.empty()) << "the platform lists no video compressor";
  for (bool hide_video1 : {true, false}) {
    TDirectShow panel(window_.handle());
    panel.HideVideo1Codec = hide_video1;
    panel.HideRleCodec = false;
    StringList list = {"left over"};
    panel.GetCompressorsList(list);
    std::vector<std::string> expected;
    for (const std::string& name : platform) {
      const std::string upper = AsciiUpper(name);
      const bool hidden = (hide_video1 && upper.find("MICROSOFT VIDEO 1") != std::string::npos) ||
                          upper.find("CINEPAK CODEC BY RADIUS") != std::string::npos ||
                          upper.find("INDEO") != std::string::npos ||
                          upper.find("DMO") != std::string::npos ||
                          upper.find("MJPEG COMPRESSOR") != std::string::npos ||
                          upper.find("INTEL 4:2:0") != std::string::npos ||
                          upper.find("MICROSOFT H.") != std::string::npos;
      if (!hidden) expected.push_back(name);
    }
    EXPECT_EQ(list, expected) << "HideVideo1Codec " << hide_video1;
  }
}

TEST_F(CapturePanelTest, CompressorBindingByExactNameAndItsDiagnostics) {
  TDirectShow panel(window_.handle());
  const std::vector<std::string> platform = PlatformCompressorNames();
  ASSERT_FALSE(platform.empty());

  StdoutCapture quiet;
  ComPtr<IBaseFilter> compressor;
  panel.CompressorName = "No Compress";
  panel.GetCompressor(&compressor);
  EXPECT_FALSE(compressor);
  panel.CompressorName = platform.front() + " ";  // whole-string comparison
  panel.GetCompressor(&compressor);
  EXPECT_FALSE(compressor);
  EXPECT_EQ(quiet.Finish(), "");

  panel.CompressorName = platform.front();
  panel.GetCompressor(&compressor);
  EXPECT_TRUE(compressor) << platform.front();

  StdoutCapture diagnostic;
  panel.GetCompressor(nullptr);
  std::string line = diagnostic.Finish();
  line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());  // text-mode stdout
  EXPECT_EQ(line, "GetCompressor received invalid pointer\n");
}

TEST_F(CapturePanelTest, GrabberCallbackIdentityIsStatic) {
  void* object = nullptr;
  EXPECT_EQ(GrabberCB.QueryInterface(IID_ISampleGrabberCB, nullptr), E_POINTER);
  EXPECT_EQ(GrabberCB.QueryInterface(IID_ISampleGrabberCB, &object), S_OK);
  EXPECT_EQ(object, static_cast<ISampleGrabberCB*>(&GrabberCB));
  EXPECT_EQ(GrabberCB.QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(GrabberCB.QueryInterface(IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GrabberCB.AddRef(), 2u);
  EXPECT_EQ(GrabberCB.Release(), 1u);
  EXPECT_EQ(GrabberCB.SampleCB(0, nullptr), S_OK);
}

TEST_F(CapturePanelTest, GrabberCallbackTakesOnlyARequestedWholeFrame) {
  GrabberCB.Width = 321;  // rows of 963 bytes padded to 964
  GrabberCB.Height = 4;
  std::vector<BYTE> frame(964 * 4);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(i * 7);

  StillRequested = false;
  StillDone = false;
  EXPECT_EQ(GrabberCB.BufferCB(0, frame.data(), static_cast<long>(frame.size())), S_OK);
  EXPECT_FALSE(StillDone) << "a frame nobody asked for is taken";

  StillRequested = true;
  GrabberCB.BufferCB(0, frame.data(), 963 * 4);  // unpadded length: too short
  EXPECT_FALSE(StillDone);
  EXPECT_TRUE(StillRequested) << "a short buffer must leave the request pending";

  GrabberCB.BufferCB(0, frame.data(), static_cast<long>(frame.size()));
  EXPECT_TRUE(StillDone);
  EXPECT_FALSE(StillRequested);
  TDirectShow panel(window_.handle());
  Bitmap24 copy;
  panel.GetImg(copy);
  ASSERT_EQ(copy.width(), 321);
  ASSERT_EQ(copy.height(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(0, std::memcmp(copy.Row(3 - i), frame.data() + i * 964, 963)) << "row " << i;
  }
  GrabberCB.Width = 0;
  GrabberCB.Height = 0;
  StillDone = false;
}

// The still copy of the streaming thread against the GUI thread's reads, with a copy made
// slow on purpose: the observer holds the copy until either the timed-out StillImg or a
// GetImg from a third thread has come back, or a bound has passed. Neither may come back
// while the copy runs; both see the whole frame afterwards.
struct SlowCopy {
  HANDLE copy_started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE gui_returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE reader_returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> returned_during_copy{false};
  ~SlowCopy() {
    CloseHandle(copy_started);
    CloseHandle(gui_returned);
    CloseHandle(reader_returned);
  }
};
SlowCopy* slow_copy = nullptr;

void HoldTheCopy() {
  SetEvent(slow_copy->copy_started);
  const HANDLE returned[] = {slow_copy->gui_returned, slow_copy->reader_returned};
  // Three seconds: longer than any wait of StillImg (100 ms here) and its old grace period.
  if (WaitForMultipleObjects(2, returned, FALSE, 3000) != WAIT_TIMEOUT) {
    slow_copy->returned_during_copy = true;
  }
}

TEST_F(CapturePanelTest, SlowStillCopyIsNeverSeenHalfDone) {
  TDirectShow panel(window_.handle());
  panel.Ready = true;  // no graph: the test plays the streaming thread itself
  panel.StillWaitMs = 100;
  GrabberCB.Width = 64;
  GrabberCB.Height = 48;
  std::vector<BYTE> frame(64 * 3 * 48);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(i * 13 + 1);
  SlowCopy observed;
  slow_copy = &observed;
  StillCopyObserver = &HoldTheCopy;

  std::thread streaming([&] {
    for (int i = 0; i < 500 && !StillRequested; ++i) Sleep(10);  // the request, bounded
    GrabberCB.BufferCB(0, frame.data(), static_cast<long>(frame.size()));
  });
  Bitmap24 read_during_copy;
  std::thread reader([&] {
    if (WaitForSingleObject(observed.copy_started, 10000) != WAIT_OBJECT_0) return;
    panel.GetImg(read_during_copy);
    SetEvent(observed.reader_returned);
  });
  const bool still = panel.StillImg();
  SetEvent(observed.gui_returned);
  streaming.join();
  reader.join();
  StillCopyObserver = nullptr;
  slow_copy = nullptr;

  EXPECT_EQ(WaitForSingleObject(observed.copy_started, 0), WAIT_OBJECT_0)
      << "the streaming thread never took the request";
  EXPECT_FALSE(observed.returned_during_copy)
      << "StillImg or GetImg came back while the frame was being copied";
  EXPECT_TRUE(still) << "a copy that was under way when the wait ran out must count";
  EXPECT_FALSE(StillRequested);
  for (const Bitmap24* bitmap : {&read_during_copy, &StillBitmap}) {
    ASSERT_EQ(bitmap->width(), 64);
    ASSERT_EQ(bitmap->height(), 48);
    for (int i = 0; i < 48; ++i) {
      EXPECT_EQ(0, std::memcmp(bitmap->Row(47 - i), frame.data() + i * 192, 192)) << "row " << i;
    }
  }
  GrabberCB.Width = 0;
  GrabberCB.Height = 0;
  StillDone = false;
}

// The still's copy allocates on the streaming thread. When it fails, the callback answers
// the grabber with the failure: no exception leaves it for the framework's thread.
TEST_F(CapturePanelTest, AStillCopyThatCannotAllocateEndsInsideTheCallback) {
  GrabberCB.Width = 64;
  GrabberCB.Height = 48;
  std::vector<BYTE> frame(64 * 3 * 48, 7);
  StillCopyObserver = [] { throw std::bad_alloc(); };
  StillDone = false;
  StillRequested = true;
  HRESULT answered = S_OK;
  std::thread streaming(
      [&] { answered = GrabberCB.BufferCB(0, frame.data(), static_cast<long>(frame.size())); });
  streaming.join();
  StillCopyObserver = nullptr;
  EXPECT_EQ(answered, E_OUTOFMEMORY);
  EXPECT_FALSE(StillDone) << "a still that was not copied counts as taken";
  StillRequested = false;
  GrabberCB.Width = 0;
  GrabberCB.Height = 0;
}

TEST_F(CapturePanelTest, DestroyedPanelLeavesCloseNothingToDo) {
  TDirectShow panel(window_.handle());
  ASSERT_EQ(panel.GetInterfaces(), S_OK);
  ASSERT_TRUE(panel.Graph());
  DestroyWindow(panel.Handle());
  EXPECT_EQ(panel.Handle(), nullptr);
  EXPECT_FALSE(panel.Graph()) << "the destroy message must release the graph";
  EXPECT_FALSE(panel.CaptureBuilder());
  EXPECT_FALSE(panel.MediaEvent());
  panel.Close();
  EXPECT_FALSE(panel.GetReady());
}

}  // namespace
}  // namespace kvo
