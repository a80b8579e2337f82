// Painting a region row by row into the byte layouts of the picture files, in either row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "region/RegionView.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

constexpr int kWidth = 100;
constexpr int kHeight = 70;  // three blocks of rows, the last one partial
constexpr int kFullRows = 40;
constexpr int kColumnsOfCutRow = 50;

// Forty whole rows of varied heights, then the first 50 samples of a row: the region centred at
// (4, 3) starts at grid row 0 and shows grid columns 4317 ... 4319 in its three westmost pixels.
std::vector<std::uint8_t> CutGrid() {
  std::vector<std::uint8_t> bytes(kFullRows * RowBytes + 2 * kColumnsOfCutRow);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto raw = static_cast<std::uint16_t>((i / 2 * 7919 + i / RowBytes * 131) % 20000);
    bytes[i] = static_cast<std::uint8_t>(raw & 0xFF);
    bytes[i + 1] = static_cast<std::uint8_t>(raw >> 8);
  }
  return bytes;
}

// The colour of pixel (x, y), worked out from the file's bytes; none where the file holds none.
std::optional<PackedColor> Expected(const std::vector<std::uint8_t>& grid, const ColorTable& colors,
                                    int x, int y) {
  const int column = (x + GridColumns - 3) % GridColumns;
  const std::size_t at = static_cast<std::size_t>(y) * RowBytes + 2 * column;
  if (at + 1 >= grid.size()) return std::nullopt;
  return colors[static_cast<std::uint16_t>(grid[at] | grid[at + 1] << 8)];
}

class RegionPainterTest : public ::testing::TestWithParam<PixelLayout> {
 protected:
  RegionPainterTest() : colors_(DesignTimeColorBar()) {
    view_.SetCenter(0, 0, kWidth, kHeight);
    gridPath_ = dir_.Write("cut.dos", grid_);
  }

  // Each row painted in its own buffer, between guard bytes that must stay untouched.
  std::vector<std::vector<std::uint8_t>> PaintAll(bool upwards, std::uint8_t fill) {
    const int bytesPerPixel = BytesPerPixel(GetParam());
    RegionPainter painter(view_, gridPath_, colors_, kWidth, kHeight, GetParam());
    std::vector<std::vector<std::uint8_t>> rows(
        kHeight, std::vector<std::uint8_t>(kWidth * bytesPerPixel + 2 * kGuard, fill));
    for (int i = 0; i < kHeight; ++i) {
      const int y = upwards ? kHeight - 1 - i : i;
      painter.PaintRow(y, std::span(rows[y]).subspan(kGuard, kWidth * bytesPerPixel));
    }
    return rows;
  }

  static constexpr std::size_t kGuard = 4;
  TempDir dir_;
  std::vector<std::uint8_t> grid_ = CutGrid();
  std::filesystem::path gridPath_;
  ColorTable colors_;
  RegionView view_;
};

TEST_P(RegionPainterTest, EitherRowOrderPaintsEachPixelInTheLayoutsByteOrder) {
  ASSERT_EQ(view_.CenterLon(), 4);
  ASSERT_EQ(view_.CenterLat(), 3);
  const std::uint8_t fill = GetParam() == PixelLayout::kPacked ? 0x00 : 0xAA;
  for (const bool upwards : {false, true}) {
    const auto rows = PaintAll(upwards, fill);
    for (int y = 0; y < kHeight; ++y) {
      const std::vector<std::uint8_t>& row = rows[y];
      ASSERT_TRUE(
          std::all_of(row.begin(), row.begin() + kGuard, [&](auto b) { return b == fill; }));
      ASSERT_TRUE(std::all_of(row.end() - kGuard, row.end(), [&](auto b) { return b == fill; }))
          << "row " << y << " wrote past its end";
      for (int x = 0; x < kWidth; ++x) {
        const std::optional<PackedColor> expected = Expected(grid_, colors_, x, y);
        // Black in the file layouts where the file holds no sample.
        const PackedColor color = expected.value_or(0);
        const auto red = static_cast<std::uint8_t>(color >> 16);
        const auto green = static_cast<std::uint8_t>(color >> 8);
        const auto blue = static_cast<std::uint8_t>(color);
        const std::uint8_t* pixel = row.data() + kGuard + x * BytesPerPixel(GetParam());
        switch (GetParam()) {
          case PixelLayout::kPacked: {
            PackedColor packed;
            std::memcpy(&packed, pixel, 4);
            // Pixels the file does not hold keep what the row held.
            ASSERT_EQ(packed, expected.value_or(0u)) << x << "," << y;
            break;
          }
          case PixelLayout::kBgr:
            ASSERT_EQ(std::vector<std::uint8_t>(pixel, pixel + 3),
                      (std::vector<std::uint8_t>{blue, green, red}))
                << x << "," << y;
            break;
          case PixelLayout::kRgb:
            ASSERT_EQ(std::vector<std::uint8_t>(pixel, pixel + 3),
                      (std::vector<std::uint8_t>{red, green, blue}))
                << x << "," << y;
            break;
        }
      }
    }
  }
}

TEST_P(RegionPainterTest, HandsOutTheGridRowBehindEachRegionRow) {
  RegionPainter painter(view_, gridPath_, colors_, kWidth, kHeight, GetParam());
  for (const int y : {kHeight - 1, kFullRows, kFullRows - 1, 0, 33}) {
    const std::span<const std::uint8_t> row = painter.GridRowOf(y);
    const std::size_t start = std::min(grid_.size(), static_cast<std::size_t>(y) * RowBytes);
    const std::size_t end = std::min(grid_.size(), start + RowBytes);
    EXPECT_TRUE(std::equal(row.begin(), row.end(), grid_.begin() + start, grid_.begin() + end))
        << "row " << y;
    EXPECT_EQ(row.size(), end - start) << "row " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, RegionPainterTest,
                         ::testing::Values(PixelLayout::kPacked, PixelLayout::kBgr,
                                           PixelLayout::kRgb),
                         [](const auto& test) {
                           switch (test.param) {
                             case PixelLayout::kPacked:
                               return "Packed";
                             case PixelLayout::kBgr:
                               return "Bgr";
                             case PixelLayout::kRgb:
                               return "Rgb";
                           }
                           return "";
                         });

TEST(RegionPainterEmptyBarTest, FileRowsAreBlack) {
  TempDir dir;
  const auto grid = dir.Write("grid.dos", CutGrid());
  RegionView view;
  view.SetCenter(0, 0, 8, 2);
  const ColorTable noColors{Picture{}};
  RegionPainter painter(view, grid, noColors, 8, 2, PixelLayout::kBgr);
  std::vector<std::uint8_t> row(24, 0x55);
  painter.PaintRow(1, row);
  EXPECT_EQ(row, std::vector<std::uint8_t>(24, 0));
}

}  // namespace
}  // namespace orandu
