// Key steps and drags: direction, size, whole degrees and, with Ctrl, single samples.
#include "region/RegionNavigation.h"

#include <gtest/gtest.h>

#include <string>

#include "region/RegionView.h"

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

// ---- Moves by single samples (Ctrl held), in lattice parts of 1/8″ --------------------------

constexpr std::int64_t kDegree = 28800;

// A 15″ grid of cells and a grid of one sample every 2°.
constexpr GridGeometry kFifteenSeconds{
    86400, 43200, 240, 1, 60, LatitudeRegistration::kCells, SampleEncoding::kSigned16};
constexpr GridGeometry kTwoDegrees{
    180, 91, 1, 2, 0, LatitudeRegistration::kNodes, SampleEncoding::kSigned16};

TEST(KeyMoveTest, CtrlStepsOneSampleOfTheGridShownAndShiftTen) {
  EXPECT_EQ(KeyMove(NavigationKey::kRight, false, StepUnit::kSample, kFifteenSeconds),
            (LatticePoint{120, 0}));
  EXPECT_EQ(KeyMove(NavigationKey::kUp, true, StepUnit::kSample, kFifteenSeconds),
            (LatticePoint{0, -1200}));
  EXPECT_EQ(KeyMove(NavigationKey::kLeft, false, StepUnit::kSample, kEtopo5Geometry),
            (LatticePoint{-2400, 0}));
  EXPECT_EQ(KeyMove(NavigationKey::kDown, false, StepUnit::kSample, kTwoDegrees),
            (LatticePoint{0, 2 * kDegree}));
  EXPECT_EQ(KeyMove(NavigationKey::kDown, true, StepUnit::kDegree, kFifteenSeconds),
            (LatticePoint{0, 10 * kDegree}));
}

struct SampleDrag {
  const char* name;
  GridGeometry grid;
  StepUnit unit;
  int dx, dy;
  LatticePoint moved;  // from the centre at the press
};

class SampleDragTest : public ::testing::TestWithParam<SampleDrag> {};

TEST_P(SampleDragTest, PictureFollowsTheMouseAPixelASample) {
  const SampleDrag& d = GetParam();
  const LatticePoint press{100 * kDegree + 120, 50 * kDegree};
  EXPECT_EQ(DragCenter(d.grid, press, d.dx, d.dy, d.unit),
            (LatticePoint{press.lon + d.moved.lon, press.lat + d.moved.lat}));
}

INSTANTIATE_TEST_SUITE_P(
    Drags, SampleDragTest,
    ::testing::Values(
        SampleDrag{
            "FifteenSecondsBySamples", kFifteenSeconds, StepUnit::kSample, 3, -2, {-360, 240}},
        // 240 pixels are one degree of a 15″ grid; 239 are not yet.
        SampleDrag{"FifteenSecondsByDegrees",
                   kFifteenSeconds,
                   StepUnit::kDegree,
                   -479,
                   240,
                   {kDegree, -kDegree}},
        SampleDrag{"EtopoBySamples", kEtopo5Geometry, StepUnit::kSample, -5, 7, {12000, -16800}},
        // A pixel of a 2° grid is two degrees either way.
        SampleDrag{"TwoDegreesByDegrees",
                   kTwoDegrees,
                   StepUnit::kDegree,
                   1,
                   -3,
                   {-2 * kDegree, 6 * kDegree}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SampleMoveTest, AMoveBySamplesStopsAtTheEdgeAPickIsPulledBackTo) {
  RegionView view;
  view.SetGrid(kFifteenSeconds);
  // 488 pixels of 15″ span round(488 / 480) = 1 degree either side of the centre.
  view.SetCenter(1, 100, 488, 441);
  view.MoveCenter({kDegree + 120, 100 * kDegree}, 488, 441);
  EXPECT_EQ(view.Center(), (LatticePoint{kDegree + 120, 100 * kDegree}));
  view.MoveCenter({kDegree - 120, 100 * kDegree}, 488, 441);
  view.MoveCenter({kDegree - 240, 100 * kDegree}, 488, 441);
  EXPECT_EQ(view.Center(), (LatticePoint{kDegree, 100 * kDegree}));
  EXPECT_EQ(view.CenterLon(), 1);
  // A centre between whole degrees counts as the degree it lies in.
  view.MoveCenter({5 * kDegree - 120, 100 * kDegree - 120}, 488, 441);
  EXPECT_EQ(view.CenterLon(), 4);
  EXPECT_EQ(view.CenterLat(), 99);
}

}  // namespace
}  // namespace orandu
