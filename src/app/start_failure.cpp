#include "app/start_failure.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/command_line.h"

namespace quelmar {

namespace {

QtMessageHandler previous_handler = nullptr;

void StartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (previous_handler != nullptr) previous_handler(type, context, message);
    return;
  }
  // Qt's own text here advises reinstalling; the warnings before it have named the cause.
  const std::string line = CannotOpenWindowLine(
      "the window could not open (Qt's platform plugin did not start, "
      "see above)");
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  // Nothing of the program has started that needs ending: no abort, no core dump.
  std::_Exit(1);
}

}  // namespace

StartFailureGuard::StartFailureGuard() : previous_(qInstallMessageHandler(StartMessage)) {
  previous_handler = previous_;
}

StartFailureGuard::~StartFailureGuard() {
  qInstallMessageHandler(previous_);
  previous_handler = nullptr;
}

}  // namespace quelmar
