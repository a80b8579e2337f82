// A pick on the world map, from the press to the end of the region view's synchronous repaint.
#include <benchmark/benchmark.h>

#include <QMouseEvent>
#include <QWindow>
#include <cstdlib>
#include <filesystem>

#include "Application.h"
#include "Startup.h"
#include "UnitOrandu_Graph.h"
#include "UnitOrandu_Main.h"

namespace {

std::filesystem::path DataFolder() {
  return std::filesystem::path(ORANDU_BENCH_GRID).parent_path();
}

void BM_PickOnTheMap(benchmark::State& state) {
  if (!std::filesystem::exists(ORANDU_BENCH_GRID)) return state.SkipWithError("no converted grid");
  // An executable path in a scratch folder whose data folder is the build's: the real grid and
  // bar, and no settings file of the user's.
  const auto folder = std::filesystem::temp_directory_path() / "orandu-pick-bench";
  std::filesystem::create_directories(folder);
  std::filesystem::remove(folder / "data");
  std::filesystem::create_directory_symlink(DataFolder(), folder / "data");

  ProgramWindows windows(orandu::SettingsLocation::OfExecutable(folder / "orandu"));
  windows.Main().show();
  QLabel* map = windows.Main().Image1;
  const QPointF mapPixel(187, 87);
  const auto pick = [&] {
    QMouseEvent press(QEvent::MouseButtonPress, mapPixel, map->mapToGlobal(mapPixel),
                      Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(map, &press);
  };
  // The first pick shows the region view; once it is on screen, every pick repaints it at once.
  pick();
  while (!windows.Graph().windowHandle()->isExposed()) QCoreApplication::processEvents();
  for (auto _ : state) pick();
  state.SetLabel(std::to_string(windows.Graph().PaintBox1->width()) + "x" +
                 std::to_string(windows.Graph().PaintBox1->height()));
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PickOnTheMap)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  orandu::Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
