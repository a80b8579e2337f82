// Writing picture files row by row: the order rows are asked for, the bytes, and failures.
#include "region/picture/PictureWriters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::TempDir;

// 10000 pixels a row: 30000 bytes, so that a 64 KiB block of rows holds two of them and five
// rows make three blocks, the last one partial.
constexpr int kWideWidth = 10000;
constexpr int kWideHeight = 5;

std::uint8_t ByteAt(int y, std::size_t i) {
  return static_cast<std::uint8_t>(y * 31 + i * 7);
}

// An RGB JPEG at the best quality, colour at every pixel, in the writers' common form.
void WriteFineJpegRows(const std::filesystem::path& path, int width, int height,
                       const RowSource& paintRow) {
  WriteJpegRows(path, width, height, {.quality = 100, .fullChroma = true}, paintRow);
}

TEST(BmpRowsTest, AsksForRowsBottomUpAndWritesThemInThatOrder) {
  TempDir dir;
  std::vector<int> asked;
  WriteBmpRows(dir / "wide.bmp", kWideWidth, kWideHeight, [&](int y, std::span<std::uint8_t> row) {
    asked.push_back(y);
    ASSERT_EQ(row.size(), std::size_t{kWideWidth} * 3);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = ByteAt(y, i);
  });
  EXPECT_EQ(asked, (std::vector<int>{4, 3, 2, 1, 0}));
  const std::vector<std::uint8_t> bytes = ReadFile(dir / "wide.bmp");
  ASSERT_EQ(bytes.size(), 54u + 30000u * 5u);
  for (int fileRow = 0; fileRow < kWideHeight; ++fileRow) {
    const int y = kWideHeight - 1 - fileRow;
    for (std::size_t i = 0; i < 30000; ++i) {
      ASSERT_EQ(bytes[54 + fileRow * 30000 + i], ByteAt(y, i)) << "row " << y << " byte " << i;
    }
  }
}

TEST(PngRowsTest, AsksForRowsTopDown) {
  TempDir dir;
  std::vector<int> asked;
  WritePngRows(dir / "rows.png", 3, 4, [&](int y, std::span<std::uint8_t> row) {
    asked.push_back(y);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = ByteAt(y, i);
  });
  EXPECT_EQ(asked, (std::vector<int>{0, 1, 2, 3}));
  const Picture back = DecodePng(ReadFile(dir / "rows.png"));
  EXPECT_EQ(back.at(2, 3), (Rgb{ByteAt(3, 6), ByteAt(3, 7), ByteAt(3, 8)}));
}

// Rows compressed in many blocks on several cores, some compressing well and some not at all:
// libpng reads back every pixel, the rows in order.
TEST(PngRowsTest, ManyBlocksOfRowsReadBackExactly) {
  TempDir dir;
  constexpr int kWidth = 4320;
  constexpr int kHeight = 301;
  const auto byteAt = [](int y, std::size_t i) {
    return y % 3 == 0 ? static_cast<std::uint8_t>((i * 2654435761u + y * 40503u) >> 13)
                      : static_cast<std::uint8_t>(i / 97 + y);
  };
  WritePngRows(dir / "blocks.png", kWidth, kHeight, [&](int y, std::span<std::uint8_t> row) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = byteAt(y, i);
  });
  const Picture back = DecodePng(ReadFile(dir / "blocks.png"));
  ASSERT_EQ(back.width, kWidth);
  ASSERT_EQ(back.height, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(x) * 3;
      ASSERT_EQ(back.at(x, y), (Rgb{byteAt(y, i), byteAt(y, i + 1), byteAt(y, i + 2)}))
          << x << "," << y;
    }
  }
}

// 400 x 300 of noise compresses to several pieces of 64 KiB: every piece reaches the file, the
// rows in order, and the project's decoder reads back each pixel within the rounding of the
// best quality's coding.
TEST(JpegRowsTest, AsksForRowsTopDownAndReadsBackClose) {
  TempDir dir;
  constexpr int kWidth = 400;
  constexpr int kHeight = 300;
  const auto byteAt = [](int y, std::size_t i) {
    return static_cast<std::uint8_t>((i * 2654435761u + y * 40503u) >> 13);
  };
  std::vector<int> asked;
  WriteFineJpegRows(dir / "noise.jpg", kWidth, kHeight, [&](int y, std::span<std::uint8_t> row) {
    asked.push_back(y);
    ASSERT_EQ(row.size(), std::size_t{kWidth} * 3);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = byteAt(y, i);
  });
  ASSERT_EQ(asked.size(), std::size_t{kHeight});
  EXPECT_EQ(asked.front(), 0);
  EXPECT_TRUE(std::adjacent_find(asked.begin(), asked.end(),
                                 [](int a, int b) { return b != a + 1; }) == asked.end());
  const std::vector<std::uint8_t> bytes = ReadFile(dir / "noise.jpg");
  ASSERT_GT(bytes.size(), std::size_t{128} * 1024);
  const Picture back = DecodeJpeg(bytes);
  ASSERT_EQ(back.width, kWidth);
  ASSERT_EQ(back.height, kHeight);
  // Colour conversion and the DCT round each sample a little even at the best quality.
  constexpr int kLargestLoss = 6;
  int largest = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(x) * 3;
      const Rgb got = back.at(x, y);
      for (const auto& [channel, at] :
           {std::pair{got.red, i}, {got.green, i + 1}, {got.blue, i + 2}}) {
        largest = std::max(largest, std::abs(channel - byteAt(y, at)));
      }
    }
  }
  EXPECT_LE(largest, kLargestLoss);
}

// The coding's choices reach the file: a progressive, arithmetic-coded grey picture starts its
// frame with the marker of exactly that (FF CA) and reads back grey.
TEST(JpegRowsTest, ProgressiveArithmeticGreyIsCodedSo) {
  const JpegCoding coding{.quality = 100,
                          .colours = JpegColours::kGrey,
                          .progression = JpegProgression::kProgressive,
                          .arithmeticCoding = true};
  const std::vector<std::uint8_t> bytes =
      EncodeJpegRows(16, 16, coding, [](int, std::span<std::uint8_t> row) {
        ASSERT_EQ(row.size(), 16u);
        std::fill(row.begin(), row.end(), std::uint8_t{200});
      });
  const std::vector<std::uint8_t> arithmeticProgressive = {0xFF, 0xCA};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), arithmeticProgressive.begin(),
                        arithmeticProgressive.end()),
            bytes.end());
  const Picture back = DecodeJpeg(bytes);
  ASSERT_EQ(back.pixels.size(), 256u);
  for (const Rgb& pixel : back.pixels) EXPECT_EQ(pixel, (Rgb{200, 200, 200}));
}

// A row source that fails part way leaves the old file whole and no temporary behind.
TEST(PictureRowsTest, FailingRowSourceKeepsTheOldFile) {
  TempDir dir;
  for (const auto& write : {WriteBmpRows, WritePngRows, WriteFineJpegRows}) {
    const auto target = dir.Write("keep", std::string("old"));
    EXPECT_THROW(write(target, kWideWidth, kWideHeight,
                       [](int y, std::span<std::uint8_t>) {
                         if (y == 1) throw OranduError("read failed");
                       }),
                 OranduError);
    EXPECT_EQ(ReadFile(target), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

// A folder that does not exist fails at once: no row is painted for a file that cannot be made.
TEST(PictureRowsTest, UnwritableTargetFailsBeforeAnyRowIsPainted) {
  TempDir dir;
  const auto target = dir / "missing" / "region";
  for (const auto& write : {WriteBmpRows, WritePngRows, WriteFineJpegRows}) {
    int asked = 0;
    try {
      write(target, 4, 3, [&](int, std::span<std::uint8_t>) { ++asked; });
      ADD_FAILURE() << "no error";
    } catch (const OranduError& error) {
      EXPECT_EQ(error.what(), target.string() + " に書き込めません");
    }
    EXPECT_EQ(asked, 0);
  }
}

TEST(PictureRowsTest, RefusesMoreThanTheLargestPictureBeforeWriting) {
  TempDir dir;
  int asked = 0;
  const auto count = [&](int, std::span<std::uint8_t>) { ++asked; };
  try {
    WriteBmpRows(dir / "huge.bmp", 8193, 8192, count);
    ADD_FAILURE() << "no error";
  } catch (const OranduError& error) {
    EXPECT_STREQ(error.what(), "画像が大きすぎます (8193 x 8192 ピクセル)");
  }
  EXPECT_THROW(WritePngRows(dir / "huge.png", 8192, 8193, count), OranduError);
  EXPECT_THROW(WriteFineJpegRows(dir / "huge.jpg", 8192, 8193, count), OranduError);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace orandu
