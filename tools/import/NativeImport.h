// Turns a global netCDF height grid into a grid file at its own spacing, with its raster header.
#pragma once

#include <filesystem>

#include "tools/import/GridImport.h"

namespace orandu {

// Writes every input sample, not resampled, as 16-bit little-endian signed heights, rows from
// the north, columns eastwards from the first sample at or east of 0°, a band of rows at a time,
// and its zoomed-out levels as they stream past (LevelFilePath); then the raster header beside it
// (HeaderPath). Throws ImportError when the input cannot be kept at its own spacing or the output
// not written; OUTPUT, its header and its levels are then left as they were.
ImportSummary ImportNative(const std::filesystem::path& input, const std::filesystem::path& output,
                           const ImportOptions& options);

}  // namespace orandu
