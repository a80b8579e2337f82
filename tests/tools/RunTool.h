// Runs a built tool as a user would and collects its exit status and what it printed.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace orandu::testing {

struct ToolRun {
  int exitStatus = -1;  // -1 when the tool did not exit normally (a crash, a signal)
  std::string output;
  std::string errors;
};

inline std::filesystem::path ToolPath(const std::string& name) {
  return std::filesystem::path(ORANDU_BINARY_DIR) / name;
}

// Runs the program with the arguments, its standard output and error going to files in `scratch`.
inline ToolRun RunTool(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments, const TempDir& scratch) {
  const std::string outputFile = (scratch / "tool-output.txt").string();
  const std::string errorFile = (scratch / "tool-errors.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::string programText = program.string();
  std::vector<std::string> words = arguments;
  std::vector<char*> argv{programText.data()};
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  ToolRun run;
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, programText.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    run.errors = "could not start " + programText;
    return run;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  const auto text = [](const std::string& file) {
    const std::vector<std::uint8_t> bytes = ReadFile(file);
    return std::string(bytes.begin(), bytes.end());
  };
  run.output = text(outputFile);
  run.errors = text(errorFile);
  return run;
}

}  // namespace orandu::testing
