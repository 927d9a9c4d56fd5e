#include "ui/folder_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/paths.h"
#include "test_files.h"

namespace quelmar {
namespace {

using testing::TemporaryFolder;

TEST(AcceptFolderChoice, ReturnsAnExistingFolderWithoutItsTrailingSeparators) {
  TemporaryFolder temp;
  std::filesystem::create_directory(temp.Path("写真"));
  int questions = 0;

  const auto chosen = AcceptFolderChoice(temp.Path("写真") + "//", [&](const std::string&) {
    ++questions;
    return true;
  });

  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, temp.Path("写真"));
  EXPECT_EQ(questions, 0);
}

TEST(AcceptFolderChoice, CreatesAMissingFolderWithItsParentsOnYes) {
  TemporaryFolder temp;
  const std::string wanted = temp.Path("出力/二段目/三段目");
  std::string asked;

  const auto chosen = AcceptFolderChoice(wanted, [&](const std::string& question) {
    asked = question;
    return true;
  });

  EXPECT_EQ(asked, "指定されたディレクトリが存在しません。作成しますか？");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, wanted);
  EXPECT_TRUE(FolderExists(wanted));
}

TEST(AcceptFolderChoice, StaysOpenAndCreatesNothingOnNo) {
  TemporaryFolder temp;
  const std::string wanted = temp.Path("missing");

  const auto chosen = AcceptFolderChoice(wanted, [](const std::string&) { return false; });

  EXPECT_FALSE(chosen.has_value());
  EXPECT_FALSE(std::filesystem::exists(wanted));
}

TEST(AcceptFolderChoice, StaysOpenForAnEmptyFieldWithoutAsking) {
  bool asked = false;
  EXPECT_FALSE(AcceptFolderChoice("", [&](const std::string&) { return asked = true; }));
  EXPECT_FALSE(asked);
}

TEST(AcceptFolderChoice, FailsWhenAFileStandsInTheWay) {
  TemporaryFolder temp;
  testing::WriteTextFile(temp.Path("plain"), "x");
  EXPECT_THROW(AcceptFolderChoice(temp.Path("plain/sub"), [](const std::string&) { return true; }),
               Error);
}

TEST(AcceptFolderChoice, KeepsTheRootAsASingleSeparator) {
  const auto chosen = AcceptFolderChoice("/", [](const std::string&) { return true; });
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, "/");
}

TEST(WithTrailingSeparator, EndsThePathInExactlyOneSeparator) {
  EXPECT_EQ(WithTrailingSeparator("/home/写真"), "/home/写真/");
  EXPECT_EQ(WithTrailingSeparator("/home/写真/"), "/home/写真/");
  EXPECT_EQ(WithTrailingSeparator("/"), "/");
}

}  // namespace
}  // namespace quelmar
