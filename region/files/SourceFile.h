// A regular file opened for reading only, closed when the object goes away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "region/files/ReadBatch.h"

namespace orandu {

class SourceFile {
 public:
  // Opens without blocking and without denying anyone else access. Anything that is not a
  // regular file (a folder, a FIFO, a device) is refused, so no read can hang or run forever.
  // Throws OranduError with the "cannot open" message and the system's text.
  explicit SourceFile(const std::filesystem::path& path);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }

  // Moves to a byte offset from the start. A negative offset is refused quietly and leaves the
  // position where it was, as a classic file seek does.
  void Seek(std::int64_t offset);

  // Reads up to buffer.size() bytes; returns how many were read, 0 at the end of the file.
  // An I/O error raises the stream read error.
  std::size_t Read(std::span<std::uint8_t> buffer);

  // Reads up to buffer.size() bytes from the offset, leaving the position alone; returns how
  // many were read, fewer only at the end of the file. An I/O error raises the stream read error.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

  // Fills every request's buffer from its offset, the requests handed to the system together
  // where it can; false when the file ended before one was full. An I/O error raises the stream
  // read error.
  bool ReadInFull(std::span<const ReadRequest> requests,
                  ReadBatchPath path = BestReadBatchPath()) const {
    return orandu::ReadInFull(descriptor_, requests, path);
  }

  // Whether these bytes are in memory already, so that a read of them costs no wait for a disk;
  // found out by reading them into the buffer without waiting. False when the system cannot tell.
  bool InMemory(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

  // Tells the system that these bytes will be read soon and in no particular order, so that reads
  // from a disk run while earlier ones are used. Only a hint: nothing is reported.
  void Prefetch(std::uint64_t offset, std::uint64_t length) const;

  // Reads the whole file, never more than the size it had when opened: a file that keeps
  // growing cannot make this read run on.
  std::vector<std::uint8_t> ReadAll();

 private:
  int descriptor_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace orandu
