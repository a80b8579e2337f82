// Key steps and drags of the region's centre.
#include "region/RegionNavigation.h"

namespace orandu {

namespace {

constexpr int kShiftStep = 10;

// The lattice parts one unit of a step spans.
std::int64_t UnitParts(StepUnit unit, const GridGeometry& grid) {
  return unit == StepUnit::kSample ? grid.Spacing() : kLatticePartsPerDegree;
}

// A point in whole degrees, which the degree-only callers deal in.
DegreeCell DegreesOf(LatticePoint point) {
  return {static_cast<int>(FloorDivide(point.lon, kLatticePartsPerDegree)),
          static_cast<int>(FloorDivide(point.lat, kLatticePartsPerDegree))};
}

}  // namespace

DegreeCell KeyStep(NavigationKey key, bool tenDegrees) {
  const int size = tenDegrees ? kShiftStep : 1;
  switch (key) {
    case NavigationKey::kLeft:
      return {-size, 0};
    case NavigationKey::kRight:
      return {size, 0};
    case NavigationKey::kUp:
      return {0, -size};
    case NavigationKey::kDown:
      return {0, size};
  }
  return {};
}

LatticePoint KeyMove(NavigationKey key, bool tenfold, StepUnit unit, const GridGeometry& grid) {
  const DegreeCell units = KeyStep(key, tenfold);
  const std::int64_t parts = UnitParts(unit, grid);
  return {units.lon * parts, units.lat * parts};
}

LatticePoint DragCenter(const GridGeometry& grid, LatticePoint centerAtPress, int dragX, int dragY,
                        StepUnit unit) {
  // A pixel is a sample. Truncation towards zero: a drag of less than a whole unit either way
  // moves nothing.
  const std::int64_t pixelParts = grid.Spacing();
  const std::int64_t unitParts = UnitParts(unit, grid);
  const auto units = [&](int pixels) { return pixels * pixelParts / unitParts * unitParts; };
  return {centerAtPress.lon - units(dragX), centerAtPress.lat - units(dragY)};
}

DegreeCell DragCenter(DegreeCell centerAtPress, int dragX, int dragY) {
  return DegreesOf(DragCenter(kEtopo5Geometry, DegreePoint(centerAtPress.lon, centerAtPress.lat),
                              dragX, dragY, StepUnit::kDegree));
}

DegreeCell CenterDrag::Wanted(int dragX, int dragY) const {
  return DegreesOf(WantedPoint(dragX, dragY));
}

void CenterDrag::Reached(DegreeCell wanted, DegreeCell reached) {
  ReachedPoint(DegreePoint(wanted.lon, wanted.lat), DegreePoint(reached.lon, reached.lat));
}

void CenterDrag::ReachedPoint(LatticePoint wanted, LatticePoint reached) {
  anchor_.lon += reached.lon - wanted.lon;
  anchor_.lat += reached.lat - wanted.lat;
}

}  // namespace orandu
