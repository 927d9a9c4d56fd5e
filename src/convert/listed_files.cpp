#include "convert/listed_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"
#include "convert/convert_file.h"
#include "convert/path_containment.h"
#include "convert/walk_order.h"

namespace quelmar {

namespace {

bool IsHidden(const std::string& name) {
  return !name.empty() && name[0] == '.';
}

bool IsJpegName(const std::string& name) {
  for (const char* suffix : kWalkSuffixes) {
    if (EndsWithIgnoringAsciiCase(name, suffix)) return true;
  }
  return false;
}

}  // namespace

ListedPath ReadListedPath(const ListEntry& entry) {
  ListedPath path;
  path.text = entry.text;
  if (entry.text.empty() || !entry.whole || entry.text.find('\0') != std::string::npos) {
    path.refusal = kNotJpegNameSuffix;
    return path;
  }
  if (entry.text.front() == '/') {
    path.refusal = kOutsideSourceSuffix;
    return path;
  }
  std::size_t start = 0;
  while (start <= entry.text.size()) {
    const std::size_t end = std::min(entry.text.find('/', start), entry.text.size());
    std::string name = entry.text.substr(start, end - start);
    start = end + 1;
    if (name == "..") path.refusal = kOutsideSourceSuffix;
    if (!name.empty() && name != ".") path.folders.push_back(std::move(name));
  }
  // A path ending in "/" or "." names a folder, not a file.
  const char last = entry.text.back();
  const bool folder =
      last == '/' || (last == '.' && (entry.text.size() == 1 || entry.text.ends_with("/.")));
  if (path.refusal.empty() && (path.folders.empty() || folder)) path.refusal = kNotJpegNameSuffix;
  if (!path.folders.empty() && !folder) {
    path.name = std::move(path.folders.back());
    path.folders.pop_back();
  }
  return path;
}

ListedFiles::ListedFiles(const std::string& source, std::vector<std::string> except_folders,
                         FileChooser chooser)
    : SourceListing(source, std::move(chooser)),
      source_(source),
      except_folders_(std::move(except_folders)),
      cursor_(source, FolderLinks::kRefuse) {
  if (root_.is_open()) AddFolder(kNoFolder, {}, root_.Identity());
}

std::size_t ListedFiles::FolderIndex(std::size_t parent, const std::string& name, int fd) {
  const auto found = children_.find({parent, name});
  if (found != children_.end()) return found->second;
  struct stat status {};
  ::fstat(fd, &status);
  const std::size_t index = AddFolder(parent, name, {status.st_dev, status.st_ino});
  children_.emplace(std::make_pair(parent, name), index);
  return index;
}

bool ListedFiles::LinkStaysInside(int folder, const std::string& name) const {
  std::string target(4096, '\0');
  const ssize_t n = ::readlinkat(folder, name.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return false;
  target.resize(static_cast<std::size_t>(n));
  const std::string target_folder = FolderPart(target);
  const std::string target_name = target.substr(target_folder.size());
  FolderHandle at;
  if (target_name.empty() ||
      OpenFolderAt(target[0] == '/' ? AT_FDCWD : folder,
                   target_folder.empty() ? "." : target_folder, FolderLinks::kFollow, at) != 0) {
    return false;
  }
  struct stat status {};
  return ::fstatat(at.fd(), target_name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(status.st_mode) && IsSameOrBelow(at.fd(), folders().front().identity);
}

ListedFiles::Addition ListedFiles::Add(const ListedPath& path, FileOutcome& failure) {
  failure = FileOutcome{};
  failure.result = FileOutcome::Result::kRefused;
  failure.source = path.refusal.empty() ? JoinPath(source_, path.relative()) : path.text;
  failure.relative = path.refusal.empty() ? path.relative() : path.text;
  const auto refuse = [&](const char* suffix) {
    failure.message = failure.source + suffix;
    return Addition::kRefused;
  };
  if (!path.refusal.empty()) return refuse(path.refusal.c_str());
  for (const std::string& folder : path.folders) {
    if (IsHidden(folder)) return refuse(kNotJpegNameSuffix);
    if (!IsFolderIncluded(folder, except_folders_)) return Addition::kLeftOut;
  }
  if (IsHidden(path.name) || !IsJpegName(path.name)) return refuse(kNotJpegNameSuffix);

  std::size_t index = 0;
  std::vector<std::string> reached;
  int fd = cursor_.MoveTo(reached);
  for (const std::string& folder : path.folders) {
    reached.push_back(folder);
    if (fd >= 0) fd = cursor_.MoveTo(reached);
    if (fd < 0) break;
    index = FolderIndex(index, folder, fd);
  }
  struct stat status {};
  const int error = fd < 0 ? cursor_.error()
                    : ::fstatat(fd, path.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ? errno
                                                                                          : 0;
  if (error == ENOENT || (error != 0 && error != ELOOP && error != ENOTDIR)) {
    failure.result = FileOutcome::Result::kNotRead;
    failure.message = failure.source + kNotReadSuffix;
    failure.reason = SystemErrorText(error);
    return Addition::kRefused;
  }
  // A linked folder on the way, or a name on the way that is no folder.
  if (error != 0) return refuse(kOutsideSourceSuffix);
  if (S_ISLNK(status.st_mode) && !LinkStaysInside(fd, path.name)) {
    return refuse(kOutsideSourceSuffix);
  }
  if (!S_ISLNK(status.st_mode) && !S_ISREG(status.st_mode)) return refuse(kNotJpegNameSuffix);
  const FileChoice choice = Choose(index, fd, path.relative(), path.name, failure.source);
  return choice == FileChoice::kLeaveOut ? Addition::kLeftOut : Addition::kListed;
}

}  // namespace quelmar
