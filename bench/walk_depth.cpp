// The cost of a folder's depth: ConvertFolder over a chain of 1000 nested folders with one small
// photo each, against the same 1000 photos in one folder. Each folder of the chain costs a few
// system calls of its own (entered and made by name from the one above, checked against the
// source by identity); nothing grows with the depth. Prints the ratio of the two (target: the
// chain within 2 x the flat folder). QUELMAR_BENCH_DIR names the scratch folder (default the
// system's temporary folder; /dev/shm leaves the disk's flushes out).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "convert/convert_folder.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"

namespace {

constexpr int kPhotos = 1000;
constexpr std::int32_t kQuality = 90;

quelmar::bench::BenchHost Host() {
  return quelmar::bench::BenchHost(quelmar::bench::Gradient(48, 32),
                                   {quelmar::kBottomRight, quelmar::mkColor, 160, 250}, kQuality,
                                   2);
}

// The chain's and the flat folder's sources and outputs, made once.
struct Trees {
  Trees() {
    root = quelmar::bench::ScratchFolder("depth");
    const std::vector<std::uint8_t> photo =
        quelmar::EncodeJpeg(quelmar::bench::Gradient(320, 240), 90, false);
    std::string chain = root + "/chain/src";
    for (int i = 0; i < kPhotos; ++i) {
      chain += "/d";
      std::filesystem::create_directories(chain);
      quelmar::WriteJpegFile(chain + "/p.jpg", photo);
      std::filesystem::create_directories(root + "/flat/src");
      quelmar::WriteJpegFile(root + "/flat/src/" + std::to_string(i) + ".jpg", photo);
    }
    std::filesystem::create_directories(root + "/chain/out");
    std::filesystem::create_directories(root + "/flat/out");
  }
  ~Trees() { std::filesystem::remove_all(root); }
  std::string root;
};

const Trees& Scratch() {
  static const Trees trees;
  return trees;
}

void Walk(benchmark::State& state, const std::string& kind) {
  const Trees& trees = Scratch();
  for (auto _ : state) {
    quelmar::bench::BenchHost host = Host();
    host.State().FStop = 0;
    quelmar::ConvertFolder(host, trees.root + "/" + kind + "/src",
                           trees.root + "/" + kind + "/out");
    if (host.converted() != kPhotos) state.SkipWithError("not every photo was converted");
  }
  state.counters["photos/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kPhotos),
                                                  benchmark::Counter::kIsRate);
}

void WalkFlat(benchmark::State& state) {
  Walk(state, "flat");
}
void WalkChain(benchmark::State& state) {
  Walk(state, "chain");
}

BENCHMARK(WalkFlat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(WalkChain)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  quelmar::bench::TimingReporter reporter;
  return quelmar::bench::RunBenchmarks(argc, argv, reporter, [&] {
    const double flat = reporter.Of("WalkFlat/iterations:3/real_time");
    const double chain = reporter.Of("WalkChain/iterations:3/real_time");
    if (flat > 0 && chain > 0) {
      std::printf("1000-deep chain / flat folder of 1000 = %.2f (target <= 2)\n", chain / flat);
    }
  });
}
