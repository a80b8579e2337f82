// What a user pays in the windows: a press on the world map until the region view has repainted,
// the region view's paint handler beside the region core's paint, and the read-out and key steps.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "tests/support/PixelBuffer.h"
#include "ui/Application.h"
#include "ui/ColorBarLegend.h"
#include "ui/Startup.h"
#include "ui/UnitOrandu_Graph.h"
#include "ui/UnitOrandu_Main.h"

namespace {

// This thread's processor time: unlike the wall clock it does not count what other programs on
// a busy machine take, so the ratio of two paints stays steady.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// An executable path in a scratch folder whose data folder is the build's: the real grid and
// bar, and no settings file of the user's; or, given a grid, a settings file that chooses it.
class ScratchProgram {
 public:
  explicit ScratchProgram(const std::filesystem::path& grid = {})
      : folder_(std::filesystem::temp_directory_path() / "orandu-pick-bench") {
    std::filesystem::create_directories(folder_);
    std::filesystem::remove(folder_ / "data");
    std::filesystem::remove(folder_ / "orandu.ini");
    std::filesystem::create_directory_symlink(
        std::filesystem::path(ORANDU_BENCH_GRID).parent_path(), folder_ / "data");
    if (!grid.empty())
      std::ofstream(folder_ / "orandu.ini") << "[SYSTEM]\nETOPO5=" << grid.string() << "\n";
  }
  ~ScratchProgram() {
    windows_.reset();
    std::filesystem::remove_all(folder_);
  }
  ScratchProgram(const ScratchProgram&) = delete;
  ScratchProgram& operator=(const ScratchProgram&) = delete;

  // A fresh program: its windows built and the main window shown, the region view not yet.
  ProgramWindows& Start() {
    windows_.reset();
    windows_ = std::make_unique<ProgramWindows>(
        orandu::SettingsLocation::OfExecutable(folder_ / "orandu"));
    windows_->Main().show();
    return *windows_;
  }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<ProgramWindows> windows_;
};

// A press of the left button on the map, delivered through the platform's window as a real one.
void PressOnMap(ProgramWindows& windows, QPoint mapPixel) {
  QLabel* map = windows.Main().findChild<QLabel*>(QStringLiteral("Image1"));
  QTest::mousePress(windows.Main().windowHandle(), Qt::LeftButton, {},
                    map->mapTo(&windows.Main(), mapPixel));
  QTest::mouseRelease(windows.Main().windowHandle(), Qt::LeftButton, {},
                      map->mapTo(&windows.Main(), mapPixel));
}

void WaitUntilExposed(QWidget& window) {
  while (!window.windowHandle()->isExposed()) QCoreApplication::processEvents();
}

// Leaves the processor's caches full of other data, as they are after the user has looked
// around for a while: the region view's image and the grid's pages are then cold.
void ColdCaches() {
  static std::vector<char> other(64 << 20);
  for (std::size_t i = 0; i < other.size(); i += 64) other[i] = static_cast<char>(other[i] + 1);
  benchmark::DoNotOptimize(other.data());
}

bool HaveGrid(benchmark::State& state) {
  if (std::filesystem::exists(ORANDU_BENCH_GRID)) return true;
  state.SkipWithError("no converted grid");
  return false;
}

// The region view's paint area, found by its name as a user's eye finds it: from outside.
QWidget* PaintArea(const TFormOrandu_Graph& view) {
  return view.findChild<QWidget*>(QStringLiteral("PaintBox1"));
}

std::string SizeLabel(const QWidget& area) {
  return std::to_string(area.width()) + "x" + std::to_string(area.height());
}

// A press on a map that is on screen, the region view shown and painted once before, with cold
// caches: the press, the pick and the region view's synchronous repaint.
void BM_PickOnTheMap(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  ScratchProgram program;
  ProgramWindows& windows = program.Start();
  WaitUntilExposed(windows.Main());
  PressOnMap(windows, {187, 87});
  WaitUntilExposed(windows.Graph());
  int pick = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ColdCaches();
    const QPoint mapPixel = ++pick % 2 == 0 ? QPoint(187, 87) : QPoint(120, 60);
    state.ResumeTiming();
    PressOnMap(windows, mapPixel);
  }
  state.SetLabel(SizeLabel(*PaintArea(windows.Graph())));
}
BENCHMARK(BM_PickOnTheMap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first press of a program just started: the region view appears and paints for the first
// time, with nothing of it allocated yet.
void BM_FirstPick(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  ScratchProgram program;
  for (auto _ : state) {
    state.PauseTiming();
    ProgramWindows& windows = program.Start();
    WaitUntilExposed(windows.Main());
    ColdCaches();
    state.ResumeTiming();
    PressOnMap(windows, {187, 87});
  }
}
BENCHMARK(BM_FirstPick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

// The region view's paint handler (PaintBox1->repaint(): paint, hand-over to the window, flush)
// at a paint area size, timed in this thread's processor time; beside it the region core painting
// the same area into memory it keeps (PaintRegion_ms), and the ratio of the two.
void BM_RegionViewRepaint(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  const QSize area(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  ScratchProgram program;
  ProgramWindows& windows = program.Start();
  PressOnMap(windows, {187, 87});
  TFormOrandu_Graph& graph = windows.Graph();
  graph.resize(graph.size() + area - PaintArea(graph)->size());
  WaitUntilExposed(graph);
  QCoreApplication::processEvents();
  orandu::PixelBuffer memory(area.width(), area.height());
  const orandu::ColorTable& colors = windows.Main().Legend().Colors();
  double handler = 0;
  double core = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    PaintArea(graph)->repaint();
    const double painted = ThreadSeconds();
    graph.Region().PaintRegion(ORANDU_BENCH_GRID, colors, memory);
    core += ThreadSeconds() - painted;
    handler += painted - start;
    state.SetIterationTime(painted - start);
  }
  state.counters["PaintRegion_ms"] = 1e3 * core / static_cast<double>(state.iterations());
  state.counters["ratio"] = handler / core;
  state.SetLabel(SizeLabel(*PaintArea(graph)));
}
BENCHMARK(BM_RegionViewRepaint)
    ->Args({488, 441})
    ->Args({1800, 1100})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The region view as the read-out and the keys find it: shown at its first size, painted.
TFormOrandu_Graph& ShownRegionView(ScratchProgram& program) {
  ProgramWindows& windows = program.Start();
  PressOnMap(windows, {187, 87});
  WaitUntilExposed(windows.Graph());
  QCoreApplication::processEvents();
  return windows.Graph();
}

// A mouse move over the paint area: the sample under it, its text, and the read-out moved and
// repainted beside the cursor (the events that follow are processed too).
void BM_MouseMoveReadout(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  ScratchProgram program;
  QWidget* area = PaintArea(ShownRegionView(program));
  int x = 0;
  for (auto _ : state) {
    const QPointF pixel((x++ * 7) % 480, 200);  // a new sample and a new text every time
    QMouseEvent move(QEvent::MouseMove, pixel, area->mapToGlobal(pixel), Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(area, &move);
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_MouseMoveReadout)->Unit(benchmark::kMicrosecond)->UseRealTime();

// An arrow key on the region view: the step, and the synchronous repaint of the new region.
void BM_KeyStep(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  ScratchProgram program;
  QWidget* area = PaintArea(ShownRegionView(program));
  int step = 0;
  for (auto _ : state) {
    QKeyEvent key(QEvent::KeyPress, ++step % 2 == 0 ? Qt::Key_Left : Qt::Key_Right, {});
    QCoreApplication::sendEvent(area, &key);
  }
  state.SetLabel(SizeLabel(*area));
}
BENCHMARK(BM_KeyStep)->Unit(benchmark::kMillisecond)->UseRealTime();

// A wheel notch on the region view at 1920 x 1080 (one frame is 16 ms): the zoom about the
// cursor, the synchronous repaint at the new level and the read-out, in turn in and out between
// two neighbouring levels (argument: the farther level's exponent of two: 0 for 1:1 and 2:1, -1
// for 1:2 and 1:1, 2 for 4:1 and 8:1). The grid's levels are built before the timing, as after a
// first zoom-out.
void WheelSteps(benchmark::State& state, ScratchProgram& program) {
  TFormOrandu_Graph& graph = ShownRegionView(program);
  graph.resize(graph.size() + QSize(1920, 1080) - PaintArea(graph)->size());
  WaitUntilExposed(graph);
  QWidget* area = PaintArea(graph);
  const auto farther = static_cast<int>(state.range(0));
  const QPointF cursor(700, 400);
  const auto notch = [&](int angle) {
    QWheelEvent wheel(cursor, area->mapToGlobal(cursor), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(area, &wheel);
  };
  for (int step = 0; step < farther; ++step) notch(120);
  for (int step = 0; step > farther; --step) notch(-120);
  notch(120);
  notch(-120);
  int turn = 0;
  for (auto _ : state) notch(++turn % 2 == 0 ? -120 : 120);
  state.SetLabel(SizeLabel(*area));
}

// The farther levels' exponents of two: 1:1 and 2:1, 1:2 and 1:1, 1:8 and 1:4, 1:64 and 1:32, 4:1
// and 8:1.
void NeighbouringLevels(benchmark::internal::Benchmark* family) {
  family->Arg(0)->Arg(-1)->Arg(-3)->Arg(-6)->Arg(2);
  family->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_WheelStep(benchmark::State& state) {
  if (!HaveGrid(state)) return;
  ScratchProgram program;
  WheelSteps(state, program);
}
BENCHMARK(BM_WheelStep)->Apply(NeighbouringLevels);

// The same on the 15" grid chosen in the settings, zoomed out from its level files (made by the
// bench_grid_15s target).
void BM_WheelStep15s(benchmark::State& state) {
  if (!std::filesystem::exists(ORANDU_BENCH_GRID_15S)) {
    return state.SkipWithError("no 15\" grid: build the bench_grid_15s target");
  }
  ScratchProgram program(ORANDU_BENCH_GRID_15S);
  WheelSteps(state, program);
}
BENCHMARK(BM_WheelStep15s)->Apply(NeighbouringLevels);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The off-screen platform cannot raise windows nor pass on size hints, and says so every time.
  static const QtMessageHandler toolkitHandler = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.startsWith(QLatin1String("This plugin does not support "))) return;
        toolkitHandler(type, context, text);
      });
  orandu::Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
