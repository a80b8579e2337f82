// Writing GeoTIFF files row by row: pictures and heights placed on the Earth.
#pragma once

#include <filesystem>

#include "region/GeoPlacement.h"
#include "region/picture/PictureWriters.h"

namespace orandu {

// Both write a baseline, uncompressed, little-endian TIFF in one strip, georeferenced in
// geographic WGS 84 (EPSG:4326) with pixels as areas, streaming the rows top-down into a
// temporary that replaces the target once whole, as the other picture writers do (same
// refusals, same errors).

// 8-bit red-green-blue pixels.
void WriteGeoTiffRows(const std::filesystem::path& path, int width, int height,
                      const GeoPlacement& placement, const RowSource& paintRow);

// 16-bit signed samples, two bytes each, low byte first; kMissingHeight is the file's "no data".
void WriteGeoTiffHeightRows(const std::filesystem::path& path, int width, int height,
                            const GeoPlacement& placement, const RowSource& sampleRow);

}  // namespace orandu
