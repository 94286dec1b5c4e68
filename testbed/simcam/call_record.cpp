#include "call_record.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kvo::simcam {
namespace {

constexpr char kFieldSeparator = '\t';

std::string EscapeText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\t': escaped += "\\t"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> UnescapeText(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      plain += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': plain += '\\'; break;
      case 't': plain += '\t'; break;
      case 'n': plain += '\n'; break;
      case 'r': plain += '\r'; break;
      default: return std::nullopt;
    }
  }
  return plain;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == kFieldSeparator)
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

std::optional<long long> ParseNumber(const std::string& text, long long low, long long high) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != '\0' || number < low || number > high)
    return std::nullopt;
  return number;
}

std::optional<CallSet> ParseSetName(const std::string& name) {
  for (CallSet set : {CallSet::kImage, CallSet::kZoom, CallSet::kVideoControl, CallSet::kOther})
    if (name == CallSetName(set)) return set;
  return std::nullopt;
}

}  // namespace

const char* CallSetName(CallSet set) {
  switch (set) {
    case CallSet::kImage: return "IMAGE";
    case CallSet::kZoom: return "ZOOM";
    case CallSet::kVideoControl: return "VIDEOCONTROL";
    case CallSet::kOther: break;
  }
  return "OTHER";
}

std::string FormatCall(const PropertyCall& call) {
  std::string line = call.is_set ? "set" : "get";
  auto add = [&line](const std::string& field) {
    line += kFieldSeparator;
    line += field;
  };
  add(CallSetName(call.set));
  add(std::to_string(call.id));
  add(std::to_string(call.flags));
  add(std::to_string(call.instance_length));
  add(std::to_string(call.data_length));
  add(std::to_string(call.value));
  add(std::to_string(call.stream_index));
  add(std::to_string(call.status));
  add(EscapeText(call.text));
  return line;
}

std::optional<PropertyCall> ParseCall(const std::string& line) {
  const std::vector<std::string> fields = SplitFields(line);
  if (fields.size() != 10) return std::nullopt;
  PropertyCall call;
  if (fields[0] == "set")
    call.is_set = true;
  else if (fields[0] != "get")
    return std::nullopt;
  const auto set = ParseSetName(fields[1]);
  const auto id = ParseNumber(fields[2], 0, UINT32_MAX);
  const auto flags = ParseNumber(fields[3], 0, UINT32_MAX);
  const auto instance_length = ParseNumber(fields[4], 0, UINT32_MAX);
  const auto data_length = ParseNumber(fields[5], 0, UINT32_MAX);
  const auto value = ParseNumber(fields[6], INT32_MIN, INT32_MAX);
  const auto stream_index = ParseNumber(fields[7], INT32_MIN, INT32_MAX);
  const auto status = ParseNumber(fields[8], INT32_MIN, INT32_MAX);
  const auto text = UnescapeText(fields[9]);
  if (!set || !id || !flags || !instance_length || !data_length || !value || !stream_index ||
      !status || !text)
    return std::nullopt;
  call.set = *set;
  call.id = static_cast<uint32_t>(*id);
  call.flags = static_cast<uint32_t>(*flags);
  call.instance_length = static_cast<uint32_t>(*instance_length);
  call.data_length = static_cast<uint32_t>(*data_length);
  call.value = static_cast<int32_t>(*value);
  call.stream_index = static_cast<int32_t>(*stream_index);
  call.status = static_cast<int32_t>(*status);
  call.text = *text;
  return call;
}

}  // namespace kvo::simcam
