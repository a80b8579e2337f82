// For each output row or column, the input samples it draws on and how much each one counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/import/GridAxes.h"

namespace orandu {

// How an axis of the input becomes an axis of the output.
enum class AxisResampling {
  kAreaMean,  // finer input: the mean of the input cells overlapping the output cell, by area
  kIdentity,  // same spacing, samples in the same places: the input sample itself
  kBilinear,  // coarser input, or samples elsewhere: linear between the two nearest samples
};

std::string Describe(AxisResampling resampling);

struct WeightedSample {
  std::size_t index = 0;  // along the input axis
  double weight = 0;      // in input steps (area weights: in units of the sine of latitude)
  // The weight in the axis's own whole parts when every weight of the axis is a whole number
  // of them (samples and cell edges on a lattice of 1/8″), so that sums of integer heights are
  // exact; the weight itself otherwise. Only proportions matter.
  double parts = 0;
};

struct AxisWeights {
  AxisResampling resampling = AxisResampling::kIdentity;
  std::vector<std::size_t> begin;  // output i draws on samples[begin[i] ... begin[i + 1])
  std::vector<WeightedSample> samples;

  std::span<const WeightedSample> For(std::size_t output) const& {
    return std::span(samples).subspan(begin[output], begin[output + 1] - begin[output]);
  }
  // The span would outlive a temporary's samples.
  void For(std::size_t output) const&& = delete;
};

// Output rows run southwards from 90° N every 5', input rows are counted from the northernmost
// sample. Area weights are proportional to the cell's true area (the sine of latitude).
AxisWeights LatitudeWeights(const LatitudeAxis& axis);
// Output columns run eastwards from 0° every 5', input columns as in the file, wrapping at 360°.
AxisWeights LongitudeWeights(const LongitudeAxis& axis);

}  // namespace orandu
