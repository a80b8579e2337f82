// Horn's slopes on the sphere, the light's incidence and the blend towards white or black.
#include "region/ReliefShading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "region/grid/HeightGrid.h"

namespace orandu {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr int kWeightOne = 256;                 // w for I = 1
constexpr std::int16_t kEtopo5Highest = 10000;  // ETOPO5's raw values above it are depths

// The grid's spacing as an angle.
double SampleRadians(const GridGeometry& grid) {
  return kRadiansPerDegree / grid.samplesPerDegree * grid.degreesPerSample;
}

// The four azimuths of the multidirectional light, 225°, 270°, 315° and 360°: their sines and
// cosines.
struct Azimuth {
  float sin;
  float cos;
};
constexpr auto kHalfRoot = static_cast<float>(std::numbers::sqrt2 / 2);
constexpr Azimuth kMultidirectionalAzimuths[] = {
    {-kHalfRoot, -kHalfRoot}, {-1, 0}, {-kHalfRoot, kHalfRoot}, {0, 1}};

// What one row's weights need besides its samples: Horn's divisors with the exaggeration, and
// the light's direction scaled by them.
struct RowFactors {
  float eastPerSum;
  float northPerSum;
  float eastLight;
  float northLight;
  float sinAlt;
  float cosAlt;
  float scale;  // 256 / (1 - sin alt)
  bool multidirectional;
};

// The factors of grid row `row`: Horn's divisors with the exaggeration, and the light's direction.
RowFactors FactorsOf(const GridGeometry& grid, int row, float exaggeration, float sinAlt,
                     float cosAlt, float eastTowardsLight, float northTowardsLight,
                     float intensityScale, bool multidirectional) {
  const double dx = EastWestSpacing(grid, row);
  const auto eastPerSum = static_cast<float>(exaggeration / (8 * dx));
  const auto northPerSum = static_cast<float>(exaggeration / (8 * NorthSouthSpacing(grid)));
  return {eastPerSum, northPerSum, eastPerSum * eastTowardsLight, northPerSum * northTowardsLight,
          sinAlt,     cosAlt,      intensityScale * kWeightOne,   multidirectional};
}

// The weight of a sample whose light falls at cos i.
[[gnu::always_inline]] inline std::int32_t WeightOfIncidence(float cosI, const RowFactors& f) {
  // No branches, so that the loop runs several pixels at a time: min and max clamp, and adding a
  // half with the weight's sign before truncating rounds half away from zero.
  const float w =
      std::min(std::max((cosI - f.sinAlt) * f.scale, -float{kWeightOne}), float{kWeightOne});
  return static_cast<std::int32_t>(w + std::copysign(0.5f, w));
}

// The one rule for a sample's weight from its Horn sums under a single light; the row loops
// inline it.
[[gnu::always_inline]] inline std::int32_t WeightFrom(float east, float north,
                                                      const RowFactors& f) {
  const float eastSlope = east * f.eastPerSum;
  const float northSlope = north * f.northPerSum;
  const float cosI = (f.sinAlt - east * f.eastLight - north * f.northLight) /
                     std::sqrt(1.0f + eastSlope * eastSlope + northSlope * northSlope);
  return WeightOfIncidence(cosI, f);
}

// The same under the multidirectional light.
[[gnu::always_inline]] inline std::int32_t MultidirectionalWeightFrom(float east, float north,
                                                                      const RowFactors& f) {
  const float eastSlope = east * f.eastPerSum;
  const float northSlope = north * f.northPerSum;
  const float steepness = eastSlope * eastSlope + northSlope * northSlope;
  float sum = 0;
  for (const Azimuth& az : kMultidirectionalAzimuths) {
    const float across = northSlope * az.sin - eastSlope * az.cos;
    sum += across * across * (f.sinAlt - f.cosAlt * (eastSlope * az.sin + northSlope * az.cos));
  }
  // Without a slope there is no aspect: flat ground keeps cos i = sin alt.
  const float cosI = steepness > 0 ? sum / (2 * steepness * std::sqrt(1.0f + steepness)) : f.sinAlt;
  return WeightOfIncidence(cosI, f);
}

// One run of a row to shade: its three rows of samples, its pixels, and the buffers the loops
// fill, each count + 2 long.
struct RunJob {
  int columns;  // round a parallel
  const std::uint8_t* above;
  const std::uint8_t* centre;
  const std::uint8_t* below;
  int firstColumn;
  int count;
  RowFactors factors;
  std::int32_t* sums;
  std::int32_t* differences;
  std::int32_t* weights;
  std::uint8_t* pixels;
  // When not null, the colours of raw samples: the pixels are painted from the centre row's
  // samples rather than read.
  const std::uint32_t* colors;
};

// Fills the run's column sums a + 2d + g and differences a - g, one column either side, reading
// the samples as kEncoding says; returns the highest raw sample read as a signed 16-bit number.
template <SampleEncoding kEncoding>
[[gnu::always_inline]] inline std::int16_t ColumnSums(const RunJob& job) {
  // Copies in registers, the buffers apart from the rows: otherwise each store into a buffer
  // might change what the next load reads, and the loops would run a pixel at a time.
  const std::uint8_t* const above = job.above;
  const std::uint8_t* const centre = job.centre;
  const std::uint8_t* const below = job.below;
  std::int32_t* __restrict const sums = job.sums;
  std::int32_t* __restrict const differences = job.differences;
  const int firstColumn = job.firstColumn;
  const int count = job.count;
  std::int16_t highest = std::numeric_limits<std::int16_t>::min();
  // Column k of the sums stands for grid column firstColumn - 1 + k; the outer two may lie across
  // the seam.
  const auto sumAt = [&](int k, int column) {
    const std::uint16_t topRaw = RawSampleAt(above, column);
    const std::uint16_t centreRaw = RawSampleAt(centre, column);
    const std::uint16_t bottomRaw = RawSampleAt(below, column);
    highest =
        std::max({highest, static_cast<std::int16_t>(topRaw), static_cast<std::int16_t>(centreRaw),
                  static_cast<std::int16_t>(bottomRaw)});
    const HeightSample top = HeightOf(topRaw, kEncoding);
    const HeightSample bottom = HeightOf(bottomRaw, kEncoding);
    const HeightSample middle = HeightOf(centreRaw, kEncoding);
    sums[k] = top + middle + middle + bottom;
    differences[k] = top - bottom;
  };
  const auto wrap = [&](int column) { return (column + job.columns) % job.columns; };
  sumAt(0, wrap(firstColumn - 1));
  sumAt(count + 1, wrap(firstColumn + count));
  for (int k = 1; k <= count; ++k) sumAt(k, firstColumn + k - 1);
  return highest;
}

template <SampleEncoding kEncoding>
[[gnu::always_inline]] inline void Weights(const RunJob& job) {
  // ETOPO5 stores depths below -32768 m, which only a damaged file holds, as raw values from
  // 10001 to 32767; every other raw value, read as a signed 16-bit number, is the height ETOPO5
  // means. Read so, a row shades in about a quarter less time; it is read again the ETOPO5 way
  // when the run holds one of those values.
  if (ColumnSums<SampleEncoding::kSigned16>(job) > kEtopo5Highest &&
      kEncoding == SampleEncoding::kEtopo5) {
    ColumnSums<SampleEncoding::kEtopo5>(job);
  }
  const std::int32_t* __restrict const sums = job.sums;
  const std::int32_t* __restrict const differences = job.differences;
  std::int32_t* __restrict const weights = job.weights;
  const int count = job.count;
  const RowFactors factors = job.factors;
  const auto east = [&](int i) { return static_cast<float>(sums[i + 2] - sums[i]); };
  const auto north = [&](int i) {
    return static_cast<float>(differences[i] + 2 * differences[i + 1] + differences[i + 2]);
  };
  // The light chosen once for the run, so that each loop runs several pixels at a time.
  if (factors.multidirectional) {
    for (int i = 0; i < count; ++i) {
      weights[i] = MultidirectionalWeightFrom(east(i), north(i), factors);
    }
  } else {
    for (int i = 0; i < count; ++i) weights[i] = WeightFrom(east(i), north(i), factors);
  }
}

template <int kStride>
[[gnu::always_inline]] inline void Blend(const RunJob& job) {
  const std::int32_t* weights = job.weights;
  std::uint8_t* pixels = job.pixels;
  const int count = job.count;
  int i = 0;
  if constexpr (kStride == 4) {
    for (; i < count; ++i) {
      std::uint8_t* at = pixels + static_cast<std::size_t>(i) * 4;
      std::uint32_t color;
      std::memcpy(&color, at, 4);
      color = BlendTowards(color, weights[i]);
      std::memcpy(at, &color, 4);
    }
  } else {
    // Four pixels, 12 bytes, at a time: loaded as four words before any is stored, so that no load
    // waits on the store of the pixel before it. The fourth word's top byte is the next pixel's
    // first, hence a fifth pixel in the run. The channels are each word's low three bytes, as on a
    // little-endian machine.
    for (; i + 5 <= count; i += 4) {
      std::uint8_t* at = pixels + static_cast<std::size_t>(i) * 3;
      std::uint32_t color[4];
      for (int k = 0; k < 4; ++k) {
        std::memcpy(&color[k], at + 3 * k, 4);
        color[k] = BlendTowards(color[k], weights[i + k]);
      }
      const std::uint32_t words[3] = {(color[0] & 0xFFFFFFu) | (color[1] << 24),
                                      ((color[1] >> 8) & 0xFFFFu) | (color[2] << 16),
                                      ((color[2] >> 16) & 0xFFu) | (color[3] << 8)};
      std::memcpy(at, words, 12);
    }
    for (; i < count; ++i) {
      std::uint8_t* at = pixels + static_cast<std::size_t>(i) * 3;
      std::uint32_t color = 0;
      std::memcpy(&color, at, 3);
      color = BlendTowards(color, weights[i]);
      std::memcpy(at, &color, 3);
    }
  }
}

// The run's loops, built once for any x86-64 (or any other processor) and once more for
// processors with AVX2, whose wider registers take eight pixels at a time.
template <int kStride, SampleEncoding kEncoding>
void ShadeRunBaseline(const RunJob& job) {
  Weights<kEncoding>(job);
  Blend<kStride>(job);
}

#if defined(__x86_64__)
// BlendTowards on eight colour words at once, the same integer steps lane by lane.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i BlendEight(__m256i color, __m256i w) {
  const __m256i outerMask = _mm256_set1_epi32(0x00FF00FF);
  const __m256i channel = _mm256_set1_epi32(0xFF);
  const __m256i darker = _mm256_srai_epi32(w, 31);
  const __m256i amount = _mm256_abs_epi32(w);
  const __m256i outer = _mm256_and_si256(color, outerMask);
  const __m256i middle = _mm256_and_si256(_mm256_srli_epi32(color, 8), channel);
  const __m256i outerRoom = _mm256_blendv_epi8(_mm256_sub_epi32(outerMask, outer), outer, darker);
  const __m256i middleRoom = _mm256_blendv_epi8(_mm256_sub_epi32(channel, middle), middle, darker);
  const __m256i outerStep = _mm256_and_si256(
      _mm256_srli_epi32(
          _mm256_add_epi32(_mm256_mullo_epi32(outerRoom, amount), _mm256_set1_epi32(0x00800080)),
          8),
      outerMask);
  const __m256i middleStep = _mm256_slli_epi32(
      _mm256_srli_epi32(
          _mm256_add_epi32(_mm256_mullo_epi32(middleRoom, amount), _mm256_set1_epi32(0x80)), 8),
      8);
  const __m256i step = _mm256_or_si256(outerStep, middleStep);
  return _mm256_add_epi32(color, _mm256_sub_epi32(_mm256_xor_si256(step, darker), darker));
}

// Stores eight colour words as 24 bytes, the first three of each word.
[[gnu::target("avx2"), gnu::always_inline]] inline void StoreEightThreeBytePixels(std::uint8_t* at,
                                                                                  __m256i words) {
  const __m256i toBytes = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i bytes = _mm256_shuffle_epi8(words, toBytes);
  // The lower half's 16-byte store leaves 4 spare bytes that the upper half's 12 cover.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(bytes));
  const __m128i upper = _mm256_extracti128_si256(bytes, 1);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 12), upper);
  const auto last = static_cast<std::uint32_t>(_mm_extract_epi32(upper, 2));
  std::memcpy(at + 20, &last, 4);
}

// The blend eight pixels at a time; the run's last few go through Blend's loops.
template <int kStride>
[[gnu::target("avx2"), gnu::always_inline]] inline void BlendAvx2(const RunJob& job) {
  const std::int32_t* weights = job.weights;
  std::uint8_t* pixels = job.pixels;
  const int count = job.count;
  int i = 0;
  if (job.colors != nullptr) {
    // Each pixel's colour looked up from its sample, blended and stored: the pixels are written
    // once, and never read.
    const auto* table = reinterpret_cast<const int*>(job.colors);
    for (; i + 8 <= count; i += 8) {
      std::uint8_t* at = pixels + static_cast<std::size_t>(i) * kStride;
      const std::uint8_t* raw =
          job.centre + std::size_t{2} * static_cast<std::size_t>(job.firstColumn + i);
      // Eight loads rather than a gather: on the processors measured the gather cost more than
      // the loads it stands for.
      const auto colour = [&](int k) { return table[RawSampleAt(raw, k)]; };
      const __m256i looked = _mm256_setr_epi32(colour(0), colour(1), colour(2), colour(3),
                                               colour(4), colour(5), colour(6), colour(7));
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
      const __m256i blended = BlendEight(looked, w);
      if constexpr (kStride == 4) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), blended);
      } else {
        StoreEightThreeBytePixels(at, blended);
      }
    }
    for (; i < count; ++i) {
      const std::uint32_t color =
          BlendTowards(job.colors[RawSampleAt(job.centre, job.firstColumn + i)], weights[i]);
      std::memcpy(pixels + static_cast<std::size_t>(i) * kStride, &color, kStride);
    }
    return;
  }
  if constexpr (kStride == 4) {
    for (; i + 8 <= count; i += 8) {
      auto* at = reinterpret_cast<__m256i*>(pixels + static_cast<std::size_t>(i) * 4);
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
      _mm256_storeu_si256(at, BlendEight(_mm256_loadu_si256(at), w));
    }
  } else {
    // Eight pixels are 24 bytes: each half of the register takes four, 12 bytes, spread to four
    // words. The upper half's load reads 4 bytes past the eight, hence two more pixels in the run.
    const __m256i toWords = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,
                                             0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    for (; i + 10 <= count; i += 8) {
      std::uint8_t* at = pixels + static_cast<std::size_t>(i) * 3;
      const __m256i bytes =
          _mm256_set_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 12)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
      StoreEightThreeBytePixels(at, BlendEight(_mm256_shuffle_epi8(bytes, toWords), w));
    }
  }
  const RunJob rest{job.columns,
                    job.above,
                    job.centre,
                    job.below,
                    job.firstColumn + i,
                    count - i,
                    job.factors,
                    job.sums,
                    job.differences,
                    job.weights + i,
                    job.pixels + static_cast<std::size_t>(i) * kStride,
                    nullptr};
  Blend<kStride>(rest);
}

template <int kStride, SampleEncoding kEncoding>
[[gnu::target("avx2")]] void ShadeRunAvx2(const RunJob& job) {
  Weights<kEncoding>(job);
  BlendAvx2<kStride>(job);
}
#else
// Elsewhere there is no such path: PathRuns says so, and a shader told to take it anyway takes the
// baseline one.
template <int kStride, SampleEncoding kEncoding>
void ShadeRunAvx2(const RunJob& job) {
  ShadeRunBaseline<kStride, kEncoding>(job);
}
#endif

// The run's loops for the shader's path and the grid's encoding.
template <int kStride, SampleEncoding kEncoding>
void ShadeRunOn(ShadingPath path, const RunJob& job) {
  if (path == ShadingPath::kAvx2) {
    ShadeRunAvx2<kStride, kEncoding>(job);
  } else {
    ShadeRunBaseline<kStride, kEncoding>(job);
  }
}

ShadingPath FastestPath() {
  return ReliefShader::PathRuns(ShadingPath::kAvx2) ? ShadingPath::kAvx2 : ShadingPath::kBaseline;
}

}  // namespace

double EastWestSpacing(const GridGeometry& grid, int row) {
  // The cosine of the latitude is the sine of the angle from the north pole, which is exactly 0
  // at either pole and is counted in whole and half samples.
  const double samplesFromPole =
      grid.latitudes == LatitudeRegistration::kCells ? row + 0.5 : static_cast<double>(row);
  return NorthSouthSpacing(grid) * std::sin(samplesFromPole * SampleRadians(grid));
}

double NorthSouthSpacing(const GridGeometry& grid) {
  return kEarthRadiusMetres * SampleRadians(grid);
}

double EastWestSpacing(int row) {
  return EastWestSpacing(kEtopo5Geometry, row);
}

double NorthSouthSpacing() {
  return NorthSouthSpacing(kEtopo5Geometry);
}

ReliefShader::ReliefShader(const Light& light, const GridGeometry& grid)
    : ReliefShader(light, FastestPath(), grid) {}

ReliefShader::ReliefShader(const Light& light, ShadingPath path, const GridGeometry& grid)
    : sinAlt_(static_cast<float>(std::sin(light.altitude * kRadiansPerDegree))),
      eastTowardsLight_(static_cast<float>(std::cos(light.altitude * kRadiansPerDegree) *
                                           std::sin(light.azimuth * kRadiansPerDegree))),
      northTowardsLight_(static_cast<float>(std::cos(light.altitude * kRadiansPerDegree) *
                                            std::cos(light.azimuth * kRadiansPerDegree))),
      intensityScale_(static_cast<float>(1 / (1 - std::sin(light.altitude * kRadiansPerDegree)))),
      exaggeration_(static_cast<float>(light.exaggeration)),
      cosAlt_(static_cast<float>(std::cos(light.altitude * kRadiansPerDegree))),
      multidirectional_(light.multidirectional),
      path_(path),
      grid_(grid) {}

bool ReliefShader::PathRuns(ShadingPath path) {
  if (path == ShadingPath::kBaseline) return true;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
#else
  return false;
#endif
}

std::int32_t ReliefShader::WeightOf(int row, std::int32_t east, std::int32_t north) const {
  const RowFactors factors =
      FactorsOf(grid_, row, exaggeration_, sinAlt_, cosAlt_, eastTowardsLight_, northTowardsLight_,
                intensityScale_, multidirectional_);
  const auto eastSum = static_cast<float>(east);
  const auto northSum = static_cast<float>(north);
  return multidirectional_ ? MultidirectionalWeightFrom(eastSum, northSum, factors)
                           : WeightFrom(eastSum, northSum, factors);
}

template <int kStride>
void ReliefShader::ShadeRun(int row, const std::uint8_t* above, const std::uint8_t* centre,
                            const std::uint8_t* below, int firstColumn, int count,
                            std::uint8_t* pixels, const std::uint32_t* colors) {
  if (count <= 0) return;
  const bool painted = colors == nullptr;
  const auto paintFlat = [&] {
    for (int i = 0; i < count; ++i) {
      const std::uint32_t color = colors[RawSampleAt(centre, firstColumn + i)];
      std::memcpy(pixels + static_cast<std::size_t>(i) * kStride, &color, kStride);
    }
  };
  // A pole keeps its colour; so do rows past the grid's last that an overlong file holds.
  if (row >= grid_.rows || grid_.RowIsPole(row)) {
    if (!painted) paintFlat();
    return;
  }
  // The baseline path blends painted pixels.
  if (!painted && path_ != ShadingPath::kAvx2) {
    paintFlat();
    colors = nullptr;
  }
  const auto columns = static_cast<std::size_t>(count) + 2;
  if (sums_.size() < columns) {
    sums_.resize(columns);
    differences_.resize(columns);
    weights_.resize(columns);
  }
  const RowFactors factors =
      FactorsOf(grid_, row, exaggeration_, sinAlt_, cosAlt_, eastTowardsLight_, northTowardsLight_,
                intensityScale_, multidirectional_);
  const RunJob job{grid_.columns,       above,           centre,  below,
                   firstColumn,         count,           factors, sums_.data(),
                   differences_.data(), weights_.data(), pixels,  colors};
  if (grid_.encoding == SampleEncoding::kEtopo5) {
    ShadeRunOn<kStride, SampleEncoding::kEtopo5>(path_, job);
  } else {
    ShadeRunOn<kStride, SampleEncoding::kSigned16>(path_, job);
  }
}

template void ReliefShader::ShadeRun<3>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*,
                                        const std::uint32_t*);
template void ReliefShader::ShadeRun<4>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*,
                                        const std::uint32_t*);

}  // namespace orandu
