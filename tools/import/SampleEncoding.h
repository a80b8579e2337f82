// Turns a height in metres into the grid file's 16-bit sample.
#pragma once

#include <cmath>
#include <cstdint>

namespace orandu {

// The grid reads raw values above 10000 as depths (raw - 65536), so it holds -55535 ... +10000 m.
inline constexpr double kLowestStorableHeight = -55535;
inline constexpr double kHighestStorableHeight = 10000;

struct EncodedSample {
  std::uint16_t raw = 0;
  bool clamped = false;  // the height lay outside what the grid holds
};

// Rounds to whole metres with halves to the even neighbour, then clamps to the storable range.
inline EncodedSample EncodeHeight(double metres) {
  // nearbyint rounds in the default mode, to nearest with ties to even.
  double rounded = std::nearbyint(metres);
  bool clamped = false;
  if (rounded < kLowestStorableHeight) {
    rounded = kLowestStorableHeight;
    clamped = true;
  } else if (rounded > kHighestStorableHeight) {
    rounded = kHighestStorableHeight;
    clamped = true;
  }
  const auto whole = static_cast<std::int32_t>(rounded);
  return {static_cast<std::uint16_t>(whole < 0 ? whole + 65536 : whole), clamped};
}

// Stores a sample as the grid file holds it, low byte first.
inline void StoreSample(std::uint8_t* at, std::uint16_t raw) {
  at[0] = static_cast<std::uint8_t>(raw & 0xFF);
  at[1] = static_cast<std::uint8_t>(raw >> 8);
}

}  // namespace orandu
