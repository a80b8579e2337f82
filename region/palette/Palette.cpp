// Looking up a palette's colour for a height, and the conversions between its colour models.
#include "region/palette/Palette.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orandu {

namespace {

// The colour those palettes' tools paint where a palette has no colour and names none.
constexpr Rgb kMidGrey = {128, 128, 128};

std::uint8_t Level(double channel) {
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<std::uint8_t>(std::clamp(std::nearbyint(channel), 0.0, 255.0));
}

ModelColor Blend(const ModelColor& from, const ModelColor& to, double fraction) {
  return {from.first + (to.first - from.first) * fraction,
          from.second + (to.second - from.second) * fraction,
          from.third + (to.third - from.third) * fraction};
}

// How far the height lies from the slice's low end to its high end, from 0 to 1. A slice wider
// than the largest double (-1e308 to 1e308) is measured in halves, which cannot overflow.
double FractionOfTheWay(double metres, const PaletteSlice& slice) {
  const double span = slice.high - slice.low;
  if (std::isfinite(span)) return (metres - slice.low) / span;
  return (metres / 2 - slice.low / 2) / (slice.high / 2 - slice.low / 2);
}

}  // namespace

Rgb Palette::ColorAt(double metres) const {
  const PaletteSlice& lowest = slices.front();
  const PaletteSlice& highest = slices.back();
  if (metres < lowest.low) return ToRgb(below.value_or(lowest.lowColor), model);
  if (metres > highest.high) return ToRgb(above.value_or(highest.highColor), model);
  // The last slice starting at or under the height, so that a shared boundary goes up.
  const auto next =
      std::upper_bound(slices.begin(), slices.end(), metres,
                       [](double height, const PaletteSlice& slice) { return height < slice.low; });
  const PaletteSlice& slice = *(next - 1);
  if (metres > slice.high) return missing ? ToRgb(*missing, model) : kMidGrey;
  if (slice.high == slice.low) return ToRgb(slice.lowColor, model);
  return ToRgb(Blend(slice.lowColor, slice.highColor, FractionOfTheWay(metres, slice)), model);
}

Rgb ToRgb(const ModelColor& color, ColorModel model) {
  const ModelColor rgb = model == ColorModel::kHsv ? HsvToRgb(color) : color;
  return {Level(rgb.first), Level(rgb.second), Level(rgb.third)};
}

ModelColor RgbToHsv(const ModelColor& rgb) {
  const double red = rgb.first / 255;
  const double green = rgb.second / 255;
  const double blue = rgb.third / 255;
  const double largest = std::max({red, green, blue});
  const double spread = largest - std::min({red, green, blue});
  const double saturation = largest > 0 ? spread / largest : 0;
  double hue = 0;
  if (spread > 0) {
    if (largest == red) {
      hue = 60 * ((green - blue) / spread);
      if (hue < 0) hue += 360;
    } else if (largest == green) {
      hue = 60 * ((blue - red) / spread + 2);
    } else {
      hue = 60 * ((red - green) / spread + 4);
    }
  }
  return {hue, saturation, largest};
}

ModelColor HsvToRgb(const ModelColor& hsv) {
  const double value = hsv.third * 255;
  const double saturation = hsv.second;
  if (saturation <= 0) return {value, value, value};
  // 360 is red again; the sector of the hue and how far into it.
  const double sectors = std::fmod(hsv.first, 360.0) / 60;
  const int sector = static_cast<int>(std::floor(sectors));
  const double into = sectors - sector;
  const double flat = value * (1 - saturation);
  const double falling = value * (1 - saturation * into);
  const double rising = value * (1 - saturation * (1 - into));
  switch (sector) {
    case 0:
      return {value, rising, flat};
    case 1:
      return {falling, value, flat};
    case 2:
      return {flat, value, rising};
    case 3:
      return {flat, falling, value};
    case 4:
      return {rising, flat, value};
    default:
      return {value, flat, falling};
  }
}

}  // namespace orandu
