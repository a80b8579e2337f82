// orandu-render: its command line, its errors, and a golden render of a small fixture grid.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "region/colorbar/ColorBar.h"
#include "region/grid/HeightGrid.h"
#include "region/palette/PaletteFile.h"
#include "region/picture/PictureFormats.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"

namespace orandu::testing {
namespace {

const std::filesystem::path kGolden =
    std::filesystem::path(ORANDU_SOURCE_DIR) / "tests/golden/render-100x48.png";

// Forty rows of heights sweeping the whole bar, then half a row: a file far shorter than the grid.
std::vector<std::uint8_t> FixtureGrid() {
  std::vector<std::uint8_t> bytes(40 * RowBytes + 2 * 50);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const int row = static_cast<int>(i / RowBytes);
    const int column = static_cast<int>(i % RowBytes / 2);
    const int metres = ((row * 37 + column * 11) % 400 - 200) * 50 + row % 7 * 3;
    const auto raw = static_cast<std::uint16_t>(metres);
    bytes[i] = static_cast<std::uint8_t>(raw & 0xFF);
    bytes[i + 1] = static_cast<std::uint8_t>(raw >> 8);
  }
  return bytes;
}

class RenderToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid_ = dir_.Write("fixture.dos", FixtureGrid());
    bar_ = dir_ / "bar.bmp";
    WriteBmp(bar_, DesignTimeColorBar());
  }
  ToolRun Render(std::vector<std::string> arguments) {
    return RunTool(ToolPath("orandu-render"), arguments, dir_);
  }

  TempDir dir_;
  std::filesystem::path grid_;
  std::filesystem::path bar_;
};

// The fixture at the top-left corner of the world: the first row is negative and reading starts
// at row 0, the three westmost pixel columns wrap to the far east, and below the short last row
// the picture stays black.
TEST_F(RenderToolTest, MatchesTheGoldenRenderOfTheFixture) {
  const auto out = dir_ / "render.png";
  const ToolRun run = Render({"--grid", grid_.string(), "--bar", bar_.string(), "--center", "0,0",
                              "--size", "100x48", "--out", out.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_EQ(run.output, "center 4 2\n");
  // A deliberate change of the picture is taken in by running once with ORANDU_UPDATE_GOLDEN set.
  if (std::getenv("ORANDU_UPDATE_GOLDEN") != nullptr) {
    std::filesystem::copy_file(out, kGolden, std::filesystem::copy_options::overwrite_existing);
  }
  const Picture rendered = DecodePng(ReadFile(out));
  const Picture golden = DecodePng(ReadFile(kGolden));
  ASSERT_EQ(rendered.width, golden.width);
  ASSERT_EQ(rendered.height, golden.height);
  for (int y = 0; y < golden.height; ++y) {
    for (int x = 0; x < golden.width; ++x)
      ASSERT_EQ(rendered.at(x, y), golden.at(x, y)) << x << "," << y;
  }
}

TEST_F(RenderToolTest, WritesBmpByTheExtension) {
  const auto png = dir_ / "a.png";
  const auto bmp = dir_ / "a.BMP";
  for (const auto& out : {png, bmp}) {
    ASSERT_EQ(Render({"--grid", grid_.string(), "--bar", bar_.string(), "--center", "5,5", "--size",
                      "30x20", "--out", out.string()})
                  .exitStatus,
              0);
  }
  EXPECT_EQ(DecodeBmp(ReadFile(bmp)).pixels, DecodePng(ReadFile(png)).pixels);
}

TEST_F(RenderToolTest, ReportsTheProgramsMessageAndStatusOne) {
  const ToolRun run = Render({"--grid", (dir_ / "missing.dos").string(), "--bar", bar_.string(),
                              "--center", "200,100", "--out", (dir_ / "x.png").string()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.errors.find("No such file or directory は開けません"), std::string::npos)
      << run.errors;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.png"));
}

// A netCDF file given as the grid, classic or netCDF-4, is refused by name and nothing is written.
TEST_F(RenderToolTest, RefusesANetcdfGridAndNamesTheImporter) {
  for (const bool netcdf4 : {false, true}) {
    const auto grid = dir_ / (netcdf4 ? "etopo5-4.nc" : "etopo5.cdf");
    TestGridFile file;
    file.netcdf4 = netcdf4;
    file.chunkRows = file.latitude.values.size();  // one chunk: none may exceed the grid
    file.chunkColumns = file.longitude.values.size();
    file.Write(grid);
    const auto out = dir_ / "x.png";
    const ToolRun run = Render({"--grid", grid.string(), "--bar", bar_.string(), "--center",
                                "200,100", "--out", out.string()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(
        run.errors.find("\"" + grid.string() + "\" は " + (netcdf4 ? "netCDF-4/HDF5" : "netCDF") +
                        " 形式です (orandu-import で変換してください)"),
        std::string::npos)
        << run.errors;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

// A wrong --out extension and a size beyond the writers' limit are usage errors found before
// anything is read: the grid named here does not exist, so a paint would fail with status 1.
TEST_F(RenderToolTest, RefusesAWrongExtensionOrAnOversizedPictureBeforePainting) {
  const auto missingGrid = (dir_ / "missing.dos").string();
  const std::string usage =
      "usage: orandu-render [--grid PATH] [--bar PATH] (--center X,Y | --at LON,LAT)\n"
      "                     [--no-pullback] [--size WxH] [--out PATH]\n";
  const auto jpeg = dir_ / "region.jpg";
  ToolRun run = Render({"--grid", missingGrid, "--center", "1,2", "--out", jpeg.string()});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.errors,
            "orandu-render: --out must name a .png or .bmp file: " + jpeg.string() + "\n" + usage);
  EXPECT_FALSE(std::filesystem::exists(jpeg));

  const auto png = dir_ / "region.png";
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "32768x32768", "--out", png.string()});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.errors, "orandu-render: 画像が大きすぎます (32768 x 32768 ピクセル)\n" + usage);
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "8193x8192", "--out", png.string()});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.errors, "orandu-render: 画像が大きすぎます (8193 x 8192 ピクセル)\n" + usage);
  // Exactly 64 Mi pixels is allowed: it gets as far as opening the grid.
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "8192x8192", "--out", png.string()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_FALSE(std::filesystem::exists(png));
}

// A BMP of several blocks of rows, the top one partial, with a padded stride, shows what the
// PNG of the same region shows.
TEST_F(RenderToolTest, BmpOfSeveralBlocksOfRowsShowsWhatThePngShows) {
  const auto bmp = dir_ / "blocks.bmp";
  const auto png = dir_ / "blocks.png";
  for (const auto& out : {bmp, png}) {
    ASSERT_EQ(Render({"--grid", grid_.string(), "--bar", bar_.string(), "--center", "3,3", "--size",
                      "2001x75", "--out", out.string()})
                  .exitStatus,
              0);
  }
  const std::vector<std::uint8_t> bytes = ReadFile(bmp);
  EXPECT_EQ(bytes.size(), 54u + 6004u * 75u);
  EXPECT_EQ(DecodeBmp(bytes).pixels, DecodePng(ReadFile(png)).pixels);
}

// A palette paints exactly as the bar picture it becomes; a malformed one is the user's message.
TEST_F(RenderToolTest, PaletteBarsRenderAsTheirPicture) {
  const std::string palette =
      "# HARD_HINGE\n# RANGE = -8000/6000\n-1 black 0 0/90/255\n0 30/120/40 1 white\nB 255\n";
  const auto cpt = dir_.Write("relief.cpt", palette);
  WriteBmp(dir_ / "relief.bmp", PaletteBar(palette, PaletteFormat::kColorPaletteTable));
  for (const std::string bar : {"relief.cpt", "relief.bmp"}) {
    ASSERT_EQ(Render({"--grid", grid_.string(), "--bar", (dir_ / bar).string(), "--center", "0,0",
                      "--size", "100x48", "--out", (dir_ / (bar + ".png")).string()})
                  .exitStatus,
              0)
        << bar;
  }
  EXPECT_EQ(DecodePng(ReadFile(dir_ / "relief.cpt.png")).pixels,
            DecodePng(ReadFile(dir_ / "relief.bmp.png")).pixels);

  const ToolRun run = Render({"--grid", grid_.string(), "--bar",
                              dir_.Write("bad.cpt", "0 red 1 red\n1 red 2 nocolour\n").string(),
                              "--center", "0,0", "--out", (dir_ / "bad.png").string()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.errors, "orandu-render: パレットが不正です (行 2)\n");
}

// --at names the same cells a press on the map picks, --center's X,Y: east from 0° E, south from
// 90° N. Each row was worked out by hand from where the position lies; the cell holds its western
// and northern edges, and the south pole lies in the last row of cells.
struct AtCell {
  std::string at;
  std::string center;
};

std::ostream& operator<<(std::ostream& out, const AtCell& cell) {
  return out << "--at " << cell.at;
}

class RenderAtTest : public RenderToolTest, public ::testing::WithParamInterface<AtCell> {};

TEST_P(RenderAtTest, PicksTheWholeDegreeCellThePositionLiesIn) {
  const ToolRun run =
      Render({"--grid", grid_.string(), "--bar", bar_.string(), "--at", GetParam().at,
              "--no-pullback", "--size", "8x8", "--out", (dir_ / "at.png").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.errors;
  EXPECT_EQ(run.output, "center " + GetParam().center + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Positions, RenderAtTest,
    ::testing::Values(AtCell{"139.7,35.7", "139 54"},  // Tokyo: 139° ... 140° E, 36° ... 35° N
                      AtCell{"-74.0,40.7", "286 49"},  // New York: 74° ... 73° W, 41° ... 40° N
                      AtCell{"35,35", "35 55"}, AtCell{"0,0", "0 90"},
                      AtCell{"-0.5,-0.5", "359 90"}, AtCell{"0,90", "0 0"},
                      AtCell{"0,-90", "0 179"}, AtCell{"10,-89.5", "10 179"},
                      AtCell{"180,1", "180 89"}, AtCell{"-180,1", "180 89"},
                      AtCell{"360,1", "0 89"}, AtCell{"-360,1", "0 89"}, AtCell{"720.5,1", "0 89"},
                      AtCell{"359.999,89.999", "359 0"},
                      // So close to an edge that 90 - lat or lon + 360 would round onto it.
                      AtCell{"1e-300,1e-300", "0 89"}, AtCell{"-1e-300,-1e-300", "359 90"}));

// The cell --at picks holds the position by the cells' own definition, checked exactly in whole
// thousandths of a degree: cell X spans X° ... X+1° east (its western edge in it), cell Y
// spans 90-Y° ... 89-Y° north (its northern edge in it), and 90° S lies in cell 179.
TEST_F(RenderToolTest, AtPicksACellThatHoldsThePositionAcrossTheEdges) {
  const auto decimal = [](int thousandths) {
    const int whole = std::abs(thousandths) / 1000;
    const int part = std::abs(thousandths) % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%s%d.%03d", thousandths < 0 ? "-" : "", whole, part);
    return std::string(text);
  };
  for (const int lon : {-360000, -180001, -180000, -1, 0, 1, 999, 1000, 139700, 179999, 180000,
                        359999, 360000, 360001, 719999}) {
    for (const int lat : {-90000, -89999, -89001, -1, 0, 1, 35000, 35700, 89999, 90000}) {
      const std::string at = decimal(lon) + "," + decimal(lat);
      const ToolRun run =
          Render({"--grid", grid_.string(), "--bar", bar_.string(), "--at", at, "--no-pullback",
                  "--size", "8x8", "--out", (dir_ / "at.png").string()});
      ASSERT_EQ(run.exitStatus, 0) << at << ": " << run.errors;
      int x = -1;
      int y = -1;
      ASSERT_EQ(std::sscanf(run.output.c_str(), "center %d %d", &x, &y), 2) << run.output;
      const int east = ((lon % 360000) + 360000) % 360000;
      EXPECT_TRUE(x >= 0 && x < 360 && x * 1000 <= east && east < (x + 1) * 1000) << at << " " << x;
      if (lat == -90000) {
        EXPECT_EQ(y, 179) << at;
      } else {
        EXPECT_TRUE(y >= 0 && y < 180 && (89 - y) * 1000 < lat && lat <= (90 - y) * 1000)
            << at << " " << y;
      }
    }
  }
}

TEST_F(RenderToolTest, NoPullbackPaintsTheCentreAsStored) {
  const auto pulled = dir_ / "pulled.png";
  const auto stored = dir_ / "stored.png";
  const ToolRun pulledRun = Render({"--grid", grid_.string(), "--bar", bar_.string(), "--center",
                                    "339,2", "--size", "1800x30", "--out", pulled.string()});
  EXPECT_EQ(pulledRun.output, "center 284 2\n");
  const ToolRun storedRun =
      Render({"--grid", grid_.string(), "--bar", bar_.string(), "--center", "339,2", "--size",
              "1800x30", "--no-pullback", "--out", stored.string()});
  ASSERT_EQ(storedRun.exitStatus, 0) << storedRun.errors;
  EXPECT_EQ(storedRun.output, "center 339 2\n");
  // Pixel 901 shows grid column 339 * 12 = 4068 stored, 284 * 12 = 3408 pulled back: the same
  // picture 660 pixels apart, where both show the grid.
  const Picture a = DecodePng(ReadFile(stored));
  const Picture b = DecodePng(ReadFile(pulled));
  EXPECT_EQ(a.at(100, 20), b.at(760, 20));
  EXPECT_NE(a.pixels, b.pixels);
}

TEST_F(RenderToolTest, HelpPrintsTheUsageAndSucceeds) {
  for (const char* flag : {"--help", "-h"}) {
    const ToolRun run = Render({flag});
    EXPECT_EQ(run.exitStatus, 0) << flag;
    EXPECT_EQ(run.output.rfind("usage: orandu-render", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("--at LON,LAT"), std::string::npos);
    EXPECT_TRUE(run.errors.empty());
  }
}

class RenderUsageTest : public RenderToolTest,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(RenderUsageTest, RefusesAMalformedCommandLineWithStatusTwo) {
  const ToolRun run = Render(GetParam());
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.errors.rfind("usage: orandu-render", 0), 0u) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RenderUsageTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"--center"},
                      std::vector<std::string>{"--center", "12"},
                      std::vector<std::string>{"--center", "1,2x"},
                      std::vector<std::string>{"--center", "1,2", "--size", "0x10"},
                      std::vector<std::string>{"--center", "1,2", "--size", "100000x10"},
                      std::vector<std::string>{"--center", "1,2", "--colour", "x"},
                      std::vector<std::string>{"--no-pullback"}));

class RenderAtRefusalTest : public RenderToolTest,
                            public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(RenderAtRefusalTest, RefusesWithAMessageAndStatusTwo) {
  const ToolRun run = Render(GetParam());
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_EQ(run.errors.rfind("orandu-render: ", 0), 0u) << run.errors;
  EXPECT_NE(run.errors.find("usage: orandu-render"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RenderAtRefusalTest,
    ::testing::Values(
        std::vector<std::string>{"--at", "0,90.01"}, std::vector<std::string>{"--at", "0,-91"},
        std::vector<std::string>{"--at", "nan,0"}, std::vector<std::string>{"--at", "inf,0"},
        std::vector<std::string>{"--at", "139.7"}, std::vector<std::string>{"--at", "1,2,3"},
        std::vector<std::string>{"--at", "1,2", "--center", "1,2"},
        std::vector<std::string>{"--center", "1,2", "--at", "1,2"}));

}  // namespace
}  // namespace orandu::testing
