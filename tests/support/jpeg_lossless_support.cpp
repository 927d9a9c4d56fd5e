#include "support/jpeg_lossless_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar::fixtures {

std::vector<std::uint8_t> MakeSource(const LosslessSource& source, std::uint32_t seed) {
  TempFolder folder;
  WritePpm((folder / "in.ppm"), PhotoLike(source.width, source.height, seed));
  std::vector<std::string> args{"-quality", "85", "-dct", "float"};
  args.insert(args.end(), source.cjpeg.begin(), source.cjpeg.end());
  for (std::string& arg : args) {
    if (arg != "SCANS") continue;
    std::ofstream((folder / "scans.txt")) << "0;\n1;\n2;\n";
    arg = (folder / "scans.txt");
  }
  args.insert(args.end(), {"-outfile", (folder / "out.jpg"), (folder / "in.ppm")});
  if (!RunTool(FindTool("cjpeg"), args)) return {};
  return ReadBytes((folder / "out.jpg"));
}

Raster24 TestLogo(std::int32_t width, std::int32_t height) {
  Raster24 logo;
  logo.SetSize(width, height);  // white: the transparent colour
  for (std::int32_t y = 2; y < height - 2; ++y) {
    std::uint8_t* row = logo.Row(y);
    for (std::int32_t x = 2; x < width - 2; ++x) {
      const bool frame = y < 5 || y >= height - 5 || x < 5 || x >= width - 5;
      const bool stripe = ((x / 3) + (y / 4)) % 2 == 0;
      row[3 * x] = frame ? 250 : stripe ? 20 : 180;
      row[3 * x + 1] = frame ? 240 : stripe ? 60 : 30;
      row[3 * x + 2] = frame ? 10 : stripe ? 200 : 90;
    }
  }
  return logo;
}

LosslessJpeg StampLossless(const std::vector<std::uint8_t>& bytes, const LogoImage& logo,
                           const StampSettings& settings) {
  return StampLogoLossless(ParseJpegFile(bytes), logo, settings);
}

LosslessJpeg StampLossless(const std::vector<std::uint8_t>& bytes, const Raster24& logo,
                           const StampSettings& settings) {
  return StampLossless(bytes, LogoImage(logo), settings);
}

namespace {

struct McuSize {
  std::int32_t w;
  std::int32_t h;
};
McuSize McuOf(const Coefficients& file) {
  if (file.components.size() == 1) return {8, 8};
  return {8 * file.max_h, 8 * file.max_v};
}

}  // namespace

PixelRect RegionPixels(const Coefficients& source, const Raster24& logo,
                       const StampSettings& settings) {
  return RegionPixels(source, LogoImage(logo), settings);
}

PixelRect RegionPixels(const Coefficients& source, const LogoImage& logo,
                       const StampSettings& settings) {
  const auto width = static_cast<std::int32_t>(source.width);
  const auto height = static_cast<std::int32_t>(source.height);
  const PicturePoint at = LogoOrigin(settings.FPosition, width, height, logo.width(), logo.height(),
                                     MarginPixels(settings.fitting, width, height));
  const McuSize mcu = McuOf(source);
  const std::int32_t x0 = at.x / mcu.w * mcu.w;
  const std::int32_t y0 = at.y / mcu.h * mcu.h;
  const std::int32_t x1 = std::min(width, (at.x + logo.width() + mcu.w - 1) / mcu.w * mcu.w);
  const std::int32_t y1 = std::min(height, (at.y + logo.height() + mcu.h - 1) / mcu.h * mcu.h);
  return {x0, y0, x1 - x0, y1 - y0};
}

::testing::AssertionResult SameOutsideRegion(const Coefficients& source, const Coefficients& output,
                                             PixelRect region) {
  if (source.width != output.width || source.height != output.height ||
      source.components.size() != output.components.size()) {
    return ::testing::AssertionFailure() << "size or component count differs";
  }
  const McuSize mcu = McuOf(source);
  for (std::size_t c = 0; c < source.components.size(); ++c) {
    const CoefficientComponent& a = source.components[c];
    const CoefficientComponent& b = output.components[c];
    if (a.h != b.h || a.v != b.v || a.quant != b.quant) {
      return ::testing::AssertionFailure() << "component " << c << ": sampling or table differs";
    }
    // A block's MCU: one block per MCU for a lone component, h x v blocks otherwise.
    const int bh = source.components.size() == 1 ? 1 : a.h;
    const int bv = source.components.size() == 1 ? 1 : a.v;
    for (JDIMENSION row = 0; row < a.rows; ++row) {
      for (JDIMENSION col = 0; col < a.cols; ++col) {
        const std::int32_t px = static_cast<std::int32_t>(col) / bh * mcu.w;
        const std::int32_t py = static_cast<std::int32_t>(row) / bv * mcu.h;
        const bool inside = px >= region.x && px < region.x + region.w && py >= region.y &&
                            py < region.y + region.h;
        if (inside) continue;
        if (a.At(row, col) != b.At(row, col)) {
          return ::testing::AssertionFailure()
                 << "component " << c << " block row " << row << " column " << col
                 << " differs outside the region";
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

int LargestDifference(const Raster24& a, const Raster24& b, PixelRect rect) {
  int largest = 0;
  for (std::int32_t y = rect.y; y < rect.y + rect.h; ++y) {
    const std::uint8_t* p = a.Row(y);
    const std::uint8_t* q = b.Row(y);
    for (std::int32_t x = 3 * rect.x; x < 3 * (rect.x + rect.w); ++x) {
      largest = std::max(largest, std::abs(int{p[x]} - int{q[x]}));
    }
  }
  return largest;
}

}  // namespace quelmar::fixtures
