#include "ui/application_title.h"

#include <QApplication>

#include "ui/window_font.h"

namespace quelmar {

void SetUpApplication() {
  QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setFont(JapaneseGothicFont());
}

}  // namespace quelmar
