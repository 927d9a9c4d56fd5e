#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "settings/settings_file.h"
#include "support/fake_settings_host.h"
#include "support/file_tools.h"
#include "support/temp_folder.h"

namespace quelmar {
namespace {

using namespace std::string_literals;

using namespace fixtures;

// The ten keys as a save writes them for a window that holds the defaults.
std::string DefaultSetup(const std::string& except_folder = "") {
  return "[Setup]\r\nMarkBitmap=\r\nExceptFolder=" + except_folder +
         "\r\nSourceFolder=\r\nDestinationFolder=\r\nPosition=0\r\nAlphaChannel=127\r\n"
         "JPEGQuality=100\r\nB/W=250\r\nMaskType=0\r\nSampleJPEG=\r\n\r\n";
}

// Bytes from 0x21 to 0xFF: never trimmed, never a line end, mostly invalid UTF-8.
std::string VisibleBytes(std::mt19937& random, std::size_t size) {
  std::uniform_int_distribution<int> byte(0x21, 0xFF);
  std::string text(size, '\0');
  for (char& c : text) c = static_cast<char>(byte(random));
  return text;
}

void ExpectFieldsInRange(FakeSettingsHost& host) {
  const SettingsFields& f = host.Fields();
  const StampSettings& s = f.stamp;
  EXPECT_TRUE(s.FPosition >= 0 && s.FPosition <= 5) << s.FPosition;
  EXPECT_TRUE(s.FAlpha >= 0 && s.FAlpha <= 256) << s.FAlpha;
  EXPECT_TRUE(f.FQuality >= 0 && f.FQuality <= 100) << f.FQuality;
  EXPECT_TRUE(s.FMaskType >= 0 && s.FMaskType <= 2) << s.FMaskType;
}

class SettingsBadInputTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string ini_ = folder_ / "Quelmar.ini";
};

TEST_F(SettingsBadInputTest, BinaryGarbageLoadsInRangeAndSavesStably) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 40; ++round) {
    std::string garbage(4096 + round * 512, '\0');
    for (char& c : garbage) c = static_cast<char>(byte(random));
    // Half of the rounds start with a Setup header so that lines reach the section; NUL bytes
    // become line ends except near the end, so that most of the bytes are read.
    if (round % 2 == 0) garbage.insert(0, "[Setup]\n");
    for (std::size_t i = 0; i + 64 < garbage.size(); ++i) {
      if (garbage[i] == '\0') garbage[i] = '\n';
    }
    WriteText(ini_, garbage);

    FakeSettingsHost host;
    ASSERT_NO_THROW(LoadSettings(host, ini_)) << "round " << round;
    ExpectFieldsInRange(host);
    ASSERT_NO_THROW(SaveSettings(host, ini_));
    const std::string first = ReadText(ini_);

    FakeSettingsHost again;
    LoadSettings(again, ini_);
    EXPECT_EQ(again.EditText(EditField::kExclusions), host.EditText(EditField::kExclusions));
    EXPECT_EQ(again.fields.stamp.FPosition, host.fields.stamp.FPosition);
    EXPECT_EQ(again.fields.stamp.FThreshold, host.fields.stamp.FThreshold);
    SaveSettings(again, ini_);
    EXPECT_TRUE(ReadText(ini_) == first) << "round " << round;
  }
}

TEST_F(SettingsBadInputTest, ForeignBinaryLinesSurviveASaveByteForByte) {
  std::mt19937 random(99);
  std::string foreign = "[Binary \xff\xfe]\r\n";
  // Appends rather than "k" + std::to_string(i): GCC 12 at -O3 misreads inserting a short
  // literal before a temporary string as an overlapping copy (-Wrestrict).
  for (int i = 0; i < 200; ++i) {
    foreign.append("k").append(std::to_string(i)).append("=");
    foreign.append(VisibleBytes(random, 300)).append("\r\n");
  }
  foreign += "\r\n";
  WriteText(ini_, foreign + DefaultSetup());

  FakeSettingsHost host;
  LoadSettings(host, ini_);
  SaveSettings(host, ini_);
  EXPECT_TRUE(ReadText(ini_) == foreign + DefaultSetup());
}

TEST_F(SettingsBadInputTest, InvalidUtf8ValuesAreKeptAsBytesAndNumbersFallBack) {
  WriteText(ini_,
            "[Setup]\r\nMarkBitmap=\xff\xfe.bmp\r\nExceptFolder=\xc3\x28, \xe3\x81\r\n"
            "SourceFolder=\xe3\x81\r\nPosition=\xff\r\nB/W=\xef\xbc\x91\r\n");
  FakeSettingsHost host;
  LoadSettings(host, ini_);
  EXPECT_EQ(host.EditText(EditField::kLogo), "\xff\xfe.bmp");
  EXPECT_FALSE(host.logo_loaded);
  EXPECT_EQ(host.EditText(EditField::kExclusions), "\xc3\x28, \xe3\x81");
  EXPECT_EQ(host.EditText(EditField::kSource), "");
  EXPECT_EQ(host.fields.stamp.FPosition, 0);
  EXPECT_EQ(host.fields.stamp.FThreshold, 250);

  SaveSettings(host, ini_);
  EXPECT_EQ(host.EditText(EditField::kLogo), "");
  EXPECT_EQ(ReadText(ini_),
            "[Setup]\r\nMarkBitmap=\r\nExceptFolder=\xc3\x28, \xe3\x81\r\nSourceFolder=\r\n"
            "Position=0\r\nB/W=250\r\nDestinationFolder=\r\nAlphaChannel=127\r\n"
            "JPEGQuality=100\r\nMaskType=0\r\nSampleJPEG=\r\n\r\n");
}

TEST_F(SettingsBadInputTest, ANulByteEndsWhatIsRead) {
  WriteText(ini_, "[Setup]\r\nPosition=3\0\r\nPosition=5\r\n[After]\r\nx=1\r\n"s);
  FakeSettingsHost host;
  LoadSettings(host, ini_);
  EXPECT_EQ(host.fields.stamp.FPosition, 3);

  WriteText(ini_, "[Setup]\r\nMaskType=1\0"s);
  LoadSettings(host, ini_);
  EXPECT_EQ(host.fields.stamp.FMaskType, 1);
}

TEST_F(SettingsBadInputTest, ThousandsOfSectionsOfTheSameNameUseAndRewriteOnlyTheLast) {
  std::string before;
  for (int i = 0; i < 3000; ++i)
    before += "[Setup]\r\nPosition=1\r\nn=" + std::to_string(i) + "\r\n\r\n";
  WriteText(ini_, before + "[SETUP]\r\nPosition=2\r\n\r\n");
  FakeSettingsHost host;
  LoadSettings(host, ini_);
  EXPECT_EQ(host.fields.stamp.FPosition, 2);

  SaveSettings(host, ini_);
  const std::string saved = ReadText(ini_);
  EXPECT_TRUE(saved.compare(0, before.size(), before) == 0);
  EXPECT_EQ(saved.substr(before.size()),
            "[SETUP]\r\nPosition=2\r\nMarkBitmap=\r\nExceptFolder=\r\nSourceFolder=\r\n"
            "DestinationFolder=\r\nAlphaChannel=127\r\nJPEGQuality=100\r\nB/W=250\r\n"
            "MaskType=0\r\nSampleJPEG=\r\n\r\n");
}

// About 100 MB: thousands of small sections, the Setup section with a value of a megabyte,
// and a section of megabyte lines. It is written as a save writes it, so a save of what was
// loaded must give the same bytes.
TEST_F(SettingsBadInputTest, HundredMegabyteFileLoadsAndSurvivesASaveUnchanged) {
  std::mt19937 random(7);
  const std::string megabyte = VisibleBytes(random, 1 << 20);
  const std::string except_folder = std::string(1 << 20, 'x');
  std::string text;
  text.reserve(105u << 20);
  for (int i = 0; i < 5000; ++i) {
    text += "[Section " + std::to_string(i) + "]\r\nKey=" + std::to_string(i) + "\r\n\r\n";
  }
  text += DefaultSetup(except_folder);
  text += "[Big]\r\n";
  for (int i = 0; i < 90; ++i) {
    text.append("L").append(std::to_string(i)).append("=");
    text.append(megabyte, static_cast<std::size_t>(i) * 1000, std::string::npos);
    text.append(megabyte, 0, static_cast<std::size_t>(i) * 1000);
    text += "\r\n";
  }
  while (text.size() < (100u << 20)) text += "short line " + std::to_string(text.size()) + "\r\n";
  text += "\r\n";
  WriteText(ini_, text);

  FakeSettingsHost host;
  LoadSettings(host, ini_);
  EXPECT_TRUE(host.EditText(EditField::kExclusions) == except_folder);
  EXPECT_EQ(host.fields.stamp.FAlpha, 127);

  SaveSettings(host, ini_);
  const std::string saved = ReadText(ini_);
  EXPECT_EQ(saved.size(), text.size());
  EXPECT_TRUE(saved == text);
}

TEST_F(SettingsBadInputTest, MegabyteLinesWhereTheTenKeysAreExpectedGiveDefaults) {
  const std::string junk(1 << 20, '7');
  WriteText(ini_, "[Setup]\r\nMarkBitmap=/" + junk + "\r\nSourceFolder=" + junk + "/\r\nPosition=" +
                      junk + "\r\nSampleJPEG=" + junk + "\r\nB/W=" + junk + "\r\n");
  FakeSettingsHost host;
  LoadSettings(host, ini_);
  EXPECT_TRUE(host.EditText(EditField::kLogo) == "/" + junk);
  EXPECT_FALSE(host.logo_loaded);
  EXPECT_EQ(host.EditText(EditField::kSource), "");
  EXPECT_EQ(host.fields.stamp.FPosition, 0);
  EXPECT_EQ(host.fields.stamp.FThreshold, 250);
  EXPECT_EQ(host.fields.FSampleJPEG, "");

  SaveSettings(host, ini_);
  EXPECT_EQ(ReadText(ini_),
            "[Setup]\r\nMarkBitmap=\r\nSourceFolder=\r\nPosition=0\r\nSampleJPEG=\r\n"
            "B/W=250\r\nExceptFolder=\r\nDestinationFolder=\r\nAlphaChannel=127\r\n"
            "JPEGQuality=100\r\nMaskType=0\r\n\r\n");
}

}  // namespace
}  // namespace quelmar
