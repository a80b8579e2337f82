// orandu-import --native's level files: the block means of the grid it wrote, beside it, written
// together with it or not at all.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tests/tools/RunTool.h"
#include "tests/tools/TestGridFile.h"
#include "tools/import/ImportError.h"
#include "tools/import/NativeImport.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::Spaced;
using testing::TempDir;
using testing::TestGridFile;

constexpr int kFactors[] = {2, 4, 8, 16, 32, 64};

// A file of 16-bit little-endian heights, `columns` to a row.
struct Heights {
  std::vector<std::uint8_t> bytes;
  long columns = 0;
  long Rows() const { return static_cast<long>(bytes.size()) / 2 / columns; }
  int At(long row, long column) const {
    const auto at = static_cast<std::size_t>((row * columns + column) * 2);
    return static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8);
  }
};

// The mean of the samples of block (row, column) that the grid holds, taken straight from them;
// nearbyint rounds a half (exact in a double) to even.
int BlockMean(const Heights& finest, int factor, long row, long column) {
  long long sum = 0;
  long count = 0;
  for (long r = row * factor; r < std::min((row + 1) * factor, finest.Rows()); ++r) {
    for (long c = column * factor; c < std::min((column + 1) * factor, finest.columns); ++c) {
      sum += finest.At(r, c);
      ++count;
    }
  }
  return static_cast<int>(std::nearbyint(static_cast<double>(sum) / static_cast<double>(count)));
}

struct Shape {
  const char* name;
  std::vector<double> latitudes;
  std::vector<double> longitudes;
  long columns;  // of the grid written
  long rows;
};

void PrintTo(const Shape& shape, std::ostream* out) {
  *out << shape.name;
}

class NativeLevelsTest : public ::testing::TestWithParam<Shape> {};

// Heights over the whole 16-bit range with every remainder of every block size, so that ties
// and negative sums occur at each level.
std::optional<double> Scattered(double latitude, double longitude) {
  const auto a = static_cast<long>(std::lround(latitude * 4 + 1000));
  const auto b = static_cast<long>(std::lround(longitude * 4 + 1000));
  return static_cast<double>((a * 7919 + b * 104729 + a * b * 31) % 65536 - 32768);
}

TEST_P(NativeLevelsTest, LevelFilesHoldTheBlockMeansOfTheFinestSamples) {
  const Shape& shape = GetParam();
  const TempDir scratch;
  TestGridFile grid;
  grid.type = NC_SHORT;
  grid.latitude.values = shape.latitudes;
  grid.longitude.values = shape.longitudes;
  grid.field = Scattered;
  grid.Write(scratch / "grid.nc");
  ImportNative(scratch / "grid.nc", scratch / "gebco.bil", {});
  const Heights finest{ReadFile(scratch / "gebco.bil"), shape.columns};
  ASSERT_EQ(finest.Rows(), shape.rows);
  for (const int factor : kFactors) {
    SCOPED_TRACE(factor);
    const Heights level{ReadFile(scratch / ("gebco.z" + std::to_string(factor) + ".bil")),
                        (shape.columns + factor - 1) / factor};
    ASSERT_EQ(level.Rows(), (shape.rows + factor - 1) / factor);
    int mismatches = 0;
    for (long row = 0; row < level.Rows(); ++row) {
      for (long column = 0; column < level.columns; ++column) {
        if (level.At(row, column) == BlockMean(finest, factor, row, column)) continue;
        ADD_FAILURE() << "block " << row << ", " << column << ": " << level.At(row, column)
                      << ", expected " << BlockMean(finest, factor, row, column);
        if (++mismatches == 5) return;
      }
    }
  }
}

// Half-degree cells from 179.75° W, each row rotated to start at 0.25° E: 11.25 blocks of 64
// across, 5.6 down. 1° samples on the poles with the seam's column repeated: 181 rows, odd at
// every level.
INSTANTIATE_TEST_SUITE_P(Grids, NativeLevelsTest,
                         ::testing::Values(Shape{"HalfDegreeCells", Spaced(360, -89.75, 0.5),
                                                 Spaced(720, -179.75, 0.5), 720, 360},
                                           Shape{"OneDegreeFromPoleToPole", Spaced(181, 90, -1),
                                                 Spaced(361, -180, 1), 360, 181}),
                         [](const auto& row) { return std::string(row.param.name); });

// A level that cannot be written stops the import: neither the grid nor its header nor any other
// level is left, nor any temporary.
TEST(NativeLevelsFailureTest, ALevelThatCannotBeWrittenLeavesNothing) {
  const TempDir scratch;
  TestGridFile grid;
  grid.Write(scratch / "grid.nc");
  std::filesystem::create_directory(scratch / "gebco.z8.bil");
  try {
    ImportNative(scratch / "grid.nc", scratch / "gebco.bil", {});
    FAIL() << "imported";
  } catch (const OutputError& error) {
    EXPECT_EQ(error.what(), "cannot write " + (scratch / "gebco.z8.bil").string());
  }
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "grid.nc" || name == "gebco.z8.bil") << name;
  }
}

}  // namespace
}  // namespace orandu
