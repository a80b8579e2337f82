// orandu-import: turns a global latitude/longitude netCDF height grid into the program's grid file.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/GridImport.h"
#include "import/ImportError.h"
#include "import/ImportReport.h"
#include "import/ProgressBar.h"
#include "import/Watchdog.h"

namespace {

enum class ExitStatus { kSuccess = 0, kFailed = 1, kUsage = 2 };

constexpr const char* kUsage = "usage: orandu-import [--variable NAME] INPUT OUTPUT\n";

struct Arguments {
  std::optional<std::string> variable;
  std::filesystem::path input;
  std::filesystem::path output;
};

std::optional<Arguments> Parse(int argc, char** argv) {
  Arguments arguments;
  std::vector<std::string_view> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--variable") {
      if (i + 1 >= argc || arguments.variable) return std::nullopt;
      arguments.variable = argv[++i];
    } else if (word.starts_with("--variable=") && !arguments.variable) {
      arguments.variable = std::string(word.substr(word.find('=') + 1));
    } else if (word.starts_with("-") && word.size() > 1) {
      return std::nullopt;
    } else {
      paths.push_back(word);
    }
  }
  if (paths.size() != 2 || (arguments.variable && arguments.variable->empty())) {
    return std::nullopt;
  }
  arguments.input = paths[0];
  arguments.output = paths[1];
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  // Under a file-size limit a write then fails with an error the tool reports, instead of the
  // signal killing it before it can remove its temporary file.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::optional<Arguments> arguments = Parse(argc, argv);
  if (!arguments) {
    std::fputs(kUsage, stderr);
    return static_cast<int>(ExitStatus::kUsage);
  }
  orandu::import::ProgressBar bar(stderr, ::isatty(STDERR_FILENO) == 1);
  orandu::import::ImportOptions options;
  options.variable = arguments->variable;
  options.progress = [&bar](double done) { bar.Update(done); };
  orandu::import::Watchdog watchdog("orandu-import: " + arguments->input.string() + ": ");
  options.stage = [&watchdog](orandu::import::ImportStage stage) { watchdog.Watch(stage); };
  try {
    const orandu::import::ImportSummary summary =
        orandu::import::ImportGrid(arguments->input, arguments->output, options);
    bar.Clear();
    std::fputs(orandu::import::FormatSummary(summary, arguments->input, arguments->output).c_str(),
               stdout);
  } catch (const orandu::import::OutputError& error) {
    bar.Clear();
    std::fprintf(stderr, "orandu-import: %s\n", error.what());
    return static_cast<int>(ExitStatus::kFailed);
  } catch (const std::exception& error) {
    bar.Clear();
    std::fprintf(stderr, "orandu-import: %s: %s\n", arguments->input.c_str(), error.what());
    return static_cast<int>(ExitStatus::kFailed);
  }
  return static_cast<int>(ExitStatus::kSuccess);
}
