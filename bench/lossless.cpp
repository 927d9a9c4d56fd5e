// The lossless mode against the full path on every JPEG of a folder (bench/lossless.sh makes
// one from real photographs): per photo and logo place, the best wall time of each, the outcome
// of the lossless mode, the output's size against the source's (application and comment segments
// aside) and the largest pixel difference around the logo between each path's output and the
// stamped source. Then the targets, each met or missed with the reason.
//
// Usage: bench_lossless FOLDER [REPEAT]

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/files.h"
#include "image/jpeg/jpeg_decoding.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg_file.h"
#include "image/jpeg_lossless.h"
#include "image/raster24.h"
#include "image/stamp.h"

namespace {

using namespace quelmar;

// The 480 x 160 logo of bench/peers.sh: a blue rounded bar with a yellow disc on white.
Raster24 Logo() {
  Raster24 logo;
  logo.SetSize(480, 160);
  for (std::int32_t y = 16; y < 144; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 16; x < 464; ++x) {
      const int dx = x - 90;
      const int dy = y - 80;
      const bool disc = dx * dx + dy * dy <= 40 * 40;
      row[3 * x] = disc ? 0x42 : 0x8a;
      row[3 * x + 1] = disc ? 0xc5 : 0x3f;
      row[3 * x + 2] = disc ? 0xf4 : 0x1d;
    }
  }
  return logo;
}

template <class Work>
double BestSeconds(int repeat, Work&& work) {
  double best = 1e9;
  for (int i = 0; i < repeat; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

std::vector<std::uint8_t> FullPath(const std::vector<std::uint8_t>& bytes, const Raster24& logo,
                                   const StampSettings& settings) {
  const JpegFile jpeg = ParseJpegFile(bytes);
  Raster24 photo;
  DecodeJpeg(jpeg, photo);
  StampLogo(photo, logo, settings);
  return EncodeJpeg(photo, 90, jpeg.MultiScan);
}

LosslessJpeg Lossless(const std::vector<std::uint8_t>& bytes, const Raster24& logo,
                      const StampSettings& settings) {
  LosslessJpeg result = StampLogoLossless(ParseJpegFile(bytes), logo, settings);
  // A fallback is the full path, and its time counts.
  if (result.outcome == LosslessOutcome::kFallback) result.bytes = FullPath(bytes, logo, settings);
  return result;
}

// The bytes of a stream without its application and comment segments.
std::size_t SizeWithoutMetadata(const std::vector<std::uint8_t>& bytes) {
  std::size_t size = bytes.size();
  std::size_t at = 2;
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    const std::uint8_t marker = bytes[at + 1];
    const std::size_t length = std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
    if (marker == 0xDA) break;
    if ((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE) size -= 2 + length;
    at += 2 + length;
  }
  return size;
}

// The pixels of a stream as the photo's decode gives them, but grayscale at its 256 levels
// rather than dithered, so that differences are the coding's alone.
Raster24 DecodePlain(const std::vector<std::uint8_t>& bytes) {
  JpegDecompression decompression(bytes);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  SetDecoderParameters(cinfo, false);
  Raster24 pixels = Raster24::Uninitialized(static_cast<std::int32_t>(cinfo.image_width),
                                            static_cast<std::int32_t>(cinfo.image_height));
  decompression.Run([&] { DecodeRows(cinfo, pixels); });
  return pixels;
}

// The largest channel difference between output and the stamped source over the logo's area
// and 16 pixels around it.
int LargestDifference(const Raster24& stamped, const std::vector<std::uint8_t>& output,
                      const Raster24& logo, const StampSettings& settings) {
  const Raster24 decoded = DecodePlain(output);
  const PicturePoint at = LogoOrigin(settings.FPosition, stamped.width(), stamped.height(),
                                     logo.width(), logo.height());
  int largest = 0;
  for (std::int32_t y = std::max(0, at.y - 16);
       y < std::min(stamped.height(), at.y + logo.height() + 16); ++y) {
    for (std::int32_t x = 3 * std::max(0, at.x - 16);
         x < 3 * std::min(stamped.width(), at.x + logo.width() + 16); ++x) {
      largest = std::max(largest, std::abs(int{stamped.Row(y)[x]} - int{decoded.Row(y)[x]}));
    }
  }
  return largest;
}

const char* OutcomeName(const LosslessJpeg& result) {
  switch (result.outcome) {
    case LosslessOutcome::kSpliced:
      return "spliced";
    case LosslessOutcome::kNewTables:
      return "new tables";
    case LosslessOutcome::kRewritten:
      return "rewritten";
    default:
      break;
  }
  switch (result.reason) {
    case LosslessFallback::kArithmetic:
      return "fallback: arithmetic";
    case LosslessFallback::kPrecision:
      return "fallback: precision";
    case LosslessFallback::kOrientation:
      return "fallback: orientation";
    case LosslessFallback::kLargeLogo:
      return "fallback: large logo";
    case LosslessFallback::kDamaged:
      return "fallback: damaged";
    default:
      return "fallback: unsupported";
  }
}

struct Row {
  std::string photo;
  int position;
  double megapixels;
  std::string outcome;
  double full;
  double lossless;
  double size_ratio;
  int difference;       // the lossless output's
  int full_difference;  // the full path's
  bool exact;           // not a fallback
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [REPEAT]\n", argv[0]);
    return 2;
  }
  const int repeat = argc > 2 ? std::atoi(argv[2]) : 3;
  std::vector<std::filesystem::path> photos;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".jpg") photos.push_back(entry.path());
  }
  std::sort(photos.begin(), photos.end());
  const Raster24 logo = Logo();
  std::vector<Row> rows;
  std::printf(
      "| photo | MP | logo | lossless outcome | full ms | lossless ms | speed-up | size / source | "
      "largest difference, lossless / full path |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& path : photos) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path.string());
    const JpegFile jpeg = ParseJpegFile(bytes);
    for (const int position : {kBottomRight, kTopLeft}) {
      StampSettings settings;
      settings.FPosition = position;
      settings.FAlpha = 128;
      Row row{};
      row.photo = path.filename().string();
      row.position = position;
      row.megapixels = static_cast<double>(jpeg.width) * jpeg.height / 1e6;
      row.full = BestSeconds(repeat, [&] { FullPath(bytes, logo, settings); });
      LosslessJpeg result;
      row.lossless = BestSeconds(repeat, [&] { result = Lossless(bytes, logo, settings); });
      row.outcome = OutcomeName(result);
      row.exact = result.outcome != LosslessOutcome::kFallback;
      row.size_ratio =
          double(SizeWithoutMetadata(result.bytes)) / double(SizeWithoutMetadata(bytes));
      Raster24 stamped = DecodePlain(bytes);
      StampLogo(stamped, logo, settings);
      row.difference = LargestDifference(stamped, result.bytes, logo, settings);
      row.full_difference =
          LargestDifference(stamped, FullPath(bytes, logo, settings), logo, settings);
      std::printf("| %s | %.1f | %s | %s | %.1f | %.1f | %.2f | %.4f | %d / %d |\n",
                  row.photo.c_str(), row.megapixels,
                  position == kBottomRight ? "bottom right" : "top left", row.outcome.c_str(),
                  1e3 * row.full, 1e3 * row.lossless, row.full / row.lossless, row.size_ratio,
                  row.difference, row.full_difference);
      std::fflush(stdout);
      rows.push_back(row);
    }
  }

  std::printf("\nTargets\n");
  const Row* slowest = nullptr;
  for (const Row& row : rows) {
    if (slowest == nullptr || row.lossless / row.full > slowest->lossless / slowest->full)
      slowest = &row;
  }
  if (slowest != nullptr) {
    const double ratio = slowest->lossless / slowest->full;
    std::printf(
        "- never slower than the full path: slowest %s (%s) at %.2f x the full path's time: %s\n",
        slowest->photo.c_str(), slowest->outcome.c_str(), ratio, ratio <= 1.0 ? "met" : "MISSED");
  }
  for (const Row& row : rows) {
    if (row.photo.find("24mp-420-standard") == std::string::npos || row.position != kBottomRight)
      continue;
    const double speedup = row.full / row.lossless;
    std::printf(
        "- 24 MP baseline, standard tables, logo at the bottom: %.2f x faster (target 2 x): %s\n",
        speedup, speedup >= 2.0 ? "met" : "MISSED");
  }
  const Row* farthest = nullptr;
  for (const Row& row : rows) {
    if (!row.exact) continue;
    if (farthest == nullptr || std::abs(row.size_ratio - 1) > std::abs(farthest->size_ratio - 1))
      farthest = &row;
  }
  if (farthest != nullptr) {
    const double off = 100 * std::abs(farthest->size_ratio - 1);
    std::printf("- output size within 1 %% of the source's: farthest %s at %+.2f %%: %s\n",
                farthest->photo.c_str(), 100 * (farthest->size_ratio - 1),
                off <= 1.0 ? "met" : "MISSED");
  }
  int largest = 0;
  for (const Row& row : rows) {
    if (row.exact) largest = std::max(largest, row.difference);
  }
  int largest_full = 0;
  for (const Row& row : rows) largest_full = std::max(largest_full, row.full_difference);
  std::printf(
      "- largest pixel difference around the logo against the stamped source: %d (the full path "
      "at quality 90: %d)\n",
      largest, largest_full);
  return 0;
}
