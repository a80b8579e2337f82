// Turning a palette file into the colour bar picture the program paints and looks heights up in.
#include "region/palette/PaletteFile.h"
#include "region/files/AsciiCase.h"

#include <cstdint>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "region/files/SourceFile.h"
#include "region/palette/Palette.h"
#include "region/palette/PaletteParsers.h"
#include "region/palette/PaletteText.h"

namespace orandu {

namespace {

// The largest shipped palettes are a few tens of kilobytes; a megabyte is no palette.
constexpr std::uint64_t kMaxPaletteFileBytes = std::uint64_t{1} << 20;

}  // namespace

std::optional<PaletteFormat> PaletteFormatOf(std::string_view extension) {
  const std::string lower = LowerCase(extension);
  if (lower == "cpt") return PaletteFormat::kColorPaletteTable;
  if (lower == "txt" || lower == "clr") return PaletteFormat::kColorReliefText;
  return std::nullopt;
}

Picture PaletteBar(std::string_view text, PaletteFormat format) {
  const Palette palette = format == PaletteFormat::kColorPaletteTable ? ParseColorPaletteTable(text)
                                                                      : ParseColorReliefText(text);
  Picture bar{PaletteBarWidth, PaletteBarHeight,
              std::vector<Rgb>(std::size_t{PaletteBarWidth} * PaletteBarHeight)};
  for (int column = 0; column < PaletteBarWidth; ++column) {
    const Rgb color = palette.ColorAt((column - BarCenterColumn) * double{MetresPerBarColumn});
    for (int row = 0; row < PaletteBarHeight; ++row) {
      bar.pixels[static_cast<std::size_t>(row) * PaletteBarWidth + column] = color;
    }
  }
  return bar;
}

Picture LoadPaletteBar(const std::filesystem::path& path, PaletteFormat format) {
  std::vector<std::uint8_t> bytes;
  {
    SourceFile file(path);
    if (file.size() > kMaxPaletteFileBytes) {
      throw OranduError(FileTooLargeMessage(TooLargeFile::kPalette, file.size()));
    }
    bytes = file.ReadAll();
  }
  return PaletteBar(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                    format);
}

}  // namespace orandu
