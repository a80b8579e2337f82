// Zoomed region paints at a full-HD size beside the 1:1 paint, flat and shaded, from the real grid
// and from the global 15" grid with its level files, and the building of ETOPO5's levels that the
// first zoom-out pays for.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "region/RegionView.h"
#include "region/grid/GridOverviews.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/PixelBuffer.h"

namespace {

std::filesystem::path GridPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID");
  return override != nullptr ? override : ORANDU_BENCH_GRID;
}

// Made with its levels by `cmake --build build --target bench_grid_15s`.
std::filesystem::path FifteenSecondGridPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID_15S");
  return override != nullptr ? override : ORANDU_BENCH_GRID_15S;
}

// The level's exponent of two as the benchmark's argument: 3 is 8:1, -6 is 1:64.
orandu::ZoomLevel LevelOf(std::int64_t exponent) {
  return exponent >= 0 ? *orandu::ZoomLevel::In(1 << exponent)
                       : *orandu::ZoomLevel::Out(1 << -exponent);
}

// Paints 1920 x 1080 of the grid about 180° E 90° S of 90° N at the level, after one paint that
// builds or opens the levels; one_to_one_ms is the 1:1 paint of the same size, equally lit, in the
// same iterations, and ratio the level's paint over it.
void PaintBesideOneToOne(benchmark::State& state, const std::filesystem::path& grid,
                         std::optional<orandu::Light> light) {
  if (!std::filesystem::exists(grid)) {
    return state.SkipWithError("no grid: the 15\" one is made by the bench_grid_15s target");
  }
  constexpr int kWidth = 1920;
  constexpr int kHeight = 1080;
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  const orandu::GridGeometry geometry = orandu::HeightGrid(grid).Geometry();
  orandu::RegionView oneToOne;
  oneToOne.SetGrid(geometry);
  oneToOne.SetShading(light);
  oneToOne.SetCenter(180, 90, kWidth, kHeight);
  orandu::RegionView zoomed;
  zoomed.SetGrid(geometry);
  zoomed.SetShading(light);
  zoomed.SetZoom(LevelOf(state.range(0)));
  zoomed.SetCenter(180, 90, kWidth, kHeight);
  orandu::PixelBuffer surface(kWidth, kHeight);
  zoomed.PaintRegion(grid, colors, surface);
  oneToOne.PaintRegion(grid, colors, surface);
  double zoomedSeconds = 0;
  double oneToOneSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    zoomed.PaintRegion(grid, colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    start = std::chrono::steady_clock::now();
    oneToOne.PaintRegion(grid, colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    oneToOneSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    zoomedSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["one_to_one_ms"] = 1000 * oneToOneSeconds / iterations;
  state.counters["ratio"] = zoomedSeconds / oneToOneSeconds;
}

// Every level from 1:64 to 8:1, the exponent of two as the argument.
void EveryLevel(benchmark::internal::Benchmark* family) {
  family->DenseRange(-6, 3)->ArgName("exponent")->UseManualTime()->Unit(benchmark::kMillisecond);
}

void BM_ZoomedPaint(benchmark::State& state) {
  PaintBesideOneToOne(state, GridPath(), std::nullopt);
}
BENCHMARK(BM_ZoomedPaint)->Apply(EveryLevel);

// The same under the default light, beside the shaded 1:1 paint.
void BM_ZoomedShadedPaint(benchmark::State& state) {
  PaintBesideOneToOne(state, GridPath(), orandu::Light{});
}
BENCHMARK(BM_ZoomedShadedPaint)->Apply(EveryLevel);

// Both on the 15" grid, whose 7.46 GB are zoomed out from its level files; a warm page cache holds
// what each paint reads.
void BM_ZoomedPaint15s(benchmark::State& state) {
  PaintBesideOneToOne(state, FifteenSecondGridPath(), std::nullopt);
}
BENCHMARK(BM_ZoomedPaint15s)->Apply(EveryLevel);

void BM_ZoomedShadedPaint15s(benchmark::State& state) {
  PaintBesideOneToOne(state, FifteenSecondGridPath(), orandu::Light{});
}
BENCHMARK(BM_ZoomedShadedPaint15s)->Apply(EveryLevel);

// ETOPO5's levels 1/2 ... 1/64 from its file in the page cache.
void BM_BuildEtopoFiveLevels(benchmark::State& state) {
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  std::size_t bytes = 0;
  for (auto _ : state) {
    const orandu::Overviews overviews = orandu::BuildGridOverviews(GridPath());
    bytes = overviews.Bytes();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["level_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildEtopoFiveLevels)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
