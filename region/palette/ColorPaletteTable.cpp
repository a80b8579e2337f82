// Reading colour palette tables (.cpt) into palettes over heights in metres.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "region/files/AsciiCase.h"
#include "region/palette/ColorNames.h"
#include "region/palette/PaletteParsers.h"
#include "region/palette/PaletteText.h"

namespace orandu {

namespace {

// How the table writes its colours: the model it blends in, and how many words a colour written
// with spaces between its parts takes ("0 128 255", "200 0.5 1", "0 50 100 0").
struct TableForm {
  ColorModel model = ColorModel::kRgb;
  std::size_t spacedParts = 3;
  bool hinged = false;
  std::optional<std::pair<double, double>> range;
  bool colorsRead = false;
};

// A colour as the table writes it, before it is put into the table's model.
struct WrittenColor {
  ModelColor value;
  bool hsv = false;
};

// The parts between every separator, empty ones included ("1//2" has three).
std::vector<std::string_view> SplitExactly(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<double> NumberWithin(std::string_view text, double lowest, double highest) {
  const std::optional<double> value = ParseNumber(text);
  if (!value || *value < lowest || *value > highest) return std::nullopt;
  return value;
}

// Three or four numbers within the ranges of the given kind of colour.
std::optional<WrittenColor> ColorFromParts(std::span<const std::string_view> parts,
                                           std::size_t expected, bool hsv) {
  if (parts.size() != expected) return std::nullopt;
  std::vector<double> values;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const double highest = hsv ? (i == 0 ? 360 : 1) : (expected == 4 ? 100 : 255);
    const std::optional<double> value = NumberWithin(parts[i], 0, highest);
    if (!value) return std::nullopt;
    values.push_back(*value);
  }
  if (expected == 4) {  // cyan, magenta, yellow and black in percent
    const double white = 255 * (1 - values[3] / 100);
    return WrittenColor{{white * (1 - values[0] / 100), white * (1 - values[1] / 100),
                         white * (1 - values[2] / 100)}};
  }
  return WrittenColor{{values[0], values[1], values[2]}, hsv};
}

std::optional<WrittenColor> ColorFromHex(std::string_view digits) {
  if (digits.size() != 6) return std::nullopt;
  unsigned levels[3] = {};
  for (std::size_t i = 0; i < 3; ++i) {
    const char* first = digits.data() + 2 * i;
    const auto [end, error] = std::from_chars(first, first + 2, levels[i], 16);
    if (error != std::errc() || end != first + 2) return std::nullopt;
  }
  return WrittenColor{{double(levels[0]), double(levels[1]), double(levels[2])}};
}

// One word: r/g/b, c/m/y/k, h-s-v, a grey level, #rrggbb or a name, with an optional
// "@transparency" that a bar has no use for.
std::optional<WrittenColor> ColorFromWord(std::string_view word) {
  if (const std::size_t at = word.find('@'); at != std::string_view::npos) {
    if (!NumberWithin(word.substr(at + 1), 0, 100)) return std::nullopt;
    word = word.substr(0, at);
  }
  if (word.starts_with('#')) return ColorFromHex(word.substr(1));
  if (word.find('/') != std::string_view::npos) {
    const std::vector<std::string_view> parts = SplitExactly(word, '/');
    return ColorFromParts(parts, parts.size() == 4 ? 4 : 3, false);
  }
  if (const std::optional<double> grey = ParseNumber(word)) {
    if (*grey < 0 || *grey > 255) return std::nullopt;
    return WrittenColor{{*grey, *grey, *grey}};
  }
  if (word.find('-') != std::string_view::npos) {
    return ColorFromParts(SplitExactly(word, '-'), 3, true);
  }
  const std::optional<Rgb> named = ColorByName(word);
  if (!named) return std::nullopt;
  return WrittenColor{FromRgb(*named)};
}

ModelColor InModel(const WrittenColor& color, ColorModel model) {
  if (model == ColorModel::kHsv) return color.hsv ? color.value : RgbToHsv(color.value);
  return color.hsv ? HsvToRgb(color.value) : color.value;
}

// A colour written as one word, or as its parts with spaces between them.
std::optional<ModelColor> ColorFromWords(std::span<const std::string_view> words,
                                         const TableForm& form) {
  std::optional<WrittenColor> color;
  if (words.size() == 1) {
    color = ColorFromWord(words[0]);
  } else {
    color = ColorFromParts(words, form.spacedParts, form.model == ColorModel::kHsv);
  }
  if (!color) return std::nullopt;
  return InModel(*color, form.model);
}

// The word that starts a comment's text, if it is one of the table's settings.
std::string_view SettingName(std::string_view comment) {
  const std::size_t end = comment.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_");
  return comment.substr(0, end);
}

// Reads the settings a comment may carry; returns false when a setting cannot be read. Other
// comments, and prose that happens to start with a setting's name, are passed over.
bool ReadComment(std::string_view comment, TableForm& form) {
  comment = TrimBlanks(comment);
  const std::string_view name = SettingName(comment);
  if (name == "HARD_HINGE" || name == "SOFT_HINGE") {
    form.hinged = true;
    return true;
  }
  if (name != "COLOR_MODEL" && name != "RANGE") return true;
  const std::string_view rest = TrimBlanks(comment.substr(name.size()));
  if (!rest.starts_with('=')) return true;
  const std::string_view value = TrimBlanks(rest.substr(1));
  if (name == "RANGE") {
    const std::vector<std::string_view> ends = SplitExactly(value, '/');
    if (ends.size() != 2) return false;
    const std::optional<double> low = ParseNumber(ends[0]);
    const std::optional<double> high = ParseNumber(ends[1]);
    if (!low || !high || *low >= *high) return false;
    form.range = {*low, *high};
    return true;
  }
  // A model set after colours were read would leave them in the wrong one.
  if (form.colorsRead) return false;
  std::string model = LowerCase(value);
  if (model.starts_with('+')) model.erase(0, 1);
  if (model == "rgb") {
    form.model = ColorModel::kRgb;
    form.spacedParts = 3;
  } else if (model == "hsv") {
    form.model = ColorModel::kHsv;
    form.spacedParts = 3;
  } else if (model == "cmyk") {
    form.model = ColorModel::kRgb;  // read as four parts, blended as red, green and blue
    form.spacedParts = 4;
  } else {
    return false;
  }
  return true;
}

bool IsAnnotationFlag(std::string_view word) {
  return word == "L" || word == "U" || word == "B";
}

// Reads a slice line ("z0 colour z1 colour [L|U|B]") or a category line ("z colour").
std::optional<PaletteSlice> SliceFromWords(std::vector<std::string_view> words,
                                           const TableForm& form) {
  if (words.size() % 2 == 1 && words.size() >= 3 && IsAnnotationFlag(words.back())) {
    words.pop_back();
  }
  const std::span<const std::string_view> all(words);
  if (words.size() == 2) {
    const std::optional<double> key = ParseNumber(words[0]);
    const std::optional<ModelColor> color = ColorFromWords(all.subspan(1), form);
    if (!key || !color) return std::nullopt;
    return PaletteSlice{*key, *key, *color, *color};
  }
  if (words.size() != 4 && words.size() != 2 + 2 * form.spacedParts) return std::nullopt;
  const std::size_t half = words.size() / 2;
  const std::optional<double> low = ParseNumber(words[0]);
  const std::optional<double> high = ParseNumber(words[half]);
  const std::optional<ModelColor> lowColor = ColorFromWords(all.subspan(1, half - 1), form);
  const std::optional<ModelColor> highColor = ColorFromWords(all.subspan(half + 1), form);
  if (!low || !high || !lowColor || !highColor || *low > *high) return std::nullopt;
  return PaletteSlice{*low, *high, *lowColor, *highColor};
}

// Puts a normalized table's z (0 to 1, or -1 to 1) over heights in metres.
void StretchNormalized(Palette& palette, const TableForm& form) {
  const double lowestZ = palette.slices.front().low;
  const double highestZ = palette.slices.back().high;
  if (highestZ != 1 || (lowestZ != 0 && lowestZ != -1)) return;
  const std::pair<double, double> range =
      form.range.value_or(std::pair{PaletteBarLowestMetres, PaletteBarHighestMetres});
  const double low = range.first;
  const double high = range.second;
  const bool split = form.hinged && lowestZ == -1 && low < 0 && high > 0;
  const auto metres = [&](double z) {
    if (split) return z < 0 ? -z * low : z * high;
    const double fraction = (z - lowestZ) / (highestZ - lowestZ);
    if (std::isfinite(high - low)) return low + fraction * (high - low);
    // A range wider than the largest double (-1e308/1e308): a weighted mean of its ends, which
    // stays between them.
    return std::clamp(low * (1 - fraction) + high * fraction, low, high);
  };
  for (PaletteSlice& slice : palette.slices) {
    slice.low = metres(slice.low);
    slice.high = metres(slice.high);
  }
}

}  // namespace

Palette ParseColorPaletteTable(std::string_view text) {
  const std::vector<std::string_view> lines = PaletteLines(text);
  TableForm form;
  Palette palette;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int number = static_cast<int>(index) + 1;
    std::string_view line = TrimBlanks(lines[index]);
    if (line.empty()) continue;
    if (line.starts_with('#')) {
      if (!ReadComment(line.substr(1), form)) RejectPaletteLine(number);
      palette.model = form.model;
      continue;
    }
    line = line.substr(0, line.find(';'));  // a label for the legend of those tools
    const std::vector<std::string_view> words = SplitWords(line, " \t");
    if (words.empty()) RejectPaletteLine(number);
    form.colorsRead = true;
    if (words[0] == "B" || words[0] == "F" || words[0] == "N") {
      std::optional<ModelColor>& end =
          words[0] == "B" ? palette.below : (words[0] == "F" ? palette.above : palette.missing);
      if (words.size() == 2 && words[1] == "-") {  // no colour: the nearest end colour serves
        end.reset();
        continue;
      }
      end = ColorFromWords(std::span(words).subspan(1), form);
      if (!end) RejectPaletteLine(number);
      continue;
    }
    const std::optional<PaletteSlice> slice = SliceFromWords(words, form);
    if (!slice || (!palette.slices.empty() && slice->low < palette.slices.back().high)) {
      RejectPaletteLine(number);
    }
    palette.slices.push_back(*slice);
  }
  if (palette.slices.empty()) RejectPaletteLine(std::max<int>(1, static_cast<int>(lines.size())));
  StretchNormalized(palette, form);
  return palette;
}

}  // namespace orandu
