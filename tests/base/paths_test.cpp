#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace quelmar
