// Where each property id goes and the records handed to the driver for it. Plain C++: no
// platform headers, so the routes and records are also tested natively.
#pragma once

#include <cstdint>

#include "driver_records.h"

namespace kvo::cm {

// True for the ids the library accepts: 0-38, 1000-1012 and 2000-2999.
bool IsSupportedId(uint32_t id);

enum class RouteKind {
  kUnsupported,
  kImageNumeric,  // image property set, numeric record
  kImageString,   // image property set, string record (the overlay file)
  kZoomNumeric,   // zoom property set, numeric record
  kLibrary,       // carried out inside the library (2000-2999)
};

struct Route {
  RouteKind kind = RouteKind::kUnsupported;
  uint32_t property_id = 0;  // the driver's property id, or the library operation's id
};

Route RouteOf(uint32_t id);
bool IsDriverRoute(const Route& route);
// The driver property set of a driver route; null for the others.
const DriverGuid* PropertySetOf(const Route& route);

NumericRecord MakeNumericRecord(uint32_t flags, int32_t value);
// The text goes into the string field, at most kStringRecordMaxChars characters, the rest
// of the field zero. A null text leaves the field empty.
StringRecord MakeStringRecord(uint32_t flags, const char* text);
VideoControlModeRecord MakeVideoControlModeRecord(uint32_t stream_index);

// Copies the string field of a record the driver returned to a caller buffer of at least
// kStringRecordMaxChars bytes: at most that many characters, terminated only when shorter.
// The driver may have filled the whole field, so the field is never read past its end.
void CopyStringField(const StringRecord& record, char* destination);

}  // namespace kvo::cm
