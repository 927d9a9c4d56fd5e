#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <map>
#include <ostream>
#include <string_view>
#include <system_error>

#include "base/version.h"
#include "settings/settings_file.h"
#include "settings/settings_host.h"
#include "settings/settings_table.h"

namespace quelmar {

namespace {

constexpr const char* kDescription =
    "quelmar-cli: stamps a logo onto every JPEG photograph below a folder and writes the\n"
    "results under the same relative paths below an output folder. Sub-folders come first,\n"
    "then *.jpg, then *.jpeg files (any letter case); hidden entries and linked folders are\n"
    "skipped. Output files are written whole or not at all.";

constexpr const char* kFooter =
    R"(Positions: 0 top left, 1 top centre, 2 top right, 3 bottom left, 4 bottom centre,
  5 bottom right.
Masks: 0 the logo's own colours at the density; 1 black-and-white ink, each logo channel
  an opacity of its own; 2 one ink, white where the area under the logo is mostly darker
  than the threshold, black otherwise.
Exclusions: comma text; items are separated by commas or blanks, a name with blanks goes
  in double quotes ("my photos", tmp). Names are compared exactly, case included.
Settings: --settings reads the window's settings file (section Setup) with its defaults
  and limits; options given on the command line override its values. It is never written.
Failed files: a file that cannot be read or is smaller than the logo is reported on
  standard error; --on-error decides whether the run goes on.
Jobs: the files ahead are read, decoded, stamped and encoded on --jobs threads at once
  (0, the default, for one per core; a settings file's Jobs key sets it too); they are
  written one after another in the order above, whatever the number of jobs, and the
  output is the same byte for byte.
Ctrl-C stops the run before the next file; files already written stay, and no file is
  ever left half written.

Exit status: 0 every file converted, 1 some files could not be converted, 2 bad
arguments or a failed check, 3 an error ended the run, 130 interrupted by Ctrl-C.)";

// The window's edit fields and settings fields, filled by the same loading as the window's.
class SettingsFileHost : public SettingsHost {
 public:
  std::string EditText(EditField field) const override { return texts_[field]; }
  void SetEditText(EditField field, const std::string& text) override { texts_[field] = text; }
  SettingsFields& Fields() override { return fields_; }
  const EditTexts& texts() const { return texts_; }

 private:
  EditTexts texts_;
  SettingsFields fields_;
};

// A whole number in decimal and nothing else, or none.
std::optional<std::int32_t> WholeNumber(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The check of a number option: a whole number inside what its setting offers.
CLI::Validator OfferedRange(const SettingSpec& spec) {
  const std::int32_t low = spec.offered_minimum();
  const std::int32_t high = spec.maximum;
  const std::string expected =
      "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high);
  return CLI::Validator(
      [low, high, expected](const std::string& text) {
        const std::optional<std::int32_t> value = WholeNumber(text);
        return value && *value >= low && *value <= high ? std::string() : expected;
      },
      "");
}

// The check of a distance option: the text SetDistance takes.
CLI::Validator DistanceForm(const SettingSpec& spec) {
  const std::string expected = "expected 0 to " + std::to_string(spec.maximum) +
                               " pixels, or 0% to 100% of the shorter side";
  return CLI::Validator(
      [&spec, expected](const std::string& text) {
        SettingsFields scratch;
        return SetDistance(spec, scratch, text) ? std::string() : expected;
      },
      "");
}

// The name of an option's value in the help: what a path names, or a number's range.
std::string ValueName(const SettingSpec& spec) {
  switch (spec.kind) {
    case SettingKind::kFilePath:
      return "FILE";
    case SettingKind::kFolderPath:
      return "DIR";
    case SettingKind::kText:
      return "TEXT";
    case SettingKind::kDistance:
      return "PIXELS|PERCENT%";
    default:
      return std::to_string(spec.offered_minimum()) + "-" + std::to_string(spec.maximum);
  }
}

std::string HelpOf(const SettingSpec& spec) {
  std::string help(spec.help);
  if (spec.kind == SettingKind::kSwitch) return help + "; default off";
  if (!spec.is_text()) help += "; default " + std::to_string(spec.fallback);
  return help;
}

// One option for each setting the converter offers, by the setting's key; values receives
// what each is given.
std::map<std::string_view, CLI::Option*> AddSettingOptions(
    CLI::App& app, std::map<std::string_view, std::string>& values) {
  std::map<std::string_view, CLI::Option*> added;
  for (const SettingSpec& spec : SettingsTable()) {
    if (spec.option.empty()) continue;
    if (spec.kind == SettingKind::kSwitch) {
      // A switch given on the command line turns its setting on.
      std::string& value = values[spec.key];
      added[spec.key] = app.add_flag_callback(
          std::string(spec.option), [&value] { value = "1"; }, HelpOf(spec));
      continue;
    }
    CLI::Option* option = app.add_option(std::string(spec.option), values[spec.key], HelpOf(spec))
                              ->type_name(ValueName(spec));
    if (spec.kind == SettingKind::kDistance) {
      option->check(DistanceForm(spec));
    } else if (!spec.is_text()) {
      option->check(OfferedRange(spec));
    }
    added[spec.key] = option;
  }
  return added;
}

}  // namespace

std::optional<int> ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                                   std::ostream& out, std::ostream& err) {
  CLI::App app{kDescription, "quelmar-cli"};
  app.footer(kFooter);
  app.get_formatter()->column_width(34);
  app.set_version_flag("--version", std::string("quelmar-cli ") + kVersion,
                       "print the version and exit");
  // A later option wins, so that a wrapper script can override what it was given.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  std::map<std::string_view, std::string> values;
  const std::map<std::string_view, CLI::Option*> setting_options = AddSettingOptions(app, values);
  app.add_option("--settings", options.settings_file, "take the parameters from a Quelmar.ini")
      ->type_name("FILE")
      ->check(CLI::ExistingFile.description(""));
  std::string on_error = "continue";
  app.add_option("--on-error", on_error,
                 "after a file that fails: continue or stop; default continue")
      ->type_name("continue|stop")
      ->check(CLI::IsMember({"continue", "stop"}).description(""));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return status == 0 ? 0 : kExitBadUsage;
  }
  options.on_error = on_error == "stop" ? OnError::kStop : OnError::kContinue;
  for (const auto& [key, option] : setting_options) {
    if (option->count() > 0) options.settings[std::string(key)] = values[key];
  }
  return std::nullopt;
}

CliParameters ResolveParameters(const CliOptions& options) {
  SettingsFileHost host;
  if (!options.settings_file.empty()) LoadSettings(host, options.settings_file);
  for (const auto& [key, value] : options.settings) {
    const SettingSpec& spec = SettingOf(key);
    if (spec.edit) {
      host.SetEditText(*spec.edit, value);
    } else if (spec.text != nullptr) {
      spec.text(host.Fields()) = value;
    } else if (spec.kind == SettingKind::kDistance) {
      SetDistance(spec, host.Fields(), value);  // checked when the option was parsed
    } else {
      SetNumber(spec, host.Fields(), WholeNumber(value).value_or(spec.fallback));
    }
  }
  return CliParameters{host.texts(), host.Fields()};
}

}  // namespace quelmar
