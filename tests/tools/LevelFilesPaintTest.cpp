// A grid too large for levels built in memory, zoomed out from the level files the native import
// writes beside it: every pixel the mean of its block, worked out here from the samples.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "region/RegionView.h"
#include "region/ReliefShading.h"
#include "region/ShownSamples.h"
#include "region/ZoomedPainter.h"
#include "region/colorbar/ColorBar.h"
#include "region/files/Errors.h"
#include "region/files/ReadBatch.h"
#include "region/grid/GridOverviews.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/BytesRead.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/PixelBuffer.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZoomedOutBlocks.h"
#include "tools/import/LevelWriter.h"

namespace orandu {
namespace {

using testing::GlobalGridShape;
using testing::TempDir;

// 2′ samples on both poles: 10800 x 5401, 117 MB, beyond the levels built in memory.
constexpr GlobalGridShape kShape{30, 1, false};
// Only the rows near the poles hold heights; the rest are zeros the file does not store.
constexpr int kNorthRows = 300;
constexpr int kSouthRows = 300;

bool Stored(int row) {
  return row < kNorthRows || row >= kShape.Rows() - kSouthRows;
}

int Height(int row, int column) {
  return Stored(row) ? testing::MixedHeight(row, column) : 0;
}

// The grid's rows near the poles written into a sparse file, its header, and its level files
// written by the import's own writer from the same rows.
class LevelFilesPaintTest : public ::testing::Test {
 protected:
  LevelFilesPaintTest() {
    path_ = dir_ / "grid.bil";
    dir_.Write("grid.hdr", testing::HeaderText(kShape));
    const int file = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto rowBytes = static_cast<std::size_t>(kShape.Columns()) * 2;
    EXPECT_EQ(::ftruncate(file, static_cast<off_t>(rowBytes) * kShape.Rows()), 0);
    LevelWriter levels(path_, static_cast<std::size_t>(kShape.Columns()));
    std::vector<std::uint8_t> row(rowBytes);
    for (int r = 0; r < kShape.Rows(); ++r) {
      for (int column = 0; column < kShape.Columns(); ++column) {
        const auto raw = static_cast<std::uint16_t>(Height(r, column));
        row[2 * static_cast<std::size_t>(column)] = static_cast<std::uint8_t>(raw & 0xFF);
        row[2 * static_cast<std::size_t>(column) + 1] = static_cast<std::uint8_t>(raw >> 8);
      }
      if (Stored(r)) {
        EXPECT_EQ(::pwrite(file, row.data(), rowBytes, static_cast<off_t>(rowBytes) * r),
                  static_cast<ssize_t>(rowBytes));
      }
      levels.AddRows(row, 1);
    }
    ::close(file);
    levels.Finish();
    EXPECT_TRUE(levels.RemoveEarlier());
    EXPECT_TRUE(levels.Commit());
  }

  TempDir dir_;
  std::filesystem::path path_;
};

// The mean of the samples the grid holds in the k x k block, halves to even.
int MeanOfBlock(int k, int blockRow, int blockColumn) {
  return testing::BlockMean(k, {blockRow, blockColumn}, kShape.Rows(), kShape.Columns(), Height);
}

// Zoomed out by k about (lon, lat): the block ZoomedOutBlock places at pixel (x, y), if the grid
// holds it.
std::optional<int> BlockMean(int lon, int lat, int width, int height, int k, int x, int y) {
  const testing::Block block =
      testing::ZoomedOutBlock(lat * kShape.samplesPerDegree, lon * kShape.samplesPerDegree, k,
                              kShape.Columns(), width, height, x, y);
  if (block.row >= (kShape.Rows() + k - 1) / k) return std::nullopt;
  return MeanOfBlock(k, block.row, block.column);
}

struct Area {
  const char* name;
  int lon, lat, width, height;
  int factor;
};

void PrintTo(const Area& area, std::ostream* out) {
  *out << area.name;
}

class LevelFilesAreaTest : public LevelFilesPaintTest,
                           public ::testing::WithParamInterface<Area> {};

TEST_P(LevelFilesAreaTest, EveryPixelIsTheMeanOfItsBlock) {
  const auto [name, lon, lat, width, height, factor] = GetParam();
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  RegionView view;
  view.SetGrid(HeightGrid(path_).Geometry());
  view.PlaceCenter(lon, lat);
  view.SetZoom(*ZoomLevel::Out(factor));
  PixelBuffer surface(width, height);
  ShownSamples shown;
  view.PaintRegion(path_, colors, surface, shown);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto mean = BlockMean(lon, lat, width, height, factor, x, y);
      const PackedColor expected = mean ? Pack(*BarColor(bar, *mean)) : kBlack;
      ASSERT_EQ(surface.At(x, y), expected) << "pixel " << x << "," << y;
      if (x % 7 == 0 && y % 5 == 0) {
        ASSERT_EQ(shown.HeightUnderPixel(x, y), mean) << "pixel " << x << "," << y;
      }
    }
  }
}

// Across the seam near the north pole, where the last block of 1/64 holds 10800 - 64 * 168 = 48
// columns; past the south pole, whose last blocks hold 5401 - 2 * 2700 = 1 row at 1/2 and
// 5401 - 64 * 84 = 25 at 1/64; and the whole grid in a window wider than it.
INSTANTIATE_TEST_SUITE_P(
    Areas, LevelFilesAreaTest,
    ::testing::Values(Area{"HalfAcrossTheSeam", 0, 2, 120, 70, 2},
                      Area{"HalfPastTheSouthPole", 200, 179, 90, 60, 2},
                      Area{"EighthAcrossTheSeamInTheSouth", 359, 176, 80, 50, 8},
                      Area{"SixtyFourthWiderThanTheGrid", 180, 90, 200, 100, 64}),
    [](const auto& row) { return std::string(row.param.name); });

// Shaded, level 1/2 painted from its file is the block means, written here as a grid of 4′ samples
// on both poles, shaded at 1:1 about the same place: the slopes come from the neighbouring blocks
// at the blocks' own spacing and latitude, across the seam, and each pole's blocks keep their
// colours as a pole's samples do.
TEST_F(LevelFilesPaintTest, ShadedLevelsAreTheShadingOfAGridOfTheBlockMeans) {
  const auto means =
      testing::WriteHeaderGrid(dir_, "means", {15, 1, false},
                               [](int row, int column) { return MeanOfBlock(2, row, column); });
  const ColorTable colors(DesignTimeColorBar());
  for (const Area& area : {Area{"AcrossTheSeamAtTheNorthPole", 0, 3, 90, 60, 2},
                           Area{"DownToTheSouthPole", 359, 178, 70, 40, 2}}) {
    for (const Light& light : {Light{}, Light{.multidirectional = true}}) {
      RegionView oneToOne;
      oneToOne.SetGrid(HeightGrid(means).Geometry());
      oneToOne.SetShading(light);
      oneToOne.PlaceCenter(area.lon, area.lat);
      PixelBuffer expected(area.width, area.height);
      oneToOne.PaintRegion(means, colors, expected);
      RegionView zoomed;
      zoomed.SetGrid(HeightGrid(path_).Geometry());
      zoomed.SetShading(light);
      zoomed.PlaceCenter(area.lon, area.lat);
      zoomed.SetZoom(*ZoomLevel::Out(area.factor));
      PixelBuffer painted(area.width, area.height);
      zoomed.PaintRegion(path_, colors, painted);
      for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
          ASSERT_EQ(painted.At(x, y), expected.At(x, y))
              << area.name << (light.multidirectional ? " multidirectional" : "") << " pixel " << x
              << "," << y;
        }
      }
    }
  }
}

// Of each row of blocks shown, only the blocks shown and, for slopes, one either side are read,
// each row once but for a few where bands of rows meet, whether the rows are painted downwards
// or upwards as a bottom-up file paints them: a whole row of 1/2 is 10,800 bytes, so reading
// whole rows would read 648 kB here, and a band read for every row upwards 30 times too much.
TEST_F(LevelFilesPaintTest, APaintReadsOnlyTheBlocksItShowsAndEachRowOnce) {
  constexpr int kWidth = 100, kHeight = 60;
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  for (const bool shaded : {false, true}) {
    for (const bool upwards : {false, true}) {
      const std::string paint = std::string(shaded ? "shaded" : "flat") +
                                (upwards ? ", painted upwards" : ", painted downwards");
      RegionView view;
      view.SetGrid(HeightGrid(path_).Geometry());
      view.PlaceCenter(90, 45);
      view.SetZoom(*ZoomLevel::Out(2));
      if (shaded) view.SetShading(Light{});
      PixelBuffer downwards(kWidth, kHeight);
      view.PaintRegion(path_, colors, downwards);
      PixelBuffer surface(kWidth, kHeight);
      const OneByOneReads countedReads;  // the system counts plain reads only
      const std::uint64_t before = testing::BytesReadByThisProcess();
      if (upwards) {
        ZoomedPainter painter(view, path_, colors, kWidth, kHeight, PixelLayout::kPacked);
        for (int y = kHeight - 1; y >= 0; --y) {
          painter.PaintRow(y, {reinterpret_cast<std::uint8_t*>(surface.Row(y)),
                               std::size_t{kWidth} * sizeof(PackedColor)});
        }
      } else {
        view.PaintRegion(path_, colors, surface);
      }
      const std::uint64_t read = testing::BytesReadByThisProcess() - before;
      // The rows shown and, shaded, the rows above and below them; a little more for the header
      // and the rows where bands meet.
      const std::uint64_t rows = shaded ? kHeight + 2 : kHeight;
      EXPECT_LT(read, rows * (kWidth + 2) * 2 + 1024) << paint;
      EXPECT_GE(read, std::uint64_t{kHeight} * kWidth * 2) << paint;
      EXPECT_EQ(surface, downwards) << paint;
    }
  }
}

// A level file of another size than the grid's levels is refused, naming it; so is a set with
// one missing. Without any, the grid is refused as too large.
TEST_F(LevelFilesPaintTest, LevelFilesThatDoNotMatchTheGridAreRefused) {
  const Picture bar = DesignTimeColorBar();
  const ColorTable colors(bar);
  RegionView view;
  view.SetGrid(HeightGrid(path_).Geometry());
  view.PlaceCenter(10, 10);
  view.SetZoom(*ZoomLevel::Out(4));
  const auto paintError = [&] {
    PixelBuffer surface(40, 30);
    try {
      view.PaintRegion(path_, colors, surface);
    } catch (const OranduError& error) {
      return std::string(error.what());
    }
    return std::string("painted");
  };
  const auto level16 = dir_ / "grid.z16.bil";
  const auto bytes = std::filesystem::file_size(level16);
  EXPECT_EQ(bytes, 675u * 338 * 2);
  std::filesystem::resize_file(level16, bytes - 2);
  EXPECT_EQ(paintError(), "縮小表示用のファイル \"" + level16.string() +
                              "\" の大きさがグリッドと合いません (456298 バイト、456300 "
                              "バイトのはずです)");
  std::filesystem::remove(level16);
  EXPECT_EQ(paintError(), "縮小表示用のファイル \"" + level16.string() + "\" がありません");
  for (int factor = 2; factor <= 64; factor *= 2) {
    std::filesystem::remove(dir_ / ("grid.z" + std::to_string(factor) + ".bil"));
  }
  EXPECT_EQ(paintError(), std::string(kNoOverviewsMessage));
}

}  // namespace
}  // namespace orandu
