// The weights that take input rows and columns to the output's 5' rows and columns.
#include "tools/import/AxisWeights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace orandu {
namespace {

double SinDegrees(double degrees) {
  return std::sin(degrees * std::numbers::pi / 180);
}

TEST(AxisWeightsTest, FifteenSecondCellsGiveTwentyByTwentyPerSample) {
  const LongitudeAxis columns{86400, 86400, 1.0 / 240, -180 + 1.0 / 480};
  const AxisWeights across = LongitudeWeights(columns);
  EXPECT_EQ(across.resampling, AxisResampling::kAreaMean);
  for (const std::size_t column : {0u, 1u, 2160u, 4319u}) {
    const auto samples = across.For(column);
    ASSERT_EQ(samples.size(), 20u) << column;
    for (const WeightedSample& sample : samples)
      EXPECT_NEAR(sample.weight, 1, 1e-9);  // whole cells
  }
  // Column 0 (0°) is centred on the 180° W start plus half a turn: cells 43190 ... 43209.
  EXPECT_EQ(across.For(0).front().index, 43190u);
  // Column 2160 (180°) reaches over the 180° meridian back to the first cells.
  EXPECT_EQ(across.For(2160).front().index, 86390u);
  EXPECT_EQ(across.For(2160).back().index, 9u);

  const LatitudeAxis rows{43200, 1.0 / 240, false, false};
  const AxisWeights down = LatitudeWeights(rows);
  EXPECT_EQ(down.For(1080).size(), 20u);
  EXPECT_EQ(down.For(0).size(), 10u);  // the cell at 90° N ends at the pole
}

TEST(AxisWeightsTest, LatitudeWeightsFollowTheAreaOfTheCells) {
  // 2.5' cells: output row 540 (45° N) takes the cells just north and just south of 45°.
  const LatitudeAxis rows{4320, 1.0 / 24, false, false};
  const AxisWeights weights = LatitudeWeights(rows);
  const auto samples = weights.For(540);
  ASSERT_EQ(samples.size(), 2u);
  const double north = SinDegrees(45 + 1.0 / 24) - SinDegrees(45);
  const double south = SinDegrees(45) - SinDegrees(45 - 1.0 / 24);
  EXPECT_NEAR(samples[0].weight / samples[1].weight, north / south, 1e-9);
  EXPECT_LT(north / south, 1 - 5e-4);  // far from equal weights
}

TEST(AxisWeightsTest, SameSpacingIsCopiedWhereSamplesMeetAndInterpolatedWhereNot) {
  EXPECT_EQ(LongitudeWeights({4320, 4320, 1.0 / 12, -180}).resampling, AxisResampling::kIdentity);
  EXPECT_EQ(LatitudeWeights({2161, 1.0 / 12, true, true}).resampling, AxisResampling::kIdentity);
  // Cell centres lie halfway between the output's samples: each takes two halves.
  const AxisWeights halves = LatitudeWeights({2160, 1.0 / 12, true, false});
  EXPECT_EQ(halves.resampling, AxisResampling::kBilinear);
  const auto samples = halves.For(100);
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(samples[0].index, 99u);
  EXPECT_NEAR(samples[0].weight, 0.5, 1e-9);
  EXPECT_EQ(samples[1].index, 100u);
}

TEST(AxisWeightsTest, CoarserLongitudesInterpolateAcrossTheMeridian) {
  const AxisWeights across = LongitudeWeights({360, 360, 1, 0});
  EXPECT_EQ(across.resampling, AxisResampling::kBilinear);
  const auto last = across.For(4319);  // 359°55': 11/12 of the way from 359° to 0°
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[0].index, 359u);
  EXPECT_NEAR(last[0].weight, 1.0 / 12, 1e-9);
  EXPECT_EQ(last[1].index, 0u);
  EXPECT_NEAR(last[1].weight, 11.0 / 12, 1e-9);
}

}  // namespace
}  // namespace orandu
