// The region core's paint surface over a QImage in 0xFFRRGGBB pixels.
#pragma once

#include <QImage>

#include "region/RegionView.h"

class ImageSurface : public orandu::ViewSurface {
 public:
  // The image must be in QImage::Format_RGB32, whose pixels are the core's packed colours.
  explicit ImageSurface(QImage& image) : image_(image) {}

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  orandu::PackedColor* Row(int y) override {
    return reinterpret_cast<orandu::PackedColor*>(image_.scanLine(y));
  }

 private:
  QImage& image_;
};
