#include "base/file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace quelmar {

std::optional<FileTime> ModificationTimeAt(int folder, const std::string& name) {
  struct stat status {};
  if (::fstatat(folder, name.c_str(), &status, 0) != 0) return std::nullopt;
  return FileTime{status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

bool SetModificationTimeAt(int folder, const std::string& name, FileTime time) {
  const struct timespec times[2] = {
      {0, UTIME_OMIT}, {static_cast<time_t>(time.seconds), static_cast<long>(time.nanoseconds)}};
  return ::utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace quelmar
