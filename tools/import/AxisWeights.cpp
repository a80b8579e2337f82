// Building the weights that take an input axis to the output's 5' axis.
#include "tools/import/AxisWeights.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>

#include "region/grid/HeightGrid.h"

namespace orandu {
namespace {

constexpr double kOutputStep = 1.0 / SamplesPerDegree;
// Steps within a millionth of 5' count as 5'; positions within a millionth of a step as equal.
constexpr double kSameSpacing = 1e-6;
constexpr double kSamePosition = 1e-6;

double Radians(double degrees) {
  return degrees * std::numbers::pi / 180;
}

bool IsFiner(double step) {
  return step < kOutputStep * (1 - kSameSpacing);
}

// Linear weights at position u, counted in input steps from sample 0; `wrap` samples make a
// circle, or 0 for an axis that ends (positions beyond its ends take the end sample).
void AddLinear(double u, std::size_t count, std::size_t wrap, std::vector<WeightedSample>& out) {
  if (wrap == 0 && u <= 0) {
    out.push_back({0, 1});
    return;
  }
  if (wrap == 0 && u >= static_cast<double>(count - 1)) {
    out.push_back({count - 1, 1});
    return;
  }
  double whole = std::floor(u);
  double fraction = u - whole;
  if (fraction > 1 - kSamePosition) {
    whole += 1;
    fraction = 0;
  }
  const auto at = [&](double index) {
    const auto i = static_cast<std::size_t>(index);
    return wrap == 0 ? i : i % wrap;
  };
  if (fraction < kSamePosition) {
    out.push_back({at(whole), 1});
  } else {
    out.push_back({at(whole), 1 - fraction});
    out.push_back({at(whole + 1), fraction});
  }
}

AxisResampling Classify(const AxisWeights& weights, double step) {
  if (IsFiner(step)) return AxisResampling::kAreaMean;
  for (std::size_t i = 0; i + 1 < weights.begin.size(); ++i) {
    if (weights.begin[i + 1] - weights.begin[i] != 1) return AxisResampling::kBilinear;
  }
  return AxisResampling::kIdentity;
}

// Sets every weight's parts: whole numbers in the weights' proportions, made as small as they
// can be, when each weight is a whole number of lattice parts; else the weights themselves.
void CountParts(AxisWeights& weights, double step) {
  const double partsPerStep = step * static_cast<double>(kLatticePartsPerDegree);
  std::int64_t divisor = 0;
  for (const WeightedSample& sample : weights.samples) {
    const double parts = sample.weight * partsPerStep;
    const double whole = std::nearbyint(parts);
    if (!(std::fabs(parts - whole) < 1e-6 && whole >= 1 && whole < 0x1p52)) {
      for (WeightedSample& each : weights.samples) each.parts = each.weight;
      return;
    }
    divisor = std::gcd(divisor, static_cast<std::int64_t>(whole));
  }
  for (WeightedSample& sample : weights.samples) {
    sample.parts = std::nearbyint(sample.weight * partsPerStep) / static_cast<double>(divisor);
  }
}

}  // namespace

std::string Describe(AxisResampling resampling) {
  switch (resampling) {
    case AxisResampling::kAreaMean:
      return "area-weighted mean";
    case AxisResampling::kIdentity:
      return "identity";
    case AxisResampling::kBilinear:
      return "bilinear";
  }
  return {};
}

AxisWeights LatitudeWeights(const LatitudeAxis& axis) {
  AxisWeights weights;
  const double step = axis.step;
  const double north = axis.North();
  for (int row = 0; row < GridRows; ++row) {
    weights.begin.push_back(weights.samples.size());
    const double latitude = 90 - row * kOutputStep;
    if (!IsFiner(step)) {
      AddLinear((north - latitude) / step, axis.count, 0, weights.samples);
      continue;
    }
    const double top = std::min(90.0, latitude + kOutputStep / 2);
    const double bottom = std::max(-90.0, latitude - kOutputStep / 2);
    // Input row k covers north - (k + 1/2) step ... north - (k - 1/2) step, within the poles.
    const double first = std::floor((north - top) / step + 0.5);
    const double last = std::ceil((north - bottom) / step + 0.5);
    for (double k = std::max(0.0, first); k <= last && k < static_cast<double>(axis.count); ++k) {
      const double cellTop = std::min({top, 90.0, north - (k - 0.5) * step});
      const double cellBottom = std::max({bottom, -90.0, north - (k + 0.5) * step});
      if (cellTop - cellBottom <= step * kSamePosition) continue;
      const double area = std::sin(Radians(cellTop)) - std::sin(Radians(cellBottom));
      weights.samples.push_back({static_cast<std::size_t>(k), area});
    }
  }
  weights.begin.push_back(weights.samples.size());
  weights.resampling = Classify(weights, step);
  CountParts(weights, step);
  return weights;
}

AxisWeights LongitudeWeights(const LongitudeAxis& axis) {
  AxisWeights weights;
  const double step = axis.step;
  for (int column = 0; column < GridColumns; ++column) {
    weights.begin.push_back(weights.samples.size());
    // Positions in input steps east of the first sample, within one turn.
    double centre = (column * kOutputStep - axis.first) / step;
    const double turn = static_cast<double>(axis.distinct);
    centre = std::fmod(centre, turn);
    if (centre < 0) centre += turn;
    if (!IsFiner(step)) {
      AddLinear(centre, axis.distinct, axis.distinct, weights.samples);
      continue;
    }
    // Input column j covers j - 1/2 ... j + 1/2 in these units.
    const double halfWidth = kOutputStep / 2 / step;
    const double west = centre - halfWidth;
    const double east = centre + halfWidth;
    for (double j = std::floor(west + 0.5); j <= std::ceil(east + 0.5); ++j) {
      const double overlap = std::min(east, j + 0.5) - std::max(west, j - 0.5);
      if (overlap <= kSamePosition) continue;
      const double wrapped = std::fmod(j + turn, turn);  // j may be -1 or one turn on
      weights.samples.push_back({static_cast<std::size_t>(wrapped), overlap});
    }
  }
  weights.begin.push_back(weights.samples.size());
  weights.resampling = Classify(weights, step);
  CountParts(weights, step);
  return weights;
}

}  // namespace orandu
