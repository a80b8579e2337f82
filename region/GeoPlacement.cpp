// Places region pictures on the Earth from where the grid's rows and columns lie.
#include "region/GeoPlacement.h"

#include <charconv>
#include <cmath>

#include "region/RegionView.h"

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

GeoPlacement PlaceRegion(int centerLon, int centerLat, int width, int height) {
  return PlaceRegion(kEtopo5Geometry, DegreePoint(centerLon, centerLat), width, height);
}

std::string WorldFileText(const GeoPlacement& placement) {
  const double half = placement.pixelDegrees / 2;
  return Number(placement.pixelDegrees) + "\n0\n0\n" + Number(-placement.pixelDegrees) + "\n" +
         Number(placement.west + half) + "\n" + Number(placement.north - half) + "\n";
}

}  // namespace orandu
