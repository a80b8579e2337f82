// Key steps and drags of the region's centre.
#include "RegionNavigation.h"

namespace orandu {

namespace {
constexpr int kShiftStep = 10;
}  // namespace

DegreeStep KeyStep(NavigationKey key, bool tenDegrees) {
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

DegreeStep DragCenter(DegreeStep centerAtPress, int dragX, int dragY) {
  // Truncation towards zero: a drag of less than a whole degree either way moves nothing.
  return {centerAtPress.lon - dragX / SamplesPerDegree,
          centerAtPress.lat - dragY / SamplesPerDegree};
}

void CenterDrag::Reached(DegreeStep wanted, DegreeStep reached) {
  anchor_.lon += reached.lon - wanted.lon;
  anchor_.lat += reached.lat - wanted.lat;
}

}  // namespace orandu
