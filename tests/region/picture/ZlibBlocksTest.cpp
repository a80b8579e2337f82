// Blocks compressed apart and joined into one zlib stream: zlib reads back the data whole.
#include "region/picture/ZlibBlocks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace orandu {
namespace {

enum class Content { kRuns, kNoise, kMixed };

// Runs compress into Huffman blocks ending anywhere in a byte; noise into stored blocks that end
// on a byte; mixed data gives both in one block.
std::vector<std::uint8_t> Data(std::size_t bytes, Content content, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> data(bytes);
  for (std::size_t i = 0; i < bytes; ++i) {
    const bool noise =
        content == Content::kNoise || (content == Content::kMixed && i % 9000 < 4000);
    data[i] = noise ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(i / 300 % 7);
  }
  return data;
}

struct Stream {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> asked;
  std::size_t pieces = 0;
};

Stream Compress(const std::vector<std::uint8_t>& data, std::size_t blockBytes, unsigned threads) {
  Stream stream;
  const bool written = WriteZlibBlocks(
      data.size(), blockBytes, threads,
      [&](std::size_t index, std::span<std::uint8_t> block) {
        stream.asked.push_back(index);
        const auto start = data.begin() + static_cast<std::ptrdiff_t>(index * blockBytes);
        std::copy(start, start + static_cast<std::ptrdiff_t>(block.size()), block.begin());
      },
      [&](std::span<const std::uint8_t> piece) {
        stream.bytes.insert(stream.bytes.end(), piece.begin(), piece.end());
        ++stream.pieces;
        return true;
      });
  EXPECT_TRUE(written);
  return stream;
}

// zlib's own reader: the whole stream, its checksum, and nothing after it.
std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& stream, std::size_t expected) {
  std::vector<std::uint8_t> out(expected + 1);
  z_stream inflater{};
  EXPECT_EQ(inflateInit(&inflater), Z_OK);
  inflater.next_in = const_cast<Bytef*>(stream.data());
  inflater.avail_in = static_cast<uInt>(stream.size());
  inflater.next_out = out.data();
  inflater.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&inflater, Z_FINISH), Z_STREAM_END) << (inflater.msg ? inflater.msg : "");
  EXPECT_EQ(inflater.avail_in, 0u) << "bytes after the stream's end";
  out.resize(inflater.total_out);
  inflateEnd(&inflater);
  return out;
}

struct Case {
  std::size_t bytes;
  std::size_t blockBytes;
  unsigned threads;
  Content content;
};

TEST(ZlibBlocksTest, JoinedBlocksReadBackAsTheWholeData) {
  const std::vector<Case> cases = {
      {1, 1, 1, Content::kRuns},            // one byte, one block
      {100000, 100000, 2, Content::kRuns},  // one block: it stays the final one
      {250000, 30000, 1, Content::kRuns},   // last block partial, one thread
      {250000, 30000, 2, Content::kRuns},   // an odd number of blocks on two threads
      {250000, 30000, 3, Content::kNoise},  // stored blocks, three threads
      {400000, 65536, 2, Content::kMixed},  // Huffman and stored blocks in one block
      {300001, 70000, 4, Content::kMixed},
  };
  for (const Case& c : cases) {
    // Many seeds and sizes around each case, so that the blocks' ends fall at every bit.
    for (unsigned seed = 0; seed < 8; ++seed) {
      const std::vector<std::uint8_t> data = Data(c.bytes + seed * 13, c.content, seed);
      const Stream stream = Compress(data, c.blockBytes, c.threads);
      const std::size_t blocks = (data.size() + c.blockBytes - 1) / c.blockBytes;
      std::vector<std::size_t> inOrder(blocks);
      for (std::size_t i = 0; i < blocks; ++i) inOrder[i] = i;
      EXPECT_EQ(stream.asked, inOrder) << c.bytes << " seed " << seed;
      EXPECT_EQ(stream.pieces, blocks + 2) << "the header, a piece a block, the checksum";
      ASSERT_EQ(Inflate(stream.bytes, data.size()), data) << c.bytes << " seed " << seed;
    }
  }
}

TEST(ZlibBlocksTest, RefusedPieceStopsTheCompression) {
  const std::vector<std::uint8_t> data = Data(200000, Content::kRuns, 1);
  std::size_t pieces = 0;
  std::size_t asked = 0;
  const bool written = WriteZlibBlocks(
      data.size(), 10000, 2, [&](std::size_t, std::span<std::uint8_t>) { ++asked; },
      [&](std::span<const std::uint8_t>) { return ++pieces < 3; });
  EXPECT_FALSE(written);
  EXPECT_EQ(pieces, 3u);
  EXPECT_LT(asked, 20u) << "blocks were still painted after the refusal";
}

TEST(ZlibBlocksTest, FailingBlockSourcePassesItsError) {
  EXPECT_THROW(WriteZlibBlocks(
                   100000, 10000, 2,
                   [](std::size_t index, std::span<std::uint8_t>) {
                     if (index == 5) throw std::runtime_error("no rows");
                   },
                   [](std::span<const std::uint8_t>) { return true; }),
               std::runtime_error);
}

}  // namespace
}  // namespace orandu
