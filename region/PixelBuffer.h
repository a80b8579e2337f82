// A paint surface in plain memory, for the headless renderer, the benchmarks and the tests.
#pragma once

#include <vector>

#include "Picture.h"
#include "RegionView.h"

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

  Picture ToPicture() const {
    Picture picture{width_, height_, std::vector<Rgb>(pixels_.size())};
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
      picture.pixels[i] =
          Rgb{static_cast<std::uint8_t>(pixels_[i] >> 16),
              static_cast<std::uint8_t>(pixels_[i] >> 8), static_cast<std::uint8_t>(pixels_[i])};
    }
    return picture;
  }

 private:
  int width_;
  int height_;
  std::vector<PackedColor> pixels_;
};

}  // namespace orandu
