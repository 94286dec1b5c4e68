#include "format_dialog.h"

#include <cstddef>
#include <cstring>
#include <optional>

#include <olectl.h>
#include <wrl/client.h>

#include "error_barrier.h"

namespace kvo {

namespace {

// The layouts stream_caps.h reads the blocks by.
static_assert(sizeof(GUID) == sizeof(MediaSubtype), "subtype");
static_assert(sizeof(VIDEOINFOHEADER) == kVideoInfoHeaderBytes, "video-info header");
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == kVideoInfoFrameTimeOffset,
              "frame time");
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biWidth) ==
                  kVideoInfoWidthOffset,
              "width");
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biHeight) ==
                  kVideoInfoHeightOffset,
              "height");
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) + offsetof(BITMAPINFOHEADER, biBitCount) ==
                  kVideoInfoBitCountOffset,
              "bit count");
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == kVideoCapsRecordBytes, "capability record");

std::optional<VideoFormatFields> FormatFieldsOf(const AM_MEDIA_TYPE& type) {
  MediaSubtype subtype;
  std::memcpy(subtype.data(), &type.subtype, subtype.size());
  return ReadVideoInfoBlock(type.formattype == FORMAT_VideoInfo, subtype, type.pbFormat,
                            type.cbFormat);
}

struct StreamCapability {
  dshow::UniqueMediaType type;  // as the pin handed it out; given back to SetFormat when chosen
  VideoFormatFields format;     // read from the type's video-info block
  std::string line;             // "320 x 240, 24 bit, 30.00 fps"
};

struct DialogState {
  const std::vector<StreamCapability>* capabilities;
  int preselected;
  int chosen;
};

// An in-memory dialog template: header, then each item aligned to four bytes.
class TemplateWriter {
 public:
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Word(WORD value) { Raw(&value, sizeof value); }
  void Text(const wchar_t* text) { Raw(text, (std::wcslen(text) + 1) * sizeof(wchar_t)); }
  void Raw(const void* data, std::size_t size) {
    const BYTE* begin = static_cast<const BYTE*>(data);
    bytes_.insert(bytes_.end(), begin, begin + size);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom,
            const wchar_t* text) {
    Align();
    const DLGITEMTEMPLATE item = {style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
    Raw(&item, sizeof item);
    Word(0xFFFF);  // a class atom follows
    Word(class_atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Template() {
    Align();
    return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
  }

 private:
  std::vector<BYTE> bytes_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kListBoxAtom = 0x0083;

INT_PTR StreamFormatMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DialogState*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      HWND list = GetDlgItem(dialog, kStreamFormatListId);
      for (const StreamCapability& capability : *state->capabilities) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(capability.line.c_str()));
      }
      SendMessageA(list, LB_SETCURSEL, state->preselected, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK ||
          (LOWORD(wparam) == kStreamFormatListId && HIWORD(wparam) == LBN_DBLCLK)) {
        const LRESULT row = SendDlgItemMessageA(dialog, kStreamFormatListId, LB_GETCURSEL, 0, 0);
        state->chosen = row == LB_ERR ? -1 : static_cast<int>(row);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        state->chosen = -1;
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK StreamFormatProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return CallGuarded(dialog, INT_PTR{FALSE},
                     [&] { return StreamFormatMessage(dialog, message, wparam, lparam); });
}

// The video-info capabilities of the pin, in the pin's order; others are left out.
std::vector<StreamCapability> ReadStreamCapabilities(IAMStreamConfig* config) {
  std::vector<StreamCapability> capabilities;
  int count = 0;
  int caps_size = 0;
  if (config == nullptr || FAILED(config->GetNumberOfCapabilities(&count, &caps_size))) {
    return capabilities;
  }
  const std::size_t record_size = CapsRecordBufferSize(count, caps_size);
  if (record_size == 0) return capabilities;
  std::vector<BYTE> caps(record_size);
  for (int i = 0; i < count; ++i) {
    StreamCapability capability;
    if (FAILED(config->GetStreamCaps(i, capability.type.put(), caps.data()))) continue;
    const std::optional<VideoFormatFields> format =
        capability.type ? FormatFieldsOf(*capability.type.get()) : std::nullopt;
    if (!format) continue;
    capability.format = *format;
    capability.line = CapabilityLine(*format);
    capabilities.push_back(std::move(capability));
  }
  return capabilities;
}

// The row that has the current format's subtype, size and bit depth (and frame time,
// when several do); 0 when none has.
int FindCurrentCapability(const std::vector<StreamCapability>& capabilities,
                          const AM_MEDIA_TYPE& current) {
  std::vector<VideoFormatFields> rows;
  rows.reserve(capabilities.size());
  for (const StreamCapability& capability : capabilities) rows.push_back(capability.format);
  return ChooseCurrentCapability(rows, FormatFieldsOf(current));
}

// Runs the modal dialog on the calling thread. Returns the chosen row, or -1 when the
// user cancels or the list is empty.
int ShowStreamFormatDialog(const std::vector<StreamCapability>& capabilities, int preselected) {
  if (capabilities.empty()) return -1;
  TemplateWriter writer;
  // Three items: the list box, OK and Cancel.
  const DLGTEMPLATE header = {
      DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 3, 30, 30,
      200, 130};
  writer.Raw(&header, sizeof header);
  writer.Word(0);  // no menu
  writer.Word(0);  // the standard dialog class
  writer.Text(L"Stream Format");
  writer.Word(8);
  writer.Text(L"MS Shell Dlg");
  writer.Item(LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 7, 186, 96,
              kStreamFormatListId, kListBoxAtom, L"");
  writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 86, 109, 50, 14, IDOK, kButtonAtom, L"OK");
  writer.Item(BS_PUSHBUTTON | WS_TABSTOP, 143, 109, 50, 14, IDCANCEL, kButtonAtom, L"Cancel");

  DialogState state{&capabilities, preselected, -1};
  if (preselected < 0 || static_cast<std::size_t>(preselected) >= capabilities.size()) {
    state.preselected = 0;
  }
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), writer.Template(),
                                                 nullptr, StreamFormatProc,
                                                 reinterpret_cast<LPARAM>(&state));
  const bool row_chosen =
      state.chosen >= 0 && static_cast<std::size_t>(state.chosen) < capabilities.size();
  return result == IDOK && row_chosen ? state.chosen : -1;
}

bool EditWithOwnDialog(IAMStreamConfig* config) {
  std::vector<StreamCapability> capabilities = ReadStreamCapabilities(config);
  if (capabilities.empty()) return false;
  dshow::UniqueMediaType current;
  int preselected = 0;
  if (SUCCEEDED(config->GetFormat(current.put())) && current.VideoInfo()) {
    preselected = FindCurrentCapability(capabilities, *current.get());
  }
  const int chosen = ShowStreamFormatDialog(capabilities, preselected);
  if (chosen < 0) return false;
  config->SetFormat(capabilities[chosen].type.get());
  return true;
}

}  // namespace

HRESULT ShowPropertyFrame(IUnknown* object, const CAUUID& pages) {
  IUnknown* objects[] = {object};
  return OleCreatePropertyFrame(nullptr, 30, 30, nullptr, 1, objects, pages.cElems,
                                pages.pElems, 0, 0, nullptr);
}

FormatEditResult EditStreamFormat(IAMStreamConfig* config, const PropertyFrameFunction& frame) {
  if (config == nullptr) return FormatEditResult::kNoDialog;
  Microsoft::WRL::ComPtr<ISpecifyPropertyPages> specify;
  CAUUID pages{};
  if (SUCCEEDED(config->QueryInterface(IID_PPV_ARGS(&specify))) && specify &&
      SUCCEEDED(specify->GetPages(&pages))) {
    const bool shown = pages.cElems > 0 && SUCCEEDED(frame(config, pages));
    CoTaskMemFree(pages.pElems);
    if (shown) return FormatEditResult::kClosed;
  }
  // No pages, or no frame could show them: the pin's choices in our own list, so that the
  // user can still choose a format.
  return EditWithOwnDialog(config) ? FormatEditResult::kClosed : FormatEditResult::kCancelled;
}

}  // namespace kvo
