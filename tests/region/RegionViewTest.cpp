// Centring on a pick and painting the region: which grid sample lands on which pixel.
#include "region/RegionView.h"

#include <gtest/gtest.h>

#include "region/files/Errors.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// ---- SetCenter ---------------------------------------------------------------------------

struct Pick {
  int lon, lat, width, height;
  int centerLon, centerLat;
};

std::ostream& operator<<(std::ostream& out, const Pick& p) {
  return out << "(" << p.lon << "," << p.lat << ") in " << p.width << "x" << p.height;
}

class SetCenterTest : public ::testing::TestWithParam<Pick> {};

TEST_P(SetCenterTest, PullsTheCentreBackInsideTheGrid) {
  const Pick& pick = GetParam();
  RegionView view;
  view.SetCenter(pick.lon, pick.lat, pick.width, pick.height);
  EXPECT_EQ(view.CenterLon(), pick.centerLon);
  EXPECT_EQ(view.CenterLat(), pick.centerLat);
}

INSTANTIATE_TEST_SUITE_P(
    Picks, SetCenterTest,
    ::testing::Values(Pick{13, 13, 488, 441, 20, 18}, Pick{200, 100, 488, 441, 200, 100},
                      Pick{372, 192, 488, 441, 339, 161}, Pick{-50, 500, 488, 441, 20, 161},
                      Pick{0, 0, 0, 0, 0, 0}, Pick{400, 400, 0, 0, 359, 179},
                      // Half sizes in degrees that round away from what truncation gives:
                      // 36 / 24 = 1.5 rounds up to 2, 301 / 24 = 12.54 rounds to 13, and
                      // 60 / 24 = 2.5 rounds to the even 2, not up to 3.
                      Pick{0, 0, 36, 301, 2, 13}, Pick{400, 400, 36, 301, 357, 166},
                      Pick{0, 0, 60, 0, 2, 0}, Pick{400, 0, 60, 0, 357, 0},
                      // When the region is wider than the world both tests fire; the later wins.
                      Pick{10, 10, 9000, 441, 359 - 375, 18},
                      Pick{300, 10, 9000, 4400, 359 - 375, 179 - 183}));

// ---- MoveCenter ---------------------------------------------------------------------------

struct Move {
  int fromLon, fromLat, toLon, toLat, width, height;
  int centerLon, centerLat;
};

std::ostream& operator<<(std::ostream& out, const Move& m) {
  return out << "(" << m.fromLon << "," << m.fromLat << ") to (" << m.toLon << "," << m.toLat
             << ") in " << m.width << "x" << m.height;
}

class MoveCenterTest : public ::testing::TestWithParam<Move> {};

TEST_P(MoveCenterTest, MovesByTheStepOrLessNeverMoreNorBackwards) {
  const Move& move = GetParam();
  RegionView view;
  view.PlaceCenter(move.fromLon, move.fromLat);
  view.MoveCenter(move.toLon, move.toLat, move.width, move.height);
  EXPECT_EQ(view.CenterLon(), move.centerLon);
  EXPECT_EQ(view.CenterLat(), move.centerLat);
}

// 488 x 441 keeps centres within 20 ... 339 and 18 ... 161; 1800 x 1100 within 75 ... 284 and
// 46 ... 133, so a centre picked at 488 x 441 and kept through a resize to 1800 x 1100 may lie
// outside.
INSTANTIATE_TEST_SUITE_P(
    Moves, MoveCenterTest,
    ::testing::Values(
        Move{200, 100, 201, 99, 488, 441, 201, 99},
        // The edge stops a step short, and a centre on the edge stays.
        Move{25, 22, 15, 12, 488, 441, 20, 18}, Move{20, 18, 19, 17, 488, 441, 20, 18},
        Move{335, 158, 345, 168, 488, 441, 339, 161},
        // Left outside by a resize: a step inwards is the step, not a jump to the
        // edge (339 to 284 was the fault), and a step outwards moves nothing.
        Move{339, 161, 338, 160, 1800, 1100, 338, 160},
        Move{339, 161, 329, 151, 1800, 1100, 329, 151},
        Move{339, 161, 340, 162, 1800, 1100, 339, 161}, Move{20, 18, 21, 19, 1800, 1100, 21, 19},
        Move{20, 18, 19, 17, 1800, 1100, 20, 18},
        // A step that comes back inside goes the whole way.
        Move{290, 140, 280, 130, 1800, 1100, 280, 130},
        // Wider than the world a pick lands on 359 - 375: only steps towards it.
        Move{200, 18, 199, 18, 9000, 441, 199, 18}, Move{200, 18, 201, 18, 9000, 441, 200, 18}));

TEST(RegionViewTest, PlaceCenterStoresTheCentreWithoutPullingItBack) {
  RegionView view;
  view.PlaceCenter(372, -5);
  EXPECT_EQ(view.CenterLon(), 372);
  EXPECT_EQ(view.CenterLat(), -5);
}

TEST(RegionViewTest, StartsCentredAtZero) {
  RegionView view;
  EXPECT_EQ(view.CenterLon(), 0);
  EXPECT_EQ(view.CenterLat(), 0);
}

TEST(RegionViewTest, FirstRowAndColumnFollowTheDefaultArea) {
  EXPECT_EQ(FirstRow(18, 441), -5);
  EXPECT_EQ(FirstColumn(20, 488), -5);
  EXPECT_EQ(FirstRow(100, 441), 979);
  EXPECT_EQ(FirstColumn(200, 488), 2155);
  EXPECT_EQ(FirstRow(161, 441), 1711);
  EXPECT_EQ(FirstColumn(339, 488), 3823);
  EXPECT_EQ(FirstColumn(200, 489), 2155);  // round(244.5) = 244
  EXPECT_EQ(FirstColumn(200, 491), 2153);  // round(245.5) = 246
}

// ---- PaintRegion -------------------------------------------------------------------------

// A whole synthetic grid in which the sample at (row, column) is 50 m times a code of the
// place, and a bar whose every column has its own colour: each pixel then tells where it came from.
int PlaceCode(int row, int column) {
  return (row * 7 + column * 3) % 200;
}

PackedColor ColorOfPlace(int row, int column) {
  const int barColumn = BarCenterColumn + PlaceCode(row, column);
  return Pack(Rgb{std::uint8_t(barColumn), std::uint8_t(barColumn >> 8), 77});
}

Picture CodingBar() {
  Picture bar{400, 1, std::vector<Rgb>(400)};
  for (int x = 0; x < 400; ++x) bar.pixels[x] = Rgb{std::uint8_t(x), std::uint8_t(x >> 8), 77};
  return bar;
}

std::vector<std::uint8_t> CodedGridBytes(int rows) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rows) * RowBytes);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < GridColumns; ++c) {
      const auto raw = static_cast<std::uint16_t>(50 * PlaceCode(r, c));
      bytes[static_cast<std::size_t>(r) * RowBytes + 2 * c] = static_cast<std::uint8_t>(raw & 0xFF);
      bytes[static_cast<std::size_t>(r) * RowBytes + 2 * c + 1] =
          static_cast<std::uint8_t>(raw >> 8);
    }
  }
  return bytes;
}

class PaintRegionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    gridPath_ = new std::filesystem::path(dir_->Write("ETOPO5.DOS", CodedGridBytes(GridRows)));
  }
  static void TearDownTestSuite() {
    delete gridPath_;
    delete dir_;
  }

  // Pixel (x, y) must show grid row firstRow + y and column firstColumn + x, wrapped east-west.
  static void ExpectShows(const PixelBuffer& surface, int firstRow, int firstColumn) {
    for (int y = 0; y < surface.Height(); ++y) {
      for (int x = 0; x < surface.Width(); ++x) {
        const int column = ((firstColumn + x) % GridColumns + GridColumns) % GridColumns;
        ASSERT_EQ(surface.At(x, y), ColorOfPlace(firstRow + y, column)) << x << "," << y;
      }
    }
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::filesystem::path* gridPath_ = nullptr;
  ColorTable colors_{CodingBar()};
};

TEST_F(PaintRegionTest, ShowsOneSamplePerPixelNorthUpEastRight) {
  RegionView view;
  PixelBuffer surface(488, 441);
  view.SetCenter(200, 100, surface.Width(), surface.Height());
  view.PaintRegion(*gridPath_, colors_, surface);
  ExpectShows(surface, 979, 2155);
}

TEST_F(PaintRegionTest, NegativeFirstRowShowsTheTopRowsUnshiftedAndWrapsWest) {
  RegionView view;
  PixelBuffer surface(488, 441);
  view.SetCenter(13, 13, surface.Width(), surface.Height());
  view.PaintRegion(*gridPath_, colors_, surface);
  ExpectShows(surface, 0, -5);  // pixel columns 0 ... 4 are grid columns 4315 ... 4319
}

TEST_F(PaintRegionTest, WiderAreaAfterThePickWrapsPastTheEasternEdge) {
  RegionView view;
  view.SetCenter(372, 192, 488, 441);
  PixelBuffer wider(700, 441);  // resized without a new pick: the centre is not pulled back
  view.PaintRegion(*gridPath_, colors_, wider);
  ExpectShows(wider, 1711, FirstColumn(339, 700));
}

TEST_F(PaintRegionTest, OddSizesRoundHalvesToEven) {
  for (const auto& [width, height] : {std::pair{489, 441}, {491, 443}, {1, 1}, {13, 25}}) {
    RegionView view;
    PixelBuffer surface(width, height);
    view.SetCenter(180, 90, width, height);
    view.PaintRegion(*gridPath_, colors_, surface);
    ExpectShows(surface, FirstRow(view.CenterLat(), height), FirstColumn(view.CenterLon(), width));
  }
}

TEST_F(PaintRegionTest, EmptyAreaPaintsNothing) {
  RegionView view;
  PixelBuffer surface(0, 0);
  view.SetCenter(200, 100, 0, 0);
  EXPECT_NO_THROW(view.PaintRegion(*gridPath_, colors_, surface));
}

TEST_F(PaintRegionTest, EmptyBarLeavesTheAreaBlack) {
  RegionView view;
  PixelBuffer surface(50, 40);
  view.SetCenter(200, 100, 50, 40);
  view.PaintRegion(*gridPath_, ColorTable(Picture{}), surface);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) ASSERT_EQ(surface.At(x, y), kBlack);
  }
}

TEST(PaintRegionShortFileTest, PaintsOnlyTheSamplesTheFileHolds) {
  TempDir dir;
  auto bytes = CodedGridBytes(11);
  bytes.resize(10 * RowBytes + 2 * 100 + 1);  // ten rows, 100 samples and a lone byte
  const auto path = dir.Write("short.dos", bytes);
  const ColorTable colors(CodingBar());
  RegionView view;
  PixelBuffer surface(488, 441);
  view.SetCenter(0, 0, 488, 441);  // centre (20, 18): the top rows, columns from 4315
  view.PaintRegion(path, colors, surface);
  for (int y = 0; y < 441; ++y) {
    for (int x = 0; x < 488; ++x) {
      const int column = (x + GridColumns - 5) % GridColumns;
      const bool held = y < 10 || (y == 10 && column < 100);
      ASSERT_EQ(surface.At(x, y), held ? ColorOfPlace(y, column) : kBlack) << x << "," << y;
    }
  }
}

TEST(PaintRegionShortFileTest, EmptyFilePaintsNothingAndRaisesNothing) {
  TempDir dir;
  const auto path = dir.Write("empty.dos", std::string());
  RegionView view;
  PixelBuffer surface(30, 20);
  EXPECT_NO_THROW(view.PaintRegion(path, ColorTable(DesignTimeColorBar()), surface));
  EXPECT_EQ(surface.At(0, 0), kBlack);
}

TEST(PaintRegionShortFileTest, MissingGridRaisesTheOpenMessageAndPaintsNothing) {
  TempDir dir;
  RegionView view;
  PixelBuffer surface(30, 20);
  try {
    view.PaintRegion(dir / "ETOPO5.DOS", ColorTable(DesignTimeColorBar()), surface);
    FAIL();
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()), "ファイル \"" + (dir / "ETOPO5.DOS").string() +
                                             "\". No such file or directory は開けません");
  }
  EXPECT_EQ(surface.At(0, 0), kBlack);
}

// ---- Grid files that are short, change between paints, or have unusual names ---------------

// A region around the pick (0, 0) on a 488 x 441 area: centre (20, 18), first row -5 (so the
// paint starts at the top of the file), first column -5.
constexpr int kTopWidth = 488;
constexpr int kTopHeight = 441;

PixelBuffer PaintTop(const std::filesystem::path& grid) {
  const ColorTable colors(CodingBar());
  RegionView view;
  view.SetCenter(0, 0, kTopWidth, kTopHeight);
  PixelBuffer surface(kTopWidth, kTopHeight);
  view.PaintRegion(grid, colors, surface);
  return surface;
}

// The file holds `size` bytes of coded rows, its first row being coded row `firstCodedRow`:
// every sample it holds whole shows where it came from, every other pixel stays black.
void ExpectShowsWhatTheFileHolds(const PixelBuffer& surface, std::size_t size,
                                 int firstCodedRow = 0) {
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      const int column = (x + GridColumns - 5) % GridColumns;
      const std::size_t end = static_cast<std::size_t>(y) * RowBytes + 2 * column + 2;
      const PackedColor expected = end <= size ? ColorOfPlace(firstCodedRow + y, column) : kBlack;
      ASSERT_EQ(surface.At(x, y), expected) << x << "," << y << " of a " << size << "-byte file";
    }
  }
}

std::vector<std::uint8_t> CodedRowsFrom(int firstRow, int rows) {
  auto bytes = CodedGridBytes(firstRow + rows);
  bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(firstRow) * RowBytes);
  return bytes;
}

TEST(PaintRegionFileTest, FileShorterThanOneRowShowsTheSamplesItHolds) {
  TempDir dir;
  for (const std::size_t size :
       {std::size_t{1}, std::size_t{2}, std::size_t{1001}, std::size_t{RowBytes - 1}}) {
    auto bytes = CodedGridBytes(1);
    bytes.resize(size);
    ExpectShowsWhatTheFileHolds(PaintTop(dir.Write("short.dos", bytes)), size);
  }
}

// The grid is opened anew for every paint, so each paint sees the file as it is at that moment.
TEST(PaintRegionFileTest, FileCutOrReplacedBetweenPaintsIsReadAsItIsNow) {
  TempDir dir;
  const auto grid = dir.Write("ETOPO5.DOS", CodedGridBytes(kTopHeight));
  ExpectShowsWhatTheFileHolds(PaintTop(grid), std::size_t{kTopHeight} * RowBytes);

  const std::size_t cut = 3 * RowBytes + 2 * 700 + 1;
  std::filesystem::resize_file(grid, cut);
  ExpectShowsWhatTheFileHolds(PaintTop(grid), cut);

  // Replaced the way a copy or a download replaces a file: a new file renamed over the name.
  const auto shifted = dir.Write("new.dos", CodedRowsFrom(7, 20));
  std::filesystem::rename(shifted, grid);
  ExpectShowsWhatTheFileHolds(PaintTop(grid), 20 * RowBytes, 7);

  std::filesystem::remove(grid);
  std::filesystem::create_directory(grid);
  try {
    PaintTop(grid);
    FAIL() << "painted from a folder";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + grid.string() + "\". Is a directory は開けません");
  }
}

// File names are bytes: one that is not UTF-8 is opened as it is and quoted as it is.
TEST(PaintRegionFileTest, PathThatIsNotUtf8IsReadAndQuotedByteForByte) {
  TempDir dir;
  const auto grid = dir.Write("\xFF\xFE\x80 \x93\xFA\x96\x7B.dos", CodedGridBytes(2));
  ExpectShowsWhatTheFileHolds(PaintTop(grid), 2 * RowBytes);

  const auto missing = dir / "\xC3\x28\xA0.dos";
  try {
    PaintTop(missing);
    FAIL() << "painted from a missing file";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + dir.path().string() +
                  "/\xC3\x28\xA0.dos\". No such file or directory は開けません");
  }
}

}  // namespace
}  // namespace orandu
