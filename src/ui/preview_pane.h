#pragma once

#include <QImage>
#include <QWidget>

#include "image/raster24.h"

namespace quelmar {

// Copies raster onto image with its top-left corner at (x, y), pixel for pixel; what falls
// outside the image is cut off, and the image's other pixels keep their content.
void DrawRasterOnImage(QImage& image, const Raster24& raster, int x, int y);

// The preview pane Image1: a picture control that shows a drawing surface of its own. The
// surface comes into being, white and of the control's size, at its first use, and is never
// resized afterwards: a drawing changes only the pixels it covers, until Clear.
class PreviewPane : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewPane(QWidget* parent = nullptr);

  // Text with its top-left corner at (x, y), in the pane's font and the window-text colour on
  // an opaque white background.
  void DrawText(int x, int y, const QString& text);
  void DrawRaster(const Raster24& raster, int x, int y);
  // Makes every pixel of the surface white again.
  void Clear();

  bool HasSurface() const { return !surface_.isNull(); }
  // The surface as it is now (null before its first use).
  const QImage& Surface() const { return surface_; }

 signals:
  // A click with the left button: pressed and released on the pane.
  void clicked();
  // A double click with the left button; the click before it has been signalled already.
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage& UsedSurface();

  QImage surface_;
  bool pressed_ = false;
};

}  // namespace quelmar
