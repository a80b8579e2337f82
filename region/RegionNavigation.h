// Moving the region's centre with the keyboard and by dragging, in whole degrees.
#pragma once

#include "HeightGrid.h"

namespace orandu {

enum class NavigationKey { kLeft, kRight, kUp, kDown };

// A centre in whole degrees, latitude counted southwards from 90° N as the view counts it.
struct DegreeStep {
  int lon = 0;
  int lat = 0;
  bool operator==(const DegreeStep&) const = default;
};

// One press of an arrow key: one degree that way, ten with Shift. Up is north.
DegreeStep KeyStep(NavigationKey key, bool tenDegrees);

// The centre while the left button drags the region: the picture follows the mouse, a degree for
// every whole 12 pixels (one sample a pixel), so dragging east moves the centre west.
DegreeStep DragCenter(DegreeStep centerAtPress, int dragX, int dragY);

}  // namespace orandu
