#include "ui/error_report.h"

#include "base/errors.h"

namespace quelmar {

void ReportError(Dialogs& dialogs, const std::exception& error) {
  dialogs.ShowError(ErrorReportText(error.what()));
}

}  // namespace quelmar
