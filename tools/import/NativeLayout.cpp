// Fitting the layout of a grid kept at its own spacing, and writing its raster header.
#include "tools/import/NativeLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "region/grid/GridHeader.h"
#include "tools/import/ImportError.h"
#include "tools/import/ImportReport.h"

namespace orandu {
namespace {

// Stored longitudes may drift by up to a tenth of a step (as the axes allow): a first sample
// that close to 0° lies on it.
constexpr double kToleranceInSteps = 0.1;

constexpr std::size_t kDegreesAround = 360;
constexpr auto kPartsPerDegree = static_cast<double>(kLatticePartsPerDegree);

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.15g", value);
  return text;
}

}  // namespace

NativeLayout FitNativeLayout(const LatitudeAxis& latitude, const LongitudeAxis& longitude) {
  // Counted in intervals, the spacings compare exactly: the axes' steps come from their counts.
  const std::size_t latitudeIntervals =
      latitude.gridRegistered ? latitude.count - 1 : latitude.count;
  const std::size_t columns = longitude.distinct;
  if (2 * latitudeIntervals != columns) {
    throw ImportError("latitudes are " + DescribeSpacing(latitude.step) + " apart and longitudes " +
                      DescribeSpacing(longitude.step) +
                      ": a grid at its own spacing needs the same spacing along both");
  }
  if (columns % kDegreesAround != 0 && kDegreesAround % columns != 0) {
    throw ImportError("the spacing " + DescribeSpacing(longitude.step) +
                      " is neither a whole number of samples per degree nor a whole number of "
                      "degrees: a grid at its own spacing needs one or the other");
  }
  if (!IsShownSpacing(static_cast<std::int64_t>(columns))) {
    throw ImportError("the spacing " + DescribeSpacing(longitude.step) +
                      " is not one the program shows: its samples per degree must divide 14400, "
                      "or its degrees per sample 180");
  }
  NativeLayout layout;
  layout.rows = latitude.count;
  layout.columns = columns;
  layout.step = longitude.step;
  layout.north = latitude.North();
  // The first sample at or east of 0°: the fewest whole steps from the first stored longitude
  // that reach 0° or beyond, taken round the Earth.
  const double stepsToZero = -longitude.first / longitude.step;
  const auto steps = static_cast<long long>(std::ceil(stepsToZero - kToleranceInSteps));
  const auto around = static_cast<long long>(columns);
  layout.firstInputColumn = static_cast<std::size_t>(((steps % around) + around) % around);
  // Stored longitudes carry the noise of their precision (20°10′ kept as 20.1666667): the first
  // sample is put on the lattice every common grid's samples lie on.
  const double west = longitude.first + static_cast<double>(steps) * longitude.step;
  layout.west = std::max(0.0, std::nearbyint(west * kPartsPerDegree) / kPartsPerDegree);
  return layout;
}

std::string FormatRasterHeader(const NativeLayout& layout) {
  return "NROWS " + std::to_string(layout.rows) + "\nNCOLS " + std::to_string(layout.columns) +
         "\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT BIL\nULXMAP " +
         Number(layout.west) + "\nULYMAP " + Number(layout.north) + "\nXDIM " +
         Number(layout.step) + "\nYDIM " + Number(layout.step) + "\n";
}

std::filesystem::path HeaderPath(const std::filesystem::path& output) {
  const std::optional<std::filesystem::path> header = GridHeaderPath(output);
  if (!header) {
    throw OutputError("cannot write " + output.string() +
                      ": its header takes the name with .hdr in place of the extension");
  }
  return *header;
}

}  // namespace orandu
