// The summary printed when an import has finished.
#pragma once

#include <filesystem>
#include <string>

#include "tools/import/GridImport.h"

namespace orandu {

// A spacing in the units people quote it in: 15″, 2.5′, 1°.
std::string DescribeSpacing(double degrees);

std::string FormatSummary(const ImportSummary& summary, const std::filesystem::path& input,
                          const std::filesystem::path& output);

}  // namespace orandu
