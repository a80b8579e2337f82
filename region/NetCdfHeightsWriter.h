// Writing a region's samples as a CF netCDF file, row by row.
#pragma once

#include <filesystem>

#include "region/GeoPlacement.h"
#include "region/picture/PictureWriters.h"

namespace orandu {

// A classic-format netCDF file following the CF conventions: the variable "z" (16-bit signed
// metres, kMissingHeight as its _FillValue) over the dimensions "lat" and "lon", whose coordinate
// variables hold each sample's position in degrees (north to south, west to east). Rows are asked
// for top-down, two bytes a sample, low byte first. Streams into a temporary that replaces the
// target once whole, with the picture writers' refusals and errors.
void WriteNetCdfHeightRows(const std::filesystem::path& path, int width, int height,
                           const GeoPlacement& placement, const RowSource& sampleRow);

}  // namespace orandu
