// Turns a height in metres into a grid file's 16-bit sample.
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

// A height rounded to whole metres with halves to the even neighbour, then clamped to
// lowest ... highest.
struct RoundedHeight {
  std::int32_t metres = 0;
  bool clamped = false;  // the height lay outside lowest ... highest
};

inline RoundedHeight RoundAndClamp(double metres, double lowest, double highest) {
  // nearbyint rounds in the default mode, to nearest with ties to even.
  double rounded = std::nearbyint(metres);
  bool clamped = false;
  if (rounded < lowest) {
    rounded = lowest;
    clamped = true;
  } else if (rounded > highest) {
    rounded = highest;
    clamped = true;
  }
  return {static_cast<std::int32_t>(rounded), clamped};
}

// Rounds and clamps to what the grid holds, then stores depths as raw - 65536.
inline EncodedSample EncodeHeight(double metres) {
  const RoundedHeight height = RoundAndClamp(metres, kLowestStorableHeight, kHighestStorableHeight);
  const std::int32_t whole = height.metres;
  return {static_cast<std::uint16_t>(whole < 0 ? whole + 65536 : whole), height.clamped};
}

// A grid at the input's own spacing holds plain signed 16-bit heights.
inline constexpr double kLowestSigned16 = -32768;
inline constexpr double kHighestSigned16 = 32767;

// Rounds and clamps to -32768 ... 32767, stored in two's complement.
inline EncodedSample EncodeSigned16(double metres) {
  const RoundedHeight height = RoundAndClamp(metres, kLowestSigned16, kHighestSigned16);
  return {static_cast<std::uint16_t>(static_cast<std::int16_t>(height.metres)), height.clamped};
}

// Stores a sample as the grid file holds it, low byte first.
inline void StoreSample(std::uint8_t* at, std::uint16_t raw) {
  at[0] = static_cast<std::uint8_t>(raw & 0xFF);
  at[1] = static_cast<std::uint8_t>(raw >> 8);
}

}  // namespace orandu
