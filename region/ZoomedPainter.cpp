// Painting zoomed in from the rows of samples shown and zoomed out from the grid's levels.
#include "region/ZoomedPainter.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "region/ShownSamples.h"
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

// Stands for a sample the file does not hold: every colour of the bar is opaque.
constexpr PackedColor kNotHeld = 0;

template <PixelLayout kLayout>
void Store(std::uint8_t* pixels, int x, PackedColor color) {
  if constexpr (kLayout == PixelLayout::kPacked) {
    std::memcpy(pixels + static_cast<std::size_t>(x) * 4, &color, 4);
  } else {
    const auto red = static_cast<std::uint8_t>(color >> 16);
    const auto green = static_cast<std::uint8_t>(color >> 8);
    const auto blue = static_cast<std::uint8_t>(color);
    std::uint8_t* out = pixels + static_cast<std::size_t>(x) * 3;
    out[0] = kLayout == PixelLayout::kBgr ? blue : red;
    out[1] = green;
    out[2] = kLayout == PixelLayout::kBgr ? red : blue;
  }
}

template <PixelLayout kLayout, class ColourOf>
void StorePixels(int width, std::uint8_t* pixels, const ColourOf& colourOf) {
  for (int x = 0; x < width; ++x) {
    const PackedColor color = colourOf(x);
    if (color != kNotHeld) Store<kLayout>(pixels, x, color);
  }
}

// Stores colourOf(x) at each pixel x of a row but those it gives as kNotHeld, the layout chosen
// once a row rather than at every pixel.
template <class ColourOf>
void StoreRow(PixelLayout layout, int width, std::uint8_t* pixels, const ColourOf& colourOf) {
  switch (layout) {
    case PixelLayout::kPacked:
      StorePixels<PixelLayout::kPacked>(width, pixels, colourOf);
      return;
    case PixelLayout::kBgr:
      StorePixels<PixelLayout::kBgr>(width, pixels, colourOf);
      return;
    case PixelLayout::kRgb:
      StorePixels<PixelLayout::kRgb>(width, pixels, colourOf);
      return;
  }
}

// Rows of a level file read together: enough that the calls cost little beside the copying, and
// a row above and below a band of 32 for the slopes.
constexpr int kLevelBandRows = 34;

}  // namespace

GridGeometry LevelGeometry(const GridGeometry& grid, const OverviewLevel& level) {
  GridGeometry made = grid;
  made.columns = level.columns;
  made.rows = level.rows;
  made.degreesPerSample = grid.degreesPerSample * level.factor;
  made.encoding = SampleEncoding::kSigned16;
  return made;
}

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
    if (grid_.HasHeader() && geometry.Bytes() > kLargestGridForOverviews &&
        HasLevelFiles(gridPath, geometry)) {
      levelFile_ = std::make_unique<LevelFileReader>(gridPath, geometry, factor_);
      level_ = &levelFile_->Shape();
      levelBand_.resize(static_cast<std::size_t>(kLevelBandRows) *
                        static_cast<std::size_t>(level_->columns));
    } else {
      overviews_ = GridOverviews(gridPath);
      level_ = &overviews_->Level(factor_);
    }
    gridColors_ = colors.For(SampleEncoding::kSigned16);  // the levels' heights are plain
    for (int x = 0; x < width_; ++x) {
      pixelColumns_.push_back(Wrap(columnOrigin_ + x, level_->columns));
    }
    if (view.Shading()) {
      shader_ = std::make_unique<ReliefShader>(*view.Shading(), LevelGeometry(geometry, *level_));
    }
    if (layout_ != PixelLayout::kPacked) blockColors_.resize(static_cast<std::size_t>(width_));
    return;
  }
  if (view.Shading()) shader_ = std::make_unique<ReliefShader>(*view.Shading(), geometry);
  firstShown_ = FloorDivideInt(columnOrigin_, factor_);
  const int lastShown = FloorDivideInt(columnOrigin_ + width_ - 1, factor_);
  shownColors_.resize(static_cast<std::size_t>(lastShown - firstShown_ + 1));
  for (int x = 0; x < width_; ++x) {
    pixelColumns_.push_back(FloorDivideInt(columnOrigin_ + x, factor_) - firstShown_);
  }
}

ZoomedPainter::~ZoomedPainter() = default;

std::optional<OverviewLevel> ZoomedPainter::LevelFilePaintedFrom() const {
  if (!levelFile_) return std::nullopt;
  return levelFile_->Shape();
}

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
  if (shader_) {
    HoldLevelRows(std::max(blockRow - 1, 0), std::min(blockRow + 1, level_->rows - 1));
  } else {
    HoldLevelRows(blockRow, blockRow);
  }
  const std::int16_t* heights = LevelRow(blockRow);
  // Packed pixels are coloured in place; the other layouts' go through a row of colours.
  PackedColor* colours = layout_ == PixelLayout::kPacked ? reinterpret_cast<PackedColor*>(pixels)
                                                         : blockColors_.data();
  // The first and last rows of blocks stand in for their missing neighbours, as at 1:1.
  const std::uint8_t* centre = shader_ ? LevelRowBytes(blockRow, 1) : nullptr;
  const std::uint8_t* above = shader_ && blockRow > 0 ? LevelRowBytes(blockRow - 1, 0) : centre;
  const std::uint8_t* below =
      shader_ && blockRow + 1 < level_->rows ? LevelRowBytes(blockRow + 1, 2) : centre;
  // The blocks shown run eastwards, wrapping at the seam: a run of consecutive columns each side.
  for (int x = 0; x < width_;) {
    const int column = pixelColumns_[static_cast<std::size_t>(x)];
    const int length = std::min(width_ - x, level_->columns - column);
    if (shader_) {
      shader_->ShadeRun<4>(blockRow, above, centre, below, column, length,
                           reinterpret_cast<std::uint8_t*>(colours + x), gridColors_);
    } else {
      const std::int16_t* run = heights + column;
      PackedColor* out = colours + x;
      for (int i = 0; i < length; ++i) out[i] = gridColors_[static_cast<std::uint16_t>(run[i])];
    }
    x += length;
  }
  if (layout_ != PixelLayout::kPacked) {
    StoreRow(layout_, width_, pixels,
             [&](int x) { return blockColors_[static_cast<std::size_t>(x)]; });
  }
}

void ZoomedPainter::HoldLevelRows(int first, int last) {
  if (!levelFile_ || (first >= levelBandFirst_ && last < levelBandFirst_ + levelBandRows_)) {
    return;
  }
  // The band reaches on in the way the rows are being painted (a bottom-up file paints upwards),
  // but no further than the area's rows of blocks and, shaded, the one either side of them.
  const int slopeRows = shader_ ? 1 : 0;
  const int top = std::max(rowOrigin_ - slopeRows, 0);
  const int end = std::min(rowOrigin_ + height_ + slopeRows, level_->rows);
  // The first band reaches into the longer part of the area, upwards when it starts at the bottom.
  const bool upwards = levelBandRows_ > 0 ? first < levelBandFirst_ : end - first < first - top;
  const int start = upwards ? std::max(last - kLevelBandRows + 1, top) : first;
  const int rows =
      upwards ? last - start + 1 : std::clamp(end - start, last - start + 1, kLevelBandRows);
  levelBandRows_ = 0;  // until the read succeeds
  const int shown = std::min(width_ + 2, level_->columns);
  levelFile_->ReadSpans(start, rows, Wrap(columnOrigin_ - 1, level_->columns), shown, levelBand_);
  levelBandFirst_ = start;
  levelBandRows_ = rows;
}

const std::int16_t* ZoomedPainter::LevelRow(int blockRow) const {
  const std::int16_t* heights = levelFile_ ? levelBand_.data() : level_->heights.data();
  const int first = levelFile_ ? levelBandFirst_ : 0;
  return heights +
         static_cast<std::size_t>(blockRow - first) * static_cast<std::size_t>(level_->columns);
}

const std::uint8_t* ZoomedPainter::LevelRowBytes(int blockRow, std::size_t slot) {
  const std::int16_t* heights = LevelRow(blockRow);
  if constexpr (std::endian::native == std::endian::little) {
    return reinterpret_cast<const std::uint8_t*>(heights);
  }
  std::vector<std::uint8_t>& bytes = levelRowBytes_[slot];
  bytes.resize(std::size_t{2} * static_cast<std::size_t>(level_->columns));
  for (std::size_t column = 0; column < bytes.size() / 2; ++column) {
    const auto raw = static_cast<std::uint16_t>(heights[column]);
    bytes[2 * column] = static_cast<std::uint8_t>(raw & 0xFF);
    bytes[2 * column + 1] = static_cast<std::uint8_t>(raw >> 8);
  }
  return bytes.data();
}

void ZoomedPainter::PaintIn(int y, std::uint8_t* pixels) {
  const int row = FloorDivideInt(rowOrigin_ + y, factor_);
  if (row >= grid_.Geometry().rows) return;
  const std::size_t bytes = static_cast<std::size_t>(width_) * BytesPerPixel(layout_);
  // The k pixel rows of a row of samples are alike, unless the file holds only part of it and
  // the rest keep what each held.
  if (row == paintedRow_) {
    std::memcpy(pixels, painted_.data(), bytes);
    return;
  }
  if (row != colouredRow_) ColourRow(row);
  StoreRow(layout_, width_, pixels, [&](int x) {
    return shownColors_[static_cast<std::size_t>(pixelColumns_[static_cast<std::size_t>(x)])];
  });
  const bool whole =
      std::find(shownColors_.begin(), shownColors_.end(), kNotHeld) == shownColors_.end();
  paintedRow_ = whole ? row : -1;
  if (whole) painted_.assign(pixels, pixels + bytes);
}

const ZoomedPainter::SampleRow& ZoomedPainter::RowOfSamples(int row) {
  for (SampleRow& kept : rows_) {
    if (kept.row == row) return kept;
  }
  // The row read replaces the one farthest from the row being coloured, never a neighbour.
  const auto distance = [this](const SampleRow& kept) {
    return kept.row < 0 ? std::numeric_limits<int>::max() : std::abs(kept.row - centreRow_);
  };
  SampleRow& read = *std::max_element(
      rows_.begin(), rows_.end(),
      [&](const SampleRow& a, const SampleRow& b) { return distance(a) < distance(b); });
  const GridGeometry& geometry = grid_.Geometry();
  read.row = row;
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
  return read;
}

void ZoomedPainter::ColourRow(int row) {
  const GridGeometry& geometry = grid_.Geometry();
  centreRow_ = row;
  const SampleRow& centre = RowOfSamples(row);
  const int count = static_cast<int>(shownColors_.size());
  // The columns shown run eastwards from firstShown_, wrapping at the seam: one step at a time
  // rather than a division for each.
  const auto forEachShown = [&](const auto& visit) {
    int column = geometry.WrapColumn(firstShown_);
    for (int i = 0; i < count; ++i) {
      visit(static_cast<std::size_t>(i), column);
      if (++column == geometry.columns) column = 0;
    }
  };
  forEachShown([&](std::size_t i, int column) {
    shownColors_[i] = gridColors_[RawSampleAt(centre.bytes.data(), column)];
  });
  colouredRow_ = row;
  if (shader_ && centre.held > 0) Shade(row, centre);
  // Marked last, as shading would change the mark.
  if (centre.held < geometry.columns) {
    forEachShown([&](std::size_t i, int column) {
      if (column >= centre.held) shownColors_[i] = kNotHeld;
    });
  }
}

void ZoomedPainter::Shade(int row, const SampleRow& centre) {
  const GridGeometry& geometry = grid_.Geometry();
  const int count = static_cast<int>(shownColors_.size());
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
