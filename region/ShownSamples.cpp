// Keeping the rows a paint read, and finding the pixels it did not reach.
#include "ShownSamples.h"

#include <algorithm>

namespace orandu {

int WrapColumn(int column) {
  const int wrapped = column % GridColumns;
  return wrapped < 0 ? wrapped + GridColumns : wrapped;
}

std::optional<GridSample> SampleUnderPixel(int centerLon, int centerLat, int width, int height,
                                           int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
  const int row = std::max(FirstRow(centerLat, height), 0) + y;
  if (row >= GridRows) return std::nullopt;
  return GridSample{row, WrapColumn(FirstColumn(centerLon, width) + x)};
}

void ShownSamples::Begin(int centerLon, int centerLat, int width, int height) {
  centerLon_ = centerLon;
  centerLat_ = centerLat;
  width_ = width;
  height_ = height;
  firstRow_ = std::max(FirstRow(centerLat, height), 0);
  bytesRead_ = 0;
  const std::size_t bytes = static_cast<std::size_t>(std::max(height, 0)) * RowBytes;
  if (rows_.size() < bytes) {
    rows_.clear();  // the old rows are not worth copying into the larger room
    rows_.resize(bytes);
  }
}

std::span<std::uint8_t> ShownSamples::RowsAt(int y, int count) {
  return std::span(rows_).subspan(static_cast<std::size_t>(y) * RowBytes,
                                  static_cast<std::size_t>(count) * RowBytes);
}

std::optional<HeightSample> ShownSamples::HeightAt(GridSample sample) const {
  const int row = sample.row - firstRow_;
  if (row < 0 || row >= height_) return std::nullopt;
  const std::size_t rowStart = static_cast<std::size_t>(row) * RowBytes;
  if (rowStart + static_cast<std::size_t>(sample.column) * 2 + 2 > bytesRead_) return std::nullopt;
  return DecodeSample(RawSampleAt(rows_.data() + rowStart, sample.column));
}

void ShownSamples::FillUnpainted(PackedColor color, ViewSurface& surface) const {
  const int width = surface.Width();
  const int height = surface.Height();
  const int wholeRows = static_cast<int>(std::min<std::size_t>(bytesRead_ / RowBytes, height));
  if (wholeRows == height) return;
  // Only the row after the whole ones can have been read in part: its pixels are looked up.
  PackedColor* partRow = surface.Row(wholeRows);
  for (int x = 0; x < width; ++x) {
    const auto sample = SampleUnderPixel(centerLon_, centerLat_, width_, height_, x, wholeRows);
    if (!sample || !HeightAt(*sample)) partRow[x] = color;
  }
  for (int y = wholeRows + 1; y < height; ++y) std::fill_n(surface.Row(y), width, color);
}

}  // namespace orandu
