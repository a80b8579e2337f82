// The exit status every tool ends with; failures and usage errors also print a line on stderr.
#pragma once

enum class ExitStatus {
  kSuccess = 0,
  kFailure = 1,  // the work could not be done: the message says why
  kUsage = 2,    // the command line is wrong: nothing was done
};
