#include "base/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

#include "base/errors.h"

namespace quelmar {

namespace {

constexpr std::size_t kToTheEnd = std::numeric_limits<std::size_t>::max();

// A file open for reading, closed when it goes. A folder cannot be opened.
class OpenFile {
 public:
  OpenFile(int folder, const std::string& name, const std::string& path)
      : fd_(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) throw EFOpenError(path, errno);
    int error = 0;
    if (::fstat(fd_, &status_) != 0) error = errno;
    if (error == 0 && S_ISDIR(status_.st_mode)) error = EISDIR;
    if (error != 0) {
      ::close(fd_);
      throw EFOpenError(path, error);
    }
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { ::close(fd_); }

  int fd() const { return fd_; }
  // The size a regular file has now; 0 for anything else, whose size shows only by reading.
  std::size_t Size() const {
    return S_ISREG(status_.st_mode) && status_.st_size > 0
               ? static_cast<std::size_t>(status_.st_size)
               : 0;
  }

 private:
  int fd_;
  struct stat status_ {};
};

// Appends what the file holds to data until data has limit bytes or the file ends. With a
// reservation, what data grows beyond it is added to it first (EOutOfResources when it does
// not fit the budget).
void ReadInto(int fd, std::vector<std::uint8_t>& data, std::size_t limit,
              MemoryReservation* reservation) {
  std::uint8_t chunk[65536];
  while (data.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - data.size());
    const ssize_t n = ::read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError();
    if (n == 0) break;
    const std::size_t after = data.size() + static_cast<std::size_t>(n);
    if (reservation != nullptr && after > reservation->bytes()) {
      reservation->Grow(after - reservation->bytes());
    }
    data.insert(data.end(), chunk, chunk + n);
  }
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  return ReadWholeFileAt(AT_FDCWD, path, path);
}

std::vector<std::uint8_t> ReadWholeFileAt(int folder, const std::string& name,
                                          const std::string& path) {
  const OpenFile file(folder, name, path);
  std::vector<std::uint8_t> data;
  try {
    data.reserve(file.Size());
    ReadInto(file.fd(), data, kToTheEnd, nullptr);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  return data;
}

HeldFile ReadFileWithinBudget(const std::string& path, std::size_t start_size,
                              const FileStartCheck& check) {
  return ReadFileWithinBudgetAt(AT_FDCWD, path, path, start_size, check);
}

HeldFile ReadFileWithinBudgetAt(int folder, const std::string& name, const std::string& path,
                                std::size_t start_size, const FileStartCheck& check) {
  const OpenFile file(folder, name, path);
  HeldFile held;
  try {
    // A file that is refused by its first bytes costs no more than those.
    ReadInto(file.fd(), held.bytes, start_size, nullptr);
    if (check) check(held.bytes);
    held.reservation = MemoryReservation::Waiting(std::max(file.Size(), held.bytes.size()));
    held.bytes.reserve(file.Size());
    ReadInto(file.fd(), held.bytes, kToTheEnd, &held.reservation);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources(ENOMEM);
  }
  return held;
}

}  // namespace quelmar
