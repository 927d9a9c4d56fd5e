#include "robustness/photo_library.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "robustness/robust_support.h"

namespace quelmar::fixtures {

PhotoLibrary::PhotoLibrary(int count)
    : source_(temp_ / "photos"), settings_(temp_ / "Quelmar.ini") {
  const char* folders[] = {"", "2024/", "2024/夏 休み/", "2025/01/", "bad\xff/"};
  for (int i = 0; i < count; ++i) {
    const std::string photo = std::string(folders[i % 5]) + "IMG_" + std::to_string(1000 + i) +
                              (i % 7 == 0 ? ".JPEG" : ".jpg");
    WriteBytes(source_ + "/" + photo, JpegBytes(48 + i % 5, 32, i, i % 4 == 0));
    photos_.push_back(photo);
  }
  WriteBytes(temp_ / "logo.bmp", Bmp24Bytes(LogoRaster(12, 8)));
  WriteText(settings_, "[Setup]\nMarkBitmap=" + (temp_ / "logo.bmp") +
                           "\nPosition=4\nAlphaChannel=200\nJPEGQuality=85\nMaskType=1\n");
}

std::vector<std::string> PhotoLibrary::Arguments(const std::string& output) const {
  return {"--settings", settings_, "--source", source_, "--output", output};
}

const std::map<std::string, std::string>& PhotoLibrary::Reference() {
  if (reference_.empty()) {
    const std::string output = temp_ / "reference";
    std::filesystem::create_directories(output);
    const ChildResult run = RunCliChild(Arguments(output), temp_ / "reference.log");
    if (run.status != 0) throw std::runtime_error("the reference run failed: " + run.err);
    reference_ = TreeSnapshot(output);
  }
  return reference_;
}

std::map<std::string, std::string> PhotoLibrary::Outputs(const std::string& output) {
  std::map<std::string, std::string> outputs = TreeSnapshot(output);
  std::erase_if(outputs,
                [](const auto& entry) { return entry.first.starts_with(".quelmar-records"); });
  return outputs;
}

int PhotoLibrary::RunShell(const std::string& script,
                           const std::map<std::string, std::string>& variables,
                           const std::string& log) const {
  const std::string path =
      std::filesystem::path(CliBinary()).parent_path().string() + ":" + ::getenv("PATH");
  const int log_fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(log_fd, STDOUT_FILENO);
    ::dup2(log_fd, STDERR_FILENO);
    if (::chdir(temp_.path().c_str()) != 0) ::_exit(126);
    ::setenv("PATH", path.c_str(), 1);
    for (const auto& [name, value] : variables) ::setenv(name.c_str(), value.c_str(), 1);
    ::execl("/bin/bash", "bash", "-c", script.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(log_fd);
  return WaitForChild(child);
}

std::string RecipeOf(const std::string& name) {
  std::ifstream notes(std::string(QUELMAR_SOURCE_DIR) + "/docs/scale-out.md");
  std::stringstream text;
  text << notes.rdbuf();
  const std::string all = text.str();
  const std::size_t marker = all.find("<!-- test: " + name + " -->");
  if (marker == std::string::npos) return {};
  const std::size_t fence = all.find("```sh\n", marker);
  const std::size_t end = all.find("```\n", fence + 6);
  if (fence == std::string::npos || end == std::string::npos) return {};
  return all.substr(fence + 6, end - fence - 6);
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace quelmar::fixtures
