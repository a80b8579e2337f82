// Moving the region's centre with the keyboard and by dragging, in whole degrees.
#pragma once

#include "region/grid/HeightGrid.h"

namespace orandu {

enum class NavigationKey { kLeft, kRight, kUp, kDown };

// One press of an arrow key: one degree that way, ten with Shift. Up is north.
DegreeCell KeyStep(NavigationKey key, bool tenDegrees);

// The centre while the left button drags the region: the picture follows the mouse, a degree for
// every whole 12 pixels (one sample a pixel), so dragging east moves the centre west.
DegreeCell DragCenter(DegreeCell centerAtPress, int dragX, int dragY);

// One drag of the region: the centre the mouse asks for, from an anchor that starts at the centre
// of the press and moves with the grid's edge. Where the edge stops the centre short of what the
// mouse asked for, the anchor moves by the shortfall, so that the mouse moving back moves the
// centre back at once instead of first undoing an overshoot.
class CenterDrag {
 public:
  explicit CenterDrag(DegreeCell centerAtPress) : anchor_(centerAtPress) {}

  DegreeCell Wanted(int dragX, int dragY) const { return DragCenter(anchor_, dragX, dragY); }

  // The move towards `wanted` ended at `reached`.
  void Reached(DegreeCell wanted, DegreeCell reached);

 private:
  DegreeCell anchor_;
};

}  // namespace orandu
