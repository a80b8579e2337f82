// Centring the region on a picked point and painting it from the grid file.
#include "RegionView.h"

#include <algorithm>
#include <vector>

#include "HeightGrid.h"
#include "Rounding.h"
#include "ShownSamples.h"

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
  Paint(gridPath, colors, surface, nullptr);
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface, ShownSamples& shown) const {
  Paint(gridPath, colors, surface, &shown);
}

void RegionView::Paint(const std::filesystem::path& gridPath, const ColorTable& colors,
                       ViewSurface& surface, ShownSamples* shown) const {
  if (shown != nullptr) shown->Begin(centerLon_, centerLat_, surface.Width(), surface.Height());
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

  // Whole rows are read a block at a time; the rows read are exactly the rows shown. Rows kept
  // for later look-ups are read straight into their keeper.
  std::vector<std::uint8_t> block(
      shown != nullptr ? 0 : static_cast<std::size_t>(RowsPerRead) * RowBytes);
  for (int y = 0; y < height;) {
    const int rowsWanted = std::min(RowsPerRead, height - y);
    const std::size_t bytesWanted = static_cast<std::size_t>(rowsWanted) * RowBytes;
    const std::span<std::uint8_t> rows =
        shown != nullptr ? shown->RowsAt(y, rowsWanted) : std::span(block).first(bytesWanted);
    const std::size_t bytesRead = grid.ReadRows(rows);
    if (shown != nullptr) shown->Read(bytesRead);
    for (std::size_t offset = 0; offset < bytesRead; offset += RowBytes, ++y) {
      const std::uint8_t* samples = rows.data() + offset;
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
