#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quelmar {

// A file's last-modification time, to the nanosecond.
struct FileTime {
  std::int64_t seconds = 0;      // since the epoch
  std::int64_t nanoseconds = 0;  // 0 .. 999999999
  bool operator==(const FileTime&) const = default;
};

// The modification time of the file name in the folder open at descriptor folder (AT_FDCWD
// with name a path); a link is followed. nullopt when the file cannot be examined; never fails
// otherwise.
std::optional<FileTime> ModificationTimeAt(int folder, const std::string& name);

// Gives the file name in the folder open at descriptor folder (AT_FDCWD with name a path) the
// modification time time, leaving its access time as it is; a link there is changed itself,
// never what it names. Returns false when the time cannot be set (no such file, no permission,
// a file system without such times); nothing else happens then.
bool SetModificationTimeAt(int folder, const std::string& name, FileTime time);

}  // namespace quelmar
