#include "settings/ini_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/errors.h"
#include "base/file_reading.h"
#include "base/files.h"
#include "base/paths.h"
#include "base/text.h"
#include "settings/ini_number.h"

namespace quelmar {

namespace {

bool IsTrimmed(unsigned char c) {
  return c <= 0x20;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsTrimmed(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsTrimmed(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The name part of a line: everything before its first "=", or nothing without one.
bool SplitLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  name = line.substr(0, equals);
  value = line.substr(equals + 1);
  return true;
}

}  // namespace

TMemIniFile::TMemIniFile(std::string path) : path_(std::move(path)) {
  if (path_.empty() || !FileExists(path_)) return;
  const HeldFile file = ReadFileWithinBudget(path_);
  Parse(file.bytes);
}

TMemIniFile TMemIniFile::FromBytes(std::span<const std::uint8_t> bytes, std::string path) {
  TMemIniFile ini;
  ini.path_ = std::move(path);
  ini.Parse(bytes);
  return ini;
}

void TMemIniFile::Parse(std::span<const std::uint8_t> bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
  try {
    store_.reserve(text.size());
    // The next CR and the next LF at or after the line's start, each found by a scan of its own
    // that resumes only once the line start has passed it.
    const auto next = [text](char c, std::size_t from) {
      return std::min(text.find(c, from), text.size());
    };
    std::size_t next_cr = next('\r', 0);
    std::size_t next_lf = next('\n', 0);
    std::size_t at = 0;
    while (at < text.size()) {
      if (next_cr < at) next_cr = next('\r', at);
      if (next_lf < at) next_lf = next('\n', at);
      const std::size_t end = std::min(next_cr, next_lf);
      const std::string_view line = Trim(text.substr(at, end - at));
      at = end;
      if (at < text.size()) {
        const bool crlf = text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n';
        at += crlf ? 2 : 1;
      }

      if (line.empty() || line.front() == ';') continue;
      if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        sections_.push_back(Section{Store(Trim(line.substr(1, line.size() - 2))), {}});
        continue;
      }
      if (sections_.empty()) continue;
      std::string_view name, value;
      sections_.back().lines.push_back(
          SplitLine(line, name, value) ? StoreLine(Trim(name), Trim(value)) : Store(line));
    }
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
}

TMemIniFile::Piece TMemIniFile::Store(std::string_view text) {
  const Piece piece{store_.size(), text.size()};
  store_.append(text);
  return piece;
}

TMemIniFile::Piece TMemIniFile::StoreLine(std::string_view name, std::string_view value) {
  const Piece piece{store_.size(), name.size() + 1 + value.size()};
  store_.append(name);
  store_.push_back('=');
  store_.append(value);
  return piece;
}

std::string_view TMemIniFile::View(Piece piece) const {
  return std::string_view(store_).substr(piece.begin, piece.size);
}

std::size_t TMemIniFile::FindSection(std::string_view name) const {
  for (std::size_t i = sections_.size(); i-- > 0;) {
    if (EqualsIgnoringAsciiCase(View(sections_[i].name), name)) return i;
  }
  return kNotFound;
}

std::size_t TMemIniFile::FindLine(const Section& section, std::string_view key) const {
  for (std::size_t i = section.lines.size(); i-- > 0;) {
    std::string_view name, value;
    if (SplitLine(View(section.lines[i]), name, value) && EqualsIgnoringAsciiCase(name, key))
      return i;
  }
  return kNotFound;
}

std::string TMemIniFile::ReadText(std::string_view section, std::string_view key,
                                  std::string_view fallback) const {
  const std::size_t s = FindSection(section);
  if (s == kNotFound) return std::string(fallback);
  const std::size_t l = FindLine(sections_[s], key);
  if (l == kNotFound) return std::string(fallback);
  std::string_view name, value;
  SplitLine(View(sections_[s].lines[l]), name, value);
  return std::string(value);
}

bool TMemIniFile::HasKey(std::string_view section, std::string_view key) const {
  const std::size_t s = FindSection(section);
  return s != kNotFound && FindLine(sections_[s], key) != kNotFound;
}

std::int32_t TMemIniFile::ReadNumber(std::string_view section, std::string_view key,
                                     std::int32_t fallback) const {
  return IniTextToNumber(ReadText(section, key, {})).value_or(fallback);
}

void TMemIniFile::PutText(std::string_view section, std::string_view key, std::string_view value) {
  std::size_t s = FindSection(section);
  if (s == kNotFound) {
    sections_.push_back(Section{Store(section), {}});
    s = sections_.size() - 1;
  }
  Section& found = sections_[s];
  const Piece line = StoreLine(key, value);
  if (const std::size_t l = FindLine(found, key); l != kNotFound) {
    found.lines[l] = line;
  } else {
    found.lines.push_back(line);
  }
}

void TMemIniFile::PutNumber(std::string_view section, std::string_view key, std::int32_t value) {
  PutText(section, key, std::to_string(value));
}

std::string TMemIniFile::Text() const {
  constexpr std::string_view kLineEnd = "\r\n";
  std::size_t size = 0;
  for (const Section& section : sections_) {
    size += section.name.size + 2 + 2 * kLineEnd.size();
    for (const Piece& line : section.lines) size += line.size + kLineEnd.size();
  }
  std::string text;
  text.reserve(size);
  for (const Section& section : sections_) {
    text.append("[").append(View(section.name)).append("]").append(kLineEnd);
    for (const Piece& line : section.lines) text.append(View(line)).append(kLineEnd);
    text.append(kLineEnd);
  }
  return text;
}

void TMemIniFile::WriteToFile() const {
  const std::string text = Text();
  ReplaceFile(path_,
              std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size()),
              ShortWriteReport::kWriteError, LinkReplacement::kWriteThrough);
}

}  // namespace quelmar
