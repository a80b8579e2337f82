// Planning the reads of a grid's values within a memory bound.
#include "tools/import/ReadPlan.h"

#include <malloc.h>

#include <algorithm>
#include <string>

#include "tools/import/ImportError.h"

namespace orandu {
namespace {

// Bands of values read at once need not be large to be read fast.
constexpr std::size_t kBandBudget = 24u << 20;

std::string Megabytes(std::size_t bytes) {
  return std::to_string((bytes + 500000) / 1000000) + " MB";
}

}  // namespace

ReadPlan PlanReads(const NetcdfGrid& grid, std::size_t rowBytes, std::size_t span,
                   std::size_t room) {
  const std::size_t width = grid.Longitude().count;
  const std::size_t valueBytes = grid.ValueBytes() + sizeof(double);  // as stored, and as heights
  const std::size_t chunkBytes = grid.ChunkBytes();
  // The library reads a chunk's compressed bytes (at most the chunk's size) and inflates them
  // into a buffer of the chunk's size, which the cache then keeps when there is one.
  const std::size_t compressed = chunkBytes;
  const std::size_t inflating = compressed + chunkBytes;
  if (grid.ChunkRows() > 0) {
    const std::size_t chunkValues = grid.ChunkRows() * grid.ChunkColumns();
    const std::size_t needed =
        (grid.ChunkRows() + span) * rowBytes + chunkValues * valueBytes + inflating;
    if (needed <= room) return {true, grid.ChunkRows(), 0};
  }
  const std::size_t cacheBytes = grid.ChunkRowBytes();
  const std::size_t held = cacheBytes + (cacheBytes > 0 ? compressed : 0) + span * rowBytes;
  const std::size_t perRow = rowBytes + width * valueBytes;
  if (held + perRow > room) {
    throw ImportError(grid.Variable() + " is stored in chunks of " +
                      std::to_string(grid.ChunkRows()) + " × " +
                      std::to_string(grid.ChunkColumns()) + " values (" + Megabytes(chunkBytes) +
                      " each), too large to read within 256 MB: " +
                      "store it in smaller chunks first (nccopy -c)");
  }
  const std::size_t rows =
      std::min({(room - held) / perRow, std::max<std::size_t>(1, kBandBudget / perRow),
                grid.Latitude().count});
  return {false, rows, cacheBytes};
}

void StartReading(NetcdfGrid& grid, const ReadPlan& plan) {
  grid.CacheChunks(plan.cacheBytes);
  // The library inflates each chunk into fresh buffers of many megabytes. Read whole, they are
  // the same few sizes over and over: kept in the heap and never handed back, they are reused
  // without a page fault. Cached, they live long and grow while inflating, and in the heap
  // every page they ever touched would stay counted: each then gets a mapping of its own.
  if (plan.cacheBytes == 0) {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
  } else {
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
  }
}

}  // namespace orandu
