// Horn's slopes on the sphere, the light's incidence and the blend towards white or black.
#include "region/ReliefShading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "region/grid/HeightGrid.h"

namespace orandu {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr int kWeightOne = 256;  // w for I = 1

// The grid's spacing as an angle.
double SampleRadians(const GridGeometry& grid) {
  return kRadiansPerDegree / grid.samplesPerDegree * grid.degreesPerSample;
}

template <SampleEncoding kEncoding>
[[gnu::always_inline]] inline HeightSample SampleHeight(const std::uint8_t* row, int column) {
  return HeightOf(RawSampleAt(row, column), kEncoding);
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
};

template <SampleEncoding kEncoding>
[[gnu::always_inline]] inline void Weights(const RunJob& job) {
  // Copies in registers, the buffers apart from the rows: otherwise each store into a buffer
  // might change what the next load reads, and the loops would run a pixel at a time.
  const std::uint8_t* const above = job.above;
  const std::uint8_t* const centre = job.centre;
  const std::uint8_t* const below = job.below;
  std::int32_t* __restrict const sums = job.sums;
  std::int32_t* __restrict const differences = job.differences;
  std::int32_t* __restrict const weights = job.weights;
  const int firstColumn = job.firstColumn;
  const int count = job.count;
  const RowFactors factors = job.factors;
  // Column k of the sums stands for grid column firstColumn - 1 + k; the outer two may lie across
  // the seam.
  const auto sumAt = [&](int k, int column) {
    const HeightSample top = SampleHeight<kEncoding>(above, column);
    const HeightSample bottom = SampleHeight<kEncoding>(below, column);
    sums[k] = top + 2 * SampleHeight<kEncoding>(centre, column) + bottom;
    differences[k] = top - bottom;
  };
  const auto wrap = [&](int column) { return (column + job.columns) % job.columns; };
  sumAt(0, wrap(firstColumn - 1));
  sumAt(count + 1, wrap(firstColumn + count));
  for (int k = 1; k <= count; ++k) sumAt(k, firstColumn + k - 1);
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
template <int kStride, SampleEncoding kEncoding>
[[gnu::target("avx2")]] void ShadeRunAvx2(const RunJob& job) {
  Weights<kEncoding>(job);
  Blend<kStride>(job);
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
                            std::uint8_t* pixels) {
  // A pole keeps its colour; so do rows past the grid's last that an overlong file holds.
  if (count <= 0 || row >= grid_.rows || grid_.RowIsPole(row)) return;
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
                   differences_.data(), weights_.data(), pixels};
  if (grid_.encoding == SampleEncoding::kEtopo5) {
    ShadeRunOn<kStride, SampleEncoding::kEtopo5>(path_, job);
  } else {
    ShadeRunOn<kStride, SampleEncoding::kSigned16>(path_, job);
  }
}

template void ReliefShader::ShadeRun<3>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*);
template void ReliefShader::ShadeRun<4>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*);

}  // namespace orandu
