#include "base/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A fresh folder with a Japanese name below the system's temporary folder, removed afterwards.
class FilesTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::mkdir(folder_.c_str(), 0755), 0); }

  void TearDown() override {
    if (stopped_ > 0) {
      ::kill(stopped_, SIGKILL);
      ::waitpid(stopped_, nullptr, 0);
    }
  }

  std::string PathOf(const std::string& name) const { return folder_ + "/" + name; }

  std::set<std::string> Names() const {
    const std::vector<std::string> names = FolderEntries(folder_);
    return std::set<std::string>(names.begin(), names.end());
  }

  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }

  static Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

  TempFolder temp_;
  std::string folder_ = temp_ / "写真フォルダ";
  pid_t stopped_ = -1;  // a child process held stopped by a test
};

TEST_F(FilesTest, ReadWholeFileReturnsEveryByteOfALargeFile) {
  std::string text(200000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 % 251);
  WriteText(PathOf("ロゴ.bmp"), text);
  EXPECT_EQ(ReadWholeFile(PathOf("ロゴ.bmp")), AsBytes(text));
}

TEST_F(FilesTest, ReadWholeFileReturnsNothingForAnEmptyFile) {
  WriteText(PathOf("empty.bmp"), "");
  EXPECT_TRUE(ReadWholeFile(PathOf("empty.bmp")).empty());
}

TEST_F(FilesTest, ReadWholeFileFailsWithTheOpenErrorForAMissingFile) {
  try {
    ReadWholeFile(folder_ + "/sub/../無い.bmp");
    FAIL() << "a missing file was read";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + PathOf("無い.bmp") + "\". No such file or directory は開けません");
  }
}

TEST_F(FilesTest, ReadWholeFileFailsWithTheOpenErrorForAFolder) {
  try {
    ReadWholeFile(folder_);
    FAIL() << "a folder was read";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル \"" + folder_ + "\". Is a directory は開けません");
  }
}

TEST_F(FilesTest, ReadWholeFileFailsWithTheReadErrorWhenReadingFails) {
  // The process's own memory opens, but its first page is unmapped and cannot be read.
  try {
    ReadWholeFile("/proc/self/mem");
    FAIL() << "an unreadable file was read";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "ストリームからの読み込みエラー");
  }
}

TEST_F(FilesTest, ReplaceFileCreatesANewFileWithTheUsualPermissions) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ReplaceFile(PathOf("出力.jpg"), AsBytes("new data"), ShortWriteReport::kCreateError);
  EXPECT_EQ(ReadText(PathOf("出力.jpg")), "new data");
  EXPECT_EQ(ModeOf(PathOf("出力.jpg")), 0666 & ~mask);
  EXPECT_EQ(Names(), std::set<std::string>{"出力.jpg"});
}

TEST_F(FilesTest, ReplaceFileReplacesTheContentAndKeepsTheOldFilesMode) {
  WriteText(PathOf("a.ini"), "a much longer old content than the new one");
  ASSERT_EQ(::chmod(PathOf("a.ini").c_str(), 0640), 0);
  ReplaceFile(PathOf("a.ini"), AsBytes("short"), ShortWriteReport::kWriteError);
  EXPECT_EQ(ReadText(PathOf("a.ini")), "short");
  EXPECT_EQ(ModeOf(PathOf("a.ini")), 0640u);
  EXPECT_EQ(Names(), std::set<std::string>{"a.ini"});
}

// 82 three-byte characters and ".jpg": 250 bytes, within the 255-byte limit of a file name.
TEST_F(FilesTest, ReplaceFileWritesAFileWhoseNameNearlyFillsTheNameLimit) {
  std::string name;
  for (int i = 0; i < 82; ++i) name += "写";
  name += ".jpg";
  ReplaceFile(PathOf(name), AsBytes("data"), ShortWriteReport::kCreateError);
  EXPECT_EQ(ReadText(PathOf(name)), "data");
  EXPECT_EQ(Names(), std::set<std::string>{name});
}

TEST_F(FilesTest, ReplaceFileWritesThroughASymbolicLinkAndKeepsTheLink) {
  WriteText(PathOf("real.ini"), "old");
  ASSERT_EQ(::symlink("real.ini", PathOf("link.ini").c_str()), 0);
  ReplaceFile(PathOf("link.ini"), AsBytes("new"), ShortWriteReport::kWriteError,
              LinkReplacement::kWriteThrough);
  EXPECT_TRUE(fs::is_symlink(PathOf("link.ini")));
  EXPECT_EQ(ReadText(PathOf("real.ini")), "new");
  EXPECT_EQ(Names(), (std::set<std::string>{"link.ini", "real.ini"}));
}

TEST_F(FilesTest, ReplaceFileReplacesALinkItselfAndLeavesWhatItNamedAlone) {
  WriteText(PathOf("original.jpg"), "original");
  ASSERT_EQ(::symlink("original.jpg", PathOf("output.jpg").c_str()), 0);
  ReplaceFile(PathOf("output.jpg"), AsBytes("stamped"), ShortWriteReport::kCreateError);
  EXPECT_FALSE(fs::is_symlink(PathOf("output.jpg")));
  EXPECT_EQ(ReadText(PathOf("output.jpg")), "stamped");
  EXPECT_EQ(ReadText(PathOf("original.jpg")), "original");
}

TEST_F(FilesTest, ReplaceFileRefusesALinkToAFileWithoutWriteBits) {
  WriteText(PathOf("real.ini"), "old");
  ASSERT_EQ(::chmod(PathOf("real.ini").c_str(), 0444), 0);
  ASSERT_EQ(::symlink("real.ini", PathOf("link.ini").c_str()), 0);
  EXPECT_THROW(ReplaceFile(PathOf("link.ini"), AsBytes("new"), ShortWriteReport::kWriteError,
                           LinkReplacement::kWriteThrough),
               EFCreateError);
  EXPECT_EQ(ReadText(PathOf("real.ini")), "old");
  EXPECT_TRUE(fs::is_symlink(PathOf("link.ini")));
}

TEST_F(FilesTest, ReplaceFileWritesAnEmptyFile) {
  WriteText(PathOf("a.ini"), "old");
  ReplaceFile(PathOf("a.ini"), {}, ShortWriteReport::kWriteError);
  EXPECT_EQ(ReadText(PathOf("a.ini")), "");
}

// Root may write anywhere, but a file or folder without write bits is still read-only here.
TEST_F(FilesTest, ReplaceFileRefusesAFileWithoutWriteBits) {
  WriteText(PathOf("読み取り専用.ini"), "old");
  ASSERT_EQ(::chmod(PathOf("読み取り専用.ini").c_str(), 0444), 0);
  try {
    ReplaceFile(PathOf("読み取り専用.ini"), AsBytes("new"), ShortWriteReport::kWriteError);
    FAIL() << "a read-only file was replaced";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル \"" + PathOf("読み取り専用.ini") +
                                         "\". Permission denied を作成できません");
  }
  EXPECT_EQ(ReadText(PathOf("読み取り専用.ini")), "old");
  EXPECT_EQ(Names(), std::set<std::string>{"読み取り専用.ini"});
}

TEST_F(FilesTest, ReplaceFileRefusesAFolderWithoutWriteBits) {
  WriteText(PathOf("old.ini"), "old");
  ASSERT_EQ(::chmod(folder_.c_str(), 0555), 0);
  EXPECT_THROW(ReplaceFile(PathOf("new.ini"), AsBytes("x"), ShortWriteReport::kWriteError),
               EFCreateError);
  EXPECT_THROW(ReplaceFile(PathOf("old.ini"), AsBytes("x"), ShortWriteReport::kWriteError),
               EFCreateError);
  EXPECT_EQ(ReadText(PathOf("old.ini")), "old");
  EXPECT_EQ(Names(), std::set<std::string>{"old.ini"});
}

TEST_F(FilesTest, ReplaceFileRefusesAFolderAndAMissingParentWithTheCreateError) {
  ASSERT_EQ(::mkdir(PathOf("sub").c_str(), 0755), 0);
  try {
    ReplaceFile(PathOf("sub"), AsBytes("x"), ShortWriteReport::kWriteError);
    FAIL() << "a folder was replaced";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + PathOf("sub") + "\". Is a directory を作成できません");
  }
  EXPECT_TRUE(fs::is_directory(PathOf("sub")));
  EXPECT_THROW(ReplaceFile(PathOf("missing/a.ini"), AsBytes("x"), ShortWriteReport::kWriteError),
               EFCreateError);
}

// A 64 KiB tmpfs holds the old file; the new content does not fit.
class FullDiskTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    disk_ = std::make_unique<SmallFileSystem>(folder_, "64k");
    if (!disk_->mounted()) {
      GTEST_SKIP() << "a full disk needs a small tmpfs, and mounting one is not permitted here ("
                   << disk_->error() << ")";
    }
    WriteText(PathOf("photo.jpg"), "old content");
  }

  std::unique_ptr<SmallFileSystem> disk_;
  const Bytes too_big_ = Bytes(256 * 1024, 0x5A);
};

TEST_F(FullDiskTest, ReplaceFileReportsAShortWriteAsAWriteErrorAndKeepsTheOldFile) {
  try {
    ReplaceFile(PathOf("photo.jpg"), too_big_, ShortWriteReport::kWriteError);
    FAIL() << "a write to a full disk succeeded";
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "ストリームへの書き込みエラー");
  }
  EXPECT_EQ(ReadText(PathOf("photo.jpg")), "old content");
  EXPECT_EQ(Names(), std::set<std::string>{"photo.jpg"});
}

TEST_F(FullDiskTest, ReplaceFileReportsAShortWriteAsACreateErrorWhenAsked) {
  try {
    ReplaceFile(PathOf("photo.jpg"), too_big_, ShortWriteReport::kCreateError);
    FAIL() << "a write to a full disk succeeded";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + PathOf("photo.jpg") + "\". No space left on device を作成できません");
  }
  EXPECT_EQ(ReadText(PathOf("photo.jpg")), "old content");
  EXPECT_EQ(Names(), std::set<std::string>{"photo.jpg"});
}

// A child process that replaces a file in folder over and over; the temporary files it makes
// are real ones, named as ReplaceFile names them.
// True when another process holds the lock on the file at path.
bool LockedByAnother(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

pid_t StartReplacingForever(const std::string& path) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    try {
      const Bytes data(4 * 1024 * 1024, 0x33);
      for (;;) ReplaceFile(path, data, ShortWriteReport::kWriteError);
    } catch (...) {
    }
    ::_exit(1);
  }
  return pid;
}

TEST_F(FilesTest, RemoveStaleTemporaryFilesRemovesADeadWritersFileOnly) {
  WriteText(PathOf("ordinary.jpg"), "keep");
  WriteText(PathOf(".hidden"), "keep");
  const std::set<std::string> ordinary = Names();

  // Kills (or stops) a replacing child while one of its temporary files exists, and returns
  // that file's name.
  auto catch_a_temporary = [&](const std::string& target, int signal) -> std::string {
    for (int attempt = 0; attempt < 50; ++attempt) {
      const std::set<std::string> before = Names();
      const pid_t child = StartReplacingForever(PathOf(target));
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      bool seen = false;
      while (!seen && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : Names()) {
          if (!before.count(name) && IsReplaceTemporaryName(name)) seen = true;
        }
      }
      ::kill(child, signal);
      if (signal == SIGKILL) ::waitpid(child, nullptr, 0);
      if (signal == SIGSTOP) ::waitpid(child, nullptr, WUNTRACED);
      for (const std::string& name : Names()) {
        if (!before.count(name) && IsReplaceTemporaryName(name)) {
          // A writer stopped between creating its file and locking it is, rightly, taken for
          // a dead one: only a locked file counts as a living writer's.
          if (signal == SIGSTOP && !LockedByAnother(PathOf(name))) break;
          if (signal == SIGSTOP) stopped_ = child;
          return name;
        }
      }
      if (signal == SIGSTOP) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
      }
    }
    return "";
  };
  const std::string dead = catch_a_temporary("dead.jpg", SIGKILL);
  ASSERT_FALSE(dead.empty()) << "no temporary file was caught";
  const std::string living = catch_a_temporary("living.jpg", SIGSTOP);
  ASSERT_FALSE(living.empty()) << "no temporary file of a living writer was caught";

  RemoveStaleTemporaryFiles(folder_);

  const std::set<std::string> after = Names();
  EXPECT_FALSE(after.count(dead)) << dead;
  EXPECT_TRUE(after.count(living)) << living;
  for (const std::string& name : ordinary) EXPECT_TRUE(after.count(name)) << name;
}

TEST(IsReplaceTemporaryName, IsFalseForOrdinaryAndHiddenNames) {
  EXPECT_FALSE(IsReplaceTemporaryName("photo.jpg"));
  EXPECT_FALSE(IsReplaceTemporaryName(".hidden"));
  EXPECT_FALSE(IsReplaceTemporaryName(""));
}

}  // namespace
}  // namespace quelmar
