// A palette read from a file: colour slices over heights in metres and the colours beyond them.
#pragma once

#include <optional>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/picture/Picture.h"

namespace orandu {

// A palette becomes a colour bar picture of this size whose column k shows the palette's colour at
// (k - 199) x 50 m, so its columns span -9950 m to +10000 m.
inline constexpr int PaletteBarWidth = 400;
inline constexpr int PaletteBarHeight = 10;
inline constexpr double PaletteBarLowestMetres = -BarCenterColumn * MetresPerBarColumn;
inline constexpr double PaletteBarHighestMetres =
    (PaletteBarWidth - 1 - BarCenterColumn) * MetresPerBarColumn;

// The space a palette blends its colours in.
enum class ColorModel { kRgb, kHsv };

// A colour in its palette's model: red, green and blue from 0 to 255, or hue from 0 to 360 with
// saturation and value from 0 to 1. Kept unrounded so that blending loses nothing.
struct ModelColor {
  double first = 0;
  double second = 0;
  double third = 0;
};

// Heights from low to high blend from lowColor to highColor; a slice with low == high is a single
// height (a category) of lowColor.
struct PaletteSlice {
  double low = 0;
  double high = 0;
  ModelColor lowColor;
  ModelColor highColor;
};

struct Palette {
  ColorModel model = ColorModel::kRgb;
  std::vector<PaletteSlice> slices;   // at least one, ascending, none overlapping the next
  std::optional<ModelColor> below;    // heights under the lowest slice; else its low end colour
  std::optional<ModelColor> above;    // heights over the highest slice; else its high end colour
  std::optional<ModelColor> missing;  // heights in a gap between slices; else mid grey

  // The colour of a height. A height on the boundary of two slices takes the upper slice; the
  // top of the highest slice belongs to it.
  Rgb ColorAt(double metres) const;
};

// The 24-bit colour of a model colour: each channel is rounded to the nearest level, an exact
// half to the even level (127.5 -> 128, 0.5 -> 0, 1.5 -> 2).
Rgb ToRgb(const ModelColor& color, ColorModel model);

// A 24-bit colour as red, green and blue from 0 to 255.
inline ModelColor FromRgb(Rgb color) {
  return {static_cast<double>(color.red), static_cast<double>(color.green),
          static_cast<double>(color.blue)};
}

// Red, green and blue from 0 to 255 (unrounded) as hue, saturation and value.
ModelColor RgbToHsv(const ModelColor& rgb);

// Hue, saturation and value as red, green and blue from 0 to 255, unrounded.
ModelColor HsvToRgb(const ModelColor& hsv);

}  // namespace orandu
