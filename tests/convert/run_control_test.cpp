#include "convert/run_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/errors.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Every case runs with 1, 2 and 8 worker threads.
class RunControlTest : public ::testing::TestWithParam<int> {
 protected:
  RunControlTest() {
    WriteBytes(logo_, Bmp24Bytes(LogoRaster(8, 6)));
    std::filesystem::create_directories(src_);
    std::filesystem::create_directories(out_);
    host_.jobs = GetParam();
    host_.fields = {{EditField::kLogo, logo_},
                    {EditField::kSource, src_ + "/"},
                    {EditField::kOutput, out_ + "/"},
                    {EditField::kExclusions, ""}};
  }

  void Photo(const std::string& relative, int seed = 0) {
    WriteBytes(src_ + "/" + relative, JpegBytes(32, 24, seed));
  }
  // A click whose checks fail: the message, the focus, and nothing else.
  void ExpectRefused(const std::string& message, EditField field) {
    BitBtn1Click(host_);
    EXPECT_THAT(host_.log, ElementsAre("message:" + message));
    EXPECT_THAT(host_.focus, ElementsAre(field));
    EXPECT_EQ(host_.state.FStop, 1);
    EXPECT_EQ(host_.pumps, 0);
    EXPECT_TRUE(host_.state.FMark.empty());
  }

  // A click that ends in a create error, the window idle again.
  void ExpectIdleAfterError() {
    EXPECT_THROW(BitBtn1Click(host_), EFCreateError);
    EXPECT_EQ(host_.state.FStop, 1);
    EXPECT_EQ(host_.caption, "変換");
    EXPECT_EQ(host_.progress_position, 0);
    EXPECT_THAT(host_.Messages(), IsEmpty());
  }

  TempFolder temp_;
  const std::string logo_ = temp_ / "ロゴ.bmp";
  const std::string src_ = temp_ / "写真";
  const std::string out_ = temp_ / "出力";
  FakeRunHost host_;
};

TEST_P(RunControlTest, ShowsOnlyTheLogoMessage_WhenEveryFieldIsEmpty) {
  host_.fields.clear();
  ExpectRefused("ロゴ画像が指定されていないか、ファイルがありません", EditField::kLogo);
}

TEST_P(RunControlTest, RefusesALogoPathThatNamesAFolder) {
  host_.fields[EditField::kLogo] = src_;
  ExpectRefused("ロゴ画像が指定されていないか、ファイルがありません", EditField::kLogo);
}

TEST_P(RunControlTest, RefusesAMissingSource_AfterReplacingTheExclusions) {
  host_.fields[EditField::kSource] = "";
  host_.fields[EditField::kExclusions] = "raw, old";
  ExpectRefused("元画像のディレクトリがありません", EditField::kSource);
  EXPECT_THAT(host_.state.FExceptFolders, ElementsAre("raw", "old"));
}

TEST_P(RunControlTest, RefusesAMissingOutput) {
  host_.fields[EditField::kOutput] = "";
  ExpectRefused("出力先ディレクトリがありません", EditField::kOutput);
}

TEST_P(RunControlTest, RefusesAnOutputThatIsTheSource_WithOrWithoutTrailingSeparator) {
  for (const std::string& output : {src_ + "/", src_, src_ + "//", src_ + "/./"}) {
    host_ = FakeRunHost();
    host_.fields = {
        {EditField::kLogo, logo_}, {EditField::kSource, src_}, {EditField::kOutput, output}};
    ExpectRefused("出力先ディレクトリが元画像ディレクトリに含まれます", EditField::kSource);
  }
}

TEST_P(RunControlTest, RefusesAnOutputBelowTheSource_ThroughLinksAndDots) {
  std::filesystem::create_directories(src_ + "/out");
  std::filesystem::create_directory_symlink(src_ + "/out", temp_ / "link");
  for (const std::string& output :
       {src_ + "/out/", src_ + "/out", temp_ / "link/", out_ + "/../写真/out/"}) {
    host_ = FakeRunHost();
    host_.fields = {
        {EditField::kLogo, logo_}, {EditField::kSource, src_}, {EditField::kOutput, output}};
    ExpectRefused("出力先ディレクトリが元画像ディレクトリに含まれます", EditField::kSource);
  }
}

TEST_P(RunControlTest, TakesASourceOfTheRootFolderForThatFolder_NotForAMissingOne) {
  // Only the checks run: every output lies below "/", so the run never starts.
  for (const std::string source : {"/", "//"}) {
    host_ = FakeRunHost();
    host_.fields = {
        {EditField::kLogo, logo_}, {EditField::kSource, source}, {EditField::kOutput, out_}};
    ExpectRefused("出力先ディレクトリが元画像ディレクトリに含まれます", EditField::kSource);
  }
}

TEST_P(RunControlTest, AcceptsOutputsThatMerelyContainTheSourcesName) {
  // Relative paths, so that "photos/" occurs inside "backup/photos/".
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(temp_.path());
  std::filesystem::create_directories("photos");
  std::filesystem::create_directories("backup/photos");
  std::filesystem::create_directories("photos2");
  Photo("../photos/p.jpg");
  for (const char* output : {"backup/photos/", "photos2/"}) {
    host_ = FakeRunHost();
    host_.fields = {
        {EditField::kLogo, logo_}, {EditField::kSource, "photos"}, {EditField::kOutput, output}};
    BitBtn1Click(host_);
    EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました")) << output;
    EXPECT_TRUE(std::filesystem::exists(std::string(output) + "p.jpg")) << output;
  }
  std::filesystem::current_path(previous);
}

TEST_P(RunControlTest, RunsAndReportsTheEnd_InTheRightOrder) {
  Photo("a/1.jpg");
  Photo("2.jpg");
  BitBtn1Click(host_);
  EXPECT_THAT(host_.log, ElementsAre("caption:キャンセル", "save", "beep",
                                     "message:変換が終了しました", "caption:変換"));
  EXPECT_EQ(host_.state.FStop, 1);
  // One step per file: the bar ends full.
  EXPECT_EQ(host_.progress_max, 2);
  EXPECT_EQ(host_.progress_position, 2);
  EXPECT_THAT(TreeListing(out_), ElementsAre("2.jpg", "a/", "a/1.jpg"));
  EXPECT_EQ(host_.state.FMark.width(), 8);
  EXPECT_EQ(host_.state.FMark.height(), 6);
}

// The end of each run reports that run's counts, finished or stopped.
TEST_P(RunControlTest, ReportsTheCountsOfEachRunWithItsEnd) {
  Photo("a/1.jpg");
  Photo("2.jpg");
  WriteText(src_ + "/3.jpg", "text");
  BitBtn1Click(host_);
  host_.answers = {false};
  BitBtn1Click(host_);
  ASSERT_EQ(host_.run_ends.size(), 2u);
  EXPECT_EQ(host_.run_ends[0].Text(), "変換したファイル 2、変換できなかったファイル 1");
  EXPECT_EQ(host_.run_ends[1].Text(), "変換したファイル 2、変換できなかったファイル 1");
  EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました", "変換を中断しました"));

  std::filesystem::remove(src_ + "/3.jpg");
  host_.stop_at_pump = host_.pumps + 2;  // the click's own pump and the source folder's entry
  BitBtn1Click(host_);
  EXPECT_EQ(host_.run_ends.back().Text(), "変換したファイル 0、変換できなかったファイル 0");
}

TEST_P(RunControlTest, TreatsTheSourceWithAndWithoutTrailingSeparatorAlike) {
  Photo("a/1.jpg");
  BitBtn1Click(host_);
  const std::vector<std::string> with_separator = TreeListing(out_);
  const auto bytes = ReadBytes(out_ + "/a/1.jpg");
  std::filesystem::remove_all(out_);
  std::filesystem::create_directory(out_);

  host_ = FakeRunHost();
  host_.fields = {
      {EditField::kLogo, logo_}, {EditField::kSource, src_}, {EditField::kOutput, out_}};
  BitBtn1Click(host_);
  EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました"));
  EXPECT_EQ(TreeListing(out_), with_separator);
  EXPECT_EQ(ReadBytes(out_ + "/a/1.jpg"), bytes);
}

TEST_P(RunControlTest, MakesADoubledTrailingSeparatorOne_AndLeavesOneLetterNamesAlone) {
  Photo("1.jpg");
  std::filesystem::create_directories(out_ + "/a");
  host_.fields[EditField::kOutput] = out_ + "//";
  BitBtn1Click(host_);
  EXPECT_TRUE(std::filesystem::exists(out_ + "/1.jpg"));

  host_ = FakeRunHost();
  host_.fields = {
      {EditField::kLogo, logo_}, {EditField::kSource, src_}, {EditField::kOutput, out_ + "/a"}};
  BitBtn1Click(host_);
  EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました"));
  EXPECT_TRUE(std::filesystem::exists(out_ + "/a/1.jpg"));
}

TEST_P(RunControlTest, EndsWithTheFinishedMessage_WhenTheTreeHoldsNoJpeg) {
  std::filesystem::create_directories(src_ + "/a/b");
  WriteText(src_ + "/a/readme.txt", "");
  BitBtn1Click(host_);
  EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました"));
  EXPECT_THAT(TreeListing(out_), IsEmpty());
  EXPECT_EQ(host_.progress_position, host_.progress_max);
}

TEST_P(RunControlTest, LeavesTheBarEmptyAndSavesNothing_AfterAStop) {
  Photo("1.jpg");
  Photo("2.jpg");
  // Pumps: the click's own, the folder's entry, two listed entries, before 1.jpg, before 2.jpg.
  host_.stop_at_pump = 6;
  BitBtn1Click(host_);
  EXPECT_THAT(host_.log, ElementsAre("caption:キャンセル", "beep", "message:変換を中断しました",
                                     "caption:変換"));
  EXPECT_EQ(host_.progress_position, 0);
  EXPECT_THAT(TreeListing(out_), ElementsAre("1.jpg"));
}

TEST_P(RunControlTest, StopsTheRun_WhenTheUserAnswersNoAfterAFailedFile) {
  WriteText(src_ + "/a/bad.jpg", "text");
  Photo("b/p.jpg");
  host_.answers = {false};
  BitBtn1Click(host_);
  EXPECT_THAT(host_.questions,
              ElementsAre(src_ + "/a/bad.jpg が読み込めませんでした 作業を続けますか？"));
  EXPECT_THAT(host_.Messages(), ElementsAre("変換を中断しました"));
  EXPECT_FALSE(std::filesystem::exists(out_ + "/b"));
}

TEST_P(RunControlTest, OnlyRequestsAStop_WhenClickedDuringARun) {
  host_.state.FStop = 0;
  BitBtn1Click(host_);
  EXPECT_EQ(host_.state.FStop, 1);
  EXPECT_THAT(host_.log, IsEmpty());
  EXPECT_EQ(host_.pumps, 0);
}

TEST_P(RunControlTest, ConvertsTheMixedTree_AsksAboutEachBadFile) {
  Photo("旅行/2024/IMG_1.JPG", 1);
  Photo("旅行/2024/IMG_2.jpeg", 2);
  Photo("旅行/raw/IMG_3.jpg", 3);
  Photo("Raw/IMG_4.jpg", 4);
  WriteText(src_ + "/旅行/broken.jpg", "not a jpeg");
  WriteBytes(src_ + "/旅行/tiny.jpg", JpegBytes(4, 4));
  WriteText(src_ + "/旅行/zero.jpg", "");
  host_.fields[EditField::kExclusions] = "raw, old";
  BitBtn1Click(host_);
  EXPECT_THAT(host_.questions,
              ElementsAre(src_ + "/旅行/broken.jpg が読み込めませんでした 作業を続けますか？",
                          "ロゴ画像より小さい画像です 作業を続けますか？",
                          "ロゴ画像より小さい画像です 作業を続けますか？"));
  EXPECT_THAT(TreeListing(out_), ElementsAre("Raw/", "Raw/IMG_4.jpg", "旅行/", "旅行/2024/",
                                             "旅行/2024/IMG_1.JPG", "旅行/2024/IMG_2.jpeg"));
  EXPECT_THAT(host_.Messages(), ElementsAre("変換が終了しました"));
}

TEST_P(RunControlTest, ReturnsToIdle_WhenAnErrorEscapesTheWalk) {
  Photo("a/p.jpg");
  std::filesystem::create_directory(out_ + "/a");
  MakeReadOnly(out_ + "/a");
  ExpectIdleAfterError();
}

TEST_P(RunControlTest, ReportsASaveThatFails_AndStillTheEndOfTheRun) {
  Photo("p.jpg");
  const EFCreateError refused("/etc/Quelmar.ini", EACCES);
  host_.save_action = [&] { throw refused; };
  BitBtn1Click(host_);
  EXPECT_THAT(host_.log,
              ElementsAre("caption:キャンセル", "save", std::string("error:") + refused.what(),
                          "beep", "message:変換が終了しました", "caption:変換"));
  EXPECT_EQ(host_.state.FStop, 1);
  EXPECT_THAT(TreeListing(out_), ElementsAre("p.jpg"));
}

TEST_P(RunControlTest, KeepsThePreviousLogoAndStaysIdle_WhenTheLogoIsNoBitmap) {
  host_.state.FMark = LogoRaster(3, 3);
  WriteText(logo_, "not a bitmap");
  EXPECT_THROW(BitBtn1Click(host_), Error);
  EXPECT_EQ(host_.state.FMark.width(), 3);
  EXPECT_EQ(host_.state.FStop, 1);
  EXPECT_THAT(host_.log, IsEmpty());
}

TEST_P(RunControlTest, PicksUpALogoChangedOnDisk) {
  host_.state.FMark = LogoRaster(3, 3);
  BitBtn1Click(host_);
  EXPECT_EQ(host_.state.FMark.width(), 8);
}

INSTANTIATE_TEST_SUITE_P(Jobs, RunControlTest, ::testing::Values(1, 2, 8));

}  // namespace
}  // namespace quelmar
