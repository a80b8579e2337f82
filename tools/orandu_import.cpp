// orandu-import: turns a global latitude/longitude netCDF height grid into the program's grid file.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ExitStatus.h"
#include "tools/import/GridImport.h"
#include "tools/import/ImportError.h"
#include "tools/import/ImportReport.h"
#include "tools/import/NativeImport.h"
#include "tools/import/ProgressBar.h"
#include "tools/import/Watchdog.h"

namespace {

constexpr const char* kUsage = "usage: orandu-import [--native] [--variable NAME] INPUT OUTPUT";

struct Arguments {
  std::optional<std::string> variable;
  bool native = false;  // the input's own samples, not resampled to 5'
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
    } else if (word == "--native" && !arguments.native) {
      arguments.native = true;
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
    return FailUsage(kUsage);
  }
  orandu::ProgressBar bar(stderr, ::isatty(STDERR_FILENO) == 1);
  orandu::ImportOptions options;
  options.variable = arguments->variable;
  options.progress = [&bar](double done) { bar.Update(done); };
  orandu::Watchdog watchdog("orandu-import: " + arguments->input.string() + ": ");
  options.stage = [&watchdog](orandu::ImportStage stage) { watchdog.Watch(stage); };
  try {
    const orandu::ImportSummary summary =
        arguments->native ? orandu::ImportNative(arguments->input, arguments->output, options)
                          : orandu::ImportGrid(arguments->input, arguments->output, options);
    bar.Clear();
    std::fputs(orandu::FormatSummary(summary, arguments->input, arguments->output).c_str(), stdout);
  } catch (const orandu::OutputError& error) {
    bar.Clear();
    return Fail("orandu-import", error.what());
  } catch (const std::exception& error) {
    bar.Clear();
    return Fail("orandu-import", arguments->input.string() + ": " + error.what());
  }
  return Exit(ExitStatus::kSuccess);
}
