// Moving the region's centre with the keyboard and by dragging, in whole degrees or single samples.
#pragma once

#include "region/grid/GridGeometry.h"
#include "region/grid/HeightGrid.h"

namespace orandu {

enum class NavigationKey { kLeft, kRight, kUp, kDown };

// What a key step or a drag moves the centre by.
enum class StepUnit {
  kDegree,  // whole degrees, as the world map picks
  kSample,  // single samples of the grid shown (Ctrl held)
};

// One press of an arrow key: one degree that way, ten with Shift. Up is north.
DegreeCell KeyStep(NavigationKey key, bool tenDegrees);

// The same as a move of the centre in lattice parts: one unit of the grid that way, ten with
// Shift, the unit a degree or one of the grid's samples.
LatticePoint KeyMove(NavigationKey key, bool tenfold, StepUnit unit, const GridGeometry& grid);

// The centre while the left button drags the region: the picture follows the mouse, so dragging
// east moves the centre west. By degrees, a whole degree for every whole n pixels, n the samples
// per degree (12 in ETOPO5; a grid of d degrees a sample moves d degrees a pixel); by samples, a
// sample a pixel.
LatticePoint DragCenter(const GridGeometry& grid, LatticePoint centerAtPress, int dragX, int dragY,
                        StepUnit unit);
// The same in ETOPO5 by whole degrees.
DegreeCell DragCenter(DegreeCell centerAtPress, int dragX, int dragY);

// One drag of the region: the centre the mouse asks for, from an anchor that starts at the centre
// of the press and moves with the grid's edge. Where the edge stops the centre short of what the
// mouse asked for, the anchor moves by the shortfall, so that the mouse moving back moves the
// centre back at once instead of first undoing an overshoot.
class CenterDrag {
 public:
  explicit CenterDrag(DegreeCell centerAtPress)
      : CenterDrag(kEtopo5Geometry, DegreePoint(centerAtPress.lon, centerAtPress.lat),
                   StepUnit::kDegree) {}
  CenterDrag(const GridGeometry& grid, LatticePoint centerAtPress, StepUnit unit)
      : grid_(grid), anchor_(centerAtPress), unit_(unit) {}

  DegreeCell Wanted(int dragX, int dragY) const;
  LatticePoint WantedPoint(int dragX, int dragY) const {
    return DragCenter(grid_, anchor_, dragX, dragY, unit_);
  }

  // The move towards `wanted` ended at `reached`.
  void Reached(DegreeCell wanted, DegreeCell reached);
  void ReachedPoint(LatticePoint wanted, LatticePoint reached);

 private:
  GridGeometry grid_;
  LatticePoint anchor_;
  StepUnit unit_;
};

}  // namespace orandu
