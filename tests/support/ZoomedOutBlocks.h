// What a zoomed-out picture shows, worked out for tests from the rules as a user reads them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orandu::testing {

// Heights over the whole 16-bit range with many half-metre means.
inline int MixedHeight(int row, int column) {
  const std::int64_t mixed =
      std::int64_t{row} * 7919 + std::int64_t{column} * 104729 + std::int64_t{row} * column * 31;
  return static_cast<int>(mixed % 65536) - 32768;
}

inline int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));
}

inline int FloorDiv(int a, int b) {
  return static_cast<int>(std::floor(static_cast<double>(a) / b));
}

inline int WrapIndex(int index, int count) {
  return (index % count + count) % count;
}

struct Block {
  int row;
  int column;
};

// Zoomed out by k about sample (r, c) of a grid `columns` wide, pixel (x, y) of a width x height
// area shows block floor(c / k) + x - round(W / 2) - 1, wrapped over ceil(columns / k) blocks;
// rows likewise, an area reaching above the grid starting at the first row of blocks. The row
// may lie past the grid's last.
inline Block ZoomedOutBlock(int r, int c, int k, int columns, int width, int height, int x, int y) {
  return {std::max(FloorDiv(r, k) - RoundHalfEven(height / 2.0) - 1, 0) + y,
          WrapIndex(FloorDiv(c, k) + x - RoundHalfEven(width / 2.0) - 1, (columns + k - 1) / k)};
}

// The mean of the heights a rows x columns grid holds in the k x k block, halves to even.
template <class HeightOf>
int BlockMean(int k, Block block, int rows, int columns, const HeightOf& height) {
  double sum = 0;
  int count = 0;
  for (int row = block.row * k; row < std::min(block.row * k + k, rows); ++row) {
    for (int column = block.column * k; column < std::min(block.column * k + k, columns);
         ++column) {
      sum += height(row, column);
      ++count;
    }
  }
  return RoundHalfEven(sum / count);
}

}  // namespace orandu::testing
