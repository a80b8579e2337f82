// make-worldmap run on grids written here and on the real grid, and the map the program ships.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "region/picture/Picture.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::ToolPath;

constexpr int kSuccess = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The number of colour components of a baseline JPEG, or 0 when the file is anything else
// (progressive, lossless, not a JPEG).
int BaselineComponents(const std::vector<std::uint8_t>& jpeg) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 0;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
    const std::uint8_t marker = jpeg[at + 1];
    const std::size_t length = static_cast<std::size_t>(jpeg[at + 2] << 8 | jpeg[at + 3]);
    if (marker == 0xC0) return at + 9 < jpeg.size() ? jpeg[at + 9] : 0;
    // Any other frame header (or the scan before a frame header) is not a baseline picture.
    const bool frame =
        marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame || marker == 0xDA) return 0;
    at += 2 + length;
  }
  return 0;
}

bool IsSea(Rgb colour) {
  return colour.blue > colour.red + 40 && colour.blue > colour.green;
}

// Grid heights in metres: the whole Earth at one depth, with a block of land.
std::vector<std::uint8_t> GridWithLandBlock(int firstLon, int firstLat, int degrees) {
  std::vector<std::uint8_t> grid(static_cast<std::size_t>(GridBytes));
  for (int row = 0; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const int lon = column / SamplesPerDegree;
      const int lat = row / SamplesPerDegree;
      const bool land = lon >= firstLon && lon < firstLon + degrees && lat >= firstLat &&
                        lat < firstLat + degrees;
      const auto raw = static_cast<std::uint16_t>(land ? 1000 : -4000);
      const std::size_t at = static_cast<std::size_t>(row) * RowBytes + column * 2;
      grid[at] = static_cast<std::uint8_t>(raw & 0xFF);
      grid[at + 1] = static_cast<std::uint8_t>(raw >> 8);
    }
  }
  return grid;
}

TEST(MakeWorldMapTest, WrongArgumentCountIsAUsageError) {
  const TempDir scratch;
  const auto run = RunTool(ToolPath("make-worldmap"), {"ETOPO5.DOS"}, scratch);
  EXPECT_EQ(run.exitStatus, kUsage);
  EXPECT_EQ(run.errors, "usage: make-worldmap GRID OUTPUT.jpg\n");
}

TEST(MakeWorldMapTest, RefusesAMissingOrShortGrid) {
  const TempDir scratch;
  const auto output = scratch / "worldmap.jpg";
  const auto missing = scratch / "missing.DOS";
  const auto shortGrid = scratch.Write("short.DOS", std::vector<std::uint8_t>(RowBytes));

  auto run = RunTool(ToolPath("make-worldmap"), {missing.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors,
            "make-worldmap: cannot read " + missing.string() + ": No such file or directory\n");

  run = RunTool(ToolPath("make-worldmap"), {shortGrid.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors,
            "make-worldmap: " + shortGrid.string() + " has 8640 bytes; a grid file has 18662400\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(MakeWorldMapTest, DrawsOneBaselinePixelPerDegreeNorthUpEastRight) {
  const TempDir scratch;
  // Land over longitudes 16° ... 23° E and latitude rows 24 ... 31 (66° ... 59° N): a transposed
  // or upside-down map would put it elsewhere.
  const auto grid = scratch.Write("ETOPO5.DOS", GridWithLandBlock(16, 24, 8));
  const auto output = scratch / "worldmap.jpg";
  const auto run = RunTool(ToolPath("make-worldmap"), {grid.string(), output.string()}, scratch);
  ASSERT_EQ(run.exitStatus, kSuccess) << run.errors;

  const std::vector<std::uint8_t> jpeg = ReadFile(output);
  EXPECT_EQ(BaselineComponents(jpeg), 3);
  const Picture map = DecodeJpeg(jpeg);
  ASSERT_EQ(map.width, 360);
  ASSERT_EQ(map.height, 180);
  EXPECT_FALSE(IsSea(map.at(19, 27)));
  EXPECT_FALSE(IsSea(map.at(21, 29)));
  EXPECT_TRUE(IsSea(map.at(27, 19)));   // transposed
  EXPECT_TRUE(IsSea(map.at(19, 152)));  // upside down
  EXPECT_TRUE(IsSea(map.at(340, 27)));  // mirrored east to west
  EXPECT_TRUE(IsSea(map.at(180, 90)));
}

struct Place {
  const char* name;
  int lon;  // whole degrees east of 0°
  int lat;  // whole degrees south of 90° N
  bool sea;
};

constexpr Place kPlaces[] = {
    {"North Atlantic, 30° W 40° N", 330, 50, true}, {"Central Pacific, 160° W 0°", 200, 90, true},
    {"Indian Ocean, 80° E 20° S", 80, 110, true},   {"Kazakhstan, 70° E 48° N", 70, 42, false},
    {"Tibet, 88° E 32° N", 88, 58, false},          {"Sahara, 10° E 25° N", 10, 65, false},
    {"Amazon, 60° W 3° S", 300, 93, false},         {"Antarctica, 90° E 85° S", 90, 175, false},
};

void ExpectTheEarth(const Picture& map) {
  ASSERT_EQ(map.width, 360);
  ASSERT_EQ(map.height, 180);
  for (const Place& place : kPlaces) {
    EXPECT_EQ(IsSea(map.at(place.lon, place.lat)), place.sea) << place.name;
  }
}

TEST(ShippedWorldMapTest, IsABaselineMapOfTheEarthOfAboutTwentyKilobytes) {
  const std::vector<std::uint8_t> jpeg =
      ReadFile(std::filesystem::path(ORANDU_RESOURCES_DIR) / "worldmap.jpg");
  EXPECT_EQ(BaselineComponents(jpeg), 3);
  EXPECT_GT(jpeg.size(), 15'000u);
  EXPECT_LT(jpeg.size(), 25'000u);
  ExpectTheEarth(DecodeJpeg(jpeg));
}

TEST(RealGridWorldMapTest, ShowsTheEarthTheRightWayRound) {
  const std::filesystem::path grid = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(grid)) GTEST_SKIP() << grid << " is absent; run etopo5-import";
  const TempDir scratch;
  const auto output = scratch / "worldmap.jpg";
  const auto run = RunTool(ToolPath("make-worldmap"), {grid.string(), output.string()}, scratch);
  ASSERT_EQ(run.exitStatus, kSuccess) << run.errors;
  ExpectTheEarth(DecodeJpeg(ReadFile(output)));
}

}  // namespace
}  // namespace orandu
