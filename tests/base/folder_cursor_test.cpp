#include "base/folder_cursor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;
using fixtures::WriteText;

// The inode of the folder open at fd, against which a path's own is compared.
ino_t InodeOf(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}

ino_t InodeAt(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

FolderHandle Open(const std::string& path) {
  FolderHandle handle;
  OpenFolderAt(AT_FDCWD, path, FolderLinks::kFollow, handle);
  return handle;
}

TEST(FolderCursor, ReachesEachFolderOfASequence_WhateverItsNeighbours) {
  TempFolder temp;
  for (const char* file : {"a/b/c/1", "a/b/d/1", "a/e/1", "f/1", "写真/g/1"}) {
    WriteText(temp / file, "");
  }
  FolderCursor cursor(Open(temp.path()), FolderLinks::kRefuse);
  const std::vector<std::vector<std::string>> visits = {
      {"a", "b", "c"}, {"a", "b", "d"}, {"a", "b"}, {"a", "e"},     {}, {"f"}, {"写真", "g"},
      {"a", "b", "c"}, {"a"},           {"f"},      {"a", "b", "d"}};
  for (const auto& names : visits) {
    std::string path = temp.path();
    for (const std::string& name : names) path += "/" + name;
    const int fd = cursor.MoveTo(names);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(InodeOf(fd), InodeAt(path)) << path;
  }
}

TEST(FolderCursor, FailsForAMissingFolderOrARefusedLink_AndGoesOnAfterwards) {
  TempFolder temp;
  WriteText(temp / "a/b/1", "");
  WriteText(temp / "file", "");
  std::filesystem::create_directory_symlink(temp / "a", temp / "link");
  FolderCursor cursor(Open(temp.path()), FolderLinks::kRefuse);

  EXPECT_EQ(cursor.MoveTo({"a", "missing"}), -1);
  EXPECT_EQ(cursor.error(), ENOENT);
  EXPECT_EQ(cursor.MoveTo({"link", "b"}), -1);
  EXPECT_TRUE(cursor.error() == ELOOP || cursor.error() == ENOTDIR) << cursor.error();
  EXPECT_EQ(cursor.MoveTo({"file"}), -1);
  EXPECT_EQ(cursor.error(), ENOTDIR);

  const int fd = cursor.MoveTo({"a", "b"});
  ASSERT_GE(fd, 0);
  EXPECT_EQ(InodeOf(fd), InodeAt(temp / "a/b"));

  FolderCursor following(Open(temp.path()), FolderLinks::kFollow);
  const int linked = following.MoveTo({"link", "b"});
  ASSERT_GE(linked, 0);
  EXPECT_EQ(InodeOf(linked), InodeAt(temp / "a/b"));
}

TEST(FolderCursor, FailsEveryMove_WithoutARoot) {
  FolderCursor cursor(FolderHandle(), FolderLinks::kFollow);
  EXPECT_EQ(cursor.MoveTo({}), -1);
  EXPECT_EQ(cursor.MoveTo({"a"}), -1);
}

TEST(FolderCursor, FindsTheFolderAgain_AfterTheTreeAboveItWasMoved) {
  TempFolder temp;
  WriteText(temp / "a/b/1", "");
  WriteText(temp / "c/1", "");
  FolderCursor cursor(Open(temp.path()), FolderLinks::kRefuse);
  ASSERT_GE(cursor.MoveTo({"a", "b"}), 0);
  // The folder the cursor stands in moves away; the next move starts afresh from the root.
  std::filesystem::rename(temp / "a", temp / "moved");
  std::filesystem::create_directories(temp / "a/b");
  const int fd = cursor.MoveTo({"c"});
  ASSERT_GE(fd, 0);
  EXPECT_EQ(InodeOf(fd), InodeAt(temp / "c"));
  const int again = cursor.MoveTo({"a", "b"});
  ASSERT_GE(again, 0);
  EXPECT_EQ(InodeOf(again), InodeAt(temp / "a/b"));
}

}  // namespace
}  // namespace quelmar
