// The import at the input's own spacing: bands of rows read, encoded and written as they come.
#include "tools/import/NativeImport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "region/files/AtomicFile.h"
#include "tools/import/ImportError.h"
#include "tools/import/LevelWriter.h"
#include "tools/import/NativeLayout.h"
#include "tools/import/NetcdfGrid.h"
#include "tools/import/ReadPlan.h"
#include "tools/import/SampleEncoding.h"

namespace orandu {
namespace {

constexpr std::size_t kSampleBytes = 2;

// A run of input columns read at once.
struct ColumnRun {
  std::size_t first = 0;
  std::size_t count = 0;
};

std::vector<ColumnRun> ColumnRuns(std::size_t inputColumns, std::size_t width) {
  std::vector<ColumnRun> runs;
  for (std::size_t first = 0; first < inputColumns; first += width) {
    runs.push_back({first, std::min(width, inputColumns - first)});
  }
  return runs;
}

// Where a run's samples go in each output row: the first `stored` of them (input columns from
// the output's width on are the first ones again, 360° on), from output column `start` on,
// wrapping to column 0 at the row's end.
struct RunPlacement {
  std::size_t start = 0;
  std::size_t stored = 0;
};

RunPlacement PlaceRun(const ColumnRun& run, const NativeLayout& layout) {
  const std::size_t columns = layout.columns;
  return {(run.first + columns - layout.firstInputColumn) % columns,
          std::min(run.count, columns - std::min(columns, run.first))};
}

// Missing values filled and values clamped in a block of heights.
struct BlockCounts {
  std::size_t allMissing = 0;
  std::size_t clamped = 0;
};

// Encodes a block of heights in metres (NaN where missing) into the rows of `band`.
BlockCounts StoreHeights(std::span<const double> heights, std::size_t runColumns,
                         RunPlacement placement, std::size_t columns, std::uint8_t* band) {
  // Billions of samples pass here: the loop keeps its counts and bounds in locals (the byte
  // stores could otherwise alias them) and wraps the output column without a division.
  const std::size_t rows = heights.size() / runColumns;
  const std::size_t rowBytes = columns * kSampleBytes;
  std::size_t allMissing = 0;
  std::size_t clamped = 0;
  for (std::size_t row = 0; row < rows; ++row) {
    std::uint8_t* to = band + row * rowBytes;
    const double* from = heights.data() + row * runColumns;
    std::size_t at = placement.start;
    for (std::size_t offset = 0; offset < placement.stored; ++offset) {
      double height = from[offset];
      if (std::isnan(height)) {
        // The 5' import's rule for an output sample with no valid input.
        height = 0;
        ++allMissing;
      }
      const EncodedSample sample = EncodeSigned16(height);
      clamped += sample.clamped;
      StoreSample(to + at * kSampleBytes, sample.raw);
      if (++at == columns) at = 0;
    }
  }
  return {allMissing, clamped};
}

// Stores `count` 16-bit heights as the grid file holds them, low byte first.
void StoreShorts(const std::int16_t* from, std::size_t count, std::uint8_t* to) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(to, from, count * kSampleBytes);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      StoreSample(to + i * kSampleBytes, static_cast<std::uint16_t>(from[i]));
    }
  }
}

// Stores a block of 16-bit heights into the rows of `band`: already whole metres within what the
// file holds, so only rotated into place.
void StorePlainShorts(std::span<const std::int16_t> heights, std::size_t runColumns,
                      RunPlacement placement, std::size_t columns, std::uint8_t* band) {
  const std::size_t rows = heights.size() / runColumns;
  const std::size_t beforeWrap = std::min(placement.stored, columns - placement.start);
  for (std::size_t row = 0; row < rows; ++row) {
    std::uint8_t* to = band + row * columns * kSampleBytes;
    const std::int16_t* from = heights.data() + row * runColumns;
    StoreShorts(from, beforeWrap, to + placement.start * kSampleBytes);
    StoreShorts(from + beforeWrap, placement.stored - beforeWrap, to);
  }
}

}  // namespace

ImportSummary ImportNative(const std::filesystem::path& input, const std::filesystem::path& output,
                           const ImportOptions& options) {
  RequireOutputFolder(output);
  const std::filesystem::path headerPath = HeaderPath(output);
  if (options.stage) options.stage(ImportStage::kHeader);
  NetcdfGrid grid(input, options.variable);
  const NativeLayout layout = FitNativeLayout(grid.Latitude(), grid.Longitude());
  ImportSummary summary;
  summary.variable = grid.Variable();
  summary.type = grid.TypeName();
  summary.latitude = grid.Latitude();
  summary.longitude = grid.Longitude();
  summary.storableLowest = kLowestSigned16;
  summary.storableHighest = kHighestSigned16;
  summary.header = headerPath;

  const std::size_t rowBytes = layout.columns * kSampleBytes;
  const ReadPlan plan = PlanReads(grid, rowBytes, 0, kMemoryBudget);
  StartReading(grid, plan);
  const std::size_t inputColumns = grid.Longitude().count;
  const std::vector<ColumnRun> runs =
      ColumnRuns(inputColumns, plan.byChunks ? grid.ChunkColumns() : inputColumns);
  // 16-bit heights need no rounding or clamping: read as they are stored, they skip the
  // conversion to doubles and back, which took a third of a 15″ import's processor time.
  const bool plainShorts = grid.PlainShortCoding().has_value();
  std::vector<double> block(plainShorts ? 0 : plan.bandRows * runs.front().count);
  std::vector<std::int16_t> shorts(plainShorts ? plan.bandRows * runs.front().count : 0);
  std::vector<std::uint8_t> band(plan.bandRows * rowBytes);

  // Unlike the 5' grid, this output can be far larger than memory, so it is written while the
  // library reads: should the watchdog end a read that never finishes, the temporary it leaves
  // is removed by the next import to the same output.
  AtomicFileWriter writer(output);
  LevelWriter levels(output, layout.columns);
  for (std::size_t first = 0; first < layout.rows;) {
    const std::size_t count =
        std::min({plan.bandRows, layout.rows - first, grid.RowsToChunkEdge(first)});
    for (const ColumnRun& run : runs) {
      if (options.stage) options.stage(ImportStage::kValues);
      const RunPlacement placement = PlaceRun(run, layout);
      if (plainShorts) {
        const std::span<std::int16_t> heights = std::span(shorts).first(count * run.count);
        summary.allMissing += grid.ReadPlainShorts(first, count, run.first, run.count, heights);
        StorePlainShorts(heights, run.count, placement, layout.columns, band.data());
      } else {
        const std::span<double> heights = std::span(block).first(count * run.count);
        grid.ReadBlock(first, count, run.first, run.count, heights);
        const BlockCounts counts =
            StoreHeights(heights, run.count, placement, layout.columns, band.data());
        summary.allMissing += counts.allMissing;
        summary.clamped += counts.clamped;
      }
    }
    if (options.stage) options.stage(ImportStage::kOutput);
    // A full disk stops the import at once, not after reading the rest.
    if (!writer.Write(std::span(band).first(count * rowBytes))) {
      throw OutputError("cannot write " + output.string());
    }
    levels.AddRows(band, count);
    if (!levels.Ok()) throw OutputError("cannot write " + levels.Failed().string());
    first += count;
    if (options.progress)
      options.progress(static_cast<double>(first) / static_cast<double>(layout.rows));
  }
  levels.Finish();
  if (!levels.Ok()) throw OutputError("cannot write " + levels.Failed().string());
  AtomicFileWriter header(headerPath);
  header.Write(FormatRasterHeader(layout));
  if (!header.Ok()) throw OutputError("cannot write " + headerPath.string());
  // Level files of an earlier import go before the grid is replaced, and the new ones come
  // after it: a grid never lies beside levels made from another.
  if (!levels.RemoveEarlier()) throw OutputError("cannot replace " + levels.Failed().string());
  if (!writer.Commit()) throw OutputError("cannot write " + output.string());
  // All are on disk in full by now, in the same folder: only the renames are left to fail.
  if (!header.Commit()) {
    throw OutputError("wrote " + output.string() + " but cannot write its header " +
                      headerPath.string());
  }
  if (!levels.Commit()) {
    throw OutputError("wrote " + output.string() + " but cannot write its level " +
                      levels.Failed().string());
  }
  summary.lowest = grid.Lowest();
  summary.highest = grid.Highest();
  return summary;
}

}  // namespace orandu
