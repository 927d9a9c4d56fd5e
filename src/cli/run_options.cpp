#include "cli/run_options.h"

#include <CLI/CLI.hpp>

namespace quelmar {

namespace {

// A check that refuses with the converter's own words.
CLI::Validator Expecting(std::function<bool(const std::string&)> good, std::string expected) {
  return CLI::Validator(
      [good = std::move(good), expected = std::move(expected)](const std::string& value) {
        return good(value) ? std::string() : expected;
      },
      "");
}

}  // namespace

void AddRunOptions(CLI::App& app, RunOptions& options) {
  app.add_option_function<std::string>(
         "--shard", [&options](const std::string& text) { options.shard = ParseShard(text); },
         "convert only slice I of N (1 <= I <= N): the files whose path below --source falls "
         "there by its SHA-256; N runs with I = 1..N convert each file exactly once")
      ->type_name("I/N")
      ->check(Expecting([](const std::string& text) { return ParseShard(text).has_value(); },
                        "I/N の形で 1 ≤ I ≤ N の整数を指定してください (例: 2/3)"));
  app.add_option("--files-from", options.files_from,
                 "convert only the photos listed in FILE (- for standard input), one path below "
                 "--source per line")
      ->type_name("FILE");
  app.add_flag("-0,--null", options.null_separated, "the list's paths are separated by NUL bytes");
  app.add_flag("--dry-run", options.dry_run,
               "write nothing; list on standard output what would be converted (and, with "
               "--update, what is up to date)");
  std::string progress = "line";
  app.add_option_function<std::string>(
         "--progress",
         [&options](const std::string& mode) {
           options.jsonl = mode == "jsonl";
           options.progress_line = mode != "none";
         },
         "line: a progress line on a terminal (default); jsonl: also one JSON object per file "
         "and a summary on standard output; none: no progress line")
      ->type_name("line|jsonl|none")
      ->check(Expecting(
          [](const std::string& mode) {
            return mode == "line" || mode == "jsonl" || mode == "none";
          },
          "line、jsonl、none のどれかを指定してください"));
  app.add_flag("-q,--quiet", options.quiet, "say nothing but errors on standard error");
  app.add_flag("-v,--verbose", options.verbose, "say on standard error what became of every photo");
}

std::optional<std::string> CheckRunOptions(const RunOptions& options) {
  if (options.null_separated && options.files_from.empty()) {
    return std::string("-0: --files-from と一緒にだけ使えます");
  }
  if (options.quiet && options.verbose) {
    return std::string("--quiet: --verbose と一緒には使えません");
  }
  return std::nullopt;
}

}  // namespace quelmar
