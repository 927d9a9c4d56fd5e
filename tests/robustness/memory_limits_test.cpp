// Forged headers and several decodes at once stay within the process-wide memory budget: they
// are refused with the system's own errors, never by the system's out-of-memory kill.
#include <gtest/gtest.h>

#include <jerror.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "convert/run_control.h"
#include "image/bitmap_file.h"
#include "image/jpeg_file.h"
#include "image/raster24.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Sets the budget for one test and restores the default afterwards.
class MemoryLimits : public ::testing::Test {
 protected:
  void TearDown() override { SetMemoryBudget(0); }

  static Raster24 Marked() {
    Raster24 raster;
    raster.SetSize(3, 2);
    raster.Row(1)[4] = 9;
    return raster;
  }
  static bool IsMarked(const Raster24& raster) {
    return raster.width() == 3 && raster.height() == 2 && raster.Row(1)[4] == 9;
  }
};

TEST_F(MemoryLimits, JpegClaiming65500SquarePixelsIsRefusedBeforeAnyPixelIsHeld) {
  SetMemoryBudget(1024 * kMiB);
  for (const bool progressive : {false, true}) {
    const JpegFile jpeg =
        ParseJpegFile(WithFrameSize(JpegBytes(16, 16, 1, progressive), 65500, 65500));
    ASSERT_EQ(jpeg.width, 65500u);
    Raster24 target = Marked();
    EXPECT_THROW(DecodeJpeg(jpeg, target), EOutOfResources) << progressive;
    EXPECT_TRUE(IsMarked(target));
    EXPECT_EQ(MemoryInUse(), target.stride() * 2);
  }
}

TEST_F(MemoryLimits, DefaultBudgetRefusesTheLargestJpegEveryWhereItWouldNotFit) {
  // 65500 x 65500 pixels need 12.9 GB for the raster alone; the default budget is half of the
  // memory the process may use, so such a file decodes only where twice that is available.
  const std::uint64_t raster_bytes = std::uint64_t{65500 * 3} * 65500;
  if (raster_bytes <= MemoryBudget()) GTEST_SKIP() << "this machine can hold the raster";
  const JpegFile jpeg = ParseJpegFile(WithFrameSize(JpegBytes(16, 16, 1), 65500, 65500));
  Raster24 target;
  EXPECT_THROW(DecodeJpeg(jpeg, target), EOutOfResources);
  EXPECT_EQ(MemoryInUse(), 0u);
}

TEST_F(MemoryLimits, ProgressiveCoefficientBufferCountsAgainstTheBudget) {
  // 2000 x 2000 pixels: a 12 MB raster and 12 MB of coefficients, from a file of a few
  // hundred bytes whose data end long before the image does.
  const JpegFile jpeg = ParseJpegFile(WithFrameSize(JpegBytes(16, 16, 2, true), 2000, 2000));
  Raster24 target = Marked();
  SetMemoryBudget(50 * kMiB);
  EXPECT_THROW(DecodeJpeg(jpeg, target), EOutOfResources);
  EXPECT_TRUE(IsMarked(target));

  SetMemoryBudget(100 * kMiB);
  Raster24 decoded;
  DecodeJpeg(jpeg, decoded);
  EXPECT_EQ(decoded.width(), 2000);
  EXPECT_EQ(MemoryInUse(), target.stride() * 2 + decoded.stride() * 2000);
}

TEST_F(MemoryLimits, SeveralDecodesAtOnceShareOneBudgetAndReleaseIt) {
  const JpegFile jpeg = ParseJpegFile(WithFrameSize(JpegBytes(16, 16, 3, true), 2000, 2000));
  SetMemoryBudget(130 * kMiB);  // room for two decodes of about 60 MB, not for four
  std::atomic<int> decoded{0};
  std::atomic<int> refused{0};
  std::atomic<int> other{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < 3; ++i) {
        try {
          Raster24 raster;
          DecodeJpeg(jpeg, raster);
          if (raster.width() == 2000 && raster.height() == 2000) ++decoded;
        } catch (const EOutOfResources&) {
          ++refused;
        } catch (...) {
          ++other;
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_GT(decoded.load(), 0);
  EXPECT_EQ(decoded + refused, 12);
  EXPECT_EQ(other.load(), 0);
  EXPECT_EQ(MemoryInUse(), 0u);
}

TEST_F(MemoryLimits, ACopyOfARasterIsRefusedWhenTheBudgetIsSpent) {
  SetMemoryBudget(8 * kMiB);
  Raster24 raster;
  raster.SetSize(1000, 2000);  // 6 MB
  EXPECT_THROW(Raster24 copy(raster), EOutOfResources);
  EXPECT_THROW(raster.SetSize(1000, 2001), EOutOfResources);
  EXPECT_EQ(raster.height(), 2000);
  raster.SetSize(0, 0);
  EXPECT_EQ(MemoryInUse(), 0u);
}

TEST_F(MemoryLimits, ManyTinyProgressiveScansAreRefusedOnceTheyExceedTheScanLimit) {
  // Repeating the last refinement scan only draws warnings from the library, but each repeat
  // costs a pass over every coefficient block of the image.
  const std::vector<std::uint8_t> base = JpegBytes(32, 32, 4, true);
  std::size_t last_scan = 0;
  for (std::size_t i = 0; i + 1 < base.size(); ++i) {
    if (base[i] == 0xFF && base[i + 1] == 0xDA) last_scan = i;
  }
  ASSERT_GT(last_scan, 0u);
  const std::vector<std::uint8_t> scan(base.begin() + static_cast<std::ptrdiff_t>(last_scan),
                                       base.end() - 2);
  auto with_repeats = [&](int repeats) {
    std::vector<std::uint8_t> bytes(base.begin(), base.end() - 2);
    for (int r = 0; r < repeats; ++r) bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    return ParseJpegFile(bytes);
  };
  Raster24 raster;
  DecodeJpeg(with_repeats(50), raster);  // 60 scans
  EXPECT_EQ(raster.width(), 32);

  Raster24 target = Marked();
  try {
    DecodeJpeg(with_repeats(200), target);
    ADD_FAILURE() << "210 scans decoded";
  } catch (const EJpegError& error) {
    EXPECT_EQ(error.code(), JERR_BAD_PROGRESSION);
  }
  EXPECT_TRUE(IsMarked(target));
}

std::vector<std::uint8_t> ForgedBitmap(std::int32_t width, std::int32_t height,
                                       std::uint32_t claimed_image_size) {
  Raster24 small;
  small.SetSize(2, 2);
  std::vector<std::uint8_t> bytes = Bmp24Bytes(small);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
  };
  put32(2, 0xFFFFFFF0u);  // the file size field
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put32(34, claimed_image_size);
  return bytes;
}

TEST_F(MemoryLimits, BitmapAllocationsFollowItsDimensionsNotItsSizeFields) {
  SetMemoryBudget(1024 * kMiB);
  Raster24 target = Marked();
  EXPECT_THROW(DecodeBitmap(ForgedBitmap(65500, 65500, 16), target), EOutOfResources);
  EXPECT_TRUE(IsMarked(target));

  // Size fields claiming gigabytes on a 2 x 2 picture drive nothing.
  SetMemoryBudget(1 * kMiB);
  Raster24 picture;
  DecodeBitmap(ForgedBitmap(2, 2, 0xFFFFFFF0u), picture);
  EXPECT_EQ(picture.width(), 2);
  EXPECT_EQ(picture.height(), 2);
}

TEST_F(MemoryLimits, TwentyFourMegapixelPhotosConvertOnTwoWorkersWithinTheDefaultBudget) {
  TempFolder temp;
  WriteBytes(temp / "logo.bmp", Bmp24Bytes(LogoRaster(40, 30)));
  const std::vector<std::uint8_t> photo = JpegBytes(6000, 4000, 5);
  WriteBytes(temp / "src/a.jpg", photo);
  WriteBytes(temp / "src/b.jpg", photo);
  std::filesystem::create_directories(temp / "out");
  FakeRunHost host;
  host.jobs = 2;
  host.fields[EditField::kLogo] = temp / "logo.bmp";
  host.fields[EditField::kSource] = temp / "src";
  host.fields[EditField::kOutput] = temp / "out";
  BitBtn1Click(host);
  EXPECT_EQ(host.Messages(), std::vector<std::string>{kFinishedMessage});
  for (const char* name : {"a.jpg", "b.jpg"}) {
    const JpegFile out = ReadJpegFile(temp / "out" + "/" + name);
    EXPECT_EQ(out.width, 6000u);
    EXPECT_EQ(out.height, 4000u);
  }
}

}  // namespace
}  // namespace quelmar
