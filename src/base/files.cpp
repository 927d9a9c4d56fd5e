#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "base/descriptor.h"
#include "base/errors.h"
#include "base/folder_handle.h"
#include "base/paths.h"

namespace quelmar {

namespace {

// The process's file-creation mask, read once: reading it means setting it, which must not
// race with other threads creating files.
mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
  }();
  return mask;
}

// A symbolic link is replaced through: the file it names gets the new contents and the link
// stays a link.
std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

bool HasNoWriteBit(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void WriteAll(int fd, std::span<const std::uint8_t> data, const std::string& path,
              ShortWriteReport report) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int errnum = n < 0 ? errno : ENOSPC;
      if (report == ShortWriteReport::kWriteError) throw EWriteError();
      throw EFCreateError(path, errnum);
    }
    done += static_cast<std::size_t>(n);
  }
}

// Writes data into the FIFO or character device name as it stands. Opening never blocks: a
// FIFO without a reader is refused (ENXIO) rather than waited on.
void WriteThrough(int folder, const std::string& name, const std::string& path,
                  std::span<const std::uint8_t> data, ShortWriteReport report) {
  Descriptor fd(::openat(folder, name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) throw EFCreateError(path, errno);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  WriteAll(fd.get(), data, path, report);
  if (fd.Close() != 0) throw EFCreateError(path, errno);
}

// What replacing name finds there. Returns true with st filled when something exists.
bool CheckTarget(int folder, const std::string& name, const std::string& path, struct stat& st) {
  if (name.empty()) throw EFCreateError(path, EISDIR);
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISDIR(st.st_mode)) throw EFCreateError(path, EISDIR);
  if (S_ISREG(st.st_mode) &&
      (HasNoWriteBit(st) || ::faccessat(folder, name.c_str(), W_OK, 0) != 0)) {
    throw EFCreateError(path, EACCES);
  }
  return true;
}

enum class SpecialFiles { kWriteThrough, kRefuse };

void ReplaceIn(int folder, const std::string& name, const std::string& path,
               std::span<const std::uint8_t> data, ShortWriteReport report, SpecialFiles special,
               const BeforeRename& before_rename = {}) {
  CreationMask();
  struct stat old {};
  const bool exists = CheckTarget(folder, name, path, old);
  if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
    // A device or FIFO is never replaced by a file; a block device is never written to either.
    if (special == SpecialFiles::kWriteThrough && (S_ISFIFO(old.st_mode) || S_ISCHR(old.st_mode))) {
      return WriteThrough(folder, name, path, data, report);
    }
    throw EFCreateError(path, EEXIST);
  }
  struct stat here {};
  if (::fstat(folder, &here) != 0) throw EFCreateError(path, errno);
  if (HasNoWriteBit(here)) throw EFCreateError(path, EACCES);

  ReplaceTemporary temporary(folder, name, path);
  // A new file gets the usual permissions; a replaced one keeps its own.
  ::fchmod(temporary.fd(),
           exists && S_ISREG(old.st_mode) ? old.st_mode & 07777 : 0666 & ~CreationMask());
  WriteAll(temporary.fd(), data, path, report);
  if (before_rename) before_rename(temporary.fd());
  if (::fsync(temporary.fd()) != 0) {
    if (report == ShortWriteReport::kWriteError) throw EWriteError();
    throw EFCreateError(path, errno);
  }
  temporary.Commit();
}

}  // namespace

void ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 ShortWriteReport report, LinkReplacement links) {
  const std::string target = links == LinkReplacement::kWriteThrough ? ResolveLink(path) : path;
  const std::string folder_part = FolderPart(target);
  FolderHandle folder;
  if (const int error = OpenFolderAt(AT_FDCWD, folder_part.empty() ? "." : folder_part,
                                     FolderLinks::kFollow, folder)) {
    throw EFCreateError(path, error);
  }
  ReplaceIn(folder.fd(), target.substr(folder_part.size()), path, data, report,
            links == LinkReplacement::kWriteThrough ? SpecialFiles::kWriteThrough
                                                    : SpecialFiles::kRefuse);
}

void ReplaceFileAt(int folder, const std::string& name, const std::string& path,
                   std::span<const std::uint8_t> data, ShortWriteReport report,
                   const BeforeRename& before_rename) {
  ReplaceIn(folder, name, path, data, report, SpecialFiles::kRefuse, before_rename);
}

}  // namespace quelmar
