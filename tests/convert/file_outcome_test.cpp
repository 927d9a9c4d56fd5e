#include "convert/file_outcome.h"

#include <gtest/gtest.h>

#include "convert/convert_file.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

TEST(DetailsOf, NamesThePathAndTheReasonOnLinesOfTheirOwn) {
  using Result = FileOutcome::Result;
  const struct {
    Result result;
    const char* reason;
    const char* details;
  } cases[] = {
      {Result::kNotRead, "許可がありません", "ファイル: /p/a.jpg\n理由: 許可がありません"},
      {Result::kSmallerThanLogo, "", "ファイル: /p/a.jpg"},
      {Result::kFolderNotRead, "許可がありません", "フォルダ: /p/a.jpg\n理由: 許可がありません"},
  };
  for (const auto& c : cases) {
    FileOutcome outcome;
    outcome.result = c.result;
    outcome.source = "/p/a.jpg";
    outcome.reason = c.reason;
    EXPECT_EQ(DetailsOf(outcome), c.details);
  }
}

// A photo smaller than the logo says both sizes, so the user sees which side is short.
TEST(StampJpegFile, GivesTheSizesAsTheReasonOfAPhotoSmallerThanTheLogo) {
  fixtures::TempFolder temp;
  const std::string photo = temp / "small.jpg";
  fixtures::WriteBytes(photo, fixtures::JpegBytes(40, 30));
  const StampedJpeg small = StampJpegFile(photo, fixtures::LogoRaster(50, 20), {}, 90);
  EXPECT_EQ(small.result, FileOutcome::Result::kSmallerThanLogo);
  EXPECT_EQ(small.message, kSmallerThanLogo);
  EXPECT_EQ(small.reason, "画像 40 × 30 ピクセル、ロゴ 50 × 20 ピクセル");

  const std::string empty = temp / "empty.jpg";
  fixtures::WriteBytes(empty, {});
  EXPECT_EQ(StampJpegFile(empty, fixtures::LogoRaster(5, 5), {}, 90).reason, "画素のない画像です");
}

}  // namespace
}  // namespace quelmar
