#include "avi_file_sink.h"

namespace kvo {

// {71E2721C-E028-49C1-9499-8742A4C76076}
const CLSID CLSID_AviFileSink = {
    0x71e2721c, 0xe028, 0x49c1, {0x94, 0x99, 0x87, 0x42, 0xa4, 0xc7, 0x60, 0x76}};

HRESULT CreateAviFileSink(IBaseFilter** sink) {
  if (!sink) return E_POINTER;
  *sink = nullptr;
  return E_NOTIMPL;
}

HRESULT AddAviFileOutput(IGraphBuilder*, const wchar_t*, IBaseFilter**, IBaseFilter**) {
  return E_NOTIMPL;
}

LONG AviFileSinkLiveObjects() { return 0; }

}  // namespace kvo
