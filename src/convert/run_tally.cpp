#include "convert/run_tally.h"

namespace quelmar {

namespace {

// The counts a run reports, in the order of the report. A new kind of outcome is a member of
// RunTally, a case in Add and a line here.
struct TallyLine {
  const char* label;
  int RunTally::*count;
  bool shown_when_zero;
};
constexpr TallyLine kTallyLines[] = {
    {"変換したファイル", &RunTally::converted, true},
    {"変換済みで飛ばしたファイル", &RunTally::skipped, false},
    {"変換できなかったファイル", &RunTally::failed, true},
};

}  // namespace

void RunTally::Add(const FileOutcome& outcome) {
  switch (outcome.result) {
    case FileOutcome::Result::kConverted:
      ++converted;
      break;
    case FileOutcome::Result::kNotRead:
    case FileOutcome::Result::kSmallerThanLogo:
    case FileOutcome::Result::kFolderNotRead:
    case FileOutcome::Result::kRefused:
      ++failed;
      break;
    case FileOutcome::Result::kSkipped:
      ++skipped;
      break;
    case FileOutcome::Result::kPlanned:
      ++planned;
      break;
  }
}

std::string RunTally::Text() const {
  std::string text;
  for (const TallyLine& line : kTallyLines) {
    if (!line.shown_when_zero && this->*line.count == 0) continue;
    if (!text.empty()) text += "、";
    text += line.label;
    text += ' ';
    text += std::to_string(this->*line.count);
  }
  return text;
}

}  // namespace quelmar
