// The checks every reader of a netCDF input makes: the input is a regular file, each call
// succeeded.
#pragma once

#include <filesystem>
#include <string>

namespace orandu {

// Throws ImportError "cannot open: REASON" unless `input` is a regular file: a FIFO or a device
// would keep the netCDF library waiting for ever.
void RequireRegularInput(const std::filesystem::path& input);

// Throws ImportError "WHAT: the library's reason" when a netCDF call returned an error.
void CheckNetcdf(int status, const std::string& what);

// The name of a dimension of an open file.
std::string NetcdfDimensionName(int file, int dimension);

}  // namespace orandu
