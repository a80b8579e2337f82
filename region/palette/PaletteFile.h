// Palette files as colour bars: colour palette tables (.cpt) and colour-relief text (.txt, .clr).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "region/picture/Picture.h"

namespace orandu {

enum class PaletteFormat { kColorPaletteTable, kColorReliefText };

// The palette format a file name's extension (without its dot, any case) names, if any.
std::optional<PaletteFormat> PaletteFormatOf(std::string_view extension);

// The colour bar of a palette: 400 x 10 pixels whose column k has the palette's colour at
// (k - 199) x 50 m. Throws OranduError "パレットが不正です (行 N)" for the first unreadable line.
Picture PaletteBar(std::string_view text, PaletteFormat format);

// Reads a palette file through SourceFile (refusing anything over 1 MiB) and returns its bar.
Picture LoadPaletteBar(const std::filesystem::path& path, PaletteFormat format);

}  // namespace orandu
