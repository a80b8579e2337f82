// Opening the grid file and its header, with the containers a user may pick by mistake refused
// by name, and reading parts of its rows.
#include "region/grid/HeightGrid.h"

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "region/files/Errors.h"
#include "region/grid/GridHeader.h"

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
  const std::optional<GridGeometry> described = ReadGridHeader(path, file_.size());
  geometry_ = described.value_or(kEtopo5Geometry);
  hasHeader_ = described.has_value();
  std::array<std::uint8_t, kSignatureBytes> head{};
  if (file_.ReadAt(0, head) < head.size()) return;
  if (const auto format = ContainerOf(head)) {
    throw OranduError(ContainerGridMessage(path, *format));
  }
}

std::uint64_t HeightGrid::Offset(int row, int column) const {
  return std::uint64_t{RowBytes()} * static_cast<std::uint64_t>(row) +
         std::uint64_t{2} * static_cast<std::uint64_t>(column);
}

void HeightGrid::ReadSamples(int row, int column, std::span<std::uint8_t> bytes) const {
  // The file was as long as its header says when it was opened: it has shrunk since.
  if (file_.ReadAt(Offset(row, column), bytes) != bytes.size()) {
    throw OranduError(std::string(kStreamReadErrorMessage));
  }
}

void HeightGrid::ReadSamples(std::span<const ReadRequest> reads) const {
  if (!file_.ReadInFull(reads)) throw OranduError(std::string(kStreamReadErrorMessage));
}

bool HeightGrid::InMemory(int row, int column, std::span<std::uint8_t> bytes) const {
  return file_.InMemory(Offset(row, column), bytes);
}

void HeightGrid::Prefetch(int row, int column, int count) const {
  file_.Prefetch(Offset(row, column), std::uint64_t{2} * static_cast<std::uint64_t>(count));
}

}  // namespace orandu
