// Sample positions and heights as the region view's read-out writes them.
#include "region/PositionText.h"

#include <cstdio>
#include <string>

namespace orandu {

namespace {

constexpr std::int64_t kPartsPerSecond = kLatticePartsPerDegree / 3600;  // 8
constexpr std::int64_t kPartsPerMinute = kLatticePartsPerDegree / 60;
constexpr std::int64_t kPartsNorthPole = 90 * kLatticePartsPerDegree;
constexpr std::int64_t kPartsHalfTurn = 180 * kLatticePartsPerDegree;

// How finely a grid's positions are written: the largest of these that every position is a
// whole number of. Positions are a first sample plus whole spacings, and 360° is whole minutes.
struct Precision {
  std::int64_t parts;
  int decimals;  // of a second; -1: no seconds at all
};
constexpr Precision kPrecisions[] = {
    {kPartsPerMinute, -1}, {kPartsPerSecond, 0}, {4, 1}, {2, 2}, {1, 3}};

Precision PrecisionOf(const GridGeometry& grid) {
  for (const Precision& precision : kPrecisions) {
    if (grid.Spacing() % precision.parts == 0 && grid.firstLongitude % precision.parts == 0 &&
        grid.RowLatitude(0) % precision.parts == 0) {
      return precision;
    }
  }
  return kPrecisions[std::size(kPrecisions) - 1];
}

// "<word> <degrees>°<minutes>′[<seconds>″]" for a non-negative angle in lattice parts.
std::string Angle(const char* word, std::int64_t parts, Precision precision) {
  const auto degrees = static_cast<int>(parts / kLatticePartsPerDegree);
  const auto minutes = static_cast<int>(parts % kLatticePartsPerDegree / kPartsPerMinute);
  char text[64];
  if (precision.decimals < 0) {
    std::snprintf(text, sizeof text, "%s %d°%02d′", word, degrees, minutes);
    return text;
  }
  const auto seconds = static_cast<int>(parts % kPartsPerMinute / kPartsPerSecond);
  if (precision.decimals == 0) {
    std::snprintf(text, sizeof text, "%s %d°%02d′%02d″", word, degrees, minutes, seconds);
    return text;
  }
  // An eighth of a second is 0.125″: the fraction in thousandths, cut to the decimals shown,
  // which PrecisionOf chose so that nothing is cut but zeros.
  const std::string thousandths =
      std::to_string(1000 + parts % kPartsPerSecond * 125).substr(1);  // "000" ... "875"
  std::snprintf(text, sizeof text, "%s %d°%02d′%02d.%.*s″", word, degrees, minutes, seconds,
                precision.decimals, thousandths.c_str());
  return text;
}

std::string Latitude(std::int64_t south, Precision precision) {
  const std::int64_t north = kPartsNorthPole - south;
  if (north > 0) return Angle("北緯", north, precision);
  if (north < 0) return Angle("南緯", -north, precision);
  return Angle("緯度", 0, precision);
}

std::string Longitude(std::int64_t east, Precision precision) {
  if (east == 0 || east == kPartsHalfTurn) return Angle("経度", east, precision);
  if (east < kPartsHalfTurn) return Angle("東経", east, precision);
  return Angle("西経", 2 * kPartsHalfTurn - east, precision);
}

}  // namespace

std::string PositionText(GridSample sample, const GridGeometry& grid) {
  const Precision precision = PrecisionOf(grid);
  return Latitude(grid.RowLatitude(sample.row), precision) + " " +
         Longitude(grid.ColumnLongitude(sample.column), precision);
}

std::string ReadoutText(GridSample sample, std::optional<HeightSample> height,
                        const GridGeometry& grid) {
  return ReadoutText(sample, height, grid, ZoomLevel::OneToOne());
}

std::string ReadoutText(GridSample sample, std::optional<HeightSample> height,
                        const GridGeometry& grid, ZoomLevel zoom) {
  std::string text = PositionText(sample, grid);
  if (!zoom.IsOneToOne()) text += "  " + zoom.ReadOutText();
  if (height) text += "  " + std::to_string(*height) + " m";
  return text;
}

}  // namespace orandu
