// The region around a picked point at full grid resolution: its centre and its painting.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "region/ReliefShading.h"
#include "region/ZoomLevel.h"
#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"

namespace orandu {

// Where a region is painted: W x H pixels handed out a row at a time, so the painter takes each
// row once and fills it with plain stores. Pixels are 0xFFRRGGBB.
class ViewSurface {
 public:
  virtual ~ViewSurface() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual PackedColor* Row(int y) = 0;
};

// The grid row shown at the top of a paint area `height` pixels high around a centre, and the
// grid column shown at its left edge, counted from the grid's first sample: the centre's sample
// (GridGeometry::SampleOf) less round(height / 2) + 1. Both may fall outside the grid.
int FirstRow(const GridGeometry& grid, LatticePoint center, int height);
int FirstColumn(const GridGeometry& grid, LatticePoint center, int width);
// The same in ETOPO5 around a whole-degree centre: 12 * centerLat - round(height / 2) - 1.
int FirstRow(int centerLat, int height);
int FirstColumn(int centerLon, int width);

class ShownSamples;

class RegionView {
 public:
  // The grid whose spacing the centre is pulled back and moved by; ETOPO5's until told.
  void SetGrid(const GridGeometry& grid) { grid_ = grid; }
  const GridGeometry& Grid() const { return grid_; }

  // How far the region is zoomed; 1:1 until told. The centre is kept as it is.
  void SetZoom(ZoomLevel zoom) { zoom_ = zoom; }
  ZoomLevel Zoom() const { return zoom_; }

  // Stores the centre and pulls it back so that a width x height region fits (almost) inside the
  // grid: within round(width / 2n) whole degrees of 0° and 359°, and round(height / 2n) of 0 and
  // 179 degrees south of 90° N, n the grid's samples per degree. Each test sees the result of the
  // one before, so when two fire the later one wins. Zoomed, the area's size in samples stands for
  // width and height: width * k zoomed out by k, width / k zoomed in by k; and an area wider or
  // taller than the whole grid is pulled back only as far as the grid's middle (180° and 90°), so
  // that zooming out never moves the centre off the grid.
  void SetCenter(int lon, int lat, int width, int height);
  void SetCenter(LatticePoint center, int width, int height);

  // A key step or a drag towards (lon, lat): on each axis the centre moves as far as a pick there
  // would be pulled back to, but never past the point asked for nor away from it. So a move stops
  // at the grid's edge, and a centre that a resize left outside the pulled-back range moves by
  // the step asked for, or stays where a step would take it further out.
  void MoveCenter(int lon, int lat, int width, int height);
  void MoveCenter(LatticePoint towards, int width, int height);

  // Stores the centre as it is, without pulling it back: a centre that a resize left in place.
  void PlaceCenter(int lon, int lat);
  void PlaceCenter(LatticePoint center) { center_ = center; }

  LatticePoint Center() const { return center_; }
  // The whole degree the centre lies in.
  int CenterLon() const {
    return static_cast<int>(FloorDivide(center_.lon, kLatticePartsPerDegree));
  }
  int CenterLat() const {
    return static_cast<int>(FloorDivide(center_.lat, kLatticePartsPerDegree));
  }

  // The light the region is painted shaded under, or none for the bar's flat colours.
  void SetShading(std::optional<Light> light) { shading_ = light; }
  const std::optional<Light>& Shading() const { return shading_; }

  // Paints the surface from the grid file, top row first, reading the rows shown a block of
  // RowsPerRead rows at a time: one sample per pixel. Zoomed, ZoomedPainter paints it instead. The
  // file's own geometry places the samples (RegionPainter). Rows past the end of the file, the
  // unread part of a short last row and everything when the bar is empty keep what the surface
  // held. Columns wrap east-west. Throws OranduError when the file cannot be opened or a read
  // fails.
  void PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                   ViewSurface& surface) const;
  // The same paint, recording in `shown` where its samples lie and how much of the file it read.
  void PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                   ViewSurface& surface, ShownSamples& shown) const;

 private:
  void Paint(const std::filesystem::path& gridPath, const ColorTable& colors, ViewSurface& surface,
             ShownSamples* shown) const;
  void PaintZoomed(const std::filesystem::path& gridPath, const ColorTable& colors,
                   ViewSurface& surface, ShownSamples* shown) const;

  GridGeometry grid_ = kEtopo5Geometry;
  LatticePoint center_;
  std::optional<Light> shading_;
  ZoomLevel zoom_;
};

// How a painted row lays out its pixels.
enum class PixelLayout {
  kPacked,  // 4 bytes a pixel: the PackedColor word 0xFFRRGGBB in the machine's byte order
  kBgr,     // 3 bytes a pixel, blue first, as bitmap files store them
  kRgb,     // 3 bytes a pixel, red first, as PNG files store them
};

inline constexpr int BytesPerPixel(PixelLayout layout) {
  return layout == PixelLayout::kPacked ? 4 : 3;
}

// Pixel columns firstPixel ... firstPixel + length - 1 show grid columns from firstColumn on.
struct ColumnRun {
  int firstPixel;
  int length;
  int firstColumn;
};

// Paints the rows of a width x height region one at a time and in any order, straight into the
// byte layout its destination wants, so that a file can be written as it is painted. The grid is
// read in blocks of RowsPerRead region rows that start at multiples of RowsPerRead, so painting
// top-down (PNG) or bottom-up (BMP) reads each row once. When the view is shaded, each block also
// holds the grid row above and below it, where the grid has them, for the slopes of its edge rows.
// An ETOPO5 file is read in whole rows; a grid with a header, whose rows may be far wider than the
// region, only in the columns shown (and one either side when shaded).
class RegionPainter {
 public:
  // Opens the grid file; throws OranduError when it cannot be opened. With `shown`, begun for
  // this region, the bytes each read gets are counted there (rows must then be painted top-down).
  RegionPainter(const RegionView& view, const std::filesystem::path& gridPath,
                const ColorTable& colors, int width, int height, PixelLayout layout,
                ShownSamples* shown = nullptr);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The geometry of the grid file opened.
  const GridGeometry& Grid() const { return grid_.Geometry(); }

  // Paints region row y (0 at the top) into a row of Width() pixels in the painter's layout.
  // Pixels whose samples the file does not hold (past the end of a cut file, or every pixel when
  // the bar is empty) keep what the row held in the packed layout and are black in the 3-byte
  // layouts, whose rows are file rows that start out black. Throws OranduError when a read fails.
  void PaintRow(int y, std::span<std::uint8_t> row);

  // The grid samples behind region row y, two bytes each, low byte first, from grid column 0 on:
  // a whole grid row, or less (down to nothing) past the end of a cut file. Of a grid with a
  // header only the columns shown hold samples. Valid until the next call of PaintRow or
  // GridRowOf.
  std::span<const std::uint8_t> GridRowOf(int y);

 private:
  // Grid columns first ... first + count - 1 of each row, read from a grid with a header.
  struct ColumnSpan {
    int first;
    int count;
  };

  void PrefetchUnlessInMemory(int margin);
  void ReadBlockHolding(int y);
  void ReadSpans(int firstRead, int rows);
  void Shade(int y, std::span<const std::uint8_t> samples, std::uint8_t* pixels);

  HeightGrid grid_;
  const ColorTable& colors_;
  const PackedColor* gridColors_;  // the table for the grid's encoding
  int width_;
  int height_;
  PixelLayout layout_;
  std::size_t rowBytes_;
  int firstGridRow_;  // the grid row shown in region row 0
  std::vector<ColumnRun> runs_;
  std::vector<ColumnSpan> spans_;               // none for an ETOPO5 file, read in whole rows
  std::vector<ReadRequest> spanReads_;          // a block's reads of the spans, made together
  std::vector<std::uint32_t> fileOrderColors_;  // the 3-byte layouts' colours, bytes in file order
  // The grid rows of region rows blockFirst_ ...; never zero-filled, as reads overwrite it.
  std::unique_ptr<std::uint8_t[]> block_;
  ShownSamples* shown_;
  std::unique_ptr<ReliefShader> shader_;  // none for an unshaded paint
  std::vector<std::uint8_t> cutRow_;      // a short file's cut last row, made whole for shading
  int blockFirst_ = 0;
  int leadRows_ = 0;  // grid rows the block holds above region row blockFirst_: 0 or 1
  int blockRows_ = 0;
  std::size_t blockBytes_ = 0;  // bytes the last read got
};

}  // namespace orandu
