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

namespace {

// RoundHalfEven(sum, 2^shift) by shifts: a whole block's mean, as most of a level's are, without
// a division, which took a tenth of a native import's processor time.
std::int32_t RoundHalfEvenByShift(std::int32_t sum, int shift) {
  const std::int32_t quotient = sum >> shift;                             // floor
  const std::int32_t remainder = sum & ((std::int32_t{1} << shift) - 1);  // in [0, 2^shift)
  const std::int32_t half = std::int32_t{1} << (shift - 1);
  // Masks, not branches, so that a row of blocks is rounded several at a time.
  return quotient + ((remainder > half) | ((remainder == half) & (quotient & 1)));
}

}  // namespace

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
  completed_.resize(static_cast<std::size_t>(overviews_.levels_[0].columns));
}

namespace {

// Adds each pair of `values` to `sums`, the last value alone when their count is odd: written
// pair by pair so that the compiler runs it several pairs at a time.
template <typename Value>
void AddPairs(std::span<const Value> values, std::int32_t* sums) {
  const std::size_t pairs = values.size() / 2;
  for (std::size_t pair = 0; pair < pairs; ++pair) {
    sums[pair] += std::int32_t{values[2 * pair]} + std::int32_t{values[2 * pair + 1]};
  }
  if (values.size() % 2 != 0) sums[pairs] += values.back();
}

}  // namespace

void OverviewBuilder::AddRow(std::span<const int> heights) {
  assert(static_cast<int>(heights.size()) == columns_);
  AddPairs(heights, gathering_[0].sums.data());
  if (++gathering_[0].rowsHeld == 2) CompleteRow(0);
}

void OverviewBuilder::AddRow(std::span<const std::int16_t> heights) {
  assert(static_cast<int>(heights.size()) == columns_);
  AddPairs(heights, gathering_[0].sums.data());
  if (++gathering_[0].rowsHeld == 2) CompleteRow(0);
}

void OverviewBuilder::CompleteRow(int level) {
  Gathering& gathering = gathering_[static_cast<std::size_t>(level)];
  OverviewLevel& made = overviews_.levels_[static_cast<std::size_t>(level)];
  const int factor = made.factor;
  const int rowsHeld = gathering.rowsHeld;
  const std::int32_t* sums = gathering.sums.data();
  std::int16_t* means = completed_.data();
  // The whole blocks, most of a row, by shifts; a last row of blocks the grid holds only part of,
  // and a last block cut by the seam, by division.
  const int wholeBlocks = rowsHeld == factor ? columns_ / factor : 0;
  const int wholeBlockShift = 2 * (level + 1);  // a whole block holds factor² samples
  for (int block = 0; block < wholeBlocks; ++block) {
    means[block] = static_cast<std::int16_t>(RoundHalfEvenByShift(sums[block], wholeBlockShift));
  }
  for (int block = wholeBlocks; block < made.columns; ++block) {
    const int columnsHeld = std::min(factor, columns_ - block * factor);
    means[block] = static_cast<std::int16_t>(RoundHalfEven(sums[block], columnsHeld * rowsHeld));
  }
  const auto row = std::span<const std::int16_t>(means, static_cast<std::size_t>(made.columns));
  if (sink_) {
    sink_(factor, row);
  } else {
    made.heights.insert(made.heights.end(), row.begin(), row.end());
  }
  ++made.rows;
  if (level + 1 < Overviews::kLevels) {
    Gathering& coarser = gathering_[static_cast<std::size_t>(level + 1)];
    AddPairs(
        std::span<const std::int32_t>(gathering.sums).first(static_cast<std::size_t>(made.columns)),
        coarser.sums.data());
    coarser.rowsHeld += rowsHeld;
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
