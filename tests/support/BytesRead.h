// What this process has read so far, counted by the system: a measure of what a paint reads.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace orandu::testing {

// The bytes this process has read so far by plain read calls (the kernel's rchar; reads through
// a submission ring are not counted, see OneByOneReads).
inline std::uint64_t BytesReadByThisProcess() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

}  // namespace orandu::testing
