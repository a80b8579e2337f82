// The region around a picked point at full grid resolution: its centre and its painting.
#pragma once

#include <cstdint>
#include <filesystem>

#include "ColorBar.h"

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

// The grid row shown at the top of a W x H paint area around a centre latitude, and the grid
// column shown at its left edge. Both may fall outside the grid.
int FirstRow(int centerLat, int height);
int FirstColumn(int centerLon, int width);

class ShownSamples;

class RegionView {
 public:
  // Stores the centre and pulls it back so that a width x height region fits (almost) inside the
  // grid. Each test sees the result of the one before, so when two fire the later one wins.
  void SetCenter(int lon, int lat, int width, int height);

  int CenterLon() const { return centerLon_; }
  int CenterLat() const { return centerLat_; }

  // Paints the surface from the grid file: one positioning, then one sequential read per pixel
  // row, one sample per pixel. Rows past the end of the file, the unread part of a short last row
  // and everything when the bar is empty keep what the surface held. Columns wrap east-west.
  // Throws OranduError when the file cannot be opened or a read fails.
  void PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                   ViewSurface& surface) const;
  // The same paint, reading the rows into `shown` and keeping them there for later look-ups.
  void PaintRegion(const std::filesystem::path& gridPath, const ColorTable& colors,
                   ViewSurface& surface, ShownSamples& shown) const;

 private:
  void Paint(const std::filesystem::path& gridPath, const ColorTable& colors,
             ViewSurface& surface, ShownSamples* shown) const;

  int centerLon_ = 0;
  int centerLat_ = 0;
};

}  // namespace orandu
