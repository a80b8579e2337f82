// The colour bar: a picture whose top row maps heights to colours, 50 m to a column.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "region/picture/Picture.h"

namespace orandu {

inline constexpr int BarCenterColumn = 199;  // the column of 0 m
inline constexpr int MetresPerBarColumn = 50;

// The bar column that stands for a height: 199 + round(height / 50), halves to even.
int BarColumn(HeightSample height);

// The colour of a height in the top row of the bar. A column beyond either end of the bar takes
// the colour of the nearest end column; an empty bar has no colour for any height.
std::optional<Rgb> BarColor(const Picture& bar, HeightSample height);

// The bar the program holds before any file is loaded: 400 x 10 pixels, violet through blues to
// near-white at 0 m, then greens, tans, browns and greys to white at +10000 m.
Picture DesignTimeColorBar();

// A pixel as the paint surfaces hold it: 0xFFRRGGBB.
using PackedColor = std::uint32_t;
constexpr PackedColor Pack(Rgb c) {
  return 0xFF000000u | (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

// The colour of every raw grid sample, filled by calling BarColor for each of the 65,536 values
// so that painting through the table cannot disagree with the lookup rule: one table for ETOPO5's
// samples and one for plain signed ones.
class ColorTable {
 public:
  explicit ColorTable(const Picture& bar);

  // True when the bar is empty: no sample has a colour and nothing is painted.
  bool empty() const { return empty_; }
  // The colour of an ETOPO5 sample.
  PackedColor operator[](std::uint16_t raw) const { return etopo5_[raw]; }
  // The 65,536 colours of the raw samples of a grid that stores its heights this way.
  const PackedColor* For(SampleEncoding encoding) const {
    return encoding == SampleEncoding::kEtopo5 ? etopo5_.data() : signed_.data();
  }

 private:
  std::array<PackedColor, 65536> etopo5_{};
  std::vector<PackedColor> signed_;  // the two encodings differ only for raw 10001 ... 32767
  bool empty_ = true;
};

}  // namespace orandu
