// Key steps and drags of the region's centre.
#include "region/RegionNavigation.h"

namespace orandu {

namespace {
constexpr int kShiftStep = 10;
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

DegreeCell DragCenter(DegreeCell centerAtPress, int dragX, int dragY) {
  // Truncation towards zero: a drag of less than a whole degree either way moves nothing.
  return {centerAtPress.lon - dragX / SamplesPerDegree,
          centerAtPress.lat - dragY / SamplesPerDegree};
}

void CenterDrag::Reached(DegreeCell wanted, DegreeCell reached) {
  anchor_.lon += reached.lon - wanted.lon;
  anchor_.lat += reached.lat - wanted.lat;
}

}  // namespace orandu
