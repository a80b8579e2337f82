// Centring the region on a picked point and painting it from the grid file.
#include "RegionView.h"

#include <algorithm>
#include <vector>

#include "HeightGrid.h"
#include "Rounding.h"

namespace orandu {

namespace {

constexpr int kLastLon = 359;
constexpr int kLastLat = 179;

// Pixel columns firstPixel ... firstPixel + length - 1 show grid columns from firstColumn on.
struct ColumnRun {
  int firstPixel;
  int length;
  int firstColumn;
};

// The grid is global, so a column west of 0 or east of 4319 is the same meridian a turn away.
int WrapColumn(int column) {
  const int wrapped = column % GridColumns;
  return wrapped < 0 ? wrapped + GridColumns : wrapped;
}

}  // namespace

int FirstRow(int centerLat, int height) {
  return centerLat * SamplesPerDegree - RoundHalfEven(height, 2) - 1;
}

int FirstColumn(int centerLon, int width) {
  return centerLon * SamplesPerDegree - RoundHalfEven(width, 2) - 1;
}

void RegionView::SetCenter(int lon, int lat, int width, int height) {
  centerLon_ = lon;
  centerLat_ = lat;
  const int halfWidthDegrees = RoundHalfEven(width, 2 * SamplesPerDegree);
  if (centerLon_ < halfWidthDegrees) centerLon_ = halfWidthDegrees;
  if (centerLon_ > kLastLon - halfWidthDegrees) centerLon_ = kLastLon - halfWidthDegrees;
  const int halfHeightDegrees = RoundHalfEven(height, 2 * SamplesPerDegree);
  if (centerLat_ < halfHeightDegrees) centerLat_ = halfHeightDegrees;
  if (centerLat_ > kLastLat - halfHeightDegrees) centerLat_ = kLastLat - halfHeightDegrees;
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface) const {
  HeightGrid grid(gridPath);
  if (colors.empty()) return;  // an empty bar has no colour for anything: the area stays black
  const int width = surface.Width();
  const int height = surface.Height();

  // A negative first row leaves the file at its start: the top rows are then shown unshifted.
  grid.SeekRow(FirstRow(centerLat_, height));

  // The pixel columns fall into runs of consecutive grid columns: one run, or two or three
  // where the area crosses the grid's east-west seam.
  std::vector<ColumnRun> runs;
  for (int x = 0; x < width;) {
    const int column = WrapColumn(FirstColumn(centerLon_, width) + x);
    const int length = std::min(width - x, GridColumns - column);
    runs.push_back({x, length, column});
    x += length;
  }

  // Whole rows are read a block at a time; the rows read are exactly the rows shown.
  std::vector<std::uint8_t> block(static_cast<std::size_t>(RowsPerRead) * RowBytes);
  for (int y = 0; y < height;) {
    const int rowsWanted = std::min(RowsPerRead, height - y);
    const std::size_t bytesWanted = static_cast<std::size_t>(rowsWanted) * RowBytes;
    const std::size_t bytesRead = grid.ReadRows(std::span(block).first(bytesWanted));
    for (std::size_t offset = 0; offset < bytesRead; offset += RowBytes, ++y) {
      const std::uint8_t* samples = block.data() + offset;
      // The short last row of a cut file: only the samples it holds are shown.
      const int columnsRead =
          static_cast<int>(std::min<std::size_t>(bytesRead - offset, RowBytes) / 2);
      PackedColor* pixels = surface.Row(y);
      for (const ColumnRun& run : runs) {
        PackedColor* out = pixels + run.firstPixel;
        const int count = std::clamp(columnsRead - run.firstColumn, 0, run.length);
        for (int i = 0; i < count; ++i) out[i] = colors[RawSampleAt(samples, run.firstColumn + i)];
      }
    }
    if (bytesRead < bytesWanted) break;  // the end of a file shorter than the grid
  }
}

}  // namespace orandu
