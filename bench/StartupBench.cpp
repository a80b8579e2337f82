// Start-up: a new process to its main window shown, for the program and for a bare Qt window.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <filesystem>
#include <string>

#include "ui/Application.h"
#include "ui/Startup.h"
#include "ui/UnitOrandu_Main.h"

extern char** environ;

namespace {

constexpr const char* kBareChild = "--bare-window";
constexpr const char* kProgramChild = "--program-window";

std::filesystem::path self;

// Returns once the window is on screen and its first frame drawn.
void AwaitShown(QWidget& window) {
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QCoreApplication::processEvents();
}

int RunBareWindow(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(364, 254);
  window.show();
  AwaitShown(window);
  return 0;
}

// As the program starts, beside the build's data and with no settings file of the user's.
int RunProgramWindow(int argc, char** argv) {
  orandu::Application application(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() / "orandu-startup-bench";
  ProgramWindows windows(orandu::SettingsLocation::OfExecutable(folder / "orandu"));
  windows.Main().show();
  AwaitShown(windows.Main());
  return 0;
}

// Runs this program again as a child of the given kind and waits for it to end.
void StartChild(benchmark::State& state, const char* kind) {
  const std::string path = self.string();
  char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(kind), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
    return state.SkipWithError("cannot start a child");
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the child failed");
}

double bareSeconds = 0;  // the floor: one bare window's start-up, from the run before

double TimedStarts(benchmark::State& state, const char* kind) {
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) StartChild(state, kind);
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / static_cast<double>(state.iterations());
}

void BM_StartUpBareQtWindow(benchmark::State& state) {
  bareSeconds = TimedStarts(state, kBareChild);
}
BENCHMARK(BM_StartUpBareQtWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartUpMainWindow(benchmark::State& state) {
  // Without the data the start-up would stop at the report of the missing colour bar.
  if (!std::filesystem::exists(ORANDU_BENCH_GRID)) return state.SkipWithError("no converted grid");
  const auto folder = std::filesystem::temp_directory_path() / "orandu-startup-bench";
  std::filesystem::create_directories(folder);
  std::filesystem::remove(folder / "data");
  std::filesystem::create_directory_symlink(std::filesystem::path(ORANDU_BENCH_GRID).parent_path(),
                                            folder / "data");
  const double seconds = TimedStarts(state, kProgramChild);
  if (bareSeconds > 0) state.counters["x_bare_window"] = seconds / bareSeconds;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StartUpMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  self = std::filesystem::canonical("/proc/self/exe");
  if (argc == 2 && std::string(argv[1]) == kBareChild) return RunBareWindow(argc, argv);
  if (argc == 2 && std::string(argv[1]) == kProgramChild) return RunProgramWindow(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
