// Zoomed region paints from the real grid at a full-HD size beside the 1:1 paint, flat and shaded,
// and the building of ETOPO5's levels that the first zoom-out pays for.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "region/RegionView.h"
#include "region/grid/GridOverviews.h"
#include "tests/support/PixelBuffer.h"

namespace {

std::filesystem::path GridPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID");
  return override != nullptr ? override : ORANDU_BENCH_GRID;
}

// The level's exponent of two as the benchmark's argument: 3 is 8:1, -6 is 1:64.
orandu::ZoomLevel LevelOf(std::int64_t exponent) {
  return exponent >= 0 ? *orandu::ZoomLevel::In(1 << exponent)
                       : *orandu::ZoomLevel::Out(1 << -exponent);
}

// Paints 1920 x 1080 about 180° E 90° S of 90° N at the level, after one paint that builds the
// levels; one_to_one_ms is the 1:1 paint of the same size, equally lit, in the same iterations,
// and ratio the level's paint over it.
void PaintBesideOneToOne(benchmark::State& state, std::optional<orandu::Light> light) {
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  constexpr int kWidth = 1920;
  constexpr int kHeight = 1080;
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  orandu::RegionView oneToOne;
  oneToOne.SetShading(light);
  oneToOne.SetCenter(180, 90, kWidth, kHeight);
  orandu::RegionView zoomed;
  zoomed.SetShading(light);
  zoomed.SetZoom(LevelOf(state.range(0)));
  zoomed.SetCenter(180, 90, kWidth, kHeight);
  orandu::PixelBuffer surface(kWidth, kHeight);
  zoomed.PaintRegion(GridPath(), colors, surface);
  double zoomedSeconds = 0;
  double oneToOneSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    zoomed.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    start = std::chrono::steady_clock::now();
    oneToOne.PaintRegion(GridPath(), colors, surface);
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

void BM_ZoomedPaint(benchmark::State& state) {
  PaintBesideOneToOne(state, std::nullopt);
}
BENCHMARK(BM_ZoomedPaint)
    ->DenseRange(-6, 3)
    ->ArgName("exponent")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same under the default light, beside the shaded 1:1 paint.
void BM_ZoomedShadedPaint(benchmark::State& state) {
  PaintBesideOneToOne(state, orandu::Light{});
}
BENCHMARK(BM_ZoomedShadedPaint)
    ->DenseRange(-6, 3)
    ->ArgName("exponent")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

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
