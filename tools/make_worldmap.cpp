// make-worldmap: draws the main window's 360 x 180 world map from the grid file, one pixel per
// whole degree in the grid's orientation, and saves it as a baseline JPEG.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "region/files/Errors.h"
#include "region/grid/HeightGrid.h"
#include "region/picture/Picture.h"
#include "region/picture/PictureWriters.h"
#include "tools/ExitStatus.h"

namespace {

using orandu::GridColumns;
using orandu::SamplesPerDegree;

constexpr int kMapWidth = 360;
constexpr int kMapHeight = 180;
// Chosen so that the map keeps its coasts crisp at about 20 KB.
constexpr int kJpegQuality = 84;

// One degree cell summed up: whether most of it is land, the mean height of that part (for its
// colour) and the mean of the whole cell (for the relief shading).
struct CellSummary {
  bool land = false;
  double meanHeight = 0;
  double overallMean = 0;
};

// The sums gathered for one cell while its 12 rows go by.
struct CellSums {
  int landSamples = 0;
  double landTotal = 0;
  double seaTotal = 0;

  CellSummary Summary() const {
    constexpr int kSamples = SamplesPerDegree * SamplesPerDegree;
    const int seaSamples = kSamples - landSamples;
    const double overall = (landTotal + seaTotal) / kSamples;
    // A cell that is half land and half sea is drawn as land so that small islands show.
    if (landSamples * 2 >= kSamples) return {true, landTotal / landSamples, overall};
    return {false, seaTotal / seaSamples, overall};
  }
};

using CellMap = std::vector<CellSummary>;  // kMapWidth * kMapHeight, the northern row first

CellMap SummariseGrid(const std::filesystem::path& gridPath) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(gridPath, error);
  if (error) throw std::runtime_error("cannot read " + gridPath.string() + ": " + error.message());
  if (size != static_cast<std::uintmax_t>(orandu::GridBytes)) {
    throw std::runtime_error(gridPath.string() + " has " + std::to_string(size) +
                             " bytes; a grid file has " + std::to_string(orandu::GridBytes));
  }
  orandu::HeightGrid grid(gridPath);
  auto row = std::make_unique<orandu::GridRow>();
  CellMap cells;
  cells.reserve(kMapWidth * kMapHeight);
  for (int lat = 0; lat < kMapHeight; ++lat) {
    std::array<CellSums, kMapWidth> sums{};
    for (int r = 0; r < SamplesPerDegree; ++r) {
      if (grid.ReadRow(*row) != row->size()) {
        throw std::runtime_error(gridPath.string() + " ended before row " +
                                 std::to_string(lat * SamplesPerDegree + r));
      }
      for (int column = 0; column < GridColumns; ++column) {
        const int height = orandu::DecodeSample(orandu::RawSampleAt(row->data(), column));
        CellSums& cell = sums[static_cast<std::size_t>(column / SamplesPerDegree)];
        if (height >= 0) {
          ++cell.landSamples;
          cell.landTotal += height;
        } else {
          cell.seaTotal += height;
        }
      }
    }
    for (const CellSums& cell : sums) cells.push_back(cell.Summary());
  }
  return cells;
}

struct ColourStop {
  double height;
  orandu::Rgb colour;
};

// Sea from pale shelf blue to navy in the deep trenches.
constexpr std::array kSeaColours{
    ColourStop{-9000, {4, 10, 48}},    ColourStop{-6000, {10, 28, 88}},
    ColourStop{-4500, {18, 48, 122}},  ColourStop{-3000, {28, 72, 152}},
    ColourStop{-1000, {44, 104, 182}}, ColourStop{-150, {78, 140, 205}},
    ColourStop{0, {104, 166, 218}},
};

// Land from lowland green through yellow-brown hills and brown mountains to white heights.
constexpr std::array kLandColours{
    ColourStop{0, {58, 128, 62}},      ColourStop{300, {108, 158, 76}},
    ColourStop{700, {176, 178, 98}},   ColourStop{1200, {198, 168, 104}},
    ColourStop{1900, {166, 124, 80}},  ColourStop{2600, {158, 132, 112}},
    ColourStop{3300, {220, 216, 210}}, ColourStop{4200, {250, 250, 250}},
};

template <std::size_t kN>
orandu::Rgb Interpolate(const std::array<ColourStop, kN>& stops, double height) {
  if (height <= stops.front().height) return stops.front().colour;
  for (std::size_t i = 1; i < kN; ++i) {
    if (height > stops[i].height) continue;
    const ColourStop& low = stops[i - 1];
    const ColourStop& high = stops[i];
    const double t = (height - low.height) / (high.height - low.height);
    const auto mix = [t](std::uint8_t a, std::uint8_t b) {
      return static_cast<std::uint8_t>(std::lround(a + t * (b - a)));
    };
    return {mix(low.colour.red, high.colour.red), mix(low.colour.green, high.colour.green),
            mix(low.colour.blue, high.colour.blue)};
  }
  return stops.back().colour;
}

const CellSummary& CellAt(const CellMap& cells, int lon, int lat) {
  lon = (lon + kMapWidth) % kMapWidth;  // the map wraps around in longitude
  lat = std::clamp(lat, 0, kMapHeight - 1);
  return cells[static_cast<std::size_t>(lat) * kMapWidth + lon];
}

// Brightness factor of a cell lit from the north-west: slopes facing the light get brighter,
// slopes facing away darker, so mountain ranges and ocean ridges stand out.
double Shading(const CellMap& cells, int lon, int lat, double strength) {
  const double riseEast =
      CellAt(cells, lon + 1, lat).overallMean - CellAt(cells, lon - 1, lat).overallMean;
  const double riseSouth =
      CellAt(cells, lon, lat + 1).overallMean - CellAt(cells, lon, lat - 1).overallMean;
  return std::clamp(1.0 + strength * (riseEast + riseSouth), 0.7, 1.3);
}

orandu::Rgb Scale(orandu::Rgb colour, double factor) {
  const auto scale = [factor](std::uint8_t channel) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(channel * factor), 0L, 255L));
  };
  return {scale(colour.red), scale(colour.green), scale(colour.blue)};
}

orandu::Picture DrawMap(const CellMap& cells) {
  // Per metre of height difference between the two neighbours; land relief is steeper than the
  // sea floor's, so the sea gets the stronger light.
  constexpr double kLandShading = 0.00008;
  constexpr double kSeaShading = 0.00012;
  orandu::Picture map{kMapWidth, kMapHeight, {}};
  map.pixels.reserve(cells.size());
  for (int lat = 0; lat < kMapHeight; ++lat) {
    for (int lon = 0; lon < kMapWidth; ++lon) {
      const CellSummary& cell = CellAt(cells, lon, lat);
      map.pixels.push_back(cell.land ? Scale(Interpolate(kLandColours, cell.meanHeight),
                                             Shading(cells, lon, lat, kLandShading))
                                     : Scale(Interpolate(kSeaColours, cell.meanHeight),
                                             Shading(cells, lon, lat, kSeaShading)));
    }
  }
  return map;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    return FailUsage("usage: make-worldmap GRID OUTPUT.jpg");
  }
  const std::filesystem::path gridPath = argv[1];
  const std::filesystem::path output = argv[2];
  orandu::Picture map;
  try {
    map = DrawMap(SummariseGrid(gridPath));
  } catch (const std::exception& error) {
    return Fail("make-worldmap", error.what());
  }
  // Smaller Huffman tables made for the map, still a baseline file.
  const orandu::JpegCoding coding{.quality = kJpegQuality, .optimiseHuffman = true};
  try {
    orandu::WriteJpegRows(output, map.width, map.height, coding, orandu::RowsOf(map));
  } catch (const orandu::OranduError&) {
    return Fail("make-worldmap", "cannot write " + output.string());
  }
  return Exit(ExitStatus::kSuccess);
}
