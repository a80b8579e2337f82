// A decoded picture held as top-down rows of 24-bit colours, free of any windowing code.
#pragma once

#include <cstdint>
#include <vector>

namespace orandu {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // width * height colours, the top row first

  bool empty() const { return width <= 0 || height <= 0; }
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace orandu
