#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <map>
#include <ostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/paths.h"
#include "base/version.h"
#include "cli/parse_errors.h"
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
Updates: with --update (or SkipUpToDate=1 in the settings file) each output records what it
  was made from: the source's size and time, the logo's pixels and every setting that changes
  its bytes. A photo is skipped only while its output's record still matches; an output
  without a record, or with a damaged one, is made again.
Slices: --shard I/N takes the files whose path below --source hashes into slice I of N, the
  same on every machine and in every run; N runs with I = 1..N make what one run makes.
Ctrl-C stops the run before the next file; files already written stay, and no file is
  ever left half written.

Exit status: 0 every file converted (or up to date), 1 some files could not be converted
or the source holds no JPEG at all, 2 bad arguments or a failed check, 3 an error ended
the run, 130 interrupted by Ctrl-C.)";

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
CLI::Validator OfferedRange(const SettingSpec& setting) {
  const std::int32_t low = setting.offered_minimum();
  const std::int32_t high = setting.maximum;
  const std::string expected = WholeNumberExpected(low, high);
  return CLI::Validator(
      [low, high, expected](const std::string& text) {
        const std::optional<std::int32_t> value = WholeNumber(text);
        return value && *value >= low && *value <= high ? std::string() : expected;
      },
      "");
}

// The check of a distance option: the text SetDistance takes.
CLI::Validator DistanceForm(const SettingSpec& setting) {
  const std::string expected = "expected 0 to " + std::to_string(setting.maximum) +
                               " pixels, or 0% to 100% of the shorter side";
  return CLI::Validator(
      [&setting, expected](const std::string& text) {
        SettingsFields scratch;
        return SetDistance(setting, scratch, text) ? std::string() : expected;
      },
      "");
}

// The name of an option's value in the help: what a path names, or a number's range.
std::string ValueName(const SettingSpec& setting) {
  switch (setting.kind) {
    case SettingKind::kFilePath:
      return "FILE";
    case SettingKind::kFolderPath:
      return "DIR";
    case SettingKind::kText:
      return "TEXT";
    case SettingKind::kDistance:
      return "PIXELS|PERCENT%";
    default:
      return std::to_string(setting.offered_minimum()) + "-" + std::to_string(setting.maximum);
  }
}

std::string HelpOf(const SettingSpec& setting) {
  std::string help(setting.help);
  if (setting.kind == SettingKind::kSwitch) return help + "; default off";
  if (!setting.is_text()) help += "; default " + std::to_string(setting.fallback);
  return help;
}

// One option for each setting the converter offers, by the setting's key; values receives
// what each is given.
std::map<std::string_view, CLI::Option*> AddSettingOptions(
    CLI::App& app, std::map<std::string_view, std::string>& values) {
  std::map<std::string_view, CLI::Option*> added;
  for (const SettingSpec& setting : SettingsTable()) {
    if (setting.option.empty()) continue;
    if (setting.kind == SettingKind::kSwitch) {
      // A switch given on the command line turns its setting on.
      std::string& value = values[setting.key];
      added[setting.key] = app.add_flag_callback(
          std::string(setting.option), [&value] { value = "1"; }, HelpOf(setting));
      continue;
    }
    CLI::Option* option =
        app.add_option(std::string(setting.option), values[setting.key], HelpOf(setting))
            ->type_name(ValueName(setting));
    if (setting.kind == SettingKind::kDistance) {
      option->check(DistanceForm(setting));
    } else if (!setting.is_text()) {
      option->check(OfferedRange(setting));
    }
    added[setting.key] = option;
  }
  return added;
}

// The names of every option of app, for the closest one to a misspelt name.
std::vector<std::string> OptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

// Parses into app, which keeps unknown arguments: the refusal of the first bad argument in
// plain words, or an empty text. Help and the version are printed and thrown as CLI::Success.
std::string ParseOrRefuse(CLI::App& app, int argc, const char* const* argv, const RunOptions& run) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success&) {
    throw;
  } catch (const CLI::ParseError& e) {
    return PlainParseError(e);
  }
  if (!app.remaining().empty()) {
    return UnexpectedArgumentMessage(app.remaining().front(), OptionNames(app));
  }
  return CheckRunOptions(run).value_or(std::string());
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
      ->check(CLI::Validator(
          [](const std::string& path) {
            return FileExists(path) ? std::string() : std::string("そのファイルがありません");
          },
          ""));
  std::string on_error = "continue";
  app.add_option("--on-error", on_error,
                 "after a file that fails: continue or stop; default continue")
      ->type_name("continue|stop")
      ->check(CLI::Validator(
          [](const std::string& value) {
            return value == "continue" || value == "stop"
                       ? std::string()
                       : std::string("continue か stop を指定してください");
          },
          ""));
  AddRunOptions(app, options.run);
  // Unknown arguments are gathered and refused in plain words, with the closest option.
  app.allow_extras();

  std::string refusal;
  try {
    refusal = ParseOrRefuse(app, argc, argv, options.run);
  } catch (const CLI::Success& e) {
    return app.exit(e, out, err);
  }
  if (!refusal.empty()) {
    err << refusal << '\n';
    return kExitBadUsage;
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
    const SettingSpec& setting = SettingOf(key);
    if (setting.edit) {
      host.SetEditText(*setting.edit, value);
    } else if (setting.text != nullptr) {
      setting.text(host.Fields()) = value;
    } else if (setting.kind == SettingKind::kDistance) {
      SetDistance(setting, host.Fields(), value);  // checked when the option was parsed
    } else {
      SetNumber(setting, host.Fields(), WholeNumber(value).value_or(setting.fallback));
    }
  }
  return CliParameters{host.texts(), host.Fields()};
}

}  // namespace quelmar
