#include "property_routes.h"

#include "text.h"

namespace kvo::cm {

namespace {

constexpr uint32_t kLastImageId = 38;
constexpr uint32_t kOverlayFileId = 34;
constexpr uint32_t kFirstZoomId = 1000;
constexpr uint32_t kLastZoomId = 1012;
constexpr uint32_t kFirstLibraryId = 2000;
constexpr uint32_t kLastLibraryId = 2999;

}  // namespace

bool IsSupportedId(uint32_t id) { return RouteOf(id).kind != RouteKind::kUnsupported; }

Route RouteOf(uint32_t id) {
  if (id == kOverlayFileId) return {RouteKind::kImageString, id};
  if (id <= kLastImageId) return {RouteKind::kImageNumeric, id};
  if (id >= kFirstZoomId && id <= kLastZoomId) return {RouteKind::kZoomNumeric, id - kFirstZoomId};
  if (id >= kFirstLibraryId && id <= kLastLibraryId) return {RouteKind::kLibrary, id};
  return {};
}

bool IsDriverRoute(const Route& route) { return PropertySetOf(route) != nullptr; }

const DriverGuid* PropertySetOf(const Route& route) {
  switch (route.kind) {
    case RouteKind::kImageNumeric:
    case RouteKind::kImageString:
      return &kPropSetCmImage;
    case RouteKind::kZoomNumeric:
      return &kPropSetCmZoom;
    default:
      return nullptr;
  }
}

NumericRecord MakeNumericRecord(uint32_t flags, int32_t value) {
  NumericRecord record{};
  record.head.flags = flags;
  record.value = value;
  return record;
}

StringRecord MakeStringRecord(uint32_t flags, const char* text) {
  StringRecord record{};
  record.head.flags = flags;
  CopyAtMost(record.text, kStringRecordMaxChars, text);
  return record;
}

VideoControlModeRecord MakeVideoControlModeRecord(uint32_t stream_index) {
  VideoControlModeRecord record{};
  record.head.flags = kVideoControlModeFlags;
  record.stream_index = stream_index;
  record.mode = kVideoControlExternalTrigger;
  return record;
}

void CopyStringField(const StringRecord& record, char* destination) {
  CopyAtMost(destination, kStringRecordMaxChars, record.text);
}

}  // namespace kvo::cm
