// A region's samples themselves, row by row, for heights files.
#pragma once

#include <cstdint>
#include <span>

#include "region/RegionView.h"

namespace orandu {

// What a heights file holds where the grid file holds no sample (past the end of a cut file).
inline constexpr std::int16_t kMissingHeight = -32768;

// Fills region row y of the painter's region with its samples, two bytes each, low byte first,
// as many as the painter's width: pixel x holds the sample the region view shows there (the
// columns wrap east-west from firstColumn, the region's FirstColumn).
void FillHeightRow(RegionPainter& painter, int firstColumn, int y, std::span<std::uint8_t> row);

}  // namespace orandu
