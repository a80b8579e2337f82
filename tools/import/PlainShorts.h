// Stored 16-bit heights that need no unpacking: which of them are missing, and their decoding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orandu {

// Stored 16-bit values that are metres as they stand (no packing): read without a round trip
// through doubles. A value is missing outside lowestValid ... highestValid or when it equals one of
// `missing` (padded with kNoValue, which no 16-bit value equals).
struct PlainShorts {
  static constexpr std::int32_t kNoValue = INT32_MIN;
  std::int32_t lowestValid = INT16_MIN;
  std::int32_t highestValid = INT16_MAX;
  std::array<std::int32_t, 2> missing = {kNoValue, kNoValue};
};

// The lowest and highest valid values decoded so far; lowest above highest while there are none.
struct ShortRange {
  std::int32_t lowest = INT32_MAX;
  std::int32_t highest = INT32_MIN;
};

// Copies `count` stored values to `heights`, 0 in place of the missing ones, widens `seen` by the
// others, and returns how many were missing.
std::size_t DecodePlainShorts(const std::int16_t* stored, std::int16_t* heights, std::size_t count,
                              const PlainShorts& coding, ShortRange& seen);

}  // namespace orandu
