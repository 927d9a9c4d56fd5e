#pragma once

#include <QtGlobal>

namespace quelmar {

// Held while the QApplication is made. Qt ends the program with abort() (status 134, and a
// core dump where they are kept) when no platform plugin starts, e.g. when DISPLAY names an X
// server that does not answer. While a guard lives, that fatal message instead ends the
// program with status 1 and one line on standard error (CannotOpenWindowLine) after Qt's own
// warnings, which name the cause; Qt's other messages pass to the previous handler. Not
// nestable; the destructor puts the previous handler back.
class StartFailureGuard {
 public:
  StartFailureGuard();
  ~StartFailureGuard();
  StartFailureGuard(const StartFailureGuard&) = delete;
  StartFailureGuard& operator=(const StartFailureGuard&) = delete;

 private:
  QtMessageHandler previous_;
};

}  // namespace quelmar
