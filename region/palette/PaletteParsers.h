// The two palette text formats read into palettes over heights in metres.
#pragma once

#include <string_view>

#include "region/palette/Palette.h"

namespace orandu {

// A colour palette table (.cpt): slices "z0 colour z1 colour", categories "z colour", B, F and N
// colours, "#" comments with COLOR_MODEL, HARD_HINGE or SOFT_HINGE and RANGE. A normalized table
// (z from 0 or -1 to 1) is stretched over its RANGE, or over the bar's heights when it declares
// none; with a hinge, -1 to 0 goes to the low end to 0 m and 0 to 1 to 0 m to the high end.
// Throws OranduError naming the first line that cannot be read.
Palette ParseColorPaletteTable(std::string_view text);

// Colour-relief text (.txt, .clr): lines "height r g b [a]" or "height colourname", the height
// in metres or as a percentage of the bar's heights ("50%"); "nv" lines and "#" comments are
// skipped. Heights may come in any order; colours blend between them and the end colours go on
// past them. Throws OranduError naming the first line that cannot be read.
Palette ParseColorReliefText(std::string_view text);

}  // namespace orandu
