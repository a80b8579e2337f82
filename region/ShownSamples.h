// Which grid sample a region paint showed at each pixel, for the height under the cursor and for
// telling which pixels the paint reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "region/RegionView.h"
#include "region/ZoomLevel.h"
#include "region/grid/HeightGrid.h"
#include "region/grid/Overviews.h"

namespace orandu {

// A grid sample by its row (0 the northernmost, a sample's spacing a row southwards) and column
// (0 at or just east of 0°, a spacing a column eastwards, always 0 ... columns - 1). In ETOPO5
// row 0 is 90° N, column 0 is 0° and the spacing is 5′.
struct GridSample {
  int row = 0;
  int column = 0;
  bool operator==(const GridSample&) const = default;
};

// The ETOPO5 column a column index west of 0 or east of the last stands for: the same meridian a
// turn away.
int WrapColumn(int column);

// The sample a width x height area painted around a centre shows at pixel (x, y), as the paint
// places it: a first row above the grid shows the grid's top rows unshifted. Nothing for a pixel
// outside the area or below the grid's last row.
std::optional<GridSample> SampleUnderPixel(const GridGeometry& grid, LatticePoint center, int width,
                                           int height, int x, int y);
// The same in ETOPO5 around a whole-degree centre.
std::optional<GridSample> SampleUnderPixel(int centerLon, int centerLat, int width, int height,
                                           int x, int y);

// What the last paint showed: where each pixel's sample lies in the grid and how much of the
// file the paint read. Heights are read back from the file one sample at a time, when asked for:
// keeping the rows themselves would make every paint slower.
class ZoomedPainter;

class ShownSamples {
 public:
  // Started by the paint before it opens the file: forgets the last paint.
  void Begin(const std::filesystem::path& gridPath, LatticePoint center, int width, int height,
             ZoomLevel zoom = {});
  // The paint opened the grid file, which has this geometry.
  void Opened(const GridGeometry& grid);
  // A zoomed paint opened the grid file and, zoomed out, got its levels.
  void OpenedZoomed(const ZoomedPainter& painter);

  // The level the last paint was zoomed to.
  ZoomLevel Zoom() const { return zoom_; }
  // The height the last paint showed at pixel (x, y): the sample's at 1:1 and zoomed in, the
  // block's mean zoomed out. Nothing where the paint showed nothing, as HeightAt.
  std::optional<HeightSample> HeightUnderPixel(int x, int y) const;

  // The geometry of the grid the last paint opened (ETOPO5's until one was).
  const GridGeometry& Grid() const { return grid_; }
  // The sample the last paint showed at pixel (x, y), as SampleUnderPixel places it; zoomed in,
  // as ZoomedCellUnderPixel does, and zoomed out the first (north-west) sample of the block.
  std::optional<GridSample> SampleAt(int x, int y) const;
  // The paint read this many more bytes of the area's rows, in order from its first row.
  void Read(std::size_t bytes) { bytesRead_ += bytes; }

  // Whether the last paint showed this sample: it lies in the area's rows and the file held it.
  bool Painted(GridSample sample) const;

  // The height of a sample the last paint showed, read from the grid file it was painted from,
  // opened for this one read. Nothing when the sample was not painted or the file can no longer
  // be read: a look-up never raises an error.
  std::optional<HeightSample> HeightAt(GridSample sample) const;

  // Sets every pixel of the area that the last paint did not reach: rows past the end of a short
  // file, the unread part of its short last row, everything after a failed open or with an empty
  // bar. The rows read in full are left alone without a look.
  void FillUnpainted(PackedColor color, ViewSurface& surface) const;

 private:
  std::filesystem::path gridPath_;
  GridGeometry grid_ = kEtopo5Geometry;
  LatticePoint center_;
  int width_ = 0;
  int height_ = 0;
  int firstRow_ = 0;
  std::size_t bytesRead_ = 0;
  ZoomLevel zoom_;
  std::uint64_t fileBytes_ = 0;                 // zoomed in: the file's size when it was painted
  std::shared_ptr<const Overviews> overviews_;  // zoomed out: the levels painted from
  std::optional<OverviewLevel> levelFile_;      // or the level file painted from
  // Zoomed out: the rows of blocks the level painted from holds, 0 when there was none.
  int LevelRows() const;
};

}  // namespace orandu
