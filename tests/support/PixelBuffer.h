// A paint surface in plain memory, for the benchmarks, the tests and the fuzz targets.
#pragma once

#include <vector>

#include "region/RegionView.h"

namespace orandu {

inline constexpr PackedColor kBlack = 0xFF000000u;

class PixelBuffer : public ViewSurface {
 public:
  PixelBuffer(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, kBlack) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  PackedColor* Row(int y) override { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  PackedColor At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  bool operator==(const PixelBuffer& other) const {
    return width_ == other.width_ && pixels_ == other.pixels_;
  }

 private:
  int width_;
  int height_;
  std::vector<PackedColor> pixels_;
};

}  // namespace orandu
