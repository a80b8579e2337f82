// Zooming about a pixel: the sample under it stays under it from level to level, the centre comes
// back after zooming out and in again, and drags scale with the level.
#include "region/ZoomNavigation.h"

#include <gtest/gtest.h>

#include "region/ShownSamples.h"
#include "region/ZoomedPainter.h"
#include "region/grid/HeightGrid.h"

namespace orandu {
namespace {

constexpr int kWidth = 488, kHeight = 441;

ZoomLevel Level(int exponent) {
  return exponent < 0 ? *ZoomLevel::Out(1 << -exponent) : *ZoomLevel::In(1 << exponent);
}

// The sample a level shows at a pixel, zoomed out the block's first; and the block's size.
struct Shown {
  GridSample first;
  int size;
};

Shown SampleShown(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom, int x, int y,
                  int height = kHeight) {
  const GridSample cell = ZoomedCellUnderPixel(grid, center, zoom, kWidth, height, x, y);
  if (!zoom.IsZoomedOut()) return {cell, 1};
  const int k = zoom.Factor();
  return {{cell.row * k, cell.column * k}, k};
}

bool Holds(const Shown& block, GridSample sample) {
  return sample.row >= block.first.row && sample.row < block.first.row + block.size &&
         sample.column >= block.first.column && sample.column < block.first.column + block.size;
}

// Every step between neighbouring levels, in and out, at pixels across the area: what the finer
// of the two shows under the pixel lies in what the coarser shows there. The area is 21 pixels
// high around row 1104, so that even at 1/64 (blocks 6 ... 26 of 64 rows) it lies inside the
// grid: where an area reaches past the grid's top the rows shown start there whatever the
// centre, and no centre can keep a point in place.
TEST(ZoomNavigationTest, ThePointUnderThePixelStaysUnderItAcrossEveryStep) {
  const GridGeometry grid = kEtopo5Geometry;
  constexpr int kLowHeight = 21;
  const LatticePoint start = DegreePoint(140, 92);
  for (int exponent = ZoomLevel::kMostOutExponent; exponent < ZoomLevel::kMostInExponent;
       ++exponent) {
    const ZoomLevel farther = Level(exponent);
    const ZoomLevel closer = Level(exponent + 1);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{245, 11}, std::pair{100, 20},
                               std::pair{487, 7}, std::pair{333, 15}}) {
      // In: the sample the closer level shows lies in the block (or is the sample) shown before.
      const Shown before = SampleShown(grid, start, farther, x, y, kLowHeight);
      const LatticePoint in =
          CenterZoomedAbout(grid, start, farther, closer, kWidth, kLowHeight, x, y);
      const Shown after = SampleShown(grid, in, closer, x, y, kLowHeight);
      EXPECT_TRUE(Holds(before, after.first)) << exponent << " in at " << x << "," << y;
      // Out from there: the block shown holds the sample that was under the pixel.
      const LatticePoint out =
          CenterZoomedAbout(grid, in, closer, farther, kWidth, kLowHeight, x, y);
      EXPECT_TRUE(Holds(SampleShown(grid, out, farther, x, y, kLowHeight), after.first))
          << exponent << " out at " << x << "," << y;
    }
  }
}

// 1:1 to 2 about pixel (0, 0) of ETOPO5 around (140°, 60°): (0, 0) shows column 1680 - 245 =
// 1435 and row 720 - 221 = 499 (round(441 / 2) = 220, plus one); at 2 the centre's sample
// starts at pixel 245, so c - floor(245 / 2) = 1435 gives c = 1435 + 123 = 1558 (-(-245 / 2)
// rounds down to -123), and the row 499 + 111 = 610.
TEST(ZoomNavigationTest, ZoomingInAboutTheCornerMovesTheCentreTowardsIt) {
  const LatticePoint in =
      CenterZoomedAbout(kEtopo5Geometry, DegreePoint(140, 60), ZoomLevel::OneToOne(),
                        *ZoomLevel::In(2), kWidth, kHeight, 0, 0);
  const std::int64_t spacing = kEtopo5Geometry.Spacing();
  EXPECT_EQ(in.lon, 1558 * spacing);
  EXPECT_EQ(in.lat, 610 * spacing);
}

// About the centre pixel, out and back in: the same centre, the sample's place in its block kept.
TEST(ZoomNavigationTest, OutAndBackInAboutTheCentreReturnsToTheSameCentre) {
  const GridGeometry grid = kEtopo5Geometry;
  const std::int64_t spacing = grid.Spacing();
  const LatticePoint center{1683 * spacing, 725 * spacing};  // 1 into their blocks of 2
  const int x = 245, y = 221;
  const LatticePoint out = CenterZoomedAbout(grid, center, ZoomLevel::OneToOne(),
                                             *ZoomLevel::Out(2), kWidth, kHeight, x, y);
  EXPECT_EQ(out, center);
  EXPECT_EQ(CenterZoomedAbout(grid, out, *ZoomLevel::Out(2), ZoomLevel::OneToOne(), kWidth, kHeight,
                              x, y),
            center);
}

// Zooming in about a pixel near 0° east keeps columns on the circle: west of column 0 is the
// last column.
TEST(ZoomNavigationTest, ZoomingAcrossTheSeamWrapsTheCentre) {
  const GridGeometry grid = kEtopo5Geometry;
  const LatticePoint in = CenterZoomedAbout(grid, DegreePoint(0, 90), ZoomLevel::OneToOne(),
                                            *ZoomLevel::In(8), kWidth, kHeight, 0, 221);
  // Pixel 0 shows column -245, that is 4075; at 8 the centre is 4075 + ceil(245 / 8) = 4106.
  EXPECT_EQ(in.lon, 4106 * grid.Spacing());
}

TEST(ZoomNavigationTest, DragsScaleWithTheLevel) {
  EXPECT_EQ(DragAtOneToOne(7, ZoomLevel::OneToOne()), 7);
  EXPECT_EQ(DragAtOneToOne(7, *ZoomLevel::Out(4)), 28);
  EXPECT_EQ(DragAtOneToOne(-7, *ZoomLevel::Out(64)), -448);
  EXPECT_EQ(DragAtOneToOne(17, *ZoomLevel::In(8)), 2);
  EXPECT_EQ(DragAtOneToOne(-17, *ZoomLevel::In(8)), -2);  // towards zero: no jump back
}

}  // namespace
}  // namespace orandu
