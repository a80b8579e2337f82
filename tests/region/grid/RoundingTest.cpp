// Halves go to the even neighbour, on both sides of zero.
#include "region/grid/Rounding.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

struct Quotient {
  int numerator;
  int denominator;
  int rounded;
};

std::ostream& operator<<(std::ostream& out, const Quotient& q) {
  return out << q.numerator << "/" << q.denominator;
}

class RoundHalfEvenTest : public ::testing::TestWithParam<Quotient> {};

TEST_P(RoundHalfEvenTest, RoundsToNearestWithTiesToEven) {
  const auto [numerator, denominator, rounded] = GetParam();
  EXPECT_EQ(RoundHalfEven(numerator, denominator), rounded) << numerator << " / " << denominator;
}

INSTANTIATE_TEST_SUITE_P(
    Quotients, RoundHalfEvenTest,
    ::testing::Values(Quotient{5, 2, 2}, Quotient{7, 2, 4}, Quotient{-1, 2, 0}, Quotient{-3, 2, -2},
                      Quotient{-5, 2, -2}, Quotient{441, 2, 220}, Quotient{491, 2, 246},
                      Quotient{489, 2, 244}, Quotient{488, 24, 20}, Quotient{441, 24, 18},
                      Quotient{25, 50, 0}, Quotient{26, 50, 1}, Quotient{75, 50, 2},
                      Quotient{125, 50, 2}, Quotient{175, 50, 4}, Quotient{-25, 50, 0},
                      Quotient{-75, 50, -2}, Quotient{-26, 50, -1}, Quotient{0, 24, 0},
                      Quotient{-9975, 50, -200}, Quotient{-9974, 50, -199}));

}  // namespace
}  // namespace orandu
