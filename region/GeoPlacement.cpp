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
  const int k = zoom.Factor();
  // Edges are worked out in lattice parts, a k-th of them zoomed in (a spacing is an even number
  // of parts, so half of one is whole), and divided once, so that they come out as exact as the
  // 1:1 placement's. The centre's sample (or its block) starts at pixel round(size / 2) + 1, and
  // an area reaching above the grid shows its first row at the top.
  const std::int64_t partsPerPixel = zoom.IsZoomedOut() ? k * grid.Spacing() : grid.Spacing();
  const std::int64_t scale = zoom.IsZoomedIn() ? k : 1;
  const auto firstPixel = [&](int sample, int size) -> std::int64_t {
    const std::int64_t centre =
        zoom.IsZoomedOut() ? FloorDivide(sample, k) : std::int64_t{sample} * k;
    return centre - RoundHalfEven(size, 2) - 1;
  };
  const std::int64_t westParts = (grid.firstLongitude - grid.Spacing() / 2) * scale +
                                 firstPixel(grid.SampleOf(center.lon), width) * partsPerPixel;
  const std::int64_t southOfNorthParts =
      (grid.RowLatitude(0) - grid.Spacing() / 2) * scale +
      std::max<std::int64_t>(firstPixel(grid.SampleOf(center.lat), height), 0) * partsPerPixel;
  const auto degrees = [&](std::int64_t parts) {
    return static_cast<double>(parts) / static_cast<double>(kLatticePartsPerDegree * scale);
  };
  GeoPlacement placement;
  placement.pixelDegrees = degrees(partsPerPixel);
  placement.west = degrees(westParts);
  placement.north = 90 - degrees(southOfNorthParts);
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
