#include "support/file_tools.h"

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quelmar::fixtures {

namespace fs = std::filesystem;

std::string WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void MakeFolder(const std::string& path) {
  fs::create_directories(path);
}

void SetMode(const std::string& path, unsigned mode) {
  if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("chmod failed on " + path);
}

void MakeReadOnly(const std::string& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  old_soft_limit_ = limit.rlim_cur;
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_soft_limit_;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, old_handler_);
}

SmallFileSystem::SmallFileSystem(const std::string& folder, const std::string& size)
    : folder_(folder) {
  const std::string options = "size=" + size;
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
    mounted_ = true;
  } else {
    error_ = std::strerror(errno);
  }
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::vector<std::string> TreeListing(const std::string& root) {
  std::vector<std::string> listing;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) relative += "/";
    listing.push_back(relative);
  }
  std::sort(listing.begin(), listing.end());
  return listing;
}

namespace {

// Looks at every entry by its own status, so that links (even looping ones) are only read.
void AddEntries(const fs::path& folder, const std::string& prefix,
                std::map<std::string, std::string>& snapshot) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string relative = prefix + entry.path().filename().string();
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      snapshot[relative] = "link:" + fs::read_symlink(entry.path()).string();
    } else if (fs::is_directory(status)) {
      snapshot[relative] = "folder";
      AddEntries(entry.path(), relative + "/", snapshot);
    } else {
      snapshot[relative] = "file:" + ReadText(entry.path().string());
    }
  }
}

}  // namespace

std::map<std::string, std::string> TreeSnapshot(const std::string& root) {
  std::map<std::string, std::string> snapshot;
  AddEntries(root, "", snapshot);
  return snapshot;
}

std::vector<std::string> ChangedEntries(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after) {
  std::vector<std::string> changed;
  for (const auto& [path, entry] : before) {
    const auto it = after.find(path);
    if (it == after.end() || it->second != entry) changed.push_back(path);
  }
  for (const auto& [path, entry] : after) {
    if (!before.contains(path)) changed.push_back(path);
  }
  return changed;
}

std::vector<std::string> HiddenEntries(const std::string& root) {
  std::vector<std::string> hidden;
  for (const auto& [path, entry] : TreeSnapshot(root)) {
    const std::size_t slash = path.rfind('/');
    if (path[slash == std::string::npos ? 0 : slash + 1] == '.') hidden.push_back(path);
  }
  return hidden;
}

}  // namespace quelmar::fixtures
