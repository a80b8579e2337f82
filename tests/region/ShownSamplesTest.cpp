// The rows kept from a paint: which sample lies under a pixel, its height, and the pixels the
// paint did not reach.
#include "region/ShownSamples.h"

#include <gtest/gtest.h>

#include "region/RegionView.h"
#include "region/files/Errors.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// ---- SampleUnderPixel --------------------------------------------------------------------

struct Pixel {
  int centerLon, centerLat, width, height, x, y;
  std::optional<GridSample> sample;
};

class SampleUnderPixelTest : public ::testing::TestWithParam<Pixel> {};

TEST_P(SampleUnderPixelTest, FollowsThePaintsPlacing) {
  const Pixel& p = GetParam();
  EXPECT_EQ(SampleUnderPixel(p.centerLon, p.centerLat, p.width, p.height, p.x, p.y), p.sample);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, SampleUnderPixelTest,
    ::testing::Values(Pixel{200, 100, 488, 441, 0, 0, GridSample{979, 2155}},
                      Pixel{200, 100, 488, 441, 487, 440, GridSample{1419, 2642}},
                      // A first row above the grid shows the top rows unshifted; columns wrap.
                      Pixel{20, 18, 488, 441, 0, 0, GridSample{0, 4315}},
                      Pixel{20, 18, 488, 441, 5, 3, GridSample{3, 0}},
                      Pixel{339, 161, 700, 441, 699, 0, GridSample{1711, 96}},
                      Pixel{200, 100, 488, 441, 488, 0, std::nullopt},
                      Pixel{200, 100, 488, 441, 0, -1, std::nullopt},
                      // Taller than the grid: below its last row there is no sample.
                      Pixel{180, 90, 10, 3000, 0, 2159, GridSample{2159, 2154}},
                      Pixel{180, 90, 10, 3000, 0, 2160, std::nullopt}));

// ---- What a paint showed --------------------------------------------------------------

// Height of the synthetic grid's sample: every place its own, below and above sea level.
int HeightOf(int row, int column) {
  return (row * 31 + column * 7) % 20001 - 10000;
}

std::vector<std::uint8_t> GridBytes(int rows) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rows) * RowBytes);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < GridColumns; ++c) {
      const auto raw = static_cast<std::uint16_t>(HeightOf(r, c));  // depths wrap to 55536 ...
      bytes[static_cast<std::size_t>(r) * RowBytes + 2 * c] = static_cast<std::uint8_t>(raw);
      bytes[static_cast<std::size_t>(r) * RowBytes + 2 * c + 1] =
          static_cast<std::uint8_t>(raw >> 8);
    }
  }
  return bytes;
}

constexpr PackedColor kStale = 0xFF123456u;

class ShownSamplesTest : public ::testing::Test {
 protected:
  // Paints the view into a surface that holds stale pixels, keeping the rows.
  PixelBuffer PaintKept(const std::filesystem::path& grid, const ColorTable& colors) {
    PixelBuffer surface(width_, height_);
    for (int y = 0; y < height_; ++y) std::fill_n(surface.Row(y), width_, kStale);
    try {
      view_.PaintRegion(grid, colors, surface, shown_);
    } catch (const OranduError&) {
    }
    shown_.FillUnpainted(kBlack, surface);
    return surface;
  }

  // The plain paint into a black surface, which is what the window showed before.
  PixelBuffer PaintPlain(const std::filesystem::path& grid, const ColorTable& colors) {
    PixelBuffer surface(width_, height_);
    try {
      view_.PaintRegion(grid, colors, surface);
    } catch (const OranduError&) {
    }
    return surface;
  }

  static void ExpectSamePixels(const PixelBuffer& kept, const PixelBuffer& plain) {
    for (int y = 0; y < kept.Height(); ++y) {
      for (int x = 0; x < kept.Width(); ++x)
        ASSERT_EQ(kept.At(x, y), plain.At(x, y)) << x << "," << y;
    }
  }

  std::optional<HeightSample> HeightUnder(int x, int y) {
    const auto sample =
        SampleUnderPixel(view_.CenterLon(), view_.CenterLat(), width_, height_, x, y);
    return sample ? shown_.HeightAt(*sample) : std::nullopt;
  }

  TempDir dir_;
  int width_ = 60;
  int height_ = 40;
  RegionView view_;
  ShownSamples shown_;
  ColorTable colors_{DesignTimeColorBar()};
};

TEST_F(ShownSamplesTest, GivesTheHeightPaintedAtEachPixelAndPaintsTheSame) {
  const auto grid = dir_.Write("grid.dos", GridBytes(GridRows));
  view_.SetCenter(0, 0, width_, height_);  // centre (2, 2): rows from 3, columns from 4313
  ExpectSamePixels(PaintKept(grid, colors_), PaintPlain(grid, colors_));
  EXPECT_EQ(HeightUnder(0, 0), 283);      // row 3, column 4313
  EXPECT_EQ(HeightUnder(59, 39), -8334);  // row 42, column 52, a turn further east
}

TEST_F(ShownSamplesTest, ShortFileHoldsOnlyWhatItHasAndTheRestIsBlack) {
  auto bytes = GridBytes(3);
  bytes.resize(2 * RowBytes + 2 * 10 + 1);  // two rows, ten samples and a lone byte
  const auto grid = dir_.Write("short.dos", bytes);
  height_ = 60;
  view_.SetCenter(0, 0, width_, height_);  // rows from 0 unshifted, columns from 4313
  const PixelBuffer kept = PaintKept(grid, colors_);
  ExpectSamePixels(kept, PaintPlain(grid, colors_));
  EXPECT_EQ(HeightUnder(0, 1), 221);           // row 1, column 4313
  EXPECT_EQ(HeightUnder(0, 2), std::nullopt);  // column 4313 of the short row is missing
  EXPECT_EQ(HeightUnder(16, 2), -9875);        // column 9 is its last sample
  EXPECT_EQ(HeightUnder(17, 2), std::nullopt);
  EXPECT_EQ(HeightUnder(0, 3), std::nullopt);
  EXPECT_EQ(kept.At(17, 2), kBlack);
  EXPECT_EQ(kept.At(59, 59), kBlack);
}

// Zoomed in by 2 at (0°, 90° N), not pulled back: pixel rows 0 and 1 show row 0, 2 and 3 row 1,
// 4 and 5 the cut row 2, and below that the file holds nothing; the centre's column 0 starts at
// pixel round(60 / 2) + 1 = 31, so pixel x shows column floor((x - 31) / 2), wrapped.
TEST_F(ShownSamplesTest, ZoomedInACutFileIsBlackWhereItEndsAndNowhereElse) {
  auto bytes = GridBytes(3);
  bytes.resize(2 * RowBytes + 2 * 10);  // two rows and ten samples
  const auto grid = dir_.Write("short.dos", bytes);
  view_.SetZoom(*ZoomLevel::In(2));
  view_.PlaceCenter(0, 0);
  const PixelBuffer kept = PaintKept(grid, colors_);
  const auto colourOf = [&](int row, int column) {
    return colors_[static_cast<std::uint16_t>(HeightOf(row, column))];
  };
  EXPECT_EQ(kept.At(0, 0), colourOf(0, 4304));
  EXPECT_EQ(kept.At(59, 3), colourOf(1, 14));
  EXPECT_EQ(kept.At(30, 5), kBlack);          // column 4319 of the cut row is missing
  EXPECT_EQ(kept.At(31, 5), colourOf(2, 0));  // column 0 is there, and so is column 9
  EXPECT_EQ(kept.At(50, 4), colourOf(2, 9));
  EXPECT_EQ(kept.At(51, 4), kBlack);  // column 10 is not
  for (int y = 6; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) ASSERT_EQ(kept.At(x, y), kBlack) << x << "," << y;
  }
}

TEST_F(ShownSamplesTest, EmptyBarAndFailedOpenKeepNothingAndBlackenEverything) {
  const auto grid = dir_.Write("grid.dos", GridBytes(GridRows));
  view_.SetCenter(100, 50, width_, height_);
  PaintKept(grid, colors_);
  ASSERT_TRUE(HeightUnder(3, 3));
  for (const auto& [path, colors] :
       {std::pair{grid, ColorTable(Picture{})}, {dir_ / "missing.dos", colors_}}) {
    const PixelBuffer kept = PaintKept(path, colors);
    EXPECT_EQ(HeightUnder(3, 3), std::nullopt) << path;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) ASSERT_EQ(kept.At(x, y), kBlack) << path;
    }
  }
}

TEST_F(ShownSamplesTest, GridGoneAfterThePaintGivesNoHeightAndRaisesNothing) {
  const auto grid = dir_.Write("grid.dos", GridBytes(GridRows));
  view_.SetCenter(100, 50, width_, height_);
  PaintKept(grid, colors_);
  std::filesystem::remove(grid);
  EXPECT_EQ(HeightUnder(3, 3), std::nullopt);
}

TEST_F(ShownSamplesTest, SmallerAreaAfterALargerOneLooksUpOnlyItsOwnRows) {
  const auto grid = dir_.Write("grid.dos", GridBytes(GridRows));
  height_ = 100;
  view_.SetCenter(100, 50, width_, height_);
  PaintKept(grid, colors_);
  height_ = 20;
  ExpectSamePixels(PaintKept(grid, colors_), PaintPlain(grid, colors_));
  const int firstRow = FirstRow(50, 20);
  EXPECT_EQ(shown_.HeightAt({firstRow + 19, 5}), HeightOf(firstRow + 19, 5));
  EXPECT_EQ(shown_.HeightAt({firstRow + 20, 5}), std::nullopt);
  EXPECT_EQ(shown_.HeightAt({firstRow - 1, 5}), std::nullopt);
}

}  // namespace
}  // namespace orandu
