#include "cli/parse_errors.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace quelmar {

namespace {

// The optimal string alignment distance: letters changed, added, dropped or swapped.
std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// The option name at the front of a library message ("--logo: ..."), or empty.
std::string OptionAtFront(const std::string& message) {
  if (message.empty() || message[0] != '-') return {};
  return message.substr(0, std::min(message.find(':'), message.find(' ')));
}

}  // namespace

std::string ClosestOption(std::string_view typed, const std::vector<std::string>& names) {
  // What was typed after "=" is a value, not part of the name.
  typed = typed.substr(0, typed.find('='));
  // A short option is one letter: any other letter is as close, and none is meant.
  if (typed.size() <= 2) return {};
  std::string best;
  std::size_t best_distance = 0;
  for (const std::string& name : names) {
    const std::size_t distance = Distance(typed, name);
    if (best.empty() || distance < best_distance) {
      best = name;
      best_distance = distance;
    }
  }
  // A third of the letters may be wrong, and at least one; more is another word.
  const std::size_t letters = typed.size() > 2 ? typed.size() - 2 : 0;
  const std::size_t allowed = std::max<std::size_t>(1, letters / 3);
  return best_distance <= allowed ? best : std::string();
}

std::string UnexpectedArgumentMessage(const std::string& argument,
                                      const std::vector<std::string>& names) {
  if (argument.empty() || argument[0] != '-' || argument == "-") {
    return argument +
           ": オプションのない値です (値は --source DIR のようにオプションの後に書きます)";
  }
  const std::string name = argument.substr(0, argument.find('='));
  const std::string closest = ClosestOption(name, names);
  if (!closest.empty())
    return name + ": そのようなオプションはありません。" + closest + " のことですか？";
  return name + ": そのようなオプションはありません (quelmar-cli --help で一覧を表示します)";
}

std::string PlainParseError(const CLI::ParseError& error) {
  const std::string message = error.what();
  const std::string option = OptionAtFront(message);
  // The converter's own checks give their words in the library's "option: words" form.
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) return message;
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && !option.empty()) {
    return option + ": 値がありません";
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr && !option.empty()) {
    return option + ": 値を取らないオプションです";
  }
  return "コマンドラインを読めません: " + message;
}

std::string ValueMessage(std::string_view option, std::string_view expected) {
  return std::string(option) + ": " + std::string(expected);
}

std::string WholeNumberExpected(long long low, long long high) {
  return std::to_string(low) + " から " + std::to_string(high) + " までの整数を指定してください";
}

}  // namespace quelmar
