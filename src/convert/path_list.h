#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quelmar {

// One entry of a list of files: its bytes, or as many as an entry may hold.
struct ListEntry {
  std::string text;
  bool whole = true;  // false: the entry was longer than kMostListEntryBytes and was cut
};

// The longest entry a list may hold; longer ones are never taken for a path.
inline constexpr std::size_t kMostListEntryBytes = 65536;

// A list of source paths that a run reads one entry at a time, never holding more of it.
class PathList {
 public:
  virtual ~PathList() = default;
  // The next entry; nullopt at the end of the list. Throws EReadError when the list cannot be
  // read further.
  virtual std::optional<ListEntry> Next() = 0;
};

// The entries of a file or pipe open at a descriptor, each ended by separator ('\n' or '\0';
// the last may lack it). With '\n', a carriage return before it is not part of the entry, so
// that a list written with CR LF line ends reads the same. Empty entries are passed over.
class DescriptorPathList : public PathList {
 public:
  // fd stays the caller's: it is neither closed nor moved to another position than reading
  // moves it.
  DescriptorPathList(int fd, char separator);

  std::optional<ListEntry> Next() override;

 private:
  // Reads more of the list; false at its end.
  bool Fill();
  // The entry at the front, which is longer than any path: its first kMostListEntryBytes,
  // with the rest of it read and dropped.
  ListEntry Cut();

  int fd_;
  char separator_;
  std::vector<char> buffer_;
  std::size_t start_ = 0;  // the first byte of buffer_ not yet handed out
  bool ended_ = false;
};

}  // namespace quelmar
