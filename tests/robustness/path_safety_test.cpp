// Output folders that lead back into the source, awkward file names and link loops.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/run_control.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

class PathSafety : public ::testing::Test {
 protected:
  PathSafety() {
    WriteBytes(temp_ / "logo.bmp", Bmp24Bytes(LogoRaster(6, 4)));
    std::filesystem::create_directories(temp_ / "out");
  }

  void Photo(const std::string& relative, int seed = 0) {
    WriteBytes(src_ + "/" + relative, JpegBytes(24, 16, seed));
  }

  ChildResult Run(const std::string& output, const std::string& source = {}) {
    return RunCliChild(
        {"--logo", temp_ / "logo.bmp", "--source=" + (source.empty() ? src_ : source),
         "--output=" + output, "--jobs", "2"},
        temp_ / "run.log", std::chrono::seconds(60));
  }

  TempFolder temp_;
  std::string src_ = temp_ / "src";
};

TEST_F(PathSafety, OutputFoldersThatLeadBackIntoTheSourceAreRefused) {
  Photo("a/1.jpg");
  Photo("2.jpg");
  std::filesystem::create_directory_symlink(src_ + "/a", temp_ / "link-to-a");
  std::filesystem::create_directory_symlink(src_, temp_ / "out/link-to-src");
  const auto before = TreeSnapshot(src_);
  for (const std::string& output :
       {src_, src_ + "/", src_ + "/a", temp_ / "link-to-a", temp_ / "out/link-to-src",
        temp_ / "out/link-to-src/a/", temp_ / "out/../src/a", src_ + "/a/../../src",
        temp_ / "out//..//src"}) {
    SCOPED_TRACE(output);
    const ChildResult result = Run(output);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(kContainedMessage), std::string::npos) << result.err;
    EXPECT_EQ(ChangedEntries(before, TreeSnapshot(src_)), std::vector<std::string>{});
  }
}

TEST_F(PathSafety, OutputFolderAboveTheSourceNeverWritesIntoTheSource) {
  // The source folder is called "p" and holds a folder "p" of its own: with the source's
  // parent as the output, p/p/1.jpg would be written to p/1.jpg, a source file.
  Photo("p/1.jpg", 1);
  Photo("1.jpg", 2);
  const auto before = TreeSnapshot(src_);
  std::filesystem::rename(src_, temp_ / "out/p");
  const std::string source = temp_ / "out/p";
  Run(temp_ / "out", source);
  EXPECT_EQ(ChangedEntries(before, TreeSnapshot(source)), std::vector<std::string>{});
}

TEST_F(PathSafety, LinkedFolderInsideTheOutputNeverLeadsAWriteIntoTheSource) {
  Photo("a/1.jpg", 3);
  const auto before = TreeSnapshot(src_);
  std::filesystem::create_directory_symlink(src_ + "/a", temp_ / "out/a");
  Run(temp_ / "out");
  EXPECT_EQ(ChangedEntries(before, TreeSnapshot(src_)), std::vector<std::string>{});
}

TEST_F(PathSafety, AwkwardFileNamesConvert) {
  const std::string long_name = std::string(251, 'x') + ".jpg";  // 255 bytes
  std::string long_japanese;
  while (long_japanese.size() + 3 <= 255 - 4) long_japanese += "写";
  long_japanese += std::string(255 - 4 - long_japanese.size(), 'y') + ".jpg";
  ASSERT_EQ(long_japanese.size(), 255u);
  const std::vector<std::string> names = {"with space.jpg",
                                          "double\"quote.jpg",
                                          "single'quote.jpg",
                                          "new\nline.jpg",
                                          "-leading dash.jpg",
                                          "--output.jpg",
                                          "写真 ミルテカ.jpg",
                                          "tab\there.JPEG",
                                          long_name,
                                          long_japanese,
                                          "-dash folder/\"quoted\" 日本/inner.jpg",
                                          "new\nline folder/x.jpg"};
  for (std::size_t i = 0; i < names.size(); ++i) Photo(names[i], static_cast<int>(i));
  const auto before = TreeSnapshot(src_);
  const ChildResult result = Run(temp_ / "out");
  EXPECT_EQ(result.status, 0) << result.err;
  for (const std::string& name : names) {
    EXPECT_TRUE(IsCompleteJpeg(temp_ / "out/" + name)) << name;
  }
  EXPECT_EQ(ChangedEntries(before, TreeSnapshot(src_)), std::vector<std::string>{});
}

TEST_F(PathSafety, SourceTreeWithSymbolicLinkLoopsTerminates) {
  Photo("a/1.jpg");
  Photo("a/b/2.jpg");
  std::filesystem::create_directory_symlink("..", src_ + "/a/b/up");
  std::filesystem::create_directory_symlink(src_, src_ + "/a/root");
  std::filesystem::create_symlink("self.jpg", src_ + "/a/self.jpg");  // a link to itself
  std::filesystem::create_symlink("ping", src_ + "/a/pong");
  std::filesystem::create_symlink("pong", src_ + "/a/ping");
  const auto before = TreeSnapshot(src_);
  const ChildResult result = Run(temp_ / "out");
  EXPECT_FALSE(result.timed_out);
  EXPECT_TRUE(IsCompleteJpeg(temp_ / "out/a/1.jpg"));
  EXPECT_TRUE(IsCompleteJpeg(temp_ / "out/a/b/2.jpg"));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out/a/b/up"));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out/a/root"));
  EXPECT_EQ(ChangedEntries(before, TreeSnapshot(src_)), std::vector<std::string>{});
}

}  // namespace
}  // namespace quelmar
