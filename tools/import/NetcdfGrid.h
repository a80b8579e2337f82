// A netCDF file's grid of heights: finding the variable and its axes, and reading it in bands.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/import/GridAxes.h"
#include "tools/import/PlainShorts.h"

namespace orandu {

// How stored values become metres: packing, and which stored values mean "no value".
struct ValueCoding {
  double scale = 1;
  double offset = 0;
  std::vector<double> missing;  // _FillValue and missing_value, as stored
  double validMin = -HUGE_VAL;  // valid_min / valid_max / valid_range, as stored
  double validMax = HUGE_VAL;
};

class NetcdfGrid {
 public:
  // Opens the file and finds the one 2-D variable over latitude and longitude (or `variable`).
  // Throws ImportError with the reason when there is none, or more than one and no choice.
  NetcdfGrid(const std::filesystem::path& input, const std::optional<std::string>& variable);
  ~NetcdfGrid();
  NetcdfGrid(const NetcdfGrid&) = delete;
  NetcdfGrid& operator=(const NetcdfGrid&) = delete;

  const std::string& Variable() const { return variableName_; }
  std::string TypeName() const;
  const LatitudeAxis& Latitude() const { return latitude_; }
  const LongitudeAxis& Longitude() const { return longitude_; }
  // Bytes of one stored value.
  std::size_t ValueBytes() const { return typeSize_; }
  // Rows from `first` (counted from the north) to the end of its row of chunks, so that bands
  // stopping there never need two rows of chunks at once.
  std::size_t RowsToChunkEdge(std::size_t first) const;
  // The values' chunks, rows by columns; 0 by 0 when they are stored contiguously.
  std::size_t ChunkRows() const { return chunkRows_; }
  std::size_t ChunkColumns() const { return chunkColumns_; }
  // The bytes of one chunk's values, and of one row of chunks across the whole width.
  std::size_t ChunkBytes() const;
  std::size_t ChunkRowBytes() const;
  // Lets the library keep up to `bytes` of inflated chunks (0: none kept).
  void CacheChunks(std::size_t bytes);

  // Reads `count` rows counted from the northernmost, `first` the northernmost of them, and
  // `columns` columns from `first_column`, as heights in metres, NaN where a value is missing;
  // `heights` receives count * columns values, row by row.
  void ReadBlock(std::size_t first, std::size_t count, std::size_t firstColumn, std::size_t columns,
                 std::span<double> heights);

  // How the values can be read by ReadPlainShorts; nullopt when they need ReadBlock: packed, not
  // 16-bit signed integers, or with more missing values than PlainShorts holds.
  const std::optional<PlainShorts>& PlainShortCoding() const { return plainShorts_; }

  // Reads like ReadBlock, but when PlainShortCoding() is set: the heights as 16-bit metres, 0
  // where a value is missing. Returns the number of missing values.
  std::size_t ReadPlainShorts(std::size_t first, std::size_t count, std::size_t firstColumn,
                              std::size_t columns, std::span<std::int16_t> heights);

  // The lowest and highest heights read so far; nullopt before any value is read.
  std::optional<double> Lowest() const { return lowest_; }
  std::optional<double> Highest() const { return highest_; }

 private:
  void FindVariable(const std::optional<std::string>& variable);
  void ReadCoding();
  void FindChunks();
  void FindPlainShorts();
  // Reads the stored values of a block, rows as the file holds them, into `values`.
  void ReadStored(std::size_t first, std::size_t count, std::size_t firstColumn,
                  std::size_t columns, void* values);

  int file_ = -1;
  int variableId_ = -1;
  int type_ = 0;
  std::size_t typeSize_ = 0;
  std::size_t chunkRows_ = 0;  // 0 when the values are stored contiguously
  std::size_t chunkColumns_ = 0;
  std::string variableName_;
  LatitudeAxis latitude_;
  LongitudeAxis longitude_;
  ValueCoding coding_;
  std::optional<PlainShorts> plainShorts_;
  std::vector<unsigned char> stored_;
  std::vector<std::int16_t> storedShorts_;
  std::optional<double> lowest_;
  std::optional<double> highest_;
};

}  // namespace orandu
