// The colour bar loader as the user meets it: a file of any bytes under any accepted name (and a
// few refused ones) goes through the file reading and the BMP, JPEG or PNG decoder its extension
// picks, then becomes the colour table the painting reads.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "region/colorbar/ColorBar.h"
#include "region/files/Errors.h"
#include "region/palette/ColorBarFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// The first byte of an input picks the name; the rest is the file.
const std::array<std::string, 8> kNames = {"bar.bmp", "BAR.BMP", "bar.jpg", "bar.JPEG",
                                           "bar.png", "bar.Png", "bar.gif", "bar"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const orandu::fuzz::ScratchFolder folder;
  if (size == 0) return 0;
  const std::string& name = kNames[data[0] % kNames.size()];
  const auto file = folder.Write(name, std::span(data + 1, size - 1));
  try {
    const orandu::Picture bar = orandu::LoadColorBar(file);
    orandu::fuzz::RequireWholePicture(bar);
    const auto colors = std::make_unique<orandu::ColorTable>(bar);
    orandu::fuzz::Require(colors->empty() == bar.empty(), "colour table disagrees with its bar");
  } catch (const orandu::OranduError&) {
    // The user's message; the caller keeps its previous bar.
  }
  return 0;
}
