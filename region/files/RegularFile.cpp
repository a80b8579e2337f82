// The one way user-chosen files are opened for reading, so that a FIFO or a device never blocks.
#include "region/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orandu {

RegularFileOpening OpenRegularFile(const std::filesystem::path& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return {.error = errno};
  struct stat status {};
  int refusal = 0;
  if (::fstat(descriptor, &status) != 0) {
    refusal = errno;
  } else if (S_ISDIR(status.st_mode)) {
    refusal = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    refusal = EINVAL;
  }
  if (refusal != 0) {
    ::close(descriptor);
    return {.error = refusal};
  }
  return {.descriptor = descriptor, .size = static_cast<std::uint64_t>(status.st_size)};
}

}  // namespace orandu
