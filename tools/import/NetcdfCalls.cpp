// The checks every reader of a netCDF input makes.
#include "tools/import/NetcdfCalls.h"

#include <netcdf.h>

#include <system_error>

#include "tools/import/ImportError.h"

namespace orandu {

void RequireRegularInput(const std::filesystem::path& input) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(input, error);
  if (error) throw ImportError("cannot open: " + error.message());
  if (status.type() == std::filesystem::file_type::not_found) {
    throw ImportError("cannot open: " +
                      std::make_error_code(std::errc::no_such_file_or_directory).message());
  }
  if (!std::filesystem::is_regular_file(status)) {
    throw ImportError("cannot open: not a regular file");
  }
}

void CheckNetcdf(int status, const std::string& what) {
  if (status != NC_NOERR) throw ImportError(what + ": " + nc_strerror(status));
}

std::string NetcdfDimensionName(int file, int dimension) {
  char name[NC_MAX_NAME + 1] = {};
  CheckNetcdf(nc_inq_dimname(file, dimension, name), "cannot read a dimension's name");
  return name;
}

}  // namespace orandu
