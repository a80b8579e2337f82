// Places region pictures on the Earth: grid row r is at 90 - r/12 degrees north, column c at c/12
// degrees east.
#include "region/GeoPlacement.h"

#include <charconv>
#include <cmath>

#include "region/RegionView.h"
#include "region/grid/HeightGrid.h"

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

GeoPlacement PlaceRegion(int centerLon, int centerLat, int width, int height) {
  const double sample = 1.0 / SamplesPerDegree;
  GeoPlacement placement;
  placement.pixelDegrees = sample;
  placement.west = FirstColumn(centerLon, width) * sample - sample / 2;
  placement.north = 90 - FirstRow(centerLat, height) * sample + sample / 2;
  const double middle = placement.west + width * sample / 2;
  placement.west -= kFullTurn * std::floor((middle + kHalfTurn) / kFullTurn);
  return placement;
}

std::string WorldFileText(const GeoPlacement& placement) {
  const double half = placement.pixelDegrees / 2;
  return Number(placement.pixelDegrees) + "\n0\n0\n" + Number(-placement.pixelDegrees) + "\n" +
         Number(placement.west + half) + "\n" + Number(placement.north - half) + "\n";
}

}  // namespace orandu
