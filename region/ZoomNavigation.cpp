// Keeping the sample under a pixel in place across a change of zoom level.
#include "region/ZoomNavigation.h"

#include <algorithm>

#include "region/ShownSamples.h"
#include "region/ZoomedPainter.h"
#include "region/grid/Rounding.h"

namespace orandu {

namespace {

// On one axis: the centre's sample that shows `sample` at `offset` pixels from the pixel the
// centre's own sample (or block) starts at. At 1:1 pixel offset o shows c + o; zoomed in by k,
// c + floor(o / k); zoomed out by k, block floor(c / k) + o.
std::int64_t CenterShowing(std::int64_t sample, std::int64_t offset, ZoomLevel zoom) {
  const int k = zoom.Factor();
  if (zoom.IsZoomedOut()) {
    return k * (FloorDivide(sample, k) - offset) + (sample - k * FloorDivide(sample, k));
  }
  return sample - FloorDivide(offset, k);
}

// On one axis: the sample a level's cell stands for; zoomed out, the one of the block's that lies
// where the centre's sample lies in its block.
std::int64_t SampleOfCell(std::int64_t cell, std::int64_t centerSample, ZoomLevel zoom) {
  if (!zoom.IsZoomedOut()) return cell;
  const int k = zoom.Factor();
  return k * cell + (centerSample - k * FloorDivide(centerSample, k));
}

}  // namespace

LatticePoint CenterZoomedAbout(const GridGeometry& grid, LatticePoint center, ZoomLevel from,
                               ZoomLevel to, int width, int height, int x, int y) {
  const GridSample cell = ZoomedCellUnderPixel(grid, center, from, width, height, x, y);
  const std::int64_t row = SampleOfCell(cell.row, grid.SampleOf(center.lat), from);
  const std::int64_t column = SampleOfCell(cell.column, grid.SampleOf(center.lon), from);
  // The pixel the centre's own sample starts at is round(size / 2) + 1.
  const std::int64_t newRow = CenterShowing(row, y - RoundHalfEven(height, 2) - 1, to);
  const std::int64_t newColumn = CenterShowing(column, x - RoundHalfEven(width, 2) - 1, to);
  const std::int64_t wrapped = newColumn - grid.columns * FloorDivide(newColumn, grid.columns);
  const std::int64_t inGrid = std::clamp<std::int64_t>(newRow, 0, grid.rows - 1);
  return {wrapped * grid.Spacing(), inGrid * grid.Spacing()};
}

int DragAtOneToOne(int pixels, ZoomLevel zoom) {
  if (zoom.IsZoomedOut()) return pixels * zoom.Factor();
  return pixels / zoom.Factor();
}

}  // namespace orandu
