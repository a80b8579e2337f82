// etopo5-import: turns the ETOPO5 netCDF file into the program's headerless 16-bit grid file.
//
// The netCDF file holds the variable ROSE (metres) over ETOPO05_Y = 2161 latitudes ascending from
// 90° S to 90° N and ETOPO05_X = 4320 longitudes from 0° E, both every 5 arc-minutes. The grid
// file starts at 90° N and runs southwards; the 90° S row has no place in it and is dropped.
#include <netcdf.h>
#include <netcdf_mem.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "region/files/AtomicFile.h"
#include "region/grid/HeightGrid.h"
#include "tools/ExitStatus.h"

namespace {

using orandu::GridBytes;
using orandu::GridColumns;
using orandu::GridRows;
using orandu::SamplesPerDegree;

constexpr const char* kHeightVariable = "ROSE";
constexpr const char* kLatitudeDimension = "ETOPO05_Y";
constexpr const char* kLongitudeDimension = "ETOPO05_X";
constexpr std::size_t kLatitudeCount = GridRows + 1;  // both poles
constexpr std::size_t kLongitudeCount = GridColumns;
constexpr double kStepDegrees = 1.0 / SamplesPerDegree;
// The shipped longitudes drift by up to 0.004° from exact multiples of 5'; a tenth of a step
// accepts that and still refuses any other spacing or a shifted origin.
constexpr double kCoordinateTolerance = kStepDegrees / 10;
// 9.3 million heights take 37 MB as floats, 75 MB as doubles; nothing bigger is an ETOPO5 file.
constexpr std::uintmax_t kLargestInputBytes = 128u << 20;
// The program reads stored values above 10000 as depths, so a height must stay at or below it.
constexpr int kLowestHeight = -32768;
constexpr int kHighestHeight = 10000;

// A refusal of the input, its text already complete for stderr.
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rounds to whole metres, halves to even. NaN, the fill value and anything the grid cannot hold
// give no value; they are tested before rounding, which is only defined for values a long holds.
std::optional<std::int16_t> ToMetres(float height) {
  constexpr float kLowestRounding = kLowestHeight - 1.0f;
  constexpr float kHighestRounding = kHighestHeight + 1.0f;
  if (!(height > kLowestRounding && height < kHighestRounding)) return std::nullopt;
  const long metres = std::lrint(height);
  if (metres < kLowestHeight || metres > kHighestHeight) return std::nullopt;
  return static_cast<std::int16_t>(metres);
}

void Check(int status, const std::string& what) {
  if (status != NC_NOERR) throw ImportError(what + ": " + nc_strerror(status));
}

// Reads the whole input. On disk, libnetcdf reads the missing end of a cut-short file as zeros
// and waits for ever on a FIFO; from memory it reports a read past the end as an error.
std::vector<char> ReadInput(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) throw ImportError("cannot open: " + error.message());
  if (!std::filesystem::is_regular_file(status)) {
    throw ImportError("cannot open: not a regular file");
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw ImportError("cannot open: " + error.message());
  if (size > kLargestInputBytes) {
    throw ImportError(std::to_string(size) + " bytes, more than any ETOPO5 file holds");
  }
  std::vector<char> bytes(static_cast<std::size_t>(size));
  std::ifstream stream(path, std::ios::binary);
  if (!stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw ImportError("cannot read the whole file");
  }
  return bytes;
}

// The netCDF file opened from memory, closed on every way out.
class NetcdfFile {
 public:
  explicit NetcdfFile(const std::filesystem::path& path) : bytes_(ReadInput(path)) {
    Check(nc_open_mem(path.c_str(), NC_NOWRITE, bytes_.size(), bytes_.data(), &id_), "cannot open");
  }
  ~NetcdfFile() { nc_close(id_); }
  NetcdfFile(const NetcdfFile&) = delete;
  NetcdfFile& operator=(const NetcdfFile&) = delete;
  int Id() const { return id_; }

 private:
  std::vector<char> bytes_;
  int id_ = -1;
};

std::string DimensionName(int file, int dimension) {
  char name[NC_MAX_NAME + 1] = {};
  Check(nc_inq_dimname(file, dimension, name), "cannot read a dimension's name");
  return name;
}

// Checks that the dimension has the expected name and length.
void CheckDimension(int file, int dimension, const char* expectedName, std::size_t expectedLength) {
  const std::string name = DimensionName(file, dimension);
  if (name != expectedName) {
    throw ImportError(std::string(kHeightVariable) + " has dimension " + name + " where " +
                      expectedName + " was expected (dimensions must be latitude, longitude)");
  }
  std::size_t length = 0;
  Check(nc_inq_dimlen(file, dimension, &length), "cannot read the length of " + name);
  if (length != expectedLength) {
    throw ImportError(name + " has " + std::to_string(length) + " points, expected " +
                      std::to_string(expectedLength));
  }
}

// Checks that the coordinate variable of a dimension runs from `first` upwards by 5'.
void CheckCoordinates(int file, const char* name, std::size_t count, double first) {
  int variable = -1;
  Check(nc_inq_varid(file, name, &variable), std::string("no coordinate variable ") + name);
  int dimensionCount = 0;
  Check(nc_inq_varndims(file, variable, &dimensionCount), std::string("cannot inspect ") + name);
  if (dimensionCount != 1) throw ImportError(std::string(name) + " is not a 1-D coordinate");
  std::vector<double> values(count);
  Check(nc_get_var_double(file, variable, values.data()), std::string("cannot read ") + name);
  for (std::size_t i = 0; i < count; ++i) {
    const double expected = first + static_cast<double>(i) * kStepDegrees;
    if (!(std::fabs(values[i] - expected) <= kCoordinateTolerance)) {
      throw ImportError(std::string(name) + "[" + std::to_string(i) + "] is " +
                        std::to_string(values[i]) + "°, expected " + std::to_string(expected) +
                        "° (ascending from " + std::to_string(first) + "° by 5')");
    }
  }
}

// Reads the heights and returns the grid file's bytes, the northernmost row first.
std::vector<std::uint8_t> ConvertToGrid(const std::filesystem::path& input) {
  const NetcdfFile netcdf(input);
  const int file = netcdf.Id();

  int heights = -1;
  Check(nc_inq_varid(file, kHeightVariable, &heights),
        std::string("no height variable ") + kHeightVariable);
  int dimensionCount = 0;
  Check(nc_inq_varndims(file, heights, &dimensionCount), "cannot inspect the heights");
  if (dimensionCount != 2) {
    throw ImportError(std::string(kHeightVariable) + " has " + std::to_string(dimensionCount) +
                      " dimensions, expected 2 (latitude, longitude)");
  }
  int dimensions[NC_MAX_VAR_DIMS] = {};
  Check(nc_inq_vardimid(file, heights, dimensions), "cannot inspect the heights");
  // Packed heights would need unpacking that the shipped file never asks for.
  for (const char* packing : {"scale_factor", "add_offset"}) {
    if (nc_inq_att(file, heights, packing, nullptr, nullptr) == NC_NOERR) {
      throw ImportError(std::string(kHeightVariable) + " is packed (" + packing +
                        "), which is not supported");
    }
  }
  CheckDimension(file, dimensions[0], kLatitudeDimension, kLatitudeCount);
  CheckDimension(file, dimensions[1], kLongitudeDimension, kLongitudeCount);
  CheckCoordinates(file, kLatitudeDimension, kLatitudeCount, -90.0);
  CheckCoordinates(file, kLongitudeDimension, kLongitudeCount, 0.0);

  std::vector<std::uint8_t> grid(static_cast<std::size_t>(GridBytes));
  std::vector<float> row(kLongitudeCount);
  for (int gridRow = 0; gridRow < GridRows; ++gridRow) {
    // Latitude index 2160 is 90° N; index 0, 90° S, is left out.
    const std::size_t latitude = kLatitudeCount - 1 - static_cast<std::size_t>(gridRow);
    const std::size_t start[2] = {latitude, 0};
    const std::size_t count[2] = {1, kLongitudeCount};
    Check(nc_get_vara_float(file, heights, start, count, row.data()),
          "cannot read the heights at latitude index " + std::to_string(latitude) +
              " (is the file cut short?)");
    for (int column = 0; column < GridColumns; ++column) {
      const float height = row[static_cast<std::size_t>(column)];
      const std::optional<std::int16_t> metres = ToMetres(height);
      if (!metres) {
        throw ImportError("height " + std::to_string(height) + " m at latitude index " +
                          std::to_string(latitude) + ", longitude index " + std::to_string(column) +
                          " is missing or outside " + std::to_string(kLowestHeight) + " ... " +
                          std::to_string(kHighestHeight) + " m");
      }
      const auto raw = static_cast<std::uint16_t>(*metres);  // two's complement for depths
      const std::size_t at = (static_cast<std::size_t>(gridRow) * GridColumns + column) * 2;
      grid[at] = static_cast<std::uint8_t>(raw & 0xFF);
      grid[at + 1] = static_cast<std::uint8_t>(raw >> 8);
    }
  }
  return grid;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    return FailUsage("usage: etopo5-import INPUT.cdf OUTPUT");
  }
  const std::filesystem::path input = argv[1];
  const std::filesystem::path output = argv[2];
  std::vector<std::uint8_t> grid;
  try {
    grid = ConvertToGrid(input);
  } catch (const std::exception& error) {
    return Fail("etopo5-import", input.string() + ": " + error.what());
  }
  if (!orandu::WriteFileAtomically(output, grid)) {
    return Fail("etopo5-import", "cannot write " + output.string());
  }
  return Exit(ExitStatus::kSuccess);
}
