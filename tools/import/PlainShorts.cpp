// Decoding stored 16-bit heights: billions of them, so the loop is written to be vectorised.
#include "tools/import/PlainShorts.h"

#include <algorithm>

namespace orandu {

std::size_t DecodePlainShorts(const std::int16_t* stored, std::int16_t* heights, std::size_t count,
                              const PlainShorts& coding, ShortRange& seen) {
  // Locals, not the structs' fields: the stores to `heights` could alias those.
  const std::int32_t lowestValid = coding.lowestValid;
  const std::int32_t highestValid = coding.highestValid;
  const auto [firstMissing, secondMissing] = coding.missing;
  std::int32_t lowest = seen.lowest;
  std::int32_t highest = seen.highest;
  std::uint32_t missing = 0;  // a row holds fewer than 2^32 values
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t value = stored[i];
    const std::int32_t isMissing = (value < lowestValid) | (value > highestValid) |
                                   (value == firstMissing) | (value == secondMissing);
    // Masks, not choices: the compiler vectorises these, and not the same with `?:`.
    const std::int32_t missingMask = -isMissing;
    const std::int32_t kept = value & ~missingMask;  // 0 where missing
    heights[i] = static_cast<std::int16_t>(kept);
    missing += static_cast<std::uint32_t>(isMissing);
    lowest = std::min(lowest, kept | (missingMask & INT32_MAX));
    highest = std::max(highest, kept | (missingMask & INT32_MIN));
  }
  seen = {lowest, highest};
  return missing;
}

}  // namespace orandu
