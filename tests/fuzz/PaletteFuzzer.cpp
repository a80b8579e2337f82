// Palette text of any bytes, read as a colour palette table or as colour-relief text (the first
// byte's lowest bit picks which): either a whole 400 x 10 bar or the user's message.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "region/files/Errors.h"
#include "region/palette/PaletteFile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto format = (data[0] & 1) == 0 ? orandu::PaletteFormat::kColorPaletteTable
                                         : orandu::PaletteFormat::kColorReliefText;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    const orandu::Picture bar = orandu::PaletteBar(text, format);
    orandu::fuzz::RequireWholePicture(bar);
    orandu::fuzz::Require(bar.width == 400 && bar.height == 10, "palette bar is not 400 x 10");
  } catch (const orandu::OranduError&) {
    // The user's message naming the line; the caller keeps its previous bar.
  }
  return 0;
}
