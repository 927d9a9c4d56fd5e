// Runs over a list of files (the hook for upload pipelines), and reading such lists.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "convert/convert_file.h"
#include "convert/convert_folder.h"
#include "convert/convert_listed.h"
#include "convert/listed_files.h"
#include "convert/path_fingerprints.h"
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
using Result = FileOutcome::Result;

// Every entry a list in text gives, read through a pipe written a few bytes at a time, so that
// entries arrive cut across reads.
std::vector<ListEntry> Entries(const std::string& text, char separator) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  std::thread writer([&] {
    for (std::size_t at = 0; at < text.size(); at += 7) {
      const std::size_t n = std::min<std::size_t>(7, text.size() - at);
      if (::write(fds[1], text.data() + at, n) != static_cast<ssize_t>(n)) break;
    }
    ::close(fds[1]);
  });
  DescriptorPathList list(fds[0], separator);
  std::vector<ListEntry> entries;
  while (std::optional<ListEntry> entry = list.Next()) entries.push_back(*entry);
  writer.join();
  ::close(fds[0]);
  return entries;
}

std::vector<std::string> Texts(const std::vector<ListEntry>& entries) {
  std::vector<std::string> texts;
  for (const ListEntry& entry : entries) texts.push_back(entry.text);
  return texts;
}

TEST(DescriptorPathList, ReadsLines_WithOrWithoutCarriageReturns_SkippingEmptyOnes) {
  EXPECT_THAT(Texts(Entries("a.jpg\nb c.jpg\r\n\n\r\n写真/夏.jpg\nlast.jpg", '\n')),
              ElementsAre("a.jpg", "b c.jpg", "写真/夏.jpg", "last.jpg"));
  EXPECT_THAT(Texts(Entries("", '\n')), IsEmpty());
  EXPECT_THAT(Texts(Entries("\n\n", '\n')), IsEmpty());
}

TEST(DescriptorPathList, ReadsNulSeparatedNames_WithLineBreaksAndAnyBytesInThem) {
  const std::string text = std::string("line\nbreak.jpg") + '\0' + "bad\xff.jpg" + '\0' + "x\r";
  EXPECT_THAT(Texts(Entries(text, '\0')), ElementsAre("line\nbreak.jpg", "bad\xff.jpg", "x\r"));
}

TEST(DescriptorPathList, CutsAnEntryTooLongForAPath_AndGoesOnWithTheNext) {
  const std::string huge(3 * kMostListEntryBytes + 5, 'x');
  const std::vector<ListEntry> entries = Entries("a.jpg\n" + huge + "\nb.jpg\n" + huge, '\n');
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_TRUE(entries[0].whole);
  EXPECT_FALSE(entries[1].whole);
  EXPECT_EQ(entries[1].text.size(), kMostListEntryBytes);
  EXPECT_EQ(entries[2].text, "b.jpg");
  EXPECT_FALSE(entries[3].whole);
  // An entry just over the limit, read whole with its neighbours in one piece.
  const std::string over(kMostListEntryBytes + 1, 'y');
  TempFolder temp;
  fixtures::WriteText(temp / "list", over + "\nc.jpg\n");
  const int fd = ::open((temp / "list").c_str(), O_RDONLY);
  DescriptorPathList list(fd, '\n');
  EXPECT_FALSE(list.Next()->whole);
  EXPECT_EQ(list.Next()->text, "c.jpg");
  EXPECT_FALSE(list.Next().has_value());
  ::close(fd);
}

TEST(ReadListedPath, SplitsNames_AndRefusesWhatLeadsOutOrNamesNoFile) {
  struct Case {
    std::string text;
    std::string relative;  // empty: refused
    const char* refusal;
  };
  const std::vector<Case> cases = {
      {"a.jpg", "a.jpg", ""},
      {"a/b/c.jpg", "a/b/c.jpg", ""},
      {"./a//b/./c.jpg", "a/b/c.jpg", ""},
      {"bad\xff\xfe/x.jpg", "bad\xff\xfe/x.jpg", ""},
      {"/etc/a.jpg", "", kOutsideSourceSuffix},
      {"//a.jpg", "", kOutsideSourceSuffix},
      {"../a.jpg", "", kOutsideSourceSuffix},
      {"a/../b.jpg", "", kOutsideSourceSuffix},
      {"a/..", "", kOutsideSourceSuffix},
      {".", "", kNotJpegNameSuffix},
      {"./", "", kNotJpegNameSuffix},
      {"a/", "", kNotJpegNameSuffix},
      {"a/.", "", kNotJpegNameSuffix},
      {std::string("a\0b.jpg", 7), "", kNotJpegNameSuffix},
  };
  for (const Case& c : cases) {
    const ListedPath path = ReadListedPath({c.text, true});
    EXPECT_EQ(path.refusal, c.refusal) << c.text;
    if (path.refusal.empty()) {
      EXPECT_EQ(path.relative(), c.relative) << c.text;
    }
  }
  EXPECT_EQ(ReadListedPath({"a.jpg", false}).refusal, kNotJpegNameSuffix);
}

TEST(PathFingerprints, KeepsEachPathOnce_ThroughManyGrowths) {
  PathFingerprints met;
  for (int i = 0; i < 20000; ++i) EXPECT_TRUE(met.Insert(std::to_string(i))) << i;
  for (int i = 0; i < 20000; i += 3) EXPECT_FALSE(met.Insert(std::to_string(i))) << i;
  EXPECT_TRUE(met.Insert(""));
  EXPECT_FALSE(met.Insert(""));
  EXPECT_EQ(met.size(), 20001u);
}

// A list given in memory.
class TextList : public PathList {
 public:
  explicit TextList(std::vector<std::string> entries) : entries_(std::move(entries)) {}
  std::optional<ListEntry> Next() override {
    if (next_ == entries_.size()) return std::nullopt;
    return ListEntry{entries_[next_++], true};
  }

 private:
  std::vector<std::string> entries_;
  std::size_t next_ = 0;
};

class ConvertListedTest : public ::testing::TestWithParam<int> {
 protected:
  ConvertListedTest() {
    for (const char* photo : {"1.jpg", "a/2.jpg", "a/b/3.jpeg", "a/b/4.JPG", "c/5.jpg",
                              "写真/6.jpg", "raw/7.jpg", "bad\xff/8.jpg"}) {
      Photo(photo);
    }
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(temp_ / "outside");
    fixtures::WriteBytes(temp_ / "outside/x.jpg", fixtures::JpegBytes(24, 16, 1));
  }

  void Photo(const std::string& relative) {
    fixtures::WriteBytes(src_ + "/" + relative, fixtures::JpegBytes(24, 16, seed_++));
  }

  // A run over the list into output; the outcomes, in order, as "relative result".
  std::vector<std::string> Run(std::vector<std::string> entries, const std::string& output,
                               RunSelection selection = {}) {
    TextList list(std::move(entries));
    FakeRunHost host;
    host.state.FMark = fixtures::LogoRaster(6, 4);
    host.state.FStop = 0;
    host.state.FExceptFolders = {"raw"};
    host.jobs = GetParam();
    host.selection = selection;
    counts_ = ConvertListed(host, src_, output, list);
    std::vector<std::string> outcomes;
    for (const FileOutcome& outcome : host.outcomes) {
      outcomes.push_back(outcome.relative + " " + std::to_string(static_cast<int>(outcome.result)));
      if (outcome.failed()) messages_.push_back(outcome.message);
    }
    return outcomes;
  }

  // What a walk of the whole tree writes.
  std::map<std::string, std::vector<std::uint8_t>> FullRun() {
    const std::string full = temp_ / "full";
    std::filesystem::create_directories(full);
    FakeRunHost host;
    host.state.FMark = fixtures::LogoRaster(6, 4);
    host.state.FStop = 0;
    host.state.FExceptFolders = {"raw"};
    ConvertFolder(host, src_, full);
    return Files(full);
  }

  static std::map<std::string, std::vector<std::uint8_t>> Files(const std::string& root) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const std::string& entry : TreeListing(root)) {
      if (entry.back() != '/') files[entry] = fixtures::ReadBytes(root + "/" + entry);
    }
    return files;
  }

  static std::string Outcome(const std::string& relative, Result result) {
    return relative + " " + std::to_string(static_cast<int>(result));
  }

  TempFolder temp_;
  const std::string src_ = temp_ / "src";
  const std::string out_ = temp_ / "out";
  int seed_ = 0;
  RunTally counts_;
  std::vector<std::string> messages_;
};

TEST_P(ConvertListedTest, WritesWhatAFullRunWrites_ForEveryFileItWalks) {
  const auto outcomes =
      Run({"1.jpg", "a/2.jpg", "a/b/3.jpeg", "a/b/4.JPG", "c/5.jpg", "写真/6.jpg", "bad\xff/8.jpg"},
          out_);
  EXPECT_EQ(counts_.converted, 7u);
  EXPECT_EQ(Files(out_), FullRun());
  // In the list's order, not the walk's.
  EXPECT_EQ(outcomes.front(), Outcome("1.jpg", Result::kConverted));
}

TEST_P(ConvertListedTest, ConvertsEachFileOnce_HoweverOftenAndHoweverItIsListed) {
  const auto outcomes =
      Run({"a/2.jpg", "./a/2.jpg", "a//2.jpg", "1.jpg", "a/2.jpg", "1.jpg"}, out_);
  EXPECT_THAT(outcomes, ElementsAre(Outcome("a/2.jpg", Result::kConverted),
                                    Outcome("1.jpg", Result::kConverted)));
}

TEST_P(ConvertListedTest, CountsWhatItMayNotConvertAsFailed_AndConvertsTheRest) {
  std::filesystem::create_directory_symlink(src_ + "/a", src_ + "/linked");
  std::filesystem::create_symlink(temp_ / "outside/x.jpg", src_ + "/out.jpg");
  std::filesystem::create_symlink("a/2.jpg", src_ + "/in.jpg");
  std::filesystem::create_symlink("out.jpg", src_ + "/chain.jpg");
  fixtures::WriteText(src_ + "/notes.txt", "text");
  fixtures::WriteText(src_ + "/.hidden.jpg", "");
  std::filesystem::create_directories(src_ + "/folder.jpg");
  const std::string absolute = temp_ / "outside/x.jpg";
  const auto outcomes = Run({absolute, "../outside/x.jpg", "linked/2.jpg", "out.jpg", "chain.jpg",
                             "notes.txt", ".hidden.jpg", "folder.jpg", "missing.jpg",
                             "nowhere/missing.jpg", "raw/7.jpg", "in.jpg", "c/5.jpg"},
                            out_);
  EXPECT_THAT(
      outcomes,
      ElementsAre(Outcome(absolute, Result::kRefused),
                  Outcome("../outside/x.jpg", Result::kRefused),
                  Outcome("linked/2.jpg", Result::kRefused), Outcome("out.jpg", Result::kRefused),
                  Outcome("chain.jpg", Result::kRefused), Outcome("notes.txt", Result::kRefused),
                  Outcome(".hidden.jpg", Result::kRefused), Outcome("folder.jpg", Result::kRefused),
                  Outcome("missing.jpg", Result::kNotRead),
                  Outcome("nowhere/missing.jpg", Result::kNotRead),
                  // raw is an excluded folder: left out, as the walk leaves it
                  Outcome("in.jpg", Result::kConverted), Outcome("c/5.jpg", Result::kConverted)));
  EXPECT_EQ(counts_.failed, 10u);
  EXPECT_THAT(messages_[0], ::testing::EndsWith(kOutsideSourceSuffix));
  EXPECT_THAT(messages_[5], ::testing::EndsWith(kNotJpegNameSuffix));
  EXPECT_EQ(messages_[8], src_ + "/missing.jpg" + kNotReadSuffix);
  EXPECT_THAT(TreeListing(out_), ElementsAre("c/", "c/5.jpg", "in.jpg"));
  EXPECT_THAT(TreeListing(temp_ / "outside"), ElementsAre("x.jpg"));
}

TEST_P(ConvertListedTest, KeepsToItsSlice_SkipsWhatIsUpToDate_AndRunsDry) {
  const std::vector<std::string> all = {"1.jpg",   "a/2.jpg",    "a/b/3.jpeg",   "a/b/4.JPG",
                                        "c/5.jpg", "写真/6.jpg", "bad\xff/8.jpg"};
  std::size_t converted = 0;
  for (std::uint32_t slice = 1; slice <= 3; ++slice) {
    Run(all, out_, {Shard{slice, 3}, true, false});
    converted += counts_.converted;
  }
  EXPECT_EQ(converted, all.size());
  EXPECT_EQ(Files(out_), FullRun());
  Photo("a/2.jpg");  // changed
  const auto dry = Run(all, out_, {std::nullopt, true, true});
  EXPECT_EQ(counts_.skipped, all.size() - 1);
  EXPECT_EQ(counts_.planned, 1u);
  EXPECT_THAT(dry, ::testing::Contains(Outcome("a/2.jpg", Result::kPlanned)));
  Run(all, out_, {std::nullopt, true, false});
  EXPECT_EQ(counts_.converted, 1u);
  EXPECT_EQ(counts_.skipped, all.size() - 1);
}

TEST_P(ConvertListedTest, GoesThroughAListLongerThanItsBatches) {
  std::vector<std::string> entries;
  for (int i = 0; i < 1500; ++i) {
    entries.push_back(i % 2 == 0 ? "1.jpg" : "missing/" + std::to_string(i) + ".jpg");
  }
  entries.push_back("c/5.jpg");
  Run(entries, out_, {std::nullopt, false, true});
  EXPECT_EQ(counts_.planned, 2u);
  EXPECT_EQ(counts_.failed, 750u);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ConvertListedTest, ::testing::Values(1, 3));

}  // namespace
}  // namespace quelmar
