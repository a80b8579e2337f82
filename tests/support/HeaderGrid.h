// Writing global grids at any spacing with the raster header beside them, for tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace orandu::testing {

// A global grid: samplesPerDegree samples a degree, or one sample every degreesPerSample degrees;
// with cells, its samples are the centres of cells (the first half a sample east of 0° and south
// of 90° N), otherwise they lie on 0° and on both poles.
struct GlobalGridShape {
  int samplesPerDegree = 1;
  int degreesPerSample = 1;
  bool cells = false;

  int Columns() const { return 360 * samplesPerDegree / degreesPerSample; }
  int Rows() const { return Columns() / 2 + (cells ? 0 : 1); }
  double Step() const { return static_cast<double>(degreesPerSample) / samplesPerDegree; }
};

// The header as the native import writes it.
inline std::string HeaderText(const GlobalGridShape& shape) {
  const auto number = [](double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::string(text);
  };
  const double half = shape.cells ? shape.Step() / 2 : 0;
  return "NROWS " + std::to_string(shape.Rows()) + "\nNCOLS " + std::to_string(shape.Columns()) +
         "\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT BIL\nULXMAP " +
         number(half) + "\nULYMAP " + number(90 - half) + "\nXDIM " + number(shape.Step()) +
         "\nYDIM " + number(shape.Step()) + "\n";
}

// Writes `name`.bil with height(row, column) at every sample, low byte first, and `name`.hdr.
inline std::filesystem::path WriteHeaderGrid(const TempDir& dir, const std::string& name,
                                             const GlobalGridShape& shape,
                                             const std::function<int(int, int)>& height) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(std::size_t{2} * static_cast<std::size_t>(shape.Rows()) *
                static_cast<std::size_t>(shape.Columns()));
  for (int row = 0; row < shape.Rows(); ++row) {
    for (int column = 0; column < shape.Columns(); ++column) {
      const auto raw = static_cast<std::uint16_t>(height(row, column));
      bytes.push_back(static_cast<std::uint8_t>(raw & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(raw >> 8));
    }
  }
  dir.Write(name + ".hdr", HeaderText(shape));
  return dir.Write(name + ".bil", bytes);
}

}  // namespace orandu::testing
