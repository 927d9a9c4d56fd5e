#include "app/command_line.h"

#include <cstdlib>
#include <ostream>
#include <string_view>

#include "base/version.h"

namespace quelmar {

namespace {

constexpr const char* kHelp =
    R"(Usage: quelmar [--help | --version] [Qt's options]

Opens the window of ミルテカ (Quelmar), which stamps a logo onto every JPEG photograph of
a folder tree, with a live preview; its texts are in Japanese. The window needs a desktop
(an X11 or a Wayland display). On a terminal or a server, quelmar-cli does the same
conversion (quelmar-cli --help, man quelmar-cli).

  -h, --help  print this help and exit
  --version   print the version and exit

Qt's own options, such as -platform NAME, are passed on to Qt.
)";

// The value of an environment variable, empty when it is not set.
std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The value of Qt's option -name (or --name, which Qt takes the same way), empty when it is
// not given; as for Qt, the last one counts.
std::string QtOption(int argc, const char* const* argv, std::string_view name) {
  std::string value;
  for (int i = 1; i + 1 < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument.starts_with("--")) argument.remove_prefix(1);
    if (argument.starts_with("-") && argument.substr(1) == name) value = argv[i + 1];
  }
  return value;
}

// Why the window has no display to open on, or empty when it may have one. The platform is
// Qt's -platform argument or QT_QPA_PLATFORM: names separated by ';' that Qt tries in turn,
// each with its options after ':'. Only xcb (DISPLAY) and wayland (WAYLAND_DISPLAY) open on a
// display; offscreen, eglfs, linuxfb, vnc and the like need none. Without a platform named,
// Qt chooses xcb or wayland.
std::string MissingDisplay(int argc, const char* const* argv) {
  if (!Environment("DISPLAY").empty() || !QtOption(argc, argv, "display").empty() ||
      !Environment("WAYLAND_DISPLAY").empty()) {
    return "";
  }
  std::string platforms = QtOption(argc, argv, "platform");
  if (platforms.empty()) platforms = Environment("QT_QPA_PLATFORM");
  bool x11 = false;
  bool wayland = false;
  std::string_view rest = platforms;
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string_view entry = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name.empty()) continue;
    if (name == "xcb") {
      x11 = true;
    } else if (name.starts_with("wayland")) {
      wayland = true;
    } else {
      return "";
    }
  }
  if (x11 && !wayland) return "DISPLAY is not set";
  if (wayland && !x11) return "WAYLAND_DISPLAY is not set";
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

}  // namespace

std::optional<int> AnswerBeforeWindow(int argc, const char* const* argv, std::ostream& out,
                                      std::ostream& err) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      out << kHelp;
      return 0;
    }
    if (argument == "--version") {
      out << "quelmar " << kVersion << '\n';
      return 0;
    }
  }
  const std::string missing = MissingDisplay(argc, argv);
  if (missing.empty()) return std::nullopt;
  err << CannotOpenWindowLine("no display to open the window on (" + missing + ")") << '\n';
  return 1;
}

std::string CannotOpenWindowLine(const std::string& what) {
  return "quelmar: " + what +
         "; use quelmar-cli on a terminal / ウィンドウを開けません。端末では quelmar-cli "
         "を使ってください";
}

}  // namespace quelmar
