// Zooming the region about a pixel: the centre that keeps the point under the cursor in place.
#pragma once

#include "region/ZoomLevel.h"
#include "region/grid/GridGeometry.h"

namespace orandu {

// The centre at which level `to` shows, under pixel (x, y) of a width x height area, the sample
// that level `from` shows there around `center`; zoomed out, where a pixel shows a block, the
// sample of that block that lies where the centre lies in its own block, so that zooming back in
// returns to the same centre. Columns wrap east-west and rows stay in the grid. The centre is not
// pulled back; RegionView::SetCenter does that, which may move the point near the grid's edge.
LatticePoint CenterZoomedAbout(const GridGeometry& grid, LatticePoint center, ZoomLevel from,
                               ZoomLevel to, int width, int height, int x, int y);

// A drag of this many pixels at a level as the drag of pixels at 1:1 that moves the picture as
// far: k times as far zoomed out by k, a k-th (towards zero) zoomed in by k.
int DragAtOneToOne(int pixels, ZoomLevel zoom);

}  // namespace orandu
