// Reading a user-chosen file with plain POSIX calls, so that a FIFO or a device can never block.
#include "region/files/SourceFile.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "region/files/Errors.h"
#include "region/files/RegularFile.h"

namespace orandu {

namespace {

// A read may return less than asked without being at the end, or be interrupted: ask again until
// the buffer is full or the file ends. An I/O error raises the stream read error.
template <typename ReadSome>
std::size_t ReadUntilFullOrEnd(std::span<std::uint8_t> buffer, ReadSome readSome) {
  std::size_t total = 0;
  while (total < buffer.size()) {
    const ssize_t got = readSome(buffer.subspan(total), total);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    total += static_cast<std::size_t>(got);
  }
  return total;
}

}  // namespace

SourceFile::SourceFile(const std::filesystem::path& path) {
  const RegularFileOpening opening = OpenRegularFile(path);
  if (opening.descriptor < 0) {
    throw OranduError(CannotOpenMessage(path, std::strerror(opening.error)));
  }
  descriptor_ = opening.descriptor;
  size_ = opening.size;
}

SourceFile::~SourceFile() {
  ::close(descriptor_);
}

void SourceFile::Seek(std::int64_t offset) {
  if (offset < 0) return;
  ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET);
}

std::size_t SourceFile::Read(std::span<std::uint8_t> buffer) {
  return ReadUntilFullOrEnd(buffer, [this](std::span<std::uint8_t> rest, std::size_t) {
    return ::read(descriptor_, rest.data(), rest.size());
  });
}

std::size_t SourceFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
  return ReadUntilFullOrEnd(buffer, [this, offset](std::span<std::uint8_t> rest, std::size_t done) {
    return ::pread(descriptor_, rest.data(), rest.size(), static_cast<off_t>(offset + done));
  });
}

bool SourceFile::InMemory(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
  iovec vector{buffer.data(), buffer.size()};
  const ssize_t read = ::preadv2(descriptor_, &vector, 1, static_cast<off_t>(offset), RWF_NOWAIT);
  return read == static_cast<ssize_t>(buffer.size());
}

void SourceFile::Prefetch(std::uint64_t offset, std::uint64_t length) const {
  ::posix_fadvise(descriptor_, static_cast<off_t>(offset), static_cast<off_t>(length),
                  POSIX_FADV_WILLNEED);
}

std::vector<std::uint8_t> SourceFile::ReadAll() {
  std::vector<std::uint8_t> bytes(size_);
  Seek(0);
  bytes.resize(Read(bytes));  // a file that shrank since the open gives what it still holds
  return bytes;
}

}  // namespace orandu
