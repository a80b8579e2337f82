// How far the region view is zoomed: a power of two from 1/64 (a pixel covers 64 x 64 samples)
// to 8 (a sample is 8 x 8 pixels).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orandu {

class ZoomLevel {
 public:
  // The finest and coarsest exponents of two: 2^3 = 8 pixels a sample, 2^-6 = 64 samples a pixel.
  static constexpr int kMostInExponent = 3;
  static constexpr int kMostOutExponent = -6;

  // One pixel per sample.
  constexpr ZoomLevel() = default;
  static constexpr ZoomLevel OneToOne() { return ZoomLevel(); }
  static constexpr ZoomLevel MostIn() { return ZoomLevel(kMostInExponent); }
  static constexpr ZoomLevel MostOut() { return ZoomLevel(kMostOutExponent); }
  // Each sample a factor x factor block of pixels: 1, 2, 4 or 8; nothing for any other factor.
  static std::optional<ZoomLevel> In(int factor);
  // Each pixel a factor x factor block of samples: 1, 2, 4 ... 64; nothing for any other factor.
  static std::optional<ZoomLevel> Out(int factor);

  // The level as an argument names it: "8", "4", "2", "1", "1/2" ... "1/64"; nothing for
  // anything else, which ParseErrorText describes.
  static std::optional<ZoomLevel> Parse(std::string_view text);
  static constexpr std::string_view kParseErrorText =
      "the zoom level is one of 8, 4, 2, 1, 1/2, 1/4, 1/8, 1/16, 1/32 and 1/64";

  // The power of two: 3 for 8 pixels a sample, -6 for 64 samples a pixel.
  constexpr int Exponent() const { return exponent_; }
  constexpr bool IsOneToOne() const { return exponent_ == 0; }
  constexpr bool IsZoomedIn() const { return exponent_ > 0; }
  constexpr bool IsZoomedOut() const { return exponent_ < 0; }
  // k: pixels a sample's side zoomed in, samples a pixel's side zoomed out, 1 at 1:1.
  constexpr int Factor() const { return 1 << (exponent_ < 0 ? -exponent_ : exponent_); }

  // The next level in (each sample twice as wide) and out; the ends stay where they are.
  constexpr ZoomLevel Closer() const {
    return ZoomLevel(exponent_ < kMostInExponent ? exponent_ + 1 : exponent_);
  }
  constexpr ZoomLevel Farther() const {
    return ZoomLevel(exponent_ > kMostOutExponent ? exponent_ - 1 : exponent_);
  }

  // The read-out's text, as a scale: "1:8" zoomed out by 8 (a pixel for 8 samples), "8:1" zoomed
  // in by 8, and nothing at 1:1, where the read-out shows no level.
  std::string ReadOutText() const;
  // The level as Parse reads it: "8", "1", "1/64".
  std::string ArgumentText() const;

  constexpr bool operator==(const ZoomLevel&) const = default;

 private:
  constexpr explicit ZoomLevel(int exponent) : exponent_(exponent) {}

  int exponent_ = 0;
};

}  // namespace orandu
