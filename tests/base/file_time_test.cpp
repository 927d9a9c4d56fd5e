#include "base/file_time.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quelmar {
namespace {

class FileTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quelmar-time-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ + "/photo.jpg") << "x";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string folder_;
};

// The times are checked with stat itself, which the functions' own code does not go through for
// setting.
TEST_F(FileTimeTest, SetsTheModificationTimeToTheNanosecondAndLeavesTheAccessTime) {
  const std::string path = folder_ + "/photo.jpg";
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  const FileTime time{1'500'000'000, 123'456'789};
  ASSERT_TRUE(SetModificationTimeAt(AT_FDCWD, path, time));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, 1'500'000'000);
  EXPECT_EQ(after.st_mtim.tv_nsec, 123'456'789);
  EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
  EXPECT_EQ(ModificationTimeAt(AT_FDCWD, path), time);
}

TEST_F(FileTimeTest, ChangesALinkItselfNeverWhatItNames) {
  const std::string target = folder_ + "/photo.jpg";
  const std::string link = folder_ + "/link.jpg";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  const std::optional<FileTime> original = ModificationTimeAt(AT_FDCWD, target);
  ASSERT_TRUE(original);
  EXPECT_TRUE(SetModificationTimeAt(AT_FDCWD, link, FileTime{1'000'000'000, 0}));
  EXPECT_EQ(ModificationTimeAt(AT_FDCWD, target), original);
}

TEST_F(FileTimeTest, WorksByNameInAnOpenFolderAndReportsAMissingFile) {
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  EXPECT_TRUE(SetModificationTimeAt(folder, "photo.jpg", FileTime{1'234'567'890, 5}));
  EXPECT_EQ(ModificationTimeAt(AT_FDCWD, folder_ + "/photo.jpg"), (FileTime{1'234'567'890, 5}));
  EXPECT_FALSE(ModificationTimeAt(folder, "missing.jpg"));
  EXPECT_FALSE(SetModificationTimeAt(folder, "missing.jpg", FileTime{1, 0}));
  ::close(folder);
}

}  // namespace
}  // namespace quelmar
