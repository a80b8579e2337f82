// The latitude and longitude axes of an input grid, checked to be regular and to span the Earth.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace orandu {

struct LatitudeAxis {
  std::size_t count = 0;        // samples along the axis in the file
  double step = 0;              // degrees between neighbouring samples
  bool ascending = false;       // the file's first sample is the southernmost
  bool gridRegistered = false;  // samples on both poles; otherwise at the centres of cells
  double North() const { return gridRegistered ? 90 : 90 - step / 2; }  // northernmost sample
};

struct LongitudeAxis {
  std::size_t count = 0;     // samples along the axis in the file
  std::size_t distinct = 0;  // count, less one when the last sample repeats the first 360° on
  double step = 0;           // degrees between neighbouring samples, eastwards
  double first = 0;          // the first sample's longitude as stored (-180, 0, 20.5 ...)
};

// Both take the coordinate variable's name (for messages) and its values in file order; both
// throw ImportError when the values are not a regular axis spanning the whole Earth. The step is
// taken from the count, so small drifts in stored coordinates (up to a tenth of a step) pass.
LatitudeAxis FitLatitudeAxis(const std::string& name, std::span<const double> values);
LongitudeAxis FitLongitudeAxis(const std::string& name, std::span<const double> values);

}  // namespace orandu
