#include "base/file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace quelmar {

std::optional<FileTime> ModificationTimeOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileTime{status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

bool SetModificationTime(const std::string& path, FileTime time) {
  const struct timespec times[2] = {
      {0, UTIME_OMIT}, {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace quelmar
