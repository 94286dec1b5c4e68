#include "property_routes.h"

#include <cstring>

namespace kvo::cm {

namespace {

constexpr uint32_t kLastImageId = 38;
constexpr uint32_t kOverlayFileId = 34;
constexpr uint32_t kFirstZoomId = 1000;
constexpr uint32_t kLastZoomId = 1012;
constexpr uint32_t kFirstLibraryId = 2000;
constexpr uint32_t kLastLibraryId = 2999;

}  // namespace

bool IsSupportedId(uint32_t id) {
  return id <= kLastImageId || (id >= kFirstZoomId && id <= kLastZoomId) ||
         (id >= kFirstLibraryId && id <= kLastLibraryId);
}

Route RouteOf(uint32_t id) {
  if (id == kOverlayFileId) return {RouteKind::kImageString, id};
  if (id <= kLastImageId) return {RouteKind::kImageNumeric, id};
  if (id >= kFirstZoomId && id <= kLastZoomId) return {RouteKind::kZoomNumeric, id - kFirstZoomId};
  if (id >= kFirstLibraryId && id <= kLastLibraryId) return {RouteKind::kLibrary, id};
  return {};
}

bool IsDriverRoute(const Route& route) {
  return route.kind == RouteKind::kImageNumeric || route.kind == RouteKind::kImageString ||
         route.kind == RouteKind::kZoomNumeric;
}

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
  NumericRecord record;
  std::memset(&record, 0, sizeof(record));
  record.head.flags = flags;
  record.value = value;
  return record;
}

StringRecord MakeStringRecord(uint32_t flags, const char* text) {
  StringRecord record;
  std::memset(&record, 0, sizeof(record));
  record.head.flags = flags;
  if (text != nullptr) {
    size_t length = 0;
    while (length < kStringRecordMaxChars && text[length] != '\0') ++length;
    std::memcpy(record.text, text, length);
  }
  return record;
}

VideoControlModeRecord MakeVideoControlModeRecord(uint32_t stream_index) {
  VideoControlModeRecord record;
  std::memset(&record, 0, sizeof(record));
  record.head.flags = kVideoControlModeFlags;
  record.stream_index = stream_index;
  record.mode = kVideoControlExternalTrigger;
  return record;
}

void CopyStringField(const StringRecord& record, char* destination) {
  if (destination == nullptr) return;
  size_t length = 0;
  while (length < kStringRecordMaxChars && record.text[length] != '\0') ++length;
  std::memcpy(destination, record.text, length);
  if (length < kStringRecordMaxChars) destination[length] = '\0';
}

}  // namespace kvo::cm
