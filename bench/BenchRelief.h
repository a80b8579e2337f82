// The benchmark grids' heights: broad continents and basins with metre-scale roughness.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <type_traits>
#include <vector>

namespace orandu::bench {

// Two waves across longitude and latitude span the smooth part; a pseudo-random ±20 m on top
// makes the values compress about as poorly as real relief does. The waves' longitude terms are
// worked out once per column, so that a row costs a few multiplications per sample.
class BenchRelief {
 public:
  // Heights at `longitudes` (degrees east), from `lowest` to `highest` metres, the roughness
  // included.
  BenchRelief(std::span<const double> longitudes, double lowest, double highest)
      : centre_((lowest + highest) / 2),
        scale_((highest - lowest - 2 * kRoughness) / (2 * kSmoothReach)) {
    for (const double longitude : longitudes) {
      const double lambda = longitude * std::numbers::pi / 180;
      wave3_.push_back(std::sin(3 * lambda));
      wave7Sin_.push_back(std::sin(7 * lambda));
      wave7Cos_.push_back(std::cos(7 * lambda));
    }
  }

  // The heights along `latitude` (degrees north), one for each longitude, rounded for integer
  // samples.
  template <typename Sample>
  void FillRow(double latitude, std::span<Sample> row) {
    const double phi = latitude * std::numbers::pi / 180;
    const double cos2 = std::cos(2 * phi);
    const double sin2 = std::sin(2 * phi);
    for (std::size_t j = 0; j < row.size(); ++j) {
      // 3000 sin 3λ cos 2φ + 1500 sin(7λ + 2φ), within ±kSmoothReach.
      const double smooth =
          3000 * wave3_[j] * cos2 + 1500 * (wave7Sin_[j] * cos2 + wave7Cos_[j] * sin2);
      noise_ = noise_ * 1664525u + 1013904223u;
      const double rough =
          static_cast<double>(noise_ >> 8) / (1u << 24) * 2 * kRoughness - kRoughness;
      const double height = centre_ + scale_ * smooth + rough;
      if constexpr (std::is_integral_v<Sample>) {
        row[j] = static_cast<Sample>(std::lround(height));
      } else {
        row[j] = static_cast<Sample>(height);
      }
    }
  }

 private:
  static constexpr double kSmoothReach = 4500;
  static constexpr double kRoughness = 20;

  double centre_;
  double scale_;
  std::vector<double> wave3_;
  std::vector<double> wave7Sin_;
  std::vector<double> wave7Cos_;
  std::uint32_t noise_ = 1;
};

}  // namespace orandu::bench
