// The panel window, the graph's life cycle, preview and graph events.
#include "tdirectshow.h"

#include "avi_file_sink.h"
#include "bounded_copy.h"
#include "device_match.h"
#include "error_barrier.h"

namespace kvo {

namespace {

constexpr char kPanelClass[] = "TDirectShow";
constexpr char kNoPreview[] = "No Preview";
constexpr char kPreview[] = "Preview";
constexpr char kLocked[] = "Locked by another application";
constexpr wchar_t kDefaultCaptureFile[] = L"c:\\temp.avi";
constexpr LONG kRunSettleMs = 2000;  // how long a pending start may take to settle

// A raised panel face with the status centred on it, as the user sees it before (and
// instead of) a picture.
void DrawPanel(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &client, BDR_RAISEDOUTER, BF_RECT);
  char caption[128] = {};
  GetWindowTextA(window, caption, sizeof caption);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextA(dc, caption, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
}

ATOM RegisterPanelClass() {
  static ATOM atom = 0;
  if (atom != 0) return atom;
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcA;  // replaced per window in the constructor
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kPanelClass;
  atom = RegisterClassExA(&window_class);
  return atom;
}

TDirectShow* ComponentOf(HWND window) {
  return reinterpret_cast<TDirectShow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace

TDirectShow::TDirectShow(HWND owner) {
  RegisterPanelClass();
  window_ = CreateWindowExA(0, kPanelClass, kNoPreview,
                            (owner ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                            320, 240, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window_ != nullptr) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PanelProc));
  }
  CaptureFormat.bmiHeader.biCompression = kNoStoredFormat;
  CopyWideText(CaptureFile, kWidePathChars, kDefaultCaptureFile);

  if (!apartment_.ok()) {
    MessageBoxA(nullptr, "CoInitialize Failed!", "Error", MB_OK);
    return;
  }
  if (!VerifyVMR()) {
    CloseInterfaces();
  } else if (window_ != nullptr) {
    panel_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CompWinProcEntry)));
  }
}

TDirectShow::~TDirectShow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::string TDirectShow::Caption() const {
  char caption[128] = {};
  if (window_ != nullptr) GetWindowTextA(window_, caption, sizeof caption);
  return caption;
}

void TDirectShow::SetCaption(const char* text) {
  if (window_ == nullptr) return;
  SetWindowTextA(window_, text);
  InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK TDirectShow::PanelProc(HWND window, UINT message, WPARAM wparam,
                                        LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (HDC dc = BeginPaint(window, &paint)) {
        DrawPanel(window, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      DrawPanel(window, reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(window, message, wparam, lparam);
      InvalidateRect(window, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY:
      if (TDirectShow* component = ComponentOf(window)) component->window_ = nullptr;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK TDirectShow::CompWinProcEntry(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  TDirectShow* component = ComponentOf(window);
  if (component == nullptr) return PanelProc(window, message, wparam, lparam);
  // The graph's events are handled here, on the window thread, and handling them can
  // allocate: no exception may leave for the platform's frames.
  return CallGuarded(window, LRESULT{0},
                     [&] { return component->CompWinProc(message, wparam, lparam); });
}

LRESULT TDirectShow::CompWinProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case GraphEventMessage:
      TakeAbortEvents();
      HandleGraphEvent();
      return 0;
    case WM_DESTROY:
      CloseInterfaces();
      return 0;
    default:
      return CallWindowProcA(panel_proc_, window_, message, wparam, lparam);
  }
}

void TDirectShow::TakeAbortEvents() {
  if (!media_event_) return;
  bool abort_seen = false;
  LONG_PTR abort_status = 0;
  long code = 0;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
  while (media_event_->GetEvent(&code, &first, &second, 0) == S_OK) {
    media_event_->FreeEventParams(code, first, second);
    // A later abort replaces an earlier one.
    if (code == EC_ERRORABORT) {
      abort_seen = true;
      abort_status = first;
    }
  }
  if (abort_seen) NoteAbort(static_cast<HRESULT>(abort_status));
}

void TDirectShow::NoteAbort(HRESULT status) {
  if (IsDiskErrorStatus(static_cast<uint32_t>(status))) DiskError = true;
  if (status != 0) AbortStatus = status;
}

HRESULT TDirectShow::HandleGraphEvent() {
  if (!media_event_) return E_POINTER;
  HRESULT status = S_OK;
  long code = 0;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
  while (SUCCEEDED(media_event_->GetEvent(&code, &first, &second, 0))) {
    status = media_event_->FreeEventParams(code, first, second);
  }
  return status;
}

bool TDirectShow::VerifyVMR() {
  ComPtr<IBaseFilter> renderer;
  return SUCCEEDED(CoCreateInstance(CLSID_VideoMixingRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&renderer)));
}

HRESULT TDirectShow::GetInterfaces() {
  HRESULT status = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(graph_.ReleaseAndGetAddressOf()));
  if (FAILED(status)) return status;
  status = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(capture_builder_.ReleaseAndGetAddressOf()));
  if (FAILED(status)) return status;
  status = graph_->QueryInterface(IID_PPV_ARGS(media_control_.ReleaseAndGetAddressOf()));
  if (FAILED(status)) return status;
  // The headers give these two no uuid: their IIDs by name.
  status = graph_->QueryInterface(IID_IVideoWindow,
                                 reinterpret_cast<void**>(video_window_.ReleaseAndGetAddressOf()));
  if (FAILED(status)) return status;
  return graph_->QueryInterface(IID_IMediaEventEx,
                               reinterpret_cast<void**>(media_event_.ReleaseAndGetAddressOf()));
}

bool TDirectShow::OpenNewGraph() {
  CloseInterfaces();
  if (GetInterfaces() != S_OK) {
    EndFailedRebuild();
    return false;
  }
  Opened = true;
  return true;
}

void TDirectShow::InitRunAround(bool source_found, bool record) {
  if (source_found) {
    InitRun(record);
  } else {
    // Nothing to build around: the graph interfaces go too.
    CloseInterfaces();
    EndFailedRebuild();
  }
}

void TDirectShow::InitRunCapture(const std::string& vendor, const std::string& product,
                                 bool record) {
  if (!OpenNewGraph()) return;
  if (!vendor.empty()) Vid = vendor;
  if (!product.empty()) Pid = product;
  from_file_ = false;
  const bool bound = GetDeviceEnum(Vid, Pid);
  if (record) GetAudioDevice(AudioIndex);
  InitRunAround(bound, record);
}

void TDirectShow::EndFailedRebuild() {
  // No graph: nothing previews and nothing records, whatever the last graph did.
  Opened = false;
  Ready = false;
  InRecord = false;
  SetCaption(kNoPreview);
}

void TDirectShow::InitRunFile(const wchar_t* path, bool record) {
  if (!OpenNewGraph()) return;
  from_file_ = true;
  CopyWideText(source_file_, kWidePathChars, path);
  graph_->AddSourceFilter(source_file_, L"SOURCE", video_source_.ReleaseAndGetAddressOf());
  InitRunAround(video_source_ != nullptr, record);
}

bool TDirectShow::GraphBuilt() const {
  return Opened && graph_ && media_control_ && video_window_ && media_event_ && capture_builder_ &&
         video_source_;
}

void TDirectShow::InitRun(bool record) {
  if (!GraphBuilt()) return;
  if (BuildGraph(record, true)) return;
  // Wine's graph keeps references to a compressor and an output cut out of it after a
  // failed connection; a fresh graph without the compressor records uncompressed instead.
  if (RenewGraph()) BuildGraph(record, false);
}

bool TDirectShow::BuildGraph(bool record, bool with_compressor) {
  InRecord = record;
  // A new recording starts with a clean slate; a preview graph built after a recording
  // keeps what that recording ended with, for the caller to read after StopRecord.
  if (record) {
    DiskError = false;
    AbortStatus = 0;
  }
  media_event_->SetNotifyWindow(reinterpret_cast<OAHWND>(window_), GraphEventMessage, 0);
  capture_builder_->SetFiltergraph(graph_.Get());
  graph_->AddFilter(video_source_.Get(), L"Source Capture");
  ApplyStoredFormat();
  if (record && !AddRecordingBranch(with_compressor)) return false;

  const HRESULT preview = capture_builder_->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                                       video_source_.Get(), nullptr, nullptr);
  if (PreviewRendered(preview)) {
    SetCaption(kPreview);
    Ready = true;
  } else {
    SetCaption(kLocked);
    Ready = false;
  }

  RECT client{};
  if (window_ != nullptr) GetClientRect(window_, &client);
  video_window_->SetWindowPosition(0, 0, client.right, client.bottom);
  video_window_->put_Owner(reinterpret_cast<OAHWND>(window_));
  video_window_->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN);
  RecordMode = record;
  AddGrabberBranch();
  return true;
}

bool TDirectShow::RenewGraph() {
  const ComPtr<IBaseFilter> video = video_source_;
  const ComPtr<IBaseFilter> audio = audio_source_;
  CloseInterfaces();
  if (GetInterfaces() != S_OK) {
    CloseInterfaces();
    EndFailedRebuild();
    return false;
  }
  video_source_ = video;
  audio_source_ = audio;
  return true;
}

void TDirectShow::Run() {
  if (!GraphBuilt()) return;
  video_window_->put_Visible(OATRUE);
  HRESULT status = media_control_->Run();
  // S_FALSE: the start goes on. Wine's graph answers so even when the camera refused to
  // start, and only its state then tells the failure.
  if (status == S_FALSE) {
    OAFilterState state = State_Stopped;
    const HRESULT settled = media_control_->GetState(kRunSettleMs, &state);
    if (FAILED(settled)) status = settled;
  }
  if (FAILED(status)) {
    // A failed start can leave filters paused while the graph believes it is stopped;
    // stop them here or the teardown in Close can hang on their streaming threads.
    StopFiltersStillRunning(graph_.Get());
    Close();
    SetCaption(kLocked);
    return;
  }
  if (InRecord) StartCapturing();
}

void TDirectShow::Stop() {
  if (!GraphBuilt()) return;
  media_control_->Pause();
  video_window_->put_Visible(OAFALSE);
}

void TDirectShow::Close() {
  CloseInterfaces();
  Opened = false;
  Ready = false;
  SetCaption(kNoPreview);
}

void TDirectShow::ReSizeDS() {
  if (!Ready || !video_window_ || window_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  video_window_->SetWindowPosition(0, 0, client.right, client.bottom);
}

void TDirectShow::QuietenGraph() {
  if (media_control_) media_control_->Stop();
  if (media_event_) media_event_->SetNotifyWindow(0, GraphEventMessage, 0);
  if (video_window_) {
    video_window_->put_Visible(OAFALSE);
    video_window_->put_Owner(0);
  }
}

void TDirectShow::TearDownGraph() {
  QuietenGraph();
  NukeDownstream(video_source_.Get());
}

void TDirectShow::NukeDownstream(IBaseFilter* filter) {
  if (filter == nullptr || !graph_) return;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins) return;
  pins->Reset();
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK && pin) {
    ComPtr<IPin> connected;
    if (FAILED(pin->ConnectedTo(connected.GetAddressOf())) || !connected) continue;
    PIN_INFO info{};
    if (FAILED(connected->QueryPinInfo(&info))) continue;
    ComPtr<IBaseFilter> downstream;
    downstream.Attach(info.pFilter);  // owns the reference QueryPinInfo handed out
    if (info.dir == PINDIR_INPUT && downstream) {
      NukeDownstream(downstream.Get());
      graph_->Disconnect(connected.Get());
      graph_->Disconnect(pin.Get());
      graph_->RemoveFilter(downstream.Get());
    }
  }
}

void TDirectShow::CloseInterfaces() {
  // The graph is released right after, and its release disconnects and removes every
  // filter itself. Taking the filters out one by one first, while the graph lives, leaves
  // references to the camera filter behind under Wine, so the camera would never be freed.
  QuietenGraph();
  FinishRecordingFile();
  video_source_.Reset();
  media_control_.Reset();
  video_window_.Reset();
  graph_.Reset();
  media_event_.Reset();
  audio_source_.Reset();
  capture_builder_.Reset();
}

void TDirectShow::FinishRecordingFile() {
  if (!recording_sink_) return;
  // What the graph raised in the recording's last moments, or while it stopped (the mux
  // writes its index and headers then), is in this graph's queue only, which goes with it.
  TakeAbortEvents();
  const HRESULT failure = FinishAviFileOutput(graph_.Get(), recording_sink_.Get());
  if (FAILED(failure) && failure != E_NOINTERFACE && AbortStatus == 0) NoteAbort(failure);
  recording_sink_.Reset();
}

}  // namespace kvo
