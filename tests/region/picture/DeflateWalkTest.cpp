// Finding a raw deflate stream's final block and its end, in hand-made and zlib-made streams.
#include "region/picture/DeflateWalk.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace orandu {
namespace {

std::vector<std::uint8_t> RawDeflate(const std::vector<std::uint8_t>& data) {
  z_stream deflater{};
  EXPECT_EQ(deflateInit2(&deflater, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<std::uint8_t> out(deflateBound(&deflater, data.size()));
  deflater.next_in = const_cast<Bytef*>(data.data());
  deflater.avail_in = static_cast<uInt>(data.size());
  deflater.next_out = out.data();
  deflater.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&deflater, Z_FINISH), Z_STREAM_END);
  out.resize(deflater.total_out);
  deflateEnd(&deflater);
  return out;
}

struct Row {
  const char* what;
  std::vector<std::uint8_t> stream;
  std::size_t header;
  std::size_t end;
};

TEST(DeflateWalkTest, FindsTheFinalBlockAndTheLastBit) {
  const std::vector<Row> rows = {
      // zlib's empty stream: one final fixed-code block holding only its 7-bit end code.
      {"empty", {0x03, 0x00}, 0, 10},
      // An empty fixed-code block (10 bits), then a final stored block of "abc" from bit 10,
      // its lengths on the next byte.
      {"fixed then stored", {0x02, 0x04, 0x03, 0x00, 0xfc, 0xff, 'a', 'b', 'c'}, 10, 72},
  };
  for (const Row& row : rows) {
    const std::optional<FinalBlockBits> found = FindFinalBlock(row.stream);
    ASSERT_TRUE(found) << row.what;
    EXPECT_EQ(found->header, row.header) << row.what;
    EXPECT_EQ(found->end, row.end) << row.what;
  }
}

// zlib's dynamic-code blocks end in the stream's last byte: every shorter stream is cut.
TEST(DeflateWalkTest, CutAndMalformedStreamsAreRefused) {
  std::vector<std::uint8_t> data(300000);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i % 5000 < 2500 ? i * i >> 7 : i / 400);
  const std::vector<std::uint8_t> stream = RawDeflate(data);
  const std::optional<FinalBlockBits> whole = FindFinalBlock(stream);
  ASSERT_TRUE(whole);
  EXPECT_EQ((whole->end + 7) / 8, stream.size());
  EXPECT_GT(whole->header, 0u) << "zlib wrote more than one block";
  for (std::size_t size = 0; size < stream.size(); size += 97) {
    EXPECT_FALSE(FindFinalBlock(std::span(stream).first(size))) << size;
  }
  EXPECT_FALSE(FindFinalBlock(std::span(stream).first(stream.size() - 1)));
  EXPECT_FALSE(FindFinalBlock(std::vector<std::uint8_t>{0x07})) << "block type 3";
  EXPECT_FALSE(
      FindFinalBlock(std::vector<std::uint8_t>{0x01, 0x03, 0x00, 0xfc, 0xfe, 'a', 'b', 'c'}))
      << "a stored length whose complement is wrong";
}

}  // namespace
}  // namespace orandu
