#include "cli/progress_line.h"

#include <cmath>
#include <cstdio>

namespace quelmar {

void ProgressLine::Listed(const ListedCounts& counts) {
  listed_ = counts;
}

void ProgressLine::Finished(const FileOutcome& outcome) {
  ++done_;
  if (outcome.result != FileOutcome::Result::kSkipped &&
      outcome.result != FileOutcome::Result::kPlanned) {
    ++worked_;
  }
}

std::string ProgressLine::Text(double seconds) const {
  const double rate = seconds > 0 ? static_cast<double>(worked_) / seconds : 0.0;
  char line[160];
  if (!listed_) {
    std::snprintf(line, sizeof line, "%zu 枚  %.1f 枚/秒", done_, rate);
    return line;
  }
  const std::size_t total = listed_->to_convert + listed_->up_to_date;
  std::snprintf(line, sizeof line, "%zu / %zu 枚  %.1f 枚/秒", done_, total, rate);
  std::string text = line;
  if (worked_ > 0 && rate > 0) {
    const std::size_t left = listed_->to_convert > worked_ ? listed_->to_convert - worked_ : 0;
    text += "  残り " + Duration(static_cast<double>(left) / rate);
  }
  return text;
}

std::string Duration(double seconds) {
  const long long whole = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace quelmar
