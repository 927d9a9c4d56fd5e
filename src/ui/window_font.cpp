#include "ui/window_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

namespace quelmar {

namespace {

constexpr int kPixelSize = 12;

QString GothicFamily() {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                                QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
                                QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic")}) {
    if (installed.contains(family, Qt::CaseInsensitive)) return family;
  }
  for (const QString& family : installed) {
    if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) return family;
  }
  return QStringLiteral("sans-serif");
}

int TextWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text);
}

}  // namespace

QFont JapaneseGothicFont() {
  static const QString family = GothicFamily();
  QFont font(family);
  font.setPixelSize(kPixelSize);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

void FitFontToWidth(QWidget* widget, const QString& text, int width) {
  QFont font = widget->font();
  const int spaces = text.count(QChar(0x3000)) + text.count(QLatin1Char(' '));
  for (int narrowing = 0;
       spaces > 0 && narrowing < font.pixelSize() / 2 && TextWidth(font, text) > width;
       ++narrowing) {
    font.setWordSpacing(-narrowing - 1);
  }
  while (font.pixelSize() > 6 && TextWidth(font, text) > width) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  widget->setFont(font);
}

}  // namespace quelmar
