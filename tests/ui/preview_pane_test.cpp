#include "ui/preview_pane.h"
#include "support/rasters.h"

#include <gtest/gtest.h>

#include <QImage>

namespace quelmar {
namespace {

using namespace fixtures;

QRgb PixelOf(const Raster24& raster, int x, int y) {
  const std::uint8_t* p = raster.Row(y) + 3 * x;
  return qRgb(p[2], p[1], p[0]);
}

QImage Grey(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(90, 90, 90));
  return image;
}

TEST(DrawRasterOnImage, CutsOffWhatFallsOutsideOnTheTopLeft) {
  const Raster24 raster = NoisyRaster(3, 3, 1);
  QImage image = Grey(2, 2);

  DrawRasterOnImage(image, raster, -1, -2);

  EXPECT_EQ(image.pixel(0, 0), PixelOf(raster, 1, 2));
  EXPECT_EQ(image.pixel(1, 0), PixelOf(raster, 2, 2));
  EXPECT_EQ(image.pixel(0, 1), qRgb(90, 90, 90));
}

TEST(DrawRasterOnImage, KeepsThePixelsItDoesNotCover) {
  const Raster24 raster = NoisyRaster(5, 5, 2);
  QImage image = Grey(3, 3);

  DrawRasterOnImage(image, raster, 2, 1);

  EXPECT_EQ(image.pixel(2, 1), PixelOf(raster, 0, 0));
  EXPECT_EQ(image.pixel(2, 2), PixelOf(raster, 0, 1));
  EXPECT_EQ(image.pixel(1, 1), qRgb(90, 90, 90));
  EXPECT_EQ(image.pixel(2, 0), qRgb(90, 90, 90));
}

TEST(DrawRasterOnImage, DrawsNothingFromAnEmptyRasterOrOneBeyondTheEdge) {
  QImage image = Grey(4, 4);
  DrawRasterOnImage(image, Raster24(), 0, 0);
  DrawRasterOnImage(image, NoisyRaster(2, 2, 3), 4, 0);
  DrawRasterOnImage(image, NoisyRaster(2, 2, 3), -2, -2);
  EXPECT_EQ(image, Grey(4, 4));
}

TEST(PreviewPane, CreatesItsWhiteSurfaceAtTheFirstDrawing) {
  PreviewPane pane;
  pane.resize(409, 153);
  EXPECT_FALSE(pane.HasSurface());

  pane.DrawRaster(NoisyRaster(10, 10, 4), 400, 150);

  ASSERT_TRUE(pane.HasSurface());
  EXPECT_EQ(pane.Surface().size(), QSize(409, 153));
  EXPECT_EQ(pane.Surface().pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(pane.Surface().pixel(399, 149), qRgb(255, 255, 255));
  EXPECT_NE(pane.Surface().pixel(400, 150), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace quelmar
