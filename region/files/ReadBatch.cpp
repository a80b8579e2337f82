// Batches of reads through the kernel's submission ring, or one read at a time where there is none.
#include "region/files/ReadBatch.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

#include "region/files/Errors.h"

#ifdef ORANDU_IO_URING
#include <liburing.h>
#endif

namespace orandu {

namespace {

// Reads one request's bytes from `done` on, asking again after a short or interrupted read, as a
// read may return less than asked without being at the end of the file.
bool ReadRestOf(int descriptor, const ReadRequest& request, std::size_t done) {
  while (done < request.buffer.size()) {
    const ssize_t got =
        ::pread(descriptor, request.buffer.data() + done, request.buffer.size() - done,
                static_cast<off_t>(request.offset + done));
    if (got == 0) return false;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

thread_local int oneByOneHolds = 0;

bool ReadOneByOne(int descriptor, std::span<const ReadRequest> requests) {
  bool full = true;
  for (const ReadRequest& request : requests) full = ReadRestOf(descriptor, request, 0) && full;
  return full;
}

#ifdef ORANDU_IO_URING

// A paint's block asks for at most two spans of 34 rows at once.
constexpr unsigned kRingEntries = 128;
// The most one entry asks for; the rest of a longer request is read afterwards.
constexpr std::size_t kLargestEntry = std::size_t{1} << 30;

// The thread's ring, set up at its first batch and kept: setting one up costs more than the
// system calls it saves on a paint. A process forked from one with a ring sets up its own, as
// the two would otherwise share the ring's memory.
class Ring {
 public:
  ~Ring() { Retire(); }

  io_uring* Get() {
    if (owner_ != ::getpid()) {
      Retire();
      ready_ = io_uring_queue_init(kRingEntries, &ring_, 0) == 0;
      owner_ = ::getpid();
    }
    return ready_ ? &ring_ : nullptr;
  }

  // Gives the ring up for good, after it refused entries that may still sit in it.
  void Retire() {
    if (ready_) io_uring_queue_exit(&ring_);
    ready_ = false;
  }

 private:
  io_uring ring_{};
  bool ready_ = false;
  pid_t owner_ = 0;
};

thread_local Ring threadRing;

// Submits up to kRingEntries requests and waits for every one submitted to end, so that no read
// can land in a buffer after this returns. A request that came back short or interrupted, or that
// the ring would not take, is finished with plain reads. Returns whether all were filled; throws
// the stream read error, after all have ended, when the system reported one.
bool ReadThroughRing(Ring& owner, io_uring& ring, int descriptor,
                     std::span<const ReadRequest> requests) {
  for (std::size_t index = 0; index < requests.size(); ++index) {
    io_uring_sqe* entry = io_uring_get_sqe(&ring);
    const ReadRequest& request = requests[index];
    io_uring_prep_read(entry, descriptor, request.buffer.data(),
                       static_cast<unsigned>(std::min(request.buffer.size(), kLargestEntry)),
                       request.offset);
    io_uring_sqe_set_data64(entry, index);
  }
  // Entries go in order, so those after the ones taken are the ones left out.
  std::size_t taken = 0;
  while (taken < requests.size()) {
    const int submitted = io_uring_submit(&ring);
    if (submitted > 0) {
      taken += static_cast<std::size_t>(submitted);
    } else if (submitted != -EINTR && submitted != -EAGAIN) {
      break;
    }
  }
  // Results are looked at only when every read has ended, as finishing one may throw.
  std::array<int, kRingEntries> results{};
  for (std::size_t ended = 0; ended < taken;) {
    io_uring_cqe* completion = nullptr;
    const int waited = io_uring_wait_cqe(&ring, &completion);
    if (waited == -EINTR) continue;
    if (waited < 0) {
      // Nothing more can be learnt of the reads in flight: the ring is given up and they fail.
      owner.Retire();
      throw OranduError(std::string(kStreamReadErrorMessage));
    }
    results[io_uring_cqe_get_data64(completion)] = completion->res;
    io_uring_cqe_seen(&ring, completion);
    ++ended;
  }
  if (taken < requests.size()) owner.Retire();
  bool full = ReadOneByOne(descriptor, requests.subspan(taken));
  bool failed = false;
  for (std::size_t index = 0; index < taken; ++index) {
    const int result = results[index];
    if (result == -EINTR || result == -EAGAIN) {
      full = ReadRestOf(descriptor, requests[index], 0) && full;
    } else if (result < 0) {
      failed = true;
    } else {
      full = ReadRestOf(descriptor, requests[index], static_cast<std::size_t>(result)) && full;
    }
  }
  if (failed) throw OranduError(std::string(kStreamReadErrorMessage));
  return full;
}

#endif

}  // namespace

OneByOneReads::OneByOneReads() {
  ++oneByOneHolds;
}

OneByOneReads::~OneByOneReads() {
  --oneByOneHolds;
}

ReadBatchPath BestReadBatchPath() {
#ifdef ORANDU_IO_URING
  if (threadRing.Get() != nullptr) return ReadBatchPath::kRing;
#endif
  return ReadBatchPath::kOneByOne;
}

bool ReadInFull(int descriptor, std::span<const ReadRequest> requests,
                [[maybe_unused]] ReadBatchPath path) {  // unused without the ring
#ifdef ORANDU_IO_URING
  if (path == ReadBatchPath::kRing && oneByOneHolds == 0) {
    bool full = true;
    std::size_t first = 0;
    for (; first < requests.size(); first += kRingEntries) {
      io_uring* ring = threadRing.Get();
      if (ring == nullptr) break;
      const auto count = std::min<std::size_t>(kRingEntries, requests.size() - first);
      full = ReadThroughRing(threadRing, *ring, descriptor, requests.subspan(first, count)) && full;
    }
    return ReadOneByOne(descriptor, requests.subspan(std::min(first, requests.size()))) && full;
  }
#endif
  return ReadOneByOne(descriptor, requests);
}

}  // namespace orandu
