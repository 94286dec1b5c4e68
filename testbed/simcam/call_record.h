// One line of the simulated driver's property-call record, and its text form. Plain C++:
// the driver appends a line per call, tests and `simctl log` parse them back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvo::simcam {

// Which property set a call addressed.
enum class CallSet { kImage, kZoom, kVideoControl, kOther };

struct PropertyCall {
  bool is_set = false;        // false: a get
  CallSet set = CallSet::kOther;
  uint32_t id = 0;            // property id within the set
  uint32_t flags = 0;         // the record's flags field (0 when no record was readable)
  uint32_t instance_length = 0;
  uint32_t data_length = 0;
  int32_t value = 0;          // numeric value sent or answered; the mode for video control
  int32_t stream_index = -1;  // video control only
  std::string text;           // id 34: the path sent or answered
  int32_t status = 0;         // what the driver answered (0 success), an HRESULT
};

const char* CallSetName(CallSet set);

// One line without its line break; tabs and line breaks inside the text are escaped.
std::string FormatCall(const PropertyCall& call);
// The call of a line made by FormatCall; nullopt for a damaged line.
std::optional<PropertyCall> ParseCall(const std::string& line);

}  // namespace kvo::simcam
