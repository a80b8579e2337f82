// Where a grid file's samples lie on the Earth, how many there are and how each is stored.
#pragma once

#include <cstddef>
#include <cstdint>

#include "region/grid/Rounding.h"

namespace orandu {

// How a stored 16-bit sample becomes a height.
enum class SampleEncoding {
  kEtopo5,    // ETOPO5's own: raw values above 10000 are depths (DecodeSample)
  kSigned16,  // plain two's complement, as grids described by a raster header store them
};

// Where the first row lies.
enum class LatitudeRegistration {
  kNodes,  // on 90° N itself
  kCells,  // at the centre of the first row of cells, half a sample south of 90° N
};

// Positions are counted in eighths of an arc-second: the samples of every common grid, and the
// centres of their cells, lie on this lattice, so positions add and compare exactly.
inline constexpr std::int64_t kLatticePartsPerDegree = 28800;

// A position on the lattice: east of the 0° meridian and south of 90° N, in lattice parts.
// The region's centre is one, so that it can move by whole degrees and by single samples alike.
struct LatticePoint {
  std::int64_t lon = 0;
  std::int64_t lat = 0;
  bool operator==(const LatticePoint&) const = default;
};

// The whole degree (longitude, latitude south of 90° N) as a lattice point.
constexpr LatticePoint DegreePoint(int lon, int lat) {
  return {lon * kLatticePartsPerDegree, lat * kLatticePartsPerDegree};
}

// floor(numerator / denominator) for a positive denominator.
constexpr std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t quotient = numerator / denominator;
  return quotient * denominator > numerator ? quotient - 1 : quotient;
}

// A global grid of equal spacing in latitude and longitude, rows from the north, columns
// eastwards from the first sample at or east of 0°, two bytes a sample, low byte first. The
// spacing is a whole number of samples per degree or a whole number of degrees per sample; one of
// samplesPerDegree and degreesPerSample is 1.
struct GridGeometry {
  int columns = 0;  // the samples round a parallel
  int rows = 0;
  int samplesPerDegree = 1;
  int degreesPerSample = 1;
  std::int64_t firstLongitude = 0;  // of column 0, in lattice parts east of 0°, under a spacing
  LatitudeRegistration latitudes = LatitudeRegistration::kNodes;
  SampleEncoding encoding = SampleEncoding::kSigned16;
  bool operator==(const GridGeometry&) const = default;

  // The spacing of samples in lattice parts.
  constexpr std::int64_t Spacing() const {
    return kLatticePartsPerDegree * degreesPerSample / samplesPerDegree;
  }
  constexpr std::size_t RowBytes() const { return static_cast<std::size_t>(columns) * 2; }
  constexpr std::uint64_t Bytes() const { return std::uint64_t{RowBytes()} * rows; }

  // Where row `row`'s samples lie, in lattice parts south of 90° N.
  constexpr std::int64_t RowLatitude(int row) const {
    const std::int64_t offset = latitudes == LatitudeRegistration::kCells ? Spacing() / 2 : 0;
    return row * Spacing() + offset;
  }
  // Where column `column`'s samples lie, in lattice parts east of 0°.
  constexpr std::int64_t ColumnLongitude(int column) const {
    return firstLongitude + column * Spacing();
  }
  // Whether the row is a pole, a single point from which every way is south or north.
  constexpr bool RowIsPole(int row) const {
    const std::int64_t latitude = RowLatitude(row);
    return latitude == 0 || latitude == 180 * kLatticePartsPerDegree;
  }

  // The row or column a region's centre counts from: the sample at or north, or at or west, of
  // a point this many lattice parts south of 90° N or east of 0°. A whole degree d is sample
  // d * n, n the samples per degree.
  constexpr int SampleOf(std::int64_t parts) const {
    return static_cast<int>(
        FloorDivide(parts * samplesPerDegree, kLatticePartsPerDegree * degreesPerSample));
  }

  // The whole degrees half an area of this many samples spans, round(samples / 2n), halves to
  // even: how far from the grid's edge a pick is pulled back.
  constexpr int HalfSpanDegrees(int samples) const {
    return RoundHalfEven(samples * degreesPerSample, 2 * samplesPerDegree);
  }

  // The grid column a column index west of 0 or east of the last stands for: the same meridian
  // a turn away.
  constexpr int WrapColumn(int column) const {
    const int wrapped = column % columns;
    return wrapped < 0 ? wrapped + columns : wrapped;
  }
};

// Whether a global grid of this many columns has a spacing the program shows: a whole number of
// samples per degree that divides 14,400, so that its samples and the centres of its cells lie on
// the lattice, or a whole number of degrees per sample that divides 180, so that its rows reach
// the poles.
constexpr bool IsShownSpacing(std::int64_t columns) {
  constexpr std::int64_t kDegreesAround = 360;
  constexpr std::int64_t kFinest = kLatticePartsPerDegree / 2;
  if (columns <= 0) return false;
  if (columns % kDegreesAround == 0) {
    const std::int64_t perDegree = columns / kDegreesAround;
    return perDegree <= kFinest && kFinest % perDegree == 0;
  }
  return kDegreesAround % columns == 0 && columns % 2 == 0;
}

// The ETOPO5 grid file: 5′ samples, 4320 columns from 0° E and 2160 rows from 90° N.
inline constexpr GridGeometry kEtopo5Geometry{
    4320, 2160, 12, 1, 0, LatitudeRegistration::kNodes, SampleEncoding::kEtopo5};

// The height a stored sample stands for.
constexpr int HeightOf(std::uint16_t raw, SampleEncoding encoding) {
  if (encoding == SampleEncoding::kSigned16) return static_cast<std::int16_t>(raw);
  // ETOPO5 stores -1 m as 65535 and -10000 m as 55536, while heights up to +10000 m are stored as
  // they are: the threshold is 10000, not 32767.
  return raw > 10000 ? static_cast<int>(raw) - 65536 : static_cast<int>(raw);
}

}  // namespace orandu
