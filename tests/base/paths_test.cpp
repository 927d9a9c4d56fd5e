#include "base/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

struct PathCase {
  std::string path;
  std::string with_one;   // WithTrailingSeparator
  std::string with_none;  // WithoutTrailingSeparators
};

TEST(TrailingSeparators, AreMadeExactlyOneOrNone_TheRootStayingARoot) {
  const std::vector<PathCase> cases = {
      {"/home/写真", "/home/写真/", "/home/写真"},
      {"/home/写真/", "/home/写真/", "/home/写真"},
      {"/home/写真///", "/home/写真/", "/home/写真"},
      {"relative", "relative/", "relative"},
      {"/", "/", "/"},
      {"//", "/", "/"},
      {"", "", ""},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(WithTrailingSeparator(c.path), c.with_one) << '"' << c.path << '"';
    EXPECT_EQ(WithoutTrailingSeparators(c.path), c.with_none) << '"' << c.path << '"';
    // Each is the other's fixed point: applying either twice changes nothing more.
    EXPECT_EQ(WithTrailingSeparator(c.with_one), c.with_one);
    EXPECT_EQ(WithoutTrailingSeparators(c.with_none), c.with_none);
  }
}

TEST(JoinPath, PutsOneSeparatorBetweenParentAndName_LeavingBothAsGiven) {
  EXPECT_EQ(JoinPath("/写真", "a.jpg"), "/写真/a.jpg");
  EXPECT_EQ(JoinPath("out", "sub"), "out/sub");
  // A root given with its separator keeps the walk's paths in the form the user typed.
  EXPECT_EQ(JoinPath("out/", "a.jpg"), "out//a.jpg");
  EXPECT_EQ(FolderPart(JoinPath("/a/b", "c.jpg")), "/a/b/");
}

// What a folder field keeps of a typed text: only an existing folder without its separator
// gains one; the check of a stored folder, which drops the last character, then finds it.
TEST(WithFolderSeparator, AddsTheSeparatorOnlyToAnExistingFolderWithoutOne) {
  const fixtures::TempFolder temp;
  const std::string root = temp.path();
  std::filesystem::create_directories(root + "/写真");
  fixtures::WriteText(root + "/photo.jpg", "x");
  std::filesystem::create_directory_symlink(root + "/写真", root + "/link");

  const struct {
    std::string typed;
    std::string kept;
  } cases[] = {
      {root + "/写真", root + "/写真/"},
      {root + "/写真/", root + "/写真/"},
      {root + "/link", root + "/link/"},           // a link to a folder is a folder
      {root + "/photo.jpg", root + "/photo.jpg"},  // a file is not
      {root + "/missing", root + "/missing"},      // nor is what does not exist (yet)
      {"", ""},
      {"/", "/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithFolderSeparator(c.typed), c.kept) << c.typed;
    // The property the field relies on: the kept text without its last byte names the folder.
    if (c.kept != c.typed) {
      EXPECT_TRUE(FolderExists(c.kept.substr(0, c.kept.size() - 1)));
    }
  }
}

}  // namespace
}  // namespace quelmar
