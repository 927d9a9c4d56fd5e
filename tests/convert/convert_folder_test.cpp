#include "convert/convert_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "convert/comma_text.h"
#include "convert/fake_run_host.h"
#include "convert/sample_files.h"

namespace quelmar {
namespace {

using ::testing::ElementsAre;
using testing::FakeRunHost;
using ::testing::IsEmpty;
using testing::JpegBytes;
using testing::TempFolder;
using testing::TreeListing;
using testing::WriteBytes;
using testing::WriteText;

class ConvertFolderTest : public ::testing::Test {
 protected:
  ConvertFolderTest() {
    host_.state.FMark = testing::LogoRaster(8, 8);
    host_.state.FStop = 0;
    std::filesystem::create_directory(out_);
  }

  void Photo(const std::string& relative, int seed = 0) {
    WriteBytes(src_ + "/" + relative, JpegBytes(24, 16, seed));
  }
  void Walk() { ConvertFolder(host_, src_, out_); }
  std::vector<std::string> Output() const { return TreeListing(out_); }

  TempFolder temp_;
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  FakeRunHost host_;
};

TEST_F(ConvertFolderTest, MirrorsNestedFolders_AndMakesNoFolderWithoutPhotos) {
  Photo("a/b/1.jpg");
  std::filesystem::create_directories(src_ + "/c/d");
  WriteText(src_ + "/c/notes.txt", "no photos here");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("a/", "a/b/", "a/b/1.jpg"));
  EXPECT_EQ(host_.state.FStop, 0);
}

TEST_F(ConvertFolderTest, CountsOneStepPerFolderVisited) {
  Photo("a/b/1.jpg");
  Photo("2.jpg");
  std::filesystem::create_directories(src_ + "/c/d");
  Walk();
  // src, a, a/b, c, c/d
  EXPECT_EQ(host_.progress_max, 5);
  EXPECT_EQ(host_.progress_position, 5);
  EXPECT_EQ(host_.files_finished, 2);
}

TEST_F(ConvertFolderTest, SkipsExcludedNamesAtAnyDepth_ComparedExactly) {
  host_.state.FExceptFolders = ParseCommaText("raw, old");
  for (const char* folder : {"raw", "old", "Raw", "raw2", "keep/raw", "keep/old/x"}) {
    Photo(std::string(folder) + "/p.jpg");
  }
  Walk();
  EXPECT_THAT(Output(), ElementsAre("Raw/", "Raw/p.jpg", "raw2/", "raw2/p.jpg"));
}

TEST_F(ConvertFolderTest, SkipsQuotedNamesWithBlanks_ButSplitsUnquotedOnes) {
  Photo("my photos/p.jpg");
  Photo("tmp/p.jpg");
  Photo("my/p.jpg");
  host_.state.FExceptFolders = ParseCommaText("\"my photos\", tmp");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("my/", "my/p.jpg"));

  std::filesystem::remove_all(out_);
  host_.state.FExceptFolders = ParseCommaText("my photos, tmp");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("my photos/", "my photos/p.jpg"));
}

TEST_F(ConvertFolderTest, MatchesJpgThenJpegAnyCase_AndNothingElse) {
  for (const char* name : {"a.JPG", "b.jpeg", "c.Jpeg", "d.jpe", "e.jpg.txt", "f.jpg"}) {
    Photo(name);
  }
  // Unreadable files show the order of the two passes through their questions.
  for (const char* name : {"x.jpeg", "y.jpg"}) WriteText(src_ + "/" + name, "text");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("a.JPG", "b.jpeg", "c.Jpeg", "f.jpg"));
  EXPECT_THAT(host_.questions,
              ElementsAre(src_ + "/y.jpg が読み込めませんでした 作業を続けますか？",
                          src_ + "/x.jpeg が読み込めませんでした 作業を続けますか？"));
}

TEST_F(ConvertFolderTest, DoesNotEnterHiddenOrLinkedFolders_NorListHiddenFiles) {
  Photo(".hidden/p.jpg");
  Photo(".q.jpg");
  Photo("real/p.jpg");
  std::filesystem::create_directory_symlink(src_ + "/real", src_ + "/link");
  std::filesystem::create_symlink(src_ + "/real/p.jpg", src_ + "/linked.jpg");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("linked.jpg", "real/", "real/p.jpg"));
}

TEST_F(ConvertFolderTest, GoesOn_WhenTheUserAnswersYes) {
  WriteText(src_ + "/a.jpg", "");
  Photo("b.jpg");
  Walk();
  EXPECT_THAT(host_.questions, ElementsAre("ロゴ画像より小さい画像です 作業を続けますか？"));
  EXPECT_THAT(Output(), ElementsAre("b.jpg"));
  EXPECT_EQ(host_.progress_position, 1);
}

TEST_F(ConvertFolderTest, StopsTheWholeRun_WhenTheUserAnswersNo) {
  WriteText(src_ + "/a/bad.jpg", "text");
  Photo("a/good.jpg");
  Photo("b/p.jpg");
  Photo("top.jpg");
  host_.answers = {false};
  Walk();
  EXPECT_EQ(host_.state.FStop, 1);
  EXPECT_EQ(host_.questions.size(), 1u);
  EXPECT_THAT(Output(), ElementsAre("a/"));
  EXPECT_EQ(host_.progress_position, 0);
}

TEST_F(ConvertFolderTest, StopsBeforeTheNextFile_KeepingTheFilesWritten) {
  Photo("1.jpg", 1);
  Photo("2.jpg", 2);
  Photo("3.jpg", 3);
  // Pumps: the folder's entry, one per listed entry (3), then one before each file.
  host_.stop_at_pump = 1 + 3 + 2;
  Walk();
  EXPECT_THAT(Output(), ElementsAre("1.jpg"));
  EXPECT_EQ(host_.progress_max, 1);
  EXPECT_EQ(host_.progress_position, 0);
}

TEST_F(ConvertFolderTest, ReturnsAtOnce_WhenStoppedAtTheFoldersEntry) {
  Photo("1.jpg");
  host_.stop_at_pump = 1;
  Walk();
  EXPECT_THAT(Output(), IsEmpty());
  EXPECT_EQ(host_.progress_max, 0);
}

TEST_F(ConvertFolderTest, StopsInsideASubFolder_WithoutCountingTheParents) {
  Photo("a/1.jpg");
  Photo("z.jpg");
  // src entry, src listing "a", a entry, a listing "1.jpg", before a/1.jpg.
  host_.stop_at_pump = 5;
  Walk();
  EXPECT_THAT(Output(), IsEmpty());
  EXPECT_EQ(host_.progress_max, 2);
  EXPECT_EQ(host_.progress_position, 0);
}

TEST_F(ConvertFolderTest, LetsAWriteErrorEndTheWalk) {
  Photo("a/p.jpg");
  Photo("b/p.jpg");
  std::filesystem::create_directory(out_ + "/a");
  testing::MakeReadOnly(out_ + "/a");
  EXPECT_THROW(Walk(), EFCreateError);
  EXPECT_FALSE(std::filesystem::exists(out_ + "/b"));
}

TEST_F(ConvertFolderTest, TakesTheQualityAfreshForEachFile) {
  Photo("1.jpg", 1);
  Photo("2.jpg", 1);
  host_.quality = 10;
  // The user moves the quality slider while events run before the second file.
  host_.on_pump = [this](int pump) {
    if (pump == 1 + 2 + 2) host_.quality = 95;
  };
  Walk();
  EXPECT_LT(testing::ReadBytes(out_ + "/1.jpg").size(), testing::ReadBytes(out_ + "/2.jpg").size());
}

}  // namespace
}  // namespace quelmar
