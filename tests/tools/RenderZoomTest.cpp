// orandu-render --zoom: the levels it takes, and the pictures it paints at them against block
// means and samples worked out here from a generated grid and from ETOPO5's own bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/HeaderGrid.h"
#include "tests/support/ZoomedOutBlocks.h"
#include "tests/tools/RunTool.h"

namespace orandu::testing {
namespace {

// A grid's heights, row by row.
struct Heights {
  int columns;
  int rows;
  std::vector<int> at;
  int At(int row, int column) const { return at[static_cast<std::size_t>(row * columns + column)]; }
};

// The colour pixel (x, y) of a width x height picture zoomed out by k about sample (r, c) shows:
// the mean of the block ZoomedOutBlock places there; black below the grid.
Rgb ZoomedOutPixel(const Heights& grid, const Picture& bar, int k, int r, int c, int width,
                   int height, int x, int y) {
  const Block block = ZoomedOutBlock(r, c, k, grid.columns, width, height, x, y);
  if (block.row * k >= grid.rows) return {0, 0, 0};
  return *BarColor(bar, BlockMean(k, block, grid.rows, grid.columns,
                                  [&](int row, int column) { return grid.At(row, column); }));
}

class RenderZoomTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar_ = dir_ / "bar.bmp";
    WriteBmp(bar_, DesignTimeColorBar());
  }
  ToolRun Render(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"--bar", bar_.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return RunTool(ToolPath("orandu-render"), all, dir_);
  }

  TempDir dir_;
  std::filesystem::path bar_;
};

TEST_F(RenderZoomTest, PaintsAGeneratedGridsBlockMeansAndItsSamplesAsBlocks) {
  const GlobalGridShape shape{1, 1, false};  // 360 x 181
  const auto grid = WriteHeaderGrid(dir_, "grid", shape, MixedHeight);
  Heights heights{shape.Columns(), shape.Rows(), {}};
  for (int row = 0; row < shape.Rows(); ++row) {
    for (int column = 0; column < shape.Columns(); ++column) {
      heights.at.push_back(MixedHeight(row, column));
    }
  }
  const Picture bar = DesignTimeColorBar();
  const auto out = dir_ / "zoomed.png";
  // 1/4 about 2° E 170° S of 90° N, not pulled back: across the seam and past the south pole.
  ToolRun run = Render({"--grid", grid.string(), "--center", "2,170", "--no-pullback", "--size",
                        "70x30", "--zoom", "1/4", "--out", out.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  Picture picture = DecodePng(ReadFile(out));
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 70; ++x) {
      ASSERT_EQ(picture.at(x, y), ZoomedOutPixel(heights, bar, 4, 170, 2, 70, 30, x, y))
          << x << "," << y;
    }
  }
  // 2:1, a BMP: pixel x shows column c + floor((x - round(W / 2) - 1) / 2).
  const auto bmp = dir_ / "zoomed.bmp";
  run = Render({"--grid", grid.string(), "--center", "359,90", "--no-pullback", "--size", "21x9",
                "--zoom", "2", "--out", bmp.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  picture = DecodeBmp(ReadFile(bmp));
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 21; ++x) {
      const int row = 90 + FloorDiv(y - RoundHalfEven(9 / 2.0) - 1, 2);
      const int column = WrapIndex(359 + FloorDiv(x - RoundHalfEven(21 / 2.0) - 1, 2), 360);
      ASSERT_EQ(picture.at(x, y), *BarColor(bar, heights.At(row, column))) << x << "," << y;
    }
  }
}

TEST_F(RenderZoomTest, PaintsEtopoFiveAtAnEighthFromItsDecodedSamples) {
  const std::filesystem::path etopo = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(etopo)) GTEST_SKIP() << "no converted grid at " << etopo;
  const auto bytes = ReadFile(etopo);
  Heights heights{GridColumns, GridRows, {}};
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const int raw = bytes[at] | bytes[at + 1] << 8;
    heights.at.push_back(raw > 10000 ? raw - 65536 : raw);  // ETOPO5's 10000 rule
  }
  const Picture bar = DesignTimeColorBar();
  const auto out = dir_ / "etopo.png";
  // 488 x 441 at 1/8 spans 3904 x 3528 samples: Tokyo's pick is pulled back to within
  // round(3904 / 24) = 163 degrees of the grid's east and west ends, and the area, taller than
  // the grid's 180 degrees, is centred on its middle row of degrees, 89.
  const ToolRun run = Render(
      {"--grid", etopo.string(), "--center", "139,54", "--zoom", "1/8", "--out", out.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_EQ(run.output, "center 163 89\n");
  const Picture picture = DecodePng(ReadFile(out));
  ASSERT_EQ(picture.width, 488);
  for (int y = 0; y < 441; ++y) {
    for (int x = 0; x < 488; ++x) {
      ASSERT_EQ(picture.at(x, y),
                ZoomedOutPixel(heights, bar, 8, 89 * 12, 163 * 12, 488, 441, x, y))
          << x << "," << y;
    }
  }
}

TEST_F(RenderZoomTest, RefusesOtherLevelsAndZoomedHeights) {
  for (const std::vector<std::string>& extra :
       std::vector<std::vector<std::string>>{{"--zoom", "3"},
                                             {"--zoom", "1/128"},
                                             {"--zoom", "16"},
                                             {"--zoom", "1/1"},
                                             {"--zoom", "1/2", "--heights", "--out", "x.tif"}}) {
    std::vector<std::string> arguments{"--center", "1,2"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ToolRun run = Render(arguments);
    EXPECT_EQ(run.exitStatus, 2) << extra.back();
    EXPECT_NE(run.errors.find(extra.size() == 2 ? "the zoom level is one of 8, 4, 2, 1, 1/2"
                                                : "--zoom paints a picture, not --heights"),
              std::string::npos)
        << run.errors;
  }
}

// ETOPO5's layout around (100° E, 50° S of 90° N), inside the pull-back at both levels: the
// centre's sample is column 1200 and row 600, whose cell's west and north edges lie half a
// sample (1/24°) west of 100° E and north of 40° N, where pixel (245, 221) starts.
TEST_F(RenderZoomTest, ZoomedPicturesArePlacedAtTheirPixelsSize) {
  const auto grid = dir_.Write("etopo.dos", std::string());
  std::filesystem::resize_file(grid, static_cast<std::uintmax_t>(GridBytes));
  // 2:1, a GeoTIFF: pixels of 1/24°, 245 of them west of 100° - 1/24° and 221 north of 40° + 1/24°.
  const auto tif = dir_ / "zoomed.tif";
  ToolRun run =
      Render({"--grid", grid.string(), "--center", "100,50", "--zoom", "2", "--out", tif.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  const ToolRun info = RunTool("/usr/bin/gdalinfo", {tif.string()}, dir_);
  EXPECT_NE(info.output.find("Origin = (89.750000000000000,49.250000000000000)"), std::string::npos)
      << info.output;
  EXPECT_NE(info.output.find("Pixel Size = (0.041666666666667,-0.041666666666667)"),
            std::string::npos)
      << info.output;
  // 1:2 with a world file: pixels of 1/6°; block 600 starts at pixel 245, so the picture's west
  // edge is 100 - 1/24 - 245 / 6 = 59.125 and its north edge 40 + 1/24 + 221 / 6 = 76.875; the
  // world file names the top-left pixel's centre, 1/12° in from both.
  const auto png = dir_ / "zoomed.png";
  run = Render({"--grid", grid.string(), "--center", "100,50", "--zoom", "1/2", "--world-file",
                "--out", png.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  std::istringstream world(ReadText(dir_ / "zoomed.pgw"));
  std::vector<double> lines;
  for (double value = 0; world >> value;) lines.push_back(value);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_DOUBLE_EQ(lines[0], 1.0 / 6);
  EXPECT_DOUBLE_EQ(lines[3], -1.0 / 6);
  EXPECT_NEAR(lines[4], 59.125 + 1.0 / 12, 1e-12);
  EXPECT_NEAR(lines[5], 76.875 - 1.0 / 12, 1e-12);
}

TEST_F(RenderZoomTest, HelpNamesTheLevels) {
  const ToolRun run = Render({"--help"});
  EXPECT_NE(run.output.find("--zoom LEVEL"), std::string::npos);
  EXPECT_NE(run.output.find("1/64"), std::string::npos);
}

}  // namespace
}  // namespace orandu::testing
