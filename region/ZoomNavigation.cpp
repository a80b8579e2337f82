// Keeping the sample under a pixel in place across a change of zoom level.
#include "region/ZoomNavigation.h"

#include <algorithm>

#include "region/ShownSamples.h"
#include "region/ZoomedPainter.h"
#include "region/grid/Rounding.h"

namespace orandu {

namespace {

std::int64_t Modulo(std::int64_t value, std::int64_t count) {
  return value - count * FloorDivide(value, count);
}

// On one axis of `count` samples: the sample a level's cell stands for; zoomed out, the one of the
// block's that lies where the centre's sample lies in its block (or the block's last, in a block
// the grid only partly holds).
std::int64_t SampleOfCell(std::int64_t cell, std::int64_t centerSample, ZoomLevel zoom,
                          std::int64_t count) {
  if (!zoom.IsZoomedOut()) return cell;
  const int k = zoom.Factor();
  return std::min(k * cell + Modulo(centerSample, k), count - 1);
}

// On one axis: the centre's sample that shows `sample` at `offset` pixels from the pixel the
// centre's own sample (or block) starts at. At 1:1 pixel offset o shows c + o; zoomed in by k,
// c + floor(o / k); zoomed out by k, block floor(c / k) + o. Across the seam columns wrap over
// the grid's samples, or zoomed out over its blocks, the last of which may be narrower.
std::int64_t CenterShowing(std::int64_t sample, std::int64_t offset, ZoomLevel zoom,
                           std::int64_t count, bool wraps) {
  const int k = zoom.Factor();
  if (zoom.IsZoomedOut()) {
    std::int64_t block = FloorDivide(sample, k) - offset;
    if (wraps) block = Modulo(block, (count + k - 1) / k);
    return std::clamp<std::int64_t>(k * block + Modulo(sample, k), 0, count - 1);
  }
  const std::int64_t center = sample - FloorDivide(offset, k);
  return wraps ? Modulo(center, count) : std::clamp<std::int64_t>(center, 0, count - 1);
}

}  // namespace

LatticePoint CenterZoomedAbout(const GridGeometry& grid, LatticePoint center, ZoomLevel from,
                               ZoomLevel to, int width, int height, int x, int y) {
  const GridSample cell = ZoomedCellUnderPixel(grid, center, from, width, height, x, y);
  const std::int64_t row = SampleOfCell(cell.row, grid.SampleOf(center.lat), from, grid.rows);
  const std::int64_t column =
      SampleOfCell(cell.column, grid.SampleOf(center.lon), from, grid.columns);
  // The pixel the centre's own sample starts at is round(size / 2) + 1.
  const std::int64_t newRow =
      CenterShowing(row, y - RoundHalfEven(height, 2) - 1, to, grid.rows, false);
  const std::int64_t newColumn =
      CenterShowing(column, x - RoundHalfEven(width, 2) - 1, to, grid.columns, true);
  return {newColumn * grid.Spacing(), newRow * grid.Spacing()};
}

int DragAtOneToOne(int pixels, ZoomLevel zoom) {
  if (zoom.IsZoomedOut()) return pixels * zoom.Factor();
  return pixels / zoom.Factor();
}

}  // namespace orandu
