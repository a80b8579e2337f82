// Turns a global netCDF height grid into the program's 5' grid file, a band of rows at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "tools/import/AxisWeights.h"
#include "tools/import/GridAxes.h"
#include "tools/import/SampleEncoding.h"
#include "tools/import/Watchdog.h"

namespace orandu {

struct ImportOptions {
  std::optional<std::string> variable;        // the height variable, when the file holds several
  std::function<void(double done)> progress;  // told the fraction done, 0 ... 1, now and then
  std::function<void(ImportStage)> stage;     // told as each stage of the reading begins
};

struct ImportSummary {
  std::string variable;
  std::string type;
  LatitudeAxis latitude;
  LongitudeAxis longitude;
  AxisResampling acrossLatitudes = AxisResampling::kIdentity;  // how rows were made
  AxisResampling acrossLongitudes = AxisResampling::kIdentity;
  std::optional<double> lowest;  // input heights in metres, nullopt when all were missing
  std::optional<double> highest;
  std::uint64_t clamped = 0;     // output samples beyond what the grid file holds
  std::uint64_t filled = 0;      // output samples with some input missing, made from the rest
  std::uint64_t allMissing = 0;  // output samples with every input missing, set to 0
  double storableLowest = kLowestStorableHeight;  // what the output holds, beyond which it clamps
  double storableHighest = kHighestStorableHeight;
  std::optional<std::filesystem::path> header;  // the raster header of a grid at its own spacing
};

// Throws ImportError when the input cannot be turned into the grid or the output not written;
// OUTPUT is then left as it was.
ImportSummary ImportGrid(const std::filesystem::path& input, const std::filesystem::path& output,
                         const ImportOptions& options);

// The output's folder must exist before anything is read: the output is only written once
// values have been read. Throws OutputError otherwise.
void RequireOutputFolder(const std::filesystem::path& output);

}  // namespace orandu
