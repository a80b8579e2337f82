// Places region pictures on the Earth from where the grid's rows and columns lie.
#include "region/GeoPlacement.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "region/RegionView.h"
#include "region/grid/Rounding.h"

namespace orandu {

namespace {

constexpr double kFullTurn = 360;
constexpr double kHalfTurn = 180;

// The shortest text that reads back as the same double.
std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace

GeoPlacement PlaceRegion(const GridGeometry& grid, LatticePoint center, int width, int height) {
  const double sample = 1.0 / grid.samplesPerDegree * grid.degreesPerSample;
  const auto degrees = [](std::int64_t parts) {
    return static_cast<double>(parts) / static_cast<double>(kLatticePartsPerDegree);
  };
  GeoPlacement placement;
  placement.pixelDegrees = sample;
  // Row r lies r spacings south of the first row, column c c spacings east of the first column.
  placement.west =
      degrees(grid.firstLongitude) + FirstColumn(grid, center, width) * sample - sample / 2;
  placement.north =
      90 - degrees(grid.RowLatitude(0)) - FirstRow(grid, center, height) * sample + sample / 2;
  const double middle = placement.west + width * sample / 2;
  placement.west -= kFullTurn * std::floor((middle + kHalfTurn) / kFullTurn);
  return placement;
}

GeoPlacement PlaceRegion(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom, int width,
                         int height) {
  if (zoom.IsOneToOne()) return PlaceRegion(grid, center, width, height);
  const double sample = 1.0 / grid.samplesPerDegree * grid.degreesPerSample;
  const int k = zoom.Factor();
  // The picture's first row and column in pixels from the grid's first sample's edge: the
  // centre's sample (or its block) starts at pixel round(size / 2) + 1, and an area reaching
  // above the grid shows its first row at the top.
  const int row = grid.SampleOf(center.lat);
  const int column = grid.SampleOf(center.lon);
  const int firstRow = zoom.IsZoomedOut() ? static_cast<int>(FloorDivide(row, k)) : row * k;
  const int firstColumn =
      zoom.IsZoomedOut() ? static_cast<int>(FloorDivide(column, k)) : column * k;
  GeoPlacement placement;
  placement.pixelDegrees = zoom.IsZoomedOut() ? sample * k : sample / k;
  placement.west = static_cast<double>(grid.firstLongitude) / kLatticePartsPerDegree - sample / 2 +
                   (firstColumn - RoundHalfEven(width, 2) - 1) * placement.pixelDegrees;
  placement.north = 90 - static_cast<double>(grid.RowLatitude(0)) / kLatticePartsPerDegree +
                    sample / 2 -
                    std::max(firstRow - RoundHalfEven(height, 2) - 1, 0) * placement.pixelDegrees;
  const double middle = placement.west + width * placement.pixelDegrees / 2;
  placement.west -= kFullTurn * std::floor((middle + kHalfTurn) / kFullTurn);
  return placement;
}

GeoPlacement PlaceRegion(int centerLon, int centerLat, int width, int height) {
  return PlaceRegion(kEtopo5Geometry, DegreePoint(centerLon, centerLat), width, height);
}

std::string WorldFileText(const GeoPlacement& placement) {
  const double half = placement.pixelDegrees / 2;
  return Number(placement.pixelDegrees) + "\n0\n0\n" + Number(-placement.pixelDegrees) + "\n" +
         Number(placement.west + half) + "\n" + Number(placement.north - half) + "\n";
}

}  // namespace orandu
