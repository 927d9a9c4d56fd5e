// DecodeJpeg + EncodeJpeg of a 24-megapixel photo against a bare loop of the same libjpeg calls
// into one plain buffer, for baseline and progressive files. Prints the time ratios against a
// buffer reused across iterations and against one newly allocated per photo: the decoder hands
// each photo a new raster, whose first touch of fresh pages the reused buffer never pays.

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "bench_support.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"
#include "photo_like.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr std::uint8_t kQuality = 90;

const std::vector<std::uint8_t>& Source(bool progressive) {
  static const quelmar::Raster24 photo = quelmar::bench::PhotoLike(kWidth, kHeight);
  static const std::vector<std::uint8_t> baseline = quelmar::EncodeJpeg(photo, kQuality, false);
  static const std::vector<std::uint8_t> multi_scan = quelmar::EncodeJpeg(photo, kQuality, true);
  return progressive ? multi_scan : baseline;
}

void ThroughQuelmar(benchmark::State& state, bool progressive) {
  const quelmar::JpegFile jpeg = quelmar::ParseJpegFile(Source(progressive));
  for (auto _ : state) {
    quelmar::Raster24 raster;
    quelmar::DecodeJpeg(jpeg, raster);
    std::vector<std::uint8_t> output = quelmar::EncodeJpeg(raster, kQuality, jpeg.MultiScan);
    benchmark::DoNotOptimize(output.data());
  }
}

struct BareError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void BareExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<BareError*>(cinfo->err)->jump, 1);
}

// The same decoder calls and parameters with the library's own memory source.
bool BareDecode(const std::vector<std::uint8_t>& source, std::uint8_t* pixels) {
  jpeg_decompress_struct d{};
  BareError errors{};
  d.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = BareExit;
  if (setjmp(errors.jump) != 0) std::abort();
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, source.data(), source.size());
  jpeg_read_header(&d, TRUE);
  d.dct_method = JDCT_FLOAT;
  d.out_color_space = JCS_EXT_BGR;
  const bool multi_scan = jpeg_has_multiple_scans(&d);
  jpeg_start_decompress(&d);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = pixels + static_cast<std::size_t>(d.output_scanline) * kWidth * 3;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return multi_scan;
}

// The same encoder calls and parameters with the library's own memory destination.
void BareEncode(std::uint8_t* pixels, bool progressive) {
  jpeg_compress_struct c{};
  BareError errors{};
  c.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = BareExit;
  if (setjmp(errors.jump) != 0) std::abort();
  jpeg_create_compress(&c);
  unsigned char* output = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &output, &size);
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  c.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&c, kQuality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = pixels + static_cast<std::size_t>(c.next_scanline) * kWidth * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  benchmark::DoNotOptimize(output);
  std::free(output);
}

// A bare decode and encode through one plain buffer: allocated once and reused, or (fresh)
// newly allocated for each photo, as a conversion must.
void BareLibjpeg(benchmark::State& state, bool progressive, bool fresh) {
  const std::vector<std::uint8_t>& source = Source(progressive);
  const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * 3;
  std::unique_ptr<std::uint8_t[]> reused(new std::uint8_t[bytes]);
  std::memset(reused.get(), 0, bytes);
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t[]> fresh_buffer(fresh ? new std::uint8_t[bytes] : nullptr);
    std::uint8_t* const pixels = fresh ? fresh_buffer.get() : reused.get();
    BareEncode(pixels, BareDecode(source, pixels));
  }
}

// Interleaved, so that both sides of a ratio see the same machine state.
BENCHMARK_CAPTURE(BareLibjpeg, Baseline, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareLibjpeg, BaselineFresh, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ThroughQuelmar, Baseline, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareLibjpeg, Progressive, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BareLibjpeg, ProgressiveFresh, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ThroughQuelmar, Progressive, true)->Unit(benchmark::kMillisecond);

// The console report plus the mean times of each run, for the ratios. CPU time counts the page
// faults of new memory and leaves out the waits of a shared machine; real time is shown too.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const double n = static_cast<double>(run.iterations);
      times_[run.benchmark_name()] = {run.cpu_accumulated_time / n, run.real_accumulated_time / n};
    }
  }

  void PrintRatio(const std::string& kind, const std::string& bare_kind) const {
    const auto ours = times_.find("ThroughQuelmar/" + kind);
    const auto bare = times_.find("BareLibjpeg/" + bare_kind);
    if (ours == times_.end() || bare == times_.end()) return;
    std::printf("%-11s ours / bare %-16s = %.3f CPU, %.3f real (target <= 1.05)\n", kind.c_str(),
                bare_kind.c_str(), ours->second.first / bare->second.first,
                ours->second.second / bare->second.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return quelmar::bench::RunBenchmarks(argc, argv, reporter, [&] {
    for (const std::string kind : {"Baseline", "Progressive"}) {
      reporter.PrintRatio(kind, kind);
      reporter.PrintRatio(kind, kind + "Fresh");
    }
  });
}
