// orandu-render: paints the region view for a picked point to a PNG or BMP file, headlessly.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "ColorBarFile.h"
#include "Errors.h"
#include "PictureFormats.h"
#include "PixelBuffer.h"
#include "RegionView.h"

namespace {

enum class ExitStatus { kOk = 0, kFailed = 1, kUsage = 2 };

constexpr std::string_view kUsage =
    "usage: orandu-render [--grid PATH] [--bar PATH] --center LON,LAT [--size WxH] [--out PATH]";
constexpr int kLargestSide = 1 << 15;

struct Options {
  std::filesystem::path grid;
  std::filesystem::path bar;
  std::optional<std::pair<int, int>> center;
  int width = 488;  // the region view's paint area as it first opens
  int height = 441;
  std::filesystem::path out = "region.png";
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

std::optional<Options> ParseOptions(int argc, char** argv) {
  const std::filesystem::path data =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data";
  Options options;
  options.grid = data / "ETOPO5.DOS";
  options.bar = data / "P1.BMP";
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    const std::string_view value = argv[++i];
    if (flag == "--grid") {
      options.grid = value;
    } else if (flag == "--bar") {
      options.bar = value;
    } else if (flag == "--out") {
      options.out = value;
    } else if (flag == "--center") {
      options.center = ParsePair(value, ',');
      if (!options.center) return std::nullopt;
    } else if (flag == "--size") {
      const auto size = ParsePair(value, 'x');
      if (!size || size->first < 1 || size->second < 1 || size->first > kLargestSide ||
          size->second > kLargestSide) {
        return std::nullopt;
      }
      std::tie(options.width, options.height) = *size;
    } else {
      return std::nullopt;
    }
  }
  if (!options.center) return std::nullopt;
  return options;
}

void WritePicture(const std::filesystem::path& path, const orandu::Picture& picture) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bmp") {
    orandu::WriteBmp(path, picture);
  } else if (extension == ".png") {
    orandu::WritePng(path, picture);
  } else {
    throw orandu::OranduError("--out must name a .png or .bmp file: " + path.string());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage << '\n';
    return static_cast<int>(ExitStatus::kUsage);
  }
  try {
    const orandu::ColorTable colors(orandu::LoadColorBar(options->bar));
    orandu::RegionView view;
    orandu::PixelBuffer surface(options->width, options->height);
    view.SetCenter(options->center->first, options->center->second, surface.Width(),
                   surface.Height());
    view.PaintRegion(options->grid, colors, surface);
    WritePicture(options->out, surface.ToPicture());
    std::cout << "center " << view.CenterLon() << ' ' << view.CenterLat() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "orandu-render: " << error.what() << '\n';
    return static_cast<int>(ExitStatus::kFailed);
  }
  return static_cast<int>(ExitStatus::kOk);
}
