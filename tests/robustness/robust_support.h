#pragma once

// Tools of the robustness tests: quelmar-cli as a child process, snapshots of whole trees and
// forged image files.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quelmar::testing {

// The quelmar-cli of this build.
std::string CliBinary();

struct ChildResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  bool timed_out = false;
  std::string err;  // what it wrote on standard error
};

// Runs in the child just before quelmar-cli is started in it: only system calls (the child of
// a threaded process has nothing else safely), and _exit to give up.
using ChildSetUp = std::function<void()>;

// Starts quelmar-cli with arguments, its standard output and error going to log_file.
pid_t StartCli(const std::vector<std::string>& arguments, const std::string& log_file,
               const ChildSetUp& set_up = {});

// Runs quelmar-cli to its end; after timeout it is killed and timed_out is set.
ChildResult RunCliChild(const std::vector<std::string>& arguments, const std::string& log_file,
                        std::chrono::seconds timeout = std::chrono::seconds(60),
                        const ChildSetUp& set_up = {});

// Waits for a child started by StartCli; the status as in ChildResult.
int WaitForChild(pid_t pid);

// Every entry below root without following symbolic links, by relative path: a file's bytes
// ("file:" + bytes), a link's target ("link:" + target) or "folder".
std::map<std::string, std::string> TreeSnapshot(const std::string& root);

// The paths whose entries differ between two snapshots, or that only one of them has.
std::vector<std::string> ChangedEntries(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& after);

// The relative paths of the hidden entries (names starting with ".") below root.
std::vector<std::string> HiddenEntries(const std::string& root);

// True when path is a JPEG that reads and decodes without an error and ends with its
// end-of-image marker.
bool IsCompleteJpeg(const std::string& path);

// A raster of noise, which compresses badly (for files of a predictable large size).
std::vector<std::uint8_t> NoiseJpegBytes(std::int32_t width, std::int32_t height, unsigned seed);

// A small file system of its own (tmpfs), mounted on folder for a test (root only) and
// unmounted, with everything in it, at the end.
class SmallFileSystem {
 public:
  SmallFileSystem(const std::string& folder, const char* size);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  std::string folder_;
  bool mounted_ = false;
  std::string error_;
};

// The JPEG bytes with the frame header's height and width replaced.
std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> jpeg, std::uint16_t width,
                                        std::uint16_t height);

}  // namespace quelmar::testing
