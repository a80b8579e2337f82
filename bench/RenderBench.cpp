// The whole orandu-render process exporting a region, beside the floor of a lean program
// writing the same BMP file, and the PNG export beside the BMP one.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

extern char** environ;

namespace {

const std::filesystem::path kData = std::filesystem::path(ORANDU_BENCH_GRID).parent_path();
// A folder of its own, removed at the end: the writer looks through the output folder for
// temporaries left behind, and the whole grid's files are large.
struct OutputFolder {
  OutputFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "render-bench-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~OutputFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};
const OutputFolder kOutFolder;
const std::filesystem::path& kOut = kOutFolder.path;

struct ProcessRun {
  double seconds = 0;     // wall clock, start to exit
  double cpuSeconds = 0;  // user and system time: steadier than the wall clock on a busy machine
  double peakBytes = 0;   // the largest resident set
  bool succeeded = false;
};

// ORANDU_RENDER_TOOL in the environment measures another build of the tool (an older one).
std::string RenderTool() {
  const char* override = std::getenv("ORANDU_RENDER_TOOL");
  return override != nullptr ? override : ORANDU_RENDER_TOOL;
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

ProcessRun Run(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& word : arguments) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  ProcessRun run;
  const double start = Now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.seconds = Now() - start;
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peakBytes = 1024.0 * static_cast<double>(usage.ru_maxrss);
  run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

std::string SizeText(const benchmark::State& state) {
  return std::to_string(state.range(0)) + "x" + std::to_string(state.range(1));
}

ProcessRun Render(const benchmark::State& state, const std::string& extension, bool shaded) {
  std::vector<std::string> arguments{RenderTool(),
                                     "--grid",
                                     (kData / "ETOPO5.DOS").string(),
                                     "--bar",
                                     (kData / "P1.BMP").string(),
                                     "--center",
                                     "180,90",
                                     "--size",
                                     SizeText(state),
                                     "--out",
                                     (kOut / ("orandu-render-bench" + extension)).string()};
  if (shaded) arguments.emplace_back("--shade");
  return Run(arguments);
}

ProcessRun LeanBmp(const benchmark::State& state) {
  return Run({ORANDU_LEAN_BMP_WRITER, (kData / "ETOPO5.DOS").string(), (kData / "P1.BMP").string(),
              "180,90", SizeText(state), (kOut / "lean-bmp-writer-bench.bmp").string()});
}

// What an export is measured against.
enum class Floor { kLeanBmpWriter, kUnshadedBmp };

// Each iteration runs orandu-render and then its floor, so that both meet the same machine;
// the reported time is orandu-render's, floor_ms the floor's, ratio the one over the other
// (cpu_ratio the same for user and system time).
void Compare(benchmark::State& state, const std::string& extension, Floor against,
             bool shaded = false) {
  if (!std::filesystem::exists(kData / "ETOPO5.DOS")) {
    return state.SkipWithError("no converted grid");
  }
  double seconds = 0, floorSeconds = 0, cpu = 0, floorCpu = 0, peak = 0, floorPeak = 0;
  for (auto _ : state) {
    const ProcessRun run = Render(state, extension, shaded);
    const ProcessRun floor =
        against == Floor::kLeanBmpWriter ? LeanBmp(state) : Render(state, ".bmp", false);
    if (!run.succeeded || !floor.succeeded) return state.SkipWithError("a run failed");
    state.SetIterationTime(run.seconds);
    seconds += run.seconds;
    floorSeconds += floor.seconds;
    cpu += run.cpuSeconds;
    floorCpu += floor.cpuSeconds;
    peak = std::max(peak, run.peakBytes);
    floorPeak = std::max(floorPeak, floor.peakBytes);
  }
  state.counters["floor_ms"] = 1e3 * floorSeconds / static_cast<double>(state.iterations());
  state.counters["ratio"] = seconds / floorSeconds;
  state.counters["cpu_ratio"] = cpu / floorCpu;
  state.counters["peak_MB"] = peak / (1024 * 1024);
  state.counters["floor_peak_MB"] = floorPeak / (1024 * 1024);
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Args({488, 441})->Args({1920, 1080})->Args({4320, 2160});
  bench->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);
}

// BMP export against the lean writer of the same file.
void BM_RenderBmp(benchmark::State& state) {
  Compare(state, ".bmp", Floor::kLeanBmpWriter);
}
BENCHMARK(BM_RenderBmp)->Apply(Sizes);

// The shaded BMP export under the default light against the unshaded one.
void BM_RenderShadedBmp(benchmark::State& state) {
  Compare(state, ".bmp", Floor::kUnshadedBmp, true);
}
BENCHMARK(BM_RenderShadedBmp)->Apply(Sizes);

// PNG export against BMP export of the same region (floor_ms is orandu-render's BMP).
void BM_RenderPng(benchmark::State& state) {
  Compare(state, ".png", Floor::kUnshadedBmp);
}
BENCHMARK(BM_RenderPng)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
