// Centring the region on a picked point and painting it from the grid file.
#include "region/RegionView.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "region/ShownSamples.h"
#include "region/grid/HeightGrid.h"
#include "region/grid/Rounding.h"

namespace orandu {

namespace {

constexpr std::int64_t kLastLon = 359 * kLatticePartsPerDegree;
constexpr std::int64_t kLastLat = 179 * kLatticePartsPerDegree;
constexpr int kHalfTurn = 180;
// A shaded paint's blocks hold a row more either side.
constexpr int kBlockRows = RowsPerRead + 2;

// The 3-byte layouts store each pixel as a 4-byte word whose first three bytes, in memory
// order, are the pixel's bytes: on a little-endian machine a PackedColor is already blue, green,
// red in that order.
bool ColorTableIsInFileOrder(PixelLayout layout) {
  return layout == PixelLayout::kBgr && std::endian::native == std::endian::little;
}

std::uint32_t InFileOrder(PackedColor color, PixelLayout layout) {
  const auto red = static_cast<std::uint8_t>(color >> 16);
  const auto green = static_cast<std::uint8_t>(color >> 8);
  const auto blue = static_cast<std::uint8_t>(color);
  const std::array<std::uint8_t, 4> bytes = layout == PixelLayout::kRgb
                                                ? std::array<std::uint8_t, 4>{red, green, blue, 0}
                                                : std::array<std::uint8_t, 4>{blue, green, red, 0};
  return std::bit_cast<std::uint32_t>(bytes);
}

// Paints the samples of one grid row through the colour table into pixels kStride bytes apart.
// The table comes by value: a reference to the painter's own pointer would be read again after
// every pixel store, which might have changed it.
template <int kStride>
void PaintRuns(const std::uint8_t* samples, int columnsRead, std::span<const ColumnRun> runs,
               const PackedColor* colors, std::uint8_t* pixels) {
  for (const auto& run : runs) {
    // Copies in registers: the pixel stores may alias the run, which the compiler would
    // otherwise load again for every pixel.
    const int firstColumn = run.firstColumn;
    const int count = std::clamp(columnsRead - firstColumn, 0, run.length);
    std::uint8_t* out = pixels + static_cast<std::size_t>(run.firstPixel) * kStride;
    if constexpr (kStride == 4) {
      for (int i = 0; i < count; ++i) {
        const std::uint32_t color = colors[RawSampleAt(samples, firstColumn + i)];
        std::memcpy(out + static_cast<std::size_t>(i) * 4, &color, 4);
      }
    } else {
      // A 4-byte store per pixel, whose spare byte the next pixel overwrites; the run's last
      // pixel takes only its 3 bytes, so nothing past the run is touched.
      for (int i = 0; i + 1 < count; ++i) {
        const std::uint32_t color = colors[RawSampleAt(samples, firstColumn + i)];
        std::memcpy(out + static_cast<std::size_t>(i) * 3, &color, 4);
      }
      if (count > 0) {
        const std::uint32_t color = colors[RawSampleAt(samples, firstColumn + count - 1)];
        std::memcpy(out + static_cast<std::size_t>(count - 1) * 3, &color, 3);
      }
    }
  }
}

// How many whole degrees half an area of `pixels` pixels spans at a zoom level; zoomed, at most
// `largest`, half the grid.
int HalfSpanDegrees(const GridGeometry& grid, ZoomLevel zoom, int pixels, int largest) {
  if (zoom.IsOneToOne()) return grid.HalfSpanDegrees(pixels);
  const int k = zoom.Factor();
  const int samples = zoom.IsZoomedOut() ? pixels * k : pixels;
  const int perSample = zoom.IsZoomedIn() ? k : 1;
  const int halfSpan =
      RoundHalfEven(samples * grid.degreesPerSample, 2 * grid.samplesPerDegree * perSample);
  return std::min(halfSpan, largest);
}

// One axis of a move from `from` towards `to` that a pick would pull back to `pulledBack`.
std::int64_t MoveTowards(std::int64_t from, std::int64_t to, std::int64_t pulledBack) {
  return std::clamp(pulledBack, std::min(from, to), std::max(from, to));
}

}  // namespace

int FirstRow(const GridGeometry& grid, LatticePoint center, int height) {
  return grid.SampleOf(center.lat) - RoundHalfEven(height, 2) - 1;
}

int FirstColumn(const GridGeometry& grid, LatticePoint center, int width) {
  return grid.SampleOf(center.lon) - RoundHalfEven(width, 2) - 1;
}

int FirstRow(int centerLat, int height) {
  return FirstRow(kEtopo5Geometry, DegreePoint(0, centerLat), height);
}

int FirstColumn(int centerLon, int width) {
  return FirstColumn(kEtopo5Geometry, DegreePoint(centerLon, 0), width);
}

void RegionView::SetCenter(int lon, int lat, int width, int height) {
  SetCenter(DegreePoint(lon, lat), width, height);
}

void RegionView::SetCenter(LatticePoint center, int width, int height) {
  center_ = center;
  const std::int64_t halfWidth =
      HalfSpanDegrees(grid_, zoom_, width, kHalfTurn) * kLatticePartsPerDegree;
  if (center_.lon < halfWidth) center_.lon = halfWidth;
  if (center_.lon > kLastLon - halfWidth) center_.lon = kLastLon - halfWidth;
  const std::int64_t halfHeight =
      HalfSpanDegrees(grid_, zoom_, height, kHalfTurn / 2) * kLatticePartsPerDegree;
  if (center_.lat < halfHeight) center_.lat = halfHeight;
  if (center_.lat > kLastLat - halfHeight) center_.lat = kLastLat - halfHeight;
}

void RegionView::MoveCenter(int lon, int lat, int width, int height) {
  MoveCenter(DegreePoint(lon, lat), width, height);
}

void RegionView::MoveCenter(LatticePoint towards, int width, int height) {
  RegionView picked;
  picked.SetGrid(grid_);
  picked.SetZoom(zoom_);
  picked.SetCenter(towards, width, height);
  center_.lon = MoveTowards(center_.lon, towards.lon, picked.Center().lon);
  center_.lat = MoveTowards(center_.lat, towards.lat, picked.Center().lat);
}

void RegionView::PlaceCenter(int lon, int lat) {
  center_ = DegreePoint(lon, lat);
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface) const {
  Paint(gridPath, colors, surface, nullptr);
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface, ShownSamples& shown) const {
  shown.Begin(gridPath, center_, surface.Width(), surface.Height(), zoom_);
  Paint(gridPath, colors, surface, &shown);
}

void RegionView::Paint(const std::filesystem::path& gridPath, const ColorTable& colors,
                       ViewSurface& surface, ShownSamples* shown) const {
  if (!zoom_.IsOneToOne()) {
    PaintZoomed(gridPath, colors, surface, shown);
    return;
  }
  RegionPainter painter(*this, gridPath, colors, surface.Width(), surface.Height(),
                        PixelLayout::kPacked, shown);
  if (colors.empty()) return;  // an empty bar has no colour for anything: the area stays black
  const auto rowBytes = static_cast<std::size_t>(surface.Width()) * sizeof(PackedColor);
  for (int y = 0; y < surface.Height(); ++y) {
    painter.PaintRow(y, std::span(reinterpret_cast<std::uint8_t*>(surface.Row(y)), rowBytes));
  }
}

RegionPainter::RegionPainter(const RegionView& view, const std::filesystem::path& gridPath,
                             const ColorTable& colors, int width, int height, PixelLayout layout,
                             ShownSamples* shown)
    : grid_(gridPath),
      colors_(colors),
      gridColors_(colors.For(grid_.Geometry().encoding)),
      width_(width),
      height_(height),
      layout_(layout),
      rowBytes_(grid_.Geometry().RowBytes()),
      // A negative first row shows the top rows of the grid unshifted.
      firstGridRow_(std::max(FirstRow(grid_.Geometry(), view.Center(), height), 0)),
      shown_(shown) {
  const GridGeometry& geometry = grid_.Geometry();
  if (shown_ != nullptr) shown_->Opened(geometry);
  if (view.Shading()) shader_ = std::make_unique<ReliefShader>(*view.Shading(), geometry);
  // The pixel columns fall into runs of consecutive grid columns: one run, or two or three
  // where the area crosses the grid's east-west seam.
  const int firstColumn = FirstColumn(geometry, view.Center(), width);
  for (int x = 0; x < width;) {
    const int column = geometry.WrapColumn(firstColumn + x);
    const int length = std::min(width - x, geometry.columns - column);
    runs_.push_back({x, length, column});
    x += length;
  }
  if (grid_.HasHeader()) {
    // The columns shown, and with shading one more either side, wrapped: one span of the circle
    // of columns, split in two where it crosses the seam.
    const int margin = shader_ ? 1 : 0;
    const int count = width + 2 * margin;
    if (count >= geometry.columns) {
      spans_.push_back({0, geometry.columns});
    } else {
      const int first = geometry.WrapColumn(firstColumn - margin);
      const int east = std::min(count, geometry.columns - first);
      spans_.push_back({first, east});
      if (east < count) spans_.push_back({0, count - east});
    }
    PrefetchUnlessInMemory(margin);
  }
  if (BytesPerPixel(layout) == 3 && !colors.empty() && !ColorTableIsInFileOrder(layout)) {
    fileOrderColors_.resize(std::size_t{1} << 16);
    for (std::size_t raw = 0; raw < fileOrderColors_.size(); ++raw) {
      fileOrderColors_[raw] = InFileOrder(gridColors_[raw], layout);
    }
  }
}

void RegionPainter::PrefetchUnlessInMemory(int margin) {
  // Every read of the paint asked for at once, so that a disk serves them together; unless the
  // first and last rows are in memory, as after an earlier paint of the same place, when asking
  // would only cost time.
  const int firstRow = std::max(firstGridRow_ - margin, 0);
  const int lastRow = std::min(firstGridRow_ + height_ + margin, grid_.Geometry().rows);
  block_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockRows * rowBytes_);
  const auto inMemory = [&](int row) {
    const ColumnSpan& span = spans_.front();
    return grid_.InMemory(row, span.first,
                          {block_.get() + std::size_t{2} * static_cast<std::size_t>(span.first),
                           std::size_t{2} * static_cast<std::size_t>(span.count)});
  };
  if (firstRow >= lastRow || (inMemory(firstRow) && inMemory(lastRow - 1))) return;
  for (int row = firstRow; row < lastRow; ++row) {
    for (const ColumnSpan& span : spans_) grid_.Prefetch(row, span.first, span.count);
  }
}

std::span<const std::uint8_t> RegionPainter::GridRowOf(int y) {
  ReadBlockHolding(y);
  const std::size_t offset = static_cast<std::size_t>(leadRows_ + y - blockFirst_) * rowBytes_;
  if (offset >= blockBytes_) return {};
  return {block_.get() + offset, std::min(blockBytes_ - offset, rowBytes_)};
}

void RegionPainter::ReadBlockHolding(int y) {
  if (y >= blockFirst_ && y < blockFirst_ + blockRows_) return;
  // Blocks start at multiples of RowsPerRead, so painting upwards reads each row once too.
  blockFirst_ = y / RowsPerRead * RowsPerRead;
  blockRows_ = std::min(RowsPerRead, height_ - blockFirst_);
  if (!block_) block_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockRows * rowBytes_);
  const int margin = shader_ ? 1 : 0;
  const int firstRead = std::max(firstGridRow_ + blockFirst_ - margin, 0);
  leadRows_ = firstGridRow_ + blockFirst_ - firstRead;
  const int rows = leadRows_ + blockRows_ + margin;
  if (spans_.empty()) {
    grid_.SeekRow(firstRead);
    blockBytes_ = grid_.ReadRows({block_.get(), static_cast<std::size_t>(rows) * rowBytes_});
  } else {
    ReadSpans(firstRead, rows);
  }
  if (shown_ != nullptr) {
    // Only the area's own rows count: the read-out shows what was painted.
    const std::size_t lead = static_cast<std::size_t>(leadRows_) * rowBytes_;
    const std::size_t own = static_cast<std::size_t>(blockRows_) * rowBytes_;
    shown_->Read(std::min(blockBytes_ - std::min(blockBytes_, lead), own));
  }
}

void RegionPainter::ReadSpans(int firstRead, int rows) {
  // The block keeps the file's row layout, so the painting is the same as from whole rows;
  // only the spans' bytes are read, and the pages of the rest are never touched. The block's
  // reads go to the system together: from the page cache they cost mostly the calls.
  const int held = std::clamp(grid_.Geometry().rows - firstRead, 0, rows);
  spanReads_.clear();
  for (int row = 0; row < held; ++row) {
    std::uint8_t* rowStart = block_.get() + static_cast<std::size_t>(row) * rowBytes_;
    for (const ColumnSpan& span : spans_) {
      spanReads_.push_back(
          grid_.SamplesOf(firstRead + row, span.first,
                          {rowStart + std::size_t{2} * static_cast<std::size_t>(span.first),
                           std::size_t{2} * static_cast<std::size_t>(span.count)}));
    }
  }
  grid_.ReadSamples(spanReads_);
  blockBytes_ = static_cast<std::size_t>(held) * rowBytes_;
}

void RegionPainter::Shade(int y, std::span<const std::uint8_t> samples, const std::uint32_t* colors,
                          std::uint8_t* pixels) {
  const GridGeometry& geometry = grid_.Geometry();
  const int row = firstGridRow_ + y;
  const int columnsRead = static_cast<int>(samples.size() / 2);
  // Past the grid's first and last rows, and past the last whole row a short file holds, the
  // edge row stands in for its missing neighbour. The row above is always in the block. A short
  // file's cut last row is made whole by repeating its last sample.
  const std::uint8_t* centre = samples.data();
  if (columnsRead < geometry.columns) {
    cutRow_.resize(rowBytes_);
    const auto held = static_cast<std::size_t>(columnsRead) * 2;
    std::copy_n(samples.begin(), held, cutRow_.begin());
    for (std::size_t at = held; at < cutRow_.size(); at += 2) {
      cutRow_[at] = samples[held - 2];
      cutRow_[at + 1] = samples[held - 1];
    }
    centre = cutRow_.data();
  }
  const std::uint8_t* above = row > 0 ? samples.data() - rowBytes_ : centre;
  const auto belowEnd = static_cast<std::size_t>(leadRows_ + y - blockFirst_ + 2) * rowBytes_;
  const std::uint8_t* below =
      row + 1 < geometry.rows && belowEnd <= blockBytes_ ? centre + rowBytes_ : centre;
  const int stride = BytesPerPixel(layout_);
  for (const auto& run : runs_) {
    const int count = std::clamp(columnsRead - run.firstColumn, 0, run.length);
    std::uint8_t* out = pixels + static_cast<std::size_t>(run.firstPixel) * stride;
    if (stride == 4) {
      shader_->ShadeRun<4>(row, above, centre, below, run.firstColumn, count, out, colors);
    } else {
      shader_->ShadeRun<3>(row, above, centre, below, run.firstColumn, count, out, colors);
    }
  }
}

void RegionPainter::PaintRow(int y, std::span<std::uint8_t> row) {
  const std::span<const std::uint8_t> samples = GridRowOf(y);
  const int columnsRead = static_cast<int>(samples.size() / 2);
  const bool fileRow = BytesPerPixel(layout_) == 3;
  if (fileRow && (columnsRead < grid_.Geometry().columns || colors_.empty())) {
    std::fill_n(row.begin(), std::size_t{3} * width_, std::uint8_t{0});
  }
  if (colors_.empty() || columnsRead == 0) return;
  if (shader_) {
    // Painted and shaded in one pass, each pixel written once.
    Shade(y, samples, fileOrderColors_.empty() ? gridColors_ : fileOrderColors_.data(), row.data());
  } else if (!fileRow) {
    PaintRuns<4>(samples.data(), columnsRead, runs_, gridColors_, row.data());
  } else if (fileOrderColors_.empty()) {
    PaintRuns<3>(samples.data(), columnsRead, runs_, gridColors_, row.data());
  } else {
    PaintRuns<3>(samples.data(), columnsRead, runs_, fileOrderColors_.data(), row.data());
  }
}

}  // namespace orandu
