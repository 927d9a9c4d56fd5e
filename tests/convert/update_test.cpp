// Runs that convert only what changed (an update), one slice of a tree, or nothing at all (a
// dry run), checked against what a plain full run writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "convert/convert_folder.h"
#include "convert/record_store.h"
#include "convert/run_control.h"
#include "settings/settings_table.h"
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
using fixtures::TreeListing;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

using Result = FileOutcome::Result;

const std::vector<std::string> kPhotos = {"1.jpg",     "2.jpeg",     "a/3.JPG", "a/b/4.jpg",
                                          "a/b/5.jpg", "写真/6.jpg", "c/7.jpg", "c/8.jpg"};

// The files below root with their bytes, hidden ones (the record index) left out.
std::map<std::string, std::vector<std::uint8_t>> Files(const std::string& root) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const std::string& entry : TreeListing(root)) {
    if (entry.back() == '/' || entry.find("/.") != std::string::npos || entry[0] == '.') continue;
    files[entry] = fixtures::ReadBytes(root + "/" + entry);
  }
  return files;
}

// The modification time of a file, to the nanosecond.
timespec ModificationTime(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtim;
}

void SetModificationTime(const std::string& path, timespec when) {
  const timespec times[2] = {when, when};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class UpdateTest : public ::testing::TestWithParam<int> {
 protected:
  UpdateTest() {
    std::filesystem::create_directories(out_);
    for (std::size_t i = 0; i < kPhotos.size(); ++i) Photo(kPhotos[i], static_cast<int>(i));
    logo_ = fixtures::LogoRaster(8, 6);
  }

  void Photo(const std::string& relative, int seed) {
    fixtures::WriteBytes(src_ + "/" + relative, fixtures::JpegBytes(32, 24, seed));
  }

  // One run into output with selection; the outcomes by relative path.
  std::map<std::string, Result> Run(const RunSelection& selection, const std::string& output,
                                    const std::function<void(FakeRunHost&)>& adjust = {}) {
    FakeRunHost host;
    host.state.FMark = logo_;
    host.state.FStop = 0;
    host.jobs = GetParam();
    host.stamp = stamp_;
    host.quality = quality_;
    host.lossless = lossless_;
    host.keep_metadata = keep_metadata_;
    host.settings = settings_;
    host.selection = selection;
    if (adjust) adjust(host);
    counts_ = ConvertFolder(host, src_, output);
    std::map<std::string, Result> outcomes;
    for (const FileOutcome& outcome : host.outcomes) {
      EXPECT_TRUE(outcomes.emplace(outcome.relative, outcome.result).second) << outcome.relative;
    }
    listed_ = host.listed;
    return outcomes;
  }
  std::map<std::string, Result> Update(const std::string& output) {
    return Run({std::nullopt, true, false}, output);
  }
  std::map<std::string, Result> Update() { return Update(out_); }

  // What a plain full run writes with the current sources and settings.
  std::map<std::string, std::vector<std::uint8_t>> Reference() {
    const std::string reference = temp_ / ("reference" + std::to_string(references_++));
    std::filesystem::create_directories(reference);
    Run({}, reference);
    return Files(reference);
  }

  // The paths whose outcome was result.
  static std::vector<std::string> With(const std::map<std::string, Result>& outcomes,
                                       Result result) {
    std::vector<std::string> paths;
    for (const auto& [path, outcome] : outcomes) {
      if (outcome == result) paths.push_back(path);
    }
    return paths;
  }

  TempFolder temp_;
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  Raster24 logo_;
  StampSettings stamp_{kBottomRight, mkColor, 180, 250};
  std::int32_t quality_ = 85;
  bool lossless_ = false;
  bool keep_metadata_ = false;
  std::map<std::string, std::int32_t, std::less<>> settings_;  // further settings, by key
  RunTally counts_;
  std::vector<ListedCounts> listed_;
  int references_ = 0;
};

TEST_P(UpdateTest, SkipsEveryFile_WhoseOutputIsUpToDate_AndTouchesNoOutput) {
  const auto first = Update();
  EXPECT_EQ(With(first, Result::kConverted).size(), kPhotos.size());
  EXPECT_EQ(Files(out_), Reference());
  std::map<std::string, timespec> times;
  for (const std::string& photo : kPhotos) times[photo] = ModificationTime(out_ + "/" + photo);

  const auto second = Update();
  EXPECT_THAT(With(second, Result::kSkipped), UnorderedElementsAreArray(kPhotos));
  EXPECT_EQ(counts_.skipped, kPhotos.size());
  EXPECT_EQ(counts_.converted, 0u);
  EXPECT_THAT(listed_, ElementsAre(ListedCounts{0, 8, 8}));
  for (const std::string& photo : kPhotos) {
    const timespec now = ModificationTime(out_ + "/" + photo);
    EXPECT_TRUE(now.tv_sec == times[photo].tv_sec && now.tv_nsec == times[photo].tv_nsec) << photo;
  }
}

TEST_P(UpdateTest, ConvertsWhatWasAddedOrChanged_AndOnlyThat) {
  Update();
  Photo("new/9.jpg", 9);  // added
  Photo("a/3.JPG", 33);   // new content and time
  const timespec old = ModificationTime(src_ + "/c/7.jpg");
  Photo("c/7.jpg", 77);  // new content, old time (same size?)
  SetModificationTime(src_ + "/c/7.jpg", old);
  SetModificationTime(src_ + "/1.jpg", {1000000000, 0});  // touched only
  std::filesystem::remove(src_ + "/c/8.jpg");             // deleted: its output stays
  std::filesystem::remove(out_ + "/2.jpeg");              // an output deleted
  const bool same_size =
      std::filesystem::file_size(src_ + "/c/7.jpg") == fixtures::JpegBytes(32, 24, 6).size();

  const auto outcomes = Update();
  std::vector<std::string> expected = {"1.jpg", "2.jpeg", "a/3.JPG", "new/9.jpg"};
  // Content changed behind an unchanged time is seen only through the size.
  if (!same_size) expected.push_back("c/7.jpg");
  EXPECT_THAT(With(outcomes, Result::kConverted), UnorderedElementsAreArray(expected));
  EXPECT_EQ(outcomes.size(), kPhotos.size());  // 8 - 1 deleted + 1 added
  auto reference = Reference();
  auto written = Files(out_);
  EXPECT_TRUE(written.contains("c/8.jpg"));
  written.erase("c/8.jpg");
  if (same_size) {
    written.erase("c/7.jpg");
    reference.erase("c/7.jpg");
  }
  EXPECT_EQ(written, reference);
}

TEST_P(UpdateTest, ConvertsEverythingAgain_AfterAChangeOfAnySetting) {
  const std::vector<std::pair<std::string, std::function<void()>>> changes = {
      {"position", [&] { stamp_.FPosition = kTopLeft; }},
      {"density", [&] { stamp_.FAlpha = 181; }},
      {"mask", [&] { stamp_.FMaskType = mkWhiteOnBlack; }},
      {"threshold", [&] { stamp_.FThreshold = 100; }},
      {"quality", [&] { quality_ = 86; }},
      {"lossless", [&] { lossless_ = true; }},
      {"keep metadata", [&] { keep_metadata_ = true; }},  // and the source's date on the output
      {"logo", [&] { logo_.Row(3)[3 * 3] ^= 0x40; }},
  };
  Update();
  for (const auto& [name, change] : changes) {
    change();
    const auto outcomes = Update();
    EXPECT_EQ(With(outcomes, Result::kConverted).size(), kPhotos.size()) << name;
    EXPECT_EQ(Files(out_), Reference()) << name;
    EXPECT_EQ(With(Update(), Result::kSkipped).size(), kPhotos.size()) << name;
  }
}

// Every setting of the table, by its row: one that can change an output's bytes makes every
// output again, one that leaves them alone makes none (rows added later are taken in too).
TEST_P(UpdateTest, ConvertsAgain_AfterAChangeOfEverySettingThatCanChangeAnOutput_AndOnlyThen) {
  Update();
  for (const SettingSpec& setting_row : SettingsTable()) {
    if (setting_row.is_text()) continue;  // paths and texts: the record holds none of them
    // The value the last run had: the fake's own fields, else the setting's default.
    SettingsFields fields;
    fields.stamp = stamp_;
    fields.FQuality = quality_;
    const std::int32_t value = settings_.contains(setting_row.key)
                                   ? settings_[std::string(setting_row.key)]
                                   : NumberOf(setting_row, fields);
    settings_[std::string(setting_row.key)] =
        value == setting_row.maximum ? setting_row.minimum : setting_row.maximum;
    const auto outcomes = Update();
    const std::size_t expected = setting_row.leaves_output_alone ? 0 : kPhotos.size();
    EXPECT_EQ(With(outcomes, Result::kConverted).size(), expected) << setting_row.key;
    EXPECT_EQ(With(outcomes, Result::kSkipped).size(), kPhotos.size() - expected)
        << setting_row.key;
  }
}

TEST_P(UpdateTest, NeverTrustsAMissingDamagedOrCopiedRecord) {
  Update();
  const auto record = [&](const std::string& photo) { return out_ + "/" + photo; };
  // a/b/4.jpg's output is copied, record and times and all, over a/b/5.jpg's.
  ASSERT_EQ(
      std::system(("cp -a '" + record("a/b/4.jpg") + "' '" + record("a/b/5.jpg") + "'").c_str()),
      0);
  ::removexattr(record("1.jpg").c_str(), kRecordAttribute);
  ::setxattr(record("2.jpeg").c_str(), kRecordAttribute, "quelmar-record/1 garbage", 24, 0);
  ::setxattr(record("c/7.jpg").c_str(), kRecordAttribute, "", 0, 0);
  // Another file of the same name put in place of an output.
  fixtures::WriteBytes(record("c/8.jpg"), fixtures::JpegBytes(32, 24, 99));

  const auto outcomes = Update();
  EXPECT_THAT(With(outcomes, Result::kConverted),
              UnorderedElementsAreArray({"1.jpg", "2.jpeg", "a/b/5.jpg", "c/7.jpg", "c/8.jpg"}));
  EXPECT_EQ(Files(out_), Reference());
}

TEST_P(UpdateTest, KeepsNoRecord_WithoutAnUpdate) {
  Run({}, out_);
  for (const std::string& photo : kPhotos) {
    EXPECT_LT(::getxattr((out_ + "/" + photo).c_str(), kRecordAttribute, nullptr, 0), 0) << photo;
  }
  EXPECT_THAT(fixtures::TreeListing(out_), ::testing::Not(::testing::Contains(kRecordIndexName)));
  // So the first update converts everything.
  EXPECT_EQ(With(Update(), Result::kConverted).size(), kPhotos.size());
}

TEST_P(UpdateTest, KeepsRecordsInAnIndex_WhereTheFileSystemKeepsNoAttributes) {
  // ramfs keeps no extended attributes at all.
  const std::string ram = temp_ / "ram";
  std::filesystem::create_directories(ram);
  if (::mount("none", ram.c_str(), "ramfs", 0, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount a ramfs here (needs root): " << std::strerror(errno);
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{ram};

  EXPECT_EQ(With(Update(ram), Result::kConverted).size(), kPhotos.size());
  EXPECT_TRUE(std::filesystem::exists(ram + "/" + kRecordIndexName));
  EXPECT_EQ(With(Update(ram), Result::kSkipped).size(), kPhotos.size());
  Photo("a/3.JPG", 42);
  EXPECT_THAT(With(Update(ram), Result::kConverted), ElementsAre("a/3.JPG"));
  EXPECT_EQ(Files(ram), Reference());
}

TEST_P(UpdateTest, DryRunWritesNothing_AndTellsWhatItWouldConvert) {
  const auto outcomes = Run({std::nullopt, false, true}, out_);
  EXPECT_THAT(With(outcomes, Result::kPlanned), UnorderedElementsAreArray(kPhotos));
  EXPECT_THAT(TreeListing(out_), IsEmpty());

  Update();
  Photo("a/3.JPG", 42);
  const auto snapshot = Files(out_);
  const auto planned = Run({std::nullopt, true, true}, out_);
  EXPECT_THAT(With(planned, Result::kPlanned), ElementsAre("a/3.JPG"));
  EXPECT_EQ(With(planned, Result::kSkipped).size(), kPhotos.size() - 1);
  EXPECT_EQ(Files(out_), snapshot);
}

TEST_P(UpdateTest, ThreeSlicesTogether_WriteWhatOneRunWrites) {
  for (int i = 0; i < 30; ++i) Photo("many/" + std::to_string(i) + ".jpg", i);
  std::vector<std::string> all;
  for (std::uint32_t slice = 1; slice <= 3; ++slice) {
    const auto outcomes = Run({Shard{slice, 3}, false, false}, out_);
    for (const auto& [path, result] : outcomes) {
      EXPECT_EQ(result, Result::kConverted) << path;
      all.push_back(path);
    }
    EXPECT_EQ(listed_.size(), 1u);
    EXPECT_EQ(listed_[0], (ListedCounts{outcomes.size(), 0, kPhotos.size() + 30}));
  }
  // Disjoint (Run refuses a path twice within a slice; across slices:) and covering.
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.size(), kPhotos.size() + 30);
  EXPECT_EQ(Files(out_), Reference());
}

// The click reports each skipped file to its host, which counts them for its end message.
TEST_P(UpdateTest, TheClick_ReportsEverySkippedFileToItsHost) {
  Update();
  FakeRunHost host;
  host.fields = {{EditField::kLogo, temp_ / "logo.bmp"},
                 {EditField::kSource, src_},
                 {EditField::kOutput, out_},
                 {EditField::kExclusions, ""}};
  fixtures::WriteBytes(temp_ / "logo.bmp", fixtures::Bmp24Bytes(logo_));
  host.stamp = stamp_;
  host.quality = quality_;
  host.jobs = GetParam();
  host.selection.update = true;
  Photo("new.jpg", 20);
  BitBtn1Click(host);
  EXPECT_THAT(host.Messages(), ElementsAre(kFinishedMessage));
  std::vector<std::string> skipped, converted;
  for (const FileOutcome& outcome : host.outcomes) {
    if (outcome.result == Result::kSkipped) skipped.push_back(outcome.relative);
    if (outcome.result == Result::kConverted) converted.push_back(outcome.relative);
  }
  EXPECT_THAT(skipped, UnorderedElementsAreArray(kPhotos));
  EXPECT_THAT(converted, ElementsAre("new.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Jobs, UpdateTest, ::testing::Values(1, 3));

}  // namespace
}  // namespace quelmar
