// The colour bar built into the program, drawn from its telling columns.
#include <array>

#include "region/colorbar/ColorBar.h"

namespace orandu {

namespace {

struct Stop {
  int column;
  Rgb color;
};

// Columns between two stops blend linearly; the stops themselves are the bar's landmarks:
// violet in the deepest sea, lighter blues to near-white at 0 m, then the land colours.
constexpr std::array kStops{
    Stop{0, {153, 0, 255}},     Stop{29, {153, 0, 255}},    Stop{60, {84, 64, 255}},
    Stop{99, {34, 119, 255}},   Stop{150, {128, 196, 255}}, Stop{196, {241, 252, 255}},
    Stop{199, {241, 252, 255}}, Stop{200, {51, 102, 0}},    Stop{205, {112, 184, 64}},
    Stop{210, {236, 236, 150}}, Stop{211, {224, 200, 140}}, Stop{241, {198, 112, 40}},
    Stop{242, {128, 128, 32}},  Stop{250, {171, 155, 32}},  Stop{300, {153, 102, 0}},
    Stop{325, {178, 148, 120}}, Stop{350, {203, 202, 202}}, Stop{380, {255, 255, 255}},
    Stop{399, {255, 255, 255}},
};

std::uint8_t Blend(std::uint8_t from, std::uint8_t to, int step, int steps) {
  return static_cast<std::uint8_t>(from + (to - from) * step / steps);
}

}  // namespace

Picture DesignTimeColorBar() {
  constexpr int kWidth = 400;
  constexpr int kHeight = 10;
  Picture bar{kWidth, kHeight, std::vector<Rgb>(kWidth * kHeight)};
  for (std::size_t i = 0; i + 1 < kStops.size(); ++i) {
    const Stop& from = kStops[i];
    const Stop& to = kStops[i + 1];
    const int steps = to.column - from.column;
    for (int step = 0; step <= steps; ++step) {
      const Rgb color{Blend(from.color.red, to.color.red, step, steps),
                      Blend(from.color.green, to.color.green, step, steps),
                      Blend(from.color.blue, to.color.blue, step, steps)};
      for (int y = 0; y < kHeight; ++y) bar.pixels[y * kWidth + from.column + step] = color;
    }
  }
  return bar;
}

}  // namespace orandu
