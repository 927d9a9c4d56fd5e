#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/file_outcome.h"
#include "convert/run_tally.h"

namespace quelmar {

// One JSON object on one line, built field by field in the order given. Texts are written as
// JSON strings: valid UTF-8 as it is (control characters, quotes and backslashes escaped), each
// byte that is not part of valid UTF-8 as U+FFFD.
class JsonLine {
 public:
  JsonLine& Text(std::string_view key, std::string_view value);
  JsonLine& Number(std::string_view key, double value);
  JsonLine& Count(std::string_view key, std::uint64_t value);
  JsonLine& Flag(std::string_view key, bool value);
  // The object with a line break after it.
  std::string Finish() const { return text_ + "}\n"; }

 private:
  void Key(std::string_view key);
  std::string text_ = "{";
};

// True when text is valid UTF-8 (no overlong forms, surrogates or code points above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The name of an outcome in the converter's machine-readable output: "converted",
// "up-to-date", "would-convert", "not-read", "smaller-than-logo", "folder-not-read",
// "refused".
const char* OutcomeName(FileOutcome::Result result);

// The line of one file's outcome: its path below the source ("path", with "path_hex", its
// bytes in hexadecimal, when they are not UTF-8), "outcome", "milliseconds", "bytes_in",
// "bytes_out", and for a failure "message" and, when there is one, "reason".
std::string OutcomeLine(const FileOutcome& outcome);

// The final line of a run: {"summary":true, the counts, the bytes read and written, the
// seconds the run took, whether it was stopped, and its exit status}.
struct RunSummary {
  RunTally counts;
  std::uint64_t bytes_in = 0;
  std::uint64_t bytes_out = 0;
  double seconds = 0;
  bool stopped = false;
  int status = 0;
};
std::string SummaryLine(const RunSummary& summary);

}  // namespace quelmar
