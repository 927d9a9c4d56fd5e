#include "image/png_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "image/logo_file.h"
#include "image/stamp.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_tools.h"
#include "support/png_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fixtures::BuildPng;
using fixtures::PngPicture;

// Every pixel of the logo as red, green, blue, alpha (255 without an alpha plane).
Bytes Rgba(const LogoImage& logo) {
  Bytes out;
  for (std::int32_t y = 0; y < logo.height(); ++y) {
    for (std::int32_t x = 0; x < logo.width(); ++x) {
      const std::uint8_t* c = logo.colour().Row(y) + 3 * x;
      out.insert(out.end(), {c[2], c[1], c[0]});
      out.push_back(logo.has_alpha() ? logo.alpha().Row(y)[3 * x] : 255);
    }
  }
  return out;
}

struct PngKind {
  int colour_type;
  int bit_depth;
  bool interlaced;
  bool transparency;  // a tRNS chunk
};

void PrintTo(const PngKind& k, std::ostream* os) {
  *os << "type " << k.colour_type << ", " << k.bit_depth << " bits"
      << (k.interlaced ? ", interlaced" : "") << (k.transparency ? ", tRNS" : "");
}

// A 37 x 19 picture of random samples (sizes that leave every interlace pass uneven); the
// transparency chunk names the first pixel's colour, or gives palette entries random alphas.
PngPicture RandomPicture(const PngKind& kind, std::uint32_t seed) {
  PngPicture p{.width = 37,
               .height = 19,
               .colour_type = kind.colour_type,
               .bit_depth = kind.bit_depth,
               .interlaced = kind.interlaced};
  std::size_t palette_size = 0;
  if (kind.colour_type == 3) {
    palette_size = (std::size_t{1} << kind.bit_depth) - (kind.bit_depth > 1 ? 1 : 0);
    for (std::size_t i = 0; i < palette_size; ++i) {
      p.palette.push_back(static_cast<std::uint32_t>(i * 0x3A7B19u + seed) & 0xFFFFFF);
    }
  }
  p.samples = fixtures::RandomSamples(p, seed, palette_size);
  if (kind.transparency) {
    if (kind.colour_type == 3) {
      std::vector<std::uint16_t> alphas;
      for (std::size_t i = 0; i < palette_size / 2; ++i) alphas.push_back((i * 97 + 3) & 0xFF);
      p.transparency = alphas;
    } else {
      const int channels = fixtures::ChannelsOf(kind.colour_type);
      p.transparency = std::vector<std::uint16_t>(p.samples.begin(), p.samples.begin() + channels);
    }
  }
  return p;
}

std::vector<PngKind> AllKinds() {
  std::vector<PngKind> kinds;
  const std::vector<std::pair<int, std::vector<int>>> depths = {
      {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
  for (const auto& [type, type_depths] : depths) {
    for (int depth : type_depths) {
      for (bool interlaced : {false, true}) {
        kinds.push_back({type, depth, interlaced, false});
        // Types without an alpha channel may carry a transparency chunk instead.
        if (type == 0 || type == 2 || type == 3) kinds.push_back({type, depth, interlaced, true});
      }
    }
  }
  return kinds;
}

class PngEveryKind : public ::testing::TestWithParam<PngKind> {};

// ImageMagick's RGBA at the file's own depth (8 bits for smaller ones), 16-bit samples brought to
// 8 bits here by rounding v * 255 / 65535 in double precision (ImageMagick's own reduction
// truncates).
Bytes ImageMagickRgba(const std::string& convert, const std::string& path, int bit_depth,
                      const std::string& raw) {
  const std::string depth = bit_depth == 16 ? "16" : "8";
  EXPECT_TRUE(fixtures::RunTool(convert, {path, "-depth", depth, "-endian", "MSB", "rgba:" + raw}));
  const Bytes samples = fixtures::ReadBytes(raw);
  if (bit_depth != 16) return samples;
  Bytes reduced;
  for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
    const int v = samples[i] << 8 | samples[i + 1];
    reduced.push_back(static_cast<std::uint8_t>(std::lround(v * 255.0 / 65535.0)));
  }
  return reduced;
}

// ImageMagick is the independent decoder.
TEST_P(PngEveryKind, DecodesAsImageMagickDoes) {
  const std::string convert = fixtures::FindTool("convert");
  if (convert.empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const PngKind kind = GetParam();
  fixtures::TempFolder folder;
  const std::string path =
      fixtures::WriteBytes(folder / "logo.png", BuildPng(RandomPicture(kind, 4711)));
  const Bytes reference = ImageMagickRgba(convert, path, kind.bit_depth, (folder / "logo.rgba"));

  LogoImage logo;
  LoadLogoFile(path, logo);

  const bool alpha_expected = kind.transparency || kind.colour_type >= 4;
  EXPECT_EQ(logo.has_alpha(), alpha_expected);
  ASSERT_EQ(logo.width(), 37);
  ASSERT_EQ(logo.height(), 19);
  EXPECT_EQ(Rgba(logo), reference);
}

INSTANTIATE_TEST_SUITE_P(AllColourTypesDepthsAndInterlacing, PngEveryKind,
                         ::testing::ValuesIn(AllKinds()));

TEST(DecodePng, ReducesSixteenBitSamplesToTheNearestEightBitValue) {
  // Every 16-bit value once, in a 256 x 256 grey picture.
  PngPicture p{.width = 256, .height = 256, .colour_type = 0, .bit_depth = 16};
  for (std::uint32_t v = 0; v < 65536; ++v) p.samples.push_back(static_cast<std::uint16_t>(v));

  const LogoImage logo = DecodePng(BuildPng(p));

  for (std::uint32_t v = 0; v < 65536; ++v) {
    const auto expected = static_cast<std::uint8_t>(std::lround(v * 255.0 / 65535.0));
    ASSERT_EQ(logo.colour().Row(static_cast<std::int32_t>(v / 256))[3 * (v % 256)], expected)
        << "sample " << v;
  }
}

TEST(DecodePng, ComparesASixteenBitTransparentColourAtSixteenBits) {
  // Two pixels that are the same colour at 8 bits; only the first is the tRNS colour.
  PngPicture p{.width = 2,
               .height = 1,
               .colour_type = 2,
               .bit_depth = 16,
               .samples = {0x1234, 0x5678, 0x9ABC, 0x1235, 0x5678, 0x9ABC},
               .transparency = std::vector<std::uint16_t>{0x1234, 0x5678, 0x9ABC}};

  const LogoImage logo = DecodePng(BuildPng(p));

  ASSERT_TRUE(logo.has_alpha());
  EXPECT_EQ(logo.alpha().Row(0)[0], 0);
  EXPECT_EQ(logo.alpha().Row(0)[3], 255);
}

TEST(DecodePng, GivesPaletteEntriesBeyondTheTransparencyChunkFullOpacity) {
  PngPicture p{.width = 3,
               .height = 1,
               .colour_type = 3,
               .bit_depth = 8,
               .samples = {0, 1, 2},
               .palette = {0x102030, 0x405060, 0x708090},
               .transparency = std::vector<std::uint16_t>{0, 128}};

  const LogoImage logo = DecodePng(BuildPng(p));

  EXPECT_EQ(Rgba(logo), (Bytes{0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 128, 0x70, 0x80, 0x90, 255}));
}

// Gamma, colour-space and profile chunks do not change a single byte: the logo is sRGB.
TEST(DecodePng, IgnoresGammaAndColourChunks) {
  PngPicture plain{.width = 5, .height = 4, .colour_type = 2, .bit_depth = 8};
  plain.samples = fixtures::RandomSamples(plain, 99);
  PngPicture tagged = plain;
  tagged.extra_chunks = {{"gAMA", {0, 0, 0x75, 0x30}},  // 0.3
                         {"cHRM", Bytes(32, 7)},
                         {"sRGB", {3}},
                         {"iCCP", {'x', 0, 0, 1, 2, 3}},  // a name and a broken profile
                         {"sBIT", {2, 2, 2}},
                         {"tEXt", {'a', 0, 'b'}}};

  EXPECT_EQ(Rgba(DecodePng(BuildPng(tagged))), Rgba(DecodePng(BuildPng(plain))));
}

// A PNG without transparency is the same logo as the same picture in a 24-bit BMP: the same
// colours, no alpha plane, and so the same stamp in every mask type.
TEST(DecodeLogo, GivesAPngWithoutTransparencyTheSameStampAsTheSameBmp) {
  PngPicture p{.width = 23, .height = 7, .colour_type = 2, .bit_depth = 8};
  p.samples = fixtures::RandomSamples(p, 5);
  for (int c = 0; c < 3; ++c) p.samples[3 * 5 + c] = p.samples[c];  // a transparent pixel
  std::vector<std::vector<std::uint32_t>> rows(7);
  for (std::int32_t y = 6; y >= 0; --y) {  // a bottom-up BMP stores the last row first
    for (std::int32_t x = 0; x < 23; ++x) {
      const std::uint16_t* s = &p.samples[3 * (static_cast<std::size_t>(y) * 23 + x)];
      rows[6 - y].push_back(std::uint32_t{s[0]} << 16 | std::uint32_t{s[1]} << 8 | s[2]);
    }
  }
  const Bytes bmp =
      fixtures::BuildBmp({.width = 23, .height = 7, .pixels = fixtures::PackRows(rows, 24)});

  const LogoImage from_png = DecodeLogo(BuildPng(p));
  const LogoImage from_bmp = DecodeLogo(bmp);

  ASSERT_FALSE(from_png.has_alpha());
  ASSERT_EQ(Rgba(from_png), Rgba(from_bmp));
  Raster24 photo;
  photo.SetSize(40, 30);
  for (std::int32_t y = 0; y < 30; ++y) {
    for (std::int32_t i = 0; i < 120; ++i)
      photo.Row(y)[i] = static_cast<std::uint8_t>(y * 7 + i * 13);
  }
  for (std::int32_t mask : {mkColor, mkBlackWhite, mkWhiteOnBlack}) {
    StampSettings settings;
    settings.FMaskType = mask;
    settings.FPosition = kBottomCentre;
    Raster24 a = photo;
    Raster24 b = photo;
    StampLogo(a, from_png, settings);
    StampLogo(b, from_bmp, settings);
    for (std::int32_t y = 0; y < 30; ++y) {
      ASSERT_TRUE(std::equal(a.Row(y), a.Row(y) + 120, b.Row(y))) << "mask " << mask;
    }
  }
}

}  // namespace
}  // namespace quelmar
