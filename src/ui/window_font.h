#pragma once

#include <QFont>

class QWidget;

namespace quelmar {

// The windows' font: a Japanese Gothic at 12 pixels, "ＭＳ Ｐゴシック" where it is installed,
// otherwise IPAPGothic or another Japanese Gothic.
QFont JapaneseGothicFont();

// Makes text of widget fit into width pixels by narrowing the font's glyphs and, where that is
// not enough, its size; the widget's geometry is never touched.
void FitFontToWidth(QWidget* widget, const QString& text, int width);

}  // namespace quelmar
