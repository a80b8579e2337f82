// Reading a user-chosen file with plain POSIX calls, so that a FIFO or a device can never block.
#include "SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Errors.h"

namespace orandu {

SourceFile::SourceFile(const std::filesystem::path& path) {
  // O_NONBLOCK keeps the open itself from waiting for a writer on a FIFO.
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor_ < 0) throw OranduError(CannotOpenMessage(path, std::strerror(errno)));
  struct stat status {};
  int refusal = 0;
  if (::fstat(descriptor_, &status) != 0) {
    refusal = errno;
  } else if (S_ISDIR(status.st_mode)) {
    refusal = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    // A FIFO, socket or device has no fixed size and may never end or never answer.
    refusal = EINVAL;
  }
  if (refusal != 0) {
    ::close(descriptor_);
    throw OranduError(CannotOpenMessage(path, std::strerror(refusal)));
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
}

SourceFile::~SourceFile() {
  ::close(descriptor_);
}

void SourceFile::Seek(std::int64_t offset) {
  if (offset < 0) return;
  ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET);
}

std::size_t SourceFile::Read(std::span<std::uint8_t> buffer) {
  std::size_t total = 0;
  while (total < buffer.size()) {
    const ssize_t got = ::read(descriptor_, buffer.data() + total, buffer.size() - total);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    total += static_cast<std::size_t>(got);
  }
  return total;
}

std::size_t SourceFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  std::size_t total = 0;
  while (total < buffer.size()) {
    const ssize_t got = ::pread(descriptor_, buffer.data() + total, buffer.size() - total,
                                static_cast<off_t>(offset + total));
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    total += static_cast<std::size_t>(got);
  }
  return total;
}

std::vector<std::uint8_t> SourceFile::ReadAll() {
  std::vector<std::uint8_t> bytes(size_);
  Seek(0);
  bytes.resize(Read(bytes));  // a file that shrank since the open gives what it still holds
  return bytes;
}

}  // namespace orandu
