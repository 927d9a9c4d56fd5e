// Huge files are judged by their first bytes and never held beyond the memory budget: a file
// of gigabytes (or a terabyte, sparse) that is not what its name says is refused before it is
// read, and one that is does not fit the budget. A budget of 1 MiB shows that a refused file
// was never read: reading it would have needed its size from the budget first.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <jerror.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory_budget.h"
#include "convert/convert_file.h"
#include "image/bitmap_file.h"
#include "image/jpeg_file.h"
#include "robustness/robust_support.h"
#include "settings/ini_file.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
constexpr std::uint64_t kTiB = std::uint64_t{1} << 40;

enum class Outcome { kNotJpeg, kNotBitmap, kTooLarge, kHeaderEndsEarly, kEmpty };

struct Giant {
  const char* name;
  std::uint64_t size;
  std::string start;  // the first bytes; the rest is a hole of zeros
  Outcome outcome;
};

class GiantFiles : public ::testing::Test {
 protected:
  void SetUp() override { SetMemoryBudget(1 << 20); }
  void TearDown() override {
    SetMemoryBudget(0);
    EXPECT_EQ(MemoryInUse(), 0u);
  }

  // Makes the file, sparse; false, saying so, where the file system cannot hold one that large.
  bool Make(const std::string& path, const Giant& giant) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool made = ::write(fd, giant.start.data(), giant.start.size()) ==
                          static_cast<ssize_t>(giant.start.size()) &&
                      ::ftruncate(fd, static_cast<off_t>(giant.size)) == 0;
    ::close(fd);
    if (!made) {
      std::filesystem::remove(path);
      std::cout << "skipped: the file system holds no " << giant.name << " file\n";
    }
    return made;
  }

  fixtures::TempFolder temp_;
};

TEST_F(GiantFiles, APhotoIsJudgedByItsFirstTwoBytesAndHeldOnlyWithinTheBudget) {
  const Giant giants[] = {
      {"2 GB of zeros", 2 * kGiB, "", Outcome::kNotJpeg},
      {"1 TB of zeros", kTiB, "", Outcome::kNotJpeg},
      {"1 TB video", kTiB,
       std::string("\0\0\0\x18"
                   "ftypmp42",
                   12),
       Outcome::kNotJpeg},
      {"2 GB after a lone FF", 2 * kGiB, "\xFF", Outcome::kNotJpeg},
      {"one byte FF", 1, "\xFF", Outcome::kNotJpeg},
      {"2 GB after a start-of-image marker", 2 * kGiB, "\xFF\xD8", Outcome::kTooLarge},
      {"1 TB after a start-of-image marker", kTiB, "\xFF\xD8\xFF\xE0", Outcome::kTooLarge},
      {"empty", 0, "", Outcome::kEmpty},
  };
  for (const Giant& giant : giants) {
    const std::string path = temp_ / "src/写真.jpg";
    if (!Make(path, giant)) continue;
    try {
      const JpegFile jpeg = ReadJpegFile(path);
      EXPECT_EQ(giant.outcome, Outcome::kEmpty) << giant.name << " was read";
      EXPECT_EQ(jpeg.width, 0u);
    } catch (const EJpegError& error) {
      EXPECT_EQ(giant.outcome, Outcome::kNotJpeg) << giant.name;
      EXPECT_EQ(error.code(), JERR_NO_SOI) << giant.name;
    } catch (const EOutOfResources&) {
      EXPECT_EQ(giant.outcome, Outcome::kTooLarge) << giant.name;
    }
    // Either way the conversion reports a file that cannot be read and writes nothing.
    const std::string output = temp_ / "out/写真.jpg";
    const std::string message = ConvertFile(path, output, fixtures::LogoRaster(4, 4), {}, 90);
    const std::string expected =
        giant.outcome == Outcome::kEmpty ? kSmallerThanLogo : path + kNotReadSuffix;
    EXPECT_EQ(message, expected) << giant.name;
    EXPECT_FALSE(std::filesystem::exists(output)) << giant.name;
  }
}

TEST_F(GiantFiles, ALogoIsJudgedByItsFileHeaderAndHeldOnlyWithinTheBudget) {
  const Giant giants[] = {
      {"2 GB of zeros", 2 * kGiB, "", Outcome::kNotBitmap},
      {"1 TB disk image", kTiB, "\xEB\x3C\x90MSDOS5.0", Outcome::kNotBitmap},
      {"2 GB after BM", 2 * kGiB, "BM", Outcome::kTooLarge},
      {"five bytes, no whole header", 5, "XXXXX", Outcome::kHeaderEndsEarly},
      {"empty", 0, "", Outcome::kEmpty},
  };
  for (const Giant& giant : giants) {
    const std::string path = temp_ / "ロゴ.bmp";
    if (!Make(path, giant)) continue;
    Raster24 logo = fixtures::LogoRaster(3, 2);
    try {
      LoadBitmapFile(path, logo);
      EXPECT_EQ(giant.outcome, Outcome::kEmpty) << giant.name << " was read";
      EXPECT_TRUE(logo.empty()) << giant.name;
      continue;
    } catch (const EInvalidBitmap&) {
      EXPECT_EQ(giant.outcome, Outcome::kNotBitmap) << giant.name;
    } catch (const EOutOfResources&) {
      EXPECT_EQ(giant.outcome, Outcome::kTooLarge) << giant.name;
    } catch (const EReadError&) {
      EXPECT_EQ(giant.outcome, Outcome::kHeaderEndsEarly) << giant.name;
    }
    EXPECT_EQ(logo.width(), 3) << giant.name << ": a failed load keeps the logo";
  }
}

TEST_F(GiantFiles, ASettingsFileIsHeldOnlyWithinTheBudget) {
  const std::string path = temp_ / "Quelmar.ini";
  ASSERT_TRUE(Make(path, {"2 GB settings", 2 * kGiB, "[Setup]\r\n", Outcome::kTooLarge}));
  EXPECT_THROW(TMemIniFile ini(path), EOutOfResources);
  SetMemoryBudget(0);
  fixtures::WriteText(path, "[Setup]\r\nJPEGQuality=80\r\n");
  EXPECT_EQ(TMemIniFile(path).ReadNumber("Setup", "JPEGQuality", 100), 80);
}

TEST_F(GiantFiles, TheConverterReportsAGiantThatIsNotAJpegAndConvertsTheRest) {
  SetMemoryBudget(0);
  ASSERT_TRUE(Make(temp_ / "src/huge.jpg", {"2 GB", 2 * kGiB, "", Outcome::kNotJpeg}));
  fixtures::WriteBytes(temp_ / "src/photo.jpg", fixtures::JpegBytes(64, 48));
  fixtures::WriteBytes(temp_ / "logo.bmp", fixtures::Bmp24Bytes(fixtures::LogoRaster(8, 8)));
  std::filesystem::create_directories(temp_ / "out");
  const fixtures::ChildResult result =
      fixtures::RunCliChild({"--logo", temp_ / "logo.bmp", "--source", temp_ / "src", "--output",
                             temp_ / "out", "--jobs", "2"},
                            temp_ / "cli.log");
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find("huge.jpg が読み込めませんでした"), std::string::npos) << result.err;
  EXPECT_TRUE(fixtures::IsCompleteJpeg(temp_ / "out/photo.jpg"));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out/huge.jpg"));
}

}  // namespace
}  // namespace quelmar
