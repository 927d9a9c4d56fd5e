#include <QApplication>

#include "ui/about_box.h"
#include "ui/application_title.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
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
