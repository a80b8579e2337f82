// How the values of a grid are read within a memory bound: by chunks, or in bands of whole rows.
#pragma once

#include <cstddef>

#include "tools/import/NetcdfGrid.h"

namespace orandu {

// Everything an import holds while it reads: its buffers, its tables, the output it holds and
// the library's chunks. The process itself, its libraries and the netCDF library's metadata take
// about 15 MB more; the rest of 256 MB is a margin.
inline constexpr std::size_t kMemoryBudget = 224u << 20;

// A whole row of chunks at a time, chunk by chunk (each chunk inflated once, no cache), or in
// bands of rows read whole across (a cache keeping the row of chunks they lie in, so that each
// chunk is still inflated once).
struct ReadPlan {
  bool byChunks = false;
  std::size_t bandRows = 1;
  std::size_t cacheBytes = 0;
};

// Plans the reads of `grid` within `room` bytes, where each row read holds `rowBytes` besides
// its values, and `span` such rows are needed at once by the rows being made. Throws ImportError
// when even one chunk's reads cannot fit.
ReadPlan PlanReads(const NetcdfGrid& grid, std::size_t rowBytes, std::size_t span,
                   std::size_t room);

// Sets the library's chunk cache and the heap up for reading as planned.
void StartReading(NetcdfGrid& grid, const ReadPlan& plan);

}  // namespace orandu
