#include "cli/json_line.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace quelmar {

namespace {

// The length of the valid UTF-8 sequence at the start of text, or 0 when it is not one.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  while (!text.empty()) {
    const std::size_t length = SequenceLength(text);
    const char c = text[0];
    if (length == 0) {
      quoted += "\xEF\xBF\xBD";  // U+FFFD for a byte that is no UTF-8
    } else if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted.append(text.substr(0, length));
    }
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return quoted + "\"";
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 15];
  }
  return hex;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

void JsonLine::Key(std::string_view key) {
  if (text_.size() > 1) text_ += ',';
  text_ += Quoted(key) + ":";
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view value) {
  Key(key);
  text_ += Quoted(value);
  return *this;
}

JsonLine& JsonLine::Number(std::string_view key, double value) {
  Key(key);
  // JSON has no infinities or NaN; a time is never negative.
  char number[32];
  std::snprintf(number, sizeof number, "%.3f", std::isfinite(value) ? value : 0.0);
  text_ += number;
  return *this;
}

JsonLine& JsonLine::Count(std::string_view key, std::uint64_t value) {
  Key(key);
  text_ += std::to_string(value);
  return *this;
}

JsonLine& JsonLine::Flag(std::string_view key, bool value) {
  Key(key);
  text_ += value ? "true" : "false";
  return *this;
}

const char* OutcomeName(FileOutcome::Result result) {
  switch (result) {
    case FileOutcome::Result::kConverted:
      return "converted";
    case FileOutcome::Result::kSkipped:
      return "up-to-date";
    case FileOutcome::Result::kPlanned:
      return "would-convert";
    case FileOutcome::Result::kNotRead:
      return "not-read";
    case FileOutcome::Result::kSmallerThanLogo:
      return "smaller-than-logo";
    case FileOutcome::Result::kFolderNotRead:
      return "folder-not-read";
    case FileOutcome::Result::kRefused:
      return "refused";
  }
  return "unknown";
}

std::string OutcomeLine(const FileOutcome& outcome) {
  JsonLine line;
  line.Text("path", outcome.relative);
  if (!IsValidUtf8(outcome.relative)) line.Text("path_hex", Hex(outcome.relative));
  line.Text("outcome", OutcomeName(outcome.result))
      .Number("milliseconds", outcome.milliseconds)
      .Count("bytes_in", outcome.bytes_in)
      .Count("bytes_out", outcome.bytes_out);
  if (outcome.failed()) {
    line.Text("message", outcome.message);
    if (!outcome.reason.empty()) line.Text("reason", outcome.reason);
  }
  return line.Finish();
}

std::string SummaryLine(const RunSummary& summary) {
  const RunTally& counts = summary.counts;
  return JsonLine()
      .Flag("summary", true)
      .Count("converted", counts.converted)
      .Count("failed", counts.failed)
      .Count("up_to_date", counts.skipped)
      .Count("would_convert", counts.planned)
      .Count("bytes_in", summary.bytes_in)
      .Count("bytes_out", summary.bytes_out)
      .Number("seconds", summary.seconds)
      .Flag("stopped", summary.stopped)
      .Count("status", static_cast<std::uint64_t>(summary.status))
      .Finish();
}

}  // namespace quelmar
