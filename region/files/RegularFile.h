// Opening a file for reading only when it is a regular file, without ever blocking.
#pragma once

#include <cstdint>
#include <filesystem>

namespace orandu {

// An open descriptor with the file's size, or the system's error number of the refusal.
struct RegularFileOpening {
  int descriptor = -1;  // -1 when refused
  int error = 0;        // errno of the refusal: EISDIR for a folder, EINVAL for a FIFO or device
  std::uint64_t size = 0;
};

// Opens for reading without denying anyone else access. O_NONBLOCK keeps the open itself from
// waiting for a writer on a FIFO; anything that is not a regular file is then refused, since it
// has no fixed size and may never end or never answer. The caller closes the descriptor.
RegularFileOpening OpenRegularFile(const std::filesystem::path& path);

}  // namespace orandu
