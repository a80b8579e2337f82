// orandu-render: paints the region view for a picked point to a PNG or BMP file, headlessly.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>

#include "region/GeoTiffWriter.h"
#include "region/NetCdfHeightsWriter.h"
#include "region/RegionHeights.h"
#include "region/RegionView.h"
#include "region/WorldFile.h"
#include "region/ZoomLevel.h"
#include "region/ZoomedPainter.h"
#include "region/files/AsciiCase.h"
#include "region/files/Errors.h"
#include "region/palette/ColorBarFile.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"
#include "tools/ExitStatus.h"

namespace {

constexpr std::string_view kUsage =
    "usage: orandu-render [--grid PATH] [--bar PATH] (--center X,Y | --at LON,LAT)\n"
    "                     [--no-pullback] [--size WxH] [--out PATH]";

constexpr std::string_view kHelp =
    "Paints the region view for a whole-degree map cell to a PNG or BMP file.\n"
    "  --center X,Y    the cell as a press on the world map picks it: X degrees east of 0° E\n"
    "                  (0 ... 359) and Y degrees south of 90° N (0 ... 179); 139,54 is Tokyo\n"
    "  --at LON,LAT    the cell a geographic position lies in, in degrees east and north\n"
    "                  (negative west and south): --at 139.7,35.7 is the same cell as 139,54\n"
    "  --no-pullback   paint the centre as given, as the region view keeps it after a resize;\n"
    "                  without it the centre is pulled back into the grid as a pick is\n"
    "  --shade [AZIMUTH,ALTITUDE[,EXAGGERATION]]\n"
    "                  shaded relief, lit from AZIMUTH degrees clockwise from north (315) at\n"
    "                  ALTITUDE degrees above the horizon (45, at least 0 and under 90), with\n"
    "                  the heights times EXAGGERATION (1, above 0 and at most 1000)\n"
    "  --shade multi   shaded relief lit from 225°, 270°, 315° and 360° at 45° at once, each\n"
    "                  light weighted by the way the slope faces\n"
    "  --size WxH      the paint area, 488x441 by default\n"
    "  --zoom LEVEL    8, 4 or 2: each sample a block of 8 x 8, 4 x 4 or 2 x 2 pixels; 1/2, 1/4\n"
    "                  ... 1/64: each pixel the mean of 2 x 2 ... 64 x 64 samples, rounded half\n"
    "                  to even; 1 (the default) one sample a pixel. The pull-back then keeps\n"
    "                  the area's size in samples inside the grid. Zoomed out, a grid with a\n"
    "                  header is painted only up to 64 MB, and --shade shades the means; a\n"
    "                  .tif or --world-file places the picture at its pixels' size\n"
    "  --grid, --bar   the grid and the colour bar, data/ETOPO5.DOS and data/P1.BMP beside\n"
    "                  the program by default; a grid with a raster header beside it (.hdr in\n"
    "                  place of its extension, as orandu-import --native writes) is painted at\n"
    "                  its own spacing, one sample a pixel\n"
    "  --out PATH      region.png by default; .png, .bmp, or .tif for a GeoTIFF placed in\n"
    "                  WGS 84 longitude and latitude (EPSG:4326)\n"
    "  --world-file    also the world file beside the picture (.pgw, .bpw, .tfw)\n"
    "  --heights       the samples themselves instead of colours, to a 16-bit .tif or a\n"
    "                  CF netCDF .nc file\n"
    "Prints the centre painted, as \"center X Y\".";
constexpr int kLargestSide = 1 << 15;

struct Options {
  std::filesystem::path grid;
  std::filesystem::path bar;
  std::optional<std::pair<int, int>> center;
  bool pullBack = true;
  bool help = false;
  std::optional<orandu::Light> shade;
  int width = 488;  // the region view's paint area as it first opens
  int height = 441;
  std::filesystem::path out = "region.png";
  bool worldFile = false;  // a world file beside the picture
  bool heights = false;    // the samples themselves instead of their colours
  orandu::ZoomLevel zoom;
};

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::pair<int, int>> ParsePair(std::string_view text, char separator) {
  const auto at = text.find(separator);
  if (at == std::string_view::npos) return std::nullopt;
  const auto first = ParseInt(text.substr(0, at));
  const auto second = ParseInt(text.substr(at + 1));
  if (!first || !second) return std::nullopt;
  return std::pair{*first, *second};
}

std::optional<double> ParseDegrees(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// The map cell a position lies in. A cell holds its western and northern edges, as the grid's
// samples lie on the north-west corners of theirs: 35° N lies in cell 55 (35° N ... 34° N), 0° E
// in cell 0 and 180° (east or west) in cell 180. The south pole has no cell below it and lies in
// the last one, 179. Whole degrees are taken before anything is added, so no rounding can move a
// position across a cell's edge.
std::pair<int, int> CellAt(double lon, double lat) {
  const auto lonDegree = static_cast<int>(std::floor(std::fmod(lon, 360.0)));
  const int lonCell = (lonDegree % 360 + 360) % 360;
  const int latCell = std::min(90 - static_cast<int>(std::ceil(lat)), 179);
  return {lonCell, latCell};
}

constexpr double kLargestExaggeration = 1000;

// The light of --shade's value: AZIMUTH,ALTITUDE with an optional ,EXAGGERATION, or multi.
std::optional<orandu::Light> ParseLight(std::string_view text) {
  if (text == "multi") return orandu::Light{.multidirectional = true};
  std::optional<double> parts[3];
  int count = 0;
  for (std::size_t start = 0; count < 3; ++count) {
    const auto comma = text.find(',', start);
    parts[count] = ParseDegrees(text.substr(start, comma - start));
    if (!parts[count]) return std::nullopt;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count < 1 || count > 2) return std::nullopt;
  orandu::Light light{*parts[0], *parts[1], parts[2].value_or(1)};
  if (light.altitude < 0 || light.altitude >= 90 || !(light.exaggeration > 0) ||
      light.exaggeration > kLargestExaggeration) {
    return std::nullopt;
  }
  return light;
}

enum class FileFormat { kBmp, kPng, kGeoTiff, kNetCdf };

// The format --out names by its extension, in any letter case.
std::optional<FileFormat> FormatOf(const std::filesystem::path& path) {
  const std::string extension = orandu::LowerCase(path.extension().string());
  if (extension == ".bmp") return FileFormat::kBmp;
  if (extension == ".png") return FileFormat::kPng;
  if (extension == ".tif" || extension == ".tiff") return FileFormat::kGeoTiff;
  if (extension == ".nc") return FileFormat::kNetCdf;
  return std::nullopt;
}

// What is wrong with a command line: a message before the usage line, or none for a malformed one.
struct UsageError {
  std::string message;
};

std::variant<Options, UsageError> ParseOptions(int argc, char** argv) {
  const std::filesystem::path data =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data";
  Options options;
  options.grid = data / "ETOPO5.DOS";
  options.bar = data / "P1.BMP";
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      options.help = true;
      return options;
    }
    if (flag == "--no-pullback") {
      options.pullBack = false;
      continue;
    }
    if (flag == "--shade") {
      // The light is optional: a value is the next word unless that is another option.
      if (i + 1 >= argc || std::string_view(argv[i + 1]).starts_with("--")) {
        options.shade = orandu::Light{};
        continue;
      }
      const std::string_view value = argv[++i];
      options.shade = ParseLight(value);
      if (!options.shade) {
        return UsageError{
            "--shade wants AZIMUTH,ALTITUDE[,EXAGGERATION] in degrees, the altitude at least 0 "
            "and under 90, the exaggeration above 0 and at most 1000: " +
            std::string(value)};
      }
      continue;
    }
    if (flag == "--world-file" || flag == "--heights") {
      (flag == "--heights" ? options.heights : options.worldFile) = true;
      continue;
    }
    if (i + 1 >= argc) return UsageError{};
    const std::string_view value = argv[++i];
    if (flag == "--grid") {
      options.grid = value;
    } else if (flag == "--bar") {
      options.bar = value;
    } else if (flag == "--out") {
      options.out = value;
    } else if (flag == "--center") {
      if (options.center) return UsageError{"give one --center or --at"};
      options.center = ParsePair(value, ',');
      if (!options.center) return UsageError{};
    } else if (flag == "--at") {
      if (options.center) return UsageError{"give one --center or --at"};
      const auto comma = value.find(',');
      const auto lon = ParseDegrees(value.substr(0, comma));
      const auto lat =
          comma == std::string_view::npos ? std::nullopt : ParseDegrees(value.substr(comma + 1));
      if (!lon || !lat || *lat < -90 || *lat > 90) {
        return UsageError{"--at wants LON,LAT in degrees, the latitude within -90 ... 90: " +
                          std::string(value)};
      }
      options.center = CellAt(*lon, *lat);
    } else if (flag == "--zoom") {
      const auto zoom = orandu::ZoomLevel::Parse(value);
      if (!zoom) {
        return UsageError{std::string(orandu::ZoomLevel::kParseErrorText) + ": " +
                          std::string(value)};
      }
      options.zoom = *zoom;
    } else if (flag == "--size") {
      const auto size = ParsePair(value, 'x');
      if (!size || size->first < 1 || size->second < 1 || size->first > kLargestSide ||
          size->second > kLargestSide) {
        return UsageError{};
      }
      std::tie(options.width, options.height) = *size;
    } else {
      return UsageError{};
    }
  }
  if (!options.center) return UsageError{};
  const auto format = FormatOf(options.out);
  if (options.heights && format != FileFormat::kGeoTiff && format != FileFormat::kNetCdf) {
    return UsageError{"--heights needs --out to name a .tif or .nc file: " + options.out.string()};
  }
  if (options.worldFile && format == FileFormat::kNetCdf) {
    return UsageError{"--world-file goes beside a picture, not a netCDF file"};
  }
  if (!format || (!options.heights && format == FileFormat::kNetCdf)) {
    return UsageError{"--out must name a .png or .bmp file: " + options.out.string()};
  }
  // Heights are the grid's own samples, which a zoomed picture's pixels are not.
  if (!options.zoom.IsOneToOne() && options.heights) {
    return UsageError{"--zoom paints a picture, not --heights"};
  }
  // The writers' limit, checked before a single row is painted.
  if (std::int64_t{options.width} * options.height > orandu::kMaxPicturePixels) {
    return UsageError{orandu::PictureTooLargeMessage(options.width, options.height)};
  }
  return options;
}

// --out names a picture here: a world file beside a netCDF file is refused with the options.
void WriteWorldFile(const Options& options, const orandu::GeoPlacement& placement) {
  const FileFormat format = *FormatOf(options.out);
  orandu::WriteWorldFile(options.out,
                         format == FileFormat::kBmp   ? orandu::PlacedPictureFormat::kBmp
                         : format == FileFormat::kPng ? orandu::PlacedPictureFormat::kPng
                                                      : orandu::PlacedPictureFormat::kTiff,
                         placement);
}

// Writes the region's samples straight into the file, a row at a time.
void RenderHeights(const Options& options, const orandu::RegionView& view) {
  const orandu::ColorTable noColours{orandu::Picture{}};
  orandu::RegionPainter painter(view, options.grid, noColours, options.width, options.height,
                                orandu::PixelLayout::kRgb);
  const int firstColumn = orandu::FirstColumn(painter.Grid(), view.Center(), options.width);
  const orandu::GeoPlacement placement =
      orandu::PlaceRegion(painter.Grid(), view.Center(), options.width, options.height);
  const auto sampleRow = [&](int y, std::span<std::uint8_t> row) {
    orandu::FillHeightRow(painter, firstColumn, y, row);
  };
  if (FormatOf(options.out) == FileFormat::kNetCdf) {
    orandu::WriteNetCdfHeightRows(options.out, options.width, options.height, placement, sampleRow);
  } else {
    orandu::WriteGeoTiffHeightRows(options.out, options.width, options.height, placement,
                                   sampleRow);
  }
  if (options.worldFile) WriteWorldFile(options, placement);
}

// Paints the region straight into the file, a row at a time in the order the file stores them,
// through RegionPainter at 1:1 and ZoomedPainter zoomed.
template <class Painter>
void RenderWith(const Options& options, const orandu::RegionView& view,
                const orandu::ColorTable& colors) {
  const FileFormat format = *FormatOf(options.out);
  Painter painter(
      view, options.grid, colors, options.width, options.height,
      format == FileFormat::kBmp ? orandu::PixelLayout::kBgr : orandu::PixelLayout::kRgb);
  const auto paintRow = [&](int y, std::span<std::uint8_t> row) { painter.PaintRow(y, row); };
  const orandu::GeoPlacement placement = orandu::PlaceRegion(
      painter.Grid(), view.Center(), view.Zoom(), options.width, options.height);
  if (format == FileFormat::kBmp) {
    orandu::WriteBmpRows(options.out, options.width, options.height, paintRow);
  } else if (format == FileFormat::kPng) {
    orandu::WritePngRows(options.out, options.width, options.height, paintRow);
  } else {
    orandu::WriteGeoTiffRows(options.out, options.width, options.height, placement, paintRow);
  }
  if (options.worldFile) WriteWorldFile(options, placement);
}

void Render(const Options& options, const orandu::RegionView& view,
            const orandu::ColorTable& colors) {
  if (view.Zoom().IsOneToOne()) {
    RenderWith<orandu::RegionPainter>(options, view, colors);
  } else {
    RenderWith<orandu::ZoomedPainter>(options, view, colors);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Under a file-size limit a write then fails with an error the program reports, instead of
  // the signal killing it before it can remove its temporary file.
  std::signal(SIGXFSZ, SIG_IGN);
  const auto parsed = ParseOptions(argc, argv);
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    if (!usage->message.empty()) Report("orandu-render", usage->message);
    return FailUsage(kUsage);
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::cout << kUsage << '\n' << kHelp << '\n';
    return Exit(ExitStatus::kSuccess);
  }
  try {
    orandu::RegionView view;
    view.SetGrid(orandu::HeightGrid(options.grid).Geometry());
    view.SetZoom(options.zoom);
    if (options.pullBack) {
      view.SetCenter(options.center->first, options.center->second, options.width, options.height);
    } else {
      view.PlaceCenter(options.center->first, options.center->second);
    }
    view.SetShading(options.shade);
    if (options.heights) {
      RenderHeights(options, view);
    } else {
      Render(options, view, orandu::ColorTable(orandu::LoadColorBar(options.bar)));
    }
    std::cout << "center " << view.CenterLon() << ' ' << view.CenterLat() << '\n';
  } catch (const std::exception& error) {
    return Fail("orandu-render", error.what());
  }
  return Exit(ExitStatus::kSuccess);
}
