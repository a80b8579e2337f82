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

// Grids at other spacings, by their samples per degree (or degrees per sample) and where their
// first column and row lie.
GridGeometry Nodes(int perDegree, std::int64_t firstLongitude = 0) {
  return {360 * perDegree,
          180 * perDegree + 1,
          perDegree,
          1,
          firstLongitude,
          LatitudeRegistration::kNodes,
          SampleEncoding::kSigned16};
}
GridGeometry Cells(int perDegree, std::int64_t firstLongitude) {
  return {360 * perDegree,
          180 * perDegree,
          perDegree,
          1,
          firstLongitude,
          LatitudeRegistration::kCells,
          SampleEncoding::kSigned16};
}
GridGeometry EveryTwoDegrees(std::int64_t firstLongitude, LatitudeRegistration latitudes) {
  return {180,
          latitudes == LatitudeRegistration::kNodes ? 91 : 90,
          1,
          2,
          firstLongitude,
          latitudes,
          SampleEncoding::kSigned16};
}

// Lattice parts: 8 to the second.
constexpr std::int64_t kSeconds = 8;
constexpr std::int64_t kMinutes = 60 * kSeconds;

struct GridPosition {
  const char* grid;
  GridGeometry geometry;
  GridSample sample;
  const char* text;
};

std::ostream& operator<<(std::ostream& out, const GridPosition& p) {
  return out << p.grid << " row " << p.sample.row << " column " << p.sample.column;
}

class GridPositionTextTest : public ::testing::TestWithParam<GridPosition> {};

TEST_P(GridPositionTextTest, WritesSecondsAndTheirDecimalsWhereTheGridNeedsThem) {
  EXPECT_EQ(PositionText(GetParam().sample, GetParam().geometry), GetParam().text);
}

// Row r of a 15″ grid of nodes lies r × 15″ south of 90° N: row 13119 at 54°39′45″ south of it,
// 35°20′15″ N; column 33303 at 499545″, 138°45′45″ E.
INSTANTIATE_TEST_SUITE_P(
    FifteenSecondNodes, GridPositionTextTest,
    ::testing::Values(
        GridPosition{"15″ nodes", Nodes(240), {13119, 33303}, "北緯 35°20′15″ 東経 138°45′45″"},
        GridPosition{"15″ nodes", Nodes(240), {0, 0}, "北緯 90°00′00″ 経度 0°00′00″"},
        GridPosition{"15″ nodes", Nodes(240), {1, 1}, "北緯 89°59′45″ 東経 0°00′15″"},
        GridPosition{"15″ nodes", Nodes(240), {4, 4}, "北緯 89°59′00″ 東経 0°01′00″"},
        GridPosition{"15″ nodes", Nodes(240), {21600, 43200}, "緯度 0°00′00″ 経度 180°00′00″"},
        GridPosition{"15″ nodes", Nodes(240), {21601, 43201}, "南緯 0°00′15″ 西経 179°59′45″"},
        GridPosition{"15″ nodes", Nodes(240), {43200, 86399}, "南緯 90°00′00″ 西経 0°00′15″"}));

// The first row and column of 15″ cells lie 7.5″ from 90° N and from 0°.
INSTANTIATE_TEST_SUITE_P(
    FifteenSecondCells, GridPositionTextTest,
    ::testing::Values(
        GridPosition{
            "15″ cells", Cells(240, 60), {13119, 33302}, "北緯 35°20′07.5″ 東経 138°45′37.5″"},
        GridPosition{"15″ cells", Cells(240, 60), {0, 0}, "北緯 89°59′52.5″ 東経 0°00′07.5″"},
        GridPosition{"15″ cells", Cells(240, 60), {1, 1}, "北緯 89°59′37.5″ 東経 0°00′22.5″"},
        GridPosition{
            "15″ cells", Cells(240, 60), {21599, 43199}, "北緯 0°00′07.5″ 東経 179°59′52.5″"},
        GridPosition{
            "15″ cells", Cells(240, 60), {21600, 43200}, "南緯 0°00′07.5″ 西経 179°59′52.5″"},
        GridPosition{
            "15″ cells", Cells(240, 60), {43199, 86399}, "南緯 89°59′52.5″ 西経 0°00′07.5″"}));

// 7.5″ cells lie 3.75″ from the edges: every position has a quarter or three quarters of a
// second. Row 26239 lies 196796.25″ south of 90° N, 35°20′03.75″ N; column 66605 at 499541.25″.
INSTANTIATE_TEST_SUITE_P(
    SevenAndAHalfSecondCells, GridPositionTextTest,
    ::testing::Values(
        GridPosition{"7.5″ cells", Cells(480, 30), {0, 0}, "北緯 89°59′56.25″ 東経 0°00′03.75″"},
        GridPosition{"7.5″ cells", Cells(480, 30), {1, 1}, "北緯 89°59′48.75″ 東経 0°00′11.25″"},
        GridPosition{
            "7.5″ cells", Cells(480, 30), {26239, 66605}, "北緯 35°20′03.75″ 東経 138°45′41.25″"},
        GridPosition{
            "7.5″ cells", Cells(480, 30), {43199, 86399}, "北緯 0°00′03.75″ 東経 179°59′56.25″"},
        GridPosition{
            "7.5″ cells", Cells(480, 30), {43200, 86400}, "南緯 0°00′03.75″ 西経 179°59′56.25″"},
        GridPosition{
            "7.5″ cells", Cells(480, 30), {86399, 172799}, "南緯 89°59′56.25″ 西経 0°00′03.75″"}));

INSTANTIATE_TEST_SUITE_P(
    OneSecondNodes, GridPositionTextTest,
    ::testing::Values(
        GridPosition{"1″ nodes", Nodes(3600), {1, 1}, "北緯 89°59′59″ 東経 0°00′01″"},
        GridPosition{"1″ nodes", Nodes(3600), {196786, 499546}, "北緯 35°20′14″ 東経 138°45′46″"},
        GridPosition{"1″ nodes", Nodes(3600), {324000, 648000}, "緯度 0°00′00″ 経度 180°00′00″"},
        GridPosition{"1″ nodes", Nodes(3600), {648000, 1295999}, "南緯 90°00′00″ 西経 0°00′01″"}));

// Grids whose every sample lies on a whole minute are written in minutes, as ETOPO5 is.
INSTANTIATE_TEST_SUITE_P(
    WholeMinutes, GridPositionTextTest,
    ::testing::Values(
        GridPosition{
            "20′ nodes from 10′ E", Nodes(3, 10 * kMinutes), {0, 0}, "北緯 90°00′ 東経 0°10′"},
        GridPosition{
            "20′ nodes from 10′ E", Nodes(3, 10 * kMinutes), {1, 1}, "北緯 89°40′ 東経 0°30′"},
        GridPosition{"20′ nodes from 10′ E",
                     Nodes(3, 10 * kMinutes),
                     {165, 416},
                     "北緯 35°00′ 東経 138°50′"},
        GridPosition{
            "20′ nodes from 10′ E", Nodes(3, 10 * kMinutes), {270, 539}, "緯度 0°00′ 東経 179°50′"},
        GridPosition{
            "20′ nodes from 10′ E", Nodes(3, 10 * kMinutes), {271, 540}, "南緯 0°20′ 西経 179°50′"},
        GridPosition{
            "20′ nodes from 10′ E", Nodes(3, 10 * kMinutes), {540, 1079}, "南緯 90°00′ 西経 0°10′"},
        GridPosition{"1′ nodes", Nodes(60), {1, 1}, "北緯 89°59′ 東経 0°01′"},
        GridPosition{"2° nodes",
                     EveryTwoDegrees(0, LatitudeRegistration::kNodes),
                     {0, 0},
                     "北緯 90°00′ 経度 0°00′"},
        GridPosition{"2° nodes",
                     EveryTwoDegrees(0, LatitudeRegistration::kNodes),
                     {28, 69},
                     "北緯 34°00′ 東経 138°00′"},
        GridPosition{"2° nodes",
                     EveryTwoDegrees(0, LatitudeRegistration::kNodes),
                     {45, 90},
                     "緯度 0°00′ 経度 180°00′"},
        GridPosition{"2° nodes",
                     EveryTwoDegrees(0, LatitudeRegistration::kNodes),
                     {46, 91},
                     "南緯 2°00′ 西経 178°00′"},
        GridPosition{"2° nodes",
                     EveryTwoDegrees(0, LatitudeRegistration::kNodes),
                     {90, 179},
                     "南緯 90°00′ 西経 2°00′"},
        GridPosition{"2° cells from 1° E",
                     EveryTwoDegrees(28800, LatitudeRegistration::kCells),
                     {0, 0},
                     "北緯 89°00′ 東経 1°00′"},
        GridPosition{"2° cells from 1° E",
                     EveryTwoDegrees(28800, LatitudeRegistration::kCells),
                     {45, 90},
                     "南緯 1°00′ 西経 179°00′"},
        GridPosition{"2° cells from 1° E",
                     EveryTwoDegrees(28800, LatitudeRegistration::kCells),
                     {89, 179},
                     "南緯 89°00′ 西経 1°00′"}));

// Whole-minute spacings still need seconds when the first column or the first row does not lie
// on a whole minute.
INSTANTIATE_TEST_SUITE_P(OffsetFromWholeMinutes, GridPositionTextTest,
                         ::testing::Values(GridPosition{"20′ nodes from 15″ E",
                                                        Nodes(3, 15 * kSeconds),
                                                        {0, 0},
                                                        "北緯 90°00′00″ 東経 0°00′15″"},
                                           GridPosition{"20′ nodes from 15″ E",
                                                        Nodes(3, 15 * kSeconds),
                                                        {1, 1},
                                                        "北緯 89°40′00″ 東経 0°20′15″"},
                                           GridPosition{"1′ cells in latitude only",
                                                        Cells(60, 0),
                                                        {0, 0},
                                                        "北緯 89°59′30″ 経度 0°00′00″"},
                                           GridPosition{"1′ cells in latitude only",
                                                        Cells(60, 0),
                                                        {10799, 21599},
                                                        "南緯 89°59′30″ 西経 0°01′00″"},
                                           GridPosition{"30″ cells",
                                                        Cells(120, 15 * kSeconds),
                                                        {0, 0},
                                                        "北緯 89°59′45″ 東経 0°00′15″"}));

TEST(ReadoutTextTest, WritesTheGridsSecondsBeforeTheHeight) {
  const GridGeometry fifteenSeconds = Nodes(240);
  const GridSample fuji{13119, 33303};
  EXPECT_EQ(ReadoutText(fuji, 3213, fifteenSeconds), "北緯 35°20′15″ 東経 138°45′45″  3213 m");
  EXPECT_EQ(ReadoutText(fuji, -4000, fifteenSeconds), "北緯 35°20′15″ 東経 138°45′45″  -4000 m");
  EXPECT_EQ(ReadoutText(fuji, std::nullopt, fifteenSeconds), "北緯 35°20′15″ 東経 138°45′45″");
  EXPECT_EQ(ReadoutText({13119, 33302}, 0, Cells(240, 60)),
            "北緯 35°20′07.5″ 東経 138°45′37.5″  0 m");
}

}  // namespace
}  // namespace orandu
