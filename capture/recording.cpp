// Recording branch, stored capture format, still-frame grabber branch and stills.
#include <qedit.h>

#include <cstring>
#include <vector>

#include "avi_file_sink.h"
#include "bounded_copy.h"
#include "capture_guids.h"
#include "format_dialog.h"
#include "dshow/media_type.h"
#include "sample_grabber_cb.h"
#include "tdirectshow.h"

namespace kvo {

namespace {

// Stream control takes this time as never.
constexpr REFERENCE_TIME MAXLONGLONG_TIME = 0x7FFFFFFFFFFFFFFFLL;

// The still branch's renderer shows nothing, so it need not hold each frame to its
// presentation time: with a clock it would have the clock's thread wake for every frame
// to tell it that the time has come. The graph gives every filter its clock at the first
// Run; choose that clock now, with the graph complete, so this renderer can go without.
void RenderWithoutClock(IGraphBuilder* graph, IBaseFilter* renderer) {
  ComPtr<IMediaFilter> graph_timing;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&graph_timing)))) return;
  ComPtr<IReferenceClock> clock;
  if (FAILED(graph_timing->GetSyncSource(clock.GetAddressOf()))) return;
  if (!clock && FAILED(graph->SetDefaultSyncSource())) return;
  renderer->SetSyncSource(nullptr);
}

}  // namespace

void TDirectShow::CapturePinGet(VIDEOINFOHEADER* format) const {
  if (format != nullptr) std::memcpy(format, &CaptureFormat, sizeof CaptureFormat);
}

void TDirectShow::CapturePinSet(const VIDEOINFOHEADER* format) {
  if (format != nullptr) std::memcpy(&CaptureFormat, format, sizeof CaptureFormat);
}

ComPtr<IAMStreamConfig> TDirectShow::StreamConfig(const GUID* category) const {
  ComPtr<IAMStreamConfig> config;
  if (capture_builder_ && video_source_) {
    capture_builder_->FindInterface(category, &MEDIATYPE_Video, video_source_.Get(),
                                    IID_PPV_ARGS(&config));
  }
  return config;
}

void TDirectShow::ApplyStoredFormat() {
  if (const ComPtr<IAMStreamConfig> config = StreamConfig(&PIN_CATEGORY_CAPTURE)) {
    SetStoredFormat(config.Get());
  }
}

void TDirectShow::SetStoredFormat(IAMStreamConfig* config) {
  // The marker is no format: handed on, it would give the driver a header of size zero.
  if (CaptureFormat.bmiHeader.biCompression == kNoStoredFormat) return;
  dshow::UniqueMediaType current;
  if (FAILED(config->GetFormat(current.put())) || !current.VideoInfo()) return;
  // The major type and subtype stay the pin's, and so does the size of its format block
  // (a VIDEOINFO with masks or a palette is longer than the stored record): the stored
  // header goes over the start of a copy of the pin's own block.
  std::vector<BYTE> block = FormatBlockWithStoredHeader(
      current->pbFormat, current->cbFormat, &CaptureFormat, sizeof CaptureFormat);
  if (block.empty()) return;
  AM_MEDIA_TYPE stored = *current.get();
  stored.pbFormat = block.data();
  stored.cbFormat = static_cast<ULONG>(block.size());
  config->SetFormat(&stored);
}

bool TDirectShow::AddRecordingBranch(bool with_compressor) {
  ComPtr<IBaseFilter> compressor;
  if (with_compressor && !CompressorName.empty()) GetCompressor(&compressor);
  if (compressor) graph_->AddFilter(compressor.Get(), L"Compressor");
  const bool with_audio = CaptureAudio && audio_source_;
  if (with_audio) graph_->AddFilter(audio_source_.Get(), L"Audio Device");

  // The platform's AVI multiplexer and our own file sink, also where the builder could make
  // its own file writer: ours never overwrites a file that is there already and reports
  // every write that fails, also those of the index and headers at stop.
  ComPtr<IBaseFilter> mux;
  if (SUCCEEDED(AddAviFileOutput(graph_.Get(), CaptureFile, mux.GetAddressOf(),
                                 recording_sink_.ReleaseAndGetAddressOf())) &&
      mux) {
    const HRESULT video = capture_builder_->RenderStream(
        &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_source_.Get(), compressor.Get(), mux.Get());
    // The compressor cannot take the camera's format. Recording without it beats a file
    // without video: the caller builds the graph again without the compressor.
    if (FAILED(video) && compressor) return false;
    if (with_audio) {
      capture_builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio_source_.Get(),
                                   nullptr, mux.Get());
    }
  }
  mux.Reset();
  // Preview flows when the graph runs; the file gets nothing until Run releases this.
  REFERENCE_TIME never = MAXLONGLONG_TIME;
  capture_builder_->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, nullptr, 0, 0);
  return true;
}

void TDirectShow::StartCapturing() {
  REFERENCE_TIME never = MAXLONGLONG_TIME;
  capture_builder_->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &never, 0, 0);
}

void TDirectShow::AddGrabberBranch() {
  {
    Lock lock(StillLock);
    StillBitmap.Clear();
  }
  ComPtr<ISampleGrabber> grabber;
  if (FAILED(CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_ALL, IID_ISampleGrabber,
                              reinterpret_cast<void**>(grabber.GetAddressOf())))) {
    return;
  }
  ComPtr<IBaseFilter> grabber_filter;
  ComPtr<IBaseFilter> null_renderer;
  const bool grabber_added = SUCCEEDED(grabber->QueryInterface(IID_PPV_ARGS(&grabber_filter))) &&
                             SUCCEEDED(graph_->AddFilter(grabber_filter.Get(), L"Grabber"));
  if (grabber_added) {
    if (FAILED(CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_ALL,
                                IID_PPV_ARGS(&null_renderer)))) {
      return;
    }
    if (FAILED(graph_->AddFilter(null_renderer.Get(), L"NULL renderer"))) return;
  }

  ComPtr<IAMStreamConfig> config = StreamConfig(&PIN_CATEGORY_CAPTURE);
  if (!config) config = StreamConfig(&PIN_CATEGORY_PREVIEW);
  if (config) {
    dshow::UniqueMediaType current;
    if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
      current->majortype = MEDIATYPE_Video;
      current->subtype = MEDIASUBTYPE_RGB24;
      KeepGrabberMediaType(*current.get());
      {
        Lock lock(StillLock);
        GrabberCB.Width = current.VideoInfo()->bmiHeader.biWidth;
        GrabberCB.Height = current.VideoInfo()->bmiHeader.biHeight;
      }
      config->SetFormat(current.get());
    }
    config.Reset();
  }
  grabber->SetMediaType(&GrabberMediaType);
  capture_builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, video_source_.Get(),
                               grabber_filter.Get(), null_renderer.Get());
  AM_MEDIA_TYPE connected{};
  if (SUCCEEDED(grabber->GetConnectedMediaType(&connected))) dshow::FreeMediaTypeFormat(connected);
  grabber->SetBufferSamples(FALSE);
  grabber->SetOneShot(FALSE);
  grabber->SetCallback(&GrabberCB, 1);
  if (null_renderer) RenderWithoutClock(graph_.Get(), null_renderer.Get());
}

void TDirectShow::StartRecord(const wchar_t* path) {
  // Without a graph (closed, or the window destroyed) there is nothing to rebuild.
  if (!GraphBuilt() || InRecord) return;
  if (path != nullptr) CopyWideText(CaptureFile, kWidePathChars, path);
  RebuildFromSource(true);
}

void TDirectShow::StopRecord() {
  if (GraphBuilt() && InRecord) RebuildFromSource(false);
}

void TDirectShow::RebuildFromSource(bool record) {
  if (from_file_) {
    InitRunFile(source_file_, record);
  } else {
    InitRunCapture(Vid, Pid, record);
  }
}

void TDirectShow::VCapCapturePinSet() {
  if (!GraphBuilt() || FormatDialogOpen) return;
  // The graph stops and the camera leaves it, so that the capture pin can change its
  // format. The whole graph goes: under Wine, filters cut out of a live graph keep
  // references to the camera for good.
  if (!RenewGraph()) return;
  capture_builder_->SetFiltergraph(graph_.Get());
  graph_->AddFilter(video_source_.Get(), L"Source Capture");

  ComPtr<IAMStreamConfig> config = StreamConfig(&PIN_CATEGORY_CAPTURE);
  if (config) {
    SetStoredFormat(config.Get());

    dshow::UniqueMediaType current;
    FormatDialogOpen = true;
    const FormatEditResult edit = FormatEditor(config.Get());
    FormatDialogOpen = false;
    if (edit == FormatEditResult::kClosed && SUCCEEDED(config->GetFormat(current.put())) &&
        current.VideoInfo()) {
      CaptureFormat = *current.VideoInfo();
    }
  }
  // Closed, or the panel destroyed, while the dialog was open: nothing left to build.
  if (!GraphBuilt()) return;
  InitRun(RecordMode);
  if (Ready) Run();
}

bool TDirectShow::StillImg() {
  if (!GetReady()) return false;
  StillDone.store(false);
  StillRequested.store(true);
  for (DWORD waited = 0; waited < StillWaitMs && !StillDone.load(); waited += 10) Sleep(10);
  // Withdraw the request under the lock: a copy the streaming thread has begun ends
  // before the lock is ours, so the bitmap is never left half written behind our back.
  Lock lock(StillLock);
  if (StillDone.load()) return true;
  StillRequested.store(false);
  return false;
}

void TDirectShow::GetImg(Bitmap24& bitmap) const {
  Lock lock(StillLock);
  bitmap = StillBitmap;
}

}  // namespace kvo
