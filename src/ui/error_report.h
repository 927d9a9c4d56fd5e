#pragma once

#include <exception>
#include <string>

#include "ui/dialogs.h"

namespace quelmar {

// The text of the general error report: the message with "." added, unless its last character
// sorts at or before "." (a message ending in a Japanese character gets one).
std::string ErrorReportText(const std::string& message);

// Shows error in the general error report.
void ReportError(Dialogs& dialogs, const std::exception& error);

// Runs handler, reporting any error it raises instead of letting it travel on: every event
// handler of the window runs through this.
template <typename Handler>
void RunReporting(Dialogs& dialogs, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ReportError(dialogs, error);
  }
}

}  // namespace quelmar
