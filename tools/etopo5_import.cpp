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
#include <string>
#include <system_error>
#include <vector>

#include "region/files/AtomicFile.h"
#include "region/grid/HeightGrid.h"
#include "tools/ExitStatus.h"
#include "tools/import/ImportError.h"
#include "tools/import/NetcdfCalls.h"
#include "tools/import/SampleEncoding.h"

namespace {

using orandu::CheckNetcdf;
using orandu::GridBytes;
using orandu::GridColumns;
using orandu::GridRows;
using orandu::ImportError;
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
// ETOPO5 heights fit 16 bits, and the program reads stored values above 10000 as depths.
constexpr int kLowestHeight = -32768;
constexpr int kHighestHeight = 10000;

// The grid file's sample for a height, rounded as every import rounds. NaN, the fill value and
// anything that rounds outside ETOPO5's range give none: this file has no gaps to fill, so one
// is a broken file rather than something to clamp.
std::optional<std::uint16_t> ToSample(float height) {
  if (!std::isfinite(height)) return std::nullopt;
  const float metres = std::nearbyint(height);
  if (metres < kLowestHeight || metres > kHighestHeight) return std::nullopt;
  return orandu::EncodeHeight(height).raw;
}

// Reads the whole input. On disk, libnetcdf reads the missing end of a cut-short file as zeros
// and waits for ever on a FIFO; from memory it reports a read past the end as an error.
std::vector<char> ReadInput(const std::filesystem::path& path) {
  orandu::RequireRegularInput(path);
  std::error_code error;
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
    CheckNetcdf(nc_open_mem(path.c_str(), NC_NOWRITE, bytes_.size(), bytes_.data(), &id_),
                "cannot open");
  }
  ~NetcdfFile() { nc_close(id_); }
  NetcdfFile(const NetcdfFile&) = delete;
  NetcdfFile& operator=(const NetcdfFile&) = delete;
  int Id() const { return id_; }

 private:
  std::vector<char> bytes_;
  int id_ = -1;
};

// Checks that the dimension has the expected name and length.
void CheckDimension(int file, int dimension, const char* expectedName, std::size_t expectedLength) {
  const std::string name = orandu::NetcdfDimensionName(file, dimension);
  if (name != expectedName) {
    throw ImportError(std::string(kHeightVariable) + " has dimension " + name + " where " +
                      expectedName + " was expected (dimensions must be latitude, longitude)");
  }
  std::size_t length = 0;
  CheckNetcdf(nc_inq_dimlen(file, dimension, &length), "cannot read the length of " + name);
  if (length != expectedLength) {
    throw ImportError(name + " has " + std::to_string(length) + " points, expected " +
                      std::to_string(expectedLength));
  }
}

// Checks that the coordinate variable of a dimension runs from `first` upwards by 5'.
void CheckCoordinates(int file, const char* name, std::size_t count, double first) {
  int variable = -1;
  CheckNetcdf(nc_inq_varid(file, name, &variable), std::string("no coordinate variable ") + name);
  int dimensionCount = 0;
  CheckNetcdf(nc_inq_varndims(file, variable, &dimensionCount),
              std::string("cannot inspect ") + name);
  if (dimensionCount != 1) throw ImportError(std::string(name) + " is not a 1-D coordinate");
  std::vector<double> values(count);
  CheckNetcdf(nc_get_var_double(file, variable, values.data()), std::string("cannot read ") + name);
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
  CheckNetcdf(nc_inq_varid(file, kHeightVariable, &heights),
              std::string("no height variable ") + kHeightVariable);
  int dimensionCount = 0;
  CheckNetcdf(nc_inq_varndims(file, heights, &dimensionCount), "cannot inspect the heights");
  if (dimensionCount != 2) {
    throw ImportError(std::string(kHeightVariable) + " has " + std::to_string(dimensionCount) +
                      " dimensions, expected 2 (latitude, longitude)");
  }
  int dimensions[NC_MAX_VAR_DIMS] = {};
  CheckNetcdf(nc_inq_vardimid(file, heights, dimensions), "cannot inspect the heights");
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
    CheckNetcdf(nc_get_vara_float(file, heights, start, count, row.data()),
                "cannot read the heights at latitude index " + std::to_string(latitude) +
                    " (is the file cut short?)");
    for (int column = 0; column < GridColumns; ++column) {
      const float height = row[static_cast<std::size_t>(column)];
      const std::optional<std::uint16_t> sample = ToSample(height);
      if (!sample) {
        throw ImportError("height " + std::to_string(height) + " m at latitude index " +
                          std::to_string(latitude) + ", longitude index " + std::to_string(column) +
                          " is missing or outside " + std::to_string(kLowestHeight) + " ... " +
                          std::to_string(kHighestHeight) + " m");
      }
      const std::size_t at = (static_cast<std::size_t>(gridRow) * GridColumns + column) * 2;
      orandu::StoreSample(grid.data() + at, *sample);
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
