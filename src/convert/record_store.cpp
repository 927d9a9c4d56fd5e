#include "convert/record_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <span>
#include <string_view>
#include <utility>

#include "base/descriptor.h"
#include "base/errors.h"
#include "base/file_reading.h"
#include "base/files.h"

namespace quelmar {

namespace {

// Records kept in memory before they are appended by themselves.
constexpr std::size_t kFlushEvery = 256;

// Holds the index's lock while it lives.
class IndexLock {
 public:
  IndexLock(int root, const std::string& path)
      : fd_(::openat(root, kRecordIndexLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644)) {
    if (fd_.get() < 0) throw EFCreateError(path, errno);
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) throw EFCreateError(path, errno);
    }
  }

 private:
  Descriptor fd_;
};

void WriteAll(int fd, std::string_view text, const std::string& path) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EFCreateError(path, n < 0 ? errno : ENOSPC);
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// The index's text; empty when there is none, or something else than a regular file stands
// in its place (a FIFO is never waited on).
std::string ReadIndex(int root, const std::string& path) {
  struct stat status {};
  if (::fstatat(root, kRecordIndexName, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(status.st_mode)) {
    return {};
  }
  try {
    const std::vector<std::uint8_t> bytes = ReadWholeFileAt(root, kRecordIndexName, path);
    return std::string(bytes.begin(), bytes.end());
  } catch (const Error&) {
    // An index that cannot be read holds no records: the outputs are made again.
    return {};
  }
}

// Parses the index's text: the last valid line of each output wins. Returns the number of
// lines.
std::size_t ParseIndex(std::string_view text,
                       std::unordered_map<std::string, OutputRecord>& records) {
  std::size_t lines = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (std::optional<OutputRecord> record = ParseRecord(text.substr(0, end))) {
      records[record->path] = std::move(*record);
    }
    ++lines;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

}  // namespace

RecordStore::RecordStore(std::string output_root) : root_path_(std::move(output_root)) {}

int RecordStore::Root() {
  if (!root_.is_open()) {
    if (const int error = OpenFolderAt(AT_FDCWD, root_path_, FolderLinks::kFollow, root_)) {
      throw EFCreateError(root_path_, error);
    }
  }
  return root_.fd();
}

std::optional<OutputRecord> RecordStore::Read(int folder, const std::string& name,
                                              const std::string& relative, FileStamp& output) {
  struct stat status {};
  if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(status.st_mode)) {
    return std::nullopt;
  }
  output = StampOf(status);
  char value[kMostRecordBytes + 1];
  // The attribute is read by the folder's descriptor and the name, without opening the file;
  // where /proc is missing, the file is opened (without following a link or waiting on it).
  const std::string by_folder = "/proc/self/fd/" + std::to_string(folder) + "/" + name;
  ssize_t size = ::lgetxattr(by_folder.c_str(), kRecordAttribute, value, sizeof value);
  if (size < 0 && errno == ENOENT) {
    const Descriptor fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || StampOf(opened) != output) {
      return std::nullopt;
    }
    size = ::fgetxattr(fd.get(), kRecordAttribute, value, sizeof value);
  }
  if (size >= 0) return ParseRecord(std::string_view(value, static_cast<std::size_t>(size)));
  if (errno != ENODATA && errno != ENOTSUP) return std::nullopt;
  Load();
  const auto found = index_.find(PathDigest(relative));
  if (found == index_.end()) return std::nullopt;
  return found->second;
}

bool RecordStore::Attach(int fd, const OutputRecord& record) {
  const std::string text = FormatRecord(record);
  return ::fsetxattr(fd, kRecordAttribute, text.data(), text.size(), 0) == 0;
}

void RecordStore::Remember(const OutputRecord& record) {
  Load();
  index_[record.path] = record;
  pending_.push_back(FormatRecord(record) + "\n");
  if (pending_.size() >= kFlushEvery) Flush();
}

void RecordStore::Load() {
  if (loaded_) return;
  loaded_ = true;
  FolderHandle root;
  if (OpenFolderAt(AT_FDCWD, root_path_, FolderLinks::kFollow, root) != 0) return;
  index_lines_ = ParseIndex(ReadIndex(root.fd(), root_path_ + "/" + kRecordIndexName), index_);
}

void RecordStore::Flush() {
  if (pending_.empty()) return;
  const std::string path = root_path_ + "/" + kRecordIndexName;
  const int root = Root();
  const IndexLock lock(root, path);
  if (index_lines_ > 2 * index_.size() + kFlushEvery) {
    // Mostly replaced lines: written afresh from what is there now, other runs' lines included.
    std::unordered_map<std::string, OutputRecord> current;
    ParseIndex(ReadIndex(root, path), current);
    for (const std::string& line : pending_) ParseIndex(line, current);
    std::string text;
    for (const auto& [digest, record] : current) text += FormatRecord(record) + "\n";
    ReplaceFileAt(root, kRecordIndexName, path,
                  std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                  ShortWriteReport::kCreateError);
    index_lines_ = current.size();
    pending_.clear();
    return;
  }
  const Descriptor fd(::openat(root, kRecordIndexName,
                               O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                               0644));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) throw EFCreateError(path, errno);
  if (!S_ISREG(status.st_mode)) throw EFCreateError(path, EEXIST);
  // A line a killed writer cut short is ended first, so that it spoils no line of this run.
  char last = '\n';
  if (status.st_size > 0 && ::pread(fd.get(), &last, 1, status.st_size - 1) != 1) last = '\n';
  std::string text = last == '\n' ? "" : "\n";
  for (const std::string& line : pending_) text += line;
  WriteAll(fd.get(), text, path);
  index_lines_ += pending_.size();
  pending_.clear();
}

}  // namespace quelmar
