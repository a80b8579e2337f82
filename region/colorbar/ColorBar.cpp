// Looking heights up in the colour bar, one value at a time or through the table of all samples.
#include "region/colorbar/ColorBar.h"

#include <algorithm>
#include <limits>

#include "region/grid/Rounding.h"

namespace orandu {

int BarColumn(HeightSample height) {
  return BarCenterColumn + RoundHalfEven(height, MetresPerBarColumn);
}

std::optional<Rgb> BarColor(const Picture& bar, HeightSample height) {
  if (bar.empty()) return std::nullopt;
  // The bar holds nothing beyond its ends; the nearest end colour is the honest extension.
  const int column = std::clamp(BarColumn(height), 0, bar.width - 1);
  return bar.at(column, 0);
}

ColorTable::ColorTable(const Picture& bar) : empty_(bar.empty()) {
  if (empty_) return;
  for (int raw = 0; raw <= std::numeric_limits<std::uint16_t>::max(); ++raw) {
    colors_[raw] = Pack(*BarColor(bar, DecodeSample(static_cast<std::uint16_t>(raw))));
  }
}

}  // namespace orandu
