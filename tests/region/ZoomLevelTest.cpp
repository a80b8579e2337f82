// Zoom levels: the texts that name them, their factors and their steps, clamped at both ends.
#include "region/ZoomLevel.h"

#include <gtest/gtest.h>

#include <string>

namespace orandu {
namespace {

struct Named {
  const char* text;
  int exponent;
  int factor;
  const char* readOut;
};

class ZoomLevelNamedTest : public ::testing::TestWithParam<Named> {};

TEST_P(ZoomLevelNamedTest, ParsesToItsPowerOfTwoAndWritesItBack) {
  const Named& named = GetParam();
  const auto level = ZoomLevel::Parse(named.text);
  ASSERT_TRUE(level.has_value());
  EXPECT_EQ(level->Exponent(), named.exponent);
  EXPECT_EQ(level->Factor(), named.factor);
  EXPECT_EQ(level->ReadOutText(), named.readOut);
  EXPECT_EQ(level->ArgumentText(), named.text);
  EXPECT_EQ(level->IsZoomedIn(), named.exponent > 0);
  EXPECT_EQ(level->IsZoomedOut(), named.exponent < 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryLevel, ZoomLevelNamedTest,
    ::testing::Values(Named{"8", 3, 8, "8:1"}, Named{"4", 2, 4, "4:1"}, Named{"2", 1, 2, "2:1"},
                      Named{"1", 0, 1, ""}, Named{"1/2", -1, 2, "1:2"}, Named{"1/4", -2, 4, "1:4"},
                      Named{"1/8", -3, 8, "1:8"}, Named{"1/16", -4, 16, "1:16"},
                      Named{"1/32", -5, 32, "1:32"}, Named{"1/64", -6, 64, "1:64"}));

class ZoomLevelRefusedTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ZoomLevelRefusedTest, RefusesAnythingButTheTenLevels) {
  EXPECT_FALSE(ZoomLevel::Parse(GetParam()).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, ZoomLevelRefusedTest,
                         ::testing::Values("", "0", "3", "16", "1/1", "1/3", "1/128", "1/0", "-2",
                                           "+2", "02", "2.0", "1/", "/2", "1/2 ", " 1", "1//2",
                                           "2/1", "1/-2", "99999999999999999999"));

TEST(ZoomLevelTest, FactorsOutsideTheRangeOrNotPowersOfTwoHaveNoLevel) {
  EXPECT_EQ(ZoomLevel::In(1), ZoomLevel::OneToOne());
  EXPECT_EQ(ZoomLevel::Out(1), ZoomLevel::OneToOne());
  EXPECT_EQ(ZoomLevel::In(8), ZoomLevel::MostIn());
  EXPECT_EQ(ZoomLevel::Out(64), ZoomLevel::MostOut());
  for (const int factor : {0, -2, 3, 6, 16}) EXPECT_FALSE(ZoomLevel::In(factor)) << factor;
  for (const int factor : {0, -4, 3, 48, 128}) EXPECT_FALSE(ZoomLevel::Out(factor)) << factor;
}

TEST(ZoomLevelTest, StepsInAndOutOneLevelAndStopsAtEitherEnd) {
  EXPECT_EQ(ZoomLevel().Closer(), ZoomLevel::In(2));
  EXPECT_EQ(ZoomLevel().Farther(), ZoomLevel::Out(2));
  EXPECT_EQ(ZoomLevel::Out(2)->Closer(), ZoomLevel::OneToOne());
  EXPECT_EQ(ZoomLevel::In(4)->Closer(), ZoomLevel::MostIn());
  EXPECT_EQ(ZoomLevel::MostIn().Closer(), ZoomLevel::MostIn());
  EXPECT_EQ(ZoomLevel::Out(32)->Farther(), ZoomLevel::MostOut());
  EXPECT_EQ(ZoomLevel::MostOut().Farther(), ZoomLevel::MostOut());
  int steps = 0;
  for (ZoomLevel level = ZoomLevel::MostOut(); level != ZoomLevel::MostIn();
       level = level.Closer()) {
    ++steps;
  }
  EXPECT_EQ(steps, 9);
}

}  // namespace
}  // namespace orandu
