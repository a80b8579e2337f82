// Batches of scattered reads: every byte where it belongs through the ring and one by one, a file
// that ends early, a read the system refuses, and a ring used on both sides of a fork.
#include "region/files/ReadBatch.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// The byte the test file holds at each offset: no two neighbours alike, and no repeat within
// 251 bytes, so a read from a wrong offset shows.
std::uint8_t ByteAt(std::uint64_t offset) {
  return static_cast<std::uint8_t>(offset % 251);
}

class ReadBatchTest : public ::testing::TestWithParam<ReadBatchPath> {
 protected:
  static constexpr std::uint64_t kFileBytes = 200'000;

  ReadBatchTest() {
    std::string bytes(kFileBytes, '\0');
    for (std::uint64_t at = 0; at < kFileBytes; ++at) bytes[at] = static_cast<char>(ByteAt(at));
    descriptor_ = ::open(dir_.Write("grid.bil", bytes).c_str(), O_RDONLY);
  }
  ~ReadBatchTest() override { ::close(descriptor_); }

  // Requests of `length` bytes at each offset, each into a buffer of its own.
  std::vector<ReadRequest> RequestsAt(const std::vector<std::uint64_t>& offsets,
                                      std::size_t length) {
    buffers_.assign(offsets.size(), std::vector<std::uint8_t>(length, 0xEE));
    std::vector<ReadRequest> requests;
    for (std::size_t i = 0; i < offsets.size(); ++i) requests.push_back({offsets[i], buffers_[i]});
    return requests;
  }

  // How many bytes of the request's buffer hold the file's bytes from its offset on.
  static std::size_t BytesRight(const ReadRequest& request) {
    std::size_t right = 0;
    while (right < request.buffer.size() &&
           request.buffer[right] == ByteAt(request.offset + right)) {
      ++right;
    }
    return right;
  }

  TempDir dir_;
  int descriptor_ = -1;
  std::vector<std::vector<std::uint8_t>> buffers_;
};

TEST_P(ReadBatchTest, ScatteredOverlappingReadsInAnyOrderAllLandWhereAsked) {
  std::vector<std::uint64_t> offsets;
  // 300 reads: more than the ring holds at once, so the batch goes in several turns.
  for (std::uint64_t i = 0; i < 300; ++i) offsets.push_back((i * 7919) % (kFileBytes - 976));
  offsets.push_back(0);
  offsets.push_back(kFileBytes - 976);  // up to the last byte
  const auto requests = RequestsAt(offsets, 976);
  EXPECT_TRUE(ReadInFull(descriptor_, requests, GetParam()));
  for (const ReadRequest& request : requests) {
    EXPECT_EQ(BytesRight(request), 976u) << "at " << request.offset;
  }
}

TEST_P(ReadBatchTest, AFileEndingInsideARequestIsReportedWithWhatItHeldRead) {
  const auto requests = RequestsAt({100, kFileBytes - 10, 5000}, 40);
  EXPECT_FALSE(ReadInFull(descriptor_, requests, GetParam()));
  EXPECT_EQ(BytesRight(requests[0]), 40u);
  EXPECT_EQ(BytesRight(requests[1]), 10u);  // the file's last 10 bytes
  EXPECT_EQ(BytesRight(requests[2]), 40u);  // a read after the short one is made too
}

TEST_P(ReadBatchTest, NoRequestsAndEmptyRequestsAreFull) {
  EXPECT_TRUE(ReadInFull(descriptor_, {}, GetParam()));
  EXPECT_TRUE(ReadInFull(descriptor_, RequestsAt({0, kFileBytes}, 0), GetParam()));
}

TEST_P(ReadBatchTest, AReadTheSystemRefusesRaisesTheReadError) {
  const int folder = ::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
  try {
    ReadInFull(folder, RequestsAt({0, 10}, 4), GetParam());
    ADD_FAILURE() << "a folder was read";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()), kStreamReadErrorMessage);
  }
  ::close(folder);
  // The same thread's next batch still reads.
  const auto requests = RequestsAt({7, 70'000}, 100);
  EXPECT_TRUE(ReadInFull(descriptor_, requests, GetParam()));
  EXPECT_EQ(BytesRight(requests[1]), 100u);
}

// A child forked after the parent's first batch reads through a ring of its own: sharing the
// parent's would leave either side's next batch waiting for reads the other took.
TEST_P(ReadBatchTest, ForkedChildAndParentBothGoOnReading) {
  ASSERT_TRUE(ReadInFull(descriptor_, RequestsAt({0}, 8), GetParam()));
  const pid_t child = ::fork();
  // Batches of different sizes, so that the two sides' places in a shared ring would differ.
  const auto readsRight = [this](std::uint64_t first, int count) {
    std::vector<std::uint64_t> offsets;
    for (int i = 0; i < count; ++i) offsets.push_back(first + 1000 * static_cast<std::uint64_t>(i));
    const auto requests = RequestsAt(offsets, 500);
    bool right = ReadInFull(descriptor_, requests, GetParam());
    for (const ReadRequest& request : requests) right = right && BytesRight(request) == 500;
    return right;
  };
  if (child == 0) ::_exit(readsRight(1234, 37) && readsRight(99'999, 90) ? 0 : 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(readsRight(4321, 5));
  EXPECT_TRUE(readsRight(123'456, 60));
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ReadBatchTest,
                         ::testing::Values(ReadBatchPath::kRing, ReadBatchPath::kOneByOne),
                         [](const ::testing::TestParamInfo<ReadBatchPath>& param) {
                           return param.param == ReadBatchPath::kRing ? "Ring" : "OneByOne";
                         });

// Whether the kernel refuses rings to every process (its io_uring_disabled setting at 2).
bool KernelRefusesRings() {
  int disabled = 0;
  std::ifstream("/proc/sys/kernel/io_uring_disabled") >> disabled;
  return disabled == 2;
}

TEST(ReadBatchPathTest, BuildsWithTheRingUseItWhereTheKernelAllows) {
#ifdef ORANDU_IO_URING
  const bool ringExpected = !KernelRefusesRings();
#else
  const bool ringExpected = false;
#endif
  EXPECT_EQ(BestReadBatchPath() == ReadBatchPath::kRing, ringExpected);
}

}  // namespace
}  // namespace orandu
