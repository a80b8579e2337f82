// Heights find their bar column with halves to even; the table agrees with the lookup everywhere.
#include "region/colorbar/ColorBar.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

constexpr Rgb kNearWhite{241, 252, 255};
constexpr Rgb kDarkGreen{51, 102, 0};
constexpr Rgb kViolet{153, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

struct TellingColumn {
  int first;
  int last;
  Rgb color;
};

std::ostream& operator<<(std::ostream& out, const TellingColumn& t) {
  return out << "columns " << t.first << "-" << t.last;
}

class DesignTimeBarTest : public ::testing::TestWithParam<TellingColumn> {};

TEST_P(DesignTimeBarTest, HasItsTellingColumnsOnEveryRow) {
  const Picture bar = DesignTimeColorBar();
  const auto [first, last, color] = GetParam();
  for (int column = first; column <= last; ++column) {
    for (int y = 0; y < bar.height; ++y) EXPECT_EQ(bar.at(column, y), color) << column << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Landmarks, DesignTimeBarTest,
    ::testing::Values(TellingColumn{0, 29, kViolet}, TellingColumn{99, 99, {34, 119, 255}},
                      TellingColumn{196, 199, kNearWhite}, TellingColumn{200, 200, kDarkGreen},
                      TellingColumn{250, 250, {171, 155, 32}},
                      TellingColumn{300, 300, {153, 102, 0}},
                      TellingColumn{350, 350, {203, 202, 202}}, TellingColumn{380, 399, kWhite}));

TEST(DesignTimeBarTest, Is400By10) {
  const Picture bar = DesignTimeColorBar();
  EXPECT_EQ(bar.width, 400);
  EXPECT_EQ(bar.height, 10);
}

struct Lookup {
  HeightSample height;
  int column;
};

std::ostream& operator<<(std::ostream& out, const Lookup& l) {
  return out << l.height << " m";
}

class BarColumnTest : public ::testing::TestWithParam<Lookup> {};

TEST_P(BarColumnTest, RoundsTheQuotientByFiftyToEven) {
  EXPECT_EQ(BarColumn(GetParam().height), GetParam().column) << GetParam().height;
}

INSTANTIATE_TEST_SUITE_P(Heights, BarColumnTest,
                         ::testing::Values(Lookup{0, 199}, Lookup{25, 199}, Lookup{26, 200},
                                           Lookup{-25, 199}, Lookup{-26, 198}, Lookup{75, 201},
                                           Lookup{125, 201}, Lookup{175, 203}, Lookup{-75, 197},
                                           Lookup{-5000, 99}, Lookup{10000, 399}, Lookup{-9950, 0},
                                           Lookup{-9975, -1}, Lookup{-55535, -912}));

TEST(BarColorTest, ReadsTheDesignTimeBarAsDrawn) {
  const Picture bar = DesignTimeColorBar();
  EXPECT_EQ(BarColor(bar, 0), kNearWhite);
  EXPECT_EQ(BarColor(bar, 25), kNearWhite);
  EXPECT_EQ(BarColor(bar, 26), kDarkGreen);
  EXPECT_EQ(BarColor(bar, -5000), (Rgb{34, 119, 255}));
  EXPECT_EQ(BarColor(bar, 10000), kWhite);
}

TEST(BarColorTest, ReadsOnlyTheTopRow) {
  Picture bar{400, 2, std::vector<Rgb>(800, Rgb{1, 2, 3})};
  bar.pixels[199] = Rgb{9, 9, 9};
  EXPECT_EQ(BarColor(bar, 0), (Rgb{9, 9, 9}));
}

TEST(BarColorTest, ColumnsBeyondTheBarTakeTheNearestEnd) {
  Picture narrow{200, 1, std::vector<Rgb>(200)};
  narrow.pixels.front() = Rgb{1, 0, 0};
  narrow.pixels.back() = Rgb{0, 0, 7};
  EXPECT_EQ(BarColor(narrow, 24), (Rgb{0, 0, 7}));  // column 199, the last one there
  EXPECT_EQ(BarColor(narrow, 26), (Rgb{0, 0, 7}));  // column 200 lies past the right edge
  EXPECT_EQ(BarColor(narrow, 9000), (Rgb{0, 0, 7}));
  EXPECT_EQ(BarColor(narrow, -9975), (Rgb{1, 0, 0}));  // column -1
  EXPECT_EQ(BarColor(narrow, -55535), (Rgb{1, 0, 0}));
}

TEST(BarColorTest, EmptyBarHasNoColour) {
  EXPECT_EQ(BarColor(Picture{}, 0), std::nullopt);
  EXPECT_TRUE(ColorTable(Picture{}).empty());
}

TEST(ColorTableTest, AgreesWithTheLookupForEveryRawSample) {
  Picture bar = DesignTimeColorBar();
  for (int x = 0; x < bar.width; ++x) bar.pixels[x] = Rgb{std::uint8_t(x), std::uint8_t(x >> 8), 5};
  const ColorTable table(bar);
  ASSERT_FALSE(table.empty());
  for (int raw = 0; raw < 65536; ++raw) {
    const auto raw16 = static_cast<std::uint16_t>(raw);
    ASSERT_EQ(table[raw16], Pack(*BarColor(bar, DecodeSample(raw16)))) << raw;
  }
}

}  // namespace
}  // namespace orandu
