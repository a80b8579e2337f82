// orandu-import run on global grids written here from known fields, in every convention it reads.
#include <gtest/gtest.h>
#include <netcdf.h>
#include <sys/stat.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "region/grid/HeightGrid.h"
#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::RunTool;
using testing::Spaced;
using testing::TempDir;
using testing::TestGridFile;
using testing::ToolPath;
using testing::ToolRun;

constexpr int kSuccess = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr double kFiveMinutes = 1.0 / 12;
constexpr double kTwoAndAHalfMinutes = 1.0 / 24;

// The output row and column whose 5' cell holds a point (the cell reaches 2.5' either side).
int RowOf(double latitude) {
  return static_cast<int>(std::floor((90 - latitude) * 12 + 0.5));
}
int ColumnOf(double longitude) {
  const int column = static_cast<int>(std::floor(longitude * 12 + 0.5)) % GridColumns;
  return column < 0 ? column + GridColumns : column;
}

struct Imported {
  ToolRun run;
  std::vector<std::uint8_t> grid;  // the output file; empty when the import failed
  int At(int row, int column) const {
    return DecodeSample(
        RawSampleAt(grid.data() + static_cast<std::size_t>(row) * RowBytes, column));
  }
};

std::vector<std::uint8_t> ReadGrid(const std::filesystem::path& file) {
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(file));
  std::ifstream(file, std::ios::binary)
      .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

Imported Import(const TempDir& scratch, const TestGridFile& grid,
                const std::vector<std::string>& options = {}) {
  const auto input = scratch / "grid.nc";
  const auto output = scratch / "grid.dos";
  grid.Write(input);
  std::vector<std::string> arguments = options;
  arguments.push_back(input.string());
  arguments.push_back(output.string());
  Imported imported{RunTool(ToolPath("orandu-import"), arguments, scratch), {}};
  if (imported.run.exitStatus == kSuccess) imported.grid = ReadGrid(output);
  return imported;
}

// Compares every output sample with the expected height, naming the first few that differ.
void ExpectHeights(const Imported& imported, const std::function<int(int, int)>& expected) {
  ASSERT_EQ(imported.run.exitStatus, kSuccess) << imported.run.errors;
  ASSERT_EQ(imported.grid.size(), static_cast<std::size_t>(GridBytes));
  int wrong = 0;
  for (int row = 0; row < GridRows; ++row) {
    for (int column = 0; column < GridColumns; ++column) {
      const int want = expected(row, column);
      if (imported.At(row, column) != want && ++wrong <= 5) {
        ADD_FAILURE() << "row " << row << ", column " << column << ": " << imported.At(row, column)
                      << " where " << want << " was expected";
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// A pattern with a different whole height in every 5' cell, so that a sample put in the wrong
// place shows.
int Pattern(int row, int column) {
  return (row * 37 + column * 11) % 9000 - 4000;
}

// Plain at the samples, a ridge along both 0° and 180° in longitude: linear between 1° (and
// 10') samples, so that linear interpolation between them gives it back exactly.
double Slopes(double latitude, double longitude) {
  const double east = std::remainder(longitude, 360.0);  // -180 ... 180
  return 60 * latitude + 12 * std::fabs(east);
}
int SlopesAt(int row, int column, double northernmost) {
  const double latitude = std::clamp(90 - row * kFiveMinutes, -northernmost, northernmost);
  return static_cast<int>(std::lround(60 * latitude)) + std::min(column, GridColumns - column);
}

struct Convention {
  const char* name;
  std::function<void(TestGridFile&)> shape;
};

class SameSpacingTest : public ::testing::TestWithParam<Convention> {};

// 5' grids whose samples fall on the output's samples come through unchanged, however stored.
TEST_P(SameSpacingTest, CopiesEverySampleToItsPlace) {
  const TempDir scratch;
  TestGridFile grid;
  GetParam().shape(grid);
  grid.field = [](double latitude, double longitude) {
    return std::optional<double>(Pattern(RowOf(latitude), ColumnOf(longitude)));
  };
  const Imported imported = Import(scratch, grid);
  ExpectHeights(imported, Pattern);
  EXPECT_NE(imported.run.output.find("method:    identity\n"), std::string::npos)
      << imported.run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Conventions, SameSpacingTest,
    ::testing::Values(
        Convention{"AscendingFrom0East",
                   [](TestGridFile& g) {
                     g.latitude.values = Spaced(2161, -90, kFiveMinutes);
                     g.longitude.values = Spaced(4320, 0, kFiveMinutes);
                   }},
        Convention{"DescendingFrom180WestCompressed",
                   [](TestGridFile& g) {
                     g.latitude.values = Spaced(2161, 90, -kFiveMinutes);
                     g.longitude.values = Spaced(4320, -180, kFiveMinutes);
                     g.netcdf4 = true;
                   }},
        // Chunks taller than the rows the tool holds at once are read in thinner bands.
        Convention{"AscendingInTallChunks",
                   [](TestGridFile& g) {
                     g.latitude.values = Spaced(2161, -90, kFiveMinutes);
                     g.longitude.values = Spaced(4320, -180, kFiveMinutes);
                     g.netcdf4 = true;
                     g.chunkRows = 2161;
                     g.chunkColumns = 96;
                   }},
        Convention{"LastLongitudeRepeatsTheFirst",
                   [](TestGridFile& g) {
                     g.latitude.values = Spaced(2161, -90, kFiveMinutes);
                     g.longitude.values = Spaced(4321, 0, kFiveMinutes);
                   }},
        Convention{"PackedShorts",
                   [](TestGridFile& g) {
                     g.latitude.values = Spaced(2161, 90, -kFiveMinutes);
                     g.longitude.values = Spaced(4321, -180, kFiveMinutes);
                     g.type = NC_SHORT;
                     g.scale = 0.5;
                     g.offset = -1000;
                   }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OranduImportTest, RoundsHalvesToEvenClampsAndZeroesMissingSamples) {
  const TempDir scratch;
  constexpr int kRow = 10;
  const std::vector<std::optional<double>> stored = {
      2.5, 3.5, -0.5, -2.5, 1.49, 10000.4, 12000, -60000, -55535.4, std::nullopt, 7};
  const std::vector<int> expected = {2, 4, 0, -2, 1, 10000, 10000, -55535, -55535, 0, 7};
  TestGridFile grid;
  grid.latitude.values = Spaced(2161, -90, kFiveMinutes);
  grid.longitude.values = Spaced(4320, 0, kFiveMinutes);
  grid.fill = -32768;
  grid.writeRow = [](double latitude) { return RowOf(latitude) == kRow; };
  grid.field = [&](double, double longitude) {
    const auto column = static_cast<std::size_t>(ColumnOf(longitude));
    return column < stored.size() ? stored[column] : std::optional<double>(0);
  };
  const Imported imported = Import(scratch, grid);
  ExpectHeights(imported, [&](int row, int column) {
    const auto at = static_cast<std::size_t>(column);
    return row == kRow && at < expected.size() ? expected[at] : 0;
  });
  EXPECT_NE(imported.run.output.find("clamped:   2 samples"), std::string::npos);
  EXPECT_NE(imported.run.output.find("filled:    0 samples from their valid neighbours, 1 with "
                                     "no valid input set to 0"),
            std::string::npos)
      << imported.run.output;
}

// 2.5' cells, four to each output cell: rows near both poles and the equator carry a height
// that is constant over each output cell, with a few inputs missing at the equator.
TEST(OranduImportTest, AveragesFinerCellsIntoEachOutputCell) {
  const TempDir scratch;
  const auto written = [](int row) {
    return row <= 3 || (row >= 1078 && row <= 1082) || row >= 2156;
  };
  const auto constant = [](int row, int column) { return (row * 7 + column * 3) % 5000 - 2000; };
  TestGridFile grid;
  grid.latitude.values = Spaced(4320, 90 - kTwoAndAHalfMinutes / 2, -kTwoAndAHalfMinutes);
  grid.longitude.values = Spaced(8640, -180 + kTwoAndAHalfMinutes / 2, kTwoAndAHalfMinutes);
  grid.fill = -9999;
  grid.writeRow = [&](double latitude) { return written(RowOf(latitude)); };
  grid.field = [&](double latitude, double longitude) -> std::optional<double> {
    const int row = RowOf(latitude);
    const int column = ColumnOf(longitude);
    const bool north = latitude > 0;
    const bool west = longitude < column * kFiveMinutes;
    if (row != 1080 || column < 100 || column > 102) return constant(row, column);
    if (column == 100) return north && west ? std::nullopt : std::optional(constant(row, column));
    if (column == 101) return std::nullopt;
    if (north) return west ? std::optional(10.0) : std::nullopt;  // 10, -, 30, 30: mean 23.3
    return 30;
  };
  const Imported imported = Import(scratch, grid);
  ExpectHeights(imported, [&](int row, int column) {
    if (row == 1080 && column == 101) return 0;
    if (row == 1080 && column == 102) return 23;
    return written(row) ? constant(row, column) : 0;
  });
  EXPECT_NE(imported.run.output.find("method:    area-weighted mean\n"), std::string::npos);
  EXPECT_NE(imported.run.output.find("filled:    2 samples from their valid neighbours, 1 with "
                                     "no valid input set to 0"),
            std::string::npos)
      << imported.run.output;
}

// 2.5' samples on the nodes, 0° ... 360° with the last column repeating the first, heights
// rising eastwards by one metre per 5'. An output cell takes its centre sample whole and the
// samples on its edges by half, so it gets the height at its centre; the cell at 0° reaches
// back across the meridian to 359°57.5' (4319.5 m): (0.5 × 4319.5 + 0 + 0.5 × 0.5) / 2 = 1080.
TEST(OranduImportTest, AveragesGridRegisteredSamplesAcrossTheMeridian) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(4321, -90, kTwoAndAHalfMinutes);
  grid.longitude.values = Spaced(8641, 0, kTwoAndAHalfMinutes);
  grid.writeRow = [](double latitude) { return std::fabs(latitude) <= 10 + 1e-9; };
  grid.field = [](double, double longitude) { return std::optional(longitude * 12); };
  const Imported imported = Import(scratch, grid);
  ASSERT_EQ(imported.run.exitStatus, kSuccess) << imported.run.errors;
  ASSERT_EQ(imported.grid.size(), static_cast<std::size_t>(GridBytes));
  for (const int row : {961, 1080, 1199}) {
    EXPECT_EQ(imported.At(row, 0), 1080) << "row " << row;
    for (int column = 1; column < GridColumns; ++column) {
      ASSERT_EQ(imported.At(row, column), column) << "row " << row << ", column " << column;
    }
  }
  EXPECT_EQ(imported.At(0, 100), 0);  // nothing written north of 10° N
}

// 10' cell centres, the northernmost at 89°55' N: the output's 90° N row takes that row's
// heights, as nothing lies further north to interpolate towards.
TEST(OranduImportTest, InterpolatesCoarserCellCentresLinearly) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(1080, -90 + kFiveMinutes, 2 * kFiveMinutes);
  grid.longitude.values = Spaced(2160, 0, 2 * kFiveMinutes);
  grid.field = [](double latitude, double longitude) {
    return std::optional(Slopes(latitude, longitude));
  };
  const Imported imported = Import(scratch, grid);
  ExpectHeights(imported,
                [](int row, int column) { return SlopesAt(row, column, 90 - kFiveMinutes); });
  EXPECT_NE(imported.run.output.find("spacing:   10′ × 10′, cell-registered, latitude ascending, "
                                     "longitude from 0°\n"),
            std::string::npos)
      << imported.run.output;
}

TEST(OranduImportTest, InterpolatesPackedOneDegreeNodesAndSummarises) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude.values = Spaced(181, 90, -1);
  grid.type = NC_SHORT;
  grid.scale = 0.5;
  grid.offset = 100;
  grid.field = [](double latitude, double longitude) {
    return std::optional(Slopes(latitude, longitude));
  };
  const Imported imported = Import(scratch, grid);
  ExpectHeights(imported, [](int row, int column) { return SlopesAt(row, column, 90); });
  EXPECT_EQ(imported.run.output,
            "input:     " + (scratch / "grid.nc").string() +
                ", variable z (short), 361 × 181\n"
                "spacing:   1° × 1°, grid-registered, latitude descending, longitude from -180°\n"
                "method:    bilinear\n"
                "values:    -5400 … 7560 m\n"
                "clamped:   0 samples to -55535 … 10000 m\n"
                "filled:    0 samples from their valid neighbours, 0 with no valid input set to 0\n"
                "output:    " +
                (scratch / "grid.dos").string() + "\n");
  EXPECT_EQ(imported.run.errors, "");  // no progress bar when not on a terminal
}

// Only the grid's row 10 is written, one stored value in each of its first columns; the rest
// reads as 0 m.
// Columns are counted from the first at `first_longitude`.
Imported ImportRowTen(const TempDir& scratch, TestGridFile grid,
                      const std::vector<std::optional<double>>& stored, double firstLongitude = 0) {
  grid.latitude.values = Spaced(2161, -90, kFiveMinutes);
  grid.longitude.values = Spaced(4320, firstLongitude, kFiveMinutes);
  grid.writeRow = [](double latitude) { return RowOf(latitude) == 10; };
  grid.field = [&stored, firstLongitude](double, double longitude) {
    const auto column = static_cast<std::size_t>(ColumnOf(longitude - firstLongitude));
    return column < stored.size() ? stored[column] : std::optional<double>(0);
  };
  return Import(scratch, grid);
}

std::function<int(int, int)> RowTen(const std::vector<int>& expected) {
  return [expected](int row, int column) {
    const auto at = static_cast<std::size_t>(column);
    return row == 10 && at < expected.size() ? expected[at] : 0;
  };
}

// Doubles far beyond any height once became infinite as floats, then not a number where two
// of opposite signs met, then an undefined integer: 0 m, and not counted. Each output sample
// lies a quarter of the way from one input sample to the next: 3/4 of one, 1/4 of the other.
TEST(OranduImportTest, HugeDoublesAreClampedAndCountedAndNotANumberIsMissing) {
  const TempDir scratch;
  TestGridFile grid;
  grid.type = NC_DOUBLE;
  const Imported imported = ImportRowTen(
      scratch, grid, {1e300, -1e300, 1e300, std::nan(""), 7, DBL_MAX, -DBL_MAX, -1e300},
      kFiveMinutes / 4);
  ExpectHeights(imported, RowTen({10000, -55535, 10000, 10000, 7, 10000, -55535, -55535, -55535}));
  EXPECT_NE(imported.run.output.find("clamped:   8 samples"), std::string::npos)
      << imported.run.output;
  EXPECT_NE(imported.run.output.find("filled:    2 samples from their valid neighbours, 0 with "
                                     "no valid input set to 0"),
            std::string::npos)
      << imported.run.output;
}

// Halves to even, of a rational mean num / den (den > 0), in whole numbers only.
int HalfToEven(std::int64_t num, std::int64_t den) {
  std::int64_t whole = num / den;
  std::int64_t rest = num % den;
  if (rest < 0) {
    rest += den;
    --whole;
  }
  if (2 * rest > den || (2 * rest == den && whole % 2 != 0)) ++whole;
  return static_cast<int>(whole);
}

// Whole heights on 1° nodes: each output sample is a mean of four with weights in twelfths,
// a tie for many of them. Expected values are worked out in whole numbers.
TEST(OranduImportTest, BilinearMeansOfWholeHeightsRoundExactTiesToEven) {
  const TempDir scratch;
  const auto height = [](int latitude, int longitude) {
    return (latitude * 7 + longitude * 13 + 9000) % 101 - 50;  // latitude 90° N down, 0° east
  };
  TestGridFile grid;
  grid.latitude.values = Spaced(181, 90, -1);
  grid.longitude.values = Spaced(360, 0, 1);
  grid.type = NC_SHORT;
  grid.field = [&](double latitude, double longitude) {
    return std::optional<double>(
        height(static_cast<int>(std::lround(90 - latitude)), static_cast<int>(longitude)));
  };
  ExpectHeights(Import(scratch, grid), [&](int row, int column) {
    const int north = row / 12;
    const int west = column / 12;
    const std::int64_t down = row % 12;  // twelfths of a degree from the node to the north
    const std::int64_t east = column % 12;
    const auto at = [&](int i, int j) -> std::int64_t { return height(std::min(i, 180), j % 360); };
    const std::int64_t sum =
        (12 - down) * (12 - east) * at(north, west) + (12 - down) * east * at(north, west + 1) +
        down * (12 - east) * at(north + 1, west) + down * east * at(north + 1, west + 1);
    return HalfToEven(sum, 144);
  });
}

// 50" cells, six rows of equal heights in each output cell and six columns: whatever the rows'
// areas, the mean is exactly the columns' mean, a tie whenever their sum is 3 modulo 6.
TEST(OranduImportTest, AreaMeansOfWholeHeightsRoundExactTiesToEven) {
  const TempDir scratch;
  constexpr int kPerCell = 6;
  constexpr int kColumns = GridColumns * kPerCell;
  constexpr double kStep = kFiveMinutes / kPerCell;
  const auto written = [](int row) { return row >= 300 && row <= 320; };
  const auto height = [](int row, int inputColumn) {
    return (row * 5 + inputColumn * 3) % 1001 - 500;
  };
  TestGridFile grid;
  grid.latitude.values = Spaced(GridRows * kPerCell, 90 - kStep / 2, -kStep);
  grid.longitude.values = Spaced(kColumns, kStep / 2, kStep);
  grid.type = NC_SHORT;
  grid.writeRow = [&](double latitude) { return written(RowOf(latitude)); };
  grid.field = [&](double latitude, double longitude) {
    const int inputColumn = static_cast<int>(std::floor(longitude / kStep));
    return std::optional<double>(height(RowOf(latitude), inputColumn));
  };
  ExpectHeights(Import(scratch, grid), [&](int row, int column) {
    if (!written(row)) return 0;
    // Output column c covers input columns 6c - 3 ... 6c + 2, wrapping round at 0°.
    std::int64_t sum = 0;
    for (int j = kPerCell * column - kPerCell / 2; j < kPerCell * column + kPerCell / 2; ++j) {
      sum += height(row, (j + kColumns) % kColumns);
    }
    return HalfToEven(sum, kPerCell);
  });
}

// Without _FillValue, missing_value alone marks the samples that are missing.
TEST(OranduImportTest, MissingValueAloneMarksMissingSamples) {
  const TempDir scratch;
  TestGridFile grid;
  grid.type = NC_SHORT;
  grid.attributes = [](int file, int variable) {
    const short missing = -9999;
    ASSERT_EQ(nc_put_att_short(file, variable, "missing_value", NC_SHORT, 1, &missing), NC_NOERR);
  };
  const Imported imported = ImportRowTen(scratch, grid, {5, -9999, 7, -9999, -9998});
  ExpectHeights(imported, RowTen({5, 0, 7, 0, -9998}));
  EXPECT_NE(imported.run.output.find("2 with no valid input set to 0"), std::string::npos)
      << imported.run.output;
}

// Values outside valid_range are missing; both ends are valid.
TEST(OranduImportTest, ValuesOutsideTheValidRangeAreMissing) {
  const TempDir scratch;
  TestGridFile grid;
  grid.type = NC_SHORT;
  grid.attributes = [](int file, int variable) {
    const short range[2] = {-500, 600};
    ASSERT_EQ(nc_put_att_short(file, variable, "valid_range", NC_SHORT, 2, range), NC_NOERR);
  };
  const Imported imported = ImportRowTen(scratch, grid, {-500, 600, 601, -501, 3});
  ExpectHeights(imported, RowTen({-500, 600, 0, 0, 3}));
  EXPECT_NE(imported.run.output.find("2 with no valid input set to 0"), std::string::npos)
      << imported.run.output;
}

// The mapping toolkits' global grids: x and y with no units, their extent the whole globe.
TEST(OranduImportTest, XAndYSpanningTheGlobeAreLongitudeAndLatitude) {
  const TempDir scratch;
  TestGridFile grid;
  grid.latitude = {"y", "", Spaced(2161, -90, kFiveMinutes), NC_DOUBLE, std::pair(-90.0, 90.0)};
  grid.longitude = {"x", "", Spaced(4321, -180, kFiveMinutes), NC_DOUBLE, std::pair(-180.0, 180.0)};
  grid.field = [](double latitude, double longitude) {
    return std::optional<double>(Pattern(RowOf(latitude), ColumnOf(longitude)));
  };
  ExpectHeights(Import(scratch, grid), Pattern);
}

// 2.5' cells with single-precision coordinates, constant over each 5' cell: the coordinates'
// rounding must not shift the cells' edges and take slivers of neighbouring cells.
TEST(OranduImportTest, SinglePrecisionCoordinatesTakeNoSliversOfNeighbouringCells) {
  const TempDir scratch;
  const auto written = [](int row) { return row >= 1070 && row <= 1090; };
  // Neighbouring cells 16000 m apart: a sliver of a ten-thousandth of a cell moves a mean by 1 m.
  const auto constant = [](int row, int column) {
    return (column % 2 == 0 ? 8000 : -8000) + row % 7;
  };
  TestGridFile grid;
  grid.latitude.values = Spaced(4320, 90 - kTwoAndAHalfMinutes / 2, -kTwoAndAHalfMinutes);
  grid.longitude.values = Spaced(8640, -180 + kTwoAndAHalfMinutes / 2, kTwoAndAHalfMinutes);
  grid.latitude.type = NC_FLOAT;
  grid.longitude.type = NC_FLOAT;
  grid.writeRow = [&](double latitude) { return written(RowOf(latitude)); };
  grid.field = [&](double latitude, double longitude) {
    return std::optional<double>(constant(RowOf(latitude), ColumnOf(longitude)));
  };
  ExpectHeights(Import(scratch, grid),
                [&](int row, int column) { return written(row) ? constant(row, column) : 0; });
}

TEST(OranduImportTest, VariableOptionPicksOneOfSeveralGrids) {
  const TempDir scratch;
  TestGridFile grid;
  grid.otherVariables = {"error"};
  grid.field = [](double, double) { return std::optional(5.0); };
  const Imported imported = Import(scratch, grid, {"--variable", "error"});
  ExpectHeights(imported, [](int, int) { return 1005; });
}

void PrintTo(const Convention& convention, std::ostream* out) {
  *out << convention.name;
}

struct Refusal {
  const char* name;
  std::function<void(TestGridFile&)> shape;
  std::vector<std::string> options;
  std::string message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

class OranduImportRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(OranduImportRefusalTest, ExplainsAndLeavesTheOutputAsItWas) {
  const TempDir scratch;
  const auto output = scratch.Write("grid.dos", std::string("earlier grid"));
  TestGridFile grid;
  GetParam().shape(grid);
  const Imported imported = Import(scratch, grid, GetParam().options);
  EXPECT_EQ(imported.run.exitStatus, kFailed);
  const std::string prefix = "orandu-import: " + (scratch / "grid.nc").string() + ": ";
  EXPECT_TRUE(imported.run.errors.starts_with(prefix + GetParam().message)) << imported.run.errors;
  EXPECT_EQ(ReadText(output), "earlier grid");
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".orandu-tmp-"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, OranduImportRefusalTest,
    ::testing::Values(
        Refusal{"ProjectedCoordinates",
                [](TestGridFile& g) {
                  g.latitude = {"y", "m", Spaced(181, 0, 1000)};
                  g.longitude = {"x", "m", Spaced(361, 0, 1000)};
                },
                {},
                "z(y, x) is on projected x/y coordinates: not a geographic latitude/longitude "
                "grid"},
        Refusal{"UnknownCoordinates",
                [](TestGridFile& g) {
                  g.latitude = {"row", "", Spaced(181, 0, 1)};
                },
                {},
                "z(row, lon) has no latitude and longitude coordinates: not a geographic grid"},
        Refusal{"RegionalLatitudes",
                [](TestGridFile& g) { g.latitude.values = Spaced(121, -60, 1); },
                {},
                "latitudes lat run from -60° to 60°: not a global grid"},
        Refusal{"HalfTheLongitudes",
                [](TestGridFile& g) { g.longitude.values = Spaced(181, 0, 1); },
                {},
                "longitudes lon run from 0° to 180°: not a global grid"},
        Refusal{"GlobalButShifted",
                [](TestGridFile& g) { g.latitude.values = Spaced(180, -89.75, 1); },
                {},
                "latitudes lat run from -89.75° to 89.25°: not a global grid"},
        Refusal{"IrregularLatitudes",
                [](TestGridFile& g) { g.latitude.values[100] = 10.5; },
                {},
                "lat is not regular: lat[100] is 10.5°, expected 10°"},
        Refusal{"BeyondThePole",
                [](TestGridFile& g) { g.latitude.values = Spaced(191, -95, 1); },
                {},
                "lat holds -95°, which is no latitude: not a geographic grid"},
        Refusal{"NoHeightVariable",
                [](TestGridFile& g) { g.variable.clear(); },
                {},
                "no height variable: no 2-D variable over latitude and longitude"},
        Refusal{"SeveralCandidates",
                [](TestGridFile& g) { g.otherVariables = {"error"}; },
                {},
                "several height variables (z, error): choose one with --variable NAME"},
        Refusal{"NoSuchVariable",
                [](TestGridFile&) {},
                {"--variable", "depth"},
                "no variable depth in the file"},
        Refusal{"CoordinateChosen",
                [](TestGridFile&) {},
                {"--variable=lat"},
                "lat is not a 2-D grid over latitude and longitude"},
        // x/y axes without units are geographic only when their extent is the whole globe.
        Refusal{
            "RegionalXYWithoutUnits",
            [](TestGridFile& g) {
              g.latitude = {"y", "", Spaced(181, -90, 1), NC_DOUBLE, std::pair(-90.0, 90.0)};
              g.longitude = {"x", "", Spaced(361, -180, 1), NC_DOUBLE, std::pair(-180.0, 179.0)};
            },
            {},
            "z(y, x) is on projected x/y coordinates: not a geographic latitude/longitude "
            "grid"},
        // Packing that cannot be applied would give heights scaled wrongly, with exit status 0.
        Refusal{"ScaleFactorAsText",
                [](TestGridFile& g) {
                  g.attributes = [](int file, int variable) {
                    ASSERT_EQ(nc_put_att_text(file, variable, "scale_factor", 5, "0.001"),
                              NC_NOERR);
                  };
                },
                {},
                "z's scale_factor is text, not a number"},
        Refusal{"AddOffsetOfTwoValues",
                [](TestGridFile& g) {
                  g.attributes = [](int file, int variable) {
                    const double offsets[2] = {100, 200};
                    ASSERT_EQ(
                        nc_put_att_double(file, variable, "add_offset", NC_DOUBLE, 2, offsets),
                        NC_NOERR);
                  };
                },
                {},
                "z's add_offset has 2 values, not one number"},
        Refusal{"ValidRangeUpsideDown",
                [](TestGridFile& g) {
                  g.attributes = [](int file, int variable) {
                    const double range[2] = {500, -500};
                    ASSERT_EQ(nc_put_att_double(file, variable, "valid_range", NC_FLOAT, 2, range),
                              NC_NOERR);
                  };
                },
                {},
                "z has valid values from 500 up to -500: the low end is above the high end"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OranduImportTest, UnreadableInputsAreRefused) {
  const TempDir scratch;
  const auto text = scratch.Write("text.nc", std::string("just some text\n"));
  const auto fifo = scratch / "fifo.nc";  // nobody writes to it: opening it would wait for ever
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto cut = scratch / "cut.nc";
  TestGridFile().Write(cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 100);
  const struct {
    std::filesystem::path input;
    std::string message;
  } cases[] = {{text, "cannot open: NetCDF: Unknown file format"},
               {fifo, "cannot open: not a regular file"},
               {scratch / "absent.nc", "cannot open: No such file or directory"},
               {cut, "the file is cut short: z needs "}};
  for (const auto& [input, message] : cases) {
    const auto output = scratch / "out.dos";
    const auto run = RunTool(ToolPath("orandu-import"), {input.string(), output.string()}, scratch);
    EXPECT_EQ(run.exitStatus, kFailed) << input;
    EXPECT_TRUE(run.errors.starts_with("orandu-import: " + input.string() + ": " + message))
        << run.errors;
    EXPECT_FALSE(std::filesystem::exists(output));
  }
}

TEST(OranduImportTest, AnOutputThatCannotBeWrittenIsReported) {
  const TempDir scratch;
  const auto input = scratch / "grid.nc";
  TestGridFile().Write(input);
  const auto output = scratch / "no such folder" / "grid.dos";
  const auto run = RunTool(ToolPath("orandu-import"), {input.string(), output.string()}, scratch);
  EXPECT_EQ(run.exitStatus, kFailed);
  EXPECT_EQ(run.errors, "orandu-import: cannot write " + output.string() + "\n");
}

TEST(OranduImportTest, WrongArgumentsAreAUsageError) {
  const TempDir scratch;
  const std::vector<std::vector<std::string>> wrong = {{},
                                                       {"in.nc"},
                                                       {"in.nc", "out", "extra"},
                                                       {"--level", "3", "in.nc", "out"},
                                                       {"in.nc", "out", "--variable"},
                                                       {"--variable=", "in.nc", "out"}};
  for (const std::vector<std::string>& arguments : wrong) {
    const auto run = RunTool(ToolPath("orandu-import"), arguments, scratch);
    EXPECT_EQ(run.exitStatus, kUsage) << arguments.size() << " arguments";
    EXPECT_EQ(run.errors, "usage: orandu-import [--native] [--variable NAME] INPUT OUTPUT\n");
  }
}

TEST(OranduImportTest, ConvertsTheShippedEtopo5ExactlyAsEtopo5ImportDoes) {
  const std::filesystem::path shipped = "/usr/share/ferret-vis/data/etopo5.cdf";
  if (!std::filesystem::exists(shipped)) {
    GTEST_SKIP() << shipped << " is absent (Debian package ferret-datasets)";
  }
  const TempDir scratch;
  const auto output = scratch / "ETOPO5.DOS";
  const auto run = RunTool(ToolPath("orandu-import"), {shipped.string(), output.string()}, scratch);
  ASSERT_EQ(run.exitStatus, kSuccess) << run.errors;
  const auto digest = RunTool("/usr/bin/sha256sum", {output.string()}, scratch);
  EXPECT_EQ(digest.output.substr(0, 64),
            "bcb4ed5585e07ffe4244b19cb0d645c0ceb10877a22a71b21370efa19e6cb792");
}

}  // namespace
}  // namespace orandu
