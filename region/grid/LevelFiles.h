// The files a grid's zoomed-out levels are kept in beside it: their names, sizes and reading.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "region/files/ReadBatch.h"
#include "region/grid/GridGeometry.h"
#include "region/grid/Overviews.h"

namespace orandu {

// Where the level of factor x factor blocks of `grid` lies: `.z<factor>` put before the grid's
// extension (gebco15.bil -> gebco15.z2.bil ... gebco15.z64.bil). Names the raster library does not
// take for overviews of its own, and with no header of their own, so that only the finest grid
// opens in it.
std::filesystem::path LevelFilePath(const std::filesystem::path& grid, int factor);

// The bytes a level file holds for a grid of `columns` x `rows` samples: ceil(columns / factor)
// x ceil(rows / factor) block means, 16-bit little-endian signed, rows from the north.
std::uint64_t LevelFileBytes(std::uint64_t columns, std::uint64_t rows, int factor);

// "縮小表示用のファイル "<path>" の大きさがグリッドと合いません (<bytes> バイト、<expected>
// バイトのはずです)".
std::string LevelFileSizeMessage(const std::filesystem::path& level, std::uint64_t bytes,
                                 std::uint64_t expected);
// "縮小表示用のファイル "<path>" がありません": the others of its grid are there.
std::string MissingLevelFileMessage(const std::filesystem::path& level);

// Whether every level file of a grid of `geometry` lies beside it with its size: false when none
// does. Throws OranduError (LevelFileSizeMessage, MissingLevelFileMessage) when only some do or
// one's size is not its level's: those belong to another grid, or to an import cut short.
bool HasLevelFiles(const std::filesystem::path& grid, const GridGeometry& geometry);

// A level file opened for the parts of its rows a paint shows, read as they are asked for.
class LevelFileReader {
 public:
  // Throws OranduError when the file cannot be opened or its size is not its level's.
  LevelFileReader(const std::filesystem::path& grid, const GridGeometry& geometry, int factor);
  ~LevelFileReader();
  LevelFileReader(const LevelFileReader&) = delete;
  LevelFileReader& operator=(const LevelFileReader&) = delete;

  // The level's factor, columns and rows; it holds no heights.
  const OverviewLevel& Shape() const { return shape_; }

  // Reads `count` blocks (at most the level's columns) of each of `rows` rows from `firstRow` on,
  // from column `first` on, wrapping past the last column to the first, into `heights`: whole rows
  // one after another, each block at its column. The rows' reads go to the system together.
  // Throws OranduError (kStreamReadErrorMessage) when the file no longer holds them.
  void ReadSpans(int firstRow, int rows, int first, int count, std::span<std::int16_t> heights);
  // The height of one block, likewise.
  std::int16_t HeightAt(int row, int column);

 private:
  // Throws as ReadSpans does; leaves the heights in the machine's byte order.
  void ReadAll(std::span<const ReadRequest> requests, ReadBatchPath path) const;

  OverviewLevel shape_;
  int descriptor_ = -1;
  std::vector<ReadRequest> requests_;
};

}  // namespace orandu
