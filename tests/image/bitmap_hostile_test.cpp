#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "base/errors.h"
#include "image/bitmap_file.h"
#include "support/bmp_builder.h"
#include "support/rasters.h"

namespace quelmar {
namespace {

using namespace fixtures;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kInvalid = "ビットマップイメージが不正です";
constexpr const char* kReadError = "ストリームからの読み込みエラー";

constexpr std::size_t kHeaderSizeAt = 14;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;

BmpLayout Plain() {
  return {.width = 2, .height = 2, .pixels = PackRows({{1, 2}, {3, 4}}, 24)};
}

Bytes With(BmpLayout layout, const std::function<void(BmpLayout&)>& change) {
  change(layout);
  return BuildBmp(layout);
}

Bytes Patched(std::size_t offset, std::uint32_t value) {
  Bytes bytes = BuildBmp(Plain());
  PutU32(bytes, offset, value);
  return bytes;
}

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

struct HostileFile {
  const char* name;
  Bytes bytes;
  const char* message;
};

std::vector<HostileFile> HostileFiles() {
  const BmpLayout masks16 = {.width = 1,
                             .height = 1,
                             .bit_count = 16,
                             .compression = 3,
                             .masks = {0xF800, 0x07E0, 0x001F},
                             .pixels = {0, 0, 0, 0}};
  const BmpLayout indexed8 = {.width = 1,
                              .height = 1,
                              .bit_count = 8,
                              .palette = std::vector<std::uint32_t>(256, 0x123456),
                              .pixels = {0, 0, 0, 0}};
  BmpLayout core8 = indexed8;
  core8.header_size = 12;

  return {
      {"not starting with BM", With(Plain(), [](auto&) {}), kInvalid},
      {"one byte", {'B'}, kReadError},
      {"file header cut short", Cut(BuildBmp(Plain()), 13), kReadError},
      {"header size cut short", Cut(BuildBmp(Plain()), 16), kReadError},
      {"info header cut short", Cut(BuildBmp(Plain()), 40), kReadError},
      {"core header cut short", Cut(BuildBmp(core8), 20), kReadError},
      {"header size overrunning the file", Patched(kHeaderSizeAt, 1000), kReadError},
      {"header size of 4 GB", Patched(kHeaderSizeAt, 0xFFFFFFFF), kReadError},
      {"header size 0", Patched(kHeaderSizeAt, 0), kInvalid},
      {"header size 16", Patched(kHeaderSizeAt, 16), kInvalid},
      {"header size 39", Patched(kHeaderSizeAt, 39), kInvalid},
      {"planes 0", With(Plain(), [](auto& s) { s.planes = 0; }), kInvalid},
      {"planes 2", With(Plain(), [](auto& s) { s.planes = 2; }), kInvalid},
      {"width 0", Patched(kWidthAt, 0), kInvalid},
      {"height 0", Patched(kHeightAt, 0), kInvalid},
      {"negative width", Patched(kWidthAt, static_cast<std::uint32_t>(-2)), kInvalid},
      {"width 65501", Patched(kWidthAt, 65501), kInvalid},
      {"height 65501", Patched(kHeightAt, 65501), kInvalid},
      {"height -65501", Patched(kHeightAt, static_cast<std::uint32_t>(-65501)), kInvalid},
      {"lowest height", Patched(kHeightAt, static_cast<std::uint32_t>(INT_MIN)), kInvalid},
      {"width of 2^31 - 1", Patched(kWidthAt, INT_MAX), kInvalid},
      {"core width 65535", With(core8, [](auto& s) { s.width = 65535; }), kInvalid},
      {"core height 0", With(core8, [](auto& s) { s.height = 0; }), kInvalid},
      {"bit count 0", With(Plain(), [](auto& s) { s.bit_count = 0; }), kInvalid},
      {"bit count 2", With(Plain(), [](auto& s) { s.bit_count = 2; }), kInvalid},
      {"bit count 15", With(Plain(), [](auto& s) { s.bit_count = 15; }), kInvalid},
      {"bit count 64", With(Plain(), [](auto& s) { s.bit_count = 64; }), kInvalid},
      {"compression 4", With(Plain(), [](auto& s) { s.compression = 4; }), kInvalid},
      {"compression 6", With(Plain(), [](auto& s) { s.compression = 6; }), kInvalid},
      {"compression 2^32 - 1", With(Plain(), [](auto& s) { s.compression = 0xFFFFFFFF; }),
       kInvalid},
      {"8-bit run-length with 4 bits",
       With(indexed8,
            [](auto& s) {
              s.bit_count = 4;
              s.compression = 1;
            }),
       kInvalid},
      {"4-bit run-length with 8 bits", With(indexed8, [](auto& s) { s.compression = 2; }),
       kInvalid},
      {"masks with 24 bits", With(Plain(), [](auto& s) { s.compression = 3; }), kInvalid},
      {"masks with 8 bits", With(indexed8, [](auto& s) { s.compression = 3; }), kInvalid},
      {"run-length stored top row first",
       With(indexed8,
            [](auto& s) {
              s.compression = 1;
              s.height = -1;
            }),
       kInvalid},
      {"masks required but absent", With(masks16, [](auto& s) { s.header_size = 44; }), kInvalid},
      {"masks cut short", Cut(BuildBmp(masks16), 14 + 40 + 8), kReadError},
      {"257 colours", With(indexed8, [](auto& s) { s.colours_used = 257; }), kInvalid},
      {"2^32 - 1 colours", With(indexed8, [](auto& s) { s.colours_used = 0xFFFFFFFF; }), kInvalid},
      {"colour table cut short", Cut(BuildBmp(indexed8), 14 + 40 + 4 * 100), kReadError},
      {"core colour table cut short", Cut(BuildBmp(core8), 14 + 12 + 3 * 255 + 2), kReadError},
  };
}

TEST(DecodeBitmap, HostileFilesFailWithTheirMessageAndLeaveTheRasterAsItWas) {
  std::vector<HostileFile> files = HostileFiles();
  files[0].bytes[0] = 'X';
  const Raster24 before = MarkedRaster();
  for (const HostileFile& file : files) {
    SCOPED_TRACE(file.name);
    Raster24 raster = before;
    try {
      DecodeBitmap(file.bytes, raster);
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), file.message);
    }
    EXPECT_EQ(raster.width(), before.width());
    EXPECT_EQ(raster.height(), before.height());
    EXPECT_EQ(PixelsOf(raster), PixelsOf(before));
  }
}

TEST(DecodeBitmap, SidesOf65500AreAccepted) {
  Raster24 raster;
  DecodeBitmap(BuildBmp({.width = 65500, .height = 1}), raster);
  EXPECT_EQ(raster.width(), 65500);
  DecodeBitmap(BuildBmp({.width = 1, .height = -65500}), raster);
  EXPECT_EQ(raster.height(), 65500);
  EXPECT_EQ(PixelsOf(raster)[65499][0], 0u);
}

TEST(DecodeBitmap, HugeImageSizeFieldReadsNoFurtherThanTheFile) {
  std::vector<std::uint32_t> table(256, 0x445566);
  table[7] = 0x0A0B0C;
  Raster24 raster;
  DecodeBitmap(BuildBmp({.width = 3,
                         .height = 2,
                         .bit_count = 8,
                         .compression = 1,
                         .image_size = 0xFFFFFFFF,
                         .palette = table,
                         .pixels = {0x02, 0x07}}),
               raster);
  EXPECT_EQ(PixelsOf(raster), (std::vector<std::vector<std::uint32_t>>{
                                  {0x445566, 0x445566, 0x445566}, {0x0A0B0C, 0x0A0B0C, 0x445566}}));
}

}  // namespace
}  // namespace quelmar
