// Regions of grids described by a raster header: the samples under each pixel, the pull-back in
// the grid's own degrees, the reads a paint makes, the heights read out and the picture's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <string>

#include "region/GeoPlacement.h"
#include "region/RegionView.h"
#include "region/ShownSamples.h"
#include "region/files/Errors.h"
#include "region/files/ReadBatch.h"
#include "tests/support/BytesRead.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::GlobalGridShape;
using testing::TempDir;

// Heights that differ from sample to sample, from -12000 m to +12000 m: above +10000 m a plain
// signed sample would be a depth if it were read by ETOPO5's rule.
int Height(int row, int column) {
  return (row * 131 + column * 17) % 24001 - 12000;
}

// The sample a pixel shows, worked out from the rules as a user reads them: with n samples a
// degree, the first row is centreLat * n - round(H / 2) - 1 (never above the first), the first
// column centreLon * n - round(W / 2) - 1, columns wrapping; n may be a half.
struct Expected {
  int row;
  int column;
};
std::optional<Expected> SampleAt(const GlobalGridShape& shape, int lon, int lat, int width,
                                 int height, int x, int y) {
  const double n = static_cast<double>(shape.samplesPerDegree) / shape.degreesPerSample;
  const int firstRow =
      static_cast<int>(std::floor(lat * n)) - static_cast<int>(std::nearbyint(height / 2.0)) - 1;
  const int firstColumn =
      static_cast<int>(std::floor(lon * n)) - static_cast<int>(std::nearbyint(width / 2.0)) - 1;
  const int row = std::max(firstRow, 0) + y;
  if (row >= shape.Rows()) return std::nullopt;
  const int column = ((firstColumn + x) % shape.Columns() + shape.Columns()) % shape.Columns();
  return Expected{row, column};
}

struct Region {
  const char* name;
  GlobalGridShape shape;
  int lon, lat, width, height;
};

class HeaderGridPaintTest : public ::testing::TestWithParam<Region> {};

TEST_P(HeaderGridPaintTest, EveryPixelShowsTheSampleThatTheGridsSpacingPlacesThere) {
  const Region& region = GetParam();
  const TempDir dir;
  const auto grid = testing::WriteHeaderGrid(dir, "grid", region.shape, Height);
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  RegionView view;
  view.PlaceCenter(region.lon, region.lat);
  PixelBuffer surface(region.width, region.height);
  ShownSamples shown;
  view.PaintRegion(grid, colors, surface, shown);
  for (int y = 0; y < region.height; ++y) {
    for (int x = 0; x < region.width; ++x) {
      const auto sample =
          SampleAt(region.shape, region.lon, region.lat, region.width, region.height, x, y);
      const PackedColor expected =
          sample ? Pack(*BarColor(bar, Height(sample->row, sample->column))) : kBlack;
      ASSERT_EQ(surface.At(x, y), expected) << "pixel " << x << "," << y;
      if (!sample) continue;
      const GridSample readout{sample->row, sample->column};
      ASSERT_EQ(shown.SampleAt(x, y), readout) << "pixel " << x << "," << y;
      if (x % 37 == 0 && y % 23 == 0) {
        ASSERT_EQ(shown.HeightAt(readout), Height(sample->row, sample->column));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spacings, HeaderGridPaintTest,
    ::testing::Values(
        // 1° cells, across the seam at the west edge.
        Region{"OneDegreeCells", {1, 1, true}, 10, 20, 50, 30},
        // 30′ samples on both poles: the region runs past the south pole's row.
        Region{"HalfDegreeNodesToTheSouthPole", {2, 1, false}, 200, 170, 100, 60},
        // 2° a sample: an odd centre lies inside a sample, and the area is wider than the
        // grid, so every column is read and shown more than once.
        Region{"TwoDegreesWiderThanTheGrid", {1, 2, false}, 35, 55, 400, 31},
        // 15′ cells near 180°, an odd size whose halves round to even.
        Region{"QuarterDegreeCells", {4, 1, true}, 181, 90, 301, 201}),
    [](const auto& test) { return std::string(test.param.name); });

struct PullBack {
  const char* name;
  GlobalGridShape shape;
  int width, height;
  int lon, lat;              // picked
  int pulledLon, pulledLat;  // where the pick is pulled back to
};

class HeaderGridPullBackTest : public ::testing::TestWithParam<PullBack> {};

TEST_P(HeaderGridPullBackTest, KeepsHalfTheAreaInTheGridsOwnDegreesFromTheEdges) {
  const PullBack& p = GetParam();
  const TempDir dir;
  RegionView view;
  view.SetGrid(HeightGrid(testing::WriteHeaderGrid(dir, "grid", p.shape, Height)).Geometry());
  view.SetCenter(p.lon, p.lat, p.width, p.height);
  EXPECT_EQ(view.CenterLon(), p.pulledLon);
  EXPECT_EQ(view.CenterLat(), p.pulledLat);
  EXPECT_EQ(view.Center(), DegreePoint(p.pulledLon, p.pulledLat));
}

INSTANTIATE_TEST_SUITE_P(
    Grids, HeaderGridPullBackTest,
    ::testing::Values(
        // 20′: round(488 / 6) = 81, round(441 / 6) = round(73.5) = 74.
        PullBack{"TwentyMinutesNorthWest", {3, 1, true}, 488, 441, 0, 0, 81, 74},
        PullBack{"TwentyMinutesSouthEast", {3, 1, true}, 488, 441, 359, 179, 278, 105},
        // 15′: round(488 / 8) = 61, round(441 / 8) = 55.
        PullBack{"FifteenMinutesInside", {4, 1, false}, 488, 441, 100, 60, 100, 60},
        PullBack{"FifteenMinutesEast", {4, 1, false}, 488, 441, 330, 170, 298, 124},
        // 2° a sample: round(100 * 2 / 2) = 100 degrees, round(31) = 31.
        PullBack{"TwoDegrees", {1, 2, false}, 100, 31, 5, 175, 100, 148}),
    [](const auto& test) { return std::string(test.param.name); });

// A 15″ global grid of 7.46 GB that takes no room on the disk: the file is sparse, all zeros
// except for the samples a test writes.
class FifteenSecondGridTest : public ::testing::Test {
 protected:
  static constexpr GlobalGridShape kSpec{240, 1, true};
  FifteenSecondGridTest() {
    path_ = dir_ / "grid15s.bil";
    dir_.Write("grid15s.hdr", testing::HeaderText(kSpec));
    descriptor_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const auto bytes = std::int64_t{2} * kSpec.Rows() * kSpec.Columns();
    EXPECT_EQ(::ftruncate(descriptor_, bytes), 0);
  }
  ~FifteenSecondGridTest() override { ::close(descriptor_); }

  void WriteSample(int row, int column, std::int16_t height) const {
    const off_t at = (off_t{row} * kSpec.Columns() + column) * 2;
    const auto raw = static_cast<std::uint16_t>(height);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(raw & 0xFF),
                                   static_cast<std::uint8_t>(raw >> 8)};
    EXPECT_EQ(::pwrite(descriptor_, bytes, 2, at), 2);
  }

  TempDir dir_;
  std::filesystem::path path_;
  int descriptor_ = -1;
};

TEST_F(FifteenSecondGridTest, APaintReadsOnlyTheColumnsItShowsAndFindsItsSamples) {
  constexpr int kWidth = 488, kHeight = 441;
  // The centre (138° E, 55° S of the pole): first row 55 * 240 - round(220.5) - 1, first
  // column 138 * 240 - 244 - 1.
  constexpr int kFirstRow = 12979, kFirstColumn = 32875;
  WriteSample(kFirstRow, kFirstColumn, 12000);
  WriteSample(kFirstRow + kHeight - 1, kFirstColumn + kWidth - 1, -5000);
  WriteSample(kFirstRow + 220, kFirstColumn + 244, 3776);
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  for (const bool shaded : {false, true}) {
    RegionView view;
    view.PlaceCenter(138, 55);
    if (shaded) view.SetShading(Light{});
    PixelBuffer surface(kWidth, kHeight);
    std::uint64_t read = 0;
    {
      // Only plain reads show in the process's count.
      const OneByOneReads countable;
      const std::uint64_t before = testing::BytesReadByThisProcess();
      view.PaintRegion(path_, colors, surface);
      read = testing::BytesReadByThisProcess() - before;
    }
    // Reads handed to the system together paint the same.
    PixelBuffer batched(kWidth, kHeight);
    view.PaintRegion(path_, colors, batched);
    EXPECT_TRUE(batched == surface) << (shaded ? "shaded" : "flat");
    // The columns shown, and when shaded one more either side and a row more above and below
    // each block of 32 rows; a whole row is 172,800 bytes, so reading whole rows would read 76 MB.
    const int margin = shaded ? 1 : 0;
    const int blocks = (kHeight + 31) / 32;
    // Two more rows: the first and the last are looked up in memory before the paint.
    const std::uint64_t needed =
        static_cast<std::uint64_t>(kHeight + 2 * margin * blocks + 2) * (kWidth + 2 * margin) * 2;
    EXPECT_LT(read, needed + 1024) << (shaded ? "shaded" : "flat");
    EXPECT_GE(read, std::uint64_t{kHeight} * kWidth * 2);
    if (!shaded) {
      EXPECT_EQ(surface.At(0, 0), Pack(*BarColor(bar, 12000)));
      EXPECT_EQ(surface.At(kWidth - 1, kHeight - 1), Pack(*BarColor(bar, -5000)));
      EXPECT_EQ(surface.At(244, 220), Pack(*BarColor(bar, 3776)));
      EXPECT_EQ(surface.At(1, 0), Pack(*BarColor(bar, 0)));
    }
  }
}

TEST_F(FifteenSecondGridTest, ThePictureIsPlacedWhereTheGridsCellsLie) {
  const GridGeometry grid = HeightGrid(path_).Geometry();
  // Cells: the first column's centre is 7.5″ east of 0°, so the west edge of column c is c / 240
  // degrees east; the first row's north edge is 90° N.
  const GeoPlacement placement = PlaceRegion(grid, DegreePoint(138, 55), 488, 441);
  EXPECT_DOUBLE_EQ(placement.pixelDegrees, 1.0 / 240);
  EXPECT_DOUBLE_EQ(placement.west, 32875.0 / 240);
  EXPECT_DOUBLE_EQ(placement.north, 90 - 12979.0 / 240);
}

TEST(HeaderGridPlacementTest, NodesArePlacedAtTheirSamplesWithTheEdgesHalfASampleOut) {
  const TempDir dir;
  const auto path = testing::WriteHeaderGrid(dir, "grid", {3, 1, false}, Height);
  // 20′ nodes: column c lies at c / 3 degrees east, row r at 90 - r / 3 degrees north.
  const GeoPlacement placement =
      PlaceRegion(HeightGrid(path).Geometry(), DegreePoint(100, 80), 60, 40);
  EXPECT_DOUBLE_EQ(placement.west, (300 - 30 - 1) / 3.0 - 1.0 / 6);
  EXPECT_DOUBLE_EQ(placement.north, 90 - (240 - 20 - 1) / 3.0 + 1.0 / 6);
}

TEST(HeaderGridPaintFailureTest, AnInvalidHeaderPaintsNothingAndSaysWhy) {
  const TempDir dir;
  const auto path = testing::WriteHeaderGrid(dir, "grid", {1, 1, true}, Height);
  dir.Write("grid.hdr", testing::HeaderText({1, 1, true}) + "NBITS 8\n");
  RegionView view;
  view.PlaceCenter(100, 50);
  PixelBuffer surface(20, 10);
  ShownSamples shown;
  try {
    view.PaintRegion(path, ColorTable(DesignTimeColorBar()), surface, shown);
    FAIL() << "painted from an invalid header";
  } catch (const OranduError& error) {
    EXPECT_NE(std::string(error.what()).find("grid.hdr"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(shown.Painted({50, 100}));
  EXPECT_EQ(surface.At(10, 5), kBlack);
}

}  // namespace
}  // namespace orandu
