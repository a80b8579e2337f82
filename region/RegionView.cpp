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

constexpr int kLastLon = 359;
constexpr int kLastLat = 179;
// A shaded paint's blocks hold a row more either side.
constexpr std::size_t kBlockBytes = std::size_t{RowsPerRead + 2} * RowBytes;

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
template <int kStride, class Table>
void PaintRuns(const std::uint8_t* samples, int columnsRead, std::span<const ColumnRun> runs,
               const Table& colors, std::uint8_t* pixels) {
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

// One axis of a move from `from` towards `to` that a pick would pull back to `pulledBack`.
int MoveTowards(int from, int to, int pulledBack) {
  return std::clamp(pulledBack, std::min(from, to), std::max(from, to));
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

void RegionView::MoveCenter(int lon, int lat, int width, int height) {
  RegionView picked;
  picked.SetCenter(lon, lat, width, height);
  centerLon_ = MoveTowards(centerLon_, lon, picked.CenterLon());
  centerLat_ = MoveTowards(centerLat_, lat, picked.CenterLat());
}

void RegionView::PlaceCenter(int lon, int lat) {
  centerLon_ = lon;
  centerLat_ = lat;
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface) const {
  Paint(gridPath, colors, surface, nullptr);
}

void RegionView::PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                             ViewSurface& surface, ShownSamples& shown) const {
  shown.Begin(gridPath, centerLon_, centerLat_, surface.Width(), surface.Height());
  Paint(gridPath, colors, surface, &shown);
}

void RegionView::Paint(const std::filesystem::path& gridPath, const ColorTable& colors,
                       ViewSurface& surface, ShownSamples* shown) const {
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
      width_(width),
      height_(height),
      layout_(layout),
      // A negative first row shows the top rows of the grid unshifted.
      firstGridRow_(std::max(FirstRow(view.CenterLat(), height), 0)),
      shown_(shown) {
  if (view.Shading()) shader_ = std::make_unique<ReliefShader>(*view.Shading());
  // The pixel columns fall into runs of consecutive grid columns: one run, or two or three
  // where the area crosses the grid's east-west seam.
  for (int x = 0; x < width;) {
    const int column = WrapColumn(FirstColumn(view.CenterLon(), width) + x);
    const int length = std::min(width - x, GridColumns - column);
    runs_.push_back({x, length, column});
    x += length;
  }
  if (BytesPerPixel(layout) == 3 && !colors.empty() && !ColorTableIsInFileOrder(layout)) {
    fileOrderColors_.resize(std::size_t{1} << 16);
    for (std::size_t raw = 0; raw < fileOrderColors_.size(); ++raw) {
      fileOrderColors_[raw] = InFileOrder(colors[static_cast<std::uint16_t>(raw)], layout);
    }
  }
}

std::span<const std::uint8_t> RegionPainter::GridRowOf(int y) {
  ReadBlockHolding(y);
  const std::size_t offset = static_cast<std::size_t>(leadRows_ + y - blockFirst_) * RowBytes;
  if (offset >= blockBytes_) return {};
  return {block_.get() + offset, std::min<std::size_t>(blockBytes_ - offset, RowBytes)};
}

void RegionPainter::ReadBlockHolding(int y) {
  if (y >= blockFirst_ && y < blockFirst_ + blockRows_) return;
  // Blocks start at multiples of RowsPerRead, so painting upwards reads each row once too.
  blockFirst_ = y / RowsPerRead * RowsPerRead;
  blockRows_ = std::min(RowsPerRead, height_ - blockFirst_);
  if (!block_) block_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockBytes);
  const int margin = shader_ ? 1 : 0;
  const int firstRead = std::max(firstGridRow_ + blockFirst_ - margin, 0);
  leadRows_ = firstGridRow_ + blockFirst_ - firstRead;
  grid_.SeekRow(firstRead);
  blockBytes_ = grid_.ReadRows(
      {block_.get(), static_cast<std::size_t>(leadRows_ + blockRows_ + margin) * RowBytes});
  if (shown_ != nullptr) {
    // Only the area's own rows count: the read-out shows what was painted.
    const std::size_t lead = static_cast<std::size_t>(leadRows_) * RowBytes;
    const std::size_t own = static_cast<std::size_t>(blockRows_) * RowBytes;
    shown_->Read(std::min(blockBytes_ - std::min(blockBytes_, lead), own));
  }
}

void RegionPainter::Shade(int y, std::span<const std::uint8_t> samples, std::uint8_t* pixels) {
  const int row = firstGridRow_ + y;
  const int columnsRead = static_cast<int>(samples.size() / 2);
  // Past the grid's first and last rows, and past the last whole row a short file holds, the
  // edge row stands in for its missing neighbour. The row above is always in the block. A short
  // file's cut last row is made whole by repeating its last sample.
  const std::uint8_t* centre = samples.data();
  if (columnsRead < GridColumns) {
    cutRow_.resize(RowBytes);
    const auto held = static_cast<std::size_t>(columnsRead) * 2;
    std::copy_n(samples.begin(), held, cutRow_.begin());
    for (std::size_t at = held; at < cutRow_.size(); at += 2) {
      cutRow_[at] = samples[held - 2];
      cutRow_[at + 1] = samples[held - 1];
    }
    centre = cutRow_.data();
  }
  const std::uint8_t* above = row > 0 ? samples.data() - RowBytes : centre;
  const auto belowEnd = static_cast<std::size_t>(leadRows_ + y - blockFirst_ + 2) * RowBytes;
  const std::uint8_t* below =
      row + 1 < GridRows && belowEnd <= blockBytes_ ? centre + RowBytes : centre;
  const int stride = BytesPerPixel(layout_);
  for (const auto& run : runs_) {
    const int count = std::clamp(columnsRead - run.firstColumn, 0, run.length);
    std::uint8_t* out = pixels + static_cast<std::size_t>(run.firstPixel) * stride;
    if (stride == 4) {
      shader_->ShadeRun<4>(row, above, centre, below, run.firstColumn, count, out);
    } else {
      shader_->ShadeRun<3>(row, above, centre, below, run.firstColumn, count, out);
    }
  }
}

void RegionPainter::PaintRow(int y, std::span<std::uint8_t> row) {
  const std::span<const std::uint8_t> samples = GridRowOf(y);
  const int columnsRead = static_cast<int>(samples.size() / 2);
  const bool fileRow = BytesPerPixel(layout_) == 3;
  if (fileRow && (columnsRead < GridColumns || colors_.empty())) {
    std::fill_n(row.begin(), std::size_t{3} * width_, std::uint8_t{0});
  }
  if (colors_.empty() || columnsRead == 0) return;
  if (!fileRow) {
    PaintRuns<4>(samples.data(), columnsRead, runs_, colors_, row.data());
  } else if (fileOrderColors_.empty()) {
    PaintRuns<3>(samples.data(), columnsRead, runs_, colors_, row.data());
  } else {
    PaintRuns<3>(samples.data(), columnsRead, runs_, fileOrderColors_.data(), row.data());
  }
  if (shader_) Shade(y, samples, row.data());
}

}  // namespace orandu
