#include "image/jpeg/jpeg_passing_arrays.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <jerror.h>

#include "base/errors.h"
#include "image/jpeg/jpeg_decoding.h"
#include "image/jpeg/jpeg_decompression.h"
#include "image/jpeg_file.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"

namespace quelmar {
namespace {

using namespace fixtures;

struct PassingCase {
  const char* name;
  std::int32_t width;
  std::int32_t height;
  bool progressive;
};

std::ostream& operator<<(std::ostream& out, const PassingCase& kind) {
  return out << kind.name;
}

// Decoded with the arrays attached, a photo has the pixels the library's own arrays give, and
// by the end most of the coefficients' pages have gone back to the system (all but the last
// rows the output pass still reads).
class JpegPassingArraysDecode : public ::testing::TestWithParam<PassingCase> {};

// Decodes jpeg by hand, with arrays attached when given, else with the library's own.
Raster24 DecodeByHand(const JpegFile& jpeg, JpegPassingArrays* arrays) {
  JpegDecompression decompression(jpeg.data);
  decompression.ReadHeader();
  jpeg_decompress_struct& cinfo = decompression.cinfo();
  SetDecoderParameters(cinfo);
  if (arrays != nullptr) arrays->Attach(cinfo);
  Raster24 image = Raster24::Uninitialized(static_cast<std::int32_t>(jpeg.width),
                                           static_cast<std::int32_t>(jpeg.height));
  decompression.Run([&] { DecodeRows(cinfo, image); });
  decompression.Destroy();
  return image;
}

TEST_P(JpegPassingArraysDecode, GivesTheLibrarysOwnPixels_AndGivesBackThePagesItPassed) {
  const PassingCase& kind = GetParam();
  const JpegFile jpeg =
      ParseJpegFile(JpegBytes(PhotoLike(kind.width, kind.height, 3), 92, kind.progressive));
  const Raster24 reference = DecodeByHand(jpeg, nullptr);
  JpegPassingArrays arrays;
  const Raster24 image = DecodeByHand(jpeg, &arrays);
  EXPECT_EQ(image, reference);
  // The encoder of the fixtures samples colour at 2 x 2: the coefficients take 1.5 blocks per
  // 8 x 8 pixels. A single-scan file needs no whole-image buffer at all.
  const std::size_t blocks =
      static_cast<std::size_t>((kind.width + 7) / 8) * ((kind.height + 7) / 8) * 3 / 2;
  if (kind.progressive) {
    EXPECT_GE(arrays.released(), blocks * sizeof(JBLOCK) / 2);
  } else {
    EXPECT_EQ(arrays.released(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Photos, JpegPassingArraysDecode,
                         ::testing::Values(PassingCase{"ProgressiveWide", 1200, 300, true},
                                           PassingCase{"ProgressiveTall", 240, 1600, true},
                                           PassingCase{"ProgressiveOddSize", 517, 613, true},
                                           PassingCase{"Baseline", 640, 480, false}),
                         [](const ::testing::TestParamInfo<PassingCase>& info) {
                           return std::string(info.param.name);
                         });

// A decompression object with the arrays attached, its arrays requested by hand.
class JpegPassingArraysAccess : public ::testing::Test {
 protected:
  JpegPassingArraysAccess() : decompression_(bytes_) {
    decompression_.ReadHeader();
    arrays_.Attach(cinfo());
  }
  jpeg_decompress_struct& cinfo() { return decompression_.cinfo(); }
  j_common_ptr common() { return reinterpret_cast<j_common_ptr>(&cinfo()); }
  JBLOCKARRAY Access(jvirt_barray_ptr array, JDIMENSION start, JDIMENSION rows, bool writable) {
    JBLOCKARRAY result = nullptr;
    decompression_.Run(
        [&] { result = cinfo().mem->access_virt_barray(common(), array, start, rows, writable); });
    return result;
  }

  const std::vector<std::uint8_t> bytes_ = JpegBytes(16, 16);
  JpegPassingArrays arrays_;
  JpegDecompression decompression_;
};

TEST_F(JpegPassingArraysAccess, KeepsRowsItHasNotPassed_AndRefusesToReadPassedRowsAgain) {
  // 64 blocks of 128 bytes: two rows to a page.
  constexpr JDIMENSION kRows = 400;
  jvirt_barray_ptr array = nullptr;
  decompression_.Run([&] {
    array = cinfo().mem->request_virt_barray(common(), JPOOL_IMAGE, TRUE, 16, kRows, 1);
    cinfo().mem->realize_virt_arrays(common());
  });
  for (JDIMENSION row = 0; row < kRows; ++row) {
    JBLOCKARRAY line = Access(array, row, 1, true);
    EXPECT_EQ(line[0][15][63], 0) << "fresh rows read as zeros, row " << row;
    for (int block = 0; block < 16; ++block) line[0][block][0] = static_cast<JCOEF>(row + block);
  }
  // Reading from row 300 on gives back the pages of the rows above it.
  JBLOCKARRAY kept = Access(array, 300, 100, false);
  EXPECT_GE(arrays_.released(), std::size_t{290} * 16 * sizeof(JBLOCK));
  EXPECT_LE(arrays_.released(), std::size_t{300} * 16 * sizeof(JBLOCK));
  for (JDIMENSION row = 0; row < 100; ++row) {
    EXPECT_EQ(kept[row][7][0], static_cast<JCOEF>(300 + row + 7));
  }
  try {
    Access(array, 299, 1, false);
    ADD_FAILURE() << "a passed row was read again";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), JERR_BAD_VIRTUAL_ACCESS);
  }
}

// Rows asked for beyond the array's end, each of a fresh object (an error destroys the one it
// met).
class JpegPassingArraysBounds : public ::testing::TestWithParam<std::pair<JDIMENSION, JDIMENSION>> {
};

TEST_P(JpegPassingArraysBounds, RefusesRowsBeyondTheArray) {
  const std::vector<std::uint8_t> bytes = JpegBytes(16, 16);
  JpegPassingArrays arrays;
  JpegDecompression decompression(bytes);
  decompression.ReadHeader();
  arrays.Attach(decompression.cinfo());
  auto* common = reinterpret_cast<j_common_ptr>(&decompression.cinfo());
  const auto [start, rows] = GetParam();
  try {
    decompression.Run([&] {
      jvirt_barray_ptr array =
          common->mem->request_virt_barray(common, JPOOL_IMAGE, TRUE, 4, 10, 1);
      common->mem->realize_virt_arrays(common);
      common->mem->access_virt_barray(common, array, start, rows, TRUE);
    });
    ADD_FAILURE() << "rows " << start << " + " << rows << " of 10 were given";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), JERR_BAD_VIRTUAL_ACCESS);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, JpegPassingArraysBounds,
                         ::testing::Values(std::pair<JDIMENSION, JDIMENSION>{10, 1},
                                           std::pair<JDIMENSION, JDIMENSION>{5, 6},
                                           std::pair<JDIMENSION, JDIMENSION>{0, 11},
                                           std::pair<JDIMENSION, JDIMENSION>{4294967295u, 2}));

}  // namespace
}  // namespace quelmar
