// Finding where a raw deflate stream's final block starts and where the stream ends, in bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace orandu {

struct FinalBlockBits {
  std::size_t header = 0;  // the final block's first header bit (its BFINAL bit)
  std::size_t end = 0;     // just past the stream's last bit
};

// Walks the stream block by block, decoding the codes without producing the data. Nothing when
// the stream is malformed or cut short.
std::optional<FinalBlockBits> FindFinalBlock(std::span<const std::uint8_t> stream);

}  // namespace orandu
