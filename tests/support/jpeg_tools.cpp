#include "support/jpeg_tools.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/child_process.h"

namespace quelmar::fixtures {

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
  std::string command;
  for (const std::string& word : words) command += word + " ";
  const int status = WaitForChild(StartChild(words, stdout_path, ""));
  if (status != 0 && !(allow_warnings && status == 2)) {
    return ::testing::AssertionFailure() << command << "failed with status " << status;
  }
  return ::testing::AssertionSuccess();
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

::testing::AssertionResult MatchesPnm(const Raster24& raster, const Pnm& image) {
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

}  // namespace quelmar::fixtures
