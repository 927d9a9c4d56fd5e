#include "base/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "base/errors.h"
#include "base/paths.h"

namespace quelmar {

namespace {

constexpr const char* kTemporaryMark = ".quelmar-tmp-";

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result, since a failed close can mean lost data.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

bool HasNoWriteBit(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Refuses a target that is read-only: the file itself, or the folder it would be made in.
void CheckWritable(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw EFCreateError(path, EISDIR);
    if (S_ISREG(st.st_mode) && (HasNoWriteBit(st) || ::access(path.c_str(), W_OK) != 0)) {
      throw EFCreateError(path, EACCES);
    }
  }
  const std::string folder = FolderPart(path);
  if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) throw EFCreateError(path, errno);
  if (HasNoWriteBit(st)) throw EFCreateError(path, EACCES);
}

std::string TemporaryTemplate(const std::string& path) {
  const std::string folder = FolderPart(path);
  std::string name = path.substr(folder.size());
  const std::string tail = kTemporaryMark + std::to_string(::getpid()) + "-XXXXXX";
  // A name that nearly fills the 255-byte limit would make the temporary name too long, so the
  // copy of it is cut short, at a character boundary.
  const std::size_t room = 255 - 1 - tail.size();
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return folder + "." + name + tail;
}

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

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw EFOpenError(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw EFOpenError(path, errno);
  if (S_ISDIR(st.st_mode)) throw EFOpenError(path, EISDIR);

  std::vector<std::uint8_t> data;
  try {
    if (S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
      const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EReadError();
      if (n == 0) break;
      data.insert(data.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  return data;
}

void ReplaceFile(const std::string& path, std::span<const std::uint8_t> data,
                 ShortWriteReport report, LinkReplacement links) {
  CreationMask();
  const std::string target = links == LinkReplacement::kWriteThrough ? ResolveLink(path) : path;
  CheckWritable(target);

  std::string temporary = TemporaryTemplate(target);
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0) throw EFCreateError(path, errno);
  try {
    // A new file gets the usual permissions; a replaced one keeps its own.
    struct stat old {};
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0) {
      mode = old.st_mode & 07777;
    } else {
      mode = 0666 & ~CreationMask();
    }
    ::fchmod(fd.get(), mode);
    WriteAll(fd.get(), data, path, report);
    if (::fsync(fd.get()) != 0 || fd.Close() != 0) {
      if (report == ShortWriteReport::kWriteError) throw EWriteError();
      throw EFCreateError(path, errno);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) throw EFCreateError(path, errno);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
}

bool IsReplaceTemporaryName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name.find(kTemporaryMark) != std::string::npos;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsReplaceTemporaryName(name)) continue;
    // The writer's process id follows the mark; a living writer's file is left alone.
    const std::size_t at =
        name.rfind(kTemporaryMark) + std::char_traits<char>::length(kTemporaryMark);
    const long pid = std::strtol(name.c_str() + at, nullptr, 10);
    if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)) continue;
    const std::string full = JoinPath(folder, name);
    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(full.c_str());
  }
  ::closedir(dir);
}

}  // namespace quelmar
