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

struct Encoded {
  std::uint16_t raw;
  SampleEncoding encoding;
  HeightSample metres;
};

std::ostream& operator<<(std::ostream& out, const Encoded& e) {
  return out << "raw " << e.raw
             << (e.encoding == SampleEncoding::kEtopo5 ? " in ETOPO5" : " plain signed");
}

class HeightOfTest : public ::testing::TestWithParam<Encoded> {};

TEST_P(HeightOfTest, DecodesEachEncodingByItsOwnRule) {
  EXPECT_EQ(HeightOf(GetParam().raw, GetParam().encoding), GetParam().metres);
}

constexpr auto kEtopo5 = SampleEncoding::kEtopo5;
constexpr auto kSigned16 = SampleEncoding::kSigned16;

INSTANTIATE_TEST_SUITE_P(
    Thresholds, HeightOfTest,
    ::testing::Values(Encoded{0, kEtopo5, 0}, Encoded{10000, kEtopo5, 10000},
                      Encoded{10001, kEtopo5, -55535}, Encoded{32767, kEtopo5, -32769},
                      Encoded{32768, kEtopo5, -32768}, Encoded{55536, kEtopo5, -10000},
                      Encoded{65535, kEtopo5, -1}, Encoded{0, kSigned16, 0},
                      Encoded{10000, kSigned16, 10000}, Encoded{10001, kSigned16, 10001},
                      Encoded{32767, kSigned16, 32767}, Encoded{32768, kSigned16, -32768},
                      Encoded{55536, kSigned16, -10000}, Encoded{65535, kSigned16, -1}));

// A bar whose every column has its own colour, so that a sample given the wrong column shows.
Picture NumberedBar() {
  Picture bar = DesignTimeColorBar();
  for (int x = 0; x < bar.width; ++x) bar.pixels[x] = Rgb{std::uint8_t(x), std::uint8_t(x >> 8), 5};
  return bar;
}

// Two's complement, worked out apart from the code under test.
HeightSample PlainSigned(int raw) {
  return raw < 32768 ? raw : raw - 65536;
}

TEST(ColorTableTest, PlainSignedSamplesTakeTheColourOfTheirOwnHeight) {
  const Picture bar = NumberedBar();
  const ColorTable table(bar);
  const PackedColor* colors = table.For(SampleEncoding::kSigned16);
  for (int raw = 0; raw < 65536; ++raw) {
    ASSERT_EQ(colors[raw], Pack(*BarColor(bar, PlainSigned(raw)))) << raw;
  }
}

TEST(ColorTableTest, TheTwoTablesDifferOnlyWhereEtopo5ReadsDepthsAboveTenThousand) {
  const ColorTable table(NumberedBar());
  const PackedColor* etopo5 = table.For(SampleEncoding::kEtopo5);
  const PackedColor* plain = table.For(SampleEncoding::kSigned16);
  for (int raw = 0; raw < 65536; ++raw) {
    ASSERT_EQ(etopo5[raw], table[static_cast<std::uint16_t>(raw)]) << raw;
    if (raw >= 10001 && raw <= 32767) {
      ASSERT_NE(plain[raw], etopo5[raw]) << raw;
    } else {
      ASSERT_EQ(plain[raw], etopo5[raw]) << raw;
    }
  }
}

TEST(ColorTableTest, HeightsAboveTenThousandTakeTheLastColumnInAPlainGrid) {
  const ColorTable table(DesignTimeColorBar());
  const PackedColor* plain = table.For(SampleEncoding::kSigned16);
  EXPECT_EQ(plain[12000], Pack(kWhite));  // +12000 m lies past the last column, +10000 m
  EXPECT_EQ(plain[10001], Pack(kWhite));
  EXPECT_EQ(plain[32767], Pack(kWhite));
  EXPECT_EQ(table.For(SampleEncoding::kEtopo5)[10001], Pack(kViolet));  // -55535 m
  EXPECT_EQ(plain[32768], Pack(kViolet));                               // -32768 m
  EXPECT_EQ(plain[65535], Pack(kNearWhite));                            // -1 m
}

}  // namespace
}  // namespace orandu
