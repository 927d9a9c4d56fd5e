#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <map>
#include <ostream>

#include "base/system_limits.h"
#include "settings/settings_file.h"
#include "settings/settings_host.h"

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
Jobs: the files ahead are read, decoded, stamped and encoded on --jobs threads at once;
  they are written one after another in the order above, whatever the number of jobs, and
  the output is the same byte for byte.
Ctrl-C stops the run before the next file; files already written stay, and no file is
  ever left half written.

Exit status: 0 every file converted, 1 some files could not be converted, 2 bad
arguments or a failed check, 3 an error ended the run, 130 interrupted by Ctrl-C.)";

// The window's settings fields, filled by the same loading as the window's.
class SettingsFileHost : public SettingsHost {
 public:
  std::string EditText(EditField field) const override {
    const auto it = texts_.find(field);
    return it == texts_.end() ? std::string() : it->second;
  }
  void SetEditText(EditField field, const std::string& text) override { texts_[field] = text; }
  SettingsFields& Fields() override { return fields_; }

 private:
  std::map<EditField, std::string> texts_;
  SettingsFields fields_;
};

// An integer option that takes low..high; its type name in the help is the range.
void AddRange(CLI::App& app, const std::string& name, std::optional<std::int32_t>& target,
              std::int32_t low, std::int32_t high, const std::string& help) {
  app.add_option(name, target, help)
      ->type_name(std::to_string(low) + "-" + std::to_string(high))
      ->check(CLI::Range(low, high).description(""));
}

template <typename T>
void Override(const std::optional<T>& given, T& target) {
  if (given) target = *given;
}

}  // namespace

std::optional<int> ParseCliOptions(int argc, const char* const* argv, CliOptions& options,
                                   std::ostream& out, std::ostream& err) {
  CLI::App app{kDescription, "quelmar-cli"};
  app.footer(kFooter);
  app.get_formatter()->column_width(34);
  // A later option wins, so that a wrapper script can override what it was given.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  app.add_option("--logo", options.logo, "logo bitmap (BMP); its top-left colour is transparent")
      ->type_name("FILE");
  app.add_option("--source", options.source, "folder of the source photographs")->type_name("DIR");
  app.add_option("--output", options.output, "existing folder for the results, not in --source")
      ->type_name("DIR");
  app.add_option("--exclude", options.exclude,
                 "folder names to skip at any depth, e.g. \"raw, old\"")
      ->type_name("TEXT");
  AddRange(app, "--position", options.position, 0, 5, "where the logo goes (see below); default 0");
  AddRange(app, "--density", options.density, 0, 256,
           "0 no logo .. 256 full strength; default 127");
  AddRange(app, "--mask", options.mask, 0, 2, "how the logo is blended (see below); default 0");
  AddRange(app, "--threshold", options.threshold, 0, 255,
           "darker pixels count as dark (mask 2); default 250");
  AddRange(app, "--quality", options.quality, 1, 100, "JPEG quality of the results; default 100");
  app.add_flag_callback(
      "--lossless", [&options] { options.lossless = true; },
      "code again only the 8x8 blocks under the logo, keeping every other block of the photo "
      "as it is; --quality does not apply");
  app.add_option("--settings", options.settings_file, "take the parameters from a Quelmar.ini")
      ->type_name("FILE")
      ->check(CLI::ExistingFile.description(""));
  std::string on_error = "continue";
  app.add_option("--on-error", on_error,
                 "after a file that fails: continue or stop; default continue")
      ->type_name("continue|stop")
      ->check(CLI::IsMember({"continue", "stop"}).description(""));
  options.jobs = static_cast<std::int32_t>(UsableCores());
  app.add_option("-j,--jobs", options.jobs, "files worked on at once; default: the number of cores")
      ->type_name("N")
      ->check(CLI::PositiveNumber.description(""));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return status == 0 ? 0 : kExitBadUsage;
  }
  options.on_error = on_error == "stop" ? OnError::kStop : OnError::kContinue;
  return std::nullopt;
}

CliParameters ResolveParameters(const CliOptions& options) {
  CliParameters parameters;
  if (!options.settings_file.empty()) {
    SettingsFileHost host;
    LoadSettings(host, options.settings_file);
    const SettingsFields& fields = host.Fields();
    parameters.logo = host.EditText(EditField::kEdit1);
    parameters.source = host.EditText(EditField::kEdit2);
    parameters.output = host.EditText(EditField::kEdit3);
    parameters.exclude = host.EditText(EditField::kEdit4);
    parameters.stamp = {fields.FPosition, fields.FMaskType, fields.FAlpha, fields.FThreshold};
    parameters.quality = fields.FQuality;
    parameters.lossless = fields.FLossless;
  }
  Override(options.logo, parameters.logo);
  Override(options.source, parameters.source);
  Override(options.output, parameters.output);
  Override(options.exclude, parameters.exclude);
  Override(options.position, parameters.stamp.FPosition);
  Override(options.density, parameters.stamp.FAlpha);
  Override(options.mask, parameters.stamp.FMaskType);
  Override(options.quality, parameters.quality);
  Override(options.lossless, parameters.lossless);
  parameters.jobs = options.jobs;
  if (options.threshold)
    parameters.stamp.FThreshold = static_cast<std::uint8_t>(*options.threshold);
  return parameters;
}

}  // namespace quelmar
