#pragma once

#include <exception>
#include <string>

#include "ui/dialogs.h"

namespace quelmar {

// Shows error in the general error report, its text made by ErrorReportText (base/errors.h).
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
