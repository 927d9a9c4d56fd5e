#include "convert/output_record.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

#include "base/sha256.h"

namespace quelmar {

namespace {

constexpr std::string_view kVersion = "quelmar-record/1";
constexpr std::string_view kCheck = " check=";

std::string Hex16(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016" PRIx64, value);
  return text;
}

std::string FormatStamp(const FileStamp& stamp) {
  char text[64];
  std::snprintf(text, sizeof text, "%" PRIu64 ":%" PRId64 ".%09" PRIu32, stamp.size, stamp.seconds,
                stamp.nanoseconds);
  return text;
}

std::string CheckOf(std::string_view body) {
  return Hex16(LeadingNumber(Sha256::Of(body)));
}

// Reads the field "name=" at the front of text, up to the next blank or the end.
std::optional<std::string_view> Field(std::string_view& text, std::string_view name) {
  if (text.substr(0, 1) != " " || text.substr(1, name.size()) != name ||
      text.substr(1 + name.size(), 1) != "=") {
    return std::nullopt;
  }
  text.remove_prefix(name.size() + 2);
  const std::size_t end = std::min(text.find(' '), text.size());
  const std::string_view value = text.substr(0, end);
  text.remove_prefix(end);
  return value;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<FileStamp> ReadStamp(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::size_t dot = text.find('.');
  FileStamp stamp;
  if (colon == std::string_view::npos || dot == std::string_view::npos || dot < colon ||
      !ReadNumber(text.substr(0, colon), stamp.size) ||
      !ReadNumber(text.substr(colon + 1, dot - colon - 1), stamp.seconds) ||
      !ReadNumber(text.substr(dot + 1), stamp.nanoseconds) || stamp.nanoseconds >= 1000000000) {
    return std::nullopt;
  }
  return stamp;
}

}  // namespace

FileStamp StampOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_size), status.st_mtim.tv_sec,
          static_cast<std::uint32_t>(status.st_mtim.tv_nsec)};
}

std::string FormatRecord(const OutputRecord& record) {
  std::string text(kVersion);
  text += " source=" + FormatStamp(record.source);
  text += " output=" + FormatStamp(record.output);
  text += " settings=" + record.settings;
  text += " path=" + record.path;
  text += std::string(kCheck) + CheckOf(text);
  return text;
}

std::optional<OutputRecord> ParseRecord(std::string_view text) {
  if (text.size() > kMostRecordBytes || text.substr(0, kVersion.size()) != kVersion) {
    return std::nullopt;
  }
  std::string_view rest = text.substr(kVersion.size());
  const auto source = Field(rest, "source");
  const auto output = Field(rest, "output");
  const auto settings = Field(rest, "settings");
  const auto path = Field(rest, "path");
  if (!source || !output || !settings || !path) return std::nullopt;
  OutputRecord record;
  const std::optional<FileStamp> source_stamp = ReadStamp(*source);
  const std::optional<FileStamp> output_stamp = ReadStamp(*output);
  if (!source_stamp || !output_stamp) return std::nullopt;
  record.source = *source_stamp;
  record.output = *output_stamp;
  record.settings = *settings;
  record.path = *path;
  // Only the exact text this program writes counts: leading zeros, signs, upper-case digits, a
  // wrong check or anything after it make another text.
  if (FormatRecord(record) != text) return std::nullopt;
  return record;
}

std::string PathDigest(std::string_view relative) {
  return HexDigest(Sha256::Of(relative));
}

}  // namespace quelmar
