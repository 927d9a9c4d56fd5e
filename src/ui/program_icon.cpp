#include "ui/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quelmar {

QPixmap ProgramIconPixmap() {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  // The print: a white mat with a dark edge, and the photograph on it.
  painter.setPen(QPen(QColor(0x2b, 0x30, 0x3b), 1.2));
  painter.setBrush(QColor(0xfd, 0xfc, 0xf7));
  painter.drawRoundedRect(QRectF(2.5, 4.5, 27, 22), 2, 2);
  const QRectF picture(5, 7, 22, 16);
  QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
  sky.setColorAt(0, QColor(0x4a, 0x9f, 0xd8));
  sky.setColorAt(1, QColor(0xb9, 0xe1, 0xf7));
  painter.setPen(Qt::NoPen);
  painter.fillRect(picture, sky);
  painter.setBrush(QColor(0xff, 0xd2, 0x3f));
  painter.drawEllipse(QPointF(10.5, 12), 2.5, 2.5);
  QPainterPath hills;
  hills.moveTo(5, 23);
  hills.lineTo(5, 19);
  hills.lineTo(13, 13.5);
  hills.lineTo(19, 18);
  hills.lineTo(27, 16);
  hills.lineTo(27, 23);
  hills.closeSubpath();
  painter.setBrush(QColor(0x2f, 0x7d, 0x4f));
  painter.drawPath(hills);

  // The seal over the corner, with the three strokes of "ミ".
  painter.setPen(QPen(QColor(0xfd, 0xfc, 0xf7), 1));
  painter.setBrush(QColor(0xd2, 0x36, 0x2b));
  painter.drawEllipse(QPointF(24, 23), 7, 7);
  painter.setPen(QPen(QColor(0xfd, 0xfc, 0xf7), 1.2, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(22, 20), QPointF(25.5, 21));
  painter.drawLine(QPointF(21.5, 22.5), QPointF(25.5, 23.5));
  painter.drawLine(QPointF(21, 25), QPointF(27, 26.5));
  painter.end();
  return QPixmap::fromImage(image);
}

}  // namespace quelmar
