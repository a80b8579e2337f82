// Writing the summary of an import.
#include "tools/import/ImportReport.h"

#include <cmath>
#include <sstream>

namespace orandu {
namespace {

std::string Number(double value) {
  std::ostringstream text;
  text.precision(6);
  text << value;
  return text.str();
}

std::string Method(const ImportSummary& summary) {
  if (summary.acrossLatitudes == summary.acrossLongitudes) {
    return Describe(summary.acrossLatitudes);
  }
  return Describe(summary.acrossLatitudes) + " across latitudes, " +
         Describe(summary.acrossLongitudes) + " across longitudes";
}

}  // namespace

std::string DescribeSpacing(double degrees) {
  // Rounded to a thousandth of the unit: stored coordinates carry noise below that.
  const auto in = [](double value) { return Number(std::round(value * 1000) / 1000); };
  if (degrees >= 1 - 1e-9) return in(degrees) + "°";
  if (degrees * 60 >= 1 - 1e-9) return in(degrees * 60) + "′";
  return in(degrees * 3600) + "″";
}

std::string FormatSummary(const ImportSummary& summary, const std::filesystem::path& input,
                          const std::filesystem::path& output) {
  std::ostringstream text;
  text << "input:     " << input.string() << ", variable " << summary.variable << " ("
       << summary.type << "), " << summary.longitude.count << " × " << summary.latitude.count
       << "\n";
  text << "spacing:   " << DescribeSpacing(summary.latitude.step) << " × "
       << DescribeSpacing(summary.longitude.step) << ", "
       << (summary.latitude.gridRegistered ? "grid-registered" : "cell-registered") << ", latitude "
       << (summary.latitude.ascending ? "ascending" : "descending") << ", longitude from "
       << Number(summary.longitude.first) << "°\n";
  text << "method:    " << (summary.header ? "none, the input's own samples" : Method(summary))
       << "\n";
  if (summary.lowest && summary.highest) {
    text << "values:    " << Number(*summary.lowest) << " … " << Number(*summary.highest) << " m\n";
  } else {
    text << "values:    none (every value is missing)\n";
  }
  text << "clamped:   " << summary.clamped << " samples to " << Number(summary.storableLowest)
       << " … " << Number(summary.storableHighest) << " m\n";
  text << "filled:    " << summary.filled << " samples from their valid neighbours, "
       << summary.allMissing << " with no valid input set to 0\n";
  text << "output:    " << output.string() << "\n";
  if (summary.header) text << "header:    " << summary.header->string() << "\n";
  return text.str();
}

}  // namespace orandu
