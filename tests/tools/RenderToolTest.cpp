// orandu-render: its command line, its errors, and a golden render of a small fixture grid.
#include <gtest/gtest.h>

#include "ColorBar.h"
#include "HeightGrid.h"
#include "PaletteFile.h"
#include "PictureFormats.h"
#include "RunTool.h"
#include "TestGridFile.h"

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
  ASSERT_EQ(run.exit_status, 0) << run.errors;
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
                  .exit_status,
              0);
  }
  EXPECT_EQ(DecodeBmp(ReadFile(bmp)).pixels, DecodePng(ReadFile(png)).pixels);
}

TEST_F(RenderToolTest, ReportsTheProgramsMessageAndStatusOne) {
  const ToolRun run = Render({"--grid", (dir_ / "missing.dos").string(), "--bar", bar_.string(),
                              "--center", "200,100", "--out", (dir_ / "x.png").string()});
  EXPECT_EQ(run.exit_status, 1);
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
    file.chunk_rows = file.latitude.values.size();  // one chunk: none may exceed the grid
    file.chunk_columns = file.longitude.values.size();
    file.Write(grid);
    const auto out = dir_ / "x.png";
    const ToolRun run = Render({"--grid", grid.string(), "--bar", bar_.string(), "--center",
                                "200,100", "--out", out.string()});
    EXPECT_EQ(run.exit_status, 1);
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
      "usage: orandu-render [--grid PATH] [--bar PATH] --center LON,LAT [--size WxH] [--out "
      "PATH]\n";
  const auto jpeg = dir_ / "region.jpg";
  ToolRun run = Render({"--grid", missingGrid, "--center", "1,2", "--out", jpeg.string()});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.errors,
            "orandu-render: --out must name a .png or .bmp file: " + jpeg.string() + "\n" + usage);
  EXPECT_FALSE(std::filesystem::exists(jpeg));

  const auto png = dir_ / "region.png";
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "32768x32768", "--out", png.string()});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.errors, "orandu-render: 画像が大きすぎます (32768 x 32768 ピクセル)\n" + usage);
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "8193x8192", "--out", png.string()});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.errors, "orandu-render: 画像が大きすぎます (8193 x 8192 ピクセル)\n" + usage);
  // Exactly 64 Mi pixels is allowed: it gets as far as opening the grid.
  run = Render(
      {"--grid", missingGrid, "--center", "1,2", "--size", "8192x8192", "--out", png.string()});
  EXPECT_EQ(run.exit_status, 1);
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
                  .exit_status,
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
                  .exit_status,
              0)
        << bar;
  }
  EXPECT_EQ(DecodePng(ReadFile(dir_ / "relief.cpt.png")).pixels,
            DecodePng(ReadFile(dir_ / "relief.bmp.png")).pixels);

  const ToolRun run = Render({"--grid", grid_.string(), "--bar",
                              dir_.Write("bad.cpt", "0 red 1 red\n1 red 2 nocolour\n").string(),
                              "--center", "0,0", "--out", (dir_ / "bad.png").string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.errors, "orandu-render: パレットが不正です (行 2)\n");
}

class RenderUsageTest : public RenderToolTest,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(RenderUsageTest, RefusesAMalformedCommandLineWithStatusTwo) {
  const ToolRun run = Render(GetParam());
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.errors.rfind("usage: orandu-render", 0), 0u) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RenderUsageTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"--center"},
                      std::vector<std::string>{"--center", "12"},
                      std::vector<std::string>{"--center", "1,2x"},
                      std::vector<std::string>{"--center", "1,2", "--size", "0x10"},
                      std::vector<std::string>{"--center", "1,2", "--size", "100000x10"},
                      std::vector<std::string>{"--center", "1,2", "--colour", "x"}));

}  // namespace
}  // namespace orandu::testing
