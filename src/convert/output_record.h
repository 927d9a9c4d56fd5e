#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quelmar {

// A file's size and modification time, to the nanosecond.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of a file from its status.
FileStamp StampOf(const struct stat& status);

// What an output file was made from, kept with it so that a later run can tell that it is
// still what this source and these settings make. A record is only ever trusted whole: it
// names its own output (size and time, which change when anyone writes the file), its path
// (so a record copied onto another output is not that output's), and carries a check of its
// own text.
struct OutputRecord {
  FileStamp source;      // the source as it was read
  FileStamp output;      // the output as it was written
  std::string settings;  // SettingsDigest: 64 hexadecimal digits
  std::string path;      // PathDigest of the relative path: 64 hexadecimal digits
  bool operator==(const OutputRecord&) const = default;
};

// The longest text a record takes.
inline constexpr std::size_t kMostRecordBytes = 400;

// The record as one line of text without a line break:
// "quelmar-record/1 source=SIZE:SECONDS.NANOSECONDS output=... settings=HEX path=HEX
// check=HEX16", the check being the first eight bytes of the SHA-256 of everything
// before " check=".
std::string FormatRecord(const OutputRecord& record);

// The record in text, or nullopt for anything FormatRecord would not write exactly so: another
// version, a damaged or cut text, a wrong check, extra or missing bytes.
std::optional<OutputRecord> ParseRecord(std::string_view text);

// The digest that binds a record to the relative path of its output.
std::string PathDigest(std::string_view relative);

}  // namespace quelmar
