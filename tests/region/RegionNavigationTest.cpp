// Key steps and drags: direction, size, and whole degrees only.
#include "region/RegionNavigation.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

TEST(KeyStepTest, ArrowsStepOneDegreeAndTenWithShiftUpBeingNorth) {
  EXPECT_EQ(KeyStep(NavigationKey::kLeft, false), (DegreeCell{-1, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kRight, false), (DegreeCell{1, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kUp, false), (DegreeCell{0, -1}));
  EXPECT_EQ(KeyStep(NavigationKey::kDown, false), (DegreeCell{0, 1}));
  EXPECT_EQ(KeyStep(NavigationKey::kLeft, true), (DegreeCell{-10, 0}));
  EXPECT_EQ(KeyStep(NavigationKey::kDown, true), (DegreeCell{0, 10}));
}

struct Drag {
  int dx, dy;
  DegreeCell center;
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

TEST(CenterDragTest, AnchorMovesWithTheEdgeSoThatDraggingBackMovesAtOnce) {
  CenterDrag drag({100, 20});
  EXPECT_EQ(drag.Wanted(0, 300), (DegreeCell{100, -5}));  // 25 degrees north
  drag.Reached({100, -5}, {100, 18});                     // the edge stopped it 23 short
  EXPECT_EQ(drag.Wanted(0, 300), (DegreeCell{100, 18}));
  EXPECT_EQ(drag.Wanted(0, 180), (DegreeCell{100, 28}));  // ten degrees back: ten at once
  EXPECT_EQ(drag.Wanted(-24, 180), (DegreeCell{102, 28}));
}

TEST(CenterDragTest, AMoveThatGoesAllTheWayLeavesTheAnchor) {
  CenterDrag drag({100, 50});
  drag.Reached({98, 53}, {98, 53});
  EXPECT_EQ(drag.Wanted(0, 0), (DegreeCell{100, 50}));
  drag.Reached({101, 50}, {100, 50});  // stopped one short on the east only
  EXPECT_EQ(drag.Wanted(0, 0), (DegreeCell{99, 50}));
}

}  // namespace
}  // namespace orandu
