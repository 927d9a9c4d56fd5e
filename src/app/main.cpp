#include <QApplication>

#include <iostream>
#include <optional>

#include "app/command_line.h"
#include "app/start_failure.h"
#include "ui/about_box.h"
#include "ui/application_title.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
  // --help, --version and a missing display are answered before Qt is started: they need no
  // window, and QApplication would abort without a display.
  if (const std::optional<int> status =
          quelmar::AnswerBeforeWindow(argc, argv, std::cout, std::cerr)) {
    return *status;
  }
  std::optional<quelmar::StartFailureGuard> start_guard(std::in_place);
  QApplication app(argc, argv);
  start_guard.reset();

  quelmar::SetUpApplication();
  quelmar::QtDialogs dialogs;
  quelmar::TForm1 form(dialogs);
  quelmar::TAboutBox about;
  form.SetAboutBox(&about);
  form.show();
  // Files and folders the program is opened with (its desktop entry passes them).
  form.OpenPaths(QApplication::arguments().mid(1));
  return app.exec();
}
