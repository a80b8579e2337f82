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

ColorTable::ColorTable(const Picture& bar) : signed_(etopo5_.size()), empty_(bar.empty()) {
  if (empty_) return;
  for (int value = 0; value <= std::numeric_limits<std::uint16_t>::max(); ++value) {
    const auto raw = static_cast<std::uint16_t>(value);
    const HeightSample etopo5 = HeightOf(raw, SampleEncoding::kEtopo5);
    const HeightSample plain = HeightOf(raw, SampleEncoding::kSigned16);
    etopo5_[raw] = Pack(*BarColor(bar, etopo5));
    signed_[raw] = plain == etopo5 ? etopo5_[raw] : Pack(*BarColor(bar, plain));
  }
}

}  // namespace orandu
