// The import pipeline: read rows of the input, reduce them across longitude, combine the reduced
// rows across latitude, encode and write the output rows as they are finished.
#include "GridImport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "AtomicFile.h"
#include "HeightGrid.h"
#include "ImportError.h"
#include "NetcdfGrid.h"
#include "SampleEncoding.h"

namespace orandu::import {
namespace {

// Input values held at once, both as stored and as heights; with the chunk cache (at most
// 96 MB) and the library's own needs this keeps the process well under 256 MB.
constexpr std::size_t kReadBudgetBytes = 32u << 20;

// One input row reduced to the output's columns: for each column the weighted sum of its valid
// input samples, their total weight, and whether any sample with weight was missing.
struct ReducedRow {
  std::vector<double> sum = std::vector<double>(GridColumns);
  std::vector<double> weight = std::vector<double>(GridColumns);
  std::vector<std::uint8_t> missing = std::vector<std::uint8_t>(GridColumns);
};

void Reduce(std::span<const float> heights, const AxisWeights& columns, ReducedRow& reduced) {
  for (std::size_t column = 0; column < GridColumns; ++column) {
    double sum = 0;
    double weight = 0;
    std::uint8_t missing = 0;
    for (const WeightedSample& sample : columns.For(column)) {
      const float height = heights[sample.index];
      if (std::isnan(height)) {
        missing = 1;
      } else {
        sum += sample.weight * height;
        weight += sample.weight;
      }
    }
    reduced.sum[column] = sum;
    reduced.weight[column] = weight;
    reduced.missing[column] = missing;
  }
}

// Input rows in order from the north, read a band at a time, each reduced as it is read.
class ReducedRows {
 public:
  ReducedRows(NetcdfGrid& grid, const AxisWeights& columns, std::size_t window)
      : grid_(grid), columns_(columns), window_(window) {
    const std::size_t width = grid.longitude().count;
    band_rows_ = std::max<std::size_t>(1, grid.RowsPerRead(kReadBudgetBytes / 2));
    band_rows_ = std::min(band_rows_, std::max<std::size_t>(1, kReadBudgetBytes / 2 / 4 / width));
    band_.resize(band_rows_ * width);
  }

  // Row k; rows are asked for in order, and no earlier than `window` rows before the latest.
  const ReducedRow& Row(std::size_t k) {
    while (next_ <= k) {
      if (next_ >= band_first_ + band_count_) ReadBand();
      const std::size_t width = grid_.longitude().count;
      const std::span<const float> row =
          std::span(band_).subspan((next_ - band_first_) * width, width);
      Reduce(row, columns_, ring_[next_ % window_]);
      ++next_;
    }
    return ring_[k % window_];
  }

 private:
  void ReadBand() {
    band_first_ = next_;
    band_count_ = std::min(band_rows_, grid_.latitude().count - next_);
    grid_.ReadRows(band_first_, band_count_, std::span(band_));
  }

  NetcdfGrid& grid_;
  const AxisWeights& columns_;
  std::size_t window_;
  std::vector<ReducedRow> ring_ = std::vector<ReducedRow>(window_);
  std::vector<float> band_;
  std::size_t band_rows_ = 1;
  std::size_t band_first_ = 0;
  std::size_t band_count_ = 0;
  std::size_t next_ = 0;
};

// The most input rows any one output row draws on, from first to last.
std::size_t WidestSpan(const AxisWeights& rows) {
  std::size_t widest = 1;
  for (int row = 0; row < GridRows; ++row) {
    const auto samples = rows.For(static_cast<std::size_t>(row));
    const auto [low, high] = std::minmax_element(
        samples.begin(), samples.end(),
        [](const WeightedSample& a, const WeightedSample& b) { return a.index < b.index; });
    widest = std::max(widest, high->index - low->index + 1);
  }
  return widest;
}

}  // namespace

ImportSummary ImportGrid(const std::filesystem::path& input, const std::filesystem::path& output,
                         const ImportOptions& options) {
  NetcdfGrid grid(input, options.variable);
  const AxisWeights rows = LatitudeWeights(grid.latitude());
  const AxisWeights columns = LongitudeWeights(grid.longitude());
  ImportSummary summary;
  summary.variable = grid.variable();
  summary.type = grid.TypeName();
  summary.latitude = grid.latitude();
  summary.longitude = grid.longitude();
  summary.across_latitudes = rows.resampling;
  summary.across_longitudes = columns.resampling;

  ReducedRows reduced(grid, columns, WidestSpan(rows) + 1);
  AtomicFileWriter writer(output);
  if (!writer.ok()) throw OutputError("cannot write " + output.string());
  std::vector<std::uint8_t> encoded(static_cast<std::size_t>(RowBytes) * RowsPerRead);
  std::vector<double> sum(GridColumns);
  std::vector<double> weight(GridColumns);
  std::vector<std::uint8_t> missing(GridColumns);
  for (int row = 0; row < GridRows; ++row) {
    std::fill(sum.begin(), sum.end(), 0.0);
    std::fill(weight.begin(), weight.end(), 0.0);
    std::fill(missing.begin(), missing.end(), 0);
    const auto samples = rows.For(static_cast<std::size_t>(row));
    for (const WeightedSample& sample : samples) {
      const ReducedRow& from = reduced.Row(sample.index);
      for (std::size_t column = 0; column < GridColumns; ++column) {
        sum[column] += sample.weight * from.sum[column];
        weight[column] += sample.weight * from.weight[column];
        missing[column] |= from.missing[column];
      }
    }
    const std::size_t at = static_cast<std::size_t>(row % RowsPerRead) * RowBytes;
    for (std::size_t column = 0; column < GridColumns; ++column) {
      double height = 0;
      if (weight[column] > 0) {
        height = sum[column] / weight[column];
        summary.filled += missing[column];
      } else {
        ++summary.all_missing;
      }
      const EncodedSample sample = EncodeHeight(height);
      summary.clamped += sample.clamped;
      encoded[at + column * 2] = static_cast<std::uint8_t>(sample.raw & 0xFF);
      encoded[at + column * 2 + 1] = static_cast<std::uint8_t>(sample.raw >> 8);
    }
    if ((row + 1) % RowsPerRead == 0 || row + 1 == GridRows) {
      const std::size_t filled_rows = static_cast<std::size_t>(row % RowsPerRead) + 1;
      writer.Write(std::span(encoded).first(filled_rows * RowBytes));
      if (options.progress) options.progress(static_cast<double>(row + 1) / GridRows);
    }
  }
  if (!writer.Commit()) throw OutputError("cannot write " + output.string());
  summary.lowest = grid.lowest();
  summary.highest = grid.highest();
  return summary;
}

}  // namespace orandu::import
