// Ends the process when reading a file makes no progress: a damaged netCDF-4 file can make the
// library loop for ever.
#pragma once

#include <string>

namespace orandu::import {

// What the import is doing, for how long it may take.
enum class ImportStage {
  kHeader,  // opening the file, finding the variable, reading coordinates and attributes
  kValues,  // reading one band of values, or making one output row
  kOutput,  // writing the output: no library calls, nothing to watch
};

// One per process. Watching a stage allows it a fixed amount of processor time; when it runs
// out before the next stage begins, the process prints `prefix` and the reason on standard error
// and exits with status 1 at once. Processor time, not wall time, so that a slow disk never
// counts. Nothing may be left to clean up while a stage is watched.
class Watchdog {
 public:
  explicit Watchdog(const std::string& prefix);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void Watch(ImportStage stage);
};

}  // namespace orandu::import
