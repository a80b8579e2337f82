// Painting zoomed: the sample or the block mean each pixel shows, worked out here from the rules
// as a user reads them, the pull-back with the area's size in samples, shading and the read-out.
#include "region/ZoomedPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>

#include "region/ShownSamples.h"
#include "region/files/Errors.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoomedOutBlocks.h"

namespace orandu {
namespace {

using testing::GlobalGridShape;
using testing::TempDir;

using testing::FloorDiv;
using testing::MixedHeight;
using testing::RoundHalfEven;

// What a pixel shows: a height, or nothing (the surface keeps its black).
struct Region {
  const char* name;
  GlobalGridShape shape;
  int lon, lat, width, height;
  const char* zoom;
};

// Zoomed out by k: the block ZoomedOutBlock places there, the mean of the samples it holds.
std::optional<int> ZoomedOutHeight(const Region& region, int k, int x, int y) {
  const GlobalGridShape& shape = region.shape;
  const double n = static_cast<double>(shape.samplesPerDegree) / shape.degreesPerSample;
  const int c = static_cast<int>(std::floor(region.lon * n));
  const int r = static_cast<int>(std::floor(region.lat * n));
  const testing::Block block =
      testing::ZoomedOutBlock(r, c, k, shape.Columns(), region.width, region.height, x, y);
  if (block.row >= (shape.Rows() + k - 1) / k) return std::nullopt;
  return testing::BlockMean(k, block, shape.Rows(), shape.Columns(), MixedHeight);
}

// Zoomed in by k: pixel x shows column c + floor((x - round(W / 2) - 1) / k); an area reaching
// above the grid shows the first row's k pixel rows at its top.
std::optional<int> ZoomedInHeight(const Region& region, int k, int x, int y) {
  const GlobalGridShape& shape = region.shape;
  const double n = static_cast<double>(shape.samplesPerDegree) / shape.degreesPerSample;
  const int c = static_cast<int>(std::floor(region.lon * n));
  const int r = static_cast<int>(std::floor(region.lat * n));
  const int topOffset = r * k - RoundHalfEven(region.height / 2.0) - 1;
  const int row =
      topOffset < 0 ? y / k : r + FloorDiv(y - RoundHalfEven(region.height / 2.0) - 1, k);
  if (row >= shape.Rows()) return std::nullopt;
  const int column =
      ((c + FloorDiv(x - RoundHalfEven(region.width / 2.0) - 1, k)) % shape.Columns() +
       shape.Columns()) %
      shape.Columns();
  return MixedHeight(row, column);
}

class ZoomedPaintTest : public ::testing::TestWithParam<Region> {};

TEST_P(ZoomedPaintTest, EveryPixelShowsTheBlockMeanOrTheSampleTheLevelPlacesThere) {
  const Region& region = GetParam();
  const ZoomLevel zoom = *ZoomLevel::Parse(region.zoom);
  const TempDir dir;
  const auto grid = testing::WriteHeaderGrid(dir, "grid", region.shape, MixedHeight);
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  RegionView view;
  view.SetGrid(HeightGrid(grid).Geometry());
  view.PlaceCenter(region.lon, region.lat);
  view.SetZoom(zoom);
  PixelBuffer surface(region.width, region.height);
  ShownSamples shown;
  view.PaintRegion(grid, colors, surface, shown);
  for (int y = 0; y < region.height; ++y) {
    for (int x = 0; x < region.width; ++x) {
      const auto height = zoom.IsZoomedOut() ? ZoomedOutHeight(region, zoom.Factor(), x, y)
                                             : ZoomedInHeight(region, zoom.Factor(), x, y);
      const PackedColor expected = height ? Pack(*BarColor(bar, *height)) : kBlack;
      ASSERT_EQ(surface.At(x, y), expected) << "pixel " << x << "," << y;
      if (x % 7 == 0 && y % 5 == 0) {
        ASSERT_EQ(shown.HeightUnderPixel(x, y), height) << "pixel " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ZoomedPaintTest,
    ::testing::Values(
        // 1° samples on both poles, 360 x 181: across the seam, where the last block holds
        // 360 - 64 * 5 = 40 columns at 1/64, and down past the south pole's partial blocks.
        Region{"HalfAcrossTheSeam", {1, 1, false}, 3, 20, 50, 30, "1/2"},
        Region{"QuarterToTheSouthPole", {1, 1, false}, 200, 170, 61, 40, "1/4"},
        Region{"SixtyFourthWiderThanTheGrid", {1, 1, false}, 100, 90, 15, 9, "1/64"},
        // 30′ cells: the north pole's side, the area reaching above the first block row.
        Region{"EighthNorthOfTheGrid", {2, 1, true}, 358, 2, 101, 31, "1/8"},
        // Samples as 2 x 2 and 8 x 8 blocks, odd sizes, across the seam and past both poles.
        Region{"TwoAcrossTheSeamAtTheNorthPole", {1, 1, false}, 0, 3, 41, 33, "2"},
        Region{"EightToTheSouthPole", {2, 1, true}, 359, 179, 77, 90, "8"},
        Region{"FourInTheMiddle", {1, 2, false}, 181, 91, 64, 64, "4"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ZoomedPaintTest, ZoomedInShadingIsTheShadingOfEachSampleAtOneToOne) {
  const TempDir dir;
  const GlobalGridShape shape{2, 1, false};
  const auto grid = testing::WriteHeaderGrid(dir, "grid", shape, [](int row, int column) {
    return (row * 37 + column * 11) % 3000 - (row % 7) * 200;
  });
  const ColorTable colors(DesignTimeColorBar());
  RegionView view;
  view.SetGrid(HeightGrid(grid).Geometry());
  view.SetShading(Light{});
  view.PlaceCenter(0, 40);
  // 1:1 over the same samples: 40 x 20 pixels about the centre show columns -21 ... 18.
  PixelBuffer one(40, 20);
  view.PaintRegion(grid, colors, one);
  view.SetZoom(*ZoomLevel::In(4));
  PixelBuffer four(160, 80);
  view.PaintRegion(grid, colors, four);
  // At 4:1 pixel x shows column c + floor((x - 81) / 4), which 1:1 shows at pixel
  // floor((x - 81) / 4) + 21; rows likewise, 41 and 11.
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 160; ++x) {
      const int oneX = FloorDiv(x - 81, 4) + 21;
      const int oneY = FloorDiv(y - 41, 4) + 11;
      if (oneX < 0 || oneX >= 40 || oneY < 0 || oneY >= 20) continue;
      ASSERT_EQ(four.At(x, y), one.At(oneX, oneY)) << x << "," << y;
    }
  }
}

TEST(ZoomedPaintTest, ZoomedOutShadingIsTheShadingOfAGridOfTheBlockMeans) {
  // 1° cells at 1/2 are 2° cells: their means, written as a grid of 2° cells, shaded at 1:1 about
  // the same place, are the picture shaded at 1/2.
  const TempDir dir;
  const GlobalGridShape fine{1, 1, true};
  const auto heightOf = [](int row, int column) {
    return (row * 37 + column * 11) % 3000 - (row % 7) * 200 + (column % 5) * 90;
  };
  const auto grid = testing::WriteHeaderGrid(dir, "fine", fine, heightOf);
  const auto means = testing::WriteHeaderGrid(dir, "means", {1, 2, true}, [&](int row, int column) {
    const int sum = heightOf(2 * row, 2 * column) + heightOf(2 * row, 2 * column + 1) +
                    heightOf(2 * row + 1, 2 * column) + heightOf(2 * row + 1, 2 * column + 1);
    return RoundHalfEven(sum / 4.0);
  });
  const ColorTable colors(DesignTimeColorBar());
  for (const Light& light : {Light{}, Light{.multidirectional = true}}) {
    RegionView view;
    view.SetShading(light);
    view.PlaceCenter(3, 160);  // across the seam and down to the south pole
    PixelBuffer expected(60, 40);
    view.PaintRegion(means, colors, expected);
    view.SetZoom(*ZoomLevel::Out(2));
    PixelBuffer zoomed(60, 40);
    view.PaintRegion(grid, colors, zoomed);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 60; ++x) {
        ASSERT_EQ(zoomed.At(x, y), expected.At(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(ZoomedPaintTest, AShortEtopoFileKeepsWhatTheSurfaceHeldPastItsEnd) {
  // Three whole rows of 100 m and part of a fourth: zoomed in, the cut row paints the columns
  // it holds; zoomed out, the blocks of the whole rows alone.
  const TempDir dir;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(RowBytes) * 3 + 20, 0);
  for (std::size_t at = 0; at < bytes.size(); at += 2) bytes[at] = 100;
  const auto grid = dir.Write("short.dos", bytes);
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  const PackedColor hundred = Pack(*BarColor(bar, 100));
  RegionView view;
  view.PlaceCenter(0, 0);  // the area reaches above the grid: row 0 at the top
  view.SetZoom(*ZoomLevel::In(2));
  PixelBuffer in(30, 12);
  // Each row of the surface holds its own colour before the paint, so that a pixel the paint
  // leaves shows which row it is in.
  for (int y = 0; y < 12; ++y) std::fill_n(in.Row(y), 30, kBlack + static_cast<PackedColor>(y));
  view.PaintRegion(grid, colors, in);
  // Pixel x shows column floor((x - 16) / 2): columns 0 ... 6 from pixel 16 on; 10 samples held.
  EXPECT_EQ(in.At(16, 5), hundred);
  EXPECT_EQ(in.At(29, 7), hundred);     // row 3, column 6
  EXPECT_EQ(in.At(29, 8), kBlack + 8);  // row 4: past the end
  // Row 3, column 4312: past the cut, in both of the row's pixel rows.
  EXPECT_EQ(in.At(0, 6), kBlack + 6);
  EXPECT_EQ(in.At(0, 7), kBlack + 7);
  view.SetZoom(*ZoomLevel::Out(2));
  PixelBuffer out(30, 4);
  view.PaintRegion(grid, colors, out);
  EXPECT_EQ(out.At(0, 0), hundred);
  EXPECT_EQ(out.At(29, 1), hundred);  // rows 2 and 3 of the cut row: only row 2 held
  EXPECT_EQ(out.At(0, 2), kBlack);
}

// ---- The pull-back at a level ------------------------------------------------------------

struct ZoomedPick {
  const char* zoom;
  int lon, lat, width, height;
  int centerLon, centerLat;
};

class ZoomedPullBackTest : public ::testing::TestWithParam<ZoomedPick> {};

TEST_P(ZoomedPullBackTest, KeepsHalfTheAreasSamplesFromTheEdges) {
  const ZoomedPick& pick = GetParam();
  RegionView view;
  view.SetZoom(*ZoomLevel::Parse(pick.zoom));
  view.SetCenter(pick.lon, pick.lat, pick.width, pick.height);
  EXPECT_EQ(view.CenterLon(), pick.centerLon);
  EXPECT_EQ(view.CenterLat(), pick.centerLat);
}

INSTANTIATE_TEST_SUITE_P(
    EtopoFive, ZoomedPullBackTest,
    ::testing::Values(
        // 488 x 441 at 1/4 is 1952 x 1764 samples: round(1952 / 24) = 81, 1764 / 24 = 73.5 -> 74.
        ZoomedPick{"1/4", 0, 0, 488, 441, 81, 74}, ZoomedPick{"1/4", 400, 400, 488, 441, 278, 105},
        // At 2:1 244 x 220.5 samples: 488 / 48 = 10.17 -> 10, 441 / 48 = 9.19 -> 9.
        ZoomedPick{"2", 0, 0, 488, 441, 10, 9}, ZoomedPick{"2", 400, 400, 488, 441, 349, 170},
        // 8:1, 60 / 192 = 0.31 -> 0 and 144 / 192 = 0.75 -> 1.
        ZoomedPick{"8", 0, 0, 60, 144, 0, 1},
        // Wider and taller than the grid: the centre goes to the grid's middle, from either side.
        ZoomedPick{"1/64", 0, 0, 488, 441, 179, 89},
        ZoomedPick{"1/64", 300, 170, 488, 441, 179, 89}));

TEST(ZoomedPullBackTest, AMoveStopsWhereAPickAtTheLevelWouldBePulledBackTo) {
  RegionView view;
  view.SetZoom(*ZoomLevel::Out(4));
  view.PlaceCenter(100, 100);
  view.MoveCenter(50, 130, 488, 441);
  EXPECT_EQ(view.CenterLon(), 81);  // as far as the pull-back at 1/4 allows
  EXPECT_EQ(view.CenterLat(), 105);
}

}  // namespace
}  // namespace orandu
