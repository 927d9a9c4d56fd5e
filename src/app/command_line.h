#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace quelmar {

// What the program answers before Qt starts, so that no window and no QApplication is made for
// it: --help (or -h) and --version on out, and a missing display on err in one line (where
// QApplication would abort). Reads DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, and Qt's
// -platform and -display arguments. Returns the exit status when the program is to end here:
// 0 after --help or --version, 1 without a display; nothing when the window is to open.
std::optional<int> AnswerBeforeWindow(int argc, const char* const* argv, std::ostream& out,
                                      std::ostream& err);

// The one line that says why the window cannot open (what, in English) and that quelmar-cli
// works on a terminal, in English and Japanese, without a line end.
std::string CannotOpenWindowLine(const std::string& what);

}  // namespace quelmar
