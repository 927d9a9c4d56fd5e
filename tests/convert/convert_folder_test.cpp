#include "convert/convert_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "base/files.h"
#include "base/memory_budget.h"
#include "convert/comma_text.h"
#include "convert/convert_file.h"
#include "convert/walk_order.h"
#include "convert/work_ahead.h"
#include "support/fake_run_host.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Every case runs with 1, 2 and 8 worker threads: a run looks the same from outside.
class ConvertFolderTest : public ::testing::TestWithParam<int> {
 protected:
  ConvertFolderTest() {
    host_.state.FMark = LogoRaster(8, 8);
    host_.state.FStop = 0;
    host_.jobs = GetParam();
    std::filesystem::create_directory(out_);
  }

  void Photo(const std::string& relative, int seed = 0) {
    WriteBytes(src_ + "/" + relative, JpegBytes(24, 16, seed));
  }
  void Walk() { ConvertFolder(host_, src_, out_); }
  std::vector<std::string> Output() const { return TreeListing(out_); }

  TempFolder temp_;
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  FakeRunHost host_;
};

TEST_P(ConvertFolderTest, MirrorsNestedFolders_AndMakesNoFolderWithoutPhotos) {
  Photo("a/b/1.jpg");
  std::filesystem::create_directories(src_ + "/c/d");
  WriteText(src_ + "/c/notes.txt", "no photos here");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("a/", "a/b/", "a/b/1.jpg"));
  EXPECT_EQ(host_.state.FStop, 0);
}

TEST_P(ConvertFolderTest, CountsTheFiles_ListedBeforeTheFirstAndEachAsItIsDone) {
  Photo("a/b/1.jpg");
  Photo("2.jpg");
  WriteText(src_ + "/a/3.jpg", "text");
  std::filesystem::create_directories(src_ + "/c/d");
  Walk();
  // a/3.jpg, which cannot be read, counts as done too; folders count for nothing.
  EXPECT_THAT(host_.progress_at_file,
              ElementsAre(std::pair(1, 3), std::pair(2, 3), std::pair(3, 3)));
  EXPECT_EQ(host_.files_finished, 3);
  EXPECT_EQ(host_.state.tally.converted, 2);
  EXPECT_EQ(host_.state.tally.failed, 1);
}

TEST_P(ConvertFolderTest, SkipsExcludedNamesAtAnyDepth_ComparedExactly) {
  host_.state.FExceptFolders = ParseCommaText("raw, old");
  for (const char* folder : {"raw", "old", "Raw", "raw2", "keep/raw", "keep/old/x"}) {
    Photo(std::string(folder) + "/p.jpg");
  }
  Walk();
  EXPECT_THAT(Output(), ElementsAre("Raw/", "Raw/p.jpg", "raw2/", "raw2/p.jpg"));
}

TEST_P(ConvertFolderTest, SkipsQuotedNamesWithBlanks_ButSplitsUnquotedOnes) {
  Photo("my photos/p.jpg");
  Photo("tmp/p.jpg");
  Photo("my/p.jpg");
  host_.state.FExceptFolders = ParseCommaText("\"my photos\", tmp");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("my/", "my/p.jpg"));

  std::filesystem::remove_all(out_);
  host_.state.FExceptFolders = ParseCommaText("my photos, tmp");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("my photos/", "my photos/p.jpg"));
}

TEST_P(ConvertFolderTest, MatchesJpgThenJpegAnyCase_AndNothingElse) {
  for (const char* name : {"a.JPG", "b.jpeg", "c.Jpeg", "d.jpe", "e.jpg.txt", "f.jpg"}) {
    Photo(name);
  }
  // Unreadable files show the order of the two passes through their questions.
  for (const char* name : {"x.jpeg", "y.jpg"}) WriteText(src_ + "/" + name, "text");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("a.JPG", "b.jpeg", "c.Jpeg", "f.jpg"));
  EXPECT_THAT(host_.questions,
              ElementsAre(src_ + "/y.jpg が読み込めませんでした 作業を続けますか？",
                          src_ + "/x.jpeg が読み込めませんでした 作業を続けますか？"));
}

TEST_P(ConvertFolderTest, DoesNotEnterHiddenOrLinkedFolders_NorListHiddenFiles) {
  Photo(".hidden/p.jpg");
  Photo(".q.jpg");
  Photo("real/p.jpg");
  std::filesystem::create_directory_symlink(src_ + "/real", src_ + "/link");
  std::filesystem::create_symlink(src_ + "/real/p.jpg", src_ + "/linked.jpg");
  Walk();
  EXPECT_THAT(Output(), ElementsAre("linked.jpg", "real/", "real/p.jpg"));
}

TEST_P(ConvertFolderTest, GoesOn_WhenTheUserAnswersYes) {
  WriteText(src_ + "/a.jpg", "");
  Photo("b.jpg");
  Walk();
  EXPECT_THAT(host_.questions, ElementsAre("ロゴ画像より小さい画像です 作業を続けますか？"));
  EXPECT_THAT(Output(), ElementsAre("b.jpg"));
  EXPECT_EQ(host_.progress_position, 2);
}

TEST_P(ConvertFolderTest, StopsTheWholeRun_WhenTheUserAnswersNo) {
  WriteText(src_ + "/a/bad.jpg", "text");
  Photo("a/good.jpg");
  Photo("b/p.jpg");
  Photo("top.jpg");
  host_.answers = {false};
  Walk();
  EXPECT_EQ(host_.state.FStop, 1);
  EXPECT_EQ(host_.questions.size(), 1u);
  EXPECT_THAT(Output(), ElementsAre("a/"));
  EXPECT_EQ(host_.progress_position, 1);  // the failed file; the run stops before the next
}

TEST_P(ConvertFolderTest, StopsBeforeTheNextFile_KeepingTheFilesWritten) {
  Photo("1.jpg", 1);
  Photo("2.jpg", 2);
  Photo("3.jpg", 3);
  // Pumps: the folder's entry, one per listed entry (3), then one before each file.
  host_.stop_at_pump = 1 + 3 + 2;
  Walk();
  EXPECT_THAT(Output(), ElementsAre("1.jpg"));
  EXPECT_EQ(host_.progress_max, 3);
  EXPECT_EQ(host_.progress_position, 1);
}

TEST_P(ConvertFolderTest, ReturnsAtOnce_WhenStoppedAtTheFoldersEntry) {
  Photo("1.jpg");
  host_.stop_at_pump = 1;
  Walk();
  EXPECT_THAT(Output(), IsEmpty());
  EXPECT_EQ(host_.progress_max, 0);
}

TEST_P(ConvertFolderTest, StopsInsideASubFolder_WithoutCountingTheParents) {
  Photo("a/1.jpg");
  Photo("z.jpg");
  // src entry, src listing "a", a entry, a listing "1.jpg", before a/1.jpg: the tree is
  // listed (and its files counted) at its first JPEG, whichever slice of a run it falls in.
  host_.stop_at_pump = 5;
  Walk();
  EXPECT_THAT(Output(), IsEmpty());
  EXPECT_EQ(host_.progress_max, 2);
  EXPECT_EQ(host_.progress_position, 0);
}

TEST_P(ConvertFolderTest, LetsAWriteErrorEndTheWalk) {
  Photo("a/p.jpg");
  Photo("b/p.jpg");
  std::filesystem::create_directory(out_ + "/a");
  MakeReadOnly(out_ + "/a");
  EXPECT_THROW(Walk(), EFCreateError);
  EXPECT_FALSE(std::filesystem::exists(out_ + "/b"));
}

// Sets the bytes of work ahead of the walk for one case.
class WorkAheadBound {
 public:
  explicit WorkAheadBound(std::size_t bytes) { SetWorkAheadBytes(bytes); }
  ~WorkAheadBound() { SetWorkAheadBytes(0); }
  WorkAheadBound(const WorkAheadBound&) = delete;
  WorkAheadBound& operator=(const WorkAheadBound&) = delete;
};

TEST_P(ConvertFolderTest, AppliesAChangedParameterAndLogo_ToTheFilesStartedAfterIt) {
  // The files whose work starts when the walk takes the first one: as many as the bytes ahead
  // hold, whatever the number of workers.
  const int started = 3;
  const int files = started + 3;
  for (int i = 0; i < files; ++i) Photo("p" + std::to_string(10 + i) + ".jpg", 1);
  const std::size_t size = ReadBytes(src_ + "/p10.jpg").size();
  const WorkAheadBound bound(started * size + size / 2);
  host_.quality = 10;
  const SharedLogo old_logo = host_.state.FMark;
  const Raster24 new_logo = LogoRaster(6, 10);
  // The user moves the quality slider and picks another logo while events run before the
  // second file.
  host_.on_pump = [&](int pump) {
    if (pump == 1 + files + 2) {
      host_.quality = 95;
      host_.state.FMark = new_logo;
    }
  };
  Walk();

  const std::string sample = src_ + "/p10.jpg";
  const std::vector<std::uint8_t> before = StampJpegFile(sample, old_logo, host_.stamp, 10).bytes;
  const std::vector<std::uint8_t> after = StampJpegFile(sample, new_logo, host_.stamp, 95).bytes;
  ASSERT_NE(before, after);
  for (int i = 0; i < files; ++i) {
    const std::string name = "p" + std::to_string(10 + i) + ".jpg";
    EXPECT_EQ(ReadBytes(out_ + "/" + name), i < started ? before : after) << name;
  }
}

TEST_P(ConvertFolderTest, WritesTheSameBytes_AsOneFileAfterAnother) {
  for (int i = 0; i < 12; ++i) {
    WriteBytes(src_ + "/" + std::string(1, static_cast<char>('a' + i % 3)) + "/" +
                   std::to_string(i) + (i % 2 ? ".jpg" : ".JPEG"),
               JpegBytes(24 + i, 16 + i, i, i % 3 == 0));
  }
  WriteText(src_ + "/b/bad.jpg", "text");
  host_.stamp = {kBottomCentre, mkWhiteOnBlack, 180, 100};
  Walk();

  const std::string reference = temp_ / "reference";
  FakeRunHost one;
  one.state.FMark = host_.state.FMark;
  one.state.FStop = 0;
  one.stamp = host_.stamp;
  one.jobs = 1;
  ConvertFolder(one, src_, reference);
  EXPECT_EQ(host_.questions, one.questions);
  EXPECT_EQ(host_.pumps, one.pumps);
  const std::vector<std::string> listing = Output();
  ASSERT_EQ(listing, TreeListing(reference));
  ASSERT_EQ(listing.size(), 3u + 12u);
  for (const std::string& entry : listing) {
    if (entry.back() == '/') continue;
    EXPECT_EQ(ReadBytes(out_ + "/" + entry), ReadBytes(reference + "/" + entry)) << entry;
  }
}

TEST_P(ConvertFolderTest, WritesNothingAfterTheStopPoint_ThoughWorkWasDoneAhead) {
  for (int i = 0; i < 20; ++i) Photo(std::to_string(10 + i) + ".jpg", i);
  // Pumps: the folder's entry, one per listed entry (20), then one before each file; the stop
  // comes before the fifth file.
  host_.stop_at_pump = 1 + 20 + 5;
  Walk();
  EXPECT_THAT(Output(), ElementsAre("10.jpg", "11.jpg", "12.jpg", "13.jpg"));
  EXPECT_EQ(host_.files_finished, 4);
}

// The threads of this process.
std::size_t ThreadCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

TEST_P(ConvertFolderTest, EndsItsWorkers_WhenTheRunStopsOrAnErrorEndsIt) {
  for (int i = 0; i < 12; ++i) Photo(std::to_string(10 + i) + ".jpg", i);
  const std::size_t threads = ThreadCount();
  int workers_seen = 0;
  host_.on_pump = [&](int pump) {
    if (pump == 1 + 12 + 2) {
      workers_seen = static_cast<int>(ThreadCount() - threads);
      host_.state.FStop = 1;
    }
  };
  Walk();
  EXPECT_EQ(workers_seen, GetParam());
  EXPECT_EQ(ThreadCount(), threads);

  host_.on_pump = nullptr;
  host_.state.FStop = 0;
  WriteBytes(src_ + "/12x.jpg", UndecodableJpegBytes(24, 16));
  EXPECT_THROW(Walk(), EJpegError);
  EXPECT_EQ(ThreadCount(), threads);
}

TEST_P(ConvertFolderTest, AsksWhenTheWalkReachesAFailedFile_WithNothingAfterItWritten) {
  Photo("a/01.jpg");
  WriteText(src_ + "/a/02.jpg", "text");
  for (int i = 3; i < 12; ++i) Photo("a/" + std::to_string(100 + i) + ".jpg", i);
  Photo("z.jpg");
  std::vector<std::string> written_at_question;
  host_.on_question = [&] { written_at_question = Output(); };
  host_.answers = {false};
  Walk();
  EXPECT_THAT(written_at_question, ElementsAre("a/", "a/01.jpg"));
  EXPECT_THAT(Output(), ElementsAre("a/", "a/01.jpg"));
  EXPECT_EQ(host_.state.FStop, 1);
}

TEST_P(ConvertFolderTest, EndsTheRunAtTheFileWhoseDecodingFails) {
  for (int i = 0; i < 10; ++i) Photo(std::to_string(i) + ".jpg", i);
  WriteBytes(src_ + "/4x.jpg", UndecodableJpegBytes(24, 16));
  EXPECT_THROW(Walk(), EJpegError);
  EXPECT_THAT(Output(), ElementsAre("0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"));
  EXPECT_EQ(host_.files_finished, 5);
}

TEST_P(ConvertFolderTest, ConvertsFilesThatAppearOrVanishDuringTheRun) {
  Photo("a/1.jpg", 1);
  Photo("z/3.jpg", 3);
  Photo("z/4.jpg", 4);
  // After the first file's work started, z changes before the walk lists it.
  host_.on_pump = [&](int pump) {
    if (pump == 6) {
      Photo("z/2.jpg", 2);
      std::filesystem::remove(src_ + "/z/4.jpg");
    }
  };
  Walk();
  EXPECT_THAT(Output(), ElementsAre("a/", "a/1.jpg", "z/", "z/2.jpg", "z/3.jpg"));
  EXPECT_THAT(host_.questions, IsEmpty());
  EXPECT_EQ(ReadBytes(out_ + "/z/2.jpg"),
            StampJpegFile(src_ + "/z/2.jpg", host_.state.FMark, host_.stamp, host_.quality).bytes);
}

TEST_P(ConvertFolderTest, RemovesTheTemporaryFilesOfAKilledRun_WhereItWrites) {
  Photo("a/1.jpg");
  const std::string stale = out_ + "/a/.1.jpg.quelmar-tmp-2147483647";  // no such process
  WriteText(stale, "half a photo");
  Walk();
  EXPECT_TRUE(IsReplaceTemporaryName(std::filesystem::path(stale).filename().string()))
      << "the stand-in must look like ReplaceFile's temporary files";
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_THAT(Output(), ElementsAre("a/", "a/1.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConvertFolderTest, ::testing::Values(1, 2, 8));

// A folder of photos of many sizes, with its largest (progressive) photo last in the walk and
// an unreadable file among them; the files ahead are started largest first.
class ConvertMixedFolderTest : public ConvertFolderTest {
 protected:
  ConvertMixedFolderTest() {
    for (int i = 0; i < 4; ++i) {
      WriteBytes(src_ + "/a/" + std::to_string(i) + ".jpg", JpegBytes(32 + 8 * i, 24 + 4 * i, i));
    }
    WriteBytes(src_ + "/b/mid.jpg", JpegBytes(200, 150, 5, true));
    WriteBytes(src_ + "/m1.jpg", NoiseJpegBytes(96, 64, 3));
    WriteText(src_ + "/m2.jpg", "not a photo");
    WriteBytes(src_ + "/m3.jpg", JpegBytes(24, 16, 9));
    WriteBytes(src_ + "/z.jpeg", JpegBytes(640, 480, 7, true));
    order_ = ListWalkOrder(src_, {});
    for (const std::string& path : order_) sizes_.push_back(ReadBytes(path).size());
  }

  // The quality of the files the walk's Take number k starts: it changes before every file, so
  // each output tells when its work was started.
  static std::int32_t QualityAt(std::size_t k) { return 40 + static_cast<std::int32_t>(k); }

  // Walks with the quality changing before every file, checking at every event pump that the
  // files written are exactly those reported so far, in the walk's order.
  void WalkChangingQuality() {
    host_.on_pump = [&](int) {
      host_.quality = QualityAt(host_.outcomes.size());
      std::vector<std::string> written;
      for (const std::string& entry : Output()) {
        if (entry.back() != '/') written.push_back(out_ + "/" + entry);
      }
      std::vector<std::string> reported;
      for (const FileOutcome& outcome : host_.outcomes) {
        if (outcome.converted()) reported.push_back(outcome.output);
      }
      std::sort(written.begin(), written.end());
      std::sort(reported.begin(), reported.end());
      EXPECT_EQ(written, reported) << "after " << host_.outcomes.size() << " files";
    };
    Walk();
  }

  // The Take that starts file i when the files ahead may hold bound bytes: the first file the
  // walk waits for from which the files up to i fit (i itself when none does).
  std::size_t StartedAt(std::size_t i, std::size_t bound) const {
    for (std::size_t at = 0; at < i; ++at) {
      std::size_t sum = 0;
      for (std::size_t j = at; j <= i; ++j) sum += sizes_[j];
      if (sum <= bound) return at;
    }
    return i;
  }

  // Every output is the file converted alone, at the quality of the Take that started it.
  void ExpectStartedWithin(std::size_t bound) {
    ASSERT_EQ(host_.outcomes.size(), order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
      const FileOutcome& outcome = host_.outcomes[i];
      EXPECT_EQ(outcome.source, order_[i]);
      const StampedJpeg alone =
          StampJpegFile(order_[i], host_.state.FMark, host_.stamp, QualityAt(StartedAt(i, bound)));
      EXPECT_EQ(outcome.result, alone.result) << order_[i];
      if (outcome.converted()) {
        EXPECT_EQ(ReadBytes(outcome.output), alone.bytes) << order_[i];
      }
    }
  }

  std::vector<std::string> order_;
  std::vector<std::size_t> sizes_;
};

TEST_P(ConvertMixedFolderTest, StartsEachFileWhenItFitsTheBytesAhead_AndWritesInTheWalksOrder) {
  ASSERT_EQ(order_.size(), 9u);
  ASSERT_EQ(order_.back(), src_ + "/z.jpeg");
  std::size_t total = 0;
  for (const std::size_t size : sizes_) total += size;
  // Only the file waited for; a third of the folder; the whole folder at once.
  for (const std::size_t bound : {std::size_t{1}, total / 3, total}) {
    std::filesystem::remove_all(out_);
    std::filesystem::create_directory(out_);
    host_.outcomes.clear();
    const WorkAheadBound ahead(bound);
    WalkChangingQuality();
    ExpectStartedWithin(bound);
  }
}

// A budget that holds the largest photo's decoding alone but not beside another's: the files
// wait for each other's memory instead of failing, whatever the order they are started in.
TEST_P(ConvertMixedFolderTest, ConvertsEveryFileAlike_WhenTheMemoryBudgetHoldsOnePhotoAtATime) {
  std::size_t total = 0;
  for (const std::size_t size : sizes_) total += size;
  const WorkAheadBound ahead(total);
  const std::size_t held_before = MemoryInUse();  // the logo's pixels
  SetMemoryBudget(std::size_t{56} << 20);
  WalkChangingQuality();
  SetMemoryBudget(0);
  EXPECT_THAT(host_.questions, ::testing::SizeIs(1));  // the unreadable file, asked about once
  ExpectStartedWithin(total);
  EXPECT_EQ(MemoryInUse(), held_before);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConvertMixedFolderTest, ::testing::Values(1, 2, 8));

}  // namespace
}  // namespace quelmar

namespace quelmar {
namespace {

class ConvertFolderLosslessTest : public ConvertFolderTest {};

// With the lossless mode on, every worker count writes the same bytes as one worker, and each
// file's outcome says how it was stamped.
TEST_P(ConvertFolderLosslessTest, WritesTheSameBytesAtAnyJobsAndReportsEveryPhoto) {
  for (int i = 0; i < 6; ++i) {
    WriteBytes(src_ + "/" + std::to_string(i) + ".jpg", JpegBytes(40 + i, 24 + i, i, i % 3 == 0));
  }
  host_.lossless = true;
  Walk();
  FakeRunHost one;
  one.state.FMark = host_.state.FMark;
  one.state.FStop = 0;
  one.jobs = 1;
  one.lossless = true;
  const std::string reference = temp_ / "reference";
  ConvertFolder(one, src_, reference);
  ASSERT_EQ(host_.outcomes.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const std::string name = std::to_string(i) + ".jpg";
    const FileOutcome& outcome = host_.outcomes[static_cast<std::size_t>(i)];
    EXPECT_EQ(outcome.source, src_ + "/" + name);
    ASSERT_TRUE(outcome.lossless.has_value()) << name;
    EXPECT_EQ(outcome.lossless->outcome,
              i % 3 == 0 ? LosslessOutcome::kRewritten : LosslessOutcome::kSpliced);
    EXPECT_EQ(ReadBytes(out_ + "/" + name), ReadBytes(reference + "/" + name));
  }
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConvertFolderLosslessTest, ::testing::Values(1, 2, 8));

}  // namespace
}  // namespace quelmar
