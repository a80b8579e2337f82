// A netCDF file's grid of heights: finding the variable and its axes, and reading it in bands.
#pragma once

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "GridAxes.h"

namespace orandu::import {

// How stored values become metres: packing, and which stored values mean "no value".
struct ValueCoding {
  double scale = 1;
  double offset = 0;
  std::vector<double> missing;   // _FillValue and missing_value, as stored
  double valid_min = -HUGE_VAL;  // valid_min / valid_max / valid_range, as stored
  double valid_max = HUGE_VAL;
};

class NetcdfGrid {
 public:
  // Opens the file and finds the one 2-D variable over latitude and longitude (or `variable`).
  // Throws ImportError with the reason when there is none, or more than one and no choice.
  NetcdfGrid(const std::filesystem::path& input, const std::optional<std::string>& variable);
  ~NetcdfGrid();
  NetcdfGrid(const NetcdfGrid&) = delete;
  NetcdfGrid& operator=(const NetcdfGrid&) = delete;

  const std::string& variable() const { return variable_name_; }
  std::string TypeName() const;
  const LatitudeAxis& latitude() const { return latitude_; }
  const LongitudeAxis& longitude() const { return longitude_; }
  // Bytes of one stored value.
  std::size_t value_bytes() const { return type_size_; }
  // Rows from `first` (counted from the north) to the end of its row of chunks, so that bands
  // stopping there never need two rows of chunks at once.
  std::size_t RowsToChunkEdge(std::size_t first) const;
  // The values' chunks, rows by columns; 0 by 0 when they are stored contiguously.
  std::size_t chunk_rows() const { return chunk_rows_; }
  std::size_t chunk_columns() const { return chunk_columns_; }
  // The bytes of one chunk's values, and of one row of chunks across the whole width.
  std::size_t ChunkBytes() const;
  std::size_t ChunkRowBytes() const;
  // Lets the library keep up to `bytes` of inflated chunks (0: none kept).
  void CacheChunks(std::size_t bytes);

  // Reads `count` rows counted from the northernmost, `first` the northernmost of them, and
  // `columns` columns from `first_column`, as heights in metres, NaN where a value is missing;
  // `heights` receives count * columns values, row by row.
  void ReadBlock(std::size_t first, std::size_t count, std::size_t first_column,
                 std::size_t columns, std::span<double> heights);

  // The lowest and highest heights read so far; nullopt before any value is read.
  std::optional<double> lowest() const { return lowest_; }
  std::optional<double> highest() const { return highest_; }

 private:
  void FindVariable(const std::optional<std::string>& variable);
  void ReadCoding();
  void FindChunks();

  int file_ = -1;
  int variable_id_ = -1;
  int type_ = 0;
  std::size_t type_size_ = 0;
  std::size_t chunk_rows_ = 0;  // 0 when the values are stored contiguously
  std::size_t chunk_columns_ = 0;
  std::string variable_name_;
  LatitudeAxis latitude_;
  LongitudeAxis longitude_;
  ValueCoding coding_;
  std::vector<unsigned char> stored_;
  std::optional<double> lowest_;
  std::optional<double> highest_;
};

}  // namespace orandu::import
