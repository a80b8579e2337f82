// etopo5-import run on netCDF files written here and on the real ETOPO5 file when it is present.
#include <gtest/gtest.h>
#include <netcdf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::ToolPath;

constexpr int kSuccess = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;
constexpr std::size_t kNorthPole = 2160;  // the last of the 2161 latitudes, 90° N

// How the test file is laid out; the defaults are the shape of the real file.
struct NetcdfLayout {
  std::string variable = "ROSE";
  std::string latitudeName = "ETOPO05_Y";
  std::string longitudeName = "ETOPO05_X";
  std::size_t latitudes = 2161;
  std::size_t longitudes = 4320;
  double firstLatitude = -90;
  double latitudeStep = 1.0 / 12;
  double firstLongitude = 0;
  double longitudeStep = 1.0 / 12;
  bool longitudeFirst = false;  // ROSE(ETOPO05_X, ETOPO05_Y)
  bool latitudeCoordinates = true;
  bool packed = false;  // heights stored with a scale factor
};

struct HeightRow {
  std::size_t latitudeIndex;
  std::vector<float> heights;  // a whole row of longitudes
};

std::vector<float> RowOf(float height) {
  return std::vector<float>(GridColumns, height);
}

void Check(int status) {
  ASSERT_EQ(status, NC_NOERR) << nc_strerror(status);
}

std::vector<double> Coordinates(std::size_t count, double first, double step) {
  std::vector<double> values(count);
  for (std::size_t i = 0; i < count; ++i) values[i] = first + static_cast<double>(i) * step;
  return values;
}

// Writes a netCDF classic file. Rows not given are never written: without fill values they
// read back as zeros and take no room on disk, so a full-size file costs next to nothing.
void WriteNetcdf(const std::filesystem::path& path, const NetcdfLayout& layout,
                 const std::vector<HeightRow>& rows = {}) {
  int file = -1;
  Check(nc_create(path.c_str(), NC_CLOBBER, &file));
  int oldFillMode = 0;
  Check(nc_set_fill(file, NC_NOFILL, &oldFillMode));
  int latitude = -1;
  int longitude = -1;
  Check(nc_def_dim(file, layout.latitudeName.c_str(), layout.latitudes, &latitude));
  Check(nc_def_dim(file, layout.longitudeName.c_str(), layout.longitudes, &longitude));
  const int dimensions[2] = {layout.longitudeFirst ? longitude : latitude,
                             layout.longitudeFirst ? latitude : longitude};
  // In the order of the real file, the heights last.
  int longitudes = -1;
  Check(nc_def_var(file, layout.longitudeName.c_str(), NC_DOUBLE, 1, &longitude, &longitudes));
  int latitudes = -1;
  if (layout.latitudeCoordinates) {
    Check(nc_def_var(file, layout.latitudeName.c_str(), NC_DOUBLE, 1, &latitude, &latitudes));
  }
  int heights = -1;
  Check(nc_def_var(file, layout.variable.c_str(), NC_FLOAT, 2, dimensions, &heights));
  if (layout.packed) {
    const double scale = 0.5;
    Check(nc_put_att_double(file, heights, "scale_factor", NC_DOUBLE, 1, &scale));
  }
  Check(nc_enddef(file));

  if (layout.latitudeCoordinates) {
    Check(nc_put_var_double(
        file, latitudes,
        Coordinates(layout.latitudes, layout.firstLatitude, layout.latitudeStep).data()));
  }
  Check(nc_put_var_double(
      file, longitudes,
      Coordinates(layout.longitudes, layout.firstLongitude, layout.longitudeStep).data()));
  for (const HeightRow& row : rows) {
    const std::size_t start[2] = {row.latitudeIndex, 0};
    const std::size_t count[2] = {1, row.heights.size()};
    Check(nc_put_vara_float(file, heights, start, count, row.heights.data()));
  }
  Check(nc_close(file));
}

int HeightAt(const std::vector<std::uint8_t>& grid, int row, int column) {
  return DecodeSample(RawSampleAt(grid.data() + static_cast<std::size_t>(row) * RowBytes, column));
}

TEST(Etopo5ImportTest, WrongArgumentCountIsAUsageError) {
  const TempDir scratch;
  const std::vector<std::vector<std::string>> wrongCounts = {
      {}, {"in.cdf"}, {"in.cdf", "out", "extra"}};
  for (const std::vector<std::string>& arguments : wrongCounts) {
    const auto run = RunTool(ToolPath("etopo5-import"), arguments, scratch);
    EXPECT_EQ(run.exitStatus, kUsage) << arguments.size() << " arguments";
    EXPECT_NE(run.errors.find("usage: etopo5-import INPUT.cdf OUTPUT"), std::string::npos);
  }
}

TEST(Etopo5ImportTest, UnreadableInputsAreRefusedWithoutOutput) {
  const TempDir scratch;
  const auto notNetcdf = scratch.Write("grid.cdf", std::string("just some text\n"));
  const auto empty = scratch.Write("empty.cdf", std::string());
  const auto fifo = scratch / "fifo.cdf";  // nobody writes to it: reading it would wait for ever
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::filesystem::path input;
    std::string reason;
  } cases[] = {
      {scratch / "missing.cdf", "No such file or directory"},
      {notNetcdf, "NetCDF: Unknown file format"},
      {empty, "NetCDF: "},
      {scratch.path(), "not a regular file"},
      {fifo, "not a regular file"},
  };
  for (const auto& [input, reason] : cases) {
    const auto run =
        RunTool(ToolPath("etopo5-import"), {input.string(), (scratch / "out").string()}, scratch);
    EXPECT_EQ(run.exitStatus, kRefused) << input;
    EXPECT_TRUE(
        run.errors.starts_with("etopo5-import: " + input.string() + ": cannot open: " + reason))
        << run.errors;
    EXPECT_FALSE(std::filesystem::exists(scratch / "out"));
  }
}

struct Refusal {
  const char* name;
  NetcdfLayout layout;
  std::vector<HeightRow> rows;
  const char* message;  // a part of the expected message
};

std::ostream& operator<<(std::ostream& out, const Refusal& refusal) {
  return out << refusal.name;
}

NetcdfLayout With(auto change) {
  NetcdfLayout layout;
  change(layout);
  return layout;
}

std::vector<HeightRow> NorthRowWith(float height) {
  std::vector<float> heights = RowOf(0);
  heights[7] = height;
  return {{kNorthPole, heights}};
}

class Etopo5RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(Etopo5RefusalTest, ExplainsAndWritesNothing) {
  const TempDir scratch;
  const auto input = scratch / "etopo5.cdf";
  const auto output = scratch / "ETOPO5.DOS";
  WriteNetcdf(input, GetParam().layout, GetParam().rows);
  const auto run = RunTool(ToolPath("etopo5-import"), {input.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kRefused);
  EXPECT_TRUE(run.errors.starts_with("etopo5-import: " + input.string() + ": ")) << run.errors;
  EXPECT_NE(run.errors.find(GetParam().message), std::string::npos) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(output));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Etopo5RefusalTest,
    ::testing::Values(
        Refusal{"OtherVariableName",
                With([](auto& l) { l.variable = "HEIGHT"; }),
                {},
                "no height variable ROSE: "},
        Refusal{"DimensionsSwapped",
                With([](auto& l) { l.longitudeFirst = true; }),
                {},
                "ROSE has dimension ETOPO05_X where ETOPO05_Y was expected"},
        Refusal{"OtherDimensionName",
                With([](auto& l) { l.latitudeName = "LAT"; }),
                {},
                "ROSE has dimension LAT where ETOPO05_Y was expected"},
        Refusal{"PackedHeights",
                With([](auto& l) { l.packed = true; }),
                {},
                "ROSE is packed (scale_factor), which is not supported"},
        Refusal{"NoSouthPoleRow",
                With([](auto& l) { l.latitudes = 2160; }),
                {},
                "ETOPO05_Y has 2160 points, expected 2161"},
        Refusal{"ExtraLongitude",
                With([](auto& l) { l.longitudes = 4321; }),
                {},
                "ETOPO05_X has 4321 points, expected 4320"},
        Refusal{"NoLatitudeCoordinates",
                With([](auto& l) { l.latitudeCoordinates = false; }),
                {},
                "no coordinate variable ETOPO05_Y"},
        Refusal{"DescendingLatitudes",
                With([](auto& l) {
                  l.firstLatitude = 90;
                  l.latitudeStep = -1.0 / 12;
                }),
                {},
                "ETOPO05_Y[0] is 90.000000°, expected -90.000000°"},
        Refusal{"LongitudesFrom180West",
                With([](auto& l) { l.firstLongitude = -180; }),
                {},
                "ETOPO05_X[0] is -180.000000°, expected 0.000000°"},
        Refusal{"TenMinuteLongitudes",
                With([](auto& l) { l.longitudeStep = 1.0 / 6; }),
                {},
                "ETOPO05_X[1] is 0.166667°, expected 0.083333°"},
        Refusal{"MissingHeight",
                {},
                NorthRowWith(-9.99999979e33f),
                "at latitude index 2160, longitude index 7 is missing or outside -32768 ... "
                "10000 m"},
        Refusal{"NotANumber",
                {},
                NorthRowWith(std::numeric_limits<float>::quiet_NaN()),
                "longitude index 7 is missing or outside"},
        Refusal{"AboveWhatTheGridReadsAsAHeight",
                {},
                NorthRowWith(10000.51f),
                "longitude index 7 is missing or outside"},
        Refusal{"BelowSixteenBits",
                {},
                NorthRowWith(-32769.0f),
                "longitude index 7 is missing or outside"}),
    [](const auto& row) { return std::string(row.param.name); });

// A full-size file that is all zeros but for a few rows that show where each latitude lands.
class Etopo5ConversionTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kEquator = 1080;
  // Rounding goes to the nearest metre, halves to the even one, up to the grid's limits.
  static constexpr float kUnrounded[] = {2.5f, 3.5f, -0.5f, -2.5f, 1.49f, 10000.5f, -32768.0f};
  static constexpr int kRounded[] = {2, 4, 0, -2, 1, 10000, -32768};

  void SetUp() override {
    std::vector<float> equator = RowOf(0);
    std::copy(std::begin(kUnrounded), std::end(kUnrounded), equator.begin());
    equator.back() = 4319;  // the last longitude, 359°55' E
    WriteNetcdf(input_, {},
                {{0, RowOf(7777)}, {1, RowOf(-1)}, {kEquator, equator}, {kNorthPole, RowOf(100)}});
  }

  TempDir scratch_;
  std::filesystem::path input_ = scratch_ / "etopo5.cdf";
  std::filesystem::path output_ = scratch_ / "ETOPO5.DOS";
};

TEST_F(Etopo5ConversionTest, PutsTheNorthFirstAndDropsTheSouthPole) {
  const auto run =
      RunTool(ToolPath("etopo5-import"), {input_.string(), output_.string()}, scratch_);
  ASSERT_EQ(run.exitStatus, kSuccess) << run.errors;
  EXPECT_EQ(run.errors, "");
  const std::vector<std::uint8_t> grid = ReadFile(output_);
  ASSERT_EQ(grid.size(), static_cast<std::size_t>(GridBytes));
  EXPECT_EQ(HeightAt(grid, 0, 0), 100);
  EXPECT_EQ(HeightAt(grid, 0, GridColumns - 1), 100);
  EXPECT_EQ(HeightAt(grid, GridRows - 1, 0), -1);  // latitude index 1, 89°55' S
  EXPECT_EQ(HeightAt(grid, GridRows - 1, GridColumns - 1), -1);
  EXPECT_EQ(HeightAt(grid, 1, 0), 0);
  const int equatorRow = static_cast<int>(kNorthPole - kEquator);
  for (std::size_t column = 0; column < std::size(kRounded); ++column) {
    EXPECT_EQ(HeightAt(grid, equatorRow, static_cast<int>(column)), kRounded[column])
        << kUnrounded[column];
  }
  EXPECT_EQ(HeightAt(grid, equatorRow, GridColumns - 1), 4319);
  // Depths are stored in 16-bit two's complement, low byte first.
  const std::size_t deepest = static_cast<std::size_t>(equatorRow) * RowBytes + 6 * 2;
  EXPECT_EQ(grid[deepest], 0x00);
  EXPECT_EQ(grid[deepest + 1], 0x80);
}

TEST_F(Etopo5ConversionTest, ACutShortFileIsRefused) {
  // The 90° N row is the last one in the file, so its end goes missing first.
  std::filesystem::resize_file(input_, std::filesystem::file_size(input_) - 100);
  const auto run =
      RunTool(ToolPath("etopo5-import"), {input_.string(), output_.string()}, scratch_);
  EXPECT_EQ(run.exitStatus, kRefused);
  EXPECT_TRUE(run.errors.starts_with("etopo5-import: " + input_.string() +
                                     ": cannot read the heights at latitude index 2160 (is the "
                                     "file cut short?): "))
      << run.errors;
  EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(Etopo5ConversionTest, AnOutputThatCannotBeWrittenIsReported) {
  const auto output = scratch_ / "no such folder" / "ETOPO5.DOS";
  const auto run = RunTool(ToolPath("etopo5-import"), {input_.string(), output.string()}, scratch_);
  EXPECT_EQ(run.exitStatus, kRefused);
  EXPECT_EQ(run.errors, "etopo5-import: cannot write " + output.string() + "\n");
}

TEST(Etopo5RealFileTest, ConvertsTheShippedGridExactly) {
  const std::filesystem::path shipped = "/usr/share/ferret-vis/data/etopo5.cdf";
  if (!std::filesystem::exists(shipped)) {
    GTEST_SKIP() << shipped << " is absent (Debian package ferret-datasets)";
  }
  const TempDir scratch;
  const auto output = scratch / "ETOPO5.DOS";
  const auto run = RunTool(ToolPath("etopo5-import"), {shipped.string(), output.string()}, scratch);
  ASSERT_EQ(run.exitStatus, kSuccess) << run.errors;

  const std::vector<std::uint8_t> grid = ReadFile(output);
  ASSERT_EQ(grid.size(), static_cast<std::size_t>(GridBytes));
  int lowest = 0;
  int highest = 0;
  for (int row = 0; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const int height = HeightAt(grid, row, column);
      if (row == 0) {
        ASSERT_EQ(height, -4290) << "the North Pole row, column " << column;
      }
      lowest = std::min(lowest, height);
      highest = std::max(highest, height);
    }
  }
  EXPECT_EQ(lowest, -10376);
  EXPECT_EQ(highest, 7833);

  const auto digest = RunTool("/usr/bin/sha256sum", {output.string()}, scratch);
  EXPECT_EQ(digest.output.substr(0, 64),
            "bcb4ed5585e07ffe4244b19cb0d645c0ceb10877a22a71b21370efa19e6cb792");
}

}  // namespace
}  // namespace orandu
