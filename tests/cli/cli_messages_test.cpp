// What the converter says: its refusals of bad arguments, its JSON lines and its progress line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/json_line.h"
#include "cli/parse_errors.h"
#include "cli/progress_line.h"
#include "support/bmp_builder.h"
#include "support/file_tools.h"
#include "support/jpeg_builder.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using ::testing::HasSubstr;

struct Refusal {
  std::optional<int> status;
  std::string err;
};

Refusal Parse(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"quelmar-cli"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  CliOptions options;
  std::ostringstream out, err;
  const std::optional<int> status =
      ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, out, err);
  return {status, err.str()};
}

TEST(ParseCliOptions, RefusesEachBadArgument_InOnePlainLineNamingItsOption) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--shard", "0/3"}, "--shard: I/N の形で 1 ≤ I ≤ N の整数を指定してください (例: 2/3)\n"},
      {{"--shard", "4/3"}, "--shard: I/N の形で 1 ≤ I ≤ N の整数を指定してください (例: 2/3)\n"},
      {{"--shard", "1/0"}, "--shard: I/N の形で 1 ≤ I ≤ N の整数を指定してください (例: 2/3)\n"},
      {{"--shard", "a/b"}, "--shard: I/N の形で 1 ≤ I ≤ N の整数を指定してください (例: 2/3)\n"},
      {{"--quality", "101"}, "--quality: 1 から 100 までの整数を指定してください\n"},
      {{"--quality", "1e2"}, "--quality: 1 から 100 までの整数を指定してください\n"},
      {{"--jobs", "1025"}, "--jobs: 0 から 1024 までの整数を指定してください\n"},
      {{"-j", "99999999999999999999"}, "--jobs: 0 から 1024 までの整数を指定してください\n"},
      {{"-x"}, "-x: そのようなオプションはありません (quelmar-cli --help で一覧を表示します)\n"},
      {{"--qualty", "90"},
       "--qualty: そのようなオプションはありません。--quality のことですか？\n"},
      {{"--shrad=1/2"}, "--shrad: そのようなオプションはありません。--shard のことですか？\n"},
      {{"--upadte"}, "--upadte: そのようなオプションはありません。--update のことですか？\n"},
      {{"--colour"},
       "--colour: そのようなオプションはありません (quelmar-cli --help で一覧を表示します)\n"},
      {{"photos"},
       "photos: オプションのない値です (値は --source DIR のようにオプションの後に書きます)\n"},
      {{"--logo"}, "--logo: 値がありません\n"},
      {{"--on-error", "maybe"}, "--on-error: continue か stop を指定してください\n"},
      {{"--progress", "xml"}, "--progress: line、jsonl、none のどれかを指定してください\n"},
      {{"-0"}, "-0: --files-from と一緒にだけ使えます\n"},
      {{"-q", "-v"}, "--quiet: --verbose と一緒には使えません\n"},
      {{"--settings", "/nonexistent/Quelmar.ini"}, "--settings: そのファイルがありません\n"},
  };
  for (const auto& [arguments, message] : cases) {
    const Refusal refusal = Parse(arguments);
    EXPECT_EQ(refusal.status, kExitBadUsage) << arguments[0];
    EXPECT_EQ(refusal.err, message) << arguments[0];
  }
}

TEST(ParseCliOptions, ReadsTheRunOptions) {
  std::vector<const char*> argv{"quelmar-cli",      "--update", "--shard", "2/7",
                                "--files-from",     "-",        "-0",      "--dry-run",
                                "--progress=jsonl", "-v"};
  CliOptions options;
  std::ostringstream out, err;
  ASSERT_FALSE(ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, out, err))
      << err.str();
  const RunOptions& run = options.run;
  EXPECT_EQ(options.settings["SkipUpToDate"], "1");
  EXPECT_EQ(run.shard, (Shard{2, 7}));
  EXPECT_EQ(run.files_from, "-");
  EXPECT_TRUE(run.null_separated);
  EXPECT_TRUE(run.dry_run);
  EXPECT_TRUE(run.jsonl);
  EXPECT_EQ(run.verbosity(), Verbosity::kVerbose);
}

TEST(ClosestOption, OffersOnlyANameCloseEnoughToBeMeant) {
  const std::vector<std::string> names = {"--quality", "--update", "--output", "-j", "--jobs"};
  EXPECT_EQ(ClosestOption("--qualty", names), "--quality");
  EXPECT_EQ(ClosestOption("--qaulity", names), "--quality");  // two letters swapped
  EXPECT_EQ(ClosestOption("--outptu", names), "--output");
  EXPECT_EQ(ClosestOption("--jbos=3", names), "--jobs");
  EXPECT_EQ(ClosestOption("--zzzzzz", names), "");
  EXPECT_EQ(ClosestOption("-", names), "");
  EXPECT_EQ(ClosestOption("-k", names), "");
}

// What jq, an independent JSON reader, makes of a line: its fields as "key=value" lines.
std::string ThroughJq(const std::string& line) {
  fixtures::TempFolder temp;
  fixtures::WriteText(temp / "line.json", line);
  FILE* pipe =
      ::popen(("jq -r 'to_entries[] | \"\\(.key)=\\(.value)\"' '" + (temp / "line.json") + "' 2>&1")
                  .c_str(),
              "r");
  std::string text;
  char buffer[256];
  while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  if (pipe != nullptr) ::pclose(pipe);
  return text;
}

TEST(OutcomeLine, IsJsonThatJqReads_WhateverBytesThePathHolds) {
  FileOutcome outcome;
  outcome.result = FileOutcome::Result::kNotRead;
  outcome.relative = "写真/\"quoted\"\\back\tslash\n\x01.jpg";
  outcome.message = "写真 が読み込めませんでした";
  outcome.reason = "No such file";
  outcome.milliseconds = 12.5;
  outcome.bytes_in = 7;
  EXPECT_EQ(ThroughJq(OutcomeLine(outcome)),
            "path=写真/\"quoted\"\\back\tslash\n\x01.jpg\noutcome=not-read\nmilliseconds=12.5\n"
            "bytes_in=7\nbytes_out=0\nmessage=写真 が読み込めませんでした\nreason=No such file\n");

  FileOutcome odd;
  odd.relative = "bad\xff\xc0\xaf/\xed\xa0\x80.jpg";  // a stray byte, an overlong "/", a surrogate
  odd.bytes_out = 99;
  EXPECT_EQ(
      ThroughJq(OutcomeLine(odd)),
      "path=bad\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.jpg\n"
      "path_hex=626164ffc0af2feda0802e6a7067\noutcome=converted\nmilliseconds=0\n"
      "bytes_in=0\nbytes_out=99\n");
}

TEST(SummaryLine, IsJsonWithTheCountsAndTheStatus) {
  RunTally counts;
  counts.converted = 3;
  counts.failed = 1;
  counts.skipped = 9990;
  EXPECT_EQ(ThroughJq(SummaryLine({counts, 100, 50, 0.25, false, 1})),
            "summary=true\nconverted=3\nfailed=1\nup_to_date=9990\nwould_convert=0\nbytes_in=100\n"
            "bytes_out=50\nseconds=0.25\nstopped=false\nstatus=1\n");
}

TEST(IsValidUtf8, AcceptsOnlyWellFormedSequences) {
  for (const char* good :
       {"", "abc", "写真", "\xF0\x9F\x93\xB7", "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(IsValidUtf8(good)) << good;
  }
  for (const char* bad : {"\xFF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\xE5\x86", "\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
}

FileOutcome OutcomeOf(FileOutcome::Result result) {
  FileOutcome outcome;
  outcome.result = result;
  return outcome;
}

TEST(ProgressLine, ShowsFilesDoneOfAll_PhotosPerSecond_AndTheTimeLeft) {
  ProgressLine line;
  EXPECT_EQ(line.Text(0), "0 枚  0.0 枚/秒");
  line.Listed({100, 900, 1000});
  for (int i = 0; i < 900; ++i) line.Finished(OutcomeOf(FileOutcome::Result::kSkipped));
  EXPECT_EQ(line.Text(1), "900 / 1000 枚  0.0 枚/秒");
  for (int i = 0; i < 20; ++i) line.Finished(OutcomeOf(FileOutcome::Result::kConverted));
  line.Finished(OutcomeOf(FileOutcome::Result::kNotRead));
  // 21 worked on in 10 s: 2.1 a second, 79 left of 100: about 38 s.
  EXPECT_EQ(line.Text(10), "921 / 1000 枚  2.1 枚/秒  残り 0:38");
}

TEST(Duration, ReadsAsMinutesAndSeconds_OrHoursFromAnHourOn) {
  EXPECT_EQ(Duration(0), "0:00");
  EXPECT_EQ(Duration(59.4), "0:59");
  EXPECT_EQ(Duration(61), "1:01");
  EXPECT_EQ(Duration(3599), "59:59");
  EXPECT_EQ(Duration(3600), "1:00:00");
  EXPECT_EQ(Duration(90061), "25:01:01");
  EXPECT_EQ(Duration(-5), "0:00");
  EXPECT_EQ(Duration(1.0 / 0.0), "0:00");
}

}  // namespace
}  // namespace quelmar
