#include "avi_file_sink.h"

#include <wrl/client.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "dshow/filter_base.h"
#include "dshow/media_type.h"
#include "dshow/pin_base.h"
#include "dshow/pins.h"
#include "unique_resource.h"

using Microsoft::WRL::ComPtr;

namespace kvo {

const CLSID CLSID_AviFileSink = {
    0x71e2721c, 0xe028, 0x49c1, {0x94, 0x99, 0x87, 0x42, 0xa4, 0xc7, 0x60, 0x76}};

const IID IID_IAviFileSinkStatus = {
    0x5b0c2e57, 0x7a43, 0x4c58, {0x9f, 0x0b, 0x3d, 0x6a, 0x1e, 0x2c, 0x8b, 0x14}};

namespace {

LONG g_live_objects = 0;

// A path of the recording may hold 511 characters (512 with the terminator), as the
// capture component's own file name field does.
constexpr size_t kMaxPathChars = 511;
const wchar_t kPinName[] = L"Input";
const wchar_t kPinId[] = L"In";
// Where the stream writes once its file is abandoned.
const wchar_t kNullDevice[] = L"NUL";

HRESULT ResultOfLastError() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The type the sink asks for: a byte stream holding an AVI file.
AM_MEDIA_TYPE PreferredMediaType() {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Stream;
  type.subtype = MEDIASUBTYPE_Avi;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = 1;
  return type;
}

bool AcceptsMediaType(const AM_MEDIA_TYPE& type) {
  return IsEqualGUID(type.majortype, MEDIATYPE_Stream) != 0;
}

class TAviFileSink;

// The input pin; the mux writes through its IStream.
class SinkPin final : public dshow::PinBase<IMemInputPin, IStream> {
 public:
  explicit SinkPin(TAviFileSink& filter);

  // IPin
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP EndOfStream() override;

  // IMemInputPin: samples that carry byte positions as their times, written there.
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL read_only) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override { return S_OK; }

  // IStream: what the AVI Mux writes through.
  STDMETHODIMP Read(void* data, ULONG size, ULONG* done) override;
  STDMETHODIMP Write(const void* data, ULONG size, ULONG* done) override;
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  STDMETHODIMP SetSize(ULARGE_INTEGER size) override;
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Commit(DWORD flags) override;
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

 private:
  void* OtherInterface(REFIID iid) override;

  TAviFileSink& filter_;
};

class TAviFileSink final : public dshow::FilterBase<IFileSinkFilter, IAviFileSinkStatus> {
 public:
  TAviFileSink()
      : FilterBase({CLSID_AviFileSink, AM_FILTER_MISC_FLAGS_IS_RENDERER, false},
                   &g_live_objects),
        pin_(*this) {}

  // IMediaFilter
  STDMETHODIMP Stop() override {
    // The file stays open: the mux stops after the sink and only then writes its headers.
    Lock lock(lock_);
    state_ = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP Pause() override {
    HRESULT opened = S_OK;
    bool report = false;
    {
      Lock lock(lock_);
      if (state_ == State_Stopped && peer_) {
        opened = StartRunLocked();
        report = FAILED(opened) && NoteFailureLocked(opened);
      }
      state_ = State_Paused;
    }
    // A file that cannot be made is a recording error, not a graph error: the graph runs
    // on (the preview with it) and the owner learns of it from the abort event.
    if (report) Report(EC_ERRORABORT, opened);
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    bool stopped = false;
    {
      Lock lock(lock_);
      stopped = state_ == State_Stopped;
    }
    if (stopped) Pause();
    Lock lock(lock_);
    state_ = State_Running;
    return S_OK;
  }

  // IFileSinkFilter
  STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
    if (!name) return E_POINTER;
    const size_t length = wcsnlen(name, kMaxPathChars + 1);
    if (length == 0 || length > kMaxPathChars) return E_INVALIDARG;
    return ComBarrier([&] {
      std::wstring kept(name, length);
      Lock lock(lock_);
      if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
      file_.reset();
      abandoned_ = false;
      open_error_ = S_OK;
      file_failure_ = S_OK;
      file_name_.swap(kept);
      return S_OK;
    });
  }
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    Lock lock(lock_);
    if (file_name_.empty()) return E_FAIL;
    const HRESULT hr = dshow::CopyToTaskMemory(file_name_.c_str(), name);
    if (FAILED(hr)) return hr;
    if (type) *type = PreferredMediaType();
    return S_OK;
  }

  // IAviFileSinkStatus
  STDMETHODIMP FileFailure() override {
    Lock lock(lock_);
    return file_failure_;
  }
  STDMETHODIMP AbandonFile() override {
    Lock lock(lock_);
    file_.reset(CreateFileW(kNullDevice, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr));
    abandoned_ = true;
    open_error_ = file_ ? S_OK : ResultOfLastError();
    return open_error_;
  }

 private:
  friend class SinkPin;

  ~TAviFileSink() override = default;
  std::size_t ListPins(IPin** pins) override {
    pins[0] = &pin_;
    return 1;
  }
  void* OtherInterface(REFIID iid) override {
    if (IsEqualIID(iid, IID_IFileSinkFilter)) return static_cast<IFileSinkFilter*>(this);
    if (IsEqualIID(iid, IID_IAviFileSinkStatus)) return static_cast<IAviFileSinkStatus*>(this);
    return nullptr;
  }

  // All *Locked functions expect lock_ to be held.
  HRESULT OpenFreshLocked() {
    file_.reset();
    abandoned_ = false;
    if (file_name_.empty()) {
      open_error_ = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
      return open_error_;
    }
    // CREATE_NEW: a file that appeared under this name since the caller chose it (another
    // program's, or an earlier recording's) is refused, never truncated.
    file_.reset(CreateFileW(file_name_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    open_error_ = file_ ? S_OK : ResultOfLastError();
    return open_error_;
  }
  HRESULT EnsureOpenLocked() {
    if (file_) return S_OK;
    // One attempt per run: a path that failed is reported once, not at every write.
    if (FAILED(open_error_)) return open_error_;
    return OpenFreshLocked();
  }
  HRESULT WriteAllLocked(const BYTE* data, ULONG size, ULONG* done) {
    *done = 0;
    while (*done < size) {
      DWORD written = 0;
      if (!WriteFile(file_.get(), data + *done, size - *done, &written, nullptr)) {
        return ResultOfLastError();
      }
      // A write that makes no progress and names no error is a full disk by another name.
      if (written == 0) return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
      *done += written;
    }
    return S_OK;
  }
  HRESULT WriteAt(const LONGLONG* position, const BYTE* data, ULONG size, ULONG* done) {
    *done = 0;
    return ChangeFile([&] {
      if (position) {
        if (*position < 0) return E_INVALIDARG;
        LARGE_INTEGER offset;
        offset.QuadPart = *position;
        if (!SetFilePointerEx(file_.get(), offset, nullptr, FILE_BEGIN)) {
          return ResultOfLastError();
        }
      }
      return WriteAllLocked(data, size, done);
    });
  }
  // A new run of a connected sink: the file afresh, and no failure yet.
  HRESULT StartRunLocked() {
    file_failure_ = S_OK;
    if (file_ && !abandoned_) {
      // The file this sink made in an earlier run: started afresh through the handle, never
      // by name, so no file that someone else made meanwhile can be hit.
      const LARGE_INTEGER start = {};
      const bool emptied =
          SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) && SetEndOfFile(file_.get());
      open_error_ = emptied ? S_OK : ResultOfLastError();
      if (!emptied) file_.reset();
      return open_error_;
    }
    return OpenFreshLocked();
  }
  // Remembers a failure of the file; true when it is the first of this run and must be
  // reported to the graph. Nothing is noted for an abandoned file.
  bool NoteFailureLocked(HRESULT failure) {
    if (abandoned_ || FAILED(file_failure_)) return false;
    file_failure_ = failure;
    return true;
  }
  // Runs change() under the lock once the file is open; a failure is noted, and the first
  // of a run reported to the graph. STG_E_INVALIDFUNCTION is a request no file could carry
  // out, not a failure of the file.
  template <typename Change>
  HRESULT ChangeFile(Change&& change) {
    HRESULT hr = S_OK;
    bool report = false;
    {
      Lock lock(lock_);
      hr = EnsureOpenLocked();
      if (SUCCEEDED(hr)) hr = change();
      report = FAILED(hr) && hr != STG_E_INVALIDFUNCTION && NoteFailureLocked(hr);
    }
    if (report) Report(EC_ERRORABORT, hr);
    return hr;
  }
  void Report(long event_code, LONG_PTR first) {
    const LONG_PTR second =
        event_code == EC_COMPLETE ? reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this))
                                  : 0;
    NotifyGraph(event_code, first, second);
  }

  SinkPin pin_;
  ComPtr<IPin> peer_;
  AM_MEDIA_TYPE connection_type_ = {};
  ComPtr<IMemAllocator> allocator_;
  std::wstring file_name_;
  UniqueFileHandle file_;  // the file this sink made, or the null device once abandoned
  bool abandoned_ = false;
  HRESULT open_error_ = S_OK;
  HRESULT file_failure_ = S_OK;  // the first failure of this run
};

SinkPin::SinkPin(TAviFileSink& filter)
    : PinBase(filter, PINDIR_INPUT, kPinName, kPinId), filter_(filter) {}

void* SinkPin::OtherInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IMemInputPin)) return static_cast<IMemInputPin*>(this);
  if (IsEqualIID(iid, IID_IStream) || IsEqualIID(iid, IID_ISequentialStream)) {
    return static_cast<IStream*>(this);
  }
  return nullptr;
}

STDMETHODIMP SinkPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  PIN_DIRECTION direction = PINDIR_INPUT;
  if (FAILED(connector->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  Lock lock(filter_.lock_);
  if (filter_.peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_.state_ != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!AcceptsMediaType(*type)) return VFW_E_TYPE_NOT_ACCEPTED;
  AM_MEDIA_TYPE copy;
  const HRESULT hr = dshow::CopyMediaType(*type, &copy);
  if (FAILED(hr)) return hr;
  dshow::ClearMediaType(filter_.connection_type_);
  filter_.connection_type_ = copy;
  filter_.peer_ = connector;
  return S_OK;
}

STDMETHODIMP SinkPin::Disconnect() {
  ComPtr<IPin> peer;
  ComPtr<IMemAllocator> allocator;
  {
    Lock lock(filter_.lock_);
    if (filter_.state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!filter_.peer_) return S_FALSE;
    peer = std::move(filter_.peer_);
    allocator = std::move(filter_.allocator_);
    dshow::ClearMediaType(filter_.connection_type_);
    // The mux has written its headers by now (it is stopped): the file is complete.
    filter_.file_.reset();
  }
  return S_OK;
}

STDMETHODIMP SinkPin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  Lock lock(filter_.lock_);
  return dshow::HandOutPeer(filter_.peer_.Get(), pin);
}

STDMETHODIMP SinkPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  Lock lock(filter_.lock_);
  if (!filter_.peer_) return dshow::NoConnectionType(type);
  return dshow::CopyMediaType(filter_.connection_type_, type);
}

STDMETHODIMP SinkPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  return AcceptsMediaType(*type) ? S_OK : S_FALSE;
}

STDMETHODIMP SinkPin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  const AM_MEDIA_TYPE preferred = PreferredMediaType();
  return ComBarrier(
      [&] { return dshow::CreateMediaTypeEnumerator(&preferred, 1, &g_live_objects, types); });
}

STDMETHODIMP SinkPin::EndOfStream() {
  bool running = false;
  {
    Lock lock(filter_.lock_);
    running = filter_.state_ == State_Running;
  }
  if (running) filter_.Report(EC_COMPLETE, S_OK);
  return S_OK;
}

STDMETHODIMP SinkPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  *allocator = nullptr;
  return VFW_E_NO_ALLOCATOR;
}

STDMETHODIMP SinkPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (!allocator) return E_POINTER;
  Lock lock(filter_.lock_);
  filter_.allocator_ = allocator;
  return S_OK;
}

STDMETHODIMP SinkPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  {
    Lock lock(filter_.lock_);
    if (filter_.state_ == State_Stopped) return VFW_E_WRONG_STATE;
  }
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long length = sample->GetActualDataLength();
  if (length < 0) return E_INVALIDARG;
  // A byte-stream sample's start time is its offset in the file; without one the bytes
  // follow the previous write.
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT timed = sample->GetTime(&start, &stop);
  const bool positioned = timed == S_OK || timed == VFW_S_NO_STOP_TIME;
  ULONG done = 0;
  return filter_.WriteAt(positioned ? &start : nullptr, data, static_cast<ULONG>(length), &done);
}

STDMETHODIMP SinkPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  for (long i = 0; i < count; ++i) {
    const HRESULT hr = Receive(samples[i]);
    if (hr != S_OK) return hr;
    ++*processed;
  }
  return S_OK;
}

STDMETHODIMP SinkPin::Read(void* data, ULONG size, ULONG* done) {
  if (!data) return STG_E_INVALIDPOINTER;
  Lock lock(filter_.lock_);
  if (done) *done = 0;
  const HRESULT hr = filter_.EnsureOpenLocked();
  if (FAILED(hr)) return hr;
  DWORD read = 0;
  if (!ReadFile(filter_.file_.get(), data, size, &read, nullptr)) return ResultOfLastError();
  if (done) *done = read;
  return read == size ? S_OK : S_FALSE;
}

STDMETHODIMP SinkPin::Write(const void* data, ULONG size, ULONG* done) {
  if (!data) return STG_E_INVALIDPOINTER;
  ULONG written = 0;
  const HRESULT hr = filter_.WriteAt(nullptr, static_cast<const BYTE*>(data), size, &written);
  if (done) *done = written;
  return hr;
}

STDMETHODIMP SinkPin::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  DWORD method = FILE_BEGIN;
  switch (origin) {
    case STREAM_SEEK_SET: method = FILE_BEGIN; break;
    case STREAM_SEEK_CUR: method = FILE_CURRENT; break;
    case STREAM_SEEK_END: method = FILE_END; break;
    default: return STG_E_INVALIDFUNCTION;
  }
  return filter_.ChangeFile([&] {
    LARGE_INTEGER reached = {};
    if (!SetFilePointerEx(filter_.file_.get(), move, &reached, method)) {
      return ResultOfLastError();
    }
    if (position) position->QuadPart = static_cast<ULONGLONG>(reached.QuadPart);
    return S_OK;
  });
}

STDMETHODIMP SinkPin::SetSize(ULARGE_INTEGER size) {
  return filter_.ChangeFile([&] {
    const HANDLE file = filter_.file_.get();
    LARGE_INTEGER kept = {};
    const LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, &kept, FILE_CURRENT)) return ResultOfLastError();
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size.QuadPart);
    HRESULT hr = S_OK;
    if (end.QuadPart < 0 || !SetFilePointerEx(file, end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(file)) {
      hr = end.QuadPart < 0 ? STG_E_INVALIDFUNCTION : ResultOfLastError();
    }
    SetFilePointerEx(file, kept, nullptr, FILE_BEGIN);
    return hr;
  });
}

STDMETHODIMP SinkPin::Commit(DWORD) {
  Lock lock(filter_.lock_);
  if (!filter_.file_) return S_OK;
  return FlushFileBuffers(filter_.file_.get()) ? S_OK : ResultOfLastError();
}

STDMETHODIMP SinkPin::Stat(STATSTG* stat, DWORD flags) {
  if (!stat) return STG_E_INVALIDPOINTER;
  std::memset(stat, 0, sizeof *stat);
  Lock lock(filter_.lock_);
  stat->type = STGTY_STREAM;
  stat->grfMode = STGM_READWRITE;
  if (filter_.file_) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(filter_.file_.get(), &size)) return ResultOfLastError();
    stat->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
  }
  if (!(flags & STATFLAG_NONAME) && !filter_.file_name_.empty()) {
    return dshow::CopyToTaskMemory(filter_.file_name_.c_str(), &stat->pwcsName);
  }
  return S_OK;
}

// Adds the mux and the sink and connects them; on failure the caller removes both.
HRESULT ConnectAviFileOutput(IGraphBuilder* graph, const wchar_t* path, IBaseFilter* mux,
                             IBaseFilter* sink) {
  ComPtr<IConfigInterleaving> interleaving;
  HRESULT hr = mux->QueryInterface(IID_PPV_ARGS(&interleaving));
  if (FAILED(hr)) return hr;
  // Without full interleaving Wine's mux writes no frames.
  hr = interleaving->put_Mode(INTERLEAVE_FULL);
  if (FAILED(hr)) return hr;
  ComPtr<IFileSinkFilter> file_sink;
  hr = sink->QueryInterface(IID_PPV_ARGS(&file_sink));
  if (FAILED(hr)) return hr;
  hr = file_sink->SetFileName(path, nullptr);
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(mux, L"AVI Mux");
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(sink, L"File Writer");
  if (FAILED(hr)) return hr;
  ComPtr<IPin> mux_output, sink_input;
  hr = dshow::FirstPinOf(mux, PINDIR_OUTPUT, &mux_output);
  if (FAILED(hr)) return hr;
  hr = dshow::FirstPinOf(sink, PINDIR_INPUT, &sink_input);
  if (FAILED(hr)) return hr;
  return graph->ConnectDirect(mux_output.Get(), sink_input.Get(), nullptr);
}

}  // namespace

HRESULT CreateAviFileSink(IBaseFilter** sink) {
  if (!sink) return E_POINTER;
  *sink = new (std::nothrow) TAviFileSink();
  return *sink ? S_OK : E_OUTOFMEMORY;
}

HRESULT AddAviFileOutput(IGraphBuilder* graph, const wchar_t* path, IBaseFilter** mux,
                         IBaseFilter** sink) {
  if (mux) *mux = nullptr;
  if (sink) *sink = nullptr;
  if (!graph || !path) return E_POINTER;
  ComPtr<IBaseFilter> new_mux, new_sink;
  HRESULT hr = CoCreateInstance(CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&new_mux));
  if (FAILED(hr)) return hr;
  hr = CreateAviFileSink(&new_sink);
  if (FAILED(hr)) return hr;
  hr = ConnectAviFileOutput(graph, path, new_mux.Get(), new_sink.Get());
  if (FAILED(hr)) {
    // RemoveFilter of a filter that was never added fails harmlessly.
    graph->RemoveFilter(new_sink.Get());
    graph->RemoveFilter(new_mux.Get());
    return hr;
  }
  if (mux) *mux = new_mux.Detach();
  if (sink) *sink = new_sink.Detach();
  return S_OK;
}

HRESULT FinishAviFileOutput(IFilterGraph* graph, IBaseFilter* sink) {
  if (!sink) return E_POINTER;
  ComPtr<IAviFileSinkStatus> status;
  const HRESULT found = sink->QueryInterface(IID_IAviFileSinkStatus,
                                             reinterpret_cast<void**>(status.GetAddressOf()));
  if (FAILED(found)) return found;
  const HRESULT failure = status->FileFailure();
  if (SUCCEEDED(failure)) return failure;
  // The writer may have failed its Stop over the file; into the null device it can finish.
  status->AbandonFile();
  StopFiltersStillRunning(graph);
  return failure;
}

void StopFiltersStillRunning(IFilterGraph* graph) {
  if (!graph) return;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.GetAddressOf())) || !filters) return;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK && filter) {
    FILTER_STATE state = State_Stopped;
    // A live source answers VFW_S_CANT_CUE while paused: any answer but "stopped" counts.
    const HRESULT asked = filter->GetState(0, &state);
    if (FAILED(asked) || state != State_Stopped) filter->Stop();
  }
}

LONG AviFileSinkLiveObjects() { return InterlockedCompareExchange(&g_live_objects, 0, 0); }

}  // namespace kvo
