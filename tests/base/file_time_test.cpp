#include "base/file_time.h"

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
  ASSERT_TRUE(SetModificationTime(path, time));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, 1'500'000'000);
  EXPECT_EQ(after.st_mtim.tv_nsec, 123'456'789);
  EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
  EXPECT_EQ(ModificationTimeOf(path), time);
}

TEST_F(FileTimeTest, ChangesALinkItselfNeverWhatItNames) {
  const std::string target = folder_ + "/photo.jpg";
  const std::string link = folder_ + "/link.jpg";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  const std::optional<FileTime> original = ModificationTimeOf(target);
  ASSERT_TRUE(original);
  EXPECT_TRUE(SetModificationTime(link, FileTime{1'000'000'000, 0}));
  EXPECT_EQ(ModificationTimeOf(target), original);
}

TEST_F(FileTimeTest, ReportsAMissingFile) {
  EXPECT_FALSE(ModificationTimeOf(folder_ + "/missing.jpg"));
  EXPECT_FALSE(SetModificationTime(folder_ + "/missing.jpg", FileTime{1, 0}));
}

}  // namespace
}  // namespace quelmar
