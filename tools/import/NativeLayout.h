// The layout of a grid kept at the input's own spacing, and the raster header that describes it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "tools/import/GridAxes.h"

namespace orandu {

// Rows run from the north, columns eastwards from the first input sample at or east of 0°.
struct NativeLayout {
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::size_t firstInputColumn = 0;  // the input column that becomes the first column
  double step = 0;                   // degrees between samples, along both axes
  double west = 0;                   // longitude of the first column, 0 <= west < step
  double north = 0;                  // latitude of the first row
};

// Throws ImportError, naming what is wrong, unless both axes share one spacing that is a whole
// number of samples per degree or a whole number of degrees per sample.
NativeLayout FitNativeLayout(const LatitudeAxis& latitude, const LongitudeAxis& longitude);

// The plain-text raster header for the layout's 16-bit little-endian signed samples.
std::string FormatRasterHeader(const NativeLayout& layout);

// Where the header of `output` lies: the same name with `.hdr` in place of its extension.
// Throws OutputError when that is `output` itself.
std::filesystem::path HeaderPath(const std::filesystem::path& output);

}  // namespace orandu
