// The plain-text raster header that describes a grid kept at its own spacing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "region/grid/GridGeometry.h"

namespace orandu {

// Where a grid file's header lies: the same name with `.hdr` in place of its extension. Nothing
// when that is the grid's own name (a grid named `x.hdr` has no header).
std::optional<std::filesystem::path> GridHeaderPath(const std::filesystem::path& grid);

// A header's keys, one "KEY value" a line in any letter case:
//   NROWS, NCOLS                     the rows and the samples round a parallel
//   NBITS 16, PIXELTYPE SIGNEDINT    16-bit signed heights (both required)
//   BYTEORDER I                      low byte first (when absent too)
//   NBANDS 1, LAYOUT BIL/BIP/BSQ, SKIPBYTES 0, BANDROWBYTES, TOTALROWBYTES NCOLS * 2 (optional)
//   ULXMAP, ULYMAP                   the centre of the first sample, degrees east and north
//   XDIM, YDIM                       the spacing in degrees, equal
// Other keys (NODATA, for one) are read past. The grid must be global: NCOLS * XDIM = 360, a
// whole number of samples per degree or of degrees per sample, ULYMAP 90 (NROWS = NCOLS / 2 + 1)
// or half a sample south of it (NROWS = NCOLS / 2), ULXMAP at or east of 0° and west of the
// second column, and the grid file fileBytes = NROWS * NCOLS * 2 long.
// Throws OranduError with the invalid-header message, naming the header's path and what is wrong.
GridGeometry ParseGridHeader(std::string_view text, std::uint64_t fileBytes,
                             const std::filesystem::path& headerPath);

// The geometry the header beside the grid file at `grid` gives, or nothing when there is no
// header (the file is then ETOPO5's). Throws OranduError when the header cannot be read or is
// invalid.
std::optional<GridGeometry> ReadGridHeader(const std::filesystem::path& grid,
                                           std::uint64_t fileBytes);

}  // namespace orandu
