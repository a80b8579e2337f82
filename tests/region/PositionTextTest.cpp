// The read-out's texts: hemispheres, the lines that belong to none, minutes and heights.
#include "region/PositionText.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

struct Position {
  GridSample sample;
  const char* text;
};

class PositionTextTest : public ::testing::TestWithParam<Position> {};

TEST_P(PositionTextTest, WritesDegreesMinutesAndTheHemisphere) {
  EXPECT_EQ(PositionText(GetParam().sample), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Samples, PositionTextTest,
                         ::testing::Values(Position{{656, 1665}, "北緯 35°20′ 東経 138°45′"},
                                           Position{{0, 0}, "北緯 90°00′ 経度 0°00′"},
                                           Position{{1079, 1}, "北緯 0°05′ 東経 0°05′"},
                                           Position{{1080, 2159}, "緯度 0°00′ 東経 179°55′"},
                                           Position{{1081, 2160}, "南緯 0°05′ 経度 180°00′"},
                                           Position{{1092, 2161}, "南緯 1°00′ 西経 179°55′"},
                                           Position{{2159, 4319}, "南緯 89°55′ 西経 0°05′"},
                                           Position{{1, 3779}, "北緯 89°55′ 西経 45°05′"}));

TEST(ReadoutTextTest, AddsTheHeightWithASignOnlyBelowSeaLevel) {
  const GridSample fuji{656, 1665};
  EXPECT_EQ(ReadoutText(fuji, 3213), "北緯 35°20′ 東経 138°45′  3213 m");
  EXPECT_EQ(ReadoutText(fuji, 0), "北緯 35°20′ 東経 138°45′  0 m");
  EXPECT_EQ(ReadoutText(fuji, -10000), "北緯 35°20′ 東経 138°45′  -10000 m");
  EXPECT_EQ(ReadoutText(fuji, std::nullopt), "北緯 35°20′ 東経 138°45′");
}

}  // namespace
}  // namespace orandu
