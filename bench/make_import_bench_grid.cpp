// make-import-bench-grid: writes the import benchmark's input, a global cell-registered grid in
// netCDF-4 deflated at level 1, with relief-like heights: by default 1' floats (21600 x 10800),
// with --15s 15" 16-bit integers (86400 x 43200) in chunks of whole-row bands.
#include <netcdf.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "bench/BenchRelief.h"

namespace {

struct GridShape {
  std::size_t samplesPerDegree;
  nc_type type;
  double lowest;          // of the heights, metres
  double highest;         // of the heights, metres
  std::size_t chunkRows;  // 0: the library's own chunks
  std::size_t bandRows;   // rows made and written at once, a whole number of chunks
};

// The 1' grid keeps the heights and chunks it always had, so that its figures stay comparable.
constexpr GridShape kOneMinute{60, NC_FLOAT, -5720, 3320, 0, 540};
// The 15" grid holds what GEBCO's 15" grids hold, 16-bit integers spanning the Earth's relief,
// as 7.46 GB of values deflated into 5.5 GB. Chunks of 16 full rows (2.6 MB) let both
// tools read it band by band from the north.
constexpr GridShape kFifteenSeconds{240, NC_SHORT, -11000, 8800, 16, 160};

bool Check(int status) {
  if (status != NC_NOERR) std::fprintf(stderr, "make-import-bench-grid: %s\n", nc_strerror(status));
  return status == NC_NOERR;
}

template <typename Sample>
bool WriteHeights(int file, int heights, const GridShape& shape, std::span<const double> lons) {
  const std::size_t rows = 180 * shape.samplesPerDegree;
  const std::size_t columns = lons.size();
  const double step = 1.0 / static_cast<double>(shape.samplesPerDegree);
  orandu::bench::BenchRelief relief(lons, shape.lowest, shape.highest);
  std::vector<Sample> band(shape.bandRows * columns);
  for (std::size_t first = 0; first < rows; first += shape.bandRows) {
    for (std::size_t i = 0; i < shape.bandRows; ++i) {
      const double latitude = -90 + (static_cast<double>(first + i) + 0.5) * step;
      relief.FillRow(latitude, std::span(band).subspan(i * columns, columns));
    }
    const std::size_t start[2] = {first, 0};
    const std::size_t count[2] = {shape.bandRows, columns};
    if (!Check(nc_put_vara(file, heights, start, count, band.data()))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool fifteenSeconds = argc == 3 && std::strcmp(argv[1], "--15s") == 0;
  if (argc != 2 && !fifteenSeconds) {
    std::fputs("usage: make-import-bench-grid [--15s] OUTPUT.nc\n", stderr);
    return 2;
  }
  const GridShape& shape = fifteenSeconds ? kFifteenSeconds : kOneMinute;
  const std::size_t rows = 180 * shape.samplesPerDegree;
  const std::size_t columns = 360 * shape.samplesPerDegree;
  const double step = 1.0 / static_cast<double>(shape.samplesPerDegree);
  int file = -1;
  if (!Check(nc_create(argv[argc - 1], NC_NETCDF4 | NC_CLOBBER, &file))) return 1;
  int dimensions[2] = {};
  int latitude = -1;
  int longitude = -1;
  int heights = -1;
  const char* north = "degrees_north";
  const char* east = "degrees_east";
  const std::size_t chunks[2] = {shape.chunkRows, columns};
  const bool defined =
      Check(nc_def_dim(file, "lat", rows, &dimensions[0])) &&
      Check(nc_def_dim(file, "lon", columns, &dimensions[1])) &&
      Check(nc_def_var(file, "lat", NC_DOUBLE, 1, &dimensions[0], &latitude)) &&
      Check(nc_put_att_text(file, latitude, "units", 13, north)) &&
      Check(nc_def_var(file, "lon", NC_DOUBLE, 1, &dimensions[1], &longitude)) &&
      Check(nc_put_att_text(file, longitude, "units", 12, east)) &&
      Check(nc_def_var(file, "z", shape.type, 2, dimensions, &heights)) &&
      (shape.chunkRows == 0 || Check(nc_def_var_chunking(file, heights, NC_CHUNKED, chunks))) &&
      Check(nc_def_var_deflate(file, heights, 0, 1, 1)) && Check(nc_enddef(file));
  if (!defined) return 1;
  std::vector<double> values(rows);
  for (std::size_t i = 0; i < rows; ++i) values[i] = -90 + (static_cast<double>(i) + 0.5) * step;
  if (!Check(nc_put_var_double(file, latitude, values.data()))) return 1;
  values.resize(columns);
  for (std::size_t j = 0; j < columns; ++j) {
    values[j] = -180 + (static_cast<double>(j) + 0.5) * step;
  }
  if (!Check(nc_put_var_double(file, longitude, values.data()))) return 1;
  const bool written = shape.type == NC_SHORT
                           ? WriteHeights<std::int16_t>(file, heights, shape, values)
                           : WriteHeights<float>(file, heights, shape, values);
  return written && Check(nc_close(file)) ? 0 : 1;
}
