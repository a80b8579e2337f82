// Raster headers of any text beside grid files of any length: a header is refused with the
// invalid-header message, or it describes a global grid of exactly the file's length whose
// samples lie on the lattice.
//
// Input: the grid file's length (uint64, little-endian), then the header's text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "region/files/Errors.h"
#include "region/grid/GridHeader.h"
#include "tests/fuzz/FuzzSupport.h"

using orandu::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kLengthBytes = 8;
  if (size < kLengthBytes) return 0;
  std::uint64_t fileBytes = 0;
  for (std::size_t i = 0; i < kLengthBytes; ++i) fileBytes |= std::uint64_t{data[i]} << (8 * i);
  const std::string_view text(reinterpret_cast<const char*>(data + kLengthBytes),
                              size - kLengthBytes);
  orandu::GridGeometry grid;
  try {
    grid = orandu::ParseGridHeader(text, fileBytes, "grid.hdr");
  } catch (const orandu::OranduError& error) {
    Require(std::string_view(error.what()).find("grid.hdr") != std::string_view::npos,
            "a refusal does not name the header");
    return 0;
  }
  Require(grid.Bytes() == fileBytes, "the grid's size is not the file's");
  Require(grid.samplesPerDegree == 1 || grid.degreesPerSample == 1, "spacing is not whole");
  Require(grid.Spacing() * grid.columns == 360 * orandu::kLatticePartsPerDegree,
          "the columns do not go round the Earth");
  Require(grid.firstLongitude >= 0 && grid.firstLongitude < grid.Spacing(),
          "the first column is not the first at or east of 0°");
  const std::int64_t lastRow = grid.RowLatitude(grid.rows - 1);
  Require(grid.RowLatitude(0) >= 0 && lastRow <= 180 * orandu::kLatticePartsPerDegree,
          "rows lie beyond the poles");
  Require(lastRow + grid.Spacing() > 180 * orandu::kLatticePartsPerDegree,
          "the rows stop short of the south pole");
  Require(grid.encoding == orandu::SampleEncoding::kSigned16, "a header grid is not signed");
  return 0;
}
