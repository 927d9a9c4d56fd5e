#include "ui/error_report.h"

namespace quelmar {

std::string ErrorReportText(const std::string& message) {
  // The bytes of a multi-byte UTF-8 character are all above 0x7F, so comparing the last byte
  // compares the last character.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void ReportError(Dialogs& dialogs, const std::exception& error) {
  dialogs.ShowError(ErrorReportText(error.what()));
}

}  // namespace quelmar
