// The ETOPO5 grid file: its fixed layout, and how one stored sample becomes a height.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>

#include "region/files/SourceFile.h"
#include "region/grid/GridGeometry.h"

namespace orandu {

// A signed height in metres decoded from one 16-bit grid sample.
using HeightSample = int;

// A whole-degree cell: longitude 0 ... 359 eastwards from the 0° meridian, latitude 0 ... 179
// southwards from 90° N. World map pixels use the same pair, and so do the region's centre and
// its moves, which may lie outside those ranges (a step west is lon -1).
struct DegreeCell {
  int lon = 0;
  int lat = 0;
  bool operator==(const DegreeCell&) const = default;
};

inline constexpr int SamplesPerDegree = kEtopo5Geometry.samplesPerDegree;  // one per 5 arc-minutes
inline constexpr int GridColumns = kEtopo5Geometry.columns;  // 4320, column 0 at 0° E
inline constexpr int GridRows = kEtopo5Geometry.rows;        // 2160, row 0 at 90° N
inline constexpr int RowBytes = GridColumns * 2;             // 8640
// Rows are read this many at a time: a system call per row would cost more than the copying.
inline constexpr int RowsPerRead = 32;
inline constexpr std::int64_t GridBytes = std::int64_t{GridRows} * RowBytes;  // 18,662,400

using GridRow = std::array<std::uint8_t, RowBytes>;

// The height an ETOPO5 sample stands for: raw values above 10000 are depths.
constexpr HeightSample DecodeSample(std::uint16_t raw) {
  return HeightOf(raw, SampleEncoding::kEtopo5);
}

// The raw sample at a column of a row buffer, stored low byte first. One 16-bit load: the compiler
// does not merge two byte loads here, and this is the paint loop's inner step.
inline std::uint16_t RawSampleAt(const std::uint8_t* row, int column) {
  std::uint16_t raw;
  std::memcpy(&raw, row + static_cast<std::size_t>(column) * 2, sizeof raw);
  if constexpr (std::endian::native == std::endian::big) {
    raw = static_cast<std::uint16_t>((raw >> 8) | (raw << 8));
  }
  return raw;
}

// The grid file opened for one paint. An ETOPO5 file is a headerless run of rows; nothing in it
// tells its size, so a short file simply ends the reading early. A grid with a raster header
// beside it has the header's size and spacing, and is refused unless it is exactly that long.
class HeightGrid {
 public:
  // Opens the file and reads its header, if it has one; throws OranduError when either cannot be
  // opened, when the header is invalid, or when the file's first bytes are the signature of a
  // netCDF or HDF5 file (orandu-import converts those into a grid).
  explicit HeightGrid(const std::filesystem::path& path);

  const GridGeometry& Geometry() const { return geometry_; }
  // Whether a raster header beside the file gave its geometry.
  bool HasHeader() const { return hasHeader_; }

  // Positions at the start of a row; a negative row leaves the position at the start of the file.
  void SeekRow(int row) { file_.Seek(std::int64_t{row} * static_cast<std::int64_t>(RowBytes())); }

  // Reads the next whole rows into the buffer, a multiple of the row's bytes long, with one
  // request to the system; returns the bytes read, fewer than asked for only at the end of the
  // file.
  std::size_t ReadRows(std::span<std::uint8_t> rows) { return file_.Read(rows); }

  // Reads the next row; returns the bytes read, fewer than RowBytes only at the end of the file.
  std::size_t ReadRow(GridRow& row) { return ReadRows(row); }

  // Reads samples column ... column + bytes.size() / 2 - 1 of a row, which must lie in the grid;
  // throws OranduError when the file no longer holds them all.
  void ReadSamples(int row, int column, std::span<std::uint8_t> bytes) const;

  // The read of samples column ... column + bytes.size() / 2 - 1 of a row into `bytes`, for
  // ReadSamples below.
  ReadRequest SamplesOf(int row, int column, std::span<std::uint8_t> bytes) const {
    return {Offset(row, column), bytes};
  }

  // Makes all these reads, handed to the system together; throws OranduError when the file no
  // longer holds them all.
  void ReadSamples(std::span<const ReadRequest> reads) const;

  // Whether these samples of a row are in memory already (read into `bytes` to find out).
  bool InMemory(int row, int column, std::span<std::uint8_t> bytes) const;

  // Tells the system that these samples of a row will be read soon, so that reads from a disk
  // can run while earlier ones are used.
  void Prefetch(int row, int column, int count) const;

 private:
  std::size_t RowBytes() const { return geometry_.RowBytes(); }
  std::uint64_t Offset(int row, int column) const;

  SourceFile file_;
  GridGeometry geometry_;
  bool hasHeader_ = false;
};

}  // namespace orandu
