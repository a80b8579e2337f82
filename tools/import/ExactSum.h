// The exact sign of a sum of products of doubles, for deciding which side of a tie a mean lies.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace orandu::import {

// Holds the sum as an expansion: doubles that do not overlap, in increasing magnitude, whose
// exact sum is the sum of everything added (each addition splits off its rounding error).
class ExactSum {
 public:
  void AddProduct(double a, double b) {
    const double product = a * b;
    Add(product);
    Add(std::fma(a, b, -product));  // what rounding the product lost
  }

  // -1, 0 or 1.
  int Sign() const {
    for (auto part = parts_.rbegin(); part != parts_.rend(); ++part) {
      if (*part != 0) return *part > 0 ? 1 : -1;
    }
    return 0;
  }

 private:
  void Add(double value) {
    std::size_t kept = 0;
    for (const double part : parts_) {
      const double sum = value + part;
      const double value_share = sum - part;
      const double error = (part - (sum - value_share)) + (value - value_share);
      if (error != 0) parts_[kept++] = error;
      value = sum;
    }
    parts_.resize(kept);
    parts_.push_back(value);
  }

  std::vector<double> parts_;
};

}  // namespace orandu::import
