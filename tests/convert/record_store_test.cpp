#include "convert/record_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

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

OutputRecord RecordFor(const std::string& relative, std::uint64_t size = 10) {
  return {
      {size, 1767225600, 7}, {size + 1, 1767225601, 8}, std::string(64, 'c'), PathDigest(relative)};
}

class RecordStoreTest : public ::testing::Test {
 protected:
  RecordStoreTest() {
    fixtures::WriteText(temp_ / "out/a.jpg", "output bytes");
    OpenFolderAt(AT_FDCWD, temp_ / "out", FolderLinks::kFollow, folder_);
  }

  // The record the store reads for name in the output folder, with the output's stamp checked
  // against the system's own.
  std::optional<OutputRecord> Read(RecordStore& store, const std::string& name) {
    FileStamp stamp;
    std::optional<OutputRecord> record = store.Read(folder_.fd(), name, name, stamp);
    struct stat status {};
    if (record && ::stat((temp_ / "out/" + name).c_str(), &status) == 0) {
      EXPECT_EQ(stamp, StampOf(status));
    }
    return record;
  }

  TempFolder temp_;
  FolderHandle folder_;
};

TEST_F(RecordStoreTest, ReadsTheRecordAttachedToAFile) {
  OutputRecord record = RecordFor("a.jpg");
  {
    const Descriptor fd(::open((temp_ / "out/a.jpg").c_str(), O_RDWR));
    ASSERT_TRUE(RecordStore::Attach(fd.get(), record));
  }
  RecordStore store(temp_ / "out");
  EXPECT_EQ(Read(store, "a.jpg"), record);
  // Kept where any tool finds it: getfattr shows the same text.
  char value[kMostRecordBytes];
  const ssize_t size =
      ::getxattr((temp_ / "out/a.jpg").c_str(), kRecordAttribute, value, sizeof value);
  EXPECT_EQ(std::string(value, static_cast<std::size_t>(std::max<ssize_t>(size, 0))),
            FormatRecord(record));
}

TEST_F(RecordStoreTest, ReadsNothing_ForAFileWithoutARecordOrAnythingButAFile) {
  fixtures::WriteText(temp_ / "target.jpg", "elsewhere");
  ::symlink((temp_ / "target.jpg").c_str(), (temp_ / "out/link.jpg").c_str());
  ::mkfifo((temp_ / "out/fifo.jpg").c_str(), 0644);
  std::filesystem::create_directory(temp_ / "out/folder.jpg");
  RecordStore store(temp_ / "out");
  for (const char* name : {"a.jpg", "missing.jpg", "link.jpg", "fifo.jpg", "folder.jpg"}) {
    EXPECT_EQ(Read(store, name), std::nullopt) << name;
  }
}

TEST_F(RecordStoreTest, TrustsNoDamagedAttribute_EvenWhenTheIndexHoldsTheFile) {
  {
    RecordStore store(temp_ / "out");
    store.Remember(RecordFor("a.jpg"));
    store.Flush();
  }
  const std::string text = FormatRecord(RecordFor("a.jpg")).substr(0, 50);
  ASSERT_EQ(
      ::setxattr((temp_ / "out/a.jpg").c_str(), kRecordAttribute, text.data(), text.size(), 0), 0);
  RecordStore store(temp_ / "out");
  EXPECT_EQ(Read(store, "a.jpg"), std::nullopt);
}

TEST_F(RecordStoreTest, ReadsTheIndex_ForAFileWithoutAnAttribute) {
  {
    RecordStore store(temp_ / "out");
    store.Remember(RecordFor("a.jpg", 1));
    store.Remember(RecordFor("a.jpg", 2));  // the later line wins
    store.Remember(RecordFor("b.jpg"));
    store.Flush();
  }
  RecordStore store(temp_ / "out");
  EXPECT_EQ(Read(store, "a.jpg"), RecordFor("a.jpg", 2));
  EXPECT_EQ(Read(store, "b.jpg"), std::nullopt);  // no such file
}

TEST_F(RecordStoreTest, SkipsALineCutShort_AndSpoilsNoLaterOne) {
  {
    RecordStore store(temp_ / "out");
    store.Remember(RecordFor("a.jpg", 1));
    store.Flush();
  }
  // A writer killed in the middle of its line.
  const std::string cut = FormatRecord(RecordFor("b.jpg")).substr(0, 60);
  const Descriptor fd(::open((temp_ / "out/" + kRecordIndexName).c_str(), O_WRONLY | O_APPEND));
  ASSERT_EQ(::write(fd.get(), cut.data(), cut.size()), static_cast<ssize_t>(cut.size()));
  {
    RecordStore store(temp_ / "out");
    store.Remember(RecordFor("a.jpg", 3));
    store.Flush();
  }
  RecordStore store(temp_ / "out");
  EXPECT_EQ(Read(store, "a.jpg"), RecordFor("a.jpg", 3));
}

TEST_F(RecordStoreTest, KeepsEveryLine_OfRunsWritingAtOnce) {
  constexpr int kRuns = 4;
  constexpr int kRecords = 700;  // several flushes of their own each
  std::vector<pid_t> children;
  for (int run = 0; run < kRuns; ++run) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RecordStore store(temp_ / "out");
      for (int i = 0; i < kRecords; ++i) {
        store.Remember(RecordFor(std::to_string(run) + "/" + std::to_string(i) + ".jpg"));
      }
      store.Flush();
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // Every run's records are there, each readable through a file of its path.
  RecordStore store(temp_ / "out");
  int found = 0;
  for (int run = 0; run < kRuns; ++run) {
    for (int i = 0; i < kRecords; i += 7) {
      const std::string relative = std::to_string(run) + "/" + std::to_string(i) + ".jpg";
      fixtures::WriteText(temp_ / "out/" + relative, "x");
      FolderHandle folder;
      OpenFolderAt(AT_FDCWD, temp_ / "out/" + std::to_string(run), FolderLinks::kFollow, folder);
      FileStamp stamp;
      const auto record = store.Read(folder.fd(), std::to_string(i) + ".jpg", relative, stamp);
      found += record == RecordFor(relative);
    }
  }
  EXPECT_EQ(found, kRuns * ((kRecords + 6) / 7));
}

TEST_F(RecordStoreTest, WritesTheIndexAfresh_WhenReplacedLinesMakeUpMostOfIt) {
  for (int round = 0; round < 6; ++round) {
    RecordStore store(temp_ / "out");
    for (int i = 0; i < 300; ++i) store.Remember(RecordFor("a.jpg", static_cast<std::uint64_t>(i)));
    store.Flush();
  }
  struct stat status {};
  ASSERT_EQ(::stat((temp_ / "out/" + kRecordIndexName).c_str(), &status), 0);
  EXPECT_LT(status.st_size, 300 * 200);  // far fewer lines than the 1800 written
  RecordStore store(temp_ / "out");
  EXPECT_EQ(Read(store, "a.jpg"), RecordFor("a.jpg", 299));
}

}  // namespace
}  // namespace quelmar
