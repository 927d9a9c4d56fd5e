// quelmar-cli --update as a scheduler's task: killed at any moment, several slices writing into
// one output folder at once, fed a list on standard input. Outputs are checked against what one
// plain run writes; records against what the next update trusts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "robustness/photo_library.h"
#include "robustness/robust_support.h"

namespace quelmar {
namespace {

using fixtures::PhotoLibrary;

// Where the outputs are kept: on a file system with extended attributes (this one), or on a
// ramfs, which keeps none, so that the records go to the index in the output folder.
enum class Store { kAttributes, kIndex };

// The number after "key": in a JSON line; -1 when it is not there.
long long Field(const std::string& line, const std::string& key) {
  const std::size_t at = line.find("\"" + key + "\":");
  return at == std::string::npos ? -1 : std::stoll(line.substr(at + key.size() + 3));
}

class UpdateRuns : public ::testing::TestWithParam<Store> {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(out_);
    if (GetParam() == Store::kIndex) {
      if (::mount("none", out_.c_str(), "ramfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "cannot mount a ramfs (needs root): " << std::strerror(errno);
      }
      mounted_ = true;
    }
  }
  void TearDown() override {
    if (mounted_) ::umount2(out_.c_str(), MNT_DETACH);
  }

  // Starts quelmar-cli on the library into out_ with extra arguments; standard output (the
  // JSON lines) goes to json, standard error to the log; input comes from input when given.
  pid_t Start(std::vector<std::string> extra, const std::string& json,
              const std::string& input = "/dev/null") {
    std::vector<std::string> arguments = library_.Arguments(out_);
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const int json_fd = ::open(json.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int input_fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t child = fixtures::StartCli(arguments, json + ".log", [json_fd, input_fd] {
      ::dup2(json_fd, STDOUT_FILENO);
      ::dup2(input_fd, STDIN_FILENO);
    });
    ::close(json_fd);
    ::close(input_fd);
    return child;
  }

  // Runs to the end; the exit status, with the summary line in summary.
  int Run(std::vector<std::string> extra, std::string& summary,
          const std::string& input = "/dev/null") {
    extra.push_back("--progress=jsonl");
    const std::string json = library_.root() + "/run.json";
    const int status = fixtures::WaitForChild(Start(extra, json, input));
    const std::vector<std::string> lines = fixtures::Lines(json);
    summary = lines.empty() ? std::string() : lines.back();
    return status;
  }

  PhotoLibrary library_{60};
  const std::string out_ = library_.root() + "/out";
  bool mounted_ = false;
};

TEST_P(UpdateRuns, AfterAKillAtAnyMoment_TheNextUpdateMakesWhatOneRunMakes) {
  const auto& wanted = library_.Reference();  // the settings file's quality, 85
  std::string summary;
  ASSERT_EQ(Run({"--update", "--quality", "90"}, summary), 0) << summary;
  const auto at_90 = PhotoLibrary::Outputs(out_);

  std::mt19937 random(20261209);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // The update from quality 90 to 85, killed somewhere: before any file, among the files, or
    // while the index takes their records.
    const auto started = std::chrono::steady_clock::now();
    const pid_t killed = Start({"--update", "--jobs", "2"}, library_.root() + "/killed.json");
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 120000));
    ::kill(killed, SIGKILL);
    fixtures::WaitForChild(killed);
    const auto ran = std::chrono::steady_clock::now() - started;
    // Every output is whole: the one before or the one after (a killed writer's hidden
    // temporary file aside, which the next run removes).
    for (const auto& [path, entry] : PhotoLibrary::Outputs(out_)) {
      if (std::filesystem::path(path).filename().string().starts_with(".")) continue;
      const bool old = at_90.contains(path) && at_90.at(path) == entry;
      const bool made = wanted.contains(path) && wanted.at(path) == entry;
      EXPECT_TRUE(old || made) << path;
    }
    // The next update trusts no record of a file it did not finish, and converts the rest.
    ASSERT_EQ(Run({"--update"}, summary), 0) << summary;
    EXPECT_EQ(Field(summary, "converted") + Field(summary, "up_to_date"), 60) << summary;
    EXPECT_EQ(PhotoLibrary::Outputs(out_), wanted);
    EXPECT_EQ(fixtures::HiddenEntries(out_).size(), GetParam() == Store::kIndex ? 2u : 0u);
    ASSERT_EQ(Run({"--update"}, summary), 0);
    EXPECT_EQ(Field(summary, "up_to_date"), 60) << summary;
    // Back to quality 90 for the next round.
    ASSERT_EQ(Run({"--update", "--quality", "90"}, summary), 0);
    EXPECT_EQ(Field(summary, "converted"), 60) << summary;
    RecordProperty(
        "round_" + std::to_string(round) + "_microseconds",
        static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(ran).count()));
  }
}

TEST_P(UpdateRuns, SlicesWritingAtOnce_MakeWhatOneRunMakes_AndKeepEveryRecord) {
  std::vector<pid_t> slices;
  for (int slice = 1; slice <= 3; ++slice) {
    slices.push_back(Start(
        {"--update", "--shard", std::to_string(slice) + "/3", "--jobs", "1", "--progress=jsonl"},
        library_.root() + "/slice" + std::to_string(slice) + ".json"));
  }
  long long converted = 0;
  for (int slice = 1; slice <= 3; ++slice) {
    EXPECT_EQ(fixtures::WaitForChild(slices[slice - 1]), 0) << slice;
    const auto lines =
        fixtures::Lines(library_.root() + "/slice" + std::to_string(slice) + ".json");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Field(lines.back(), "failed"), 0);
    converted += Field(lines.back(), "converted");
  }
  EXPECT_EQ(converted, 60);
  EXPECT_EQ(PhotoLibrary::Outputs(out_), library_.Reference());
  // No slice lost another's records: a whole run finds everything up to date.
  std::string summary;
  ASSERT_EQ(Run({"--update"}, summary), 0);
  EXPECT_EQ(Field(summary, "up_to_date"), 60) << summary;
}

TEST_P(UpdateRuns, TakesAListOnStandardInput_EachListedPhotoOnce) {
  std::string list;
  std::vector<std::string> chosen;
  for (std::size_t i = 0; i < library_.photos().size(); i += 4) {
    list += library_.photos()[i] + '\0';
    chosen.push_back(library_.photos()[i]);
  }
  list += std::string("./") + library_.photos()[0] + '\0';  // listed again
  list += std::string("missing/IMG.jpg") + '\0';
  fixtures::WriteText(library_.root() + "/list", list);

  std::string summary;
  EXPECT_EQ(Run({"--files-from", "-", "-0", "--update"}, summary, library_.root() + "/list"), 1);
  EXPECT_EQ(Field(summary, "converted"), static_cast<long long>(chosen.size())) << summary;
  EXPECT_EQ(Field(summary, "failed"), 1) << summary;
  std::map<std::string, std::string> expected;
  for (const auto& [path, entry] : library_.Reference()) {
    bool listed = false;
    for (const std::string& photo : chosen) listed = listed || photo.starts_with(path);
    if (listed) expected[path] = entry;
  }
  EXPECT_EQ(PhotoLibrary::Outputs(out_), expected);
}

INSTANTIATE_TEST_SUITE_P(Stores, UpdateRuns, ::testing::Values(Store::kAttributes, Store::kIndex),
                         [](const auto& info) {
                           return info.param == Store::kAttributes ? "Attributes" : "Index";
                         });

}  // namespace
}  // namespace quelmar
