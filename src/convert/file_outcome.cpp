#include "convert/file_outcome.h"

namespace quelmar {

std::string DetailsOf(const FileOutcome& outcome) {
  std::string details =
      (outcome.result == FileOutcome::Result::kFolderNotRead ? "フォルダ: " : "ファイル: ") +
      outcome.source;
  if (!outcome.reason.empty()) details += "\n理由: " + outcome.reason;
  return details;
}

}  // namespace quelmar
