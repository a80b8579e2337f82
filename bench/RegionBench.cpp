// Painting a region from the real grid at common sizes, beside the floor of only reading its rows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "HeightGrid.h"
#include "PixelBuffer.h"
#include "RegionView.h"

namespace {

std::filesystem::path GridPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID");
  return override != nullptr ? override : ORANDU_BENCH_GRID;
}

// Sizes: the region view as it opens, a full-HD screen, and the whole grid at once.
void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Args({488, 441})->Args({1920, 1080})->Args({4320, 2160});
  bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

orandu::RegionView CentredView(int width, int height) {
  orandu::RegionView view;
  view.SetCenter(180, 90, width, height);
  return view;
}

void BM_PaintRegion(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  const orandu::RegionView view = CentredView(width, height);
  orandu::PixelBuffer surface(width, height);
  for (auto _ : state) {
    view.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
  }
  state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PaintRegion)->Apply(Sizes);

// The floor: the same open, positioning and block reads of the rows shown, with no colouring
// and no pixel writes.
void BM_ReadRowsOnly(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  const orandu::RegionView view = CentredView(width, height);
  std::vector<std::uint8_t> block(std::size_t{orandu::RowsPerRead} * orandu::RowBytes);
  for (auto _ : state) {
    orandu::HeightGrid grid(GridPath());
    grid.SeekRow(orandu::FirstRow(view.CenterLat(), height));
    for (int y = 0; y < height; y += orandu::RowsPerRead) {
      const int rows = std::min(orandu::RowsPerRead, height - y);
      grid.ReadRows(std::span(block).first(std::size_t(rows) * orandu::RowBytes));
      benchmark::DoNotOptimize(block.data());
    }
  }
}
BENCHMARK(BM_ReadRowsOnly)->Apply(Sizes);

void BM_BuildColorTable(benchmark::State& state) {
  const orandu::Picture bar = orandu::DesignTimeColorBar();
  for (auto _ : state) {
    orandu::ColorTable table(bar);
    benchmark::DoNotOptimize(table[0]);
  }
  state.SetLabel("once per colour bar change");
}
BENCHMARK(BM_BuildColorTable)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
