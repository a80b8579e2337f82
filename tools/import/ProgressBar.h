// A progress bar with percent and time left, drawn in place on a terminal.
#pragma once

#include <chrono>
#include <cstdio>

namespace orandu {

class ProgressBar {
 public:
  // Draws on `terminal`; a bar that is not `shown` (output not on a terminal) draws nothing.
  ProgressBar(std::FILE* terminal, bool shown);

  // Redraws when the percentage has changed; `done` runs from 0 to 1.
  void Update(double done);
  // Clears the bar's line so that what follows starts on a clean one.
  void Clear();

 private:
  std::FILE* terminal_;
  bool shown_;
  int drawnPercent_ = -1;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace orandu
