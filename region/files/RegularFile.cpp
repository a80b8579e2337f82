// The one way user-chosen files are opened for reading, so that a FIFO or a device never blocks.
#include "region/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orandu {

RegularFileOpening OpenRegularFile(const std::filesystem::path& path) {
  constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  // Reads leave the access time alone where the system lets them (files of one's own): a paint
  // makes hundreds of small reads, and each would otherwise ask whether to update it.
  int descriptor = ::open(path.c_str(), kFlags | O_NOATIME);
  if (descriptor < 0 && errno == EPERM) descriptor = ::open(path.c_str(), kFlags);
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
