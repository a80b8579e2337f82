// Reading colour-relief text (.txt, .clr) into palettes over heights in metres.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "region/files/AsciiCase.h"
#include "region/palette/ColorNames.h"
#include "region/palette/PaletteParsers.h"
#include "region/palette/PaletteText.h"

namespace orandu {

namespace {

struct Entry {
  double metres = 0;
  ModelColor color;
};

// A height in metres, or a percentage of the way from the bar's lowest height to its highest.
std::optional<double> HeightFromWord(std::string_view word) {
  if (!word.ends_with('%')) return ParseNumber(word);
  const std::optional<double> percent = ParseNumber(word.substr(0, word.size() - 1));
  if (!percent || *percent < 0 || *percent > 100) return std::nullopt;
  return PaletteBarLowestMetres +
         *percent / 100 * (PaletteBarHighestMetres - PaletteBarLowestMetres);
}

// "r g b", "r g b a" (the opacity is read and left: a bar is opaque) or a colour name.
std::optional<ModelColor> ColorFromWords(const std::vector<std::string_view>& words) {
  if (words.size() == 2) {
    const std::optional<Rgb> named = ColorByName(words[1]);
    if (!named) return std::nullopt;
    return FromRgb(*named);
  }
  if (words.size() != 4 && words.size() != 5) return std::nullopt;
  double levels[4] = {};
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::optional<double> level = ParseNumber(words[i]);
    if (!level || *level < 0 || *level > 255) return std::nullopt;
    levels[i - 1] = *level;
  }
  return ModelColor{levels[0], levels[1], levels[2]};
}

}  // namespace

Palette ParseColorReliefText(std::string_view text) {
  const std::vector<std::string_view> lines = PaletteLines(text);
  std::vector<Entry> entries;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int number = static_cast<int>(index) + 1;
    const std::string_view line = TrimBlanks(lines[index]);
    if (line.empty() || line.starts_with('#')) continue;
    const std::vector<std::string_view> words = SplitWords(line, " \t,");
    if (words.empty()) RejectPaletteLine(number);
    if (LowerCase(words[0]) == "nv") continue;  // the no-data colour: the grid has no such value
    const std::optional<double> metres = HeightFromWord(words[0]);
    const std::optional<ModelColor> color = ColorFromWords(words);
    if (!metres || !color) RejectPaletteLine(number);
    entries.push_back({*metres, *color});
  }
  if (entries.empty()) RejectPaletteLine(std::max<int>(1, static_cast<int>(lines.size())));

  // Equal heights keep their order: the later colour starts at that height.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.metres < b.metres; });
  Palette palette;
  if (entries.size() == 1) {
    palette.slices.push_back(
        {entries[0].metres, entries[0].metres, entries[0].color, entries[0].color});
  }
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    palette.slices.push_back(
        {entries[i].metres, entries[i + 1].metres, entries[i].color, entries[i + 1].color});
  }
  return palette;
}

}  // namespace orandu
