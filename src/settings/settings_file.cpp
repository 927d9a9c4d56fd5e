#include "settings/settings_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/paths.h"
#include "settings/ini_file.h"
#include "settings/settings_location.h"

namespace quelmar {

namespace {

constexpr std::string_view kSection = "Setup";
constexpr std::string_view kMarkBitmap = "MarkBitmap";
constexpr std::string_view kExceptFolder = "ExceptFolder";
constexpr std::string_view kSourceFolder = "SourceFolder";
constexpr std::string_view kDestinationFolder = "DestinationFolder";
constexpr std::string_view kPosition = "Position";
constexpr std::string_view kAlphaChannel = "AlphaChannel";
constexpr std::string_view kJPEGQuality = "JPEGQuality";
constexpr std::string_view kThreshold = "B/W";
constexpr std::string_view kMaskType = "MaskType";
constexpr std::string_view kSampleJPEG = "SampleJPEG";
constexpr std::string_view kLossless = "Lossless";

bool IsStaleFile(const std::string& path) {
  return !path.empty() && !FileExists(path);
}

// The text without its last character; a malformed UTF-8 ending loses one byte.
std::string WithoutLastCharacter(const std::string& text) {
  if (text.empty()) return text;
  std::size_t start = text.size() - 1;
  std::size_t continuations = 0;
  while (continuations < 3 && start > 0 &&
         (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
    --start;
    ++continuations;
  }
  const unsigned char lead = static_cast<unsigned char>(text[start]);
  const std::size_t length = lead >= 0xF8   ? 0
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                             : lead >= 0xC0 ? 2
                                            : 1;
  if (length != continuations + 1) start = text.size() - 1;
  return text.substr(0, start);
}

// A folder path as chosen with the browse button ends in a separator, which the test leaves
// out; a value that does not end in one loses a character of its own.
bool IsStaleFolder(const std::string& path) {
  return !path.empty() && !FolderExists(WithoutLastCharacter(path));
}

std::int32_t ReadClamped(const TMemIniFile& ini, std::string_view key, std::int32_t fallback,
                         std::int32_t low, std::int32_t high) {
  return std::clamp(ini.ReadNumber(kSection, key, fallback), low, high);
}

}  // namespace

std::string SettingsPath() {
  return SettingsPathIn(CurrentSettingsPlace());
}

void LoadSettings(SettingsHost& host, const std::string& path) {
  const TMemIniFile ini(path);

  host.SetEditText(EditField::kEdit1, ini.ReadText(kSection, kMarkBitmap, ""));
  if (IsStaleFile(host.EditText(EditField::kEdit1))) host.SetEditText(EditField::kEdit1, "");

  host.SetEditText(EditField::kEdit4, ini.ReadText(kSection, kExceptFolder, ""));

  host.SetEditText(EditField::kEdit2, ini.ReadText(kSection, kSourceFolder, ""));
  if (IsStaleFolder(host.EditText(EditField::kEdit2))) host.SetEditText(EditField::kEdit2, "");

  host.SetEditText(EditField::kEdit3, ini.ReadText(kSection, kDestinationFolder, ""));

  SettingsFields& fields = host.Fields();
  fields.FPosition = ReadClamped(ini, kPosition, 0, 0, 5);
  fields.FAlpha = ReadClamped(ini, kAlphaChannel, 127, 0, 256);
  fields.FQuality = ReadClamped(ini, kJPEGQuality, 100, 0, 100);
  fields.FThreshold = static_cast<std::uint8_t>(ReadClamped(ini, kThreshold, 250, 0, 255));
  fields.FMaskType = ReadClamped(ini, kMaskType, 0, 0, 2);
  fields.FSampleJPEG = ini.ReadText(kSection, kSampleJPEG, "");
  if (IsStaleFile(fields.FSampleJPEG)) fields.FSampleJPEG.clear();
  fields.FLossless = ReadClamped(ini, kLossless, 0, 0, 1) != 0;

  // Shown again without the check: Edit1 keeps a stale path, while the logo was loaded (by
  // the change handler) only when the path named an existing file.
  host.SetEditText(EditField::kEdit1, ini.ReadText(kSection, kMarkBitmap, ""));
}

void LoadSettings(SettingsHost& host) {
  LoadSettings(host, SettingsPath());
}

void SaveSettings(SettingsHost& host, const std::string& path) {
  TMemIniFile ini(path);

  if (IsStaleFile(host.EditText(EditField::kEdit1))) host.SetEditText(EditField::kEdit1, "");
  ini.PutText(kSection, kMarkBitmap, host.EditText(EditField::kEdit1));

  ini.PutText(kSection, kExceptFolder, host.EditText(EditField::kEdit4));

  if (IsStaleFolder(host.EditText(EditField::kEdit2))) host.SetEditText(EditField::kEdit2, "");
  ini.PutText(kSection, kSourceFolder, host.EditText(EditField::kEdit2));

  if (IsStaleFolder(host.EditText(EditField::kEdit3))) host.SetEditText(EditField::kEdit3, "");
  ini.PutText(kSection, kDestinationFolder, host.EditText(EditField::kEdit3));

  SettingsFields& fields = host.Fields();
  ini.PutNumber(kSection, kPosition, fields.FPosition);
  ini.PutNumber(kSection, kAlphaChannel, fields.FAlpha);
  ini.PutNumber(kSection, kJPEGQuality, fields.FQuality);
  ini.PutNumber(kSection, kThreshold, fields.FThreshold);
  ini.PutNumber(kSection, kMaskType, fields.FMaskType);
  if (IsStaleFile(fields.FSampleJPEG)) fields.FSampleJPEG.clear();
  ini.PutText(kSection, kSampleJPEG, fields.FSampleJPEG);
  // Written only when on (or to turn it off), so that a file saved with the mode off is the one
  // it always was.
  if (fields.FLossless || !ini.ReadText(kSection, kLossless, "").empty()) {
    ini.PutNumber(kSection, kLossless, fields.FLossless ? 1 : 0);
  }

  ini.WriteToFile();
}

void SaveSettings(SettingsHost& host) {
  const std::string path = SettingsPath();
  // The configuration folder is made on the first save; a failure shows when the file cannot
  // be created in it.
  std::error_code ignored;
  std::filesystem::create_directories(FolderPart(path), ignored);
  SaveSettings(host, path);
}

}  // namespace quelmar
