#include "ui/program_icon.h"

#include <QIcon>

namespace quelmar {

QPixmap ProgramIconPixmap() {
  return QPixmap(QStringLiteral(":/icon/quelmar-32.png"));
}

QIcon ProgramWindowIcon() {
  // The installed theme's icon where there is one, so the window matches the menu entry.
  QIcon icon = QIcon::fromTheme(QStringLiteral("quelmar"));
  if (icon.isNull()) icon = QIcon(ProgramIconPixmap());
  return icon;
}

}  // namespace quelmar
