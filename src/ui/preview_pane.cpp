#include "ui/preview_pane.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace quelmar {

void DrawRasterOnImage(QImage& image, const Raster24& raster, int x, int y) {
  const int left = std::max(x, 0);
  const int right = std::min(x + raster.width(), image.width());
  const int top = std::max(y, 0);
  const int bottom = std::min(y + raster.height(), image.height());
  for (int row = top; row < bottom; ++row) {
    const std::uint8_t* source = raster.Row(row - y) + 3 * static_cast<std::size_t>(left - x);
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int col = left; col < right; ++col, source += 3) {
      line[col] = qRgb(source[2], source[1], source[0]);
    }
  }
}

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& PreviewPane::UsedSurface() {
  if (surface_.isNull()) {
    surface_ = QImage(width(), height(), QImage::Format_RGB32);
    surface_.fill(Qt::white);
  }
  return surface_;
}

void PreviewPane::DrawText(int x, int y, const QString& text) {
  QImage& surface = UsedSurface();
  QPainter painter(&surface);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(Qt::white);
  const QFontMetrics metrics(font());
  painter.drawText(x, y + metrics.ascent(), text);
  update();
}

void PreviewPane::DrawRaster(const Raster24& raster, int x, int y) {
  DrawRasterOnImage(UsedSurface(), raster, x, y);
  update();
}

void PreviewPane::Clear() {
  UsedSurface().fill(Qt::white);
  update();
}

void PreviewPane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (surface_.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Window));
    return;
  }
  painter.drawImage(0, 0, surface_);
}

void PreviewPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
}

void PreviewPane::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}

void PreviewPane::mouseDoubleClickEvent(QMouseEvent* event) {
  // The release that follows is not a click of its own.
  pressed_ = false;
  if (event->button() == Qt::LeftButton) emit doubleClicked();
}

}  // namespace quelmar
