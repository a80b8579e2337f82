// The grid rows a region paint read, kept for the height under the cursor and for telling which
// pixels the paint reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "HeightGrid.h"
#include "RegionView.h"

namespace orandu {

// A grid sample by its row (0 at 90° N, 5′ a row southwards) and column (0 at 0°, 5′ a column
// eastwards, always 0 ... GridColumns - 1).
struct GridSample {
  int row = 0;
  int column = 0;
  bool operator==(const GridSample&) const = default;
};

// The grid column a column index west of 0 or east of the last stands for: the same meridian a
// turn away.
int WrapColumn(int column);

// The sample a width x height area painted around a centre shows at pixel (x, y), as the paint
// places it: a first row above the grid shows the grid's top rows unshifted. Nothing for a pixel
// outside the area or below the grid's last row.
std::optional<GridSample> SampleUnderPixel(int centerLon, int centerLat, int width, int height,
                                           int x, int y);

class ShownSamples {
 public:
  // Started by the paint before it opens the file: forgets the last paint and holds room for
  // the area's rows, allocated again only when the area grows taller.
  void Begin(int centerLon, int centerLat, int width, int height);
  // Room for the area's rows y ... y + count - 1, where the paint reads them.
  std::span<std::uint8_t> RowsAt(int y, int count);
  // The paint read this many more bytes into the rows, in order.
  void Read(std::size_t bytes) { bytesRead_ += bytes; }

  // The height stored for a sample, when the last paint read it.
  std::optional<HeightSample> HeightAt(GridSample sample) const;

  // Sets every pixel of the area that the last paint did not reach: rows past the end of a short
  // file, the unread part of its short last row, everything after a failed open or with an empty
  // bar. The rows read in full are left alone without a look.
  void FillUnpainted(PackedColor color, ViewSurface& surface) const;

 private:
  std::vector<std::uint8_t> rows_;
  int centerLon_ = 0;
  int centerLat_ = 0;
  int width_ = 0;
  int height_ = 0;
  int firstRow_ = 0;
  std::size_t bytesRead_ = 0;
};

}  // namespace orandu
