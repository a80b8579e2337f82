// make-import-bench-grid: writes the import benchmark's input, a global 1' float grid
// (21600 x 10800, cell-registered, netCDF-4 deflated at level 1), with relief-like heights.
#include <netcdf.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr std::size_t kColumns = 21600;
constexpr std::size_t kRows = 10800;
constexpr double kStep = 1.0 / 60;

bool Check(int status) {
  if (status != NC_NOERR) std::fprintf(stderr, "make-import-bench-grid: %s\n", nc_strerror(status));
  return status == NC_NOERR;
}

// Broad continents and basins with metre-scale roughness, so that the values compress about as
// poorly as real relief does.
float Height(double latitude, double longitude, std::uint32_t& noise) {
  const double phi = latitude * std::numbers::pi / 180;
  const double lambda = longitude * std::numbers::pi / 180;
  noise = noise * 1664525u + 1013904223u;
  const double rough = static_cast<double>(noise >> 8) / (1u << 24) * 40 - 20;
  return static_cast<float>(3000 * std::sin(3 * lambda) * std::cos(2 * phi) +
                            1500 * std::sin(7 * lambda + 2 * phi) - 1200 + rough);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make-import-bench-grid OUTPUT.nc\n", stderr);
    return 2;
  }
  int file = -1;
  if (!Check(nc_create(argv[1], NC_NETCDF4 | NC_CLOBBER, &file))) return 1;
  int dimensions[2] = {};
  int latitude = -1;
  int longitude = -1;
  int heights = -1;
  const char* north = "degrees_north";
  const char* east = "degrees_east";
  const bool defined = Check(nc_def_dim(file, "lat", kRows, &dimensions[0])) &&
                       Check(nc_def_dim(file, "lon", kColumns, &dimensions[1])) &&
                       Check(nc_def_var(file, "lat", NC_DOUBLE, 1, &dimensions[0], &latitude)) &&
                       Check(nc_put_att_text(file, latitude, "units", 13, north)) &&
                       Check(nc_def_var(file, "lon", NC_DOUBLE, 1, &dimensions[1], &longitude)) &&
                       Check(nc_put_att_text(file, longitude, "units", 12, east)) &&
                       Check(nc_def_var(file, "z", NC_FLOAT, 2, dimensions, &heights)) &&
                       Check(nc_def_var_deflate(file, heights, 0, 1, 1)) && Check(nc_enddef(file));
  if (!defined) return 1;
  std::vector<double> values(kColumns);
  for (std::size_t i = 0; i < kRows; ++i) values[i] = -90 + (static_cast<double>(i) + 0.5) * kStep;
  if (!Check(nc_put_var_double(file, latitude, values.data()))) return 1;
  for (std::size_t j = 0; j < kColumns; ++j) {
    values[j] = -180 + (static_cast<double>(j) + 0.5) * kStep;
  }
  if (!Check(nc_put_var_double(file, longitude, values.data()))) return 1;

  constexpr std::size_t kBand = 540;  // rows written at once: 47 MB of floats
  std::vector<float> band(kBand * kColumns);
  std::uint32_t noise = 1;
  for (std::size_t first = 0; first < kRows; first += kBand) {
    for (std::size_t i = 0; i < kBand; ++i) {
      const double lat = -90 + (static_cast<double>(first + i) + 0.5) * kStep;
      for (std::size_t j = 0; j < kColumns; ++j) {
        band[i * kColumns + j] = Height(lat, values[j], noise);
      }
    }
    const std::size_t start[2] = {first, 0};
    const std::size_t count[2] = {kBand, kColumns};
    if (!Check(nc_put_vara_float(file, heights, start, count, band.data()))) return 1;
  }
  return Check(nc_close(file)) ? 0 : 1;
}
