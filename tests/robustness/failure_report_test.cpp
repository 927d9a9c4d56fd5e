// Failures are reported as failures, naming the file and the real cause: a source folder that
// cannot be read, an error that ends the run, an output folder on a read-only file system, an
// output folder found to lead into the source on the way. And a tree is
// listed with events running, so that a stop is seen before the first file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "convert/convert_file.h"
#include "convert/run_control.h"
#include "image/jpeg_file.h"
#include "robustness/isolated_child.h"
#include "robustness/robust_support.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::FakeRunHost;
using fixtures::TempFolder;
using fixtures::WriteBytes;

class FailureReport : public ::testing::Test {
 protected:
  FailureReport() {
    WriteBytes(logo_, fixtures::Bmp24Bytes(fixtures::LogoRaster(6, 4)));
    std::filesystem::create_directories(out_);
    host_.jobs = 2;
    host_.fields = {
        {EditField::kLogo, logo_}, {EditField::kSource, src_}, {EditField::kOutput, out_}};
  }

  void Photo(const std::string& relative, int seed = 0) {
    WriteBytes(src_ + "/" + relative, fixtures::JpegBytes(24, 16, seed));
  }
  std::vector<std::string> CliArguments() const {
    return {"--logo", logo_, "--source", src_, "--output", out_, "--jobs", "2"};
  }
  static std::string ErrorOf(FakeRunHost& host) {
    try {
      BitBtn1Click(host);
    } catch (const Error& error) {
      return error.what();
    }
    return {};
  }

  TempFolder temp_;
  const std::string logo_ = temp_ / "logo.bmp";
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  FakeRunHost host_;
};

// A folder that nobody but its owner may read; root reads any folder, so the runs are made
// by the user nobody.
class UnreadableFolder : public FailureReport {
 protected:
  UnreadableFolder() {
    Photo("a.jpg", 1);
    Photo("c/1.jpg", 2);
    Photo("locked/2.jpg", 3);
    std::filesystem::permissions(temp_.path(), std::filesystem::perms::all);
    std::filesystem::permissions(out_, std::filesystem::perms::all);
    std::filesystem::permissions(src_ + "/locked", std::filesystem::perms::none);
  }
  fixtures::ChildResult AsNobody(const std::function<int(std::ostream&)>& body) const {
    return fixtures::RunIsolated(fixtures::Isolation::kNobody, body, temp_ / "child.log");
  }
};

TEST_F(UnreadableFolder, IsCountedAsAFailedFileByTheConverter) {
  const fixtures::ChildResult result =
      AsNobody([&](std::ostream& err) { return fixtures::RunCliHere(CliArguments(), err); });
  if (result.status == fixtures::kChildCannot) GTEST_SKIP() << result.err;
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find(src_ + "/locked/ が読み込めませんでした 作業を続けますか？ はい"),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("変換したファイル 2、変換できなかったファイル 1"), std::string::npos)
      << result.err;
}

TEST_F(UnreadableFolder, AsksWhetherToGoOn_WithTheSystemsReasonInItsOutcome) {
  const fixtures::ChildResult result = AsNobody([&](std::ostream& err) {
    host_.answers = {false};
    BitBtn1Click(host_);
    for (const std::string& question : host_.questions) err << "question:" << question << '\n';
    for (const FileOutcome& outcome : host_.outcomes) {
      err << "outcome:" << static_cast<int>(outcome.result) << ':' << outcome.source << ':'
          << outcome.reason << '\n';
    }
    for (const std::string& message : host_.Messages()) err << "message:" << message << '\n';
    return 0;
  });
  if (result.status == fixtures::kChildCannot) GTEST_SKIP() << result.err;
  ASSERT_EQ(result.status, 0) << result.err;
  // c/1.jpg comes first; the locked folder is next, and No stops the run there.
  EXPECT_EQ(result.err,
            "question:" + src_ + "/locked/ が読み込めませんでした 作業を続けますか？\n" +
                "outcome:0:" + src_ + "/c/1.jpg:\n" + "outcome:" +
                std::to_string(static_cast<int>(FileOutcome::Result::kFolderNotRead)) + ":" + src_ +
                "/locked:" + SystemErrorText(EACCES) + "\n" + "message:" + kStoppedMessage + "\n");
}

// The code libjpeg gives the bytes, found by decoding them directly.
int DecodeErrorCode(const std::vector<std::uint8_t>& bytes) {
  try {
    Raster24 raster;
    DecodeJpeg(ParseJpegFile(bytes), raster);
  } catch (const EJpegError& error) {
    return error.code();
  }
  return -1;
}

TEST_F(FailureReport, AnErrorThatEndsTheRunNamesItsFile_InTheWindowAndTheConverter) {
  const std::vector<std::uint8_t> bytes = fixtures::UndecodableJpegBytes(24, 16);
  for (int i = 0; i < 6; ++i) Photo("sub/" + std::to_string(i) + ".jpg", i);
  WriteBytes(src_ + "/sub/3x.jpg", bytes);
  const std::string expected =
      FullPath(src_ + "/sub/3x.jpg") + ": JPEG エラー #" + std::to_string(DecodeErrorCode(bytes));
  EXPECT_EQ(ErrorOf(host_), expected);

  std::ostringstream err;
  EXPECT_EQ(fixtures::RunCliHere(CliArguments(), err), 3);
  EXPECT_NE(err.str().find(expected + ".\n"), std::string::npos) << err.str();
}

TEST_F(FailureReport, AnOutputFolderOnAReadOnlyFileSystemGivesThatReason) {
  struct Case {
    std::string photo;
    std::string named;  // the folder or file whose creation fails
  };
  for (const Case& each : {Case{"sub/a.jpg", out_ + "/sub"}, Case{"a.jpg", out_ + "/a.jpg"}}) {
    SCOPED_TRACE(each.photo);
    std::filesystem::remove_all(src_);
    Photo(each.photo);
    const fixtures::ChildResult result = fixtures::RunIsolated(
        fixtures::Isolation::kMountNamespace,
        [&](std::ostream& err) {
          if (!fixtures::BindMount(out_, out_, true, err)) return fixtures::kChildCannot;
          return fixtures::RunCliHere(CliArguments(), err);
        },
        temp_ / "child.log");
    if (result.status == fixtures::kChildCannot) {
      GTEST_SKIP() << "a read-only mount needs a mount namespace of the test's own: " << result.err;
    }
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "ファイル \"" + each.named + "\". " + SystemErrorText(EROFS) +
                              " を作成できません.\n");
  }
}

TEST_F(FailureReport, AnOutputSubFolderLinkedIntoTheSourceIsRefusedWithTheContainmentMessage) {
  Photo("a/1.jpg", 1);
  Photo("b/2.jpg", 2);
  std::filesystem::create_directory_symlink(src_ + "/a", out_ + "/a");
  const auto before = fixtures::TreeSnapshot(src_);
  EXPECT_EQ(ErrorOf(host_), out_ + "/a: " + kContainedMessage);
  EXPECT_EQ(fixtures::ChangedEntries(before, fixtures::TreeSnapshot(src_)),
            std::vector<std::string>{});
  EXPECT_FALSE(std::filesystem::exists(out_ + "/b"));
}

TEST_F(FailureReport, AStopWhileTheTreeIsListedIsSeenBeforeTheFirstFile) {
  Photo("a/1.jpg");
  for (int i = 0; i < 64; ++i)
    std::filesystem::create_directories(src_ + "/b/" + std::to_string(i));
  // Pumps before the first file: the click's own, the source's entry, its entry a, a's entry,
  // its one entry, and the one before a/1.jpg. The next comes while the tree is listed.
  host_.stop_at_pump = 7;
  BitBtn1Click(host_);
  EXPECT_EQ(host_.Messages(), std::vector<std::string>{kStoppedMessage});
  EXPECT_EQ(fixtures::TreeListing(out_), std::vector<std::string>{});
  EXPECT_EQ(host_.files_finished, 0);
}

TEST_F(FailureReport, EachFilesOutcomeReachesTheHostInWalkOrder) {
  Photo("a/good.jpg", 1);
  fixtures::WriteText(src_ + "/a/text.jpg", "not a jpeg");
  WriteBytes(src_ + "/small.jpeg", fixtures::JpegBytes(4, 3));
  BitBtn1Click(host_);
  ASSERT_EQ(host_.outcomes.size(), 3u);

  const FileOutcome& good = host_.outcomes[0];
  EXPECT_EQ(good.result, FileOutcome::Result::kConverted);
  EXPECT_EQ(good.source, src_ + "/a/good.jpg");
  EXPECT_EQ(good.output, out_ + "/a/good.jpg");
  EXPECT_EQ(good.message, "");
  EXPECT_EQ(good.bytes_in, std::filesystem::file_size(good.source));
  EXPECT_EQ(good.bytes_out, std::filesystem::file_size(good.output));
  EXPECT_GT(good.milliseconds, 0);

  const FileOutcome& text = host_.outcomes[1];
  EXPECT_EQ(text.result, FileOutcome::Result::kNotRead);
  EXPECT_EQ(text.message, src_ + "/a/text.jpg" + kNotReadSuffix);
  EXPECT_EQ(text.reason.rfind("JPEG エラー #", 0), 0u) << text.reason;
  EXPECT_FALSE(std::filesystem::exists(text.output));

  const FileOutcome& small = host_.outcomes[2];
  EXPECT_EQ(small.result, FileOutcome::Result::kSmallerThanLogo);
  EXPECT_EQ(small.source, src_ + "/small.jpeg");
  EXPECT_EQ(small.message, kSmallerThanLogo);
  EXPECT_EQ(small.bytes_in, std::filesystem::file_size(small.source));
  EXPECT_EQ(host_.questions.size(), 2u);
}

}  // namespace
}  // namespace quelmar
