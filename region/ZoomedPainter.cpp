// Painting zoomed in from the rows of samples shown and zoomed out from the grid's levels.
#include "region/ZoomedPainter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "region/ShownSamples.h"
#include "region/files/Errors.h"
#include "region/grid/GridOverviews.h"
#include "region/grid/Rounding.h"

namespace orandu {

namespace {

// The pixel offsets an area's first row and column lie at: zoomed in, in pixels from the grid's
// first sample (k a sample); at 1:1 and zoomed out, in samples or blocks.
struct Origins {
  int row;
  int column;
};

Origins OriginsOf(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom, int width,
                  int height) {
  const int k = zoom.Factor();
  const int row = grid.SampleOf(center.lat);
  const int column = grid.SampleOf(center.lon);
  const int halfHeight = RoundHalfEven(height, 2) + 1;
  const int halfWidth = RoundHalfEven(width, 2) + 1;
  if (zoom.IsZoomedOut()) {
    return {std::max(static_cast<int>(FloorDivide(row, k)) - halfHeight, 0),
            static_cast<int>(FloorDivide(column, k)) - halfWidth};
  }
  return {std::max(row * k - halfHeight, 0), column * k - halfWidth};
}

int Wrap(int index, int count) {
  const int wrapped = index % count;
  return wrapped < 0 ? wrapped + count : wrapped;
}

int FloorDivideInt(int numerator, int denominator) {
  return static_cast<int>(FloorDivide(numerator, denominator));
}

void Store(PixelLayout layout, std::uint8_t* pixels, int x, PackedColor color) {
  const auto red = static_cast<std::uint8_t>(color >> 16);
  const auto green = static_cast<std::uint8_t>(color >> 8);
  const auto blue = static_cast<std::uint8_t>(color);
  switch (layout) {
    case PixelLayout::kPacked:
      std::memcpy(pixels + static_cast<std::size_t>(x) * 4, &color, 4);
      return;
    case PixelLayout::kBgr: {
      std::uint8_t* out = pixels + static_cast<std::size_t>(x) * 3;
      out[0] = blue;
      out[1] = green;
      out[2] = red;
      return;
    }
    case PixelLayout::kRgb: {
      std::uint8_t* out = pixels + static_cast<std::size_t>(x) * 3;
      out[0] = red;
      out[1] = green;
      out[2] = blue;
      return;
    }
  }
}

}  // namespace

GridSample ZoomedCellUnderPixel(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom,
                                int width, int height, int x, int y) {
  const Origins origins = OriginsOf(grid, center, zoom, width, height);
  const int k = zoom.Factor();
  if (zoom.IsZoomedOut()) {
    return {origins.row + y, Wrap(origins.column + x, (grid.columns + k - 1) / k)};
  }
  return {FloorDivideInt(origins.row + y, k),
          grid.WrapColumn(FloorDivideInt(origins.column + x, k))};
}

ZoomedPainter::ZoomedPainter(const RegionView& view, const std::filesystem::path& gridPath,
                             const ColorTable& colors, int width, int height, PixelLayout layout)
    : grid_(gridPath),
      colors_(colors),
      gridColors_(colors.For(grid_.Geometry().encoding)),
      width_(width),
      height_(height),
      layout_(layout),
      factor_(view.Zoom().Factor()),
      zoomedOut_(view.Zoom().IsZoomedOut()) {
  const GridGeometry& geometry = grid_.Geometry();
  const Origins origins = OriginsOf(geometry, view.Center(), view.Zoom(), width, height);
  rowOrigin_ = origins.row;
  columnOrigin_ = origins.column;
  if (zoomedOut_) {
    // The means would need slopes over blocks, whose spacing no grid geometry describes.
    if (view.Shading()) throw OranduError(std::string(kNoShadingZoomedOutMessage));
    overviews_ = GridOverviews(gridPath);
    level_ = &overviews_->Level(factor_);
    gridColors_ = colors.For(SampleEncoding::kSigned16);  // the levels' heights are plain
    return;
  }
  if (view.Shading()) shader_ = std::make_unique<ReliefShader>(*view.Shading(), geometry);
  firstShown_ = FloorDivideInt(columnOrigin_, factor_);
  const int lastShown = FloorDivideInt(columnOrigin_ + width_ - 1, factor_);
  shownColors_.resize(static_cast<std::size_t>(lastShown - firstShown_ + 1));
  shownHeld_.resize(shownColors_.size());
}

ZoomedPainter::~ZoomedPainter() = default;

void RegionView::PaintZoomed(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface, ShownSamples* shown) const {
  ZoomedPainter painter(*this, gridPath, colors, surface.Width(), surface.Height(),
                        PixelLayout::kPacked);
  if (shown != nullptr) shown->OpenedZoomed(painter);
  const auto rowBytes = static_cast<std::size_t>(surface.Width()) * sizeof(PackedColor);
  for (int y = 0; y < surface.Height(); ++y) {
    painter.PaintRow(y, std::span(reinterpret_cast<std::uint8_t*>(surface.Row(y)), rowBytes));
  }
}

void ZoomedPainter::PaintRow(int y, std::span<std::uint8_t> row) {
  if (BytesPerPixel(layout_) == 3) std::fill_n(row.begin(), std::size_t{3} * width_, 0);
  if (colors_.empty()) return;
  if (zoomedOut_) {
    PaintOut(y, row.data());
  } else {
    PaintIn(y, row.data());
  }
}

void ZoomedPainter::PaintOut(int y, std::uint8_t* pixels) {
  const int blockRow = rowOrigin_ + y;
  if (blockRow >= level_->rows) return;
  for (int x = 0; x < width_; ++x) {
    const std::int16_t height = level_->At(blockRow, Wrap(columnOrigin_ + x, level_->columns));
    Store(layout_, pixels, x, gridColors_[static_cast<std::uint16_t>(height)]);
  }
}

void ZoomedPainter::PaintIn(int y, std::uint8_t* pixels) {
  const int row = FloorDivideInt(rowOrigin_ + y, factor_);
  if (row >= grid_.Geometry().rows) return;
  if (row != colouredRow_) ColourRow(row);
  for (int x = 0; x < width_; ++x) {
    const auto shown =
        static_cast<std::size_t>(FloorDivideInt(columnOrigin_ + x, factor_) - firstShown_);
    if (shownHeld_[shown] != 0) Store(layout_, pixels, x, shownColors_[shown]);
  }
}

const ZoomedPainter::SampleRow& ZoomedPainter::RowOfSamples(int row) {
  if (const auto found = rows_.find(row); found != rows_.end()) return found->second;
  const GridGeometry& geometry = grid_.Geometry();
  SampleRow read;
  read.bytes.resize(geometry.RowBytes());
  if (!grid_.HasHeader()) {
    // An ETOPO5 row is read whole; a short file's rows end early.
    grid_.SeekRow(row);
    read.held = static_cast<int>(grid_.ReadRows(read.bytes) / 2);
  } else {
    // Only the columns shown, and the one either side a slope needs; the file is as long as its
    // header says.
    const int first = firstShown_ - 1;
    const int count = static_cast<int>(shownColors_.size()) + 2;
    const auto readColumns = [&](int column, int columns) {
      grid_.ReadSamples(
          row, column,
          std::span(read.bytes).subspan(std::size_t{2} * column, std::size_t{2} * columns));
    };
    if (count >= geometry.columns) {
      readColumns(0, geometry.columns);
    } else {
      const int wrapped = geometry.WrapColumn(first);
      const int east = std::min(count, geometry.columns - wrapped);
      readColumns(wrapped, east);
      if (east < count) readColumns(0, count - east);
    }
    read.held = geometry.columns;
  }
  // A cut row is made whole by repeating its last sample, for the slopes of the samples it holds.
  if (read.held > 0) {
    for (std::size_t at = std::size_t{2} * read.held; at < read.bytes.size(); at += 2) {
      read.bytes[at] = read.bytes[std::size_t{2} * read.held - 2];
      read.bytes[at + 1] = read.bytes[std::size_t{2} * read.held - 1];
    }
  }
  return rows_.emplace(row, std::move(read)).first->second;
}

void ZoomedPainter::ColourRow(int row) {
  const GridGeometry& geometry = grid_.Geometry();
  // Rows are painted in order, up or down: only the neighbours of the next row are kept.
  std::erase_if(rows_,
                [row](const auto& kept) { return kept.first < row - 1 || kept.first > row + 1; });
  const SampleRow& centre = RowOfSamples(row);
  const int count = static_cast<int>(shownColors_.size());
  for (int i = 0; i < count; ++i) {
    const int column = geometry.WrapColumn(firstShown_ + i);
    shownHeld_[static_cast<std::size_t>(i)] = column < centre.held ? 1 : 0;
    shownColors_[static_cast<std::size_t>(i)] =
        gridColors_[RawSampleAt(centre.bytes.data(), column)];
  }
  colouredRow_ = row;
  if (!shader_ || centre.held == 0) return;
  // Past the grid's first and last rows, and past the last whole row a short file holds, the
  // row itself stands in for its missing neighbour, as at 1:1.
  const std::uint8_t* above = row > 0 ? RowOfSamples(row - 1).bytes.data() : centre.bytes.data();
  const std::uint8_t* below = centre.bytes.data();
  if (row + 1 < geometry.rows) {
    const SampleRow& next = RowOfSamples(row + 1);
    if (next.held == geometry.columns) below = next.bytes.data();
  }
  for (int i = 0; i < count;) {
    const int column = geometry.WrapColumn(firstShown_ + i);
    const int length = std::min(count - i, geometry.columns - column);
    shader_->ShadeRun<4>(row, above, centre.bytes.data(), below, column, length,
                         reinterpret_cast<std::uint8_t*>(shownColors_.data() + i));
    i += length;
  }
}

}  // namespace orandu
