// A press on the map to pixels shown on a global 15″ grid beside ETOPO5: warm, with the page
// cache dropped, and the resident memory either leaves behind.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "region/RegionView.h"
#include "region/ShownSamples.h"
#include "region/files/ReadBatch.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/PixelBuffer.h"

namespace {

constexpr int kWidth = 488;  // the region view as it opens
constexpr int kHeight = 441;

std::filesystem::path Etopo5Path() {
  const char* override = std::getenv("ORANDU_BENCH_GRID");
  return override != nullptr ? override : ORANDU_BENCH_GRID;
}

// The 15″ grid that `--target bench_grid_15s` writes.
std::filesystem::path FifteenSecondPath() {
  const char* override = std::getenv("ORANDU_BENCH_GRID_15S");
  return override != nullptr ? override : ORANDU_BENCH_GRID_15S;
}

double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// What the region view does on a press: learns the grid's geometry, centres the region on the
// picked degree with the pull-back, and paints it recording the samples shown.
void PressAndPaint(const std::filesystem::path& grid, const orandu::ColorTable& colors, int lon,
                   int lat, orandu::PixelBuffer& surface, orandu::ShownSamples& shown) {
  orandu::RegionView view;
  view.SetGrid(orandu::HeightGrid(grid).Geometry());
  view.SetCenter(lon, lat, surface.Width(), surface.Height());
  view.PaintRegion(grid, colors, surface, shown);
  benchmark::DoNotOptimize(surface.Row(0));
}

bool GridsExist(benchmark::State& state) {
  if (!std::filesystem::exists(Etopo5Path())) {
    state.SkipWithError("no converted ETOPO5 grid");
    return false;
  }
  if (!std::filesystem::exists(FifteenSecondPath())) {
    state.SkipWithError("no 15\" grid: build the bench_grid_15s target");
    return false;
  }
  return true;
}

// The places pressed, in turn.
constexpr int kPlaces = 8;
int PlaceLon(int press) {
  return 20 + 37 * (press % kPlaces);
}
int PlaceLat(int press) {
  return 20 + 17 * (press % kPlaces);
}

// Both grids' rows of the places pressed in the page cache; the 15″ press beside the ETOPO5 one
// in the same iterations (etopo5_ms), ratio 15″ / ETOPO5.
void BM_PressWarm(benchmark::State& state) {
  if (!GridsExist(state)) return;
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  orandu::PixelBuffer surface(kWidth, kHeight);
  orandu::ShownSamples shown;
  for (int press = 0; press < kPlaces; ++press) {
    PressAndPaint(FifteenSecondPath(), colors, PlaceLon(press), PlaceLat(press), surface, shown);
    PressAndPaint(Etopo5Path(), colors, PlaceLon(press), PlaceLat(press), surface, shown);
  }
  double fineSeconds = 0;
  double etopoSeconds = 0;
  int press = 0;
  for (auto _ : state) {
    const int lon = PlaceLon(press);
    const int lat = PlaceLat(press);
    ++press;
    double start = WallSeconds();
    PressAndPaint(FifteenSecondPath(), colors, lon, lat, surface, shown);
    const double fine = WallSeconds() - start;
    start = WallSeconds();
    PressAndPaint(Etopo5Path(), colors, lon, lat, surface, shown);
    etopoSeconds += WallSeconds() - start;
    fineSeconds += fine;
    state.SetIterationTime(fine);
  }
  state.counters["etopo5_ms"] = 1e3 * etopoSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = fineSeconds / etopoSeconds;
}
BENCHMARK(BM_PressWarm)->UseManualTime()->Unit(benchmark::kMillisecond);

// The floor of a 15″ press: only its reads, from the page cache, a block's shown samples handed to
// the system together as the painter does; beside them (one_by_one_ms) the same reads made one
// after another, in the same iterations, each kind first in every other one, since the second
// finds the rows in the processor's cache.
void BM_ReadsOnlyWarm(benchmark::State& state) {
  if (!GridsExist(state)) return;
  const orandu::HeightGrid grid(FifteenSecondPath());
  const orandu::GridGeometry& geometry = grid.Geometry();
  std::vector<std::uint8_t> rows(std::size_t{2} * kWidth * kHeight);
  std::vector<orandu::ReadRequest> reads;
  const auto readPress = [&](int press) {
    const orandu::LatticePoint center = orandu::DegreePoint(PlaceLon(press), PlaceLat(press));
    const int firstRow = orandu::FirstRow(geometry, center, kHeight);
    const int firstColumn = orandu::FirstColumn(geometry, center, kWidth);
    for (int block = 0; block < kHeight; block += orandu::RowsPerRead) {
      reads.clear();
      for (int y = block; y < std::min(block + orandu::RowsPerRead, kHeight); ++y) {
        const auto row = std::span(rows).subspan(std::size_t{2} * kWidth * y, 2 * kWidth);
        reads.push_back(grid.SamplesOf(firstRow + y, firstColumn, row));
      }
      grid.ReadSamples(reads);
    }
    benchmark::DoNotOptimize(rows.data());
  };
  double batchedSeconds = 0;
  double oneByOneSeconds = 0;
  int press = 0;
  for (auto _ : state) {
    double batched = 0;
    const auto timeBatched = [&] {
      const double start = WallSeconds();
      readPress(press);
      batched = WallSeconds() - start;
    };
    const auto timeOneByOne = [&] {
      const orandu::OneByOneReads oneByOne;
      const double start = WallSeconds();
      readPress(press);
      oneByOneSeconds += WallSeconds() - start;
    };
    if (press % 2 == 0) {
      timeBatched();
      timeOneByOne();
    } else {
      timeOneByOne();
      timeBatched();
    }
    ++press;
    batchedSeconds += batched;
    state.SetIterationTime(batched);
  }
  state.counters["one_by_one_ms"] = 1e3 * oneByOneSeconds / static_cast<double>(state.iterations());
  state.counters["batched_ms"] = 1e3 * batchedSeconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadsOnlyWarm)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same press with nothing of the grid in the page cache: every read goes to the disk. Needs
// the right to write /proc/sys/vm/drop_caches (root).
void BM_PressColdCache(benchmark::State& state) {
  if (!GridsExist(state)) return;
  const orandu::ColorTable colors(orandu::DesignTimeColorBar());
  orandu::PixelBuffer surface(kWidth, kHeight);
  orandu::ShownSamples shown;
  int press = 0;
  for (auto _ : state) {
    ::sync();
    if (!std::ofstream("/proc/sys/vm/drop_caches").write("3\n", 2)) {
      return state.SkipWithError("cannot drop the page cache here (not root)");
    }
    const int lon = PlaceLon(press);
    const int lat = PlaceLat(press);
    ++press;
    const double start = WallSeconds();
    PressAndPaint(FifteenSecondPath(), colors, lon, lat, surface, shown);
    state.SetIterationTime(WallSeconds() - start);
  }
}
BENCHMARK(BM_PressColdCache)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The resident memory of a process after a press and paint, in kB, measured in a child so that
// each grid starts from the same memory.
long ResidentAfterPress(const std::filesystem::path& grid) {
  int pipe[2];
  if (::pipe(pipe) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    const orandu::ColorTable colors(orandu::DesignTimeColorBar());
    orandu::PixelBuffer surface(kWidth, kHeight);
    orandu::ShownSamples shown;
    PressAndPaint(grid, colors, 138, 55, surface, shown);
    std::ifstream status("/proc/self/status");
    std::string line;
    long kilobytes = -1;
    while (std::getline(status, line)) {
      if (line.rfind("VmRSS:", 0) == 0) kilobytes = std::stol(line.substr(6));
    }
    if (::write(pipe[1], &kilobytes, sizeof kilobytes) != sizeof kilobytes) ::_exit(1);
    ::_exit(0);
  }
  ::close(pipe[1]);
  long kilobytes = -1;
  if (::read(pipe[0], &kilobytes, sizeof kilobytes) != sizeof kilobytes) kilobytes = -1;
  ::close(pipe[0]);
  ::waitpid(child, nullptr, 0);
  return kilobytes;
}

void BM_ResidentMemory(benchmark::State& state) {
  if (!GridsExist(state)) return;
  long fine = 0;
  long etopo = 0;
  for (auto _ : state) {
    fine = ResidentAfterPress(FifteenSecondPath());
    etopo = ResidentAfterPress(Etopo5Path());
  }
  state.counters["fine_kB"] = static_cast<double>(fine);
  state.counters["etopo5_kB"] = static_cast<double>(etopo);
  state.counters["more_kB"] = static_cast<double>(fine - etopo);
}
BENCHMARK(BM_ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
