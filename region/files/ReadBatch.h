// Many reads of one open file handed to the system together, for the scattered reads of a paint.
#pragma once

#include <cstdint>
#include <span>

namespace orandu {

struct ReadRequest {
  std::uint64_t offset;
  std::span<std::uint8_t> buffer;
};

// How a batch reaches the system: all at once through a submission ring the thread keeps, or one
// read after another. A batch of small reads from the page cache costs mostly system calls, and
// the ring makes a call per batch of them instead of one each.
enum class ReadBatchPath {
  kRing,
  kOneByOne,
};

// The ring where this build and the running system have it (a sandbox may forbid it), otherwise
// one read after another.
ReadBatchPath BestReadBatchPath();

// While one lives, this thread's batches go one read after another whatever path they ask for:
// the system's per-process read counters count plain reads but not the ring's, so a measure of
// what a paint reads takes this.
class OneByOneReads {
 public:
  OneByOneReads();
  ~OneByOneReads();
  OneByOneReads(const OneByOneReads&) = delete;
  OneByOneReads& operator=(const OneByOneReads&) = delete;
};

// Fills every request's buffer from the file at its offset; false when the file ended before
// one of them was full. An I/O error raises the stream read error. Every read has ended when
// this returns, whatever it returns or throws.
bool ReadInFull(int descriptor, std::span<const ReadRequest> requests, ReadBatchPath path);

}  // namespace orandu
