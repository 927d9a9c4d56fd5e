#include "ui/application_title.h"

#include <QApplication>

#include "ui/program_icon.h"
#include "ui/window_font.h"

namespace quelmar {

void SetUpApplication() {
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setFont(JapaneseGothicFont());
  // The desktop entry's name, so docks pair the windows with the menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("quelmar"));
  QApplication::setWindowIcon(ProgramWindowIcon());
}

}  // namespace quelmar
