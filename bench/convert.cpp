// ConvertFolder over a folder of generated photographs with 1 and 2 jobs, and the parts of one
// file's cost: the work a worker does (StampJpegFile) and the write the walk does
// (WriteJpegFile, flushed to the disk). Prints the throughput ratio of 2 jobs to 1 and the
// share of the write in a file's cost.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "convert/convert_file.h"
#include "convert/convert_folder.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"
#include "photo_like.h"

namespace {

constexpr int kPhotos = 16;
constexpr std::int32_t kWidth = 2000;  // 2 megapixels each
constexpr std::int32_t kHeight = 1000;
constexpr std::int32_t kQuality = 90;

quelmar::Raster24 PhotoLike(int seed) {
  return quelmar::bench::PhotoLike(kWidth, kHeight, seed);
}

quelmar::Raster24 Logo() {
  quelmar::Raster24 logo;
  logo.SetSize(200, 80);  // white: the transparent colour
  for (std::int32_t y = 20; y < 60; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 20; x < 180; ++x) row[3 * x + 2] = 40;
  }
  return logo;
}

// A scratch folder with the source photos (every third one progressive) and an output folder.
struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/quelmar-bench-XXXXXX";
    root = ::mkdtemp(pattern);
    std::filesystem::create_directories(source());
    std::filesystem::create_directories(output());
    for (int i = 0; i < kPhotos; ++i) {
      const std::vector<std::uint8_t> bytes =
          quelmar::EncodeJpeg(PhotoLike(i), kQuality, i % 3 == 0);
      quelmar::WriteJpegFile(source() + "/" + std::to_string(100 + i) + ".jpg", bytes);
    }
  }
  ~Scratch() { std::filesystem::remove_all(root); }
  std::string source() const { return root + "/source"; }
  std::string output() const { return root + "/output"; }
  std::string root;
};

const Scratch& Folder() {
  static const Scratch scratch;
  return scratch;
}

quelmar::bench::BenchHost Host(int jobs) {
  return quelmar::bench::BenchHost(Logo(), {quelmar::kBottomRight, quelmar::mkColor, 160, 250},
                                   kQuality, jobs);
}

void ConvertFolderJobs(benchmark::State& state) {
  const Scratch& folder = Folder();
  for (auto _ : state) {
    quelmar::bench::BenchHost host = Host(static_cast<int>(state.range(0)));
    host.State().FStop = 0;
    quelmar::ConvertFolder(host, folder.source(), folder.output());
  }
  state.counters["photos/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kPhotos),
                                                  benchmark::Counter::kIsRate);
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPhotos * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}

// The work a worker does for one photo.
void StampJpegFileOnly(benchmark::State& state) {
  const Scratch& folder = Folder();
  const quelmar::Raster24 logo = Logo();
  const quelmar::bench::BenchHost host = Host(1);
  int i = 0;
  for (auto _ : state) {
    const std::string path = folder.source() + "/" + std::to_string(100 + i++ % kPhotos) + ".jpg";
    benchmark::DoNotOptimize(
        quelmar::StampJpegFile(path, logo, host.CurrentStampSettings(), kQuality).bytes.data());
  }
}

// The write the walk does for one photo: a temporary file, flushed, renamed over the old one.
void WriteJpegFileOnly(benchmark::State& state) {
  const Scratch& folder = Folder();
  const quelmar::StampedJpeg stamped = quelmar::StampJpegFile(
      folder.source() + "/101.jpg", Logo(), Host(1).CurrentStampSettings(), kQuality);
  const std::string path = folder.output() + "/write.jpg";
  for (auto _ : state) quelmar::WriteJpegFile(path, stamped.bytes);
  state.counters["KiB"] = static_cast<double>(stamped.bytes.size()) / 1024;
}

BENCHMARK(ConvertFolderJobs)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StampJpegFileOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteJpegFileOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  quelmar::bench::TimingReporter reporter;
  return quelmar::bench::RunBenchmarks(argc, argv, reporter, [&] {
    const double one = reporter.Of("ConvertFolderJobs/1/real_time");
    const double two = reporter.Of("ConvertFolderJobs/2/real_time");
    if (one > 0 && two > 0) {
      std::printf("throughput 2 jobs / 1 job = %.2f (target >= 1.8)\n", one / two);
    }
    const double work = reporter.Of("StampJpegFileOnly/real_time");
    const double write = reporter.Of("WriteJpegFileOnly/real_time");
    if (work > 0 && write > 0) {
      std::printf("write / (work + write) of one %d MP photo = %.1f %%\n",
                  kWidth * kHeight / 1000000, 100 * write / (work + write));
    }
  });
}
