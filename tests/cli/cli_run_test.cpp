#include "cli/cli_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/interrupt.h"
#include "cli/terminal_host.h"
#include "convert/run_control.h"
#include "support/bmp_builder.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/jpeg_segments.h"
#include "support/metadata_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Every case runs with --jobs 1, 2 and 8.
class CliRunTest : public ::testing::TestWithParam<int> {
 protected:
  CliRunTest() {
    WriteBytes(logo_, Bmp24Bytes(LogoRaster(10, 8)));
    std::filesystem::create_directories(out_);
    Photo("a/b/1.jpg", 1);
    Photo("a/2.JPG", 2);
    Photo("3.jpeg", 3);
    Photo("raw/4.jpg", 4);
  }

  void Photo(const std::string& relative, int seed, bool progressive = false) {
    WriteBytes(src_ + "/" + relative, JpegBytes(40, 30, seed, progressive));
  }

  int Run(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"quelmar-cli",
                                       "--logo",
                                       logo_,
                                       "--source",
                                       src_,
                                       "--output",
                                       out_ + "/",
                                       "--exclude",
                                       "raw",
                                       "-j",
                                       std::to_string(GetParam())};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out, err;
    const int status =
        RunCli(static_cast<int>(argv.size()), argv.data(), out, err, interrupt_, false);
    err_ = err.str();
    return status;
  }

  TempFolder temp_;
  const std::string logo_ = temp_ / "logo.bmp";
  const std::string src_ = temp_ / "写真";
  const std::string out_ = temp_ / "出力";
  std::atomic<bool> interrupt_{false};
  std::string err_;
};

TEST_P(CliRunTest, ExitsWith0_WhenEveryFileIsConverted) {
  EXPECT_EQ(Run(), 0) << err_;
  EXPECT_THAT(TreeListing(out_), ElementsAre("3.jpeg", "a/", "a/2.JPG", "a/b/", "a/b/1.jpg"));
  EXPECT_THAT(err_, HasSubstr("変換が終了しました"));
}

// The switch reaches the walk: with it an output keeps its source's comment and date, without
// it neither.
TEST_P(CliRunTest, KeepsTheSourcesCommentAndDate_OnlyWithKeepMetadata) {
  const std::string source = src_ + "/3.jpeg";
  WriteBytes(source, WithSegments(ReadBytes(source), {CommentSegment("kept")}));
  const auto date = std::filesystem::last_write_time(source) - std::chrono::hours(24 * 30);
  std::filesystem::last_write_time(source, date);
  const auto comments = [&] {
    std::vector<std::string> found;
    for (const JpegSegment& segment : JpegSegments(ReadBytes(out_ + "/3.jpeg"))) {
      if (segment.marker != 0xFE) continue;
      // The metadata library ends the text with a NUL byte, as readers expect of a C string.
      const std::string text(segment.payload.begin(), segment.payload.end());
      found.push_back(text.substr(0, text.find('\0')));
    }
    return found;
  };
  EXPECT_EQ(Run(), 0) << err_;
  EXPECT_THAT(comments(), IsEmpty());
  EXPECT_NE(std::filesystem::last_write_time(out_ + "/3.jpeg"), date);
  std::filesystem::remove_all(out_);
  std::filesystem::create_directories(out_);
  EXPECT_EQ(Run({"--keep-metadata"}), 0) << err_;
  EXPECT_THAT(comments(), ElementsAre("kept"));
  EXPECT_EQ(std::filesystem::last_write_time(out_ + "/3.jpeg"), date);
}

TEST_P(CliRunTest, ExitsWith1_AndGoesOn_WhenAFileCannotBeConverted) {
  WriteText(src_ + "/a/b/0.jpg", "not a jpeg");
  WriteText(src_ + "/a/empty.jpg", "");
  EXPECT_EQ(Run(), 1);
  EXPECT_THAT(err_, HasSubstr(src_ + "/a/b/0.jpg が読み込めませんでした 作業を続けますか？"));
  EXPECT_THAT(err_, HasSubstr(src_ + "/a/empty.jpg: ロゴ画像より小さい画像です"));
  EXPECT_TRUE(std::filesystem::exists(out_ + "/3.jpeg"));
}

TEST_P(CliRunTest, ExitsWith1_AndStops_WhenToldToStopOnError) {
  WriteText(src_ + "/a/b/0.jpg", "not a jpeg");
  EXPECT_EQ(Run({"--on-error", "stop"}), 1);
  EXPECT_THAT(err_, HasSubstr("変換を中断しました"));
  EXPECT_FALSE(std::filesystem::exists(out_ + "/3.jpeg"));
}

TEST_P(CliRunTest, ExitsWith2_AfterAFailedCheck_WithTheWindowsMessage) {
  EXPECT_EQ(Run({"--output", src_ + "/a"}), 2);
  EXPECT_THAT(err_, HasSubstr("出力先ディレクトリが元画像ディレクトリに含まれます"));
  EXPECT_EQ(Run({"--logo", ""}), 2);
  EXPECT_THAT(err_, HasSubstr("ロゴ画像が指定されていないか、ファイルがありません"));
  EXPECT_EQ(Run({"--quality", "101"}), 2);
  EXPECT_THAT(TreeListing(out_), IsEmpty());
}

TEST_P(CliRunTest, ExitsWith3_WhenAnErrorEndsTheRun) {
  std::filesystem::create_directories(out_ + "/a");
  MakeReadOnly(out_ + "/a");
  EXPECT_EQ(Run(), 3);
  EXPECT_THAT(err_, HasSubstr("を作成できません."));
}

TEST_P(CliRunTest, ExitsWith130_AndWritesNothing_WhenInterruptedBeforeTheRun) {
  interrupt_ = true;
  EXPECT_EQ(Run(), 130);
  EXPECT_THAT(err_, HasSubstr("変換を中断しました"));
  EXPECT_THAT(TreeListing(out_), IsEmpty());
}

TEST(Interrupt, SetsTheFlag_OnTheFirstSigint) {
  InstallInterruptHandler();
  std::raise(SIGINT);
  EXPECT_TRUE(InterruptFlag().load());
  // The handler has been reset: put the usual action back for the rest of the tests.
  std::signal(SIGINT, SIG_DFL);
}

// A terminal whose Ctrl-C arrives while the first file is being converted.
class InterruptedAfterFirstFile : public TerminalHost {
 public:
  InterruptedAfterFirstFile(const CliParameters& parameters, std::ostream& err,
                            std::atomic<bool>& interrupt)
      : TerminalHost(parameters, OnError::kContinue, err, interrupt, false),
        interrupt_(interrupt) {}
  void FileFinished(const FileOutcome& outcome) override {
    TerminalHost::FileFinished(outcome);
    interrupt_ = true;
  }

 private:
  std::atomic<bool>& interrupt_;
};

TEST_P(CliRunTest, StopsBeforeTheNextFile_WhenInterruptedDuringARun) {
  CliParameters parameters;
  parameters.texts[EditField::kLogo] = logo_;
  parameters.texts[EditField::kSource] = src_;
  parameters.texts[EditField::kOutput] = out_;
  parameters.fields.FJobs = GetParam();
  std::ostringstream err;
  InterruptedAfterFirstFile host(parameters, err, interrupt_);
  BitBtn1Click(host);
  EXPECT_TRUE(host.interrupted());
  EXPECT_THAT(TreeListing(out_), ElementsAre("a/", "a/b/", "a/b/1.jpg"));
  EXPECT_THAT(err.str(), HasSubstr("変換を中断しました"));
}

TEST_P(CliRunTest, WritesTheSameBytesAsTheWindowsRunControl) {
  Photo("a/b/progressive.jpg", 5, true);
  WriteText(src_ + "/a/bad.jpg", "text");
  const std::vector<std::string> options{"--position",  "4",   "--density", "200", "--mask", "2",
                                         "--threshold", "120", "--quality", "77"};
  ASSERT_EQ(Run(options), 1) << err_;

  const std::string window_out = temp_ / "window";
  std::filesystem::create_directory(window_out);
  FakeRunHost window;
  window.jobs = 1;
  window.fields = {{EditField::kLogo, logo_},
                   {EditField::kSource, src_ + "/"},
                   {EditField::kOutput, window_out + "/"},
                   {EditField::kExclusions, "raw"}};
  window.stamp = {4, 2, 200, 120};
  window.quality = 77;
  BitBtn1Click(window);

  const std::vector<std::string> listing = TreeListing(out_);
  ASSERT_EQ(TreeListing(window_out), listing);
  ASSERT_EQ(listing.size(), 6u);
  for (const std::string& entry : listing) {
    if (entry.back() == '/') continue;
    EXPECT_EQ(ReadBytes(out_ + "/" + entry), ReadBytes(window_out + "/" + entry)) << entry;
  }
}

// Photos the lossless mode cannot do exactly are named once per run, and the summary counts
// both kinds.
TEST_P(CliRunTest, LosslessRunNamesTheFirstFallbackOnceAndCountsThePhotos) {
  for (const char* name : {"a/5.jpg", "a/6.jpg"}) {
    std::vector<std::uint8_t> turned = JpegBytes(40, 30, 5);
    // An Exif block whose only tag turns the picture (orientation 6).
    const std::vector<std::uint8_t> exif = {
        0xFF, 0xE1, 0,    34,   'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
        1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 6,   0,   0,  0, 0, 0, 0, 0};
    turned.insert(turned.begin() + 2, exif.begin(), exif.end());
    WriteBytes(src_ + "/" + name, turned);
  }
  EXPECT_EQ(Run({"--lossless"}), 0) << err_;
  const std::string note = "Exif の向きが 1 以外のため、ロスレスではなく通常の変換で書きました";
  const std::size_t first = err_.find(note);
  EXPECT_NE(first, std::string::npos) << err_;
  EXPECT_EQ(err_.find(note, first + 1), std::string::npos) << err_;
  EXPECT_THAT(err_, HasSubstr("ロスレスで書いたファイル 3(うちハフマン表を作り直したもの 0)、"
                              "通常の変換で書いたファイル 2"));
  EXPECT_EQ(Run(), 0);
  EXPECT_THAT(err_, ::testing::Not(HasSubstr("ロスレス")));
}

INSTANTIATE_TEST_SUITE_P(Jobs, CliRunTest, ::testing::Values(1, 2, 8));

}  // namespace
}  // namespace quelmar
