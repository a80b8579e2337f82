// Palette files become the 400 x 10 colour bar with the colour each height should have, or are
// refused with the line that cannot be read.
#include "region/palette/PaletteFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "region/palette/ColorBarFile.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// The bar's colour for a height that falls on one of its columns (a multiple of 50 m).
Rgb At(const Picture& bar, int metres) {
  return bar.at(199 + metres / 50, 0);
}

Picture Table(const std::string& text) {
  return PaletteBar(text, PaletteFormat::kColorPaletteTable);
}

Picture Relief(const std::string& text) {
  return PaletteBar(text, PaletteFormat::kColorReliefText);
}

std::string ErrorOf(const std::string& text, PaletteFormat format) {
  try {
    PaletteBar(text, format);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

TEST(PaletteFileTest, BarIs400By10WithEveryRowAlike) {
  const Picture bar = Table("-9950 0/0/0 10000 199/199/199\n");
  ASSERT_EQ(bar.width, 400);
  ASSERT_EQ(bar.height, 10);
  for (int row = 0; row < 10; ++row) {
    for (int column = 0; column < 400; ++column) {
      ASSERT_EQ(bar.at(column, row), bar.at(column, 0)) << row << ", " << column;
    }
  }
  EXPECT_EQ(bar.at(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(bar.at(399, 0), (Rgb{199, 199, 199}));
}

// Every way a table writes a colour, as one discrete slice over 0 ... 100 m, read at 50 m.
TEST(PaletteFileTest, TableColourSpellings) {
  struct Row {
    const char* text;
    Rgb expected;
  };
  const Row rows[] = {
      {"0 10/20/30 100 10/20/30", {10, 20, 30}},
      {"0 10 20 30 100 10 20 30", {10, 20, 30}},
      {"0 77 100 77", {77, 77, 77}},
      {"0 DarkOrange3 100 darkorange3", {205, 102, 0}},
      {"0 grey80 100 gray80", {204, 204, 204}},
      {"0 #1A2b3c 100 #1a2b3c", {26, 43, 60}},
      {"0 0/100/100/0 100 0/100/100/0", {255, 0, 0}},    // c/m/y/k in percent
      {"0 0/0/0/50 100 0/0/0/50", {128, 128, 128}},      // 127.5 rounds to even
      {"0 120-1-0.5 100 120-1-0.5", {0, 128, 0}},        // h-s-v in an RGB table
      {"0 red@50 100 red@50", {255, 0, 0}},              // transparency is left
      {"0\tred\t100\tred\tL\t;sea level", {255, 0, 0}},  // annotation flag and label
      {"# COLOR_MODEL = CMYK\n0 0 100 100 0 100 0 100 100 0", {255, 0, 0}},
      {"# COLOR_MODEL = hsv\n0 240 1 1 100 240 1 1", {0, 0, 255}},
      {"\xEF\xBB\xBF# byte order mark\r\n0 1/2/3 100 1/2/3\r\n", {1, 2, 3}},
  };
  for (const Row& row : rows) EXPECT_EQ(At(Table(row.text), 50), row.expected) << row.text;
}

TEST(PaletteFileTest, RgbTablesBlendPerChannelRoundingHalvesToEven) {
  const Picture bar = Table("0 0/0/0 100 1/3/255\n");
  // Half way: 0.5 -> 0, 1.5 -> 2, 127.5 -> 128.
  EXPECT_EQ(At(bar, 50), (Rgb{0, 2, 128}));
  EXPECT_EQ(At(bar, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(bar, 100), (Rgb{1, 3, 255}));
}

TEST(PaletteFileTest, HsvTablesBlendHueSaturationAndValue) {
  // Red (hue 0) to blue (hue 240): half way is hue 120, pure green, where blending red, green
  // and blue would give purple.
  const Picture named = Table("# COLOR_MODEL = hsv\n0 red 100 blue\n");
  EXPECT_EQ(At(named, 50), (Rgb{0, 255, 0}));
  // Hue 300 down to 0 passes blue, cyan and green: at 50 m hue 150 is 60 degrees into the
  // green-cyan sector half way, so blue = 255 x 0.5 = 127.5 -> 128.
  const Picture falling = Table("# COLOR_MODEL = +HSV\n0 300-1-1 100 0-1-1\n");
  EXPECT_EQ(At(falling, 50), (Rgb{0, 255, 128}));
  // Value 1 to 0 at saturation 0: grey 127.5 -> 128.
  EXPECT_EQ(At(Table("# COLOR_MODEL = hsv\n0 0-0-1 100 0-0-0\n"), 50), (Rgb{128, 128, 128}));
}

// Slices 0-100 and 100-200 m, a gap to 300 m, and 300-400 m.
constexpr const char* kSlices =
    "0 10/10/10 100 10/10/10\n100 20/20/20 200 20/20/20\n300 30/30/30 400 30/30/30\n";

TEST(PaletteFileTest, HeightsOnBoundariesInGapsAndPastTheEnds) {
  const Picture bare = Table(kSlices);
  EXPECT_EQ(At(bare, 100), (Rgb{20, 20, 20}));     // a shared boundary goes to the upper slice
  EXPECT_EQ(At(bare, 200), (Rgb{20, 20, 20}));     // a slice's top before a gap is its own
  EXPECT_EQ(At(bare, 250), (Rgb{128, 128, 128}));  // a gap without N is mid grey
  EXPECT_EQ(At(bare, 400), (Rgb{30, 30, 30}));     // the highest slice's top is its own
  EXPECT_EQ(At(bare, -50), (Rgb{10, 10, 10}));     // without B, the nearest end colour
  EXPECT_EQ(At(bare, 450), (Rgb{30, 30, 30}));     // without F, the nearest end colour

  const Picture ends = Table(std::string(kSlices) + "B 1/1/1\nF white\nN 2\n");
  EXPECT_EQ(At(ends, -50), (Rgb{1, 1, 1}));
  EXPECT_EQ(At(ends, 450), (Rgb{255, 255, 255}));
  EXPECT_EQ(At(ends, 250), (Rgb{2, 2, 2}));
  EXPECT_EQ(At(ends, 0), (Rgb{10, 10, 10}));

  // "-" takes a colour back: the nearest end serves again.
  EXPECT_EQ(At(Table(std::string(kSlices) + "B 1/1/1\nB -\n"), -50), (Rgb{10, 10, 10}));
}

TEST(PaletteFileTest, CategoriesColourTheirOwnHeightsOnly) {
  const Picture bar = Table("0 red\n100 blue\n200 91\nN white\n");
  EXPECT_EQ(At(bar, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(At(bar, 50), (Rgb{255, 255, 255}));
  EXPECT_EQ(At(bar, 100), (Rgb{0, 0, 255}));
  EXPECT_EQ(At(bar, 200), (Rgb{91, 91, 91}));
  EXPECT_EQ(At(bar, -50), (Rgb{255, 0, 0}));
  EXPECT_EQ(At(bar, 250), (Rgb{91, 91, 91}));
}

// Normalized tables: sea from black to 0/0/200, land from 0/100/0 to 200/200/200.
constexpr const char* kNormalized = "-1 0/0/0 0 0/0/200\n0 0/100/0 1 200/200/200\n";

TEST(PaletteFileTest, HingedTableIsStretchedOverItsRangeEachSideOfZero) {
  const Picture bar = Table(std::string("# HARD_HINGE\n# RANGE = -4000/2000\n") + kNormalized);
  EXPECT_EQ(At(bar, -4000), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(bar, -2000), (Rgb{0, 0, 100}));  // z -0.5
  EXPECT_EQ(At(bar, -1000), (Rgb{0, 0, 150}));  // z -0.25
  EXPECT_EQ(At(bar, 0), (Rgb{0, 100, 0}));
  EXPECT_EQ(At(bar, 1000), (Rgb{100, 150, 100}));  // z 0.5
  EXPECT_EQ(At(bar, 2050), (Rgb{200, 200, 200}));
  EXPECT_EQ(At(bar, -4050), (Rgb{0, 0, 0}));
  // A soft hinge splits the same way when the range spans 0 m.
  EXPECT_EQ(At(Table(std::string("# SOFT_HINGE\n# RANGE = -4000/2000\n") + kNormalized), -1000),
            (Rgb{0, 0, 150}));
}

TEST(PaletteFileTest, UnhingedTableIsStretchedLinearlyOverItsRange) {
  // -4000 ... 2000 m over z -1 ... 1: -1000 m is z 0, the land's first colour.
  const Picture bar = Table(std::string("# RANGE = -4000/2000\n") + kNormalized);
  EXPECT_EQ(At(bar, -1000), (Rgb{0, 100, 0}));
  EXPECT_EQ(At(bar, -2500), (Rgb{0, 0, 100}));  // z -0.5
  EXPECT_EQ(At(bar, 2000), (Rgb{200, 200, 200}));
}

TEST(PaletteFileTest, TableWithoutRangeIsStretchedOverTheBar) {
  // 0 ... 1 over -9950 ... 10000 m: at 0 m z = 9950 / 19950, blue 255 z = 127.18 -> 127; at
  // 50 m z = 10000 / 19950, blue 127.82 -> 128.
  const Picture linear = Table("0 0/0/0 1 0/0/255\n");
  EXPECT_EQ(At(linear, -9950), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(linear, 0), (Rgb{0, 0, 127}));
  EXPECT_EQ(At(linear, 50), (Rgb{0, 0, 128}));
  EXPECT_EQ(At(linear, 10000), (Rgb{0, 0, 255}));
  // Hinged: -1 ... 0 over -9950 ... 0 m and 0 ... 1 over 0 ... 10000 m, so -4975 m and 5000 m
  // are half way (127.5 -> 128). Unsplit, 5000 m would be z 0.4987, red 127.2 -> 127.
  const Picture hinged = Table("# HARD_HINGE\n-1 0/0/0 0 0/0/255\n0 0/0/0 1 255/0/0\n");
  EXPECT_EQ(At(hinged, -5000), (Rgb{0, 0, 127}));  // 4950 / 9950 of the way: 126.86
  EXPECT_EQ(At(hinged, 5000), (Rgb{128, 0, 0}));
  EXPECT_EQ(At(hinged, 0), (Rgb{0, 0, 0}));
}

TEST(PaletteFileTest, TableInMetresIgnoresARange) {
  EXPECT_EQ(At(Table("# RANGE = -100/100\n0 0/0/0 1000 250/0/0\n"), 500), (Rgb{125, 0, 0}));
}

TEST(PaletteFileTest, ReliefTextBlendsBetweenSortedHeights) {
  const Picture bar = Relief(
      "# heights in any order\n"
      "nv 1 2 3\n"
      "NV 4 5 6\n"
      "1000 200 0 0 255\n"
      "0,0,0,0\n"
      "-1000\t0\t0\t200\n"
      "100% white\n");
  EXPECT_EQ(At(bar, -9950), (Rgb{0, 0, 200}));  // under the lowest: its colour
  EXPECT_EQ(At(bar, -500), (Rgb{0, 0, 100}));
  EXPECT_EQ(At(bar, 500), (Rgb{100, 0, 0}));
  // 1000 m (200/0/0) to 100% = 10000 m (white): 5500 m is half way, 227.5 / 127.5 -> 228 / 128.
  EXPECT_EQ(At(bar, 5500), (Rgb{228, 128, 128}));
  EXPECT_EQ(At(bar, 10000), (Rgb{255, 255, 255}));
}

// Ends so far apart that their distance is no double: every bar height lies half way between
// them, so blue and red blend to 127.5 / 0 / 127.5, rounded to even.
TEST(PaletteFileTest, EndsFurtherApartThanTheLargestDoubleStillBlend) {
  const Picture slice = Table("-1e308 blue 1e308 red\n");
  const Picture range = Table("# RANGE = -1e308/1e308\n0 blue 1 red\n");
  const Picture relief = Relief("-1e308 0 0 255\n1e308 255 0 0\n");
  const Picture widest =
      Relief("-1.7976931348623157e308 0 0 255\n1.7976931348623157e308 255 0 0\n");
  for (const Picture* bar : {&slice, &range, &relief, &widest}) {
    for (int column = 0; column < 400; ++column) {
      ASSERT_EQ(bar->at(column, 0), (Rgb{128, 0, 128})) << "column " << column;
    }
  }
}

TEST(PaletteFileTest, ReliefTextPercentagesAndRepeatedHeights) {
  // 0% is -9950 m; 50% is 25 m, half way between the columns of 0 m and 50 m.
  const Picture percent = Relief("0% 0 0 0\n50% 0 0 255\n100% 0 0 255\n");
  EXPECT_EQ(At(percent, -9950), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(percent, 0), (Rgb{0, 0, 255 * 9950 / 9975}));  // 254.36 -> 254
  // A height given twice steps there: the later colour starts at it.
  const Picture step = Relief("-100 0 0 0\n0 0 0 100\n0 100 0 0\n100 200 0 0\n");
  EXPECT_EQ(At(step, -50), (Rgb{0, 0, 50}));
  EXPECT_EQ(At(step, 0), (Rgb{100, 0, 0}));
  EXPECT_EQ(At(step, 50), (Rgb{150, 0, 0}));
  // One height colours everything.
  EXPECT_EQ(At(Relief("10 1 2 3\n"), -9950), (Rgb{1, 2, 3}));
}

TEST(PaletteFileTest, MalformedLinesAreNamed) {
  struct Row {
    const char* text;
    PaletteFormat format;
    int line;
  };
  constexpr auto kTable = PaletteFormat::kColorPaletteTable;
  constexpr auto kRelief = PaletteFormat::kColorReliefText;
  const Row rows[] = {
      {"", kTable, 1},
      {"# only\n# comments\n", kTable, 2},
      {"0 red 100 notacolour\n", kTable, 1},
      {"# fine\n0 0/0/0 100 0/0/0\n50 0/0/0 150 0/0/0\n", kTable, 3},  // overlaps
      {"100 red 0 red\n", kTable, 1},                                  // goes down
      {"0 red\n\n0 red 1 red\n-1 blue\n", kTable, 4},                  // keys go down
      {"0 256/0/0 1 red\n", kTable, 1},
      {"0 0/0 1 red\n", kTable, 1},
      {"0 0//0/0 1 red\n", kTable, 1},
      {"0 361-1-1 1 red\n", kTable, 1},
      {"0 0-1.5-1 1 red\n", kTable, 1},
      {"0 0/0/0/101 1 red\n", kTable, 1},
      {"0 #12345 1 red\n", kTable, 1},
      {"0 #12345g 1 red\n", kTable, 1},
      {"0 red@101 1 red\n", kTable, 1},
      {"0 -1 1 red\n", kTable, 1},
      {"0 red 1 red 2\n", kTable, 1},
      {"0 red 1\n", kTable, 1},
      {"zero red 1 red\n", kTable, 1},
      {"nan red 1 red\n", kTable, 1},
      {"0 10 20 30 1 10 20\n", kTable, 1},
      {";label only\n0 red 1 red\n", kTable, 1},
      {"0 red 1 red\nB nocolour\n", kTable, 2},
      {"0 red 1 red\nF\n", kTable, 2},
      {"# COLOR_MODEL = lab\n0 red 1 red\n", kTable, 1},
      {"0 red 1 red\n# COLOR_MODEL = hsv\n", kTable, 2},
      {"# RANGE = 100/-100\n0 red 1 red\n", kTable, 1},
      {"# RANGE = 0/100/5\n0 red 1 red\n", kTable, 1},
      {"", kRelief, 1},
      {"nv 0 0 0\n", kRelief, 1},
      {"0 0 0 0\n100 255 0\n", kRelief, 2},
      {"0 0 0 0\n100 300 0 0\n", kRelief, 2},
      {"0 0 0 0 0 0\n", kRelief, 1},
      {"high 0 0 0\n", kRelief, 1},
      {"150% 0 0 0\n", kRelief, 1},
      {"0 0 0 0\n, ,\n", kRelief, 2},
      {"0 notacolour\n", kRelief, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ErrorOf(row.text, row.format),
              "パレットが不正です (行 " + std::to_string(row.line) + ")")
        << row.text;
  }
}

TEST(PaletteFileTest, PaletteExtensionsLoadThroughTheColourBarLoader) {
  const TempDir dir;
  const std::string table = "0 0/0/0 100 0/0/200\n";
  const std::string relief = "0 0 0 0\n100 0 0 200\n";
  for (const auto& [name, text] : {std::pair{"bar.cpt", table},
                                   {"BAR.CPT", table},
                                   {"bar.txt", relief},
                                   {"bar.Clr", relief}}) {
    const Picture bar = LoadColorBar(dir.Write(name, text));
    EXPECT_EQ(bar.width, 400) << name;
    EXPECT_EQ(At(bar, 50), (Rgb{0, 0, 100})) << name;
  }
}

TEST(PaletteFileTest, OversizedPaletteFileIsRefusedUnread) {
  const TempDir dir;
  // One slice, then comment lines up to exactly 1 MiB.
  std::string big = "0 0/0/0 1 0/0/0\n";
  const std::string comment = "#" + std::string(62, '-') + "\n";
  while (big.size() + comment.size() <= (1u << 20)) big += comment;
  big += "#" + std::string((1u << 20) - big.size() - 1, '-');
  EXPECT_NO_THROW(LoadColorBar(dir.Write("fits.cpt", big)));
  big += '\n';
  try {
    LoadColorBar(dir.Write("big.cpt", big));
    ADD_FAILURE() << "a palette over 1 MiB was read";
  } catch (const OranduError& error) {
    EXPECT_STREQ(error.what(), "パレットファイルが大きすぎます (1048577 バイト)");
  }
}

// The toolkit's own palettes, when its data package is installed.
const std::filesystem::path kShippedPalettes = "/usr/share/gmt/cpt";

TEST(PaletteFileTest, EveryShippedPaletteLoads) {
  if (!std::filesystem::is_directory(kShippedPalettes)) GTEST_SKIP() << "no " << kShippedPalettes;
  int loaded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kShippedPalettes)) {
    if (entry.path().extension() != ".cpt") continue;
    EXPECT_NO_THROW(LoadColorBar(entry.path())) << entry.path();
    ++loaded;
  }
  EXPECT_GT(loaded, 100);
  std::cout << loaded << " palettes under " << kShippedPalettes << '\n';
}

// Colours worked out by hand from the files' lines.
TEST(PaletteFileTest, ShippedPalettesColourByColour) {
  if (!std::filesystem::is_directory(kShippedPalettes)) GTEST_SKIP() << "no " << kShippedPalettes;
  struct Row {
    const char* file;
    int metres;
    Rgb expected;
  };
  const Row rows[] = {
      // geo: hard hinge, RANGE -8000/8000, B black, F white.
      {"gmt/geo.cpt", -8700, {0, 0, 0}},       // under -8000: B
      {"gmt/geo.cpt", 8800, {255, 255, 255}},  // over 8000: F
      {"gmt/geo.cpt", 0, {0, 97, 71}},         // the land slice starts at 0
      // -1200 m is z -0.15, 0.8 of the way along "-0.25 90/185/233 -0.125 141/210/239":
      // 90 + 51 x 0.8 = 130.8, 185 + 25 x 0.8 = 205, 233 + 6 x 0.8 = 237.8.
      {"gmt/geo.cpt", -1200, {131, 205, 238}},
      // 50 m is z 0.00625 = 0.6125 of "0 0/97/71 0.0102040816327 16/122/47":
      // 16 x 0.6125 = 9.8, 97 + 25 x 0.6125 = 112.3, 71 - 24 x 0.6125 = 56.3.
      {"gmt/geo.cpt", 50, {10, 112, 56}},
      // rainbow: HSV, "0 magenta 1 red" over -9950 ... 10000 m. At -8700 m the hue is
      // 300 - 300 x 1250 / 19950 = 281.2, 0.6867 into the blue-magenta sector: red 175.1.
      {"gmt/rainbow.cpt", -8700, {175, 0, 255}},
      // sealand: HSV with a hard hinge over -6000/3000. -3000 m is z -0.5, the start of
      // "-0.5 165-0.6-1": 0.75 into the green-cyan sector, red = 0.4 x 255 = 102, blue =
      // (1 - 0.6 x 0.25) x 255 = 216.75.
      {"gmt/sealand.cpt", -3000, {102, 255, 217}},
      // 1500 m is z 0.5, the start of "0.5 360-0.35-1": hue 360 is red, 0.65 x 255 = 165.75.
      {"gmt/sealand.cpt", 1500, {255, 166, 166}},
      // Over 3000 m: F 315-0.2-1, 0.25 into the magenta-red sector: 0.8 x 255 = 204,
      // (1 - 0.2 x 0.25) x 255 = 242.25.
      {"gmt/sealand.cpt", 7000, {255, 204, 242}},
      // Under -6000 m: B 255-0.6-1, 0.25 into the blue-magenta sector: red (1 - 0.6 x 0.75) x
      // 255 = 140.25, green 0.4 x 255 = 102.
      {"gmt/sealand.cpt", -7000, {140, 102, 255}},
      // categorical: keys in metres, names and r/g/b; nothing under key 0 but its colour.
      {"gmt/categorical.cpt", 0, {0, 255, 0}},  // "0 green", the X11 green
      {"gmt/categorical.cpt", -500, {0, 255, 0}},
      {"gmt/categorical.cpt", 50, {255, 221, 0}},  // "50 255/221/0"
      {"gmt/categorical.cpt", 150, {255, 153, 68}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(At(LoadColorBar(kShippedPalettes / row.file), row.metres), row.expected)
        << row.file << " at " << row.metres << " m";
  }
}

}  // namespace
}  // namespace orandu
