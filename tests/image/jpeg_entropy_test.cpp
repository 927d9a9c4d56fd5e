#include <bitset>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/jpeg/jpeg_bit_reader.h"
#include "image/jpeg/jpeg_bit_writer.h"
#include "image/jpeg/jpeg_huffman.h"
#include "image/jpeg/jpeg_layout.h"
#include "image/jpeg/jpeg_mcu_store.h"
#include "image/jpeg/jpeg_scan_map.h"
#include "image/jpeg/jpeg_scan_splice.h"
#include "support/jpeg_coefficients.h"
#include "support/jpeg_lossless_support.h"
#include "support/jpeg_tools.h"

namespace quelmar {
namespace {

using namespace fixtures;

// A bit string as plain booleans: the reference the coded bytes are checked against.
using Bits = std::vector<bool>;

// Random runs of bits, rich in ones so that FF bytes (and their stuffing) are common.
Bits RandomBits(std::mt19937& random, std::size_t count) {
  Bits bits;
  std::bernoulli_distribution one(0.8);
  while (bits.size() < count) bits.push_back(one(random));
  return bits;
}

std::vector<std::uint8_t> Code(const Bits& bits) {
  std::vector<std::uint8_t> out;
  JpegBitWriter writer(out);
  for (bool bit : bits) writer.Put(bit ? 1 : 0, 1);
  writer.PadToByte();
  return out;
}

TEST(JpegBitWriter, StuffsAZeroAfterEveryFFAndReadsBackThroughTheReader) {
  std::mt19937 random(7);
  const Bits bits = RandomBits(random, 5000);
  const std::vector<std::uint8_t> coded = Code(bits);
  for (std::size_t i = 0; i < coded.size(); ++i) {
    if (coded[i] == 0xFF) {
      ASSERT_LT(i + 1, coded.size());
      EXPECT_EQ(coded[i + 1], 0x00) << "at " << i;
      ++i;
    }
  }
  JpegBitReader reader(coded, {0, 0});
  std::uniform_int_distribution<int> width(1, 32);
  std::size_t at = 0;
  while (at < bits.size()) {
    const int n = std::min<int>(width(random), static_cast<int>(bits.size() - at));
    const std::uint32_t value = reader.Get(n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(((value >> (n - 1 - i)) & 1) != 0, bits[at + i]);
    at += static_cast<std::size_t>(n);
  }
  EXPECT_FALSE(reader.Overran());
}

TEST(JpegBitReader, SuppliesZerosAtAMarkerAndSaysItOverran) {
  const std::vector<std::uint8_t> coded = {0xAB, 0xFF, 0x00, 0xFF, 0xD9};
  JpegBitReader reader(coded, {0, 0});
  EXPECT_EQ(reader.Get(16), 0xABFFu);
  EXPECT_FALSE(reader.Overran());
  EXPECT_EQ(reader.Position().byte, 3u);
  EXPECT_EQ(reader.Get(8), 0u);
  EXPECT_TRUE(reader.Overran());
}

// Copying a stretch of coded bits behind any number of pending bits gives the same bytes as
// writing those bits one by one, aligned or not.
TEST(JpegBitWriter, CopyBitsEqualsWritingTheBitsOneByOne) {
  std::mt19937 random(11);
  const Bits source = RandomBits(random, 4000);
  const std::vector<std::uint8_t> coded = Code(source);
  std::uniform_int_distribution<std::size_t> place(0, source.size());
  for (int trial = 0; trial < 300; ++trial) {
    std::size_t from = place(random);
    std::size_t to = place(random);
    if (from > to) std::swap(from, to);
    JpegBitReader a(coded, {0, 0});
    for (std::size_t i = 0; i < from; ++i) a.Get(1);
    JpegBitReader b(coded, {0, 0});
    for (std::size_t i = 0; i < to; ++i) b.Get(1);
    const Bits prefix = RandomBits(random, static_cast<std::size_t>(trial % 19));

    Bits expected = prefix;
    expected.insert(expected.end(), source.begin() + static_cast<std::ptrdiff_t>(from),
                    source.begin() + static_cast<std::ptrdiff_t>(to));
    std::vector<std::uint8_t> copied;
    JpegBitWriter writer(copied);
    for (bool bit : prefix) writer.Put(bit ? 1 : 0, 1);
    writer.CopyBits(coded, a.Position(), b.Position());
    writer.PadToByte();
    ASSERT_EQ(copied, Code(expected))
        << "bits " << from << ".." << to << " after " << prefix.size();
  }
}

TEST(HuffmanDecoder, RefusesATableThatOverflowsItsCodeSpace) {
  HuffmanTable table;
  table.counts[0] = 2;  // two codes of one bit leave none for the rest, and the second is all ones
  table.counts[1] = 1;
  HuffmanDecoder decoder;
  HuffmanEncoder encoder;
  EXPECT_FALSE(decoder.Build(table));
  EXPECT_FALSE(encoder.Build(table));
  table.counts = {};
  table.counts[1] = 3;  // 00, 01, 10: fine
  EXPECT_TRUE(decoder.Build(table));
}

// Codes for new symbols go where the table leaves room, without moving any old code; when there
// is none, rare codes grow to 16 bits to make it. Either way the table stays a valid one.
TEST(HuffmanTable, GainsCodesForNewSymbolsInTheRoomLeftOrMadeForThem) {
  HuffmanTable table;  // 0: "0", 0x11: "10", 0x21: "110"; "111" is free but all ones
  table.counts[0] = 1;
  table.counts[1] = 1;
  table.counts[2] = 1;
  table.symbols[0] = 0x00;
  table.symbols[1] = 0x11;
  table.symbols[2] = 0x21;
  std::bitset<256> wanted;
  wanted.set(0x05);
  wanted.set(0x0A);
  HuffmanTable extended = table;
  ASSERT_TRUE(ExtendHuffmanTable(extended, wanted));
  HuffmanEncoder before;
  HuffmanEncoder after;
  ASSERT_TRUE(before.Build(table));
  ASSERT_TRUE(after.Build(extended));
  HuffmanDecoder decoder;
  EXPECT_TRUE(decoder.Build(extended));
  EXPECT_TRUE(after.Has(0x05) && after.Has(0x0A));
  for (int symbol : {0x00, 0x11, 0x21}) {  // every old code is written exactly as before
    std::vector<std::uint8_t> a, b;
    JpegBitWriter wa(a), wb(b);
    before.Put(wa, symbol);
    after.Put(wb, symbol);
    wa.PadToByte();
    wb.PadToByte();
    EXPECT_EQ(a, b) << symbol;
  }

  HuffmanTable full;  // one code of each length 1..16: only the 16 ones are left
  for (int length = 1; length <= 16; ++length) {
    full.counts[length - 1] = 1;
    full.symbols[length - 1] = static_cast<std::uint8_t>(length << 4 | 1);
  }
  HuffmanTable no_room = full;
  EXPECT_FALSE(ExtendHuffmanTable(no_room, wanted));
  ASSERT_TRUE(MakeRoomInHuffmanTable(full, wanted));
  HuffmanEncoder roomy;
  ASSERT_TRUE(roomy.Build(full));
  EXPECT_TRUE(decoder.Build(full));
  for (int length = 1; length <= 16; ++length) {
    EXPECT_TRUE(roomy.Has((length << 4 | 1) & 0xFF)) << length;
  }
  EXPECT_TRUE(roomy.Has(0x05) && roomy.Has(0x0A));
}

// One cjpeg source with its layout and the tables of its scan.
class WholeScan : public ::testing::TestWithParam<LosslessSource> {
 protected:
  void SetUp() override {
    QUELMAR_REQUIRE_JPEG_TOOLS();
    bytes = MakeSource(GetParam());
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(ReadJpegLayout(bytes, layout));
    ASSERT_TRUE(BuildJpegScanTables(layout, tables));
    all = {0, 0, layout.mcus_across(), layout.mcus_down()};
  }

  std::vector<std::uint8_t> bytes;
  JpegLayout layout;
  JpegScanTables tables;
  McuRect all;
};

// The first pass over a scan keeps exactly the coefficients libjpeg reads, restart intervals and
// every sampling included.
TEST_P(WholeScan, DecodesTheCoefficientsLibjpegReads) {
  JpegScanMap map;
  JpegMcuStore kept(layout);
  ASSERT_TRUE(MapJpegScan(bytes, layout, tables, {}, all, map, kept));

  const Coefficients reference = ReadCoefficients(bytes);
  ForEachMcuBlock(
      layout, all, kept,
      [&](std::uint32_t mcu, int index, int c, std::uint32_t row, std::uint32_t col) {
        const CoefficientComponent& component = reference.components[c];
        if (row >= component.rows || col >= component.cols) return;
        const JpegBlock& block = kept.Find(mcu)[index];
        ASSERT_TRUE(std::equal(block.begin(), block.end(), component.At(row, col).begin()))
            << "component " << c << " block " << row << "," << col;
      });
}

// Coding every MCU again with the scan's own tables gives the encoder's bytes back, restart
// markers and the padding before them included; copying every MCU gives them back too.
TEST_P(WholeScan, CodesEveryMcuBackToTheSameBytes) {
  const JpegScanLayout& scan = layout.scans[0];
  const std::vector<std::uint8_t> original(
      bytes.begin() + static_cast<std::ptrdiff_t>(scan.data_begin),
      bytes.begin() + static_cast<std::ptrdiff_t>(scan.data_end));
  for (const McuRect region : {all, McuRect{}, McuRect{1, 1, 3, 2}}) {
    JpegScanMap map;
    JpegMcuStore kept(layout);
    ASSERT_TRUE(MapJpegScan(bytes, layout, tables, region, all, map, kept));
    std::vector<std::uint8_t> coded;
    JpegMissingCodes missing;
    ASSERT_TRUE(SpliceJpegScan(bytes, tables, map, kept, kept, coded, missing));
    EXPECT_EQ(coded, original) << "region " << region.x0 << "," << region.y0 << " .. " << region.x1
                               << "," << region.y1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, WholeScan,
    ::testing::Values(LosslessSource{"s420", 120, 88, {"-sample", "2x2"}},
                      LosslessSource{"s422", 117, 61, {"-sample", "2x1"}},
                      LosslessSource{"s444", 64, 40, {"-sample", "1x1"}},
                      LosslessSource{"s411", 97, 33, {"-sample", "4x1"}},
                      LosslessSource{"gray", 75, 51, {"-grayscale"}},
                      LosslessSource{"optimized", 120, 88, {"-optimize"}},
                      LosslessSource{"restart", 120, 88, {"-restart", "1B"}},
                      LosslessSource{"restart_odd", 133, 71, {"-restart", "7B"}},
                      LosslessSource{"restart_rows", 120, 88, {"-restart", "1", "-optimize"}}),
    [](const auto& info) { return info.param.name; });

// Damaged data: the first pass refuses it rather than guessing.
TEST(MapJpegScan, RefusesTruncatedDataAndAMissingRestartMarker) {
  QUELMAR_REQUIRE_JPEG_TOOLS();
  for (const LosslessSource& source : {LosslessSource{"plain", 96, 64, {}},
                                       LosslessSource{"restart", 96, 64, {"-restart", "2B"}}}) {
    const std::vector<std::uint8_t> bytes = MakeSource(source);
    JpegLayout layout;
    ASSERT_TRUE(ReadJpegLayout(bytes, layout));
    JpegScanTables tables;
    ASSERT_TRUE(BuildJpegScanTables(layout, tables));
    const McuRect all{0, 0, layout.mcus_across(), layout.mcus_down()};
    const JpegScanLayout& scan = layout.scans[0];

    std::vector<std::uint8_t> cut(
        bytes.begin(),
        bytes.begin() + static_cast<std::ptrdiff_t>((scan.data_begin + scan.data_end) / 2));
    cut.insert(cut.end(), {0xFF, 0xD9});
    JpegLayout cut_layout;
    ASSERT_TRUE(ReadJpegLayout(cut, cut_layout));
    JpegScanMap map;
    JpegMcuStore kept(cut_layout);
    EXPECT_FALSE(MapJpegScan(cut, cut_layout, tables, {}, all, map, kept)) << source.name;

    if (layout.restart_interval == 0) continue;
    std::vector<std::uint8_t> unmarked = bytes;
    const std::size_t marker = FindJpegMarker(unmarked, scan.data_begin);
    ASSERT_EQ(unmarked[marker + 1], 0xD0);
    unmarked[marker + 1] = 0xD3;  // out of sequence
    JpegLayout unmarked_layout;
    ASSERT_TRUE(ReadJpegLayout(unmarked, unmarked_layout));
    JpegMcuStore kept_again(unmarked_layout);
    EXPECT_FALSE(MapJpegScan(unmarked, unmarked_layout, tables, {}, {}, map, kept_again));
  }
}

}  // namespace
}  // namespace quelmar
