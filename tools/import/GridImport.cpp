// The import pipeline: read rows of the input, reduce them across longitude, combine the reduced
// rows across latitude, encode the output rows as they are finished and write them at the end.
#include "tools/import/GridImport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "region/files/AtomicFile.h"
#include "region/grid/HeightGrid.h"
#include "tools/import/ExactSum.h"
#include "tools/import/ImportError.h"
#include "tools/import/NetcdfGrid.h"
#include "tools/import/ReadPlan.h"
#include "tools/import/SampleEncoding.h"

namespace orandu {
namespace {

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
    std::size_t outputColumn;
    std::size_t offset;  // of the input column within the strip
    double parts;
  };
  std::size_t firstColumn = 0;
  std::size_t columns = 0;
  std::vector<Entry> entries;
};

// Cuts the input columns into strips `width` wide and sorts the column weights into them.
std::vector<Strip> MakeStrips(const AxisWeights& columns, std::size_t inputColumns,
                              std::size_t width) {
  std::vector<Strip> strips((inputColumns + width - 1) / width);
  for (std::size_t i = 0; i < strips.size(); ++i) {
    strips[i].firstColumn = i * width;
    strips[i].columns = std::min(width, inputColumns - i * width);
  }
  for (std::size_t column = 0; column < GridColumns; ++column) {
    for (const WeightedSample& sample : columns.For(column)) {
      strips[sample.index / width].entries.push_back({column, sample.index % width, sample.parts});
    }
  }
  return strips;
}

// Input rows in order from the north, read as planned and reduced across longitude as they are
// read.
class ReducedRows {
 public:
  ReducedRows(NetcdfGrid& grid, const AxisWeights& columns, std::size_t span, const ReadPlan& plan,
              const ImportOptions& options)
      : grid_(grid), options_(options) {
    const std::size_t width = grid.Longitude().count;
    StartReading(grid, plan);
    bandRows_ = plan.bandRows;
    strips_ = MakeStrips(columns, width, plan.byChunks ? grid.ChunkColumns() : width);
    block_.resize(bandRows_ * (plan.byChunks ? grid.ChunkColumns() : width));
    ring_.resize(bandRows_ + span);
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
        std::min({bandRows_, grid_.Latitude().count - first, grid_.RowsToChunkEdge(first)});
    for (std::size_t k = first; k < first + count; ++k) ring_[k % ring_.size()].Clear();
    for (const Strip& strip : strips_) {
      if (options_.stage) options_.stage(ImportStage::kValues);
      const std::span<double> block = std::span(block_).first(count * strip.columns);
      grid_.ReadBlock(first, count, strip.firstColumn, strip.columns, block);
      for (std::size_t row = 0; row < count; ++row) {
        ReducedRow& reduced = ring_[(first + row) % ring_.size()];
        const double* heights = block.data() + row * strip.columns;
        for (const Strip::Entry& entry : strip.entries) {
          const double height = heights[entry.offset];
          if (std::isnan(height)) {
            reduced.missing[entry.outputColumn] = 1;
          } else {
            reduced.sum[entry.outputColumn] += entry.parts * height;
            reduced.weight[entry.outputColumn] += entry.parts;
          }
        }
      }
    }
    next_ = first + count;
  }

  NetcdfGrid& grid_;
  const ImportOptions& options_;
  std::size_t bandRows_ = 1;
  std::vector<Strip> strips_;
  std::vector<double> block_;
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

// Within this of halfway between two whole metres, the rounding of a mean is decided exactly.
constexpr double kNearTie = 1e-6;

// The mean `height` of an output sample, or the whole metre it rounds to when it lies next to a
// tie: there floating point lands a little either side of an exact tie, so the side is decided
// exactly from the same sums (exact themselves for integer heights), and an exact tie goes to
// the even metre.
double OnTheRightSideOfATie(double height, std::span<const WeightedSample> rows,
                            ReducedRows& reduced, std::size_t column) {
  const double below = std::floor(height);
  if (std::fabs(height - below - 0.5) > kNearTie) return height;
  // The sign of sum - (below + 1/2) weight, doubled: of the sum over rows of
  // parts * (2 sum - (2 below + 1) weight).
  const double twiceTie = 2 * below + 1;
  ExactSum difference;
  for (const WeightedSample& row : rows) {
    const ReducedRow& from = reduced.Row(row.index);
    difference.AddProduct(row.parts, 2 * from.sum[column]);
    difference.AddProduct(-row.parts, twiceTie * from.weight[column]);
  }
  const int side = difference.Sign();
  if (side > 0) return below + 1;
  if (side < 0) return below;
  return std::fmod(below, 2) == 0 ? below : below + 1;
}

// The bytes the weights take.
std::size_t BytesOf(const AxisWeights& weights) {
  return weights.begin.size() * sizeof(std::size_t) +
         weights.samples.size() * sizeof(WeightedSample);
}

}  // namespace

void RequireOutputFolder(const std::filesystem::path& output) {
  const std::filesystem::path folder =
      output.parent_path().empty() ? std::filesystem::path(".") : output.parent_path();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw OutputError("cannot write " + output.string());
  }
}

ImportSummary ImportGrid(const std::filesystem::path& input, const std::filesystem::path& output,
                         const ImportOptions& options) {
  RequireOutputFolder(output);
  if (options.stage) options.stage(ImportStage::kHeader);
  NetcdfGrid grid(input, options.variable);
  const AxisWeights rows = LatitudeWeights(grid.Latitude());
  const AxisWeights columns = LongitudeWeights(grid.Longitude());
  ImportSummary summary;
  summary.variable = grid.Variable();
  summary.type = grid.TypeName();
  summary.latitude = grid.Latitude();
  summary.longitude = grid.Longitude();
  summary.acrossLatitudes = rows.resampling;
  summary.acrossLongitudes = columns.resampling;

  // The whole output is held and written at the end, so that no temporary file exists while the
  // library reads: a read that never ends can then be stopped at once, leaving nothing behind.
  std::vector<std::uint8_t> encoded(static_cast<std::size_t>(GridBytes));
  const std::size_t span = WidestSpan(rows);
  // The strips hold about one entry per column weight. All this is under 100 MB even for a 1″
  // grid, the finest the grid's reading accepts.
  const std::size_t held = encoded.size() + BytesOf(rows) + 2 * BytesOf(columns);
  ReducedRows reduced(grid, columns, span,
                      PlanReads(grid, kReducedRowBytes, span, kMemoryBudget - held), options);
  std::vector<double> sum(GridColumns);
  std::vector<double> weight(GridColumns);
  std::vector<std::uint8_t> missing(GridColumns);
  for (int row = 0; row < GridRows; ++row) {
    // Each output row is progress too: a coarse grid is read in one band, then only combined.
    if (options.stage) options.stage(ImportStage::kValues);
    std::fill(sum.begin(), sum.end(), 0.0);
    std::fill(weight.begin(), weight.end(), 0.0);
    std::fill(missing.begin(), missing.end(), 0);
    const auto samples = rows.For(static_cast<std::size_t>(row));
    for (const WeightedSample& sample : samples) {
      const ReducedRow& from = reduced.Row(sample.index);
      for (std::size_t column = 0; column < GridColumns; ++column) {
        sum[column] += sample.parts * from.sum[column];
        weight[column] += sample.parts * from.weight[column];
        missing[column] |= from.missing[column];
      }
    }
    const std::size_t at = static_cast<std::size_t>(row) * RowBytes;
    for (std::size_t column = 0; column < GridColumns; ++column) {
      double height = 0;
      if (weight[column] > 0) {
        height = OnTheRightSideOfATie(sum[column] / weight[column], samples, reduced, column);
        summary.filled += missing[column];
      } else {
        ++summary.allMissing;
      }
      const EncodedSample sample = EncodeHeight(height);
      summary.clamped += sample.clamped;
      StoreSample(encoded.data() + at + column * 2, sample.raw);
    }
    if ((row + 1) % RowsPerRead == 0 && options.progress) {
      options.progress(static_cast<double>(row + 1) / GridRows);
    }
  }
  if (options.stage) options.stage(ImportStage::kOutput);
  AtomicFileWriter writer(output);
  writer.Write(encoded);
  if (!writer.Commit()) throw OutputError("cannot write " + output.string());
  if (options.progress) options.progress(1);
  summary.lowest = grid.Lowest();
  summary.highest = grid.Highest();
  return summary;
}

}  // namespace orandu
