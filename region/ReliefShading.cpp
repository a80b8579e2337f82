// Horn's slopes on the sphere, the light's incidence and the blend towards white or black.
#include "region/ReliefShading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "region/ShownSamples.h"
#include "region/grid/HeightGrid.h"

namespace orandu {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr double kSampleRadians = kRadiansPerDegree / SamplesPerDegree;
constexpr int kWeightOne = 256;  // w for I = 1

HeightSample HeightOf(const std::uint8_t* row, int column) {
  return DecodeSample(RawSampleAt(row, column));
}

}  // namespace

double EastWestSpacing(int row) {
  // cos(90° - row * 5') = sin(row * 5'), which is exactly 0 at the pole.
  return NorthSouthSpacing() * std::sin(row * kSampleRadians);
}

double NorthSouthSpacing() {
  return kEarthRadiusMetres * kSampleRadians;
}

ReliefShader::ReliefShader(const Light& light)
    : sinAlt_(static_cast<float>(std::sin(light.altitude * kRadiansPerDegree))),
      eastTowardsLight_(static_cast<float>(std::cos(light.altitude * kRadiansPerDegree) *
                                           std::sin(light.azimuth * kRadiansPerDegree))),
      northTowardsLight_(static_cast<float>(std::cos(light.altitude * kRadiansPerDegree) *
                                            std::cos(light.azimuth * kRadiansPerDegree))),
      intensityScale_(static_cast<float>(1 / (1 - std::sin(light.altitude * kRadiansPerDegree)))),
      exaggeration_(static_cast<float>(light.exaggeration)) {}

void ReliefShader::Weights(int row, const std::uint8_t* above, const std::uint8_t* centre,
                           const std::uint8_t* below, int firstColumn, int count) {
  const auto columns = static_cast<std::size_t>(count) + 2;
  if (sums_.size() < columns) {
    sums_.resize(columns);
    differences_.resize(columns);
    weights_.resize(columns);
  }
  // Column k of the sums stands for grid column firstColumn - 1 + k; the outer two may lie across
  // the seam.
  const auto sumAt = [&](int k, int column) {
    const HeightSample top = HeightOf(above, column);
    const HeightSample bottom = HeightOf(below, column);
    sums_[k] = top + 2 * HeightOf(centre, column) + bottom;
    differences_[k] = top - bottom;
  };
  sumAt(0, WrapColumn(firstColumn - 1));
  sumAt(count + 1, WrapColumn(firstColumn + count));
  for (int k = 1; k <= count; ++k) sumAt(k, firstColumn + k - 1);

  // The per-row factors: Horn's divisors with the exaggeration, and the light's direction.
  const double dx = EastWestSpacing(row);
  const auto eastPerSum = static_cast<float>(exaggeration_ / (8 * dx));
  const auto northPerSum = static_cast<float>(exaggeration_ / (8 * NorthSouthSpacing()));
  const float eastLight = eastPerSum * eastTowardsLight_;
  const float northLight = northPerSum * northTowardsLight_;
  const float sinAlt = sinAlt_;
  const float scale = intensityScale_ * kWeightOne;
  const std::int32_t* sums = sums_.data();
  const std::int32_t* differences = differences_.data();
  std::int32_t* weights = weights_.data();
  for (int i = 0; i < count; ++i) {
    const auto east = static_cast<float>(sums[i + 2] - sums[i]);
    const auto north =
        static_cast<float>(differences[i] + 2 * differences[i + 1] + differences[i + 2]);
    const float eastSlope = east * eastPerSum;
    const float northSlope = north * northPerSum;
    const float cosI = (sinAlt - east * eastLight - north * northLight) /
                       std::sqrt(1.0f + eastSlope * eastSlope + northSlope * northSlope);
    // No branches, so that the loop runs four pixels at a time: min and max clamp, and adding a
    // half with the weight's sign before truncating rounds half away from zero.
    const float w =
        std::min(std::max((cosI - sinAlt) * scale, -float{kWeightOne}), float{kWeightOne});
    weights[i] = static_cast<std::int32_t>(w + std::copysign(0.5f, w));
  }
}

template <int kStride>
void ReliefShader::ShadeRun(int row, const std::uint8_t* above, const std::uint8_t* centre,
                            const std::uint8_t* below, int firstColumn, int count,
                            std::uint8_t* pixels) {
  // The pole keeps its colour; so do rows past the grid's last that an overlong file holds.
  if (count <= 0 || row == 0 || row >= GridRows) return;
  Weights(row, above, centre, below, firstColumn, count);
  const std::int32_t* weights = weights_.data();
  // A 4-byte load and store per pixel; with 3-byte pixels the fourth byte is the next pixel's
  // first, which the blend keeps, and the last pixel takes only its own 3 bytes.
  const int wordPixels = kStride == 4 ? count : count - 1;
  for (int i = 0; i < wordPixels; ++i) {
    std::uint8_t* at = pixels + static_cast<std::size_t>(i) * kStride;
    std::uint32_t color;
    std::memcpy(&color, at, 4);
    color = BlendTowards(color, weights[i]);
    std::memcpy(at, &color, 4);
  }
  if constexpr (kStride == 3) {
    std::uint8_t* at = pixels + static_cast<std::size_t>(count - 1) * 3;
    std::uint32_t color = 0;
    std::memcpy(&color, at, 3);
    color = BlendTowards(color, weights[count - 1]);
    std::memcpy(at, &color, 3);
  }
}

template void ReliefShader::ShadeRun<3>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*);
template void ReliefShader::ShadeRun<4>(int, const std::uint8_t*, const std::uint8_t*,
                                        const std::uint8_t*, int, int, std::uint8_t*);

}  // namespace orandu
