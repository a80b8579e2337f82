// The read-out of a grid sample for people: its latitude and longitude, and its height.
#pragma once

#include <optional>
#include <string>

#include "region/ShownSamples.h"
#include "region/ZoomLevel.h"

namespace orandu {

// "北緯 35°20′ 東経 138°45′": degrees and two-digit minutes with the hemisphere's word, and
// two-digit seconds too where the grid's samples do not all lie on whole minutes ("北緯
// 35°20′15″"), with the decimals of a second its samples need ("35°20′07.5″" in a grid of 15″
// cells). Longitudes past 180° E are given west of Greenwich. The equator, the 0° meridian and
// the 180° meridian belong to no hemisphere: "緯度 0°00′", "経度 0°00′", "経度 180°00′".
std::string PositionText(GridSample sample, const GridGeometry& grid = kEtopo5Geometry);

// The position, two spaces and the height in metres ("3213 m", "-4000 m", "0 m": a minus sign
// only below sea level), or the position alone when the height is not known.
std::string ReadoutText(GridSample sample, std::optional<HeightSample> height,
                        const GridGeometry& grid = kEtopo5Geometry);
// The same zoomed, with the level beside the position: "北緯 35°20′ 東経 138°45′  1:8  3213 m";
// at 1:1 as above.
std::string ReadoutText(GridSample sample, std::optional<HeightSample> height,
                        const GridGeometry& grid, ZoomLevel zoom);

}  // namespace orandu
