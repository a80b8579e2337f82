// Opening the grid file, with the containers a user may pick by mistake refused by name.
#include "region/grid/HeightGrid.h"

#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "region/files/Errors.h"

namespace orandu {

namespace {

struct Signature {
  std::string_view bytes;
  ContainerFormat format;
};

// Read as the first sample, each of these would be a depth below -40,000 m, which no grid holds,
// so no grid is ever taken for a container. netCDF's version byte is 1 (classic), 2 (64-bit
// offsets) or 5 (64-bit data).
constexpr Signature kContainerSignatures[] = {
    {std::string_view("CDF\x01", 4), ContainerFormat::kNetcdf},
    {std::string_view("CDF\x02", 4), ContainerFormat::kNetcdf},
    {std::string_view("CDF\x05", 4), ContainerFormat::kNetcdf},
    {std::string_view("\x89HDF", 4), ContainerFormat::kHdf5},
};
constexpr std::size_t kSignatureBytes = 4;

std::optional<ContainerFormat> ContainerOf(const std::array<std::uint8_t, kSignatureBytes>& head) {
  for (const Signature& signature : kContainerSignatures) {
    if (std::memcmp(head.data(), signature.bytes.data(), kSignatureBytes) == 0) {
      return signature.format;
    }
  }
  return std::nullopt;
}

}  // namespace

HeightGrid::HeightGrid(const std::filesystem::path& path) : file_(path) {
  std::array<std::uint8_t, kSignatureBytes> head{};
  if (file_.ReadAt(0, head) < head.size()) return;
  if (const auto format = ContainerOf(head)) {
    throw OranduError(ContainerGridMessage(path, *format));
  }
}

}  // namespace orandu
