#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/child_process.h"

namespace quelmar {
namespace {

using testing::BuiltProgram;
using testing::ProgramResult;
using testing::RunProgram;

const std::string kWindow = "src/app/quelmar";
const std::string kConverter = "src/cli/quelmar-cli";

// An X display that no server answers, or empty when one might. (Built by appending: GCC 12
// at -O3 misreads "literal" + std::to_string(n) as an overlapping copy, -Wrestrict.)
std::string SilentDisplay() {
  struct stat status {};
  for (int number = 4242; number < 4252; ++number) {
    const std::string display = std::to_string(number);
    std::string socket = "/tmp/.X11-unix/X";
    socket += display;
    if (::stat(socket.c_str(), &status) != 0) return ":" + display;
  }
  return "";
}

// The number of lines of text, each ended by a line end.
int LineCount(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  return text.empty() || text.back() == '\n' ? lines : -1;
}

std::string LastLine(const std::string& text) {
  const std::size_t start = text.find_last_of('\n', text.size() - 2);
  return text.substr(start == std::string::npos ? 0 : start + 1);
}

struct Answer {
  std::string program;
  std::vector<std::string> arguments;
  std::vector<std::string> variables;
  std::string out_start;  // what standard output begins with
};

// --version and --help answer on standard output with status 0, whatever the display: even
// where a QApplication would fail (no display, or one that does not answer), so none is made.
TEST(AppStartTest, VersionAndHelpAnswerWithoutAWindow) {
  const std::string version = QUELMAR_VERSION;
  const std::string silent = std::string("DISPLAY=").append(SilentDisplay());
  const std::vector<Answer> answers = {
      {kWindow, {"--version"}, {}, "quelmar " + version + "\n"},
      {kWindow, {"--version"}, {silent, "QT_QPA_PLATFORM=xcb"}, "quelmar " + version + "\n"},
      {kWindow, {"-platform", "offscreen", "--version"}, {}, "quelmar " + version + "\n"},
      {kConverter, {"--version"}, {}, "quelmar-cli " + version + "\n"},
      {kWindow, {"--help"}, {}, "Usage: quelmar "},
      {kWindow, {"-h"}, {silent, "QT_QPA_PLATFORM=xcb"}, "Usage: quelmar "},
      {kWindow, {"--help", "--version"}, {}, "Usage: quelmar "},
  };
  for (const Answer& answer : answers) {
    SCOPED_TRACE(answer.program + " " + answer.arguments.front());
    const ProgramResult result =
        RunProgram(BuiltProgram(answer.program), answer.arguments, answer.variables);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, answer.out_start.size()), answer.out_start);
    EXPECT_EQ(result.err, "");
  }
  const ProgramResult help = RunProgram(BuiltProgram(kWindow), {"--help"}, {});
  for (const char* option : {"--help", "--version", "-platform", "quelmar-cli"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option << " in\n" << help.out;
  }
}

struct NoDisplay {
  std::vector<std::string> arguments;
  std::vector<std::string> variables;
  std::string reason;  // the reason the line gives in brackets
};

// Without a display for the platform Qt would use, one line on standard error says so and
// names quelmar-cli, and the status is 1 (not Qt's abort, 134).
TEST(AppStartTest, WithoutADisplayOneLineSaysSoAndTheStatusIsOne) {
  const std::string neither = "neither DISPLAY nor WAYLAND_DISPLAY is set";
  const std::vector<NoDisplay> cases = {
      {{}, {}, neither},
      {{}, {"DISPLAY=", "WAYLAND_DISPLAY="}, neither},
      {{}, {"QT_QPA_PLATFORM=xcb"}, "DISPLAY is not set"},
      {{}, {"QT_QPA_PLATFORM=wayland"}, "WAYLAND_DISPLAY is not set"},
      {{}, {"QT_QPA_PLATFORM=wayland-egl;xcb"}, neither},
      {{}, {"QT_QPA_PLATFORM=;xcb:dpi=96;"}, "DISPLAY is not set"},
      // Qt's argument wins over the variable, with one dash or two.
      {{"-platform", "xcb"}, {"QT_QPA_PLATFORM=offscreen"}, "DISPLAY is not set"},
      {{"--platform", "wayland"}, {}, "WAYLAND_DISPLAY is not set"},
  };
  for (const NoDisplay& no_display : cases) {
    SCOPED_TRACE(::testing::PrintToString(no_display.arguments) +
                 ::testing::PrintToString(no_display.variables));
    const ProgramResult result =
        RunProgram(BuiltProgram(kWindow), no_display.arguments, no_display.variables);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(LineCount(result.err), 1) << result.err;
    const std::string start =
        "quelmar: no display to open the window on (" + no_display.reason + ")";
    EXPECT_EQ(result.err.substr(0, start.size()), start) << result.err;
    EXPECT_NE(result.err.find("use quelmar-cli on a terminal"), std::string::npos);
  }
}

// Where the platform needs no display but Qt cannot start it, or the display does not answer,
// Qt's warnings stay and the program ends with status 1 and the closing line, not an abort.
TEST(AppStartTest, APlatformThatFailsToStartEndsWithStatusOne) {
  std::vector<std::vector<std::string>> cases = {{"QT_QPA_PLATFORM=no-such-platform"}};
  const std::string silent = SilentDisplay();
  if (!silent.empty()) {
    cases.push_back({"DISPLAY=" + silent, "QT_QPA_PLATFORM=xcb"});
    cases.push_back({"DISPLAY=" + silent});
  }
  for (const std::vector<std::string>& variables : cases) {
    SCOPED_TRACE(::testing::PrintToString(variables));
    const ProgramResult result = RunProgram(BuiltProgram(kWindow), {}, variables);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(LastLine(result.err).substr(0, 36), "quelmar: the window could not open (")
        << result.err;
    EXPECT_EQ(result.err.find("no display to open"), std::string::npos) << result.err;
  }
}

// A platform that needs no display (here Qt's offscreen one, named either way) is left to Qt:
// the window starts and runs until it is ended.
TEST(AppStartTest, APlatformWithoutDisplayOpensTheWindow) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{}, {"QT_QPA_PLATFORM=offscreen"}},
      {{"-platform", "offscreen"}, {"QT_QPA_PLATFORM=xcb"}},
  };
  for (const auto& [arguments, variables] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments) + ::testing::PrintToString(variables));
    const ProgramResult result =
        RunProgram(BuiltProgram(kWindow), arguments, variables, std::chrono::seconds(2));
    EXPECT_TRUE(result.still_running) << "status " << result.status << "\n" << result.err;
  }
}

}  // namespace
}  // namespace quelmar
