#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <vector>

#include "base/errors.h"
#include "convert/sample_files.h"

namespace quelmar {
namespace {

using testing::TempFolder;
using testing::WriteText;

struct Parsed {
  std::optional<int> status;
  CliOptions options;
  std::string out, err;
};

Parsed Parse(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv{"quelmar-cli"};
  argv.insert(argv.end(), arguments);
  Parsed parsed;
  std::ostringstream out, err;
  parsed.status =
      ParseCliOptions(static_cast<int>(argv.size()), argv.data(), parsed.options, out, err);
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(ParseCliOptions, ReadsEveryOption) {
  const Parsed p = Parse({"--logo",     "l.bmp",    "--source",    "写真", "--output",  "out/",
                          "--exclude",  "raw, old", "--position",  "5",    "--density", "256",
                          "--mask",     "2",        "--threshold", "0",    "--quality", "1",
                          "--on-error", "stop",     "--jobs",      "3"});
  ASSERT_FALSE(p.status) << p.err;
  EXPECT_EQ(p.options.logo, "l.bmp");
  EXPECT_EQ(p.options.source, "写真");
  EXPECT_EQ(p.options.output, "out/");
  EXPECT_EQ(p.options.exclude, "raw, old");
  EXPECT_EQ(p.options.position, 5);
  EXPECT_EQ(p.options.density, 256);
  EXPECT_EQ(p.options.mask, 2);
  EXPECT_EQ(p.options.threshold, 0);
  EXPECT_EQ(p.options.quality, 1);
  EXPECT_EQ(p.options.on_error, OnError::kStop);
  EXPECT_EQ(p.options.jobs, 3);
}

TEST(ParseCliOptions, DefaultsToContinuingAndOneJobPerCore) {
  const Parsed p = Parse({});
  ASSERT_FALSE(p.status);
  EXPECT_EQ(p.options.on_error, OnError::kContinue);
  EXPECT_GE(p.options.jobs, 1);
  EXPECT_FALSE(p.options.position);
}

TEST(ParseCliOptions, TakesJAsTheShortFormOfJobs_AndPassesTheJobsToTheRun) {
  const Parsed p = Parse({"-j", "2"});
  ASSERT_FALSE(p.status) << p.err;
  EXPECT_EQ(p.options.jobs, 2);
  EXPECT_EQ(ResolveParameters(p.options).jobs, 2);
  EXPECT_EQ(Parse({"-j", "0"}).status, kExitBadUsage);
}

TEST(ParseCliOptions, RefusesValuesOutsideTheirRanges_WithStatus2) {
  for (const auto& arguments : std::vector<std::vector<const char*>>{{"--position", "6"},
                                                                     {"--density", "257"},
                                                                     {"--mask", "-1"},
                                                                     {"--threshold", "256"},
                                                                     {"--quality", "0"},
                                                                     {"--quality", "abc"},
                                                                     {"--on-error", "maybe"},
                                                                     {"--jobs", "0"},
                                                                     {"--unknown"},
                                                                     {"stray"}}) {
    std::vector<const char*> argv{"quelmar-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    CliOptions options;
    std::ostringstream out, err;
    EXPECT_EQ(ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, out, err),
              kExitBadUsage)
        << arguments[0];
    EXPECT_FALSE(err.str().empty());
  }
}

TEST(ParseCliOptions, ExplainsEveryOption_InTheHelp) {
  const Parsed p = Parse({"--help"});
  EXPECT_EQ(p.status, 0);
  for (const char* option :
       {"--logo", "--source", "--output", "--exclude", "--position", "--density", "--mask",
        "--threshold", "--quality", "--settings", "--on-error", "--jobs", "Exit status"}) {
    EXPECT_NE(p.out.find(option), std::string::npos) << option;
  }
}

TEST(ResolveParameters, UsesTheWindowsDefaults_WithoutASettingsFile) {
  const CliParameters parameters = ResolveParameters(CliOptions{});
  EXPECT_EQ(parameters.stamp.FPosition, 0);
  EXPECT_EQ(parameters.stamp.FAlpha, 127);
  EXPECT_EQ(parameters.stamp.FMaskType, 0);
  EXPECT_EQ(parameters.stamp.FThreshold, 250);
  EXPECT_EQ(parameters.quality, 100);
  EXPECT_EQ(parameters.logo, "");
}

TEST(ResolveParameters, ClampsTheSettingsFile_AndLetsExplicitOptionsOverrideIt) {
  TempFolder temp;
  WriteText(temp / "logo.bmp", "");
  WriteText(temp / "Quelmar.ini",
            "[Setup]\r\nMarkBitmap=" + (temp / "logo.bmp") +
                "\r\nExceptFolder=raw, old\r\nSourceFolder=" + temp.path() +
                "/\r\nDestinationFolder=/out/\r\nPosition=7\r\nAlphaChannel=-3\r\n"
                "JPEGQuality=$50\r\nB/W=300\r\nMaskType = 2\r\n\r\n");
  const Parsed p = Parse({"--settings", (temp / "Quelmar.ini").c_str(), "--mask", "1"});
  ASSERT_FALSE(p.status) << p.err;
  const CliParameters parameters = ResolveParameters(p.options);
  EXPECT_EQ(parameters.logo, temp / "logo.bmp");
  EXPECT_EQ(parameters.source, temp.path() + "/");
  EXPECT_EQ(parameters.output, "/out/");
  EXPECT_EQ(parameters.exclude, "raw, old");
  EXPECT_EQ(parameters.stamp.FPosition, 5);
  EXPECT_EQ(parameters.stamp.FAlpha, 0);
  EXPECT_EQ(parameters.quality, 80);
  EXPECT_EQ(parameters.stamp.FThreshold, 255);
  EXPECT_EQ(parameters.stamp.FMaskType, 1);
}

TEST(ParseCliOptions, RefusesAMissingSettingsFile) {
  EXPECT_EQ(Parse({"--settings", "/nonexistent/Quelmar.ini"}).status, kExitBadUsage);
}

}  // namespace
}  // namespace quelmar

namespace quelmar {
namespace {

TEST(ParseCliOptions, LosslessIsAFlagThatOverridesTheSettingsFile) {
  const Parsed plain = Parse({});
  ASSERT_FALSE(plain.status) << plain.err;
  EXPECT_FALSE(ResolveParameters(plain.options).lossless);
  const Parsed on = Parse({"--lossless"});
  ASSERT_FALSE(on.status) << on.err;
  EXPECT_TRUE(ResolveParameters(on.options).lossless);
  EXPECT_NE(Parse({"--help"}).out.find("--lossless"), std::string::npos);
}

}  // namespace
}  // namespace quelmar
