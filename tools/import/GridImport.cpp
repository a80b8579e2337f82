// The import pipeline: read rows of the input, reduce them across longitude, combine the reduced
// rows across latitude, encode and write the output rows as they are finished.
#include "GridImport.h"

#include <malloc.h>

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

// Input values held at once as heights (and as many bytes again as stored), and input rows held
// reduced across longitude; with the library's own buffers (a chunk cache of at most 128 MB,
// or the few chunks being inflated) the process stays under 256 MB.
constexpr std::size_t kReadBudgetBytes = 24u << 20;
constexpr std::size_t kReducedBudgetBytes = 112u << 20;

// One input row reduced to the output's columns: for each column the weighted sum of its valid
// input samples, their total weight, and whether any sample with weight was missing.
struct ReducedRow {
  std::vector<double> sum = std::vector<double>(GridColumns);
  std::vector<double> weight = std::vector<double>(GridColumns);
  std::vector<std::uint8_t> missing = std::vector<std::uint8_t>(GridColumns);

  void Clear() {
    std::fill(sum.begin(), sum.end(), 0.0);
    std::fill(weight.begin(), weight.end(), 0.0);
    std::fill(missing.begin(), missing.end(), 0);
  }
};
constexpr std::size_t kReducedRowBytes = GridColumns * (2 * sizeof(double) + 1);

// A run of input columns read at once, and the column weights whose samples lie in it.
struct Strip {
  struct Entry {
    std::size_t output_column;
    std::size_t offset;  // of the input column within the strip
    double weight;
  };
  std::size_t first_column = 0;
  std::size_t columns = 0;
  std::vector<Entry> entries;
};

// Cuts the input columns into strips `width` wide and sorts the column weights into them.
std::vector<Strip> MakeStrips(const AxisWeights& columns, std::size_t input_columns,
                              std::size_t width) {
  std::vector<Strip> strips((input_columns + width - 1) / width);
  for (std::size_t i = 0; i < strips.size(); ++i) {
    strips[i].first_column = i * width;
    strips[i].columns = std::min(width, input_columns - i * width);
  }
  for (std::size_t column = 0; column < GridColumns; ++column) {
    for (const WeightedSample& sample : columns.For(column)) {
      strips[sample.index / width].entries.push_back({column, sample.index % width, sample.weight});
    }
  }
  return strips;
}

// Input rows in order from the north, read a band at a time and reduced across longitude as
// they are read. A chunked file is read a whole row of chunks at a time, chunk by chunk, when
// the reduced rows of that band fit the budget: each chunk is then inflated once and the
// library keeps no cache. Otherwise bands are thinner and read whole across.
class ReducedRows {
 public:
  ReducedRows(NetcdfGrid& grid, const AxisWeights& columns, std::size_t span) : grid_(grid) {
    const std::size_t width = grid.longitude().count;
    const std::size_t chunk_rows = grid.chunk_rows();
    const std::size_t chunk_block = chunk_rows * grid.chunk_columns();
    by_chunks_ = chunk_rows > 0 && (chunk_rows + span) * kReducedRowBytes <= kReducedBudgetBytes &&
                 chunk_block * sizeof(float) <= kReadBudgetBytes;
    grid.CacheChunkRows(by_chunks_);
    // The library inflates each chunk into fresh buffers of many megabytes. Read whole, they are
    // the same few sizes over and over: kept in the heap and never handed back, they are reused
    // without a page fault. Cached, they live long and grow while inflating, and in the heap
    // every page they ever touched would stay counted: each then gets a mapping of its own.
    if (chunk_rows == 0 || by_chunks_) {
      mallopt(M_MMAP_THRESHOLD, 32 << 20);
      mallopt(M_TRIM_THRESHOLD, 256 << 20);
    } else {
      mallopt(M_MMAP_THRESHOLD, 1 << 20);
    }
    if (by_chunks_) {
      band_rows_ = chunk_rows;
      strips_ = MakeStrips(columns, width, grid.chunk_columns());
      block_.resize(chunk_block);
    } else {
      band_rows_ = std::min(grid.RowsPerRead(kReadBudgetBytes / 2),
                            std::max<std::size_t>(1, kReadBudgetBytes / 2 / sizeof(float) / width));
      strips_ = MakeStrips(columns, width, width);
      block_.resize(band_rows_ * width);
    }
    ring_.resize(band_rows_ + span);
  }

  // Row k; rows are asked for in order, and never more than `span` rows behind the latest.
  const ReducedRow& Row(std::size_t k) {
    while (next_ <= k) ReadBand();
    return ring_[k % ring_.size()];
  }

 private:
  void ReadBand() {
    const std::size_t first = next_;
    const std::size_t count =
        std::min({band_rows_, grid_.latitude().count - first, grid_.RowsToChunkEdge(first)});
    for (std::size_t k = first; k < first + count; ++k) ring_[k % ring_.size()].Clear();
    for (const Strip& strip : strips_) {
      const std::span<float> block = std::span(block_).first(count * strip.columns);
      grid_.ReadBlock(first, count, strip.first_column, strip.columns, block);
      for (std::size_t row = 0; row < count; ++row) {
        ReducedRow& reduced = ring_[(first + row) % ring_.size()];
        const float* heights = block.data() + row * strip.columns;
        for (const Strip::Entry& entry : strip.entries) {
          const float height = heights[entry.offset];
          if (std::isnan(height)) {
            reduced.missing[entry.output_column] = 1;
          } else {
            reduced.sum[entry.output_column] += entry.weight * height;
            reduced.weight[entry.output_column] += entry.weight;
          }
        }
      }
    }
    next_ = first + count;
  }

  NetcdfGrid& grid_;
  bool by_chunks_ = false;
  std::size_t band_rows_ = 1;
  std::vector<Strip> strips_;
  std::vector<float> block_;
  std::vector<ReducedRow> ring_;
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

  ReducedRows reduced(grid, columns, WidestSpan(rows));
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
