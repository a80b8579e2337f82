// Rounding of a quotient of integers to the nearest integer, halves to the even neighbour.
#pragma once

namespace orandu {

// round(numerator / denominator) with ties to even (5/2 -> 2, 7/2 -> 4, -1/2 -> 0), exactly,
// in integer arithmetic. The denominator must be positive.
constexpr int RoundHalfEven(int numerator, int denominator) {
  int quotient = numerator / denominator;  // truncated towards zero
  int remainder = numerator % denominator;
  if (remainder < 0) {  // make it a floor division with a remainder in [0, denominator)
    quotient -= 1;
    remainder += denominator;
  }
  const int twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) quotient += 1;
  return quotient;
}

}  // namespace orandu
