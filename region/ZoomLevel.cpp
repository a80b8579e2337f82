// Zoom levels from their factors and their texts.
#include "region/ZoomLevel.h"

#include <bit>
#include <charconv>

namespace orandu {

namespace {

// The exponent of a power of two up to 2^largest; nothing for any other number.
std::optional<int> ExponentOf(int factor, int largest) {
  if (factor < 1 || !std::has_single_bit(static_cast<unsigned>(factor))) return std::nullopt;
  const int exponent = std::countr_zero(static_cast<unsigned>(factor));
  if (exponent > largest) return std::nullopt;
  return exponent;
}

// A whole number written plainly: digits only, no sign, no leading zero.
std::optional<int> PlainNumber(std::string_view text) {
  if (text.empty() || text.front() == '0') return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ZoomLevel> ZoomLevel::In(int factor) {
  const auto exponent = ExponentOf(factor, kMostInExponent);
  if (!exponent) return std::nullopt;
  return ZoomLevel(*exponent);
}

std::optional<ZoomLevel> ZoomLevel::Out(int factor) {
  const auto exponent = ExponentOf(factor, -kMostOutExponent);
  if (!exponent) return std::nullopt;
  return ZoomLevel(-*exponent);
}

std::optional<ZoomLevel> ZoomLevel::Parse(std::string_view text) {
  constexpr std::string_view kOneOver = "1/";
  if (text.starts_with(kOneOver)) {
    // 1:1 is written "1" only.
    const auto factor = PlainNumber(text.substr(kOneOver.size()));
    return factor && *factor > 1 ? Out(*factor) : std::nullopt;
  }
  const auto factor = PlainNumber(text);
  return factor ? In(*factor) : std::nullopt;
}

std::string ZoomLevel::ReadOutText() const {
  if (IsOneToOne()) return {};
  const std::string factor = std::to_string(Factor());
  return IsZoomedOut() ? "1:" + factor : factor + ":1";
}

std::string ZoomLevel::ArgumentText() const {
  const std::string factor = std::to_string(Factor());
  return IsZoomedOut() ? "1/" + factor : factor;
}

}  // namespace orandu
