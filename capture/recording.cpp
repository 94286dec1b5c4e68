// Recording branch, stored capture format, still-frame grabber branch and stills.
#include <qedit.h>

#include <cstring>
#include <set>

#include "avi_file_sink.h"
#include "capture_guids.h"
#include "format_dialog.h"
#include "media_type.h"
#include "sample_grabber_cb.h"
#include "tdirectshow.h"

namespace kvo {

namespace {

// Stream control takes this time as never.
constexpr REFERENCE_TIME MAXLONGLONG_TIME = 0x7FFFFFFFFFFFFFFFLL;

HRESULT FindStreamConfig(ICaptureGraphBuilder2* builder, const GUID* category,
                         IBaseFilter* source, ComPtr<IAMStreamConfig>& config) {
  config.Reset();
  if (builder == nullptr || source == nullptr) return E_POINTER;
  return builder->FindInterface(category, &MEDIATYPE_Video, source, IID_IAMStreamConfig,
                                reinterpret_cast<void**>(config.GetAddressOf()));
}

std::set<IBaseFilter*> FiltersIn(IGraphBuilder* graph, std::vector<ComPtr<IBaseFilter>>* held) {
  std::set<IBaseFilter*> found;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.GetAddressOf())) || !filters) return found;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK && filter) {
    found.insert(filter.Get());
    if (held != nullptr) held->push_back(filter);
  }
  return found;
}

}  // namespace

void TDirectShow::CapturePinGet(VIDEOINFOHEADER* format) const {
  if (format != nullptr) std::memcpy(format, &CaptureFormat, sizeof CaptureFormat);
}

void TDirectShow::CapturePinSet(const VIDEOINFOHEADER* format) {
  if (format != nullptr) std::memcpy(&CaptureFormat, format, sizeof CaptureFormat);
}

void TDirectShow::ApplyStoredFormat() {
  if (CaptureFormat.bmiHeader.biCompression == 0xFFFFFFFFu) return;
  ComPtr<IAMStreamConfig> config;
  if (FAILED(FindStreamConfig(CaptureBuilder.Get(), &PIN_CATEGORY_CAPTURE, VideoSource.Get(),
                              config)) ||
      !config) {
    return;
  }
  UniqueMediaType current;
  if (FAILED(config->GetFormat(current.put())) || !current.VideoInfo()) return;
  // The major type and subtype stay the pin's; only the format block is the stored one.
  AM_MEDIA_TYPE stored = *current.get();
  stored.pbFormat = reinterpret_cast<BYTE*>(&CaptureFormat);
  config->SetFormat(&stored);
}

void TDirectShow::AddRecordingBranch() {
  ComPtr<IBaseFilter> compressor;
  if (!CompressorName.empty()) GetCompressor(&compressor);
  if (compressor) Graph->AddFilter(compressor.Get(), L"Compressor");
  const bool with_audio = CaptureAudio && AudioSource;
  if (with_audio) Graph->AddFilter(AudioSource.Get(), L"Audio Device");

  ComPtr<IBaseFilter> mux;
  if (SUCCEEDED(AddFileOutput(mux)) && mux) {
    if (FAILED(RenderCaptureStream(compressor.Get(), mux.Get())) && compressor) {
      // The compressor cannot take the camera's format. Recording without it beats a
      // file without video: the compressor goes, and the stream is rendered uncompressed
      // into a fresh output (the failed attempt leaves the old one unusable).
      RemoveFailedCompressor(compressor.Get(), mux.Get());
      mux.Reset();
      if (SUCCEEDED(AddFileOutput(mux)) && mux) RenderCaptureStream(nullptr, mux.Get());
    }
    if (with_audio && mux) {
      CaptureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, AudioSource.Get(),
                                   nullptr, mux.Get());
    }
  }
  mux.Reset();
  // Preview flows when the graph runs; the file gets nothing until Run releases this.
  REFERENCE_TIME never = MAXLONGLONG_TIME;
  CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, nullptr, 0, 0);
}

HRESULT TDirectShow::AddFileOutput(ComPtr<IBaseFilter>& mux) {
  ComPtr<IFileSinkFilter> writer;
  HRESULT status = CaptureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, CaptureFile,
                                                     mux.ReleaseAndGetAddressOf(),
                                                     writer.GetAddressOf());
  if (SUCCEEDED(status) && mux) return status;
  // A builder without its own file writer: the same output from the platform's AVI
  // multiplexer and our file sink.
  mux.Reset();
  return AddAviFileOutput(Graph.Get(), CaptureFile, mux.ReleaseAndGetAddressOf(), nullptr);
}

HRESULT TDirectShow::RenderCaptureStream(IBaseFilter* compressor, IBaseFilter* mux) {
  filters_before_render_.clear();
  for (IBaseFilter* filter : FiltersIn(Graph.Get(), nullptr)) filters_before_render_.insert(filter);
  return CaptureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, VideoSource.Get(),
                                      compressor, mux);
}

void TDirectShow::RemoveFailedCompressor(IBaseFilter* compressor, IBaseFilter* mux) {
  // Whatever the failed render added, the compressor, and the old output with its writer.
  std::vector<ComPtr<IBaseFilter>> held;
  for (IBaseFilter* filter : FiltersIn(Graph.Get(), &held)) {
    if (filter == compressor || filters_before_render_.count(filter) == 0) {
      Graph->RemoveFilter(filter);
    }
  }
  NukeDownstream(mux);
  Graph->RemoveFilter(mux);
  filters_before_render_.clear();
}

void TDirectShow::StartCapturing() {
  REFERENCE_TIME never = MAXLONGLONG_TIME;
  CaptureBuilder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &never, 0, 0);
}

void TDirectShow::AddGrabberBranch() {
  StillBitmap.Clear();
  ComPtr<ISampleGrabber> grabber;
  if (FAILED(CoCreateInstance(kClsidSampleGrabber, nullptr, CLSCTX_ALL, IID_ISampleGrabber,
                              reinterpret_cast<void**>(grabber.GetAddressOf())))) {
    return;
  }
  ComPtr<IBaseFilter> grabber_filter;
  ComPtr<IBaseFilter> null_renderer;
  const bool grabber_added = SUCCEEDED(grabber->QueryInterface(
                                 IID_IBaseFilter, reinterpret_cast<void**>(grabber_filter.GetAddressOf()))) &&
                             SUCCEEDED(Graph->AddFilter(grabber_filter.Get(), L"Grabber"));
  if (grabber_added) {
    if (FAILED(CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                reinterpret_cast<void**>(null_renderer.GetAddressOf())))) {
      return;
    }
    if (FAILED(Graph->AddFilter(null_renderer.Get(), L"NULL renderer"))) return;
  }

  ComPtr<IAMStreamConfig> config;
  FindStreamConfig(CaptureBuilder.Get(), &PIN_CATEGORY_CAPTURE, VideoSource.Get(), config);
  if (!config) FindStreamConfig(CaptureBuilder.Get(), &PIN_CATEGORY_PREVIEW, VideoSource.Get(), config);
  if (config) {
    UniqueMediaType current;
    if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
      current->majortype = MEDIATYPE_Video;
      current->subtype = MEDIASUBTYPE_RGB24;
      KeepGrabberMediaType(*current.get());
      GrabberCB.Width = current.VideoInfo()->bmiHeader.biWidth;
      GrabberCB.Height = current.VideoInfo()->bmiHeader.biHeight;
      config->SetFormat(current.get());
    }
    config.Reset();
  }
  grabber->SetMediaType(&GrabberMediaType);
  CaptureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, VideoSource.Get(),
                               grabber_filter.Get(), null_renderer.Get());
  AM_MEDIA_TYPE connected{};
  if (SUCCEEDED(grabber->GetConnectedMediaType(&connected))) FreeMediaTypeContents(connected);
  grabber->SetBufferSamples(FALSE);
  grabber->SetOneShot(FALSE);
  grabber->SetCallback(&GrabberCB, 1);
}

void TDirectShow::StartRecord(const wchar_t* path) {
  if (!Opened || InRecord) return;
  if (path != nullptr) {
    std::size_t length = 0;
    while (length + 1 < kWidePathChars && path[length] != L'\0') ++length;
    std::memcpy(CaptureFile, path, length * sizeof(wchar_t));
    CaptureFile[length] = L'\0';
  }
  if (FromFile) {
    InitRunFile(SourceFile, true);
  } else {
    InitRunCapture(Vid, Pid, true);
  }
}

void TDirectShow::StopRecord() {
  if (!Opened || !InRecord) return;
  if (FromFile) {
    InitRunFile(SourceFile, false);
  } else {
    InitRunCapture(Vid, Pid, false);
  }
}

void TDirectShow::VCapCapturePinSet() {
  if (!Opened || FormatDialogOpen) return;
  TearDownGraph();
  ComPtr<IAMStreamConfig> config;
  FindStreamConfig(CaptureBuilder.Get(), &PIN_CATEGORY_CAPTURE, VideoSource.Get(), config);
  if (config) {
    UniqueMediaType current;
    if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
      std::memcpy(current->pbFormat, &CaptureFormat, sizeof CaptureFormat);
      config->SetFormat(current.get());
    }
    current.reset();

    ComPtr<ISpecifyPropertyPages> pages;
    CAUUID page_list{};
    if (SUCCEEDED(config->QueryInterface(IID_ISpecifyPropertyPages,
                                               reinterpret_cast<void**>(pages.GetAddressOf()))) && SUCCEEDED(pages->GetPages(&page_list)) &&
        page_list.cElems > 0) {
      FormatDialogOpen = true;
      IUnknown* objects[] = {config.Get()};
      OleCreatePropertyFrame(nullptr, 30, 30, nullptr, 1, objects, page_list.cElems,
                             page_list.pElems, 0, 0, nullptr);
      FormatDialogOpen = false;
    } else {
      // The pin offers no pages of its own: list its capabilities in our dialog.
      FormatDialogOpen = true;
      EditFormatWithOwnDialog(config.Get());
      FormatDialogOpen = false;
    }
    CoTaskMemFree(page_list.pElems);
    if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
      std::memcpy(&CaptureFormat, current->pbFormat, sizeof CaptureFormat);
    }
  }
  InitRun(RecordMode);
  if (Ready) Run();
}

bool TDirectShow::EditFormatWithOwnDialog(IAMStreamConfig* config) {
  std::vector<StreamCapability> capabilities = ReadStreamCapabilities(config);
  if (capabilities.empty()) return false;
  UniqueMediaType current;
  int preselected = 0;
  if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
    preselected = FindCurrentCapability(capabilities, *current.get());
  }
  const int chosen = ShowStreamFormatDialog(capabilities, preselected);
  if (chosen < 0) return false;
  return SUCCEEDED(config->SetFormat(capabilities[chosen].type.get()));
}

bool TDirectShow::StillImg() {
  if (!GetReady()) return false;
  StillDone.store(false);
  StillRequested.store(true);
  for (DWORD waited = 0; waited < kStillWaitMs; waited += 10) {
    if (StillDone.load()) return true;
    Sleep(10);
  }
  if (StillDone.load()) return true;
  // Withdraw the request; when the streaming thread has just taken it, let it finish the
  // copy rather than leave it writing into the bitmap behind our back.
  bool expected = true;
  if (StillRequested.compare_exchange_strong(expected, false)) return false;
  for (int i = 0; i < 100 && !StillDone.load(); ++i) Sleep(10);
  return StillDone.load();
}

void TDirectShow::GetImg(Bitmap24& bitmap) const { bitmap = StillBitmap; }

}  // namespace kvo
