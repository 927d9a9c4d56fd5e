#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/paths.h"
#include "image/jpeg_file.h"
#include "support/file_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

TEST(WriteJpegFile, CreatesTheFileWithExactlyTheBytes) {
  TempFolder folder;
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(50, 40, 1), 75, false);
  WriteJpegFile(folder / "出力.jpg", stream);
  EXPECT_EQ(ReadBytes(folder / "出力.jpg"), stream);
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"出力.jpg"});
}

TEST(WriteJpegFile, ReplacesALongerExistingFileWhole) {
  TempFolder folder;
  WriteBytes(folder / "a.jpg", std::vector<std::uint8_t>(100000, 0x11));
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(8, 8, 1), 75, false);
  WriteJpegFile(folder / "a.jpg", stream);
  EXPECT_EQ(ReadBytes(folder / "a.jpg"), stream);
}

TEST(WriteJpegFile, FailsWithTheFileCreateErrorInAReadOnlyFolder) {
  TempFolder folder;
  const std::string sub = folder / "locked";
  ASSERT_EQ(::mkdir(sub.c_str(), 0555), 0);
  const std::string path = sub + "/x.jpg";
  try {
    WriteJpegFile(path, std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9});
    FAIL() << "wrote into a read-only folder";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "ファイル \"" + FullPath(path) + "\". " +
                                             SystemErrorText(EACCES) + " を作成できません");
  }
  EXPECT_TRUE(FolderEntries(sub).empty());
}

// A full disk, played by a file size limit: the write comes up short.
TEST(WriteJpegFile, KeepsTheOldFileAndLeavesNoTemporaryFileWhenTheDiskIsFull) {
  TempFolder folder;
  const std::string path = folder / "photo.jpg";
  const std::vector<std::uint8_t> old_photo(5000, 0x42);
  WriteBytes(path, old_photo);
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(300, 200, 2), 95, false);
  ASSERT_GT(stream.size(), 16384u);

  {
    const FileSizeLimit limit(16384);
    EXPECT_THROW(WriteJpegFile(path, stream), EFCreateError);
  }
  EXPECT_EQ(ReadBytes(path), old_photo);
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"photo.jpg"});
}

}  // namespace
}  // namespace quelmar
