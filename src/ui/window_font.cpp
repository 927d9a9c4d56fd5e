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
  // Narrower glyphs first, which keep the text's height; a smaller size only after that.
  constexpr int kNarrowest = 70;
  QFont font = widget->font();
  for (int stretch = 99; stretch >= kNarrowest && TextWidth(font, text) > width; --stretch) {
    font.setStretch(stretch);
  }
  while (font.pixelSize() > 8 && TextWidth(font, text) > width) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  widget->setFont(font);
}

}  // namespace quelmar
