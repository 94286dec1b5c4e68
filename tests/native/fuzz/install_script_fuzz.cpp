// The install script as a user's editor may leave it: any bytes, any length, read the way
// a run reads them, line by line through every command parser.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script.h"

using namespace kvo::fitdrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitScriptLines(text);
  if (lines.size() > kMaxScriptLines) __builtin_trap();

  for (const KeyValue& entry : HeaderEntries(lines)) {
    ParseDecimal(entry.value);
    SplitArguments(entry.value);
  }
  const std::size_t first = ChooseFirstCommandLine(lines, OsKindName(7));
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (KindOfLine(lines[i]) != LineKind::kCommand) continue;
    const KeyValue parsed = ParseLine(lines[i]);
    const std::vector<std::string> arguments = SplitArguments(parsed.value);
    CommandFromKeyword(parsed.key);
    const std::string second = ArgumentAt(arguments, 1);
    NamesDeviceBelowEnumerator(ArgumentAt(arguments, 0));
    NamesDeviceBelowEnumerator(second);
    RunWaitCommandLine(ArgumentAt(arguments, 0), second);
    ParseDecimal(ArgumentAt(arguments, 0));
    const std::string record = RecordLine(second);
    // One record line is its text, cut to the longest record, then NUL, CR, LF.
    if (record.size() > kMaxRecordText + 3) __builtin_trap();
  }
  RecordHead(text.substr(0, 300));
  return 0;
}
