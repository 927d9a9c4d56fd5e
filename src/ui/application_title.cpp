#include "ui/application_title.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/program_icon.h"
#include "ui/window_font.h"

namespace quelmar {

void SetUpApplication() {
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setFont(JapaneseGothicFont());
  // The desktop entry's name, so docks pair the windows with the menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("quelmar"));
  QApplication::setWindowIcon(ProgramWindowIcon());
  // The window is Japanese, so Qt's own dialogs (file dialog, folder tree) speak Japanese too,
  // wherever the Qt translations are installed.
  static QTranslator translator;
  if (translator.isEmpty() && translator.load(QStringLiteral("qtbase_ja"),
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&translator);
  }
}

}  // namespace quelmar
