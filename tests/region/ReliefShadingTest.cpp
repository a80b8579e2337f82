// Shaded paints against Horn's slopes and the light's incidence worked out here, sample by sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "region/RegionView.h"
#include "region/ShownSamples.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

constexpr double kPi = std::numbers::pi;
constexpr double kNorthSouthMetres = 6371008.8 * (5.0 / 60.0) * kPi / 180.0;  // 9266.257 m
constexpr int kFixtureRows = 1091;    // to a little south of the equator (row 1080)
constexpr int kCutRowColumns = 2000;  // then part of one more row
constexpr int kPaintHeight = kFixtureRows + 3;
constexpr int kSlope = 300;  // metres a sample, along the columns or the rows

// A plane's rise per column (east) and per row (south) in a band of columns around centreColumn.
struct Plane {
  const char* facing;
  int perColumn;
  int perRow;
};
// Each plane faces the way its ground falls.
constexpr Plane kPlanes[] = {
    {"north", 0, kSlope},  {"north-east", -kSlope, kSlope},
    {"east", -kSlope, 0},  {"south-east", -kSlope, -kSlope},
    {"south", 0, -kSlope}, {"south-west", kSlope, -kSlope},
    {"west", kSlope, 0},   {"north-west", kSlope, kSlope},
};
constexpr int kPlaneBand = 20;  // columns of each plane, from column 100 on
constexpr int kPlaneFirstColumn = 100;
constexpr int kSixtyNorthRow = 360;
constexpr int kEquatorRow = 1080;
constexpr int kConeRow = 720;  // 30° N
constexpr int kConeColumn = 2000;

int PlaneCentreColumn(int index) {
  return kPlaneFirstColumn + kPlaneBand * index + kPlaneBand / 2;
}

// The fixture's height at a row and column.
int FixtureHeight(int row, int column) {
  // At the pole: ridges along the row, and the next row 400 m higher everywhere.
  if (row <= 1) return 50 * (column % 4) + 400 * row;
  // A cone 8000 m high falling 600 m a sample in every direction.
  const double fromCone = std::hypot(row - kConeRow, column - kConeColumn);
  if (fromCone <= 12) return static_cast<int>(std::lround(8000 - 600 * fromCone));
  for (const int centreRow : {kSixtyNorthRow, kEquatorRow}) {
    if (std::abs(row - centreRow) > 8) continue;
    for (int i = 0; i < 8; ++i) {
      const int across = column - PlaneCentreColumn(i);
      if (across >= -kPlaneBand / 2 && across < kPlaneBand / 2) {
        return 3000 + kPlanes[i].perColumn * across + kPlanes[i].perRow * (row - centreRow);
      }
    }
    // A plane rising eastwards across the seam.
    const int fromSeam = column < GridColumns / 2 ? column : column - GridColumns;
    if (std::abs(fromSeam) <= 8) return 3000 + kSlope * fromSeam;
  }
  return 1000;
}

std::uint16_t Raw(int height) {
  return static_cast<std::uint16_t>(height < 0 ? height + 65536 : height);
}

std::vector<std::uint8_t> FixtureBytes() {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(kFixtureRows) * RowBytes + 2 * kCutRowColumns);
  for (int row = 0; row <= kFixtureRows; ++row) {
    for (int column = 0; column < (row < kFixtureRows ? GridColumns : kCutRowColumns); ++column) {
      const std::uint16_t raw = Raw(FixtureHeight(row, column));
      bytes.push_back(static_cast<std::uint8_t>(raw & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(raw >> 8));
    }
  }
  return bytes;
}

// The pixel showing a column in a paint of the whole width centred on 180°: pixel 0 shows the
// last column.
int PixelX(int column) {
  return (column + 1) % GridColumns;
}

double Radians(double degrees) {
  return degrees * kPi / 180;
}

// cos i for east and north slopes (rise over run) under a light.
double CosIncidence(double east, double north, const Light& light) {
  const double alt = Radians(light.altitude);
  const double az = Radians(light.azimuth);
  return (std::sin(alt) - east * std::cos(alt) * std::sin(az) -
          north * std::cos(alt) * std::cos(az)) /
         std::sqrt(1 + east * east + north * north);
}

// Horn's 3 x 3 slopes from heights given by `height`, straight from the stencil, in metres.
double HornCosIncidence(const std::function<int(int, int)>& height, int lastRow, int row,
                        int column, const Light& light) {
  const auto at = [&](int r, int c) {
    return light.exaggeration * height(std::clamp(r, 0, lastRow), (c + GridColumns) % GridColumns);
  };
  const double a = at(row - 1, column - 1), b = at(row - 1, column), c = at(row - 1, column + 1);
  const double d = at(row, column - 1), f = at(row, column + 1);
  const double g = at(row + 1, column - 1), h = at(row + 1, column), i = at(row + 1, column + 1);
  if (row == 0) return std::sin(Radians(light.altitude));  // the pole: one point, no slope
  const double latitude = 90.0 - row * 5.0 / 60.0;
  const double dx = kNorthSouthMetres * std::cos(Radians(latitude));
  const double east = ((c + 2 * f + i) - (a + 2 * d + g)) / (8 * dx);
  const double north = ((a + 2 * b + c) - (g + 2 * h + i)) / (8 * kNorthSouthMetres);
  return CosIncidence(east, north, light);
}

// The documented blend: towards white or black by round(256 I) 256ths, I the intensity.
PackedColor Blend(PackedColor color, double cosI, const Light& light) {
  const double sinAlt = std::sin(Radians(light.altitude));
  const double intensity = std::clamp((cosI - sinAlt) / (1 - sinAlt), -1.0, 1.0);
  const long w = std::lround(256 * intensity);
  PackedColor out = color & 0xFF000000u;
  for (const int shift : {0, 8, 16}) {
    const long c = (color >> shift) & 0xFF;
    const long shaded = w >= 0 ? c + ((255 - c) * w + 128) / 256 : c - (c * -w + 128) / 256;
    out |= static_cast<PackedColor>(shaded) << shift;
  }
  return out;
}

// Channels apart by at most one: the paint works in single precision, so a weight can round the
// other way at a half.
::testing::AssertionResult WithinOneLevel(PackedColor actual, PackedColor expected) {
  for (const int shift : {0, 8, 16, 24}) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > (shift == 24 ? 0 : 1)) {
      return ::testing::AssertionFailure() << std::hex << actual << " is not " << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

class ReliefShadingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    gridPath_ = new std::filesystem::path(dir_->Write("fixture.dos", FixtureBytes()));
  }
  static void TearDownTestSuite() {
    delete gridPath_;
    delete dir_;
  }

  // The whole width of the fixture, pixel x showing column x - 1 and pixel y row y.
  PixelBuffer Paint(std::optional<Light> light) const {
    RegionView view;
    view.PlaceCenter(180, 0);
    view.SetShading(light);
    PixelBuffer surface(GridColumns, kPaintHeight);
    view.PaintRegion(*gridPath_, colors_, surface);
    return surface;
  }
  PackedColor Flat(int row, int column) const { return colors_[Raw(FixtureHeight(row, column))]; }

  static TempDir* dir_;
  static std::filesystem::path* gridPath_;
  ColorTable colors_{DesignTimeColorBar()};
};
TempDir* ReliefShadingTest::dir_ = nullptr;
std::filesystem::path* ReliefShadingTest::gridPath_ = nullptr;

TEST_F(ReliefShadingTest, PlanesFacingEachCompassPointShadeAsTheirSlopeAndLatitudeSay) {
  const Light light;
  const PixelBuffer surface = Paint(light);
  for (const int centreRow : {kSixtyNorthRow, kEquatorRow}) {
    // At 60° N a column is half as far across as at the equator, so its rise is twice as steep.
    const double dx = kNorthSouthMetres * (centreRow == kSixtyNorthRow ? 0.5 : 1.0);
    for (int i = 0; i < 8; ++i) {
      const double east = kPlanes[i].perColumn / dx;
      const double north = -kPlanes[i].perRow / kNorthSouthMetres;
      const double cosI = CosIncidence(east, north, light);
      for (int row = centreRow - 6; row <= centreRow + 6; ++row) {
        for (int across = -kPlaneBand / 2 + 1; across < kPlaneBand / 2 - 1; ++across) {
          const int column = PlaneCentreColumn(i) + across;
          ASSERT_TRUE(WithinOneLevel(surface.At(PixelX(column), row),
                                     Blend(Flat(row, column), cosI, light)))
              << kPlanes[i].facing << " at row " << row << " column " << column;
        }
      }
    }
  }
  // The light comes from the north-west: the plane facing it is lighter than flat ground, the one
  // facing away darker.
  const auto lightness = [&](int i) {
    const PackedColor color = surface.At(PixelX(PlaneCentreColumn(i)), kEquatorRow);
    return ((color >> 16) & 0xFF) + ((color >> 8) & 0xFF) + (color & 0xFF);
  };
  const PackedColor flat = Flat(kEquatorRow, PlaneCentreColumn(0));
  const auto flatLightness = ((flat >> 16) & 0xFF) + ((flat >> 8) & 0xFF) + (flat & 0xFF);
  EXPECT_GT(lightness(7), flatLightness);
  EXPECT_LT(lightness(3), flatLightness);
}

TEST_F(ReliefShadingTest, TheMultidirectionalLightWeighsFourLightsByTheWayEachSlopeFaces) {
  const Light light{.multidirectional = true};
  const PixelBuffer surface = Paint(light);
  for (const int centreRow : {kSixtyNorthRow, kEquatorRow}) {
    const double dx = kNorthSouthMetres * (centreRow == kSixtyNorthRow ? 0.5 : 1.0);
    for (int i = 0; i < 8; ++i) {
      const double east = kPlanes[i].perColumn / dx;
      const double north = -kPlanes[i].perRow / kNorthSouthMetres;
      // The compass bearing the plane falls towards; each light counts by sin^2 of its angle to
      // that bearing, and the four weights add up to 2.
      const double aspect = std::atan2(-east, -north);
      double cosI = 0;
      for (const double azimuth : {225.0, 270.0, 315.0, 360.0}) {
        const double weight = std::pow(std::sin(aspect - Radians(azimuth)), 2);
        cosI += weight * CosIncidence(east, north, Light{azimuth, 45, 1}) / 2;
      }
      for (int row = centreRow - 6; row <= centreRow + 6; ++row) {
        for (int across = -kPlaneBand / 2 + 1; across < kPlaneBand / 2 - 1; ++across) {
          const int column = PlaneCentreColumn(i) + across;
          ASSERT_TRUE(WithinOneLevel(surface.At(PixelX(column), row),
                                     Blend(Flat(row, column), cosI, light)))
              << kPlanes[i].facing << " at row " << row << " column " << column;
        }
      }
    }
  }
  // Flat ground has no aspect and keeps the bar's colour; the cone's flanks facing every way are
  // all shaded.
  for (int column = 3000; column < 3100; ++column) {
    ASSERT_EQ(surface.At(PixelX(column), 500), Flat(500, column)) << "column " << column;
  }
  for (const auto& [rowStep, columnStep] :
       {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, -5}, std::pair{-5, 0}, std::pair{4, 4}}) {
    const int row = kConeRow + rowStep;
    const int column = kConeColumn + columnStep;
    EXPECT_NE(surface.At(PixelX(column), row), Flat(row, column))
        << "row " << row << " column " << column;
  }
}

TEST_F(ReliefShadingTest, ThePlaneAcrossTheSeamShadesAlikeOnBothSides) {
  const Light light;
  const PixelBuffer surface = Paint(light);
  for (const int column : {GridColumns - 6, GridColumns - 1, 0, 6}) {
    EXPECT_TRUE(WithinOneLevel(surface.At(PixelX(column), kEquatorRow),
                               Blend(Flat(kEquatorRow, column),
                                     CosIncidence(kSlope / kNorthSouthMetres, 0, light), light)))
        << "column " << column;
  }
  EXPECT_NE(surface.At(PixelX(0), kEquatorRow), Flat(kEquatorRow, 0));
}

TEST_F(ReliefShadingTest, ThePoleIsOnePointAndKeepsItsColour) {
  // Row 0 has ridges along it and row 1 lies 400 m higher, yet the pole has no slope: every way
  // from it is south, so cos i = sin alt and the bar's colour stays. Row 1 is shaded.
  const Light light{200, 30, 1};
  const PixelBuffer surface = Paint(light);
  for (int column = 0; column < GridColumns; ++column) {
    ASSERT_EQ(surface.At(PixelX(column), 0), Flat(0, column)) << "column " << column;
  }
  EXPECT_NE(surface.At(PixelX(5), 1), Flat(1, 5));
}

TEST_F(ReliefShadingTest, EveryPixelMatchesHornsStencilWorkedOutDirectly) {
  // A cone, the pole, the planes' edges and the rows past the short file's last whole row, under
  // a light and an exaggeration other than the defaults.
  for (const Light& light : {Light{}, Light{75, 20, 3}}) {
    const PixelBuffer surface = Paint(light);
    const int lastWholeRow = kFixtureRows - 1;
    for (int row = 0; row <= lastWholeRow; ++row) {
      for (int column = 0; column < GridColumns; ++column) {
        const double cosI = HornCosIncidence(FixtureHeight, lastWholeRow, row, column, light);
        ASSERT_TRUE(
            WithinOneLevel(surface.At(PixelX(column), row), Blend(Flat(row, column), cosI, light)))
            << "row " << row << " column " << column << " azimuth " << light.azimuth;
      }
    }
    // The cut row shades what it holds and leaves the rest, and the rows after it, unpainted.
    EXPECT_NE(surface.At(PixelX(kCutRowColumns - 1), kFixtureRows), kBlack);
    EXPECT_EQ(surface.At(PixelX(kCutRowColumns), kFixtureRows), kBlack);
    for (int x = 0; x < GridColumns; ++x) ASSERT_EQ(surface.At(x, kFixtureRows + 1), kBlack);
  }
}

TEST_F(ReliefShadingTest, TheFileLayoutsShadeAsThePackedPaint) {
  RegionView view;
  view.PlaceCenter(180, 0);
  view.SetShading(Light{});
  const PixelBuffer packed = Paint(Light{});
  for (const PixelLayout layout : {PixelLayout::kBgr, PixelLayout::kRgb}) {
    RegionPainter painter(view, *gridPath_, colors_, GridColumns, kPaintHeight, layout);
    std::vector<std::uint8_t> row(3 * GridColumns);
    for (const int y : {kFixtureRows - 1, kConeRow, 0, kEquatorRow}) {
      painter.PaintRow(y, row);
      for (int x = 0; x < GridColumns; ++x) {
        const PackedColor color = packed.At(x, y);
        const std::uint8_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF,
                           blue = color & 0xFF;
        const std::vector<std::uint8_t> expected =
            layout == PixelLayout::kRgb ? std::vector<std::uint8_t>{red, green, blue}
                                        : std::vector<std::uint8_t>{blue, green, red};
        ASSERT_EQ(std::vector<std::uint8_t>(row.begin() + 3 * x, row.begin() + 3 * x + 3), expected)
            << "row " << y << " pixel " << x;
      }
    }
  }
}

TEST_F(ReliefShadingTest, TheReadoutKnowsTheSamePaintedSamplesShadedOrNot) {
  // The shaded paint reads a row more above its block; the read-out must not count it as one of
  // the area's rows.
  RegionView view;
  view.PlaceCenter(167, 90);  // rows 1064 ... 1093, columns 1991 ... 2014
  for (const std::optional<Light> light : {std::optional<Light>(), std::optional(Light{})}) {
    view.SetShading(light);
    PixelBuffer surface(24, 30);
    ShownSamples shown;
    view.PaintRegion(*gridPath_, colors_, surface, shown);
    EXPECT_TRUE(shown.Painted({kFixtureRows - 1, 2010}));
    EXPECT_TRUE(shown.Painted({kFixtureRows, kCutRowColumns - 1}));
    EXPECT_FALSE(shown.Painted({kFixtureRows, kCutRowColumns}));
    EXPECT_FALSE(shown.Painted({kFixtureRows + 1, 1995}));
  }
}

// On the real grid: the north pole's row (all -4290 m) and every sample whose neighbourhood is
// flat keep the bar's colour exactly; the rest is shaded.
TEST(ReliefShadingOnTheGrid, FlatGroundKeepsTheBarsColourExactly) {
  const std::filesystem::path path = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no converted grid at " << path;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(GridBytes));
  {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
  }
  const auto raw = [&](int row, int column) {
    const std::size_t at =
        (static_cast<std::size_t>(std::clamp(row, 0, GridRows - 1)) * GridColumns +
         static_cast<std::size_t>((column + GridColumns) % GridColumns)) *
        2;
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  };
  const ColorTable colors(DesignTimeColorBar());
  RegionView view;
  view.PlaceCenter(180, 0);
  view.SetShading(Light{});
  PixelBuffer surface(GridColumns, GridRows);
  view.PaintRegion(path, colors, surface);
  for (int column = 0; column < GridColumns; ++column) {
    ASSERT_EQ(raw(0, column), Raw(-4290));
    ASSERT_EQ(surface.At(PixelX(column), 0), colors[Raw(-4290)]) << "column " << column;
  }
  int flat = 0;
  int shaded = 0;
  for (int row = 1; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const std::uint16_t centre = raw(row, column);
      bool level = true;
      for (int dr = -1; dr <= 1 && level; ++dr) {
        for (int dc = -1; dc <= 1 && level; ++dc) level = raw(row + dr, column + dc) == centre;
      }
      const PackedColor painted = surface.At(PixelX(column), row);
      if (level) {
        ++flat;
        ASSERT_EQ(painted, colors[centre]) << "row " << row << " column " << column;
      } else if (painted != colors[centre]) {
        ++shaded;
      }
    }
  }
  EXPECT_GT(flat, 10000);
  EXPECT_GT(shaded, GridColumns * GridRows / 2);
}

// A 1° grid described by a header: a plane rising 3000 m a column eastwards across columns 105
// ... 115, to +15000 m, which only plain signed samples hold, and the poles' rows (in a grid of
// nodes) ridged along the row.
int DegreeGridHeight(int row, int column, bool poles, int lastRow) {
  if (poles && (row == 0 || row == lastRow)) return 500 * (column % 3);
  return 3000 * std::clamp(column - 110, -5, 5);
}

class ReliefShadingOnHeaderGrids : public ::testing::TestWithParam<bool> {};

TEST_P(ReliefShadingOnHeaderGrids, SlopesUseTheRowsLatitudeAndThePolesKeepTheirColour) {
  const bool cells = GetParam();
  const testing::GlobalGridShape shape{1, 1, cells};
  const int lastRow = shape.Rows() - 1;
  const TempDir dir;
  const auto path = testing::WriteHeaderGrid(dir, "grid", shape, [&](int row, int column) {
    return DegreeGridHeight(row, column, !cells, lastRow);
  });
  const Light light;
  const Picture bar = DesignTimeColorBar();
  RegionView view;
  view.PlaceCenter(110, 0);  // columns 83 ... 134 at pixels 0 ... 51, rows from the first
  view.SetShading(light);
  PixelBuffer surface(52, shape.Rows());
  view.PaintRegion(path, ColorTable(bar), surface);
  const double northSouth = 6371008.8 * kPi / 180;
  // Rows next to a pole's ridges are no plane.
  for (int row = cells ? 0 : 2; row <= (cells ? lastRow : lastRow - 2); ++row) {
    // The samples' latitude: a cell's centre lies half a degree south of its row's north edge.
    const double latitude = 90 - row - (cells ? 0.5 : 0.0);
    const double dx = northSouth * std::cos(Radians(latitude));
    for (const int column : {107, 110, 113}) {
      const double cosI = CosIncidence(3000 / dx, 0, light);
      const PackedColor flat = Pack(*BarColor(bar, DegreeGridHeight(row, column, !cells, lastRow)));
      ASSERT_TRUE(WithinOneLevel(surface.At(column - 83, row), Blend(flat, cosI, light)))
          << "row " << row << " column " << column;
    }
  }
  // The area's outer columns lie on flat ground: their neighbours outside the area were read too.
  for (int row = cells ? 0 : 2; row <= (cells ? lastRow : lastRow - 2); ++row) {
    for (const int x : {0, 51}) {
      ASSERT_EQ(surface.At(x, row),
                Pack(*BarColor(bar, DegreeGridHeight(row, x + 83, !cells, lastRow))))
          << "row " << row << " pixel " << x;
    }
  }
  if (!cells) {
    for (const int row : {0, lastRow}) {
      for (int x = 0; x < 52; ++x) {
        ASSERT_EQ(surface.At(x, row), Pack(*BarColor(bar, 500 * ((x + 83) % 3))))
            << "pole row " << row << " pixel " << x;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Registrations, ReliefShadingOnHeaderGrids, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "Cells" : "Nodes"; });

TEST(ReliefShadingSpacing, FollowsTheLatitudeOfEachRow) {
  EXPECT_DOUBLE_EQ(EastWestSpacing(0), 0);
  EXPECT_NEAR(NorthSouthSpacing(), 9266.257, 0.01);
  EXPECT_NEAR(EastWestSpacing(360), 9266.257 / 2, 0.01);   // 60° N
  EXPECT_NEAR(EastWestSpacing(1080), 9266.257, 0.01);      // the equator
  EXPECT_NEAR(EastWestSpacing(1800), 9266.257 / 2, 0.01);  // 60° S
}

}  // namespace
}  // namespace orandu
