#include "jpeg_reference_tools.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace quelmar::jpeg_testing {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder() {
  std::string pattern = ::testing::TempDir() + "quelmar-jpeg-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string FindTool(const std::string& name) {
  std::string folders = "/usr/bin";
  if (const char* path = std::getenv("PATH")) folders = std::string(path) + ":" + folders;
  std::istringstream list(folders);
  std::string folder;
  while (std::getline(list, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

::testing::AssertionResult RunTool(const std::string& tool, const std::vector<std::string>& args,
                                   const std::string& stdout_path, bool allow_warnings) {
  std::vector<std::string> words{tool};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!stdout_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdout_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  std::string command;
  for (const std::string& word : words) command += word + " ";
  if (spawned != 0) return ::testing::AssertionFailure() << "cannot start " << command;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return ::testing::AssertionFailure() << "lost " << command;
  }
  const bool succeeded = WIFEXITED(status) &&
                         (WEXITSTATUS(status) == 0 || (allow_warnings && WEXITSTATUS(status) == 2));
  if (!succeeded) {
    return ::testing::AssertionFailure() << command << "failed with status " << status;
  }
  return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Raster24 PhotoLike(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  Raster24 raster;
  raster.SetSize(width, height);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 28) - 8;
      const int base[3] = {(x * 255) / (width + 1), (y * 255) / (height + 1),
                           ((x + y) * 127) / (width + height + 1) + 64};
      for (int c = 0; c < 3; ++c) {
        const int value = base[c] + noise * (c + 1) / 2;
        row[3 * x + c] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    }
  }
  return raster;
}

namespace {

void WritePnm(const std::string& path, const Raster24& raster, bool gray) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << (gray ? "P5\n" : "P6\n") << raster.width() << " " << raster.height() << "\n255\n";
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    const std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < raster.width(); ++x) {
      if (gray) {
        out.put(static_cast<char>(row[3 * x]));
      } else {
        out.put(static_cast<char>(row[3 * x + 2]));
        out.put(static_cast<char>(row[3 * x + 1]));
        out.put(static_cast<char>(row[3 * x]));
      }
    }
  }
}

}  // namespace

void WritePpm(const std::string& path, const Raster24& raster) {
  WritePnm(path, raster, false);
}

void WritePgm(const std::string& path, const Raster24& raster) {
  WritePnm(path, raster, true);
}

Pnm ReadPnm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  Pnm image;
  in >> magic >> image.width >> image.height >> maxval;
  in.get();
  if (!in || maxval != 255 || (magic != "P5" && magic != "P6")) return Pnm{};
  image.channels = magic == "P6" ? 3 : 1;
  image.samples.resize(static_cast<std::size_t>(image.width) * image.height * image.channels);
  in.read(reinterpret_cast<char*>(image.samples.data()),
          static_cast<std::streamsize>(image.samples.size()));
  if (!in) return Pnm{};
  return image;
}

::testing::AssertionResult SamePixels(const Raster24& raster, const Pnm& image) {
  if (image.channels == 0) return ::testing::AssertionFailure() << "the reference is unreadable";
  if (raster.width() != image.width || raster.height() != image.height) {
    return ::testing::AssertionFailure() << "size " << raster.width() << "x" << raster.height()
                                         << ", reference " << image.width << "x" << image.height;
  }
  const std::uint8_t* sample = image.samples.data();
  for (std::int32_t y = 0; y < raster.height(); ++y) {
    const std::uint8_t* row = raster.Row(y);
    for (std::int32_t x = 0; x < raster.width(); ++x, sample += image.channels) {
      const std::uint8_t red = sample[0];
      const std::uint8_t green = image.channels == 3 ? sample[1] : sample[0];
      const std::uint8_t blue = image.channels == 3 ? sample[2] : sample[0];
      if (row[3 * x] != blue || row[3 * x + 1] != green || row[3 * x + 2] != red) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << int{row[3 * x + 2]} << ","
               << int{row[3 * x + 1]} << "," << int{row[3 * x]} << ", reference " << int{red} << ","
               << int{green} << "," << int{blue};
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quelmar::jpeg_testing
