// Reads a region's samples out of the painter's rows, wrapping the columns as painting does.
#include "region/RegionHeights.h"

namespace orandu {

void FillHeightRow(RegionPainter& painter, int firstColumn, int y, std::span<std::uint8_t> row) {
  const std::span<const std::uint8_t> samples = painter.GridRowOf(y);
  const auto missing = static_cast<std::uint16_t>(kMissingHeight);
  for (int x = 0; x < painter.Width(); ++x) {
    const auto at = static_cast<std::size_t>(painter.Grid().WrapColumn(firstColumn + x)) * 2;
    const bool held = at + 1 < samples.size();
    row[2 * static_cast<std::size_t>(x)] =
        held ? samples[at] : static_cast<std::uint8_t>(missing & 0xff);
    row[2 * static_cast<std::size_t>(x) + 1] =
        held ? samples[at + 1] : static_cast<std::uint8_t>(missing >> 8);
  }
}

}  // namespace orandu
