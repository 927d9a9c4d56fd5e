// What upright photographs, colour profiles and metadata cost a conversion:
// - decoding a 24-megapixel photo upright for each orientation against decoding it as stored
//   (a quarter turn should add under 15 ms), and the turning pass alone, band by band, against
//   copying the rows straight;
// - reading the orientation and the colour profile from a camera-like header (EXIF with a
//   thumbnail, a 0.5 MB profile in 8 chunks), against decoding and encoding the 24 MP photo;
// - encoding with the profile against encoding without it, and keeping the metadata (an option).
// Prints the shares against the conversion.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "image/jpeg_file.h"
#include "image/meta/exif_tiff.h"
#include "image/meta/icc_chunks.h"
#include "image/meta/jpeg_header_segments.h"
#include "image/orientation.h"
#include "image/photo_metadata.h"
#include "image/raster24.h"
#include "photo_like.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;
constexpr std::uint8_t kQuality = 90;

using Bytes = std::vector<std::uint8_t>;

const quelmar::Raster24& Photo() {
  static const quelmar::Raster24 photo = quelmar::bench::PhotoLike(kWidth, kHeight);
  return photo;
}

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v >> 8));
  b.push_back(static_cast<std::uint8_t>(v));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}

void Segment(Bytes& out, std::uint8_t marker, const Bytes& payload) {
  out.push_back(0xFF);
  out.push_back(marker);
  Put16(out, static_cast<std::uint32_t>(payload.size() + 2));
  out.insert(out.end(), payload.begin(), payload.end());
}

// A big-endian EXIF block as cameras write it: IFD0 with 12 entries (orientation 6 among
// them), an EXIF directory of 40 entries, and a 40 KB thumbnail at the end.
Bytes CameraExif() {
  Bytes tiff = {'M', 'M', 0, 42};
  Put32(tiff, 8);
  Put16(tiff, 12);
  for (std::uint16_t tag = 0x0100; tag < 0x0100 + 11; ++tag) {
    Put16(tiff, tag);
    Put16(tiff, 3);
    Put32(tiff, 1);
    Put32(tiff, 0);
  }
  Put16(tiff, 0x0112);
  Put16(tiff, 3);
  Put32(tiff, 1);
  Put32(tiff, 6u << 16);
  Put32(tiff, 0);
  for (int i = 0; i < 40 * 12 + 2; ++i) tiff.push_back(static_cast<std::uint8_t>(i));
  tiff.resize(tiff.size() + 40000, 0x55);
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return payload;
}

Bytes Profile() {
  Bytes profile(512 * 1024);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<std::uint8_t>(i * 7);
  return profile;
}

// The photo encoded with the camera's header in front of its tables.
const Bytes& CameraFile() {
  static const Bytes file = [] {
    const Bytes plain = quelmar::EncodeJpeg(Photo(), kQuality, false, Profile());
    Bytes out(plain.begin(), plain.begin() + 20);  // SOI and JFIF
    Segment(out, 0xE1, CameraExif());
    out.insert(out.end(), plain.begin() + 20, plain.end());
    return out;
  }();
  return file;
}

// Decoding the 24 MP photo as stored (1) and upright for each orientation: the difference is
// what a turned photo costs a conversion, with the decoder filling the upright raster band by
// band.
void DecodeUpright(benchmark::State& state) {
  const auto orientation = static_cast<std::uint8_t>(state.range(0));
  const quelmar::JpegFile jpeg = quelmar::ParseJpegFile(CameraFile());
  for (auto _ : state) {
    quelmar::Raster24 raster;
    quelmar::DecodeJpeg(jpeg, raster, orientation);
    benchmark::DoNotOptimize(raster.Row(0));
  }
}

// The pass alone, as the decoder makes it: the stored photo's rows copied 64 at a time into a
// band (standing in for the decoder's output) and placed into an upright raster whose pages are
// already in memory; for code 1 the rows are copied straight into the raster.
void PlaceBands(benchmark::State& state) {
  const auto orientation = static_cast<std::uint8_t>(state.range(0));
  const quelmar::Raster24& stored = Photo();
  const bool swaps = quelmar::OrientationSwapsAxes(orientation);
  quelmar::Raster24 upright;
  upright.SetSize(swaps ? kHeight : kWidth, swaps ? kWidth : kHeight);
  constexpr std::int32_t kBand = 64;
  quelmar::Raster24 band;
  band.SetSize(kWidth, kBand);
  const std::size_t row_bytes = 3 * std::size_t{kWidth};
  for (auto _ : state) {
    for (std::int32_t first = 0; first < kHeight; first += kBand) {
      const std::int32_t rows = std::min(kBand, kHeight - first);
      quelmar::Raster24& into = orientation == 1 ? upright : band;
      const std::int32_t at = orientation == 1 ? first : 0;
      for (std::int32_t r = 0; r < rows; ++r) {
        std::memcpy(into.Row(at + r), stored.Row(first + r), row_bytes);
      }
      quelmar::PlaceStoredRows(band, first, rows, orientation, upright);
    }
    benchmark::DoNotOptimize(upright.Row(0));
  }
}

void ReadOrientationAndProfile(benchmark::State& state) {
  const Bytes& file = CameraFile();
  for (auto _ : state) {
    const std::vector<quelmar::HeaderSegment> segments = quelmar::ListHeaderSegments(file);
    benchmark::DoNotOptimize(quelmar::ExifOrientation(quelmar::FirstExifTiff(segments)));
    const Bytes profile = quelmar::GatherIccProfile(segments);
    benchmark::DoNotOptimize(profile.data());
  }
}

// Keeping the camera's metadata (an option): copying it out of the source and writing it into
// the encoded 24 MP output through Exiv2.
void KeepMetadata(benchmark::State& state) {
  const Bytes output = quelmar::EncodeJpeg(Photo(), kQuality, false);
  for (auto _ : state) {
    const Bytes kept =
        quelmar::EmbedPhotoMetadata(quelmar::ExtractPhotoMetadata(CameraFile()), output);
    benchmark::DoNotOptimize(kept.data());
  }
}

void Convert(benchmark::State& state) {
  const quelmar::JpegFile jpeg = quelmar::ParseJpegFile(CameraFile());
  for (auto _ : state) {
    quelmar::Raster24 raster;
    quelmar::DecodeJpeg(jpeg, raster);
    const Bytes output = quelmar::EncodeJpeg(raster, kQuality, false, jpeg.IccProfile);
    benchmark::DoNotOptimize(output.data());
  }
}

void Encode(benchmark::State& state) {
  const Bytes profile = state.range(0) != 0 ? Profile() : Bytes();
  for (auto _ : state) {
    const Bytes output = quelmar::EncodeJpeg(Photo(), kQuality, false, profile);
    benchmark::DoNotOptimize(output.data());
  }
}

BENCHMARK(DecodeUpright)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(PlaceBands)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadOrientationAndProfile)->Unit(benchmark::kMicrosecond);
BENCHMARK(KeepMetadata)->Unit(benchmark::kMillisecond);
BENCHMARK(Convert)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The console report plus the shares that the targets are about.
class ShareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      // CPU time: on a shared machine the wall time also counts other processes' turns.
      times_[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
    }
  }

  void PrintShares() const {
    const double convert = Time("Convert");
    if (convert <= 0) return;
    const double turn = Time("DecodeUpright/6") - Time("DecodeUpright/1");
    std::printf(
        "quarter turn (6) in the decode: +%.1f ms (target < 15 ms), %.1f %% of a conversion\n",
        1e3 * turn, 100 * turn / convert);
    std::printf(
        "the pass alone, band by band: %.1f ms for a quarter turn, %.1f ms for rows copied "
        "straight\n",
        1e3 * Time("PlaceBands/6"), 1e3 * Time("PlaceBands/1"));
    std::printf("orientation + profile read %.1f us = %.4f %% of a conversion (target < 1 %%)\n",
                1e6 * Time("ReadOrientationAndProfile"),
                100 * Time("ReadOrientationAndProfile") / convert);
    std::printf("profile carried in the encode: +%.2f %% of a conversion\n",
                100 * (Time("Encode/1") - Time("Encode/0")) / convert);
    std::printf("metadata kept (an option): %.1f ms = %.1f %% of a conversion\n",
                1e3 * Time("KeepMetadata"), 100 * Time("KeepMetadata") / convert);
  }

 private:
  double Time(const std::string& name) const {
    const auto found = times_.find(name);
    return found == times_.end() ? 0 : found->second;
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintShares();
  benchmark::Shutdown();
  return 0;
}
