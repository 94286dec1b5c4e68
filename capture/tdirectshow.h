// TDirectShow: the capture panel. A child window whose caption is its status, owning one
// filter graph at a time: the camera (or a media file) as source, the preview in the
// graph's video window parented into the panel, optionally the recording branch, and
// always the still-frame grabber branch. Used from the GUI thread only.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "hidden_compressors.h"
#include "still_frame.h"
#include "unique_resource.h"

namespace kvo {

using Microsoft::WRL::ComPtr;
using StringList = std::vector<std::string>;

// Posted by the graph to the panel whenever events are queued.
constexpr UINT GraphEventMessage = WM_APP + 1;

constexpr int kWidePathChars = 512;

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

  // Discovery. Statuses: 0 a filter was bound, 1 nothing was bound.
  int32_t GetDeviceEnum(const std::string& vendor, const std::string& product);
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
  void TearDownGraph();
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

  // Public fields: the camera application reads and writes them directly.
  bool Opened = false;
  bool InRecord = false;
  bool Ready = false;
  bool RecordMode = false;
  std::string Vid;
  std::string Pid;
  wchar_t SourceFile[kWidePathChars] = {};
  bool FromFile = false;
  ComPtr<IGraphBuilder> Graph;
  ComPtr<IVideoWindow> VideoWindow;
  ComPtr<IMediaControl> MediaControl;
  ComPtr<IMediaEventEx> MediaEvent;
  ComPtr<ICaptureGraphBuilder2> CaptureBuilder;
  ComPtr<IBaseFilter> VideoSource;
  ComPtr<IBaseFilter> AudioSource;
  VIDEOINFOHEADER CaptureFormat{};
  wchar_t CaptureFile[kWidePathChars] = {};
  std::string CompressorName;
  bool FormatDialogOpen = false;
  bool CaptureAudio = false;
  bool HideVideo1Codec = false;
  bool HideRleCodec = false;
  bool DiskError = false;
  int32_t DeviceIndex = 0;
  int32_t AudioIndex = 0;
  HiddenCompressorTable HiddenCompressors = DefaultHiddenCompressors();

  // How long StillImg waits for the streaming thread at most.
  static constexpr DWORD kStillWaitMs = 2000;

 private:
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK CompWinProcEntry(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam);
  LRESULT CompWinProc(UINT message, WPARAM wparam, LPARAM lparam);
  void DrainGraphEvents();
  // Stops the graph, ends its event messages and frees the video window.
  void QuietenGraph();
  void SetCaption(const char* text);

  void ApplyStoredFormat();
  void AddRecordingBranch();
  HRESULT AddFileOutput(ComPtr<IBaseFilter>& mux);
  HRESULT RenderCaptureStream(IBaseFilter* compressor, IBaseFilter* mux);
  void RemoveFailedCompressor(IBaseFilter* compressor, IBaseFilter* mux);
  void StartCapturing();
  void AddGrabberBranch();
  void StopEveryFilter();
  bool EditFormatWithOwnDialog(IAMStreamConfig* config);

  HWND window_ = nullptr;
  WNDPROC panel_proc_ = nullptr;
  // The graph's filters before the capture stream was rendered (identities only).
  std::set<IBaseFilter*> filters_before_render_;  // the panel's normal procedure while CompWinProc is hooked
};

}  // namespace kvo
