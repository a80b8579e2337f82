// Walks raw deflate streams block by block through their codes, producing no data.
#include "region/picture/DeflateWalk.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace orandu {

namespace {

enum class BlockType : unsigned { kStored = 0, kFixed = 1, kDynamic = 2 };

constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLitLenSymbols = 288;
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kLongestCode = 15;
constexpr std::array<std::uint8_t, 29> kLengthExtraBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, 30> kDistanceExtraBits = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                             4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                             9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order the code length code's lengths are stored in.
constexpr std::array<std::uint8_t, kCodeLengthSymbols> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Reads bits least significant first. Past the stream's end it reads zeros and counts them, so
// that a cut stream is seen at the end instead of read out of bounds.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // At most 32 bits are asked for at once; Refill makes 56 available.
  void Refill() {
    if (next_ + sizeof(std::uint64_t) <= bytes_.size()) {
      // Eight bytes at once, taking as many whole ones as fit.
      std::uint64_t word = 0;
      for (unsigned i = 0; i < sizeof(word); ++i)
        word |= std::uint64_t{bytes_[next_ + i]} << (8 * i);
      bits_ |= word << count_;
      next_ += (63 - count_) / 8;
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      const std::uint64_t byte = next_ < bytes_.size() ? bytes_[next_] : 0;
      ++next_;
      bits_ |= byte << count_;
      count_ += 8;
    }
  }
  std::uint32_t Peek(unsigned n) const {
    return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
  }
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }
  std::uint32_t Take(unsigned n) {
    if (count_ < n) Refill();
    const std::uint32_t value = Peek(n);
    Drop(n);
    return value;
  }
  void AlignToByte() { Drop(count_ % 8); }
  std::size_t Position() const { return next_ * 8 - count_; }
  bool Overrun() const { return Position() > bytes_.size() * 8; }
  // Skips whole bytes once aligned.
  void SkipBytes(std::size_t n) {
    const std::size_t held = std::min<std::size_t>(n, count_ / 8);
    Drop(static_cast<unsigned>(held * 8));
    next_ += n - held;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t next_ = 0;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// A canonical Huffman code as one lookup table over its longest code's bits: each entry holds
// the symbol and its code's length (0 for bits that begin no code).
class HuffmanTable {
 public:
  bool Build(std::span<const std::uint8_t> lengths) {
    std::array<unsigned, kLongestCode + 1> counts{};
    for (const std::uint8_t length : lengths) ++counts[length];
    counts[0] = 0;
    bits_ = 0;
    for (unsigned length = 1; length <= kLongestCode; ++length)
      if (counts[length] != 0) bits_ = length;
    if (bits_ == 0) {  // a code never used, such as the distances of a block without matches
      entries_.assign(1, 0);
      return true;
    }
    std::array<unsigned, kLongestCode + 2> next{};
    unsigned code = 0;
    for (unsigned length = 1; length <= kLongestCode; ++length) {
      code = (code + counts[length - 1]) << 1;
      next[length] = code;
    }
    entries_.assign(std::size_t{1} << bits_, 0);
    for (unsigned symbol = 0; symbol < lengths.size(); ++symbol) {
      const unsigned length = lengths[symbol];
      if (length == 0) continue;
      const unsigned assigned = next[length]++;
      if (assigned >= (1u << length)) return false;  // more codes than the lengths allow
      unsigned reversed = 0;
      for (unsigned bit = 0; bit < length; ++bit)
        reversed |= ((assigned >> bit) & 1u) << (length - 1 - bit);
      for (std::size_t index = reversed; index < entries_.size(); index += std::size_t{1} << length)
        entries_[index] = static_cast<std::uint16_t>(symbol << 4 | length);
    }
    return true;
  }
  // The next symbol, or nothing for bits that begin no code.
  std::optional<unsigned> Decode(BitReader& reader) const {
    const std::uint16_t entry = entries_[reader.Peek(bits_)];
    const unsigned length = entry & 15u;
    if (length == 0) return std::nullopt;
    reader.Drop(length);
    return entry >> 4;
  }

 private:
  unsigned bits_ = 0;
  std::vector<std::uint16_t> entries_;
};

bool ReadDynamicCodes(BitReader& reader, HuffmanTable& litLen, HuffmanTable& distance) {
  const unsigned litLenCount = reader.Take(5) + 257;
  const unsigned distanceCount = reader.Take(5) + 1;
  const unsigned codeLengthCount = reader.Take(4) + 4;
  std::array<std::uint8_t, kCodeLengthSymbols> codeLengthLengths{};
  for (unsigned i = 0; i < codeLengthCount; ++i)
    codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(reader.Take(3));
  HuffmanTable codeLengths;
  if (!codeLengths.Build(codeLengthLengths)) return false;
  std::array<std::uint8_t, kLitLenSymbols + kDistanceSymbols> lengths{};
  const unsigned total = litLenCount + distanceCount;
  for (unsigned i = 0; i < total;) {
    reader.Refill();
    const std::optional<unsigned> symbol = codeLengths.Decode(reader);
    if (!symbol) return false;
    if (*symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(*symbol);
      continue;
    }
    std::uint8_t repeated = 0;
    unsigned times = 0;
    if (*symbol == 16) {
      if (i == 0) return false;
      repeated = lengths[i - 1];
      times = 3 + reader.Take(2);
    } else if (*symbol == 17) {
      times = 3 + reader.Take(3);
    } else {
      times = 11 + reader.Take(7);
    }
    if (i + times > total) return false;
    std::fill_n(lengths.begin() + i, times, repeated);
    i += times;
  }
  return litLen.Build(std::span(lengths).first(litLenCount)) &&
         distance.Build(std::span(lengths).subspan(litLenCount, distanceCount));
}

void FixedCodes(HuffmanTable& litLen, HuffmanTable& distance) {
  std::array<std::uint8_t, kLitLenSymbols> lengths{};
  std::fill(lengths.begin(), lengths.begin() + 144, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  std::fill(lengths.begin() + 280, lengths.end(), 8);
  litLen.Build(lengths);
  std::array<std::uint8_t, kDistanceSymbols> distances{};
  distances.fill(5);
  distance.Build(distances);
}

// Skips a Huffman-coded block's symbols up to its end-of-block code.
bool SkipSymbols(BitReader& reader, const HuffmanTable& litLen, const HuffmanTable& distance) {
  for (;;) {
    if (reader.Overrun()) return false;
    reader.Refill();
    // Three literals' codes fit in what one refill holds, and most symbols are literals.
    std::optional<unsigned> symbol;
    for (int literal = 0; literal < 3; ++literal) {
      symbol = litLen.Decode(reader);
      if (!symbol || *symbol >= kEndOfBlock) break;
    }
    if (!symbol) return false;
    if (*symbol < kEndOfBlock) continue;
    if (*symbol == kEndOfBlock) return true;
    const unsigned lengthCode = *symbol - kEndOfBlock - 1;
    if (lengthCode >= kLengthExtraBits.size()) return false;
    reader.Drop(kLengthExtraBits[lengthCode]);
    const std::optional<unsigned> distanceCode = distance.Decode(reader);
    if (!distanceCode || *distanceCode >= kDistanceExtraBits.size()) return false;
    reader.Drop(kDistanceExtraBits[*distanceCode]);
  }
}

}  // namespace

std::optional<FinalBlockBits> FindFinalBlock(std::span<const std::uint8_t> stream) {
  BitReader reader(stream);
  HuffmanTable litLen;
  HuffmanTable distance;
  for (;;) {
    const std::size_t header = reader.Position();
    const bool final = reader.Take(1) != 0;
    switch (static_cast<BlockType>(reader.Take(2))) {
      case BlockType::kStored: {
        reader.AlignToByte();
        const std::uint32_t length = reader.Take(16);
        if ((reader.Take(16) ^ length) != 0xffff) return std::nullopt;
        reader.SkipBytes(length);
        break;
      }
      case BlockType::kFixed:
        FixedCodes(litLen, distance);
        if (!SkipSymbols(reader, litLen, distance)) return std::nullopt;
        break;
      case BlockType::kDynamic:
        if (!ReadDynamicCodes(reader, litLen, distance) || !SkipSymbols(reader, litLen, distance))
          return std::nullopt;
        break;
      default:
        return std::nullopt;
    }
    if (reader.Overrun()) return std::nullopt;
    if (final) return FinalBlockBits{header, reader.Position()};
  }
}

}  // namespace orandu
