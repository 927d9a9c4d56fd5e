#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <sstream>
#include <vector>

#include "base/errors.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using fixtures::TempFolder;
using fixtures::WriteText;

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
  const CliParameters parameters = ResolveParameters(p.options);
  EXPECT_EQ(parameters.texts[EditField::kLogo], "l.bmp");
  EXPECT_EQ(parameters.texts[EditField::kSource], "写真");
  EXPECT_EQ(parameters.texts[EditField::kOutput], "out/");
  EXPECT_EQ(parameters.texts[EditField::kExclusions], "raw, old");
  EXPECT_EQ(parameters.fields.stamp.FPosition, 5);
  EXPECT_EQ(parameters.fields.stamp.FAlpha, 256);
  EXPECT_EQ(parameters.fields.stamp.FMaskType, 2);
  EXPECT_EQ(parameters.fields.stamp.FThreshold, 0);
  EXPECT_EQ(parameters.fields.FQuality, 1);
  EXPECT_EQ(p.options.on_error, OnError::kStop);
  EXPECT_EQ(parameters.fields.FJobs, 3);
}

TEST(ParseCliOptions, DefaultsToContinuingAndOneJobPerCore) {
  const Parsed p = Parse({});
  ASSERT_FALSE(p.status);
  EXPECT_EQ(p.options.on_error, OnError::kContinue);
  EXPECT_TRUE(p.options.settings.empty());
  // 0 jobs: the walk starts one worker per core.
  EXPECT_EQ(ResolveParameters(p.options).fields.FJobs, 0);
}

TEST(ParseCliOptions, TakesJAsTheShortFormOfJobs_AndPassesTheJobsToTheRun) {
  const Parsed p = Parse({"-j", "2"});
  ASSERT_FALSE(p.status) << p.err;
  EXPECT_EQ(ResolveParameters(p.options).fields.FJobs, 2);
  const Parsed per_core = Parse({"-j", "0"});
  ASSERT_FALSE(per_core.status) << per_core.err;
  EXPECT_EQ(ResolveParameters(per_core.options).fields.FJobs, 0);
  EXPECT_EQ(Parse({"-j", "1025"}).status, kExitBadUsage);
}

TEST(ParseCliOptions, RefusesValuesOutsideTheirRanges_WithStatus2) {
  for (const auto& arguments : std::vector<std::vector<const char*>>{{"--position", "6"},
                                                                     {"--density", "257"},
                                                                     {"--mask", "-1"},
                                                                     {"--threshold", "256"},
                                                                     {"--quality", "0"},
                                                                     {"--quality", "abc"},
                                                                     {"--on-error", "maybe"},
                                                                     {"--jobs", "-1"},
                                                                     {"--jobs", "1025"},
                                                                     {"--jobs", "2.5"},
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

TEST(ParseCliOptions, SaysWhichWholeNumbersAnOptionTakes_WhenGivenAnotherValue) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--jobs", "1025"}, "--jobs: expected a whole number from 0 to 1024"},
      {{"-j", "x"}, "--jobs: expected a whole number from 0 to 1024"},
      {{"--quality", "0"}, "--quality: expected a whole number from 1 to 100"},
      {{"--position", "-1"}, "--position: expected a whole number from 0 to 5"},
      {{"--density", "99999999999"}, "--density: expected a whole number from 0 to 256"},
      {{"--threshold", " 7"}, "--threshold: expected a whole number from 0 to 255"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<const char*> argv{"quelmar-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    CliOptions options;
    std::ostringstream out, err;
    EXPECT_EQ(ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, out, err),
              kExitBadUsage);
    EXPECT_EQ(err.str().substr(0, err.str().find('\n')), message) << arguments[1];
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
  EXPECT_EQ(parameters.fields.stamp.FPosition, 0);
  EXPECT_EQ(parameters.fields.stamp.FAlpha, 127);
  EXPECT_EQ(parameters.fields.stamp.FMaskType, 0);
  EXPECT_EQ(parameters.fields.stamp.FThreshold, 250);
  EXPECT_EQ(parameters.fields.FQuality, 100);
  EXPECT_EQ(parameters.fields.FJobs, 0);
  EXPECT_EQ(parameters.texts[EditField::kLogo], "");
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
  EXPECT_EQ(parameters.texts[EditField::kLogo], temp / "logo.bmp");
  EXPECT_EQ(parameters.texts[EditField::kSource], temp.path() + "/");
  EXPECT_EQ(parameters.texts[EditField::kOutput], "/out/");
  EXPECT_EQ(parameters.texts[EditField::kExclusions], "raw, old");
  EXPECT_EQ(parameters.fields.stamp.FPosition, 5);
  EXPECT_EQ(parameters.fields.stamp.FAlpha, 0);
  EXPECT_EQ(parameters.fields.FQuality, 80);
  EXPECT_EQ(parameters.fields.stamp.FThreshold, 255);
  EXPECT_EQ(parameters.fields.stamp.FMaskType, 1);
}

TEST(ResolveParameters, TakesTheJobsFromTheSettingsFile_ClampedAndOverriddenByJ) {
  TempFolder temp;
  const std::string ini = temp / "Quelmar.ini";
  for (const auto& [line, expected] : std::vector<std::pair<std::string, int>>{
           {"Jobs=3", 3}, {"Jobs=5000", 1024}, {"Jobs=-2", 0}, {"Jobs=x", 0}, {"", 0}}) {
    WriteText(ini, "[Setup]\r\n" + line + "\r\n");
    const Parsed p = Parse({"--settings", ini.c_str()});
    ASSERT_FALSE(p.status) << p.err;
    EXPECT_EQ(ResolveParameters(p.options).fields.FJobs, expected) << line;
  }
  WriteText(ini, "[Setup]\r\nJobs=3\r\n");
  const Parsed p = Parse({"--settings", ini.c_str(), "-j", "1"});
  ASSERT_FALSE(p.status) << p.err;
  EXPECT_EQ(ResolveParameters(p.options).fields.FJobs, 1);
}

TEST(ParseCliOptions, RefusesAMissingSettingsFile) {
  EXPECT_EQ(Parse({"--settings", "/nonexistent/Quelmar.ini"}).status, kExitBadUsage);
}

// A switch of the settings table is an option without a value that turns it on.
struct SwitchOption {
  const char* option;
  std::int32_t SettingsFields::*field;
};

class SwitchOptionTest : public ::testing::TestWithParam<SwitchOption> {};

TEST_P(SwitchOptionTest, IsAFlagThatOverridesTheSettingsFile) {
  const auto field = GetParam().field;
  const Parsed plain = Parse({});
  ASSERT_FALSE(plain.status) << plain.err;
  EXPECT_FALSE(ResolveParameters(plain.options).fields.*field);
  const Parsed on = Parse({GetParam().option});
  ASSERT_FALSE(on.status) << on.err;
  EXPECT_TRUE(ResolveParameters(on.options).fields.*field);
  EXPECT_NE(Parse({"--help"}).out.find(GetParam().option), std::string::npos);
  EXPECT_EQ(Parse({GetParam().option, "1"}).status, kExitBadUsage) << "a switch takes no value";
}

INSTANTIATE_TEST_SUITE_P(Switches, SwitchOptionTest,
                         ::testing::Values(SwitchOption{"--lossless", &SettingsFields::FLossless},
                                           SwitchOption{"--keep-metadata",
                                                        &SettingsFields::FKeepMetadata}),
                         [](const ::testing::TestParamInfo<SwitchOption>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.option)) {
                             if (std::isalpha(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

// --logo-scale and --margin reach the stamp's fitting; a margin is pixels or a percentage.
TEST(ParseCliOptions, TakesTheLogoScaleAndAMarginInPixelsOrPercent) {
  struct Case {
    std::vector<const char*> arguments;
    LogoFitting expected;
  };
  for (const Case& c : {Case{{}, {0, 0, false}}, Case{{"--logo-scale", "30"}, {30, 0, false}},
                        Case{{"--margin", "25"}, {0, 25, false}},
                        Case{{"--margin", "3%", "--logo-scale", "100"}, {100, 3, true}},
                        Case{{"--margin", "3%", "--margin", "8"}, {0, 8, false}}}) {
    std::vector<const char*> argv{"quelmar-cli"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    CliOptions options;
    std::ostringstream out, err;
    ASSERT_FALSE(ParseCliOptions(static_cast<int>(argv.size()), argv.data(), options, out, err))
        << err.str();
    const LogoFitting fitting = ResolveParameters(options).fields.stamp.fitting;
    EXPECT_EQ(fitting.scale_percent, c.expected.scale_percent);
    EXPECT_EQ(fitting.margin, c.expected.margin);
    EXPECT_EQ(fitting.margin_is_percent, c.expected.margin_is_percent);
  }
  for (const auto& bad : std::vector<std::pair<const char*, const char*>>{{"--logo-scale", "101"},
                                                                          {"--logo-scale", "-1"},
                                                                          {"--margin", "1001"},
                                                                          {"--margin", "101%"},
                                                                          {"--margin", "5px"},
                                                                          {"--margin", "-3"}}) {
    EXPECT_EQ(Parse({bad.first, bad.second}).status, kExitBadUsage) << bad.first << bad.second;
  }
}

// A settings file's margin is overridden by the option, percentage and all.
TEST(ParseCliOptions, AMarginOptionOverridesTheSettingsFile) {
  const TempFolder folder;
  const std::string ini = folder / "Quelmar.ini";
  WriteText(ini, "[Setup]\r\nLogoMargin=9%\r\nLogoScale=12\r\n");
  const Parsed from_file = Parse({"--settings", ini.c_str()});
  ASSERT_FALSE(from_file.status) << from_file.err;
  EXPECT_TRUE(ResolveParameters(from_file.options).fields.stamp.fitting.margin_is_percent);
  const Parsed p = Parse({"--settings", ini.c_str(), "--margin", "9"});
  ASSERT_FALSE(p.status) << p.err;
  const LogoFitting fitting = ResolveParameters(p.options).fields.stamp.fitting;
  EXPECT_EQ(fitting.margin, 9);
  EXPECT_FALSE(fitting.margin_is_percent);
  EXPECT_EQ(fitting.scale_percent, 12);
}

}  // namespace
}  // namespace quelmar
