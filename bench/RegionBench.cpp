// Region paints from the real grid at common sizes, flat and shaded, beside only reading the rows.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/PaintFloor.h"
#include "region/RegionView.h"
#include "region/ReliefShading.h"
#include "region/ShownSamples.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/PixelBuffer.h"

namespace {

std::filesystem::path GridPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID");
  return override != nullptr ? override : ORANDU_BENCH_GRID;
}

// Sizes: the region view as it opens, a full-HD screen, and the whole grid at once.
void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Args({488, 441})->Args({1920, 1080})->Args({4320, 2160});
  bench->Unit(benchmark::kMillisecond);
}

void SizesInRealTime(benchmark::internal::Benchmark* bench) {
  Sizes(bench);
  bench->UseRealTime();
}

orandu::RegionView CentredView(int width, int height) {
  orandu::RegionView view;
  view.SetCenter(180, 90, width, height);
  return view;
}

// This thread's processor time, user and system: unlike the wall clock it does not count the
// time other programs on a busy machine take, so the ratio of two paints stays steady.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The painter's time, and beside it the same paint in plain C (floor_ms) run in the same
// iterations, so that both see the same machine; ratio is painter / floor. Both are timed in
// this thread's processor time.
void BM_PaintRegion(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  std::vector<std::uint32_t> floorColors(std::size_t{1} << 16);
  for (std::size_t raw = 0; raw < floorColors.size(); ++raw) {
    floorColors[raw] = colors[static_cast<std::uint16_t>(raw)];
  }
  const orandu::RegionView view = CentredView(width, height);
  orandu::PixelBuffer surface(width, height);
  orandu::PixelBuffer floorSurface(width, height);
  const std::string path = GridPath().string();
  double painterSeconds = 0;
  double floorSeconds = 0;
  for (auto _ : state) {
    double start = ThreadSeconds();
    view.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    const double painter = ThreadSeconds() - start;
    start = ThreadSeconds();
    PaintFloor(path.c_str(), floorColors.data(), orandu::FirstRow(view.CenterLat(), height),
               orandu::FirstColumn(view.CenterLon(), width), width, height, floorSurface.Row(0));
    benchmark::DoNotOptimize(floorSurface.Row(0));
    floorSeconds += ThreadSeconds() - start;
    painterSeconds += painter;
    state.SetIterationTime(painter);
  }
  if (surface.At(width / 2, height / 2) != floorSurface.At(width / 2, height / 2)) {
    return state.SkipWithError("the floor painted another picture");
  }
  state.counters["floor_ms"] = 1e3 * floorSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = painterSeconds / floorSeconds;
  state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PaintRegion)->Apply(Sizes)->UseManualTime();

// The region view's paint, which records for the read-out under the cursor where its samples lie
// and how much of the file it read, beside the plain paint in the same iterations (plain_ms);
// ratio is recorded / plain.
void BM_PaintRegionForTheReadout(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  const orandu::RegionView view = CentredView(width, height);
  orandu::PixelBuffer surface(width, height);
  orandu::ShownSamples shown;
  double recordedSeconds = 0;
  double plainSeconds = 0;
  for (auto _ : state) {
    double start = ThreadSeconds();
    view.PaintRegion(GridPath(), colors, surface, shown);
    benchmark::DoNotOptimize(surface.Row(0));
    const double recorded = ThreadSeconds() - start;
    start = ThreadSeconds();
    view.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    plainSeconds += ThreadSeconds() - start;
    recordedSeconds += recorded;
    state.SetIterationTime(recorded);
  }
  state.counters["plain_ms"] = 1e3 * plainSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = recordedSeconds / plainSeconds;
}
BENCHMARK(BM_PaintRegionForTheReadout)->Apply(Sizes)->UseManualTime();

// The shaded paint under the default light beside the flat paint in the same iterations
// (flat_ms); ratio is shaded / flat.
void BM_PaintRegionShaded(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  const orandu::RegionView flatView = CentredView(width, height);
  orandu::RegionView shadedView = flatView;
  shadedView.SetShading(orandu::Light{});
  orandu::PixelBuffer surface(width, height);
  double shadedSeconds = 0;
  double flatSeconds = 0;
  for (auto _ : state) {
    double start = ThreadSeconds();
    shadedView.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    const double shaded = ThreadSeconds() - start;
    start = ThreadSeconds();
    flatView.PaintRegion(GridPath(), colors, surface);
    benchmark::DoNotOptimize(surface.Row(0));
    flatSeconds += ThreadSeconds() - start;
    shadedSeconds += shaded;
    state.SetIterationTime(shaded);
  }
  state.counters["flat_ms"] = 1e3 * flatSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = shadedSeconds / flatSeconds;
  state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PaintRegionShaded)->Apply(Sizes)->UseManualTime();

// The shader alone: every row of the grid, held in memory, painted and shaded 1920 pixels wide
// from its samples' colours, beside the same rows only coloured in the same iterations
// (colour_ns); ratio is shaded / coloured, with no file reads in either. shade_only_ns is the
// shading by itself, without the colour lookups: the same rows shaded over the pixels in the
// buffer, whose colours do not change what the blend costs. A shaded paint within 1.5 times a flat
// one leaves the shading half of what a flat pixel costs.
void BM_ShadeRowsInMemory(benchmark::State& state) {
  if (!std::filesystem::exists(GridPath())) return state.SkipWithError("no converted grid");
  orandu::HeightGrid grid(GridPath());
  std::vector<std::uint8_t> samples(std::size_t{orandu::GridRows} * orandu::RowBytes);
  if (grid.ReadRows(samples) != samples.size()) return state.SkipWithError("a short grid");
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  const std::uint32_t* table = colors.For(orandu::SampleEncoding::kEtopo5);
  constexpr int kWidth = 1920;
  constexpr int kFirstColumn = 1000;
  std::vector<std::uint32_t> pixels(kWidth);
  orandu::ReliefShader shader{orandu::Light{}};
  double shadedSeconds = 0;
  double colouredSeconds = 0;
  double shadeOnlySeconds = 0;
  // Every row shaded; with a colour table, painted from its samples in the same pass.
  const auto shadeRows = [&](const std::uint32_t* rowColors) {
    for (int row = 1; row + 1 < orandu::GridRows; ++row) {
      const std::uint8_t* centre = samples.data() + std::size_t(row) * orandu::RowBytes;
      shader.ShadeRun<4>(row, centre - orandu::RowBytes, centre, centre + orandu::RowBytes,
                         kFirstColumn, kWidth, reinterpret_cast<std::uint8_t*>(pixels.data()),
                         rowColors);
      benchmark::DoNotOptimize(pixels.data());
    }
  };
  for (auto _ : state) {
    double start = ThreadSeconds();
    shadeRows(table);
    const double shaded = ThreadSeconds() - start;
    start = ThreadSeconds();
    for (int row = 1; row + 1 < orandu::GridRows; ++row) {
      const std::uint8_t* centre = samples.data() + std::size_t(row) * orandu::RowBytes;
      for (int x = 0; x < kWidth; ++x) {
        pixels[x] = table[orandu::RawSampleAt(centre, kFirstColumn + x)];
      }
      benchmark::DoNotOptimize(pixels.data());
    }
    colouredSeconds += ThreadSeconds() - start;
    start = ThreadSeconds();
    shadeRows(nullptr);
    shadeOnlySeconds += ThreadSeconds() - start;
    shadedSeconds += shaded;
    state.SetIterationTime(shaded);
  }
  const double pixelCount =
      static_cast<double>(state.iterations()) * kWidth * (orandu::GridRows - 2);
  state.counters["shaded_ns"] = 1e9 * shadedSeconds / pixelCount;
  state.counters["colour_ns"] = 1e9 * colouredSeconds / pixelCount;
  state.counters["ratio"] = shadedSeconds / colouredSeconds;
  state.counters["shade_only_ns"] = 1e9 * shadeOnlySeconds / pixelCount;
}
BENCHMARK(BM_ShadeRowsInMemory)->Unit(benchmark::kMillisecond)->UseManualTime();

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
BENCHMARK(BM_ReadRowsOnly)->Apply(SizesInRealTime);

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
