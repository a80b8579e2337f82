// Fitting a regular global axis to the coordinates stored in a file.
#include "tools/import/GridAxes.h"

#include <cmath>
#include <sstream>

#include "tools/import/ImportError.h"

namespace orandu {
namespace {

// Stored coordinates may drift from exact multiples of the step (single precision, rounding in
// whatever wrote them); a tenth of a step accepts that and still tells neighbours apart.
constexpr double kToleranceInSteps = 0.1;

std::string Degrees(double value) {
  std::ostringstream text;
  text << value << "°";
  return text.str();
}

void RequireFewestSamples(const std::string& name, std::span<const double> values) {
  if (values.size() < 2) {
    throw ImportError(name + " has " + std::to_string(values.size()) +
                      " values: too few for a grid");
  }
  for (const double value : values) {
    if (!std::isfinite(value)) throw ImportError(name + " holds a value that is not a number");
  }
}

// Every value must lie within the tolerance of first + i * step.
void RequireRegular(const std::string& name, std::span<const double> values, double first,
                    double step) {
  const double tolerance = std::fabs(step) * kToleranceInSteps;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double expected = first + static_cast<double>(i) * step;
    if (!(std::fabs(values[i] - expected) <= tolerance)) {
      throw ImportError(name + " is not regular: " + name + "[" + std::to_string(i) + "] is " +
                        Degrees(values[i]) + ", expected " + Degrees(expected));
    }
  }
}

std::string NotGlobal(const std::string& what, const std::string& name,
                      std::span<const double> values) {
  return what + " " + name + " run from " + Degrees(values.front()) + " to " +
         Degrees(values.back()) + ": not a global grid";
}

}  // namespace

LatitudeAxis FitLatitudeAxis(const std::string& name, std::span<const double> values) {
  RequireFewestSamples(name, values);
  for (const double value : values) {
    if (std::fabs(value) > 90 * (1 + 1e-6)) {
      throw ImportError(name + " holds " + Degrees(value) +
                        ", which is no latitude: not a geographic grid");
    }
  }
  const double intervals = static_cast<double>(values.size() - 1);
  const double measured = (values.back() - values.front()) / intervals;
  const double step = std::fabs(measured);
  LatitudeAxis axis;
  axis.count = values.size();
  axis.ascending = measured > 0;
  const double tolerance = step * kToleranceInSteps;
  if (std::fabs(step * intervals - 180) <= tolerance) {
    axis.gridRegistered = true;
    axis.step = 180 / intervals;
  } else if (std::fabs(step * static_cast<double>(values.size()) - 180) <= tolerance) {
    axis.step = 180 / static_cast<double>(values.size());
  } else {
    throw ImportError(NotGlobal("latitudes", name, values));
  }
  const double first = axis.ascending ? -axis.North() : axis.North();
  if (std::fabs(values.front() - first) > tolerance) {
    throw ImportError(NotGlobal("latitudes", name, values));
  }
  RequireRegular(name, values, first, axis.ascending ? axis.step : -axis.step);
  return axis;
}

LongitudeAxis FitLongitudeAxis(const std::string& name, std::span<const double> values) {
  RequireFewestSamples(name, values);
  for (const double value : values) {
    if (std::fabs(value) > 720) {
      throw ImportError(name + " holds " + Degrees(value) +
                        ", which is no longitude: not a geographic grid");
    }
  }
  const double intervals = static_cast<double>(values.size() - 1);
  const double measured = (values.back() - values.front()) / intervals;
  if (!(measured > 0)) {
    throw ImportError(name + " is not regular: longitudes must increase eastwards");
  }
  LongitudeAxis axis;
  axis.count = values.size();
  const double tolerance = measured * kToleranceInSteps;
  if (std::fabs(measured * intervals - 360) <= tolerance) {
    axis.distinct = values.size() - 1;  // the last column is the first one again
  } else if (std::fabs(measured * static_cast<double>(values.size()) - 360) <= tolerance) {
    axis.distinct = values.size();
  } else {
    throw ImportError(NotGlobal("longitudes", name, values));
  }
  axis.step = 360 / static_cast<double>(axis.distinct);
  RequireRegular(name, values, values.front(), axis.step);
  axis.first = values.front();
  return axis;
}

}  // namespace orandu
