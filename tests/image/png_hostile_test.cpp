// PNG files are untrusted input like BMP files: every damaged or forged file is refused with the
// invalid-bitmap error, and nothing beyond the memory budget is ever taken for one.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "image/logo_file.h"
#include "image/png_file.h"
#include "support/png_builder.h"

namespace quelmar {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fixtures::Deflate;
using fixtures::PngChunk;
using fixtures::PngFile;
using fixtures::PngPicture;

constexpr const char* kInvalid = "ビットマップイメージが不正です";
constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kHeaderChunkSize = 25;

PngPicture Small() {
  PngPicture p{.width = 9, .height = 5, .colour_type = 2, .bit_depth = 8};
  p.samples = fixtures::RandomSamples(p, 1);
  return p;
}

// Offsets of the chunks of Small(): IHDR, IDAT, IEND.
std::size_t ImageDataAt() {
  return kSignatureSize + kHeaderChunkSize;
}

Bytes Changed(Bytes bytes, const std::function<void(Bytes&)>& change) {
  change(bytes);
  return bytes;
}

Bytes Idat(const Bytes& filtered) {
  return PngChunk("IDAT", Deflate(filtered));
}

struct Hostile {
  std::string name;
  Bytes file;
};

void PrintTo(const Hostile& h, std::ostream* os) {
  *os << h.name;
}

std::vector<Hostile> HostileFiles() {
  const Bytes good = fixtures::BuildPng(Small());
  const Bytes filtered = fixtures::FilteredImageData(Small());
  PngPicture palette{.width = 4,
                     .height = 1,
                     .colour_type = 3,
                     .bit_depth = 8,
                     .samples = {0, 1, 2, 3},
                     .palette = {0x111111, 0x222222, 0x333333}};
  PngPicture interlaced = Small();
  interlaced.interlaced = true;
  const Bytes interlaced_filtered = fixtures::FilteredImageData(interlaced);
  return {
      {"a broken signature", Changed(good, [](Bytes& b) { b[1] = 'Q'; })},
      {"the signature alone", Bytes(good.begin(), good.begin() + kSignatureSize)},
      {"a first chunk that is not IHDR",
       Changed(good, [](Bytes& b) { b[kSignatureSize + 5] = 'X'; })},
      {"a second IHDR", PngFile(9, 5, 8, 2, 0,
                                {Bytes(good.begin() + kSignatureSize,
                                       good.begin() + kSignatureSize + kHeaderChunkSize),
                                 Idat(filtered)})},
      {"a header chunk of 12 bytes", Changed(good, [](Bytes& b) { b[kSignatureSize + 3] = 12; })},
      {"width 0", PngFile(0, 5, 8, 2, 0, {Idat(filtered)})},
      {"height above the side limit", PngFile(9, 65501, 8, 2, 0, {Idat(filtered)})},
      {"width of 2^31", PngFile(0x80000000u, 1, 8, 2, 0, {Idat(filtered)})},
      {"RGB at 4 bits", PngFile(9, 5, 4, 2, 0, {Idat(filtered)})},
      {"palette at 16 bits", PngFile(9, 5, 16, 3, 0, {Idat(filtered)})},
      {"colour type 5", PngFile(9, 5, 8, 5, 0, {Idat(filtered)})},
      {"interlace method 2", PngFile(9, 5, 8, 2, 2, {Idat(filtered)})},
      {"a chunk length past the end", Changed(good, [](Bytes& b) { b[ImageDataAt() + 2] = 0x7F; })},
      {"a chunk length of 2^31", Changed(good, [](Bytes& b) { b[ImageDataAt()] = 0x80; })},
      {"a chunk length one short", Changed(good, [](Bytes& b) { --b[ImageDataAt() + 3]; })},
      {"a bad header checksum", Changed(good, [](Bytes& b) { b[kSignatureSize + 21] ^= 1; })},
      {"a bad image data checksum", Changed(good, [](Bytes& b) { b[b.size() - 13] ^= 1; })},
      {"a bad checksum on a text chunk",
       Changed(PngFile(9, 5, 8, 2, 0, {PngChunk("tEXt", {'k', 0, 'v'}), Idat(filtered)}),
               [](Bytes& b) { b[ImageDataAt() + 14] ^= 0x40; })},
      {"image data cut short", Bytes(good.begin(), good.end() - 12 - 10)},
      {"no IEND", Bytes(good.begin(), good.end() - 12)},
      {"no IDAT", PngFile(9, 5, 8, 2, 0, {})},
      {"a damaged deflate stream",
       Changed(good,
               [](Bytes& b) {
                 b[ImageDataAt() + 10] ^= 0xFF;
                 const Bytes fixed =
                     PngChunk("IDAT", Bytes(b.begin() + ImageDataAt() + 8, b.end() - 12 - 4));
                 std::copy(fixed.begin(), fixed.end(), b.begin() + ImageDataAt());
               })},
      {"fewer rows than the height", PngFile(9, 6, 8, 2, 0, {Idat(filtered)})},
      {"rows without their last byte",
       PngFile(9, 5, 8, 2, 0, {Idat(Bytes(filtered.begin(), filtered.end() - 1))})},
      {"an unknown filter type",
       PngFile(9, 5, 8, 2, 0, {Idat(Changed(filtered, [](Bytes& f) { f[0] = 9; }))})},
      {"interlace passes that stop short",
       PngFile(9, 5, 8, 2, 1,
               {Idat(Bytes(interlaced_filtered.begin(), interlaced_filtered.end() - 20))})},
      {"interlace passes of a wider picture", PngFile(17, 5, 8, 2, 1, {Idat(interlaced_filtered)})},
      {"palette indices beyond the palette", fixtures::BuildPng(palette)},
      {"a palette file without a palette", PngFile(4, 1, 8, 3, 0, {Idat({0, 0, 0, 0, 0})})},
      {"a palette of 257 entries",
       PngFile(1, 1, 8, 3, 0, {PngChunk("PLTE", Bytes(3 * 257, 1)), Idat({0, 0})})},
  };
}

class PngHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(PngHostile, IsRefusedWithTheInvalidBitmapErrorAndLeavesTheLogoAlone) {
  LogoImage logo(Raster24::Uninitialized(2, 3));
  try {
    logo = DecodeLogo(GetParam().file);
    ADD_FAILURE() << "accepted";
  } catch (const EInvalidBitmap& e) {
    EXPECT_STREQ(e.what(), kInvalid);
  }
  EXPECT_EQ(logo.width(), 2);
  EXPECT_EQ(logo.height(), 3);
}

INSTANTIATE_TEST_SUITE_P(Files, PngHostile, ::testing::ValuesIn(HostileFiles()),
                         [](const auto& info) {
                           std::string name;
                           for (char c : info.param.name) name += std::isalnum(c) ? c : '_';
                           return name;
                         });

// A budget that restores itself.
class BudgetOf {
 public:
  explicit BudgetOf(std::size_t bytes) { SetMemoryBudget(bytes); }
  ~BudgetOf() { SetMemoryBudget(0); }
};

// A few kilobytes of zeros claiming 60000 x 60000 pixels: refused before anything is reserved,
// so even a budget of one byte gives the invalid-bitmap error rather than running out.
TEST(PngHostile, RefusesADecompressionBombBeforeTakingAnyMemory) {
  const Bytes zeros(256 * 1024, 0);
  for (int colour_type : {0, 2, 6}) {
    for (int interlace : {0, 1}) {
      const Bytes bomb = PngFile(60000, 60000, 8, colour_type, interlace, {Idat(zeros)});
      ASSERT_LT(bomb.size(), 4096u);
      const std::size_t in_use = MemoryInUse();
      BudgetOf budget(1);
      EXPECT_THROW(DecodePng(bomb), EInvalidBitmap) << colour_type << "/" << interlace;
      EXPECT_EQ(MemoryInUse(), in_use);
    }
  }
}

// A well-formed file whose pixels would pass the budget fails with the out-of-resources error
// and holds nothing afterwards; an interlaced one also needs its passes' rows held.
TEST(PngHostile, RefusesAPictureBeyondTheMemoryBudget) {
  for (bool interlaced : {false, true}) {
    PngPicture big{
        .width = 1500, .height = 1000, .colour_type = 6, .bit_depth = 8, .interlaced = interlaced};
    big.samples.assign(std::size_t{1500} * 1000 * 4, 77);
    const Bytes file = fixtures::BuildPng(big);
    const std::size_t in_use = MemoryInUse();
    {
      // The colours and the alpha plane take 9 MB; interlaced, the rows take 6 MB more.
      BudgetOf budget(in_use + (interlaced ? 10 : 4) * 1000 * 1000);
      EXPECT_THROW(DecodePng(file), EOutOfResources) << interlaced;
    }
    EXPECT_EQ(MemoryInUse(), in_use);
    EXPECT_EQ(DecodePng(file).width(), 1500);
  }
}

// The ratio check does not refuse real files: a large picture of one colour compresses about as
// well as deflate can.
TEST(PngHostile, AcceptsAHighlyCompressedPictureOfOneColour) {
  PngPicture flat{.width = 4000, .height = 400, .colour_type = 0, .bit_depth = 8};
  flat.samples.assign(std::size_t{4000} * 400, 0);
  const LogoImage logo = DecodePng(fixtures::BuildPng(flat));
  EXPECT_EQ(logo.width(), 4000);
  EXPECT_EQ(logo.colour().Row(399)[3 * 3999], 0);
}

}  // namespace
}  // namespace quelmar
