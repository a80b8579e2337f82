// orandu-import --native: the input's own samples in place, their raster header, and refusals.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"
#include "tools/import/NativeImport.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::ReadText;
using testing::RunTool;
using testing::Spaced;
using testing::TempDir;
using testing::TestGridFile;
using testing::ToolPath;
using testing::ToolRun;

constexpr int kSuccess = 0;
constexpr int kFailed = 1;
constexpr double kStep = 1.0 / 24;  // 2.5′
constexpr std::size_t kColumns = 8640;

struct Native {
  ToolRun run;
  std::vector<std::uint8_t> grid;
  std::string header;
  std::size_t columns = 0;
  int At(std::size_t row, std::size_t column) const {
    const std::size_t at = (row * columns + column) * 2;
    return static_cast<std::int16_t>(grid[at] | grid[at + 1] << 8);
  }
};

Native ImportNative(const TempDir& scratch, const std::filesystem::path& input,
                    std::size_t columns) {
  const auto output = scratch / "native.bil";
  Native native{
      RunTool(ToolPath("orandu-import"), {"--native", input.string(), output.string()}, scratch),
      {},
      {},
      columns};
  if (native.run.exitStatus == kSuccess) {
    native.grid = ReadFile(output);
    native.header = ReadText(scratch / "native.hdr");
  }
  return native;
}

// The header's value for `key`, as a number.
double HeaderValue(const std::string& header, const std::string& key) {
  std::istringstream lines(header);
  std::string name;
  std::string value;
  while (lines >> name >> value) {
    if (name == key) return std::stod(value);
  }
  ADD_FAILURE() << key << " missing from\n" << header;
  return NAN;
}

// Halves to the even neighbour, decided by hand.
int HalfEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return static_cast<int>(below);
  if (fraction > 0.5) return static_cast<int>(below) + 1;
  return static_cast<int>(std::fmod(below, 2) == 0 ? below : below + 1);
}

// The real 20′ ETOPO: every sample in its place, rows from the north, columns from 0°.
TEST(NativeImportTest, RealTwentyMinuteEtopoKeepsEverySampleInPlace) {
  const std::filesystem::path input = "/usr/share/ferret-vis/data/etopo20.cdf";
  if (!std::filesystem::exists(input)) GTEST_SKIP() << "ferret-datasets is not installed";
  // Read here directly: ROSE over (latitude from the south, 1081 longitudes from 20°10′ E, the
  // last one the first again).
  int file = -1;
  int variable = -1;
  int longitudeId = -1;
  ASSERT_EQ(nc_open(input.c_str(), NC_NOWRITE, &file), NC_NOERR);
  ASSERT_EQ(nc_inq_varid(file, "ROSE", &variable), NC_NOERR);
  ASSERT_EQ(nc_inq_varid(file, "ETOPO20X1_1081", &longitudeId), NC_NOERR);
  std::vector<float> rose(540 * 1081);
  std::vector<double> longitudes(1081);
  ASSERT_EQ(nc_get_var_float(file, variable, rose.data()), NC_NOERR);
  ASSERT_EQ(nc_get_var_double(file, longitudeId, longitudes.data()), NC_NOERR);
  nc_close(file);

  const TempDir scratch;
  const Native native = ImportNative(scratch, input, 1080);
  ASSERT_EQ(native.run.exitStatus, kSuccess) << native.run.errors;
  ASSERT_EQ(native.grid.size(), 1080u * 540 * 2);
  EXPECT_EQ(native.header,
            "NROWS 540\nNCOLS 1080\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\n"
            "LAYOUT BIL\nULXMAP 0.166666666666667\nULYMAP 89.8333333333333\n"
            "XDIM 0.333333333333333\nYDIM 0.333333333333333\n");
  std::size_t mismatches = 0;
  for (std::size_t row = 0; row < 540; ++row) {
    for (std::size_t column = 0; column < 1080; ++column) {
      // The input column at the same longitude: 1/6° + column/3, found round the Earth.
      const double east =
          std::fmod(1.0 / 6 + static_cast<double>(column) / 3 - longitudes[0] + 720, 360.0);
      const auto from = static_cast<std::size_t>(std::lround(east * 3));
      const float height = rose[(539 - row) * 1081 + from];
      if (native.At(row, column) != std::lrint(height)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0u);
  // The deepest and highest heights in the input, as literals.
  EXPECT_NE(native.run.output.find("values:    -9026.62 … 6228.81 m\n"), std::string::npos);
}

// Generated 2.5′ grids in each registration and longitude start: the heights grow with the
// longitude east of 0° (ties to even at every other sample of the grids on whole 2.5′), and the
// northern, equator and southern rows tell their places apart. Rows never written read as 0.
struct Layout {
  const char* name;
  bool gridRegistered;
  bool ascending;
  double firstLongitude;
  bool repeatsFirstColumn;
  double west;  // the longitude of the first output column, worked out by hand
};

void PrintTo(const Layout& layout, std::ostream* out) {
  *out << layout.name;
}

class NativeLayoutTest : public ::testing::TestWithParam<Layout> {};

// A longitude east of 0° in 1/48ths of a degree, where the samples of every layout here lie:
// whole numbers, so that the heights made from them are exact.
long InFortyEighths(double longitude) {
  return std::lround(std::fmod(longitude + 720, 360) * 48) % (360 * 48);
}

// Heights by row: the north row 3000 + 60 × longitude with every 7th sample missing, the equator
// 60 × longitude, the south row -3000 - 60 × longitude but beyond what 16 bits hold between
// 10° and 30° E.
std::optional<double> Field(long at, bool north, bool south) {
  const double base = 1.25 * static_cast<double>(at);
  if (north) {
    if (at % 7 == 0) return std::nullopt;
    return 3000 + base;
  }
  if (south) {
    if (at >= 480 && at < 960) return 40000;
    if (at >= 960 && at < 1440) return -40000;
    return -3000 - base;
  }
  return base;
}

TEST_P(NativeLayoutTest, PutsEverySampleInPlaceRoundedClampedAndFilled) {
  const Layout& layout = GetParam();
  const std::size_t rows = layout.gridRegistered ? 4321 : 4320;
  const double north = layout.gridRegistered ? 90 : 90 - kStep / 2;
  const std::size_t inputColumns = layout.repeatsFirstColumn ? kColumns + 1 : kColumns;
  TestGridFile grid;
  grid.fill = -99999;
  grid.latitude.values =
      layout.ascending ? Spaced(rows, -north, kStep) : Spaced(rows, north, -kStep);
  grid.longitude.values = Spaced(inputColumns, layout.firstLongitude, kStep);
  grid.field = [repeats = layout.repeatsFirstColumn](double latitude, double longitude) {
    // The first column again, 360° on, must not be read as one of its own.
    if (repeats && longitude > 179.99) return std::optional<double>(12345);
    return Field(InFortyEighths(longitude), latitude > 89.97, latitude < -89.97);
  };
  const double equator = layout.gridRegistered ? 0 : kStep / 2;
  grid.writeRow = [equator](double latitude) {
    return std::fabs(latitude) > 89.97 || std::fabs(latitude - equator) < 1e-9;
  };
  const TempDir scratch;
  grid.Write(scratch / "grid.nc");
  const Native native = ImportNative(scratch, scratch / "grid.nc", kColumns);
  ASSERT_EQ(native.run.exitStatus, kSuccess) << native.run.errors;
  ASSERT_EQ(native.grid.size(), kColumns * rows * 2);
  EXPECT_EQ(native.run.errors, "");  // no progress bar when not on a terminal
  EXPECT_EQ(HeaderValue(native.header, "NROWS"), static_cast<double>(rows));
  EXPECT_EQ(HeaderValue(native.header, "NCOLS"), static_cast<double>(kColumns));
  EXPECT_NEAR(HeaderValue(native.header, "ULXMAP"), layout.west, 1e-12);
  EXPECT_NEAR(HeaderValue(native.header, "ULYMAP"), north, 1e-12);
  EXPECT_NEAR(HeaderValue(native.header, "XDIM"), kStep, 1e-14);
  EXPECT_NEAR(HeaderValue(native.header, "YDIM"), kStep, 1e-14);

  const std::size_t equatorRow = layout.gridRegistered ? 2160 : 2159;
  std::size_t missing = 0;
  std::size_t clamped = 0;
  for (std::size_t column = 0; column < kColumns; ++column) {
    const long at = std::lround(layout.west * 48) + 2 * static_cast<long>(column);
    const double base = 1.25 * static_cast<double>(at);
    const bool gap = at % 7 == 0;
    missing += gap;
    EXPECT_EQ(native.At(0, column), gap ? 0 : HalfEven(3000 + base)) << "north " << column;
    EXPECT_EQ(native.At(1, column), 0) << column;
    EXPECT_EQ(native.At(equatorRow, column), HalfEven(base)) << "equator " << column;
    int south = HalfEven(-3000 - base);
    if (at >= 480 && at < 960) south = 32767;
    if (at >= 960 && at < 1440) south = -32768;
    clamped += at >= 480 && at < 1440;
    EXPECT_EQ(native.At(rows - 1, column), south) << "south " << column;
  }
  const std::string& summary = native.run.output;
  EXPECT_NE(summary.find("clamped:   " + std::to_string(clamped) + " samples to -32768 … 32767 m"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find(", " + std::to_string(missing) + " with no valid input set to 0"),
            std::string::npos)
      << summary;
}

INSTANTIATE_TEST_SUITE_P(
    TwoAndAHalfMinutes, NativeLayoutTest,
    ::testing::Values(Layout{"GridRegisteredFromMinus180", true, true, -180, true, 0},
                      Layout{"CellRegisteredFromHalfADegree", false, false, 0.5, false, 0},
                      Layout{"CellCentresFromMinus180", false, true, -180 + kStep / 2, false,
                             kStep / 2}),
    [](const auto& row) { return std::string(row.param.name); });

// A grid read in many bands reports its progress band by band, up to the whole.
TEST(NativeImportTest, ReportsProgressAsBandsAreWritten) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(4320, -90 + kStep / 2, kStep);
  grid.longitude.values = Spaced(kColumns, kStep / 2, kStep);
  grid.writeRow = [](double) { return false; };  // zeros that take no room on disk
  grid.Write(scratch / "grid.nc");
  std::vector<double> reported;
  ImportOptions options;
  options.progress = [&reported](double done) { reported.push_back(done); };
  ImportNative(scratch / "grid.nc", scratch / "grid.bil", options);
  ASSERT_GT(reported.size(), 10u);
  for (std::size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]);
  EXPECT_EQ(reported.back(), 1.0);
}

// 16-bit heights as stored, however marked missing and however laid out: kept to the metre in
// their places, 0 where they equal _FillValue or missing_value or lie outside the valid bounds.
// Half-degree cell-registered grids from -179.75°, so every row is rotated by half its width.
struct ShortGrid {
  const char* name;
  bool netcdf4;  // in chunks of 64 × 512 values, so that each row is read in two runs
  bool ascending;
  std::optional<double> fill;
  std::function<void(int, int)> attributes;  // besides _FillValue
  std::vector<int> missing;                  // as these attributes mark them
  int lowestValid;
  int highestValid;
};

void PrintTo(const ShortGrid& grid, std::ostream* out) {
  *out << grid.name;
}

class NativeShortTest : public ::testing::TestWithParam<ShortGrid> {};

constexpr std::size_t kHalfDegreeRows = 360;
constexpr std::size_t kHalfDegreeColumns = 720;

// The value stored at an output row (from the north) and column (from 0.25° E): consecutive
// samples step by 181, so every 16-bit value appears, each about four times.
int StoredShort(std::size_t row, std::size_t column) {
  const std::size_t index = row * kHalfDegreeColumns + column;
  return static_cast<int>(index * 181 % 65536) - 32768;
}

TEST_P(NativeShortTest, KeepsEveryValidValueAndFillsTheMissingOnes) {
  const ShortGrid& shape = GetParam();
  TestGridFile grid;
  grid.type = NC_SHORT;
  grid.netcdf4 = shape.netcdf4;
  grid.fill = shape.fill;
  grid.attributes = shape.attributes;
  grid.latitude.values =
      shape.ascending ? Spaced(kHalfDegreeRows, -89.75, 0.5) : Spaced(kHalfDegreeRows, 89.75, -0.5);
  grid.longitude.values = Spaced(kHalfDegreeColumns, -179.75, 0.5);
  grid.field = [](double latitude, double longitude) {
    const auto row = static_cast<std::size_t>(std::lround((89.75 - latitude) * 2));
    const auto column =
        static_cast<std::size_t>(std::lround(std::fmod(longitude - 0.25 + 360, 360) * 2));
    return std::optional<double>(StoredShort(row, column));
  };
  const TempDir scratch;
  grid.Write(scratch / "grid.nc");
  const Native native = ImportNative(scratch, scratch / "grid.nc", kHalfDegreeColumns);
  ASSERT_EQ(native.run.exitStatus, kSuccess) << native.run.errors;
  ASSERT_EQ(native.grid.size(), kHalfDegreeRows * kHalfDegreeColumns * 2);
  std::size_t missing = 0;
  std::size_t mismatches = 0;
  int lowest = 32768;
  int highest = -32769;
  for (std::size_t row = 0; row < kHalfDegreeRows; ++row) {
    for (std::size_t column = 0; column < kHalfDegreeColumns; ++column) {
      const int stored = StoredShort(row, column);
      const bool isMissing =
          stored < shape.lowestValid || stored > shape.highestValid ||
          std::find(shape.missing.begin(), shape.missing.end(), stored) != shape.missing.end();
      missing += isMissing;
      if (!isMissing) {
        lowest = std::min(lowest, stored);
        highest = std::max(highest, stored);
      }
      if (native.At(row, column) != (isMissing ? 0 : stored)) {
        ADD_FAILURE_AT(__FILE__, __LINE__)
            << "row " << row << " column " << column << ": " << native.At(row, column);
        if (++mismatches == 10) return;
      }
    }
  }
  const std::string& summary = native.run.output;
  EXPECT_NE(summary.find("values:    " + std::to_string(lowest) + " … " + std::to_string(highest) +
                         " m\n"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("clamped:   0 samples"), std::string::npos) << summary;
  EXPECT_NE(summary.find(", " + std::to_string(missing) + " with no valid input set to 0"),
            std::string::npos)
      << summary;
}

void PutShorts(int file, int variable, const char* name, std::vector<short> values) {
  ASSERT_EQ(nc_put_att_short(file, variable, name, NC_SHORT, values.size(), values.data()),
            NC_NOERR);
}

void PutDoubles(int file, int variable, const char* name, std::vector<double> values) {
  ASSERT_EQ(nc_put_att_double(file, variable, name, NC_DOUBLE, values.size(), values.data()),
            NC_NOERR);
}

INSTANTIATE_TEST_SUITE_P(
    HalfDegree, NativeShortTest,
    ::testing::Values(
        ShortGrid{"NothingMissing", false, false, std::nullopt, nullptr, {}, -32768, 32767},
        ShortGrid{"FillAndMissingValueInsideTheValidRange",
                  true,
                  true,
                  -500,
                  [](int file, int variable) {
                    PutShorts(file, variable, "missing_value", {77});
                    PutShorts(file, variable, "valid_range", {-11000, 9000});
                  },
                  {-500, 77},
                  -11000,
                  9000},
        // Bounds between whole metres keep the whole metres inside them.
        ShortGrid{"FractionalValidBoundsAndFillsOutsideThem",
                  true,
                  false,
                  -32768,
                  [](int file, int variable) {
                    PutShorts(file, variable, "missing_value", {32767});
                    PutDoubles(file, variable, "valid_min", {-20000.5});
                    PutDoubles(file, variable, "valid_max", {20000.5});
                  },
                  {},
                  -20000,
                  20000},
        ShortGrid{"ThreeMissingValues",
                  false,
                  true,
                  1,
                  [](int file, int variable) {
                    PutShorts(file, variable, "missing_value", {2, 3});
                  },
                  {1, 2, 3},
                  -32768,
                  32767}),
    [](const auto& row) { return std::string(row.param.name); });

// Grids that cannot be kept at their own spacing: refused with the reason, nothing written.
struct Refusal {
  const char* name;
  std::function<void(TestGridFile&)> shape;
  const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

class NativeRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(NativeRefusalTest, ExplainsAndWritesNothing) {
  const TempDir scratch;
  TestGridFile grid;
  GetParam().shape(grid);
  grid.Write(scratch / "grid.nc");
  const Native native = ImportNative(scratch, scratch / "grid.nc", 0);
  EXPECT_EQ(native.run.exitStatus, kFailed);
  const std::string prefix = "orandu-import: " + (scratch / "grid.nc").string() + ": ";
  EXPECT_EQ(native.run.errors, prefix + GetParam().message + "\n");
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "grid.nc" || name.starts_with("tool-")) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spacings, NativeRefusalTest,
    ::testing::Values(
        Refusal{"IrregularLongitudes", [](TestGridFile& g) { g.longitude.values[100] = -79.5; },
                "lon is not regular: lon[100] is -79.5°, expected -80°"},
        Refusal{"UnequalSpacings",
                [](TestGridFile& g) { g.longitude.values = Spaced(720, -180, 0.5); },
                "latitudes are 1° apart and longitudes 30′: a grid at its own spacing needs the "
                "same spacing along both"},
        Refusal{"NotDividingADegree",
                [](TestGridFile& g) {
                  g.latitude.values = Spaced(600, -89.85, 0.3);
                  g.longitude.values = Spaced(1200, 0, 0.3);
                },
                "the spacing 18′ is neither a whole number of samples per degree nor a whole "
                "number of degrees: a grid at its own spacing needs one or the other"},
        Refusal{"SevenSamplesADegree",
                [](TestGridFile& g) {
                  g.latitude.values = Spaced(1260, -90 + 1.0 / 14, 1.0 / 7);
                  g.longitude.values = Spaced(2520, 0, 1.0 / 7);
                },
                "the spacing 8.571′ is not one the program shows: its samples per degree must "
                "divide 14400, or its degrees per sample 180"},
        Refusal{"NotGlobalInLongitude",
                [](TestGridFile& g) { g.longitude.values = Spaced(181, 0, 1); },
                "longitudes lon run from 0° to 180°: not a global grid"}),
    [](const auto& row) { return std::string(row.param.name); });

// The header takes the output's name with .hdr in place of its extension: an output named
// .hdr would be its own header.
TEST(NativeImportTest, OutputNamedLikeItsHeaderIsRefused) {
  const TempDir scratch;
  TestGridFile grid;
  grid.Write(scratch / "grid.nc");
  const auto output = scratch / "grid.hdr";
  const ToolRun run =
      RunTool(ToolPath("orandu-import"),
              {"--native", (scratch / "grid.nc").string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: cannot write " + output.string() +
                            ": its header takes the name with .hdr in place of the extension\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
}  // namespace orandu
