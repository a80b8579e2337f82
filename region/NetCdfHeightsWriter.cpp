// Writes classic netCDF files front to back: the header, the coordinates, then the samples.
#include "region/NetCdfHeightsWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "region/RegionHeights.h"
#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

enum class ListTag : std::uint32_t { kDimensions = 0x0A, kVariables = 0x0B, kAttributes = 0x0C };
enum class NcType : std::uint32_t { kChar = 2, kShort = 3, kInt = 4, kDouble = 6 };
enum class Dimension : std::uint32_t { kLat = 0, kLon = 1 };
constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;  // rows handed to each write
constexpr const char* kWgs84Wkt =
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563]],"
    "PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433],AUTHORITY[\"EPSG\",\"4326\"]]";

// Big-endian values, names and attributes padded to four bytes, as the classic format has them.
class Header {
 public:
  void U32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void Pad() {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
  }
  void Name(const std::string& name) {
    U32(static_cast<std::uint32_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    Pad();
  }
  void Text(const std::string& name, const std::string& value) {
    Name(name);
    U32(static_cast<std::uint32_t>(NcType::kChar));
    U32(static_cast<std::uint32_t>(value.size()));
    bytes.insert(bytes.end(), value.begin(), value.end());
    Pad();
  }
  void Short(const std::string& name, std::int16_t value) {
    Name(name);
    U32(static_cast<std::uint32_t>(NcType::kShort));
    U32(1);
    const auto raw = static_cast<std::uint16_t>(value);
    bytes.push_back(static_cast<std::uint8_t>(raw >> 8));
    bytes.push_back(static_cast<std::uint8_t>(raw));
    Pad();
  }
  void Double(const std::string& name, double value) {
    Name(name);
    U32(static_cast<std::uint32_t>(NcType::kDouble));
    U32(1);
    std::uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    U32(static_cast<std::uint32_t>(raw >> 32));
    U32(static_cast<std::uint32_t>(raw));
  }
  void Attributes(std::uint32_t count) {
    U32(static_cast<std::uint32_t>(ListTag::kAttributes));
    U32(count);
  }

  std::vector<std::uint8_t> bytes;
};

struct Variable {
  std::string name;
  std::vector<Dimension> dimensions;
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<std::pair<std::string, double>> doubles;
  bool fillValue;
  NcType type;
  std::uint32_t bytes;
};

std::uint32_t PaddedToFour(std::size_t bytes) {
  return static_cast<std::uint32_t>((bytes + 3) / 4 * 4);
}

std::vector<std::uint8_t> HeaderBytes(int width, int height) {
  const std::vector<Variable> variables = {
      // WGS 84 longitude and latitude (EPSG:4326), for readers of the CF grid mapping.
      {"crs",
       {},
       {{"grid_mapping_name", "latitude_longitude"}, {"crs_wkt", kWgs84Wkt}},
       {{"semi_major_axis", 6378137.0}, {"inverse_flattening", 298.257223563}},
       false,
       NcType::kInt,
       4},
      {"lat",
       {Dimension::kLat},
       {{"standard_name", "latitude"}, {"long_name", "latitude"}, {"units", "degrees_north"}},
       {},
       false,
       NcType::kDouble,
       PaddedToFour(std::size_t{8} * static_cast<std::size_t>(height))},
      {"lon",
       {Dimension::kLon},
       {{"standard_name", "longitude"}, {"long_name", "longitude"}, {"units", "degrees_east"}},
       {},
       false,
       NcType::kDouble,
       PaddedToFour(std::size_t{8} * static_cast<std::size_t>(width))},
      {"z",
       {Dimension::kLat, Dimension::kLon},
       {{"standard_name", "height_above_mean_sea_level"},
        {"long_name", "height of the land and depth of the sea"},
        {"units", "m"},
        {"grid_mapping", "crs"}},
       {},
       true,
       NcType::kShort,
       PaddedToFour(std::size_t{2} * static_cast<std::size_t>(width) *
                    static_cast<std::size_t>(height))},
  };
  // The header is written twice: once to learn its size, which fixes where the data begins.
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t begin = 0;;) {
    Header header;
    header.bytes = {'C', 'D', 'F', 1};
    header.U32(0);  // no records
    header.U32(static_cast<std::uint32_t>(ListTag::kDimensions));
    header.U32(2);
    header.Name("lat");
    header.U32(static_cast<std::uint32_t>(height));
    header.Name("lon");
    header.U32(static_cast<std::uint32_t>(width));
    header.Attributes(2);
    header.Text("Conventions", "CF-1.8");
    header.Text("source", "ETOPO5 5-minute grid, by orandu-render");
    header.U32(static_cast<std::uint32_t>(ListTag::kVariables));
    header.U32(static_cast<std::uint32_t>(variables.size()));
    std::uint32_t at = begin;
    for (const Variable& variable : variables) {
      header.Name(variable.name);
      header.U32(static_cast<std::uint32_t>(variable.dimensions.size()));
      for (const Dimension dimension : variable.dimensions)
        header.U32(static_cast<std::uint32_t>(dimension));
      header.Attributes(static_cast<std::uint32_t>(variable.texts.size() + variable.doubles.size() +
                                                   variable.fillValue));
      for (const auto& [name, value] : variable.texts) header.Text(name, value);
      for (const auto& [name, value] : variable.doubles) header.Double(name, value);
      if (variable.fillValue) header.Short("_FillValue", kMissingHeight);
      header.U32(static_cast<std::uint32_t>(variable.type));
      header.U32(variable.bytes);
      header.U32(at);
      at += variable.bytes;
    }
    if (begin == header.bytes.size()) return header.bytes;
    begin = static_cast<std::uint32_t>(header.bytes.size());
  }
}

std::vector<std::uint8_t> Coordinates(double first, double step, int count) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(std::size_t{8} * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double value = first + step * i;
    std::uint64_t raw = 0;
    static_assert(sizeof raw == sizeof value);
    std::memcpy(&raw, &value, sizeof raw);
    for (int shift = 56; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<std::uint8_t>(raw >> shift));
  }
  return bytes;
}

}  // namespace

void WriteNetCdfHeightRows(const std::filesystem::path& path, int width, int height,
                           const GeoPlacement& placement, const RowSource& sampleRow) {
  if (width < 1 || height < 1) throw std::invalid_argument("WriteNetCdfHeightRows: empty region");
  CheckPictureSize(width, height);
  AtomicFileWriter file(path);
  // A temporary that could not be made fails here, before any row is read.
  if (!file.Write(HeaderBytes(width, height))) throw OranduError(CannotWriteMessage(path));
  const double half = placement.pixelDegrees / 2;
  file.Write(std::vector<std::uint8_t>(4, 0));  // the grid mapping's own value, unused
  file.Write(Coordinates(placement.north - half, -placement.pixelDegrees, height));
  file.Write(Coordinates(placement.west + half, placement.pixelDegrees, width));
  const std::size_t rowBytes = std::size_t{2} * static_cast<std::size_t>(width);
  const int blockRows = std::clamp(static_cast<int>(kBlockBytes / rowBytes), 1, height);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockRows) * rowBytes);
  for (int y = 0; y < height && file.Ok();) {
    const int rows = std::min(blockRows, height - y);
    const auto filled = std::span(block).first(static_cast<std::size_t>(rows) * rowBytes);
    for (int i = 0; i < rows; ++i, ++y) {
      sampleRow(y, filled.subspan(static_cast<std::size_t>(i) * rowBytes, rowBytes));
    }
    for (std::size_t i = 0; i < filled.size(); i += 2) std::swap(filled[i], filled[i + 1]);
    file.Write(filled);
  }
  if (rowBytes * static_cast<std::size_t>(height) % 4 != 0) {
    file.Write(std::vector<std::uint8_t>{0, 0});
  }
  if (!file.Commit()) throw OranduError(CannotWriteMessage(path));
}

}  // namespace orandu
