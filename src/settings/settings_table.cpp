#include "settings/settings_table.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <system_error>

#include "base/paths.h"
#include "image/stamp.h"

namespace quelmar {

namespace {

using Fields = SettingsFields;

// The keys up to SampleJPEG are the window's own, in the order of the first save; options
// beyond them follow, off (0) by default.
constexpr std::array kSettings = {
    SettingSpec{.key = "MarkBitmap",
                .kind = SettingKind::kFilePath,
                .edit = EditField::kLogo,
                .shown_again = true,
                .always_saved = true,
                .leaves_output_alone = true,
                .option = "--logo",
                .help = "logo image, BMP or PNG (told apart by content): a PNG with alpha "
                        "or tRNS uses it, otherwise the top-left colour is transparent"},
    SettingSpec{.key = "ExceptFolder",
                .kind = SettingKind::kText,
                .edit = EditField::kExclusions,
                .always_saved = true,
                .leaves_output_alone = true,
                .option = "--exclude",
                .help = "folder names to skip at any depth, e.g. \"raw, old\""},
    SettingSpec{.key = "SourceFolder",
                .kind = SettingKind::kFolderPath,
                .edit = EditField::kSource,
                .always_saved = true,
                .leaves_output_alone = true,
                .option = "--source",
                .help = "folder of the source photographs"},
    SettingSpec{.key = "DestinationFolder",
                .kind = SettingKind::kFolderPath,
                .edit = EditField::kOutput,
                .checked_on_load = false,
                .always_saved = true,
                .leaves_output_alone = true,
                .option = "--output",
                .help = "existing folder for the results, not in --source"},
    SettingSpec{.key = "Position",
                .number = [](Fields& f) -> std::int32_t& { return f.stamp.FPosition; },
                .fallback = kDefaultStamp.FPosition,
                .minimum = kTopLeft,
                .maximum = kBottomRight,
                .always_saved = true,
                .option = "--position",
                .help = "where the logo goes (see below)"},
    SettingSpec{.key = "AlphaChannel",
                .number = [](Fields& f) -> std::int32_t& { return f.stamp.FAlpha; },
                .fallback = kDefaultStamp.FAlpha,
                .minimum = 0,
                .maximum = kFullDensity,
                .always_saved = true,
                .option = "--density",
                .help = "0 no logo .. 256 full strength"},
    // A stored 0 encodes as 1, the lowest quality the window and the converter offer.
    SettingSpec{.key = "JPEGQuality",
                .number = [](Fields& f) -> std::int32_t& { return f.FQuality; },
                .fallback = 100,
                .minimum = 0,
                .maximum = 100,
                .lowest_offered = 1,
                .always_saved = true,
                .option = "--quality",
                .help = "JPEG quality of the results"},
    SettingSpec{.key = "B/W",
                .kind = SettingKind::kByte,
                .byte = [](Fields& f) -> std::uint8_t& { return f.stamp.FThreshold; },
                .fallback = kDefaultStamp.FThreshold,
                .minimum = 0,
                .maximum = 255,
                .always_saved = true,
                .option = "--threshold",
                .help = "darker pixels count as dark (mask 2)"},
    SettingSpec{.key = "MaskType",
                .number = [](Fields& f) -> std::int32_t& { return f.stamp.FMaskType; },
                .fallback = kDefaultStamp.FMaskType,
                .minimum = mkColor,
                .maximum = mkWhiteOnBlack,
                .always_saved = true,
                .option = "--mask",
                .help = "how the logo is blended (see below)"},
    SettingSpec{.key = "SampleJPEG",
                .kind = SettingKind::kFilePath,
                .text = [](Fields& f) -> std::string& { return f.FSampleJPEG; },
                .always_saved = true,
                .leaves_output_alone = true},
    SettingSpec{.key = "Jobs",
                .number = [](Fields& f) -> std::int32_t& { return f.FJobs; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 1024,
                .leaves_output_alone = true,
                .option = "-j,--jobs",
                .help = "files worked on at once, 0 for one per core",
                .caption = "同時に変換するファイルの数（0: コアの数だけ）"},
    SettingSpec{.key = "Lossless",
                .kind = SettingKind::kSwitch,
                .number = [](Fields& f) -> std::int32_t& { return f.FLossless; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 1,
                .option = "--lossless",
                .help = "code again only the 8x8 blocks under the logo, keeping every other "
                        "block of the photo as it is; --quality does not apply",
                .caption = "ロゴの下のブロックだけを再圧縮する（無劣化）"},
    SettingSpec{.key = "SkipUpToDate",
                .kind = SettingKind::kSwitch,
                .number = [](Fields& f) -> std::int32_t& { return f.FSkipUpToDate; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 1,
                .leaves_output_alone = true,
                .option = "--update",
                .help = "convert only photos whose output is missing or was not made from this "
                        "source with these settings; each output records what it was made from",
                .caption = "変換済みのファイルは飛ばす"},
    SettingSpec{.key = "KeepMetadata",
                .kind = SettingKind::kSwitch,
                .number = [](Fields& f) -> std::int32_t& { return f.FKeepMetadata; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 1,
                .option = "--keep-metadata",
                .help = "keep each photo's EXIF (upright, without its thumbnail), XMP, IPTC, "
                        "comment and file date in its output",
                .caption = "写真のメタデータ（Exif・XMP・IPTC・撮影日時）とファイルの日付を残す"},
    SettingSpec{.key = "LogoScale",
                .number = [](Fields& f) -> std::int32_t& { return f.stamp.fitting.scale_percent; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 100,
                .option = "--logo-scale",
                .help = "the logo's longer side as a percentage of each photo's shorter side, "
                        "resampled once per photo size; 0 keeps the logo's own pixels",
                .caption = "ロゴの大きさ（写真の短い辺に対する %、0 で原寸）"},
    SettingSpec{.key = "LogoMargin",
                .kind = SettingKind::kDistance,
                .number = [](Fields& f) -> std::int32_t& { return f.stamp.fitting.margin; },
                .percent = [](Fields& f) -> bool& { return f.stamp.fitting.margin_is_percent; },
                .fallback = 0,
                .minimum = 0,
                .maximum = 1000,
                .option = "--margin",
                .help = "distance between the logo and the edges it touches: pixels, or a "
                        "percentage of the photo's shorter side with a % suffix (\"2%\"); a "
                        "centred logo keeps it from the top or bottom only",
                .caption = "ロゴと写真の端の間隔（ピクセル、または短い辺に対する %）"},
};

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

}  // namespace

SettingsFields::SettingsFields() {
  for (const SettingSpec& row : kSettings) SetNumber(row, *this, row.fallback);
}

std::span<const SettingSpec> SettingsTable() {
  return kSettings;
}

const SettingSpec& SettingOf(std::string_view key) {
  for (const SettingSpec& row : kSettings) {
    if (row.key == key) return row;
  }
  throw std::logic_error("no setting " + std::string(key));
}

const SettingSpec& SettingOf(EditField field) {
  for (const SettingSpec& row : kSettings) {
    if (row.edit == field) return row;
  }
  throw std::logic_error("no setting for an edit field");
}

std::int32_t NumberOf(const SettingSpec& row, SettingsFields& fields) {
  if (row.number != nullptr) return row.number(fields);
  if (row.byte != nullptr) return row.byte(fields);
  return 0;
}

void SetNumber(const SettingSpec& row, SettingsFields& fields, std::int32_t value) {
  if (row.number != nullptr) row.number(fields) = value;
  if (row.byte != nullptr) row.byte(fields) = static_cast<std::uint8_t>(value & 0xFF);
}

std::string DistanceText(const SettingSpec& row, SettingsFields& fields) {
  const bool percent = row.percent != nullptr && row.percent(fields);
  return std::to_string(NumberOf(row, fields)) + (percent ? "%" : "");
}

bool SetDistance(const SettingSpec& row, SettingsFields& fields, std::string_view text) {
  const bool percent = !text.empty() && text.back() == '%';
  if (percent) text.remove_suffix(1);
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  // from_chars takes a "-"; a distance is written without a sign.
  if (text.empty() || text.front() == '-' || error != std::errc() || stop != end) return false;
  if (value < (percent ? 0 : row.minimum) || value > (percent ? 100 : row.maximum)) {
    return false;
  }
  SetNumber(row, fields, value);
  if (row.percent != nullptr) row.percent(fields) = percent;
  return true;
}

namespace {

// A setting's value as the settings file writes it.
std::string ValueText(const SettingSpec& row, SettingsFields& fields) {
  if (row.text != nullptr) return row.text(fields);
  if (row.kind == SettingKind::kDistance) return DistanceText(row, fields);
  return std::to_string(NumberOf(row, fields));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> OutputSettingsOf(SettingsFields fields) {
  std::vector<std::pair<std::string, std::string>> settings;
  for (const SettingSpec& row : kSettings) {
    if (row.leaves_output_alone) continue;
    if (row.edit) throw std::logic_error("the record cannot hold " + std::string(row.key));
    settings.emplace_back(row.key, ValueText(row, fields));
  }
  return settings;
}

bool IsStale(const SettingSpec& row, const std::string& value) {
  if (value.empty()) return false;
  switch (row.kind) {
    case SettingKind::kFilePath:
      return !FileExists(value);
    // A folder path as chosen with the browse button ends in a separator, which the test
    // leaves out; a value that does not end in one loses a character of its own.
    case SettingKind::kFolderPath:
      return !FolderExists(WithoutLastCharacter(value));
    default:
      return false;
  }
}

}  // namespace quelmar
