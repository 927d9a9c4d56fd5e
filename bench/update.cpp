// The weekly re-run of a library that did not change: quelmar-cli --update over 10,000 photos
// in 100 folders whose outputs are all up to date, run in-process as the command line runs it
// (its arguments parsed, the tree walked, each output's record read; no photo is opened).
// Prints the mean time of such a run against its target of 1 s, and the time of the first run
// that converted everything, for scale. QUELMAR_BENCH_DIR names the scratch folder (default the
// system's temporary folder).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "cli/cli_run.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"

namespace {

constexpr int kFolders = 100;
constexpr int kPhotosPerFolder = 100;

// An uncompressed 24-bit BMP of 8 x 8 pixels: white (the transparent colour) around a dark
// square.
std::string LogoBmp() {
  std::string bytes = "BM";
  const auto put = [&bytes](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(14 + 40 + 8 * 8 * 3, 4);
  put(0, 4);
  put(14 + 40, 4);
  for (const std::uint32_t value : {40u, 8u, 8u}) put(value, 4);
  put(1, 2);
  put(24, 2);
  for (int i = 0; i < 6; ++i) put(0, 4);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) put(x >= 2 && x < 6 && y >= 2 && y < 6 ? 0x302010 : 0xFFFFFF, 3);
  }
  return bytes;
}

// quelmar-cli with arguments; its exit status.
int RunCli(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"quelmar-cli"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  std::ostringstream out, err;
  const std::atomic<bool> interrupt{false};
  return quelmar::RunCli(static_cast<int>(argv.size()), argv.data(), out, err, interrupt, false);
}

// The library, its logo and an output folder brought up to date by a first run, made once.
struct Library {
  Library() {
    root = quelmar::bench::ScratchFolder("update");
    const std::vector<std::uint8_t> photo =
        quelmar::EncodeJpeg(quelmar::bench::Gradient(64, 48), 90, false);
    for (int folder = 0; folder < kFolders; ++folder) {
      const std::string path = root + "/src/" + std::to_string(folder);
      std::filesystem::create_directories(path);
      for (int i = 0; i < kPhotosPerFolder; ++i) {
        quelmar::WriteJpegFile(path + "/" + std::to_string(i) + ".jpg", photo);
      }
    }
    std::filesystem::create_directories(root + "/out");
    std::ofstream(root + "/logo.bmp", std::ios::binary) << LogoBmp();
  }
  ~Library() { std::filesystem::remove_all(root); }

  std::vector<std::string> UpdateArguments() const {
    return {"--update",    "--logo",   root + "/logo.bmp", "--source",
            root + "/src", "--output", root + "/out",      "-j",
            "2",           "--quiet"};
  }
  std::string root;
};

const Library& Scratch() {
  static const Library library;
  return library;
}

void FirstUpdate(benchmark::State& state) {
  const Library& library = Scratch();
  for (auto _ : state) {
    if (RunCli(library.UpdateArguments()) != 0) state.SkipWithError("the first run failed");
  }
}

void SecondUpdate(benchmark::State& state) {
  const Library& library = Scratch();
  for (auto _ : state) {
    if (RunCli(library.UpdateArguments()) != 0) state.SkipWithError("the update failed");
  }
  state.counters["photos/s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kFolders * kPhotosPerFolder),
                         benchmark::Counter::kIsRate);
}

// The first run converts everything once; every later one finds it all up to date.
BENCHMARK(FirstUpdate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(SecondUpdate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  quelmar::bench::TimingReporter reporter;
  return quelmar::bench::RunBenchmarks(argc, argv, reporter, [&] {
    const double first = reporter.Of("FirstUpdate/iterations:1/real_time");
    const double second = reporter.Of("SecondUpdate/iterations:5/real_time");
    if (second > 0) {
      std::printf("second --update over %d unchanged photos: %.3f s (target < 1 s)%s\n",
                  kFolders * kPhotosPerFolder, second / 1000, second < 1000 ? "" : "  MISSED");
    }
    if (first > 0) std::printf("first run, converting every photo: %.3f s\n", first / 1000);
  });
}
