// TDirectShow: the capture panel. A child window whose caption is its status, owning one
// filter graph at a time: the camera (or a media file) as source, the preview in the
// graph's video window parented into the panel, optionally the recording branch, and
// always the still-frame grabber branch. Used from the GUI thread only.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format_dialog.h"
#include "hidden_compressors.h"
#include "still_frame.h"
#include "unique_resource.h"

namespace kvo {

using Microsoft::WRL::ComPtr;
using StringList = std::vector<std::string>;

// Posted by the graph to the panel whenever events are queued.
constexpr UINT GraphEventMessage = WM_APP + 1;

constexpr int kWidePathChars = 512;

// biCompression of a CaptureFormat that holds no format.
constexpr DWORD kNoStoredFormat = 0xFFFFFFFFu;

class TDirectShow {
  // First member: the apartment outlives every interface field.
  ComApartment apartment_;

 public:
  explicit TDirectShow(HWND owner);
  ~TDirectShow();
  TDirectShow(const TDirectShow&) = delete;
  TDirectShow& operator=(const TDirectShow&) = delete;

  HWND Handle() const { return window_; }
  std::string Caption() const;

  // Discovery. GetDeviceEnum: whether a video source was bound. The other statuses: 0 a
  // filter was bound, 1 nothing was bound.
  bool GetDeviceEnum(const std::string& vendor, const std::string& product);
  int32_t GetDeviceList(const std::string& vendor, const std::string& product, StringList& list);
  int32_t GetAudioDevice(int32_t position);
  int32_t GetAudioDeviceList(StringList& list);
  void GetCompressor(ComPtr<IBaseFilter>* filter);
  void GetCompressorsList(StringList& list);

  // Graph and preview.
  void InitRunCapture(const std::string& vendor, const std::string& product, bool record);
  void InitRunFile(const wchar_t* path, bool record);
  void InitRun(bool record);
  void Run();
  void Stop();
  void Close();
  void ReSizeDS();
  bool GetReady() const { return Ready; }
  bool GetInRecord() const { return InRecord; }
  HRESULT GetInterfaces();
  // Stops the graph and removes every filter downstream of the video source.
  void TearDownGraph();
  // Removes every filter downstream of the filter, the furthest first.
  void NukeDownstream(IBaseFilter* filter);
  void CloseInterfaces();
  HRESULT HandleGraphEvent();
  bool VerifyVMR();

  // Recording, capture format and still frames.
  void StartRecord(const wchar_t* path);
  void StopRecord();
  void CapturePinGet(VIDEOINFOHEADER* format) const;
  void CapturePinSet(const VIDEOINFOHEADER* format);
  void VCapCapturePinSet();
  bool StillImg();
  void GetImg(Bitmap24& bitmap) const;

  // The graph as it is now, to look at (tests, diagnostics): the panel keeps every
  // reference; null while there is none.
  IGraphBuilder* Graph() const { return graph_.Get(); }
  IVideoWindow* VideoWindow() const { return video_window_.Get(); }
  IMediaEventEx* MediaEvent() const { return media_event_.Get(); }
  ICaptureGraphBuilder2* CaptureBuilder() const { return capture_builder_.Get(); }
  IBaseFilter* VideoSource() const { return video_source_.Get(); }
  IBaseFilter* AudioSource() const { return audio_source_.Get(); }

  // Public fields: the camera application reads and writes them directly.
  bool Opened = false;
  bool InRecord = false;
  bool Ready = false;
  bool RecordMode = false;
  std::string Vid;
  std::string Pid;
  VIDEOINFOHEADER CaptureFormat{};
  wchar_t CaptureFile[kWidePathChars] = {};
  std::string CompressorName;
  bool FormatDialogOpen = false;
  bool CaptureAudio = false;
  bool HideVideo1Codec = false;
  bool HideRleCodec = false;
  // How a recording ended. Both are cleared only when a graph with the recording branch is
  // built (StartRecord, or InitRun with the record flag); a preview graph built afterwards
  // keeps them. Set while the recording runs, and also by what happens while its graph
  // stops: right after StopRecord, Close or the panel's destruction they tell whether the
  // recording's file was written whole, including the index and headers written at stop.
  //   AbortStatus  the status of the last EC_ERRORABORT of the recording's graph, or, when
  //                no such event carried one, the first failure of the recording's file
  //                (create, write, seek, size); 0 when the file was written whole.
  //   DiskError    set when any such status of the recording was the disk-full
  //                (0x80070070) or the file-not-found (0x80070002) error.
  bool DiskError = false;
  HRESULT AbortStatus = 0;
  int32_t DeviceIndex = 0;
  int32_t AudioIndex = 0;

  // How long StillImg waits for the streaming thread at most (a copy already under way
  // when the wait runs out is still waited for).
  static constexpr DWORD kStillWaitMs = 2000;
  DWORD StillWaitMs = kStillWaitMs;
  // The dialog step of VCapCapturePinSet, given the capture pin's stream configuration.
  std::function<FormatEditResult(IAMStreamConfig*)> FormatEditor = [](IAMStreamConfig* config) {
    return EditStreamFormat(config);
  };

 private:
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK CompWinProcEntry(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam);
  LRESULT CompWinProc(UINT message, WPARAM wparam, LPARAM lparam);
  // Takes the abort events queued in the graph into AbortStatus and DiskError.
  void TakeAbortEvents();
  void NoteAbort(HRESULT status);
  // Before a recording graph is released: what went wrong with its file while it ran or
  // stopped is kept, and a writer the failure left running is stopped (see avi_file_sink.h).
  void FinishRecordingFile();
  // Stops the graph, ends its event messages and frees the video window.
  void QuietenGraph();
  void SetCaption(const char* text);

  // Opened, and every graph interface and the source present: false after Close and after
  // the panel's window was destroyed, even inside a dialog that was open meanwhile.
  bool GraphBuilt() const;
  // InitRunCapture's and InitRunFile's start: the old graph released and new, empty graph
  // interfaces created; false, and the panel closed, when they cannot be.
  bool OpenNewGraph();
  // Builds and runs around the source just found, or gives the graph up without one.
  void InitRunAround(bool source_found, bool record);
  // StartRecord's and StopRecord's rebuild from the same camera or media file.
  void RebuildFromSource(bool record);
  // InitRun's steps 2 to 12; false when a compressor refused the camera's stream and the
  // build stopped there.
  bool BuildGraph(bool record, bool with_compressor);
  // After a rebuild that found no interfaces or no source: closed, not ready, not recording.
  void EndFailedRebuild();
  // Releases the graph whole and creates a new, empty one around the same sources (Wine's
  // graph keeps references to filters cut out of it while it lives). False when the new
  // interfaces cannot be created; the panel is then closed.
  bool RenewGraph();
  // The video source's stream configuration on the pin of that category, or null.
  ComPtr<IAMStreamConfig> StreamConfig(const GUID* category) const;
  void ApplyStoredFormat();
  // Hands the stored format, when there is one, to the capture pin's stream configuration.
  void SetStoredFormat(IAMStreamConfig* config);
  // False when the compressor could not be connected.
  bool AddRecordingBranch(bool with_compressor);
  void StartCapturing();
  void AddGrabberBranch();

  wchar_t source_file_[kWidePathChars] = {};  // the media file InitRunFile opened
  bool from_file_ = false;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IVideoWindow> video_window_;
  ComPtr<IMediaControl> media_control_;
  ComPtr<IMediaEventEx> media_event_;
  ComPtr<ICaptureGraphBuilder2> capture_builder_;
  ComPtr<IBaseFilter> video_source_;
  ComPtr<IBaseFilter> audio_source_;
  ComPtr<IBaseFilter> recording_sink_;  // the file sink of the recording branch, if any
  HiddenCompressorTable hidden_compressors_ = DefaultHiddenCompressors();
  HWND window_ = nullptr;
  WNDPROC panel_proc_ = nullptr;  // the panel's normal procedure while CompWinProc is hooked
};

}  // namespace kvo
