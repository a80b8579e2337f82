// The shader's row loops, on every processor path, against its one-value rules pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "region/ReliefShading.h"
#include "region/grid/HeightGrid.h"

namespace orandu {
namespace {

// How the rows' heights are drawn: steps from sample to sample of a few metres to a few hundred
// give slopes of every weight between -256 and 256, many near a rounding edge; large ones give
// the clamped weights, and any raw value the heights a hostile file can hold.
enum class Relief { kGentle, kHilly, kRugged, kAnyRawValue };

std::vector<std::uint8_t> RandomRow(Relief relief, std::mt19937& random) {
  std::vector<std::uint8_t> row(RowBytes);
  int height = 0;
  for (int column = 0; column < GridColumns; ++column) {
    std::uint16_t raw = 0;
    if (relief == Relief::kAnyRawValue) {
      raw = static_cast<std::uint16_t>(random());
    } else {
      const int step = relief == Relief::kGentle ? 12 : relief == Relief::kHilly ? 150 : 900;
      height = std::clamp(height + static_cast<int>(random() % (2 * step + 1)) - step, -9000, 9000);
      raw = static_cast<std::uint16_t>(height < 0 ? height + 65536 : height);
    }
    row[2 * column] = static_cast<std::uint8_t>(raw & 0xFF);
    row[2 * column + 1] = static_cast<std::uint8_t>(raw >> 8);
  }
  return row;
}

int HeightAt(const std::vector<std::uint8_t>& row, int column) {
  const int wrapped = (column + GridColumns) % GridColumns;
  const int raw = row[2 * wrapped] | (row[2 * wrapped + 1] << 8);
  return raw > 10000 ? raw - 65536 : raw;
}

// Rows of every latitude's spacing: the pole's next row, every 29th, the equator and the last.
std::vector<int> ShadedRows() {
  std::vector<int> rows;
  for (int row = 1; row < GridRows; row += 29) rows.push_back(row);
  rows.insert(rows.end(), {2, 1080, GridRows - 1});
  return rows;
}

struct PathCase {
  ShadingPath path;
  int stride;
};

std::string PathCaseName(const ::testing::TestParamInfo<PathCase>& info) {
  return std::string(info.param.path == ShadingPath::kAvx2 ? "Avx2" : "Baseline") + "Stride" +
         std::to_string(info.param.stride);
}

class ShadingPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ShadingPathTest, EveryPixelIsTheOneValueRulesBlendOfItsHornSums) {
  const auto [path, stride] = GetParam();
  if (!ReliefShader::PathRuns(path)) GTEST_SKIP() << "this processor cannot run the path";
  // Runs as the painter cuts them: the whole row, one crossing neither edge, and ones touching the
  // seam from either side (whose outer neighbours wrap), of lengths that end the 3-byte loop's
  // groups of four in every way.
  struct Run {
    int firstColumn;
    int count;
  };
  constexpr Run kRuns[] = {{0, GridColumns}, {1000, 488}, {GridColumns - 7, 7}, {0, 5}, {0, 1},
                           {2000, 6},        {3001, 8}};
  const Light kLights[] = {Light{},
                           Light{0, 0, 1},
                           Light{137.5, 12.3, 1000},
                           Light{200, 60, 0.001},
                           Light{90, 89.9, 1},
                           Light{.multidirectional = true},
                           Light{.altitude = 20, .exaggeration = 50, .multidirectional = true}};
  std::mt19937 random(20261208);
  for (const Relief relief :
       {Relief::kGentle, Relief::kHilly, Relief::kRugged, Relief::kAnyRawValue}) {
    const std::vector<std::uint8_t> above = RandomRow(relief, random);
    const std::vector<std::uint8_t> centre = RandomRow(relief, random);
    const std::vector<std::uint8_t> below = RandomRow(relief, random);
    for (const Light& light : kLights) {
      ReliefShader shader(light, path);
      for (const int row : ShadedRows()) {
        for (const Run& run : kRuns) {
          // A byte either side of the run's pixels, which the shader must not touch.
          std::vector<std::uint8_t> pixels(static_cast<std::size_t>(run.count) * stride + 2);
          for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random());
          const std::vector<std::uint8_t> before = pixels;
          if (stride == 4) {
            shader.ShadeRun<4>(row, above.data(), centre.data(), below.data(), run.firstColumn,
                               run.count, pixels.data() + 1);
          } else {
            shader.ShadeRun<3>(row, above.data(), centre.data(), below.data(), run.firstColumn,
                               run.count, pixels.data() + 1);
          }
          ASSERT_EQ(pixels.front(), before.front());
          ASSERT_EQ(pixels.back(), before.back());
          for (int i = 0; i < run.count; ++i) {
            const int column = (run.firstColumn + i) % GridColumns;
            const auto at = [&](const std::vector<std::uint8_t>& samples, int offset) {
              return HeightAt(samples, column + offset);
            };
            const int east = (at(above, 1) + 2 * at(centre, 1) + at(below, 1)) -
                             (at(above, -1) + 2 * at(centre, -1) + at(below, -1));
            const int north = (at(above, -1) + 2 * at(above, 0) + at(above, 1)) -
                              (at(below, -1) + 2 * at(below, 0) + at(below, 1));
            const std::size_t offset = 1 + static_cast<std::size_t>(i) * stride;
            std::uint32_t color = 0;
            std::memcpy(&color, before.data() + offset, 3);
            const std::uint32_t expected = BlendTowards(color, shader.WeightOf(row, east, north));
            std::uint32_t actual = 0;
            std::memcpy(&actual, pixels.data() + offset, 3);
            ASSERT_EQ(actual, expected)
                << "relief " << static_cast<int>(relief) << " azimuth " << light.azimuth << " row "
                << row << " column " << column << " east " << east << " north " << north;
            if (stride == 4) {
              ASSERT_EQ(pixels[offset + 3], before[offset + 3]) << "the fourth byte";
            }
          }
        }
      }
    }
  }
}

TEST_P(ShadingPathTest, PaintingFromTheColoursShadesEachSamplesColour) {
  // Given the colours of raw samples, a run is painted and shaded in one pass: each pixel is its
  // sample's colour blended by the one-value rules, whatever the pixel held before; a pole's row
  // is its samples' colours unshaded.
  const auto [path, stride] = GetParam();
  if (!ReliefShader::PathRuns(path)) GTEST_SKIP() << "this processor cannot run the path";
  std::mt19937 random(20261209);
  std::vector<std::uint32_t> colors(std::size_t{1} << 16);
  for (auto& color : colors) color = static_cast<std::uint32_t>(random());
  struct Run {
    int firstColumn;
    int count;
  };
  constexpr Run kRuns[] = {{0, GridColumns}, {1000, 488}, {GridColumns - 7, 7}, {0, 9}, {0, 1}};
  for (const Relief relief : {Relief::kHilly, Relief::kAnyRawValue}) {
    const std::vector<std::uint8_t> above = RandomRow(relief, random);
    const std::vector<std::uint8_t> centre = RandomRow(relief, random);
    const std::vector<std::uint8_t> below = RandomRow(relief, random);
    for (const Light& light : {Light{}, Light{.multidirectional = true}}) {
      ReliefShader shader(light, path);
      for (const int row : {0, 1, 1080, GridRows - 1}) {
        for (const Run& run : kRuns) {
          std::vector<std::uint8_t> pixels(static_cast<std::size_t>(run.count) * stride + 2);
          for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random());
          const std::vector<std::uint8_t> before = pixels;
          if (stride == 4) {
            shader.ShadeRun<4>(row, above.data(), centre.data(), below.data(), run.firstColumn,
                               run.count, pixels.data() + 1, colors.data());
          } else {
            shader.ShadeRun<3>(row, above.data(), centre.data(), below.data(), run.firstColumn,
                               run.count, pixels.data() + 1, colors.data());
          }
          ASSERT_EQ(pixels.front(), before.front());
          ASSERT_EQ(pixels.back(), before.back());
          for (int i = 0; i < run.count; ++i) {
            const int column = (run.firstColumn + i) % GridColumns;
            const auto at = [&](const std::vector<std::uint8_t>& samples, int offset) {
              return HeightAt(samples, column + offset);
            };
            const int east = (at(above, 1) + 2 * at(centre, 1) + at(below, 1)) -
                             (at(above, -1) + 2 * at(centre, -1) + at(below, -1));
            const int north = (at(above, -1) + 2 * at(above, 0) + at(above, 1)) -
                              (at(below, -1) + 2 * at(below, 0) + at(below, 1));
            const std::uint32_t color = colors[centre[2 * column] | (centre[2 * column + 1] << 8)];
            const std::uint32_t expected =
                row == 0 ? color : BlendTowards(color, shader.WeightOf(row, east, north));
            std::uint32_t actual = 0;
            std::memcpy(&actual, pixels.data() + 1 + static_cast<std::size_t>(i) * stride, stride);
            const std::uint32_t mask = stride == 4 ? 0xFFFFFFFFu : 0xFFFFFFu;
            ASSERT_EQ(actual, expected & mask)
                << "relief " << static_cast<int>(relief) << " row " << row << " column " << column;
          }
        }
      }
    }
  }
}

TEST_P(ShadingPathTest, ADamagedRawValueOnlyAcrossTheSeamIsStillADepth) {
  // ETOPO5's raw values from 10001 to 32767 are depths below -32768 m. A run whose samples are all
  // ordinary is read the plainer way, as signed 16-bit numbers, so one such value must still
  // count wherever the run reads it: here only in the row below, in the column across the seam
  // west of the run, on level ground at the equator.
  const auto [path, stride] = GetParam();
  if (!ReliefShader::PathRuns(path)) GTEST_SKIP() << "this processor cannot run the path";
  const std::vector<std::uint8_t> level(RowBytes, 0);
  std::vector<std::uint8_t> below = level;
  constexpr int kDamagedRaw = 20000;
  below[2 * (GridColumns - 1)] = kDamagedRaw & 0xFF;
  below[2 * (GridColumns - 1) + 1] = kDamagedRaw >> 8;
  constexpr int kDepth = kDamagedRaw - 65536;
  constexpr int kCount = 16;
  constexpr std::uint8_t kGrey = 0x80;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kCount) * stride, kGrey);
  ReliefShader shader(Light{}, path);
  constexpr int kEquator = GridRows / 2;
  if (stride == 4) {
    shader.ShadeRun<4>(kEquator, level.data(), level.data(), below.data(), 0, kCount,
                       pixels.data());
  } else {
    shader.ShadeRun<3>(kEquator, level.data(), level.data(), below.data(), 0, kCount,
                       pixels.data());
  }
  // Column 0's west neighbour below is g in Horn's stencil: east = -g and north = -g.
  const std::uint32_t grey = 0x808080u;
  const std::uint32_t expected = BlendTowards(grey, shader.WeightOf(kEquator, -kDepth, -kDepth));
  ASSERT_NE(expected, BlendTowards(grey, shader.WeightOf(kEquator, -kDamagedRaw, -kDamagedRaw)));
  std::uint32_t first = 0;
  std::memcpy(&first, pixels.data(), 3);
  EXPECT_EQ(first, expected);
  for (std::size_t byte = 3; byte < pixels.size(); ++byte) {
    if (stride == 4 && byte % 4 == 3) continue;
    ASSERT_EQ(pixels[byte], kGrey) << "byte " << byte << ": level ground keeps its colour";
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, ShadingPathTest,
                         ::testing::Values(PathCase{ShadingPath::kBaseline, 3},
                                           PathCase{ShadingPath::kBaseline, 4},
                                           PathCase{ShadingPath::kAvx2, 3},
                                           PathCase{ShadingPath::kAvx2, 4}),
                         PathCaseName);

TEST(ShadingBlend, MovesEachChannelAsDocumentedForEveryWeight) {
  // c + ((255 - c) w + 128) / 256 towards white, c - (c |w| + 128) / 256 towards black, each
  // channel on its own and the top byte kept; the three channels differ so that a carry or a
  // swapped channel shows.
  for (int w = -256; w <= 256; ++w) {
    for (int c = 0; c < 256; ++c) {
      const int channels[3] = {c, 255 - c, (c * 7 + 31) % 256};
      std::uint32_t color = 0xA5000000u;
      std::uint32_t expected = 0xA5000000u;
      for (int k = 0; k < 3; ++k) {
        const int v = channels[k];
        const int shaded = w >= 0 ? v + ((255 - v) * w + 128) / 256 : v - (v * -w + 128) / 256;
        color |= static_cast<std::uint32_t>(v) << (8 * k);
        expected |= static_cast<std::uint32_t>(shaded) << (8 * k);
      }
      ASSERT_EQ(BlendTowards(color, w), expected) << "c " << c << " w " << w;
    }
  }
}

}  // namespace
}  // namespace orandu
