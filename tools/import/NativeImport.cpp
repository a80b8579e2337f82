// The import at the input's own spacing: bands of rows read, encoded and written as they come.
#include "tools/import/NativeImport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "region/files/AtomicFile.h"
#include "tools/import/ImportError.h"
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
  std::vector<double> block(plan.bandRows * runs.front().count);
  std::vector<std::uint8_t> band(plan.bandRows * rowBytes);

  // Unlike the 5' grid, this output can be far larger than memory, so it is written while the
  // library reads: should the watchdog end a read that never finishes, the temporary it leaves
  // is removed by the next import to the same output.
  AtomicFileWriter writer(output);
  for (std::size_t first = 0; first < layout.rows;) {
    const std::size_t count =
        std::min({plan.bandRows, layout.rows - first, grid.RowsToChunkEdge(first)});
    for (const ColumnRun& run : runs) {
      if (options.stage) options.stage(ImportStage::kValues);
      const std::span<double> heights = std::span(block).first(count * run.count);
      grid.ReadBlock(first, count, run.first, run.count, heights);
      // Billions of samples pass here: the loop keeps its counts and bounds in locals (the byte
      // stores could otherwise alias them) and wraps the output column without a division.
      const std::size_t columns = layout.columns;
      const std::size_t stored = std::min(run.count, columns - std::min(columns, run.first));
      const std::size_t runStart = (run.first + columns - layout.firstInputColumn) % columns;
      std::size_t allMissing = 0;
      std::size_t clamped = 0;
      for (std::size_t row = 0; row < count; ++row) {
        std::uint8_t* to = band.data() + row * rowBytes;
        const double* from = heights.data() + row * run.count;
        std::size_t at = runStart;
        // Input columns from `columns` on are the first ones again, 360° on.
        for (std::size_t offset = 0; offset < stored; ++offset) {
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
      summary.allMissing += allMissing;
      summary.clamped += clamped;
    }
    if (options.stage) options.stage(ImportStage::kOutput);
    // A full disk stops the import at once, not after reading the rest.
    if (!writer.Write(std::span(band).first(count * rowBytes))) {
      throw OutputError("cannot write " + output.string());
    }
    first += count;
    if (options.progress)
      options.progress(static_cast<double>(first) / static_cast<double>(layout.rows));
  }
  AtomicFileWriter header(headerPath);
  header.Write(FormatRasterHeader(layout));
  if (!header.Ok()) throw OutputError("cannot write " + headerPath.string());
  if (!writer.Commit()) throw OutputError("cannot write " + output.string());
  // Both are on disk in full by now, in the same folder: only the rename is left to fail.
  if (!header.Commit()) {
    throw OutputError("wrote " + output.string() + " but cannot write its header " +
                      headerPath.string());
  }
  summary.lowest = grid.Lowest();
  summary.highest = grid.Highest();
  return summary;
}

}  // namespace orandu
