// make-bench-levels: writes the zoomed-out levels 1/2 ... 1/64 beside a grid at its own spacing,
// as `orandu-import --native` writes them beside the grids it imports, for the zoom benchmark.
//
//   make-bench-levels GRID.bil
//
// The grid must have its raster header beside it. The levels are written by the import's own
// writer, so that the benchmark paints from the files a user's import would have made.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <span>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "tools/import/LevelWriter.h"

namespace {

constexpr std::size_t kBandBytes = 16u << 20;  // rows read and handed on at once

int Fail(const char* what, const std::filesystem::path& path) {
  std::fprintf(stderr, "make-bench-levels: %s %s\n", what, path.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-bench-levels GRID.bil\n");
    return 2;
  }
  const std::filesystem::path path = argv[1];
  try {
    orandu::HeightGrid grid(path);
    if (!grid.HasHeader()) return Fail("no raster header beside", path);
    const orandu::GridGeometry& geometry = grid.Geometry();
    const std::size_t rowBytes = geometry.RowBytes();
    const std::size_t bandRows = std::max<std::size_t>(kBandBytes / rowBytes, 1);
    std::vector<std::uint8_t> band(bandRows * rowBytes);
    orandu::LevelWriter levels(path, static_cast<std::size_t>(geometry.columns));
    grid.SeekRow(0);
    for (int row = 0; row < geometry.rows;) {
      const std::size_t count = std::min(bandRows, static_cast<std::size_t>(geometry.rows - row));
      const std::span<std::uint8_t> rows(band.data(), count * rowBytes);
      if (grid.ReadRows(rows) != rows.size()) return Fail("cannot read all of", path);
      levels.AddRows(rows, count);
      if (!levels.Ok()) return Fail("cannot write", levels.Failed());
      row += static_cast<int>(count);
    }
    levels.Finish();
    if (!levels.Ok()) return Fail("cannot write", levels.Failed());
    if (!levels.RemoveEarlier()) return Fail("cannot replace", levels.Failed());
    if (!levels.Commit()) return Fail("cannot write", levels.Failed());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make-bench-levels: %s\n", error.what());
    return 1;
  }
  return 0;
}
