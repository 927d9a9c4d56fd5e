#include "settings/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "settings/settings_table.h"
#include "support/bmp_builder.h"
#include "support/fake_settings_host.h"
#include "support/file_tools.h"
#include "support/rasters.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace fixtures;

constexpr const char* kDefaultFile =
    "[Setup]\r\n"
    "MarkBitmap=\r\n"
    "ExceptFolder=\r\n"
    "SourceFolder=\r\n"
    "DestinationFolder=\r\n"
    "Position=0\r\n"
    "AlphaChannel=127\r\n"
    "JPEGQuality=100\r\n"
    "B/W=250\r\n"
    "MaskType=0\r\n"
    "SampleJPEG=\r\n"
    "\r\n";

// A logo bitmap the window loads.
void WriteLogo(const std::string& path) {
  WriteBytes(path, Bmp24Bytes(LogoRaster(4, 4)));
}

// The window's fields in the order the settings file holds them.
SettingsFields WindowFields(std::int32_t position, std::int32_t alpha, std::int32_t quality,
                            std::uint8_t threshold, std::int32_t mask, const std::string& sample) {
  SettingsFields fields;
  fields.stamp = StampSettings{position, mask, alpha, threshold};
  fields.FQuality = quality;
  fields.FSampleJPEG = sample;
  return fields;
}

std::int32_t Position(const SettingsFields& f) {
  return f.stamp.FPosition;
}
std::int32_t Alpha(const SettingsFields& f) {
  return f.stamp.FAlpha;
}
std::int32_t Quality(const SettingsFields& f) {
  return f.FQuality;
}
std::int32_t MaskType(const SettingsFields& f) {
  return f.stamp.FMaskType;
}
std::int32_t Jobs(const SettingsFields& f) {
  return f.FJobs;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string ini_ = folder_ / "Quelmar.ini";
  FakeSettingsHost host_;

  void WriteIni(const std::string& text) { WriteText(ini_, text); }
  FakeSettingsHost Load() {
    FakeSettingsHost host;
    LoadSettings(host, ini_);
    return host;
  }
};

TEST_F(SettingsFileTest, LoadWithoutAFileGivesTheDefaultsAndCreatesNoFile) {
  host_.fields = WindowFields(1, 2, 3, 4, 1, "x");
  LoadSettings(host_, ini_);
  for (EditField f :
       {EditField::kLogo, EditField::kSource, EditField::kOutput, EditField::kExclusions}) {
    EXPECT_EQ(host_.EditText(f), "");
  }
  EXPECT_EQ(host_.fields.stamp.FPosition, 0);
  EXPECT_EQ(host_.fields.stamp.FAlpha, 127);
  EXPECT_EQ(host_.fields.FQuality, 100);
  EXPECT_EQ(host_.fields.stamp.FThreshold, 250);
  EXPECT_EQ(host_.fields.stamp.FMaskType, 0);
  EXPECT_EQ(host_.fields.FSampleJPEG, "");
  EXPECT_TRUE(host_.edit1_changes.empty());
  EXPECT_FALSE(std::filesystem::exists(ini_));
}

TEST_F(SettingsFileTest, FirstSaveWritesTheTwelveLinesEndingInTwoLineEnds) {
  LoadSettings(host_, ini_);
  SaveSettings(host_, ini_);
  EXPECT_EQ(ReadText(ini_), kDefaultFile);
}

// An option beyond the window's ten keys: off (0) by default, read as off when missing, and
// written only once it is set or the file already holds it.
TEST_F(SettingsFileTest, LaterOptionIsWrittenOnceSetOrAlreadyInTheFile) {
  const std::string first_save = kDefaultFile;
  // The twelve lines without the empty one that ends the section.
  const std::string without_end = first_save.substr(0, first_save.size() - 2);
  const std::string header = "[Setup]\r\n";

  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.fields.FJobs, 0);
  host_.fields.FJobs = 4;
  SaveSettings(host_, ini_);
  EXPECT_EQ(ReadText(ini_), without_end + "Jobs=4\r\n\r\n");
  EXPECT_EQ(Load().fields.FJobs, 4);

  host_.fields.FJobs = 0;
  SaveSettings(host_, ini_);
  EXPECT_EQ(ReadText(ini_), without_end + "Jobs=0\r\n\r\n");

  WriteIni("[Setup]\r\nJobs=2\r\n");
  FakeSettingsHost loaded = Load();
  EXPECT_EQ(loaded.fields.FJobs, 2);
  SaveSettings(loaded, ini_);
  EXPECT_EQ(ReadText(ini_), header + "Jobs=2\r\n" + without_end.substr(header.size()) + "\r\n");
}

TEST_F(SettingsFileTest, FirstSaveWritesTheWindowsValuesInTheKeysOrder) {
  const std::string logo = folder_ / "ロゴ.bmp";
  const std::string sample = folder_ / "見本.jpg";
  WriteLogo(logo);
  WriteText(sample, "jpeg");
  MakeFolder(folder_ / "写真");
  MakeFolder(folder_ / "出力");
  host_.SetEditText(EditField::kLogo, logo);
  host_.SetEditText(EditField::kSource, folder_ / "写真/");
  host_.SetEditText(EditField::kOutput, folder_ / "出力/");
  host_.SetEditText(EditField::kExclusions, "raw, \"古い 写真\"");
  host_.fields = WindowFields(4, 256, 85, 255, 2, sample);

  SaveSettings(host_, ini_);

  EXPECT_EQ(ReadText(ini_),
            "[Setup]\r\nMarkBitmap=" + logo +
                "\r\nExceptFolder=raw, \"古い 写真\"\r\nSourceFolder=" + folder_.path() +
                "/写真/\r\nDestinationFolder=" + folder_.path() + "/" +
                "出力/\r\nPosition=4\r\nAlphaChannel=256\r\nJPEGQuality=85\r\n"
                "B/W=255\r\nMaskType=2\r\nSampleJPEG=" +
                sample + "\r\n\r\n");
  FakeSettingsHost loaded = Load();
  EXPECT_EQ(loaded.EditText(EditField::kLogo), logo);
  EXPECT_TRUE(loaded.logo_loaded);
  EXPECT_EQ(loaded.EditText(EditField::kSource), folder_ / "写真/");
  EXPECT_EQ(loaded.EditText(EditField::kOutput), folder_ / "出力/");
  EXPECT_EQ(loaded.EditText(EditField::kExclusions), "raw, \"古い 写真\"");
  EXPECT_EQ(loaded.fields.stamp.FPosition, 4);
  EXPECT_EQ(loaded.fields.stamp.FAlpha, 256);
  EXPECT_EQ(loaded.fields.FQuality, 85);
  EXPECT_EQ(loaded.fields.stamp.FThreshold, 255);
  EXPECT_EQ(loaded.fields.stamp.FMaskType, 2);
  EXPECT_EQ(loaded.fields.FSampleJPEG, sample);
}

TEST_F(SettingsFileTest, SaveWritesTheNumbersAsTheFieldsHoldThemWithoutClamping) {
  host_.fields = WindowFields(9, -5, 1000, 0, -1, "");
  SaveSettings(host_, ini_);
  const std::string text = ReadText(ini_);
  for (const char* line : {"\r\nPosition=9\r\n", "\r\nAlphaChannel=-5\r\n",
                           "\r\nJPEGQuality=1000\r\n", "\r\nB/W=0\r\n", "\r\nMaskType=-1\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST_F(SettingsFileTest, LoadClampsNumbersAndTakesDefaultsForValuesThatDoNotConvert) {
  struct Case {
    const char* line;
    std::int32_t (*field)(const SettingsFields&);
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"Position=7", Position, 5},
      {"Position=-1", Position, 0},
      {"AlphaChannel=-3", Alpha, 0},
      {"AlphaChannel=999", Alpha, 256},
      {"AlphaChannel=$FFFFFFFF", Alpha, 0},
      {"AlphaChannel=junk", Alpha, 127},
      {"JPEGQuality=abc", Quality, 100},
      {"JPEGQuality=", Quality, 100},
      {"JPEGQuality=0x50", Quality, 80},
      {"JPEGQuality=$50", Quality, 80},
      {"JPEGQuality=2147483648", Quality, 100},
      {"MaskType = 2", MaskType, 2},
      {"MaskType=3", MaskType, 2},
      {"masktype=1", MaskType, 1},
      {"Jobs=7", Jobs, 7},
      {"Jobs=5000", Jobs, 1024},
      {"Jobs=-1", Jobs, 0},
      {"Jobs=abc", Jobs, 0},
  };
  for (const Case& c : cases) {
    WriteIni(std::string("[Setup]\n") + c.line + "\n");
    EXPECT_EQ(c.field(Load().fields), c.expected) << c.line;
  }
  for (const auto& [line, expected] : std::vector<std::pair<std::string, int>>{
           {"B/W=300", 255}, {"B/W=-1", 0}, {"B/W=$FF", 255}, {"B/W=x", 250}, {"B/W=17", 17}}) {
    WriteIni("[Setup]\n" + line + "\n");
    EXPECT_EQ(Load().fields.stamp.FThreshold, expected) << line;
  }
}

TEST_F(SettingsFileTest, FolderIsTestedWithoutItsLastCharacter) {
  MakeFolder(folder_ / "Photos");
  struct Case {
    std::string value;
    bool kept;
  };
  const std::vector<Case> before = {
      {folder_ / "Photos/", true},
      {folder_ / "Photos", false},
      {folder_ / "Missing/", false},
      {"/", false},
      {"a", false},
      {"写", false},
  };
  for (const Case& c : before) {
    WriteIni("[Setup]\nSourceFolder=" + c.value + "\n");
    EXPECT_EQ(Load().EditText(EditField::kSource), c.kept ? c.value : "") << c.value;
  }
  // Without a trailing separator the value is kept exactly when its shorter form exists.
  MakeFolder(folder_ / "Photo");
  MakeFolder(folder_ / "写");
  for (const std::string& value : {folder_ / "Photos", folder_ / "写真", folder_ / "Photo\xff"}) {
    WriteIni("[Setup]\nSourceFolder=" + value + "\n");
    EXPECT_EQ(Load().EditText(EditField::kSource), value);
  }
}

TEST_F(SettingsFileTest, MissingDestinationFolderSurvivesTheLoadAndIsEmptiedByTheSave) {
  const std::string missing = folder_ / "gone/";
  WriteIni("[Setup]\nDestinationFolder=" + missing + "\n");
  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kOutput), missing);

  SaveSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kOutput), "");
  EXPECT_NE(ReadText(ini_).find("\r\nDestinationFolder=\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, MissingLogoStaysShownWithoutALogoAndTheSaveEmptiesIt) {
  const std::string missing = folder_ / "gone.bmp";
  WriteIni("[Setup]\nMarkBitmap=" + missing + "\n");
  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kLogo), missing);
  EXPECT_FALSE(host_.logo_loaded);
  EXPECT_EQ(host_.edit1_changes, (std::vector<std::string>{missing, "", missing}));

  SaveSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kLogo), "");
  EXPECT_EQ(host_.edit1_changes.back(), "");
  EXPECT_NE(ReadText(ini_).find("[Setup]\r\nMarkBitmap=\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, ExistingLogoIsLoadedByASingleChange) {
  const std::string logo = folder_ / "logo.bmp";
  WriteLogo(logo);
  WriteIni("[Setup]\nMarkBitmap=" + logo + "\n");
  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kLogo), logo);
  EXPECT_TRUE(host_.logo_loaded);
  EXPECT_EQ(host_.edit1_changes, std::vector<std::string>{logo});

  SaveSettings(host_, ini_);
  EXPECT_EQ(host_.edit1_changes.size(), 1u);
}

TEST_F(SettingsFileTest, UnreadableLogoIsReportedOnceAndTheLoadGoesOn) {
  const std::string logo = folder_ / "broken.bmp";
  WriteText(logo, "not a bitmap");
  MakeFolder(folder_ / "src");
  WriteIni("[Setup]\nMarkBitmap=" + logo + "\nSourceFolder=" + folder_.path() + "/" +
           "src/\nPosition=3\nMaskType=1\n");
  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.reports, std::vector<std::string>{"ビットマップイメージが不正です"});
  EXPECT_EQ(host_.EditText(EditField::kLogo), logo);
  EXPECT_FALSE(host_.logo_loaded);
  EXPECT_EQ(host_.EditText(EditField::kSource), folder_ / "src/");
  EXPECT_EQ(host_.fields.stamp.FPosition, 3);
  EXPECT_EQ(host_.fields.stamp.FMaskType, 1);
}

TEST_F(SettingsFileTest, MissingSampleLoadsEmptyAndIsWrittenEmpty) {
  const std::string sample = folder_ / "sample.jpg";
  WriteIni("[Setup]\nSampleJPEG=" + sample + "\n");
  EXPECT_EQ(Load().fields.FSampleJPEG, "");

  WriteText(sample, "jpeg");
  EXPECT_EQ(Load().fields.FSampleJPEG, sample);

  host_.fields.FSampleJPEG = folder_ / "gone.jpg";
  SaveSettings(host_, ini_);
  EXPECT_EQ(host_.fields.FSampleJPEG, "");
  EXPECT_NE(ReadText(ini_).find("[Setup]\r\nSampleJPEG=\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, SaveKeepsAHandEditedFileAndRewritesItsKeysInPlace) {
  const std::string logo = folder_ / "a=b.bmp";
  WriteLogo(logo);
  WriteIni(
      "; my settings\r\n"
      "orphan=1\r\n"
      "[Other]\r\n"
      "  Foo  =  bar baz \r\n"
      "\r\n"
      "free text\r\n"
      "[setup]\r\n"
      "Position=1\r\n"
      "markbitmap = " +
      logo +
      "\r\n"
      "Extra = keep me\r\n"
      "position=2\r\n"
      "; gone\r\n"
      "[Last]\r\n"
      "x=y\r\n");
  LoadSettings(host_, ini_);
  EXPECT_EQ(host_.EditText(EditField::kLogo), logo);
  EXPECT_EQ(host_.fields.stamp.FPosition, 2);

  host_.fields.stamp.FPosition = 5;
  SaveSettings(host_, ini_);

  EXPECT_EQ(ReadText(ini_),
            "[Other]\r\n"
            "Foo=bar baz\r\n"
            "free text\r\n"
            "\r\n"
            "[setup]\r\n"
            "Position=1\r\n"
            "MarkBitmap=" +
                logo +
                "\r\n"
                "Extra=keep me\r\n"
                "Position=5\r\n"
                "ExceptFolder=\r\n"
                "SourceFolder=\r\n"
                "DestinationFolder=\r\n"
                "AlphaChannel=127\r\n"
                "JPEGQuality=100\r\n"
                "B/W=250\r\n"
                "MaskType=0\r\n"
                "SampleJPEG=\r\n"
                "\r\n"
                "[Last]\r\n"
                "x=y\r\n"
                "\r\n");
}

TEST_F(SettingsFileTest, ExceptFolderLosesItsOuterBlanksThroughASaveAndTheNextLoad) {
  host_.SetEditText(EditField::kExclusions, " \t raw, tmp  ");
  SaveSettings(host_, ini_);
  EXPECT_EQ(Load().EditText(EditField::kExclusions), "raw, tmp");
}

void ExpectSaveRefused(FakeSettingsHost& host, const std::string& ini, const std::string& old) {
  try {
    SaveSettings(host, ini);
    FAIL() << "the save was not refused";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()),
              "ファイル \"" + ini + "\". Permission denied を作成できません");
  }
  EXPECT_EQ(ReadText(ini), old);
}

TEST_F(SettingsFileTest, ReadOnlyFileFailsWithTheCreateMessageAndKeepsItsContents) {
  const std::string old = "[Setup]\r\nPosition=1\r\n\r\n";
  WriteIni(old);
  SetMode(ini_, 0444);
  host_.fields.stamp.FPosition = 4;
  ExpectSaveRefused(host_, ini_, old);
  EXPECT_EQ(FolderEntries(folder_.path()), std::vector<std::string>{"Quelmar.ini"});
}

TEST_F(SettingsFileTest, ReadOnlyFolderFailsWithTheCreateMessageAndKeepsTheFile) {
  const std::string old = "[Setup]\r\nPosition=1\r\n\r\n";
  WriteIni(old);
  SetMode(folder_.path(), 0555);
  host_.SetEditText(EditField::kOutput, folder_ / "gone/");
  ExpectSaveRefused(host_, ini_, old);
  // Fields emptied before the failing step stay empty.
  EXPECT_EQ(host_.EditText(EditField::kOutput), "");
  EXPECT_EQ(FolderEntries(folder_.path()), std::vector<std::string>{"Quelmar.ini"});
}

// A file that exists but cannot be opened for reading: one without permissions, or for root
// a write-only kernel setting; empty when the system offers none.
std::string UnreadableFile(const TempFolder& folder) {
  const std::string own = folder / "locked.ini";
  WriteText(own, "[Setup]\r\nPosition=1\r\n");
  SetMode(own, 0);
  for (const std::string& path : {own, std::string("/proc/sys/vm/drop_caches")}) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
      ::close(fd);
      continue;
    }
    if (errno == EACCES && FileExists(path)) return path;
  }
  return {};
}

TEST_F(SettingsFileTest, UnreadableFileFailsWithTheOpenMessageBeforeAnyFieldChanges) {
  const std::string path = UnreadableFile(folder_);
  if (path.empty()) GTEST_SKIP() << "no unreadable file on this system";
  const std::string message = "ファイル \"" + path + "\". Permission denied は開けません";
  try {
    LoadSettings(host_, path);
    FAIL() << "the load did not fail";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  host_.SetEditText(EditField::kOutput, folder_ / "gone/");
  try {
    SaveSettings(host_, path);
    FAIL() << "the save did not fail";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
  EXPECT_EQ(host_.EditText(EditField::kOutput), folder_ / "gone/");
}

TEST_F(SettingsFileTest, ShortWriteFailsWithTheWriteErrorAndKeepsTheOldFile) {
  const std::string old = "[Setup]\r\nPosition=1\r\n\r\n";
  WriteIni(old);
  host_.SetEditText(EditField::kExclusions, std::string(4096, 'x'));
  {
    FileSizeLimit limit(1024);
    try {
      SaveSettings(host_, ini_);
      FAIL() << "the short write was not reported";
    } catch (const EWriteError& e) {
      EXPECT_STREQ(e.what(), "ストリームへの書き込みエラー");
    }
  }
  EXPECT_EQ(ReadText(ini_), old);
  EXPECT_EQ(FolderEntries(folder_.path()), std::vector<std::string>{"Quelmar.ini"});
}

TEST_F(SettingsFileTest, SettingsPathIsQuelmarIniBesideTheExecutable) {
  const std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe");
  EXPECT_EQ(SettingsPath(), (exe.parent_path() / "Quelmar.ini").string());
}

TEST_F(SettingsFileTest, OperationsWithoutAPathUseTheFileBesideTheExecutable) {
  const std::string path = SettingsPath();
  ASSERT_FALSE(std::filesystem::exists(path)) << "a settings file is in the way: " << path;
  host_.fields.FQuality = 42;
  SaveSettings(host_);
  FakeSettingsHost loaded;
  LoadSettings(loaded);
  std::filesystem::remove(path);
  EXPECT_EQ(loaded.fields.FQuality, 42);
}

// The on/off options' keys (the lossless mode, kept metadata) are written only when they are on
// (or to turn them off again), so that the first save keeps its twelve lines; a file without
// them reads as off.
struct SwitchKey {
  const char* key;
  std::int32_t SettingsFields::*field;
};

class SwitchKeyTest : public SettingsFileTest, public ::testing::WithParamInterface<SwitchKey> {};

TEST_P(SwitchKeyTest, IsWrittenOnlyWhenOnAndReadsBack) {
  const std::string key = GetParam().key;
  const auto field = GetParam().field;
  FakeSettingsHost off;
  SaveSettings(off, ini_);
  EXPECT_EQ(ReadText(ini_), kDefaultFile);
  EXPECT_FALSE(Load().Fields().*field);

  FakeSettingsHost on;
  on.Fields().*field = 1;
  SaveSettings(on, ini_);
  EXPECT_NE(ReadText(ini_).find(key + "=1\r\n"), std::string::npos);
  EXPECT_TRUE(Load().Fields().*field);

  SaveSettings(off, ini_);
  EXPECT_NE(ReadText(ini_).find(key + "=0\r\n"), std::string::npos);
  EXPECT_FALSE(Load().Fields().*field);

  WriteIni("[Setup]\r\n" + key + "=7\r\n");  // clamped into 0..1
  EXPECT_EQ(Load().Fields().*field, 1);
}

// Every on/off option of the table, rows added later included: off in a file without its key,
// written only once it is on (so that a first save keeps its twelve lines), and read back.
TEST_F(SettingsFileTest, EverySwitchIsOffWithoutItsKey_AndWrittenOnlyOnceOn) {
  for (const SettingSpec& row : SettingsTable()) {
    if (row.kind != SettingKind::kSwitch) continue;
    SCOPED_TRACE(std::string(row.key));
    const std::string line = std::string(row.key) + "=1\r\n";
    FakeSettingsHost off;
    SaveSettings(off, ini_);
    EXPECT_EQ(ReadText(ini_), kDefaultFile);
    FakeSettingsHost loaded = Load();
    EXPECT_EQ(NumberOf(row, loaded.Fields()), 0);

    FakeSettingsHost on;
    SetNumber(row, on.Fields(), 1);
    SaveSettings(on, ini_);
    EXPECT_NE(ReadText(ini_).find(line), std::string::npos);
    loaded = Load();
    EXPECT_EQ(NumberOf(row, loaded.Fields()), 1);
    std::filesystem::remove(ini_);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchKeyTest,
    ::testing::Values(SwitchKey{"Lossless", &SettingsFields::FLossless},
                      SwitchKey{"KeepMetadata", &SettingsFields::FKeepMetadata}),
    [](const ::testing::TestParamInfo<SwitchKey>& info) { return std::string(info.param.key); });

// The logo's scale and margin are written only once they are on, and read back as they were; a
// margin the file holds in no form of its own reads as none.
TEST_F(SettingsFileTest, LogoScaleAndMarginAreWrittenOnlyWhenOnAndReadBack) {
  FakeSettingsHost off;
  SaveSettings(off, ini_);
  EXPECT_EQ(ReadText(ini_), kDefaultFile);

  FakeSettingsHost on;
  on.Fields().stamp.fitting = {25, 4, true};
  SaveSettings(on, ini_);
  const std::string text = ReadText(ini_);
  EXPECT_NE(text.find("LogoScale=25\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("LogoMargin=4%\r\n"), std::string::npos) << text;
  const LogoFitting loaded = Load().Fields().stamp.fitting;
  EXPECT_EQ(loaded.scale_percent, 25);
  EXPECT_EQ(loaded.margin, 4);
  EXPECT_TRUE(loaded.margin_is_percent);

  struct Case {
    const char* line;
    std::int32_t scale, margin;
    bool percent;
  };
  for (const Case& c : {Case{"LogoMargin=12", 0, 12, false}, Case{"LogoMargin=12%", 0, 12, true},
                        Case{"LogoMargin=2000", 0, 0, false}, Case{"LogoMargin=abc", 0, 0, false},
                        Case{"LogoMargin=150%", 0, 0, false}, Case{"LogoScale=150", 100, 0, false},
                        Case{"LogoScale=-5", 0, 0, false}, Case{"logomargin=3", 0, 3, false}}) {
    WriteIni(std::string("[Setup]\r\n") + c.line + "\r\n");
    const LogoFitting fitting = Load().Fields().stamp.fitting;
    EXPECT_EQ(fitting.scale_percent, c.scale) << c.line;
    EXPECT_EQ(fitting.margin, c.margin) << c.line;
    EXPECT_EQ(fitting.margin_is_percent, c.percent) << c.line;
  }
}

}  // namespace
}  // namespace quelmar
