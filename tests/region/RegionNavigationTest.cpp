// Key steps and drags: direction, size, and whole degrees only.
#include "RegionNavigation.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

TEST(KeyStepTest, ArrowsStepOneDegreeAndTenWithShiftUpBeingNorth) {
  EXPECT_EQ(KeyStep(NavigationKey::kLeft, false), (DegreeStep{-1, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kRight, false), (DegreeStep{1, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kUp, false), (DegreeStep{0, -1}));
  EXPECT_EQ(KeyStep(NavigationKey::kDown, false), (DegreeStep{0, 1}));
  EXPECT_EQ(KeyStep(NavigationKey::kLeft, true), (DegreeStep{-10, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kDown, true), (DegreeStep{0, 10}));
}

struct Drag {
  int dx, dy;
  DegreeStep center;
};

class DragCenterTest : public ::testing::TestWithParam<Drag> {};

TEST_P(DragCenterTest, PictureFollowsTheMouseInWholeDegrees) {
  EXPECT_EQ(DragCenter({100, 50}, GetParam().dx, GetParam().dy), GetParam().center);
}

INSTANTIATE_TEST_SUITE_P(Drags, DragCenterTest,
                         ::testing::Values(Drag{0, 0, {100, 50}}, Drag{11, -11, {100, 50}},
                                           Drag{12, 0, {99, 50}}, Drag{-12, 0, {101, 50}},
                                           Drag{0, 12, {100, 49}}, Drag{0, -23, {100, 51}},
                                           Drag{25, -37, {98, 53}}));

}  // namespace
}  // namespace orandu
