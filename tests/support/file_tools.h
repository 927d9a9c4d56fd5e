#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quelmar::fixtures {

// Writes a file with exactly bytes, making its missing parent folders, and returns its path;
// std::runtime_error when it cannot.
std::string WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

// A whole file's bytes; std::runtime_error when it cannot be read. Independent of the code
// under test's own reading.
std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);

// Makes a folder with its missing parents.
void MakeFolder(const std::string& path);
// Sets the permission bits of a file or folder; std::runtime_error when it cannot.
void SetMode(const std::string& path, unsigned mode);
// Takes every write permission bit off path.
void MakeReadOnly(const std::string& path);

// The names in folder, "." and ".." left out, in the order the system lists them.
std::vector<std::string> FolderEntries(const std::string& folder);

// While it lives, no file of this process can grow past bytes, and a write beyond the limit
// comes up short instead of raising SIGXFSZ: a full disk, played in-process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes);
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit();

 private:
  std::uint64_t old_soft_limit_ = 0;
  void (*old_handler_)(int) = nullptr;
};

// A small tmpfs of size (e.g. "64k") mounted on folder while the object lives: a disk that
// fills. Mounting needs root; when it fails, mounted() is false and error() says why.
class SmallFileSystem {
 public:
  SmallFileSystem(const std::string& folder, const std::string& size);
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  ~SmallFileSystem();

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string error_;
};

// Every file and folder below root, as paths relative to it, in sorted order; folders end
// in "/".
std::vector<std::string> TreeListing(const std::string& root);

// Every entry below root without following symbolic links, by relative path: a file's bytes
// ("file:" + bytes), a link's target ("link:" + target) or "folder".
std::map<std::string, std::string> TreeSnapshot(const std::string& root);

// The paths whose entries differ between two snapshots, or that only one of them has.
std::vector<std::string> ChangedEntries(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after);

// The relative paths of the hidden entries (names starting with ".") below root.
std::vector<std::string> HiddenEntries(const std::string& root);

}  // namespace quelmar::fixtures
