// Where a paint's samples lie, their heights read back, and the pixels the paint did not reach.
#include "region/ShownSamples.h"

#include <algorithm>
#include <array>

#include "region/files/Errors.h"
#include "region/files/SourceFile.h"

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

void ShownSamples::Begin(const std::filesystem::path& gridPath, int centerLon, int centerLat,
                         int width, int height) {
  gridPath_ = gridPath;
  centerLon_ = centerLon;
  centerLat_ = centerLat;
  width_ = width;
  height_ = height;
  firstRow_ = std::max(FirstRow(centerLat, height), 0);
  bytesRead_ = 0;
}

bool ShownSamples::Painted(GridSample sample) const {
  const int row = sample.row - firstRow_;
  if (row < 0 || row >= height_) return false;
  return static_cast<std::size_t>(row) * RowBytes + static_cast<std::size_t>(sample.column) * 2 +
             2 <=
         bytesRead_;
}

std::optional<HeightSample> ShownSamples::HeightAt(GridSample sample) const {
  if (!Painted(sample)) return std::nullopt;
  try {
    const SourceFile grid(gridPath_);  // one read, in this handler: nothing held open
    std::array<std::uint8_t, 2> raw{};
    const auto offset = static_cast<std::uint64_t>(sample.row) * RowBytes +
                        static_cast<std::uint64_t>(sample.column) * 2;
    if (grid.ReadAt(offset, raw) != raw.size()) return std::nullopt;  // the file has shrunk since
    return DecodeSample(RawSampleAt(raw.data(), 0));
  } catch (const OranduError&) {
    return std::nullopt;
  }
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
    if (!sample || !Painted(*sample)) partRow[x] = color;
  }
  for (int y = wholeRows + 1; y < height; ++y) std::fill_n(surface.Row(y), width, color);
}

}  // namespace orandu
