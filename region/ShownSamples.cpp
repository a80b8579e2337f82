// Where a paint's samples lie, their heights read back, and the pixels the paint did not reach.
#include "region/ShownSamples.h"

#include <algorithm>
#include <array>

#include "region/ZoomedPainter.h"
#include "region/files/Errors.h"
#include "region/files/SourceFile.h"
#include "region/grid/LevelFiles.h"

namespace orandu {

int WrapColumn(int column) {
  return kEtopo5Geometry.WrapColumn(column);
}

std::optional<GridSample> SampleUnderPixel(const GridGeometry& grid, LatticePoint center, int width,
                                           int height, int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
  const int row = std::max(FirstRow(grid, center, height), 0) + y;
  if (row >= grid.rows) return std::nullopt;
  return GridSample{row, grid.WrapColumn(FirstColumn(grid, center, width) + x)};
}

std::optional<GridSample> SampleUnderPixel(int centerLon, int centerLat, int width, int height,
                                           int x, int y) {
  return SampleUnderPixel(kEtopo5Geometry, DegreePoint(centerLon, centerLat), width, height, x, y);
}

void ShownSamples::Begin(const std::filesystem::path& gridPath, LatticePoint center, int width,
                         int height, ZoomLevel zoom) {
  gridPath_ = gridPath;
  zoom_ = zoom;
  fileBytes_ = 0;
  overviews_.reset();
  center_ = center;
  width_ = width;
  height_ = height;
  Opened(kEtopo5Geometry);
}

void ShownSamples::Opened(const GridGeometry& grid) {
  grid_ = grid;
  firstRow_ = std::max(FirstRow(grid_, center_, height_), 0);
  bytesRead_ = 0;
}

void ShownSamples::OpenedZoomed(const ZoomedPainter& painter) {
  Opened(painter.Grid());
  overviews_ = painter.LevelsPaintedFrom();
  levelFile_ = painter.LevelFilePaintedFrom();
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(gridPath_, error);
  fileBytes_ = error ? 0 : bytes;
}

std::optional<GridSample> ShownSamples::SampleAt(int x, int y) const {
  if (zoom_.IsOneToOne()) return SampleUnderPixel(grid_, center_, width_, height_, x, y);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
  const GridSample cell = ZoomedCellUnderPixel(grid_, center_, zoom_, width_, height_, x, y);
  if (!zoom_.IsZoomedOut()) {
    if (cell.row >= grid_.rows) return std::nullopt;
    return cell;
  }
  const int k = zoom_.Factor();
  if (cell.row * k >= grid_.rows) return std::nullopt;
  return GridSample{cell.row * k, cell.column * k};
}

std::optional<HeightSample> ShownSamples::HeightUnderPixel(int x, int y) const {
  const auto sample = SampleAt(x, y);
  if (!sample) return std::nullopt;
  if (!zoom_.IsZoomedOut()) return HeightAt(*sample);
  const int k = zoom_.Factor();
  const GridSample block{sample->row / k, sample->column / k};
  if (block.row >= LevelRows()) return std::nullopt;
  if (overviews_) return overviews_->Level(k).At(block.row, block.column);
  // Read back from the level file, opened for this one read, as HeightAt reads the grid's.
  try {
    return LevelFileReader(gridPath_, grid_, k).HeightAt(block.row, block.column);
  } catch (const OranduError&) {
    return std::nullopt;
  }
}

int ShownSamples::LevelRows() const {
  if (overviews_) return overviews_->Level(zoom_.Factor()).rows;
  return levelFile_ ? levelFile_->rows : 0;
}

bool ShownSamples::Painted(GridSample sample) const {
  if (!zoom_.IsOneToOne()) {
    // Zoomed, the rows shown are not counted: a sample was painted when the file held it, or,
    // zoomed out, when its block was painted.
    if (zoom_.IsZoomedOut()) {
      return sample.row / zoom_.Factor() < LevelRows();
    }
    return static_cast<std::uint64_t>(sample.row) * grid_.RowBytes() +
               static_cast<std::uint64_t>(sample.column) * 2 + 2 <=
           fileBytes_;
  }
  const int row = sample.row - firstRow_;
  if (row < 0 || row >= height_) return false;
  return static_cast<std::size_t>(row) * grid_.RowBytes() +
             static_cast<std::size_t>(sample.column) * 2 + 2 <=
         bytesRead_;
}

std::optional<HeightSample> ShownSamples::HeightAt(GridSample sample) const {
  if (!Painted(sample)) return std::nullopt;
  try {
    const SourceFile grid(gridPath_);  // one read, in this handler: nothing held open
    std::array<std::uint8_t, 2> raw{};
    const auto offset = static_cast<std::uint64_t>(sample.row) * grid_.RowBytes() +
                        static_cast<std::uint64_t>(sample.column) * 2;
    if (grid.ReadAt(offset, raw) != raw.size()) return std::nullopt;  // the file has shrunk since
    return HeightOf(RawSampleAt(raw.data(), 0), grid_.encoding);
  } catch (const OranduError&) {
    return std::nullopt;
  }
}

void ShownSamples::FillUnpainted(PackedColor color, ViewSurface& surface) const {
  const int width = surface.Width();
  const int height = surface.Height();
  if (!zoom_.IsOneToOne()) {
    for (int y = 0; y < height; ++y) {
      PackedColor* row = surface.Row(y);
      // A pixel row shows one row of samples or blocks: past the grid's last, all of it is
      // unpainted; with that row's last sample painted, none of it is. Only a cut file's last
      // row needs looking at pixel by pixel.
      const auto first = SampleAt(0, y);
      if (!first) {
        std::fill_n(row, width, color);
        continue;
      }
      if (Painted({first->row, grid_.columns - 1})) continue;
      for (int x = 0; x < width; ++x) {
        const auto sample = SampleAt(x, y);
        if (!sample || !Painted(*sample)) row[x] = color;
      }
    }
    return;
  }
  const int wholeRows =
      static_cast<int>(std::min<std::size_t>(bytesRead_ / grid_.RowBytes(), height));
  if (wholeRows == height) return;
  // Only the row after the whole ones can have been read in part: its pixels are looked up.
  PackedColor* partRow = surface.Row(wholeRows);
  for (int x = 0; x < width; ++x) {
    const auto sample = SampleAt(x, wholeRows);
    if (!sample || !Painted(*sample)) partRow[x] = color;
  }
  for (int y = wholeRows + 1; y < height; ++y) std::fill_n(surface.Row(y), width, color);
}

}  // namespace orandu
