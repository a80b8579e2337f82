// The zoomed-out levels: block means by hand, partial blocks at the seam and the poles, every
// level of generated and real grids against means taken straight from the finest samples, and
// the levels of a grid file kept while the file stays the same.
#include "region/grid/Overviews.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "region/grid/GridOverviews.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::GlobalGridShape;
using testing::TempDir;

// Finest heights, row-major.
struct Finest {
  int columns;
  int rows;
  std::vector<int> heights;
  int At(int row, int column) const {
    return heights[static_cast<std::size_t>(row * columns + column)];
  }
};

Overviews Build(const Finest& finest) {
  OverviewBuilder builder(finest.columns, finest.rows);
  for (int row = 0; row < finest.rows; ++row) {
    builder.AddRow(std::span(finest.heights)
                       .subspan(static_cast<std::size_t>(row * finest.columns),
                                static_cast<std::size_t>(finest.columns)));
  }
  return std::move(builder).Finish();
}

// The mean of the finest samples block (row, column) of a factor x factor level holds, straight
// from them; nearbyint rounds halves to even, and a half is exact in a double.
int DirectMean(const Finest& finest, int factor, int row, int column) {
  long long sum = 0;
  int count = 0;
  for (int r = row * factor; r < std::min((row + 1) * factor, finest.rows); ++r) {
    for (int c = column * factor; c < std::min((column + 1) * factor, finest.columns); ++c) {
      sum += finest.At(r, c);
      ++count;
    }
  }
  return static_cast<int>(std::nearbyint(static_cast<double>(sum) / count));
}

void ExpectEveryLevelIsTheDirectMean(const Finest& finest, const Overviews& overviews) {
  for (int factor = 2; factor <= Overviews::kCoarsestFactor; factor *= 2) {
    const OverviewLevel& level = overviews.Level(factor);
    ASSERT_EQ(level.factor, factor);
    ASSERT_EQ(level.columns, (finest.columns + factor - 1) / factor) << "1/" << factor;
    ASSERT_EQ(level.rows, (finest.rows + factor - 1) / factor) << "1/" << factor;
    for (int row = 0; row < level.rows; ++row) {
      for (int column = 0; column < level.columns; ++column) {
        ASSERT_EQ(level.At(row, column), DirectMean(finest, factor, row, column))
            << "1/" << factor << " block " << row << "," << column;
      }
    }
  }
}

TEST(OverviewsTest, HalfMetreMeansGoToTheEvenNeighbourAndPartBlocksTakeTheMeanOfWhatTheyHold) {
  // 5 columns and 3 rows: the last column and the last row of 2 x 2 blocks are partial.
  const Finest finest{5,
                      3,
                      {1, 2, 5, 6, 7,     //
                       3, 4, -5, -6, 10,  //
                       -1, -2, 0, 1, -3}};
  const Overviews overviews = Build(finest);
  const OverviewLevel& half = overviews.Level(2);
  ASSERT_EQ(half.columns, 3);
  ASSERT_EQ(half.rows, 2);
  // (1+2+3+4)/4 = 2.5 -> 2; (5+6-5-6)/4 = 0; (7+10)/2 = 8.5 -> 8;
  // (-1-2)/2 = -1.5 -> -2; (0+1)/2 = 0.5 -> 0; -3 alone.
  const std::vector<std::int16_t> expected{2, 0, 8, -2, 0, -3};
  EXPECT_EQ(half.heights, expected);
  // At 1/4 columns 0 ... 3 of all three rows, 8 / 12 = 0.67 -> 1, and column 4, 14 / 3 -> 5;
  // coarser, one block of all 15: 22 / 15 = 1.47 -> 1.
  EXPECT_EQ(overviews.Level(4).heights, (std::vector<std::int16_t>{1, 5}));
  for (int factor = 8; factor <= 64; factor *= 2) {
    EXPECT_EQ(overviews.Level(factor).heights, std::vector<std::int16_t>{1}) << factor;
  }
}

TEST(OverviewsTest, ACoarserLevelIsTheMeanOfTheSamplesNotOfTheRoundedMeans) {
  // 2 x 2 means 0.5, 0.5, 0.5 and 1.5 round to 0, 0, 0 and 2, whose mean 0.5 rounds to 0; the
  // 16 samples' own mean is 0.75, which rounds to 1.
  const Finest finest{4,
                      4,
                      {0, 1, 0, 1,  //
                       0, 1, 0, 1,  //
                       0, 1, 1, 2,  //
                       0, 1, 1, 2}};
  const Overviews overviews = Build(finest);
  EXPECT_EQ(overviews.Level(2).heights, (std::vector<std::int16_t>{0, 0, 0, 2}));
  EXPECT_EQ(overviews.Level(4).heights, std::vector<std::int16_t>{1});
}

TEST(OverviewsTest, TheLargestHeightsSumWithoutOverflow) {
  Finest finest{130, 70, std::vector<int>(130 * 70, 32767)};
  finest.heights.back() = -32768;
  ExpectEveryLevelIsTheDirectMean(finest, Build(finest));
}

struct Generated {
  const char* name;
  GlobalGridShape shape;
};

// Heights that differ from sample to sample over the whole 16-bit range, with many ties.
int Height(int row, int column) {
  return (row * 7919 + column * 104729 + row * column * 31) % 65536 - 32768;
}

class OverviewsOfGeneratedGridTest : public ::testing::TestWithParam<Generated> {};

TEST_P(OverviewsOfGeneratedGridTest, EveryLevelOfTheFileIsTheMeanOfItsFinestSamples) {
  const GlobalGridShape& shape = GetParam().shape;
  const TempDir dir;
  const auto path = testing::WriteHeaderGrid(dir, "grid", shape, Height);
  Finest finest{shape.Columns(), shape.Rows(), {}};
  for (int row = 0; row < finest.rows; ++row) {
    for (int column = 0; column < finest.columns; ++column) {
      finest.heights.push_back(static_cast<std::int16_t>(Height(row, column)));
    }
  }
  ExpectEveryLevelIsTheDirectMean(finest, *GridOverviews(path));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OverviewsOfGeneratedGridTest,
    ::testing::Values(
        // 360 x 181: at 1/64 the last column of blocks holds 40 columns and the south pole's
        // row of blocks 53 rows.
        Generated{"OneDegreeNodes", {1, 1, false}},
        // 720 x 360: every level's rows end on a whole block but the last at 1/16 ... 1/64.
        Generated{"HalfDegreeCells", {2, 1, true}},
        // 180 x 91: fewer columns than the coarsest factor's blocks hold twice.
        Generated{"TwoDegreeNodes", {1, 2, false}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(GridOverviewsTest, KeepsTheLevelsUntilTheFileChanges) {
  const TempDir dir;
  const GlobalGridShape shape{1, 1, false};
  const auto path = testing::WriteHeaderGrid(dir, "grid", shape, Height);
  const auto first = GridOverviews(path);
  EXPECT_EQ(GridOverviews(path), first);
  testing::WriteHeaderGrid(dir, "grid", shape, [](int, int) { return 100; });
  std::filesystem::last_write_time(
      path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
  const auto second = GridOverviews(path);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->Level(64).At(0, 0), 100);
}

TEST(GridOverviewsTest, AGridWithAHeaderLargerThanTheBoundHasNoLevels) {
  // A 1' grid, 466 MB: a sparse file, nothing written.
  const TempDir dir;
  const GlobalGridShape shape{60, 1, true};
  dir.Write("grid.hdr", testing::HeaderText(shape));
  const auto path = dir.Write("grid.bil", std::string());
  std::filesystem::resize_file(path, std::uint64_t{2} * shape.Columns() * shape.Rows());
  try {
    GridOverviews(path);
    FAIL() << "no error";
  } catch (const OranduError& error) {
    EXPECT_EQ(error.what(), std::string(kNoOverviewsMessage));
  }
}

TEST(GridOverviewsTest, EtopoFivesLevelsAreItsDecodedMeansInUnderSevenMegabytes) {
  const std::filesystem::path path = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no converted grid at " << path;
  const auto bytes = testing::ReadFile(path);
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(GridBytes));
  Finest finest{GridColumns, GridRows, {}};
  for (std::size_t at = 0; at < bytes.size(); at += 2) {
    const auto raw = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    // The 10000 rule, written out: 55536 is -10000 m, 10000 is +10000 m.
    finest.heights.push_back(raw > 10000 ? raw - 65536 : raw);
  }
  const auto overviews = GridOverviews(path);
  EXPECT_LT(overviews->Bytes(), std::size_t{7'000'000});
  ExpectEveryLevelIsTheDirectMean(finest, *overviews);
}

}  // namespace
}  // namespace orandu
