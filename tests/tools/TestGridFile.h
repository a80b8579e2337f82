// Writes global height grids as netCDF files for the import tests, from a field of heights.
#pragma once

#include <netcdf.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace orandu::testing {

// Evenly spaced coordinates: `count` values from `first` by `step`.
inline std::vector<double> Spaced(std::size_t count, double first, double step) {
  std::vector<double> values(count);
  for (std::size_t i = 0; i < count; ++i) values[i] = first + static_cast<double>(i) * step;
  return values;
}

struct TestAxis {
  std::string name;
  std::string units;
  std::vector<double> values;
  nc_type type = NC_DOUBLE;  // as the coordinates are stored
  std::optional<std::pair<double, double>> actual_range = std::nullopt;  // written when set
};

// The layout of the file and the heights in it; the defaults make a 1° grid-registered grid.
struct TestGridFile {
  std::string variable = "z";
  TestAxis latitude{"lat", "degrees_north", Spaced(181, -90, 1)};
  TestAxis longitude{"lon", "degrees_east", Spaced(361, -180, 1)};
  nc_type type = NC_FLOAT;
  bool netcdf4 = false;  // deflated and chunked, else the classic format
  std::size_t chunk_rows = 64;
  std::size_t chunk_columns = 512;
  std::optional<double> fill;
  std::optional<double> scale;
  std::optional<double> offset;
  bool latitude_unlimited = false;  // latitude the record dimension (classic formats)
  // Adds attributes of its own to the height variable (file and variable ids), before the data.
  std::function<void(int, int)> attributes;
  std::vector<std::string> other_variables;  // more 2-D variables over the same axes
  double other_shift = 1000;                 // the other variables hold the heights plus this
  // Height in metres at (latitude, longitude); nullopt where it is missing (the fill value).
  std::function<std::optional<double>(double, double)> field = [](double, double) {
    return std::optional<double>(0);
  };
  // Rows left out are never written: in the classic format they read back as zeros and take no
  // room on disk, which keeps the fine grids cheap.
  std::function<bool(double)> write_row = [](double) { return true; };

  // The value stored for a height, packed when there is a scale or an offset.
  double Stored(std::optional<double> height) const {
    if (!height) return *fill;
    if (scale || offset) return std::nearbyint((*height - offset.value_or(0)) / scale.value_or(1));
    return *height;
  }

  void Write(const std::filesystem::path& path) const {
    int file = -1;
    Check(nc_create(path.c_str(), netcdf4 ? NC_NETCDF4 | NC_CLOBBER : NC_CLOBBER, &file));
    int old_mode = 0;
    Check(nc_set_fill(file, NC_NOFILL, &old_mode));
    int dimensions[2] = {-1, -1};
    int coordinates[2] = {-1, -1};
    const TestAxis* axes[2] = {&latitude, &longitude};
    for (int i = 0; i < 2; ++i) {
      const bool unlimited = i == 0 && latitude_unlimited;
      Check(nc_def_dim(file, axes[i]->name.c_str(),
                       unlimited ? NC_UNLIMITED : axes[i]->values.size(), &dimensions[i]));
      Check(nc_def_var(file, axes[i]->name.c_str(), axes[i]->type, 1, &dimensions[i],
                       &coordinates[i]));
      if (axes[i]->actual_range) {
        const double range[2] = {axes[i]->actual_range->first, axes[i]->actual_range->second};
        Check(nc_put_att_double(file, coordinates[i], "actual_range", axes[i]->type, 2, range));
      }
      if (!axes[i]->units.empty()) {
        Check(nc_put_att_text(file, coordinates[i], "units", axes[i]->units.size(),
                              axes[i]->units.c_str()));
      }
    }
    std::vector<int> heights;
    std::vector<std::string> names = other_variables;
    if (!variable.empty()) names.insert(names.begin(), variable);  // no name, no heights
    for (const std::string& name : names) {
      int id = -1;
      Check(nc_def_var(file, name.c_str(), type, 2, dimensions, &id));
      if (netcdf4) {
        const std::size_t chunks[2] = {chunk_rows, chunk_columns};
        Check(nc_def_var_chunking(file, id, NC_CHUNKED, chunks));
        Check(nc_def_var_deflate(file, id, 0, 1, 1));
        // Rows are written one at a time: the cache must hold a whole row of chunks, or each
        // row would inflate and deflate every chunk it crosses again.
        const std::size_t across = (longitude.values.size() + chunk_columns - 1) / chunk_columns;
        Check(nc_set_var_chunk_cache(file, id, across * chunk_rows * chunk_columns * 8 + (1 << 20),
                                     4 * across + 1, 1.0f));
      }
      if (fill) Check(nc_put_att_double(file, id, "_FillValue", type, 1, &*fill));
      if (scale) Check(nc_put_att_double(file, id, "scale_factor", NC_DOUBLE, 1, &*scale));
      if (offset) Check(nc_put_att_double(file, id, "add_offset", NC_DOUBLE, 1, &*offset));
      if (attributes) attributes(file, id);
      heights.push_back(id);
    }
    Check(nc_enddef(file));
    for (int i = 0; i < 2; ++i) {
      const std::size_t start = 0;
      const std::size_t count = axes[i]->values.size();  // a record dimension grows as written
      Check(nc_put_vara_double(file, coordinates[i], &start, &count, axes[i]->values.data()));
    }
    std::vector<double> row(longitude.values.size());
    for (std::size_t k = 0; k < latitude.values.size(); ++k) {
      if (!write_row(latitude.values[k])) continue;
      for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = Stored(field(latitude.values[k], longitude.values[j]));
      }
      const std::size_t start[2] = {k, 0};
      const std::size_t count[2] = {1, row.size()};
      for (std::size_t v = 0; v < heights.size(); ++v) {
        std::vector<double> values = row;
        if (names[v] != variable) {
          for (double& value : values) value += other_shift;
        }
        Check(nc_put_vara_double(file, heights[v], start, count, values.data()));
      }
    }
    Check(nc_close(file));
  }

  static void Check(int status) {
    if (status != NC_NOERR) throw std::runtime_error(nc_strerror(status));
  }
};

}  // namespace orandu::testing
