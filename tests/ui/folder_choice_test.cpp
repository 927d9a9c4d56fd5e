#include "ui/folder_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/paths.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;

TEST(AcceptFolderChoice, ReturnsAnExistingFolderWithoutItsTrailingSeparators) {
  TempFolder temp;
  std::filesystem::create_directory(temp / "写真");
  int questions = 0;

  const auto chosen = AcceptFolderChoice(temp / "写真" + "//", [&](const std::string&) {
    ++questions;
    return true;
  });

  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, temp / "写真");
  EXPECT_EQ(questions, 0);
}

TEST(AcceptFolderChoice, CreatesAMissingFolderWithItsParentsOnYes) {
  TempFolder temp;
  const std::string wanted = temp / "出力/二段目/三段目";
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
  TempFolder temp;
  const std::string wanted = temp / "missing";

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
  TempFolder temp;
  fixtures::WriteText(temp / "plain", "x");
  EXPECT_THROW(AcceptFolderChoice(temp / "plain/sub", [](const std::string&) { return true; }),
               Error);
}

TEST(AcceptFolderChoice, KeepsTheRootAsASingleSeparator) {
  const auto chosen = AcceptFolderChoice("/", [](const std::string&) { return true; });
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, "/");
}

}  // namespace
}  // namespace quelmar
