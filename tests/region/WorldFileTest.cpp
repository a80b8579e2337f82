// The world file beside a picture: its name, its six lines for a shown region, its atomic write.
#include "region/WorldFile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "region/files/Errors.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;

TEST(WorldFileTest, PathTakesTheFormatsLettersBesideThePicture) {
  const struct {
    const char* picture;
    PlacedPictureFormat format;
    const char* world;
  } rows[] = {
      {"maps/region.png", PlacedPictureFormat::kPng, "maps/region.pgw"},
      {"maps/region.bmp", PlacedPictureFormat::kBmp, "maps/region.bpw"},
      {"maps/region.tif", PlacedPictureFormat::kTiff, "maps/region.tfw"},
      {"maps/region.tiff", PlacedPictureFormat::kTiff, "maps/region.tfw"},
      {"UPPER.BMP", PlacedPictureFormat::kBmp, "UPPER.bpw"},
      {"japan.2026.png", PlacedPictureFormat::kPng, "japan.2026.pgw"},
      {"saved-as-png", PlacedPictureFormat::kPng, "saved-as-png.pgw"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(WorldFilePath(row.picture, row.format), std::filesystem::path(row.world))
        << row.picture;
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The top-left pixel's centre is its sample's position: grid column c at c/12° E, row r at
// 90 - r/12° N. The region's first column and row lie half its size (rounded half to even) and
// one more before the centre's sample (12 a degree); columns here are already moved by a whole
// turn (4320) where the region's middle would otherwise lie outside 180° W ... 180° E.
TEST(WorldFileTest, PlacesTheTopLeftPixelOfTheShownRegion) {
  const struct {
    int lon, lat, width, height;
    int firstColumn, firstRow;
  } rows[] = {
      {138, 55, 488, 441, 1656 - 244 - 1, 660 - 220 - 1},  // Japan, 441 / 2 rounds down to even
      {0, 90, 600, 300, -300 - 1, 1080 - 150 - 1},         // across 0°: west of it is negative
      {359, 90, 600, 301, 4308 - 300 - 1 - 4320, 1080 - 150 - 1},  // middle past 180°: a turn west
      {180, 90, 4320, 2160, 2160 - 2160 - 1, 1080 - 1080 - 1},     // the whole grid
      {90, 0, 7, 5, 1080 - 4 - 1, 0 - 2 - 1},                      // 7 / 2 rounds up to even
  };
  TempDir dir;
  for (const auto& row : rows) {
    const auto picture = dir / "region.png";
    WriteWorldFile(picture, PlacedPictureFormat::kPng,
                   PlaceRegion(row.lon, row.lat, row.width, row.height));
    const std::string text = ReadText(dir / "region.pgw");
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 6u) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NEAR(std::stod(lines[0]), 1.0 / 12, 1e-12) << row.lon << ',' << row.lat;
    EXPECT_EQ(lines[1], "0");
    EXPECT_EQ(lines[2], "0");
    EXPECT_NEAR(std::stod(lines[3]), -1.0 / 12, 1e-12);
    EXPECT_NEAR(std::stod(lines[4]), row.firstColumn / 12.0, 1e-9) << row.lon << ',' << row.lat;
    EXPECT_NEAR(std::stod(lines[5]), 90 - row.firstRow / 12.0, 1e-9) << row.lon << ',' << row.lat;
  }
}

TEST(WorldFileTest, ReplacesAnOldWorldFileWhole) {
  TempDir dir;
  dir.Write("region.tfw", std::string(1000, 'x'));
  WriteWorldFile(dir / "region.tif", PlacedPictureFormat::kTiff, PlaceRegion(138, 55, 488, 441));
  EXPECT_EQ(Lines(ReadText(dir / "region.tfw")).size(), 6u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WorldFileTest, RefusedTargetIsReportedAndLeftAsItWas) {
  TempDir dir;
  const auto world = dir / "region.bpw";
  std::filesystem::create_directory(world);
  for (const auto& picture : {dir / "region.bmp", dir / "missing" / "region.bmp"}) {
    try {
      WriteWorldFile(picture, PlacedPictureFormat::kBmp, PlaceRegion(138, 55, 488, 441));
      ADD_FAILURE() << "no error for " << picture;
    } catch (const OranduError& error) {
      EXPECT_EQ(error.what(),
                WorldFilePath(picture, PlacedPictureFormat::kBmp).string() + " に書き込めません");
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(world));
  EXPECT_TRUE(std::filesystem::is_empty(world));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace orandu
