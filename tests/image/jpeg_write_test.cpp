#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/paths.h"
#include "image/jpeg_file.h"
#include "jpeg_reference_tools.h"

namespace quelmar {
namespace {

using namespace jpeg_testing;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

TEST(WriteJpegFile, CreatesTheFileWithExactlyTheBytes) {
  TemporaryFolder folder;
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(50, 40, 1), 75, false);
  WriteJpegFile(folder.File("出力.jpg"), stream);
  EXPECT_EQ(ReadBytes(folder.File("出力.jpg")), stream);
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"出力.jpg"});
}

TEST(WriteJpegFile, ReplacesALongerExistingFileWhole) {
  TemporaryFolder folder;
  WriteBytes(folder.File("a.jpg"), std::vector<std::uint8_t>(100000, 0x11));
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(8, 8, 1), 75, false);
  WriteJpegFile(folder.File("a.jpg"), stream);
  EXPECT_EQ(ReadBytes(folder.File("a.jpg")), stream);
}

TEST(WriteJpegFile, FailsWithTheFileCreateErrorInAReadOnlyFolder) {
  TemporaryFolder folder;
  const std::string sub = folder.File("locked");
  ASSERT_EQ(::mkdir(sub.c_str(), 0555), 0);
  const std::string path = sub + "/x.jpg";
  try {
    WriteJpegFile(path, std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9});
    FAIL() << "wrote into a read-only folder";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "ファイル \"" + FullPath(path) + "\". " +
                                             SystemErrorText(EACCES) + " を作成できません");
  }
  EXPECT_TRUE(Names(sub).empty());
}

// A full disk, played by a file size limit in a child process: the write comes up short.
TEST(WriteJpegFile, KeepsTheOldFileAndLeavesNoTemporaryFileWhenTheDiskIsFull) {
  TemporaryFolder folder;
  const std::string path = folder.File("photo.jpg");
  const std::vector<std::uint8_t> old_photo(5000, 0x42);
  WriteBytes(path, old_photo);
  const std::vector<std::uint8_t> stream = EncodeJpeg(PhotoLike(300, 200, 2), 95, false);
  ASSERT_GT(stream.size(), 16384u);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{16384, 16384};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int status = 1;
    try {
      WriteJpegFile(path, stream);
    } catch (const EFCreateError&) {
      status = 0;
    } catch (...) {
      status = 2;
    }
    ::_exit(status);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: another kind of error";
  EXPECT_EQ(ReadBytes(path), old_photo);
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"photo.jpg"});
}

}  // namespace
}  // namespace quelmar
