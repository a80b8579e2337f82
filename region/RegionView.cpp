// Centring the region on a picked point and painting it from the grid file.
#include "RegionView.h"

#include <vector>

#include "HeightGrid.h"
#include "Rounding.h"

namespace orandu {

namespace {

constexpr int kLastLon = 359;
constexpr int kLastLat = 179;

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

  std::vector<int> columnOf(static_cast<std::size_t>(width));
  const int firstColumn = FirstColumn(centerLon_, width);
  for (int x = 0; x < width; ++x) columnOf[x] = WrapColumn(firstColumn + x);

  GridRow row;
  const std::uint8_t* samples = row.data();
  const int* columns = columnOf.data();
  int remaining = height;
  for (int y = 0;; ++y) {
    const std::size_t bytesRead = grid.ReadRow(row);
    if (remaining <= 0 || bytesRead == 0) break;
    --remaining;
    PackedColor* pixels = surface.Row(y);
    if (bytesRead == RowBytes) {
      for (int x = 0; x < width; ++x) pixels[x] = colors[RawSampleAt(samples, columns[x])];
    } else {
      // The short last row of a cut file: only the samples it holds are shown.
      const int columnsRead = static_cast<int>(bytesRead / 2);
      for (int x = 0; x < width; ++x) {
        if (columns[x] < columnsRead) pixels[x] = colors[RawSampleAt(samples, columns[x])];
      }
    }
  }
}

}  // namespace orandu
