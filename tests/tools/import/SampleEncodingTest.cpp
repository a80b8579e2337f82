// The encoding of heights into the grid file's samples: rounding, clamping, depths.
#include "tools/import/SampleEncoding.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orandu {
namespace {

TEST(SampleEncodingTest, RoundsHalvesToEvenAndClampsToWhatTheGridHolds) {
  const struct {
    double metres;
    std::uint16_t raw;
    bool clamped;
  } rows[] = {
      {2.5, 2, false},         {3.5, 4, false},      {-0.5, 0, false},
      {-2.5, 65534, false},    {-1, 65535, false},   {10000.5, 10000, false},  // to even
      {10000.51, 10000, true}, {1e30, 10000, true},  {-55535, 10001, false},
      {-55535.5, 10001, true}, {-1e30, 10001, true}, {-10000, 55536, false},
  };
  for (const auto& row : rows) {
    const EncodedSample sample = EncodeHeight(row.metres);
    EXPECT_EQ(sample.raw, row.raw) << row.metres;
    EXPECT_EQ(sample.clamped, row.clamped) << row.metres;
  }
}

}  // namespace
}  // namespace orandu
