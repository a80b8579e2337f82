// The exit status every tool ends with, and the lines a tool prints on stderr when it stops.
#pragma once

#include <cstdio>
#include <string_view>

enum class ExitStatus {
  kSuccess = 0,
  kFailure = 1,  // the work could not be done: the message says why
  kUsage = 2,    // the command line is wrong: nothing was done
};

inline int Exit(ExitStatus status) {
  return static_cast<int>(status);
}

// Prints "TOOL: MESSAGE" as one line on stderr.
inline void Report(std::string_view tool, std::string_view message) {
  std::fwrite(tool.data(), 1, tool.size(), stderr);
  std::fputs(": ", stderr);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
}

// Reports why the work could not be done; main returns what this returns.
inline int Fail(std::string_view tool, std::string_view message) {
  Report(tool, message);
  return Exit(ExitStatus::kFailure);
}

// Prints the tool's usage line on stderr; main returns what this returns.
inline int FailUsage(std::string_view usage) {
  std::fwrite(usage.data(), 1, usage.size(), stderr);
  std::fputc('\n', stderr);
  return Exit(ExitStatus::kUsage);
}
