#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("ミルテカ"));
  QLabel label(QStringLiteral("ミルテカ: the window is not built yet."));
  label.show();
  return app.exec();
}
