#include "base/replace_temporary.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "base/folder_handle.h"

namespace quelmar {

namespace {

constexpr const char* kTemporaryMark = ".quelmar-tmp-";

// The name of a new temporary file for name: hidden, marked, with the writer's process id (for
// a person looking at the folder) and six random characters.
std::string TemporaryName(std::string name) {
  const std::string tail = kTemporaryMark + std::to_string(::getpid()) + "-XXXXXX";
  // A name that nearly fills the 255-byte limit would make the temporary name too long, so the
  // copy of it is cut short, at a character boundary.
  const std::size_t room = 255 - 1 - tail.size();
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  std::string temporary = "." + name + tail;
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6] = {};
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    // Without the system's randomness the clock and a counter still give names that differ.
    static std::atomic<unsigned> counter{0};
    const auto mixed = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() + 7919 * counter++);
    for (std::size_t i = 0; i < sizeof random; ++i) {
      random[i] = static_cast<unsigned char>(mixed >> (8 * i));
    }
  }
  for (std::size_t i = 0; i < sizeof random; ++i) {
    temporary[temporary.size() - 6 + i] = kLetters[random[i] % (sizeof kLetters - 1)];
  }
  return temporary;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when name in folder is still the file open at fd.
bool StillNamed(int folder, const char* name, int fd) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         SameFile(open, named);
}

}  // namespace

ReplaceTemporary::ReplaceTemporary(int folder, const std::string& name, const std::string& path)
    : folder_(folder), name_(name), path_(path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = TemporaryName(name);
    fd_ = Descriptor(::openat(folder, temporary_.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd_.get() < 0) {
      if (errno == EEXIST) continue;
      throw EFCreateError(path, errno);
    }
    // A file system without locks leaves the file unlocked; cleanups then never remove it.
    while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    // Between the creation and the lock another process's cleanup may have taken the unlocked
    // file for a dead writer's and removed it: the name is then given up for another.
    if (StillNamed(folder, temporary_.c_str(), fd_.get())) return;
    fd_.Close();
  }
  throw EFCreateError(path, EEXIST);
}

ReplaceTemporary::~ReplaceTemporary() {
  // Removed while still locked, so that no cleanup ever finds it unlocked meanwhile.
  if (!committed_) ::unlinkat(folder_, temporary_.c_str(), 0);
}

void ReplaceTemporary::Commit() {
  if (::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0) {
    throw EFCreateError(path_, errno);
  }
  committed_ = true;
}

bool IsReplaceTemporaryName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name.find(kTemporaryMark) != std::string::npos;
}

void RemoveStaleTemporaryFiles(const std::string& folder) {
  FolderHandle handle;
  if (OpenFolderAt(AT_FDCWD, folder, FolderLinks::kFollow, handle) == 0) {
    RemoveStaleTemporaryFilesAt(handle.fd());
  }
}

void RemoveStaleTemporaryFilesAt(int folder) {
  FolderHandle own;
  if (OpenFolderAt(folder, ".", FolderLinks::kFollow, own) != 0) return;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(own.fd()), ::closedir);
  if (!dir) return;
  own.Release();
  const int at = ::dirfd(dir.get());
  while (const dirent* entry = ::readdir(dir.get())) {
    if (!IsReplaceTemporaryName(entry->d_name)) continue;
    const Descriptor fd(
        ::openat(at, entry->d_name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A living writer holds the lock, in whichever process namespace or on whichever machine it
    // runs; a file whose lock cannot be had for any other reason is left alone too.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (StillNamed(at, entry->d_name, fd.get())) ::unlinkat(at, entry->d_name, 0);
  }
}

}  // namespace quelmar
