#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"

namespace quelmar {
namespace {

namespace fs = std::filesystem;

// What a folder field keeps of a typed text: only an existing folder without its separator
// gains one; the check of a stored folder, which drops the last character, then finds it.
TEST(WithFolderSeparator, AddsTheSeparatorOnlyToAnExistingFolderWithoutOne) {
  std::string root = (fs::temp_directory_path() / "quelmar-separator-XXXXXX").string();
  ASSERT_NE(::mkdtemp(root.data()), nullptr);
  fs::create_directories(root + "/写真");
  std::ofstream(root + "/photo.jpg") << "x";
  fs::create_directory_symlink(root + "/写真", root + "/link");

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
  fs::remove_all(root);
}

}  // namespace
}  // namespace quelmar
