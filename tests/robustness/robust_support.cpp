#include "robustness/robust_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

#include "base/errors.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"

namespace quelmar::testing {

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int StatusOf(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

}  // namespace

std::string CliBinary() {
  return std::string(QUELMAR_BINARY_DIR) + "/src/cli/quelmar-cli";
}

pid_t StartCli(const std::vector<std::string>& arguments, const std::string& log_file,
               const ChildSetUp& set_up) {
  const std::string binary = CliBinary();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int log = ::open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log < 0) throw std::runtime_error("cannot open " + log_file);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(log, STDOUT_FILENO);
    ::dup2(log, STDERR_FILENO);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    if (set_up) set_up();
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(log);
  return pid;
}

int WaitForChild(pid_t pid) {
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return StatusOf(wait_status);
}

ChildResult RunCliChild(const std::vector<std::string>& arguments, const std::string& log_file,
                        std::chrono::seconds timeout, const ChildSetUp& set_up) {
  ChildResult result;
  const pid_t pid = StartCli(arguments, log_file, set_up);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int wait_status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &wait_status, WNOHANG);
    if (done == pid) {
      result.status = StatusOf(wait_status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      result.timed_out = true;
      result.status = WaitForChild(pid);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.err = ReadAll(log_file);
  return result;
}

namespace {

// Looks at every entry by its own status, so that links (even looping ones) are only read.
void AddEntries(const std::filesystem::path& folder, const std::string& prefix,
                std::map<std::string, std::string>& snapshot) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string relative = prefix + entry.path().filename().string();
    const std::filesystem::file_status status = entry.symlink_status();
    if (std::filesystem::is_symlink(status)) {
      snapshot[relative] = "link:" + std::filesystem::read_symlink(entry.path()).string();
    } else if (std::filesystem::is_directory(status)) {
      snapshot[relative] = "folder";
      AddEntries(entry.path(), relative + "/", snapshot);
    } else {
      snapshot[relative] = "file:" + ReadAll(entry.path().string());
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

bool IsCompleteJpeg(const std::string& path) {
  try {
    const JpegFile jpeg = ReadJpegFile(path);
    const std::size_t size = jpeg.data.size();
    if (size < 4 || jpeg.data[size - 2] != 0xFF || jpeg.data[size - 1] != 0xD9) return false;
    Raster24 raster;
    DecodeJpeg(jpeg, raster);
    return !raster.empty();
  } catch (const Error&) {
    return false;
  }
}

std::vector<std::uint8_t> NoiseJpegBytes(std::int32_t width, std::int32_t height, unsigned seed) {
  std::mt19937 random(seed);
  Raster24 raster;
  raster.SetSize(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t i = 0; i < 3 * width; ++i) row[i] = static_cast<std::uint8_t>(random());
  }
  return EncodeJpeg(raster, 100, false);
}

SmallFileSystem::SmallFileSystem(const std::string& folder, const char* size) : folder_(folder) {
  const std::string options = std::string("size=") + size;
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
    mounted_ = true;
  } else {
    error_ = std::strerror(errno);
  }
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> jpeg, std::uint16_t width,
                                        std::uint16_t height) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return jpeg;
    }
  }
  throw std::runtime_error("no frame header");
}

}  // namespace quelmar::testing
