// The zoomed-out levels of a grid: the mean of each 2 x 2, 4 x 4 ... 64 x 64 block of its samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orandu {

// One level: the heights of blocks of factor x factor finest samples, rows from the north.
// Blocks start at multiples of the factor from the grid's first row and column, so a block the
// grid only partly holds (the last column of blocks when the columns are not a multiple of the
// factor, the last row of blocks) is the mean of the samples it holds.
struct OverviewLevel {
  int factor = 0;
  int columns = 0;  // ceil(finest columns / factor)
  int rows = 0;     // ceil(finest rows / factor), of the rows the file held
  std::vector<std::int16_t> heights;

  std::int16_t At(int row, int column) const {
    return heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                   static_cast<std::size_t>(column)];
  }
};

// The levels 1/2 ... 1/64, each block's height the mean of the finest samples it holds, rounded
// half to even, as plain signed 16-bit heights.
class Overviews {
 public:
  static constexpr int kLevels = 6;
  static constexpr int kCoarsestFactor = 1 << kLevels;

  // The level whose blocks are factor x factor samples: 2, 4 ... 64.
  const OverviewLevel& Level(int factor) const;
  // The bytes the levels' heights take.
  std::size_t Bytes() const;

 private:
  friend class OverviewBuilder;
  std::array<OverviewLevel, kLevels> levels_;
};

// Where a builder hands each level's rows as they are completed, from the top: the level's factor
// and its ceil(columns / factor) heights, valid only during the call.
using OverviewRowSink = std::function<void(int factor, std::span<const std::int16_t> heights)>;

// Builds the levels from the finest rows, handed over from the top one at a time. Each level is
// made from the one below it, but from its exact sums rather than its rounded means, so that it
// is the mean of the finest samples exactly; only one row of sums a level is held.
class OverviewBuilder {
 public:
  // For `rows` finest rows of `columns` samples: room for their levels is taken at once.
  OverviewBuilder(int columns, int rows);
  // Hands each completed row of blocks to `sink` instead of keeping it, for levels larger than
  // memory: Finish then gives levels with no heights.
  OverviewBuilder(int columns, OverviewRowSink sink);

  // The next finest row's heights, `columns` of them.
  void AddRow(std::span<const int> heights);
  void AddRow(std::span<const std::int16_t> heights);
  // Completes the last rows of blocks, of the rows added so far (a short file's rows): they may
  // hold fewer rows than their factor.
  void Complete();
  // The levels of the rows added so far, completed.
  Overviews Finish() &&;

 private:
  // The sums of the blocks of a row of blocks being gathered, and the finest rows it holds.
  struct Gathering {
    std::vector<std::int32_t> sums;
    int rowsHeld = 0;
  };

  void CompleteRow(int level);

  int columns_;
  OverviewRowSink sink_;
  std::vector<std::int16_t> completed_;  // a row of blocks being completed
  Overviews overviews_;
  std::array<Gathering, Overviews::kLevels> gathering_;
};

}  // namespace orandu
