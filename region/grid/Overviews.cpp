// Building the zoomed-out levels from exact block sums, a row of blocks at a time.
#include "region/grid/Overviews.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <utility>

#include "region/grid/Rounding.h"

namespace orandu {

// A block's sum fits 32 bits: 64 x 64 samples of at most 32,768 in size is 2^27.
static_assert(std::int64_t{Overviews::kCoarsestFactor} * Overviews::kCoarsestFactor * 32768 <
              std::int64_t{1} << 31);

const OverviewLevel& Overviews::Level(int factor) const {
  assert(factor >= 2 && factor <= kCoarsestFactor && std::has_single_bit(unsigned(factor)));
  return levels_[static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(factor)) - 1)];
}

std::size_t Overviews::Bytes() const {
  std::size_t bytes = 0;
  for (const OverviewLevel& level : levels_) bytes += level.heights.size() * sizeof(std::int16_t);
  return bytes;
}

OverviewBuilder::OverviewBuilder(int columns, int rows) : OverviewBuilder(columns, nullptr) {
  for (OverviewLevel& made : overviews_.levels_) {
    made.heights.reserve(static_cast<std::size_t>(made.columns) *
                         static_cast<std::size_t>((rows + made.factor - 1) / made.factor));
  }
}

OverviewBuilder::OverviewBuilder(int columns, OverviewRowSink sink)
    : columns_(columns), sink_(std::move(sink)) {
  for (int level = 0; level < Overviews::kLevels; ++level) {
    const int factor = 2 << level;
    OverviewLevel& made = overviews_.levels_[static_cast<std::size_t>(level)];
    made.factor = factor;
    made.columns = (columns + factor - 1) / factor;
    gathering_[static_cast<std::size_t>(level)].sums.assign(static_cast<std::size_t>(made.columns),
                                                            0);
  }
  if (sink_) completed_.resize(static_cast<std::size_t>(overviews_.levels_[0].columns));
}

void OverviewBuilder::AddRow(std::span<const int> heights) {
  assert(static_cast<int>(heights.size()) == columns_);
  Gathering& finest = gathering_[0];
  for (int column = 0; column < columns_; ++column) {
    finest.sums[static_cast<std::size_t>(column / 2)] += heights[static_cast<std::size_t>(column)];
  }
  if (++finest.rowsHeld == 2) CompleteRow(0);
}

void OverviewBuilder::CompleteRow(int level) {
  Gathering& gathering = gathering_[static_cast<std::size_t>(level)];
  OverviewLevel& made = overviews_.levels_[static_cast<std::size_t>(level)];
  const int factor = made.factor;
  for (int block = 0; block < made.columns; ++block) {
    const int columnsHeld = std::min(factor, columns_ - block * factor);
    const std::int32_t sum = gathering.sums[static_cast<std::size_t>(block)];
    const auto mean =
        static_cast<std::int16_t>(RoundHalfEven(sum, columnsHeld * gathering.rowsHeld));
    if (sink_) {
      completed_[static_cast<std::size_t>(block)] = mean;
    } else {
      made.heights.push_back(mean);
    }
  }
  if (sink_) sink_(factor, std::span(completed_).first(static_cast<std::size_t>(made.columns)));
  ++made.rows;
  if (level + 1 < Overviews::kLevels) {
    Gathering& coarser = gathering_[static_cast<std::size_t>(level + 1)];
    for (int block = 0; block < made.columns; ++block) {
      coarser.sums[static_cast<std::size_t>(block / 2)] +=
          gathering.sums[static_cast<std::size_t>(block)];
    }
    coarser.rowsHeld += gathering.rowsHeld;
    if (coarser.rowsHeld == 2 * factor) CompleteRow(level + 1);
  }
  std::fill(gathering.sums.begin(), gathering.sums.end(), 0);
  gathering.rowsHeld = 0;
}

void OverviewBuilder::Complete() {
  // A part-filled row of blocks at the bottom is complete with what it holds; completing it
  // hands its sums to the coarser level, whose own last row is then completed in turn.
  for (int level = 0; level < Overviews::kLevels; ++level) {
    if (gathering_[static_cast<std::size_t>(level)].rowsHeld > 0) CompleteRow(level);
  }
}

Overviews OverviewBuilder::Finish() && {
  Complete();
  return std::move(overviews_);
}

}  // namespace orandu
