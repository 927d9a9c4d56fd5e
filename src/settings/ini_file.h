#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

// An INI file held whole in memory: an ordered list of sections, each an ordered list of
// lines ("name=value", or a text without "="). Section and key names are compared without
// regard to ASCII letter case, and a lookup finds the last match. Nothing reaches the disk
// except through WriteToFile.
class TMemIniFile {
 public:
  // Reads the file at path when it names an existing file (EFOpenError when it cannot be
  // read); otherwise the document starts empty.
  explicit TMemIniFile(std::string path);

  // A document parsed from bytes as if they were the file at path.
  static TMemIniFile FromBytes(std::span<const std::uint8_t> bytes, std::string path = {});

  const std::string& path() const { return path_; }

  // The value of the key, or fallback when the section or the key is missing.
  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view fallback) const;
  // True when the section holds the key, whatever its value.
  bool HasKey(std::string_view section, std::string_view key) const;
  // The value as a 32-bit signed integer, or fallback when missing or not a number.
  std::int32_t ReadNumber(std::string_view section, std::string_view key,
                          std::int32_t fallback) const;

  // Replaces the last line of the key in the last section of that name, in place and with the
  // key spelled as given here; otherwise adds the line at the end of the section, or a new
  // section at the end of the document.
  void PutText(std::string_view section, std::string_view key, std::string_view value);
  void PutNumber(std::string_view section, std::string_view key, std::int32_t value);

  // The document as WriteToFile stores it: each section's header, its lines and one empty
  // line, every line ending in CR LF.
  std::string Text() const;

  // Replaces the file with Text() without ever leaving it half-written. A read-only file or
  // folder fails with EFCreateError, a short write with EWriteError; the old file then stays.
  void WriteToFile() const;

 private:
  // A piece of store_; offsets rather than strings keep a large file's many lines small.
  struct Piece {
    std::size_t begin = 0;
    std::size_t size = 0;
  };
  struct Section {
    Piece name;
    std::vector<Piece> lines;
  };

  TMemIniFile() = default;
  void Parse(std::span<const std::uint8_t> bytes);
  Piece Store(std::string_view text);
  Piece StoreLine(std::string_view name, std::string_view value);
  std::string_view View(Piece piece) const;
  static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
  // Indexes of the last match.
  std::size_t FindSection(std::string_view name) const;
  std::size_t FindLine(const Section& section, std::string_view key) const;

  std::string path_;
  std::string store_;
  std::vector<Section> sections_;
};

}  // namespace quelmar
