// Shaded relief: the light a region is painted under and how each sample's slope turns its colour.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/grid/GridGeometry.h"

namespace orandu {

// The light of a shaded paint.
struct Light {
  double azimuth = 315;     // degrees clockwise from north the light comes from
  double altitude = 45;     // degrees above the horizon, 0 <= altitude < 90
  double exaggeration = 1;  // heights are multiplied by this before their slopes are taken
  // Four lights at once instead, from 225°, 270°, 315° and 360° (the azimuth is not used), each
  // weighted by the slope's aspect as ReliefShader says.
  bool multidirectional = false;
  bool operator==(const Light&) const = default;
};

inline constexpr double kEarthRadiusMetres =
    6371008.8;  // the sphere the grid's spacing is measured on

// The ground distance east-west between two neighbouring samples of grid row `row`, in metres:
// the grid's spacing along the parallel at the row's latitude. Zero at a pole.
double EastWestSpacing(const GridGeometry& grid, int row);
// The ground distance north-south between two neighbouring rows: the spacing along a great circle.
double NorthSouthSpacing(const GridGeometry& grid);
// The same in ETOPO5, whose row `row` (0 ... GridRows - 1) lies at 90° - row * 5'.
double EastWestSpacing(int row);
double NorthSouthSpacing();

// Shades the painted pixels of one grid row from the rows around it.
//
// Slopes come from the 3 x 3 neighbourhood by Horn's method,
//   east  = ((c + 2f + i) - (a + 2d + g)) / (8 dx)      a b c   (row above, to the north)
//   north = ((a + 2b + c) - (g + 2h + i)) / (8 dy)      d e f
//                                                       g h i   (row below)
// with heights times the exaggeration, dy the north-south spacing and dx the row's east-west
// spacing. A row on a pole (ETOPO5's first row is the north pole) is a single point from which
// every way is south or north: it has no slope, and is left as flat ground. The light's incidence
// on the surface is
//   cos i = (sin alt - east cos alt sin az - north cos alt cos az) / sqrt(1 + east^2 + north^2),
// so flat ground has cos i = sin alt.
//
// Under the multidirectional light, cos i is the mean of the four lights' cos i_k weighted by
// sin^2(aspect - az_k), aspect the compass bearing the slope falls towards: a light shining
// across the slope counts fully and one along its fall line not at all, so every slope shows
// whichever way it faces. Weights 90° apart add up to 1, so the four add up to 2 and
//   cos i = sum_k sin^2(aspect - az_k) cos i_k / 2,
//   sin^2(aspect - az_k) = (north sin az_k - east cos az_k)^2 / (east^2 + north^2),
// and flat ground, with no aspect, keeps cos i = sin alt.
//
// The colour: the intensity I = (cos i - sin alt) / (1 - sin alt), clamped to -1 ... 1, is 0 on
// flat ground, 1 where the light falls square on and -1 where the slope turned away gets no more
// light than 2 sin alt - 1. Scaling both sides by the lit side's headroom keeps shadows as deep
// as the highlights are bright: ETOPO5's slopes are gentle, and scaling the dark side by its own,
// far larger range would leave the side of a ridge away from the light barely darker than flat
// ground. In 256ths, w = round(256 I), each of the colour's channels c goes towards white when
// w > 0, c + ((255 - c) w + 128) / 256, and towards black when w < 0, c - (c |w| + 128) / 256
// (integer division). Mixing with white or black changes neither the hue nor, for w = 0, anything
// at all: flat ground keeps the bar's colour exactly, and the colour grows lighter monotonically
// with cos i.
// The processor's instructions a shader's row loops use. Both do the same single-precision
// operations, each rounded as IEEE 754 says, on four or on eight pixels at a time, so they paint
// the same pixels.
enum class ShadingPath { kBaseline, kAvx2 };

class ReliefShader {
 public:
  // The fastest path this processor runs, for the samples of a grid of this geometry.
  explicit ReliefShader(const Light& light, const GridGeometry& grid = kEtopo5Geometry);
  // A path of the caller's choice, which the processor must run (see PathRuns).
  ReliefShader(const Light& light, ShadingPath path, const GridGeometry& grid = kEtopo5Geometry);

  static bool PathRuns(ShadingPath path);

  // Shades pixels[0 ... count - 1], the colours of grid row `row`'s columns firstColumn ..., in
  // place. above, centre and below are whole rows of samples as the file stores them. Columns wrap
  // east-west. Pixels are kStride bytes apart and their first three bytes are the colour's
  // channels, in any order.
  //
  // With `colors`, the colours of raw samples, the pixels are painted from the centre row's
  // samples, shaded, in the same pass; whatever they held is not read.
  template <int kStride>
  void ShadeRun(int row, const std::uint8_t* above, const std::uint8_t* centre,
                const std::uint8_t* below, int firstColumn, int count, std::uint8_t* pixels,
                const std::uint32_t* colors = nullptr);

  // The rule every pixel follows: the weight w of a sample of grid row `row` (not a pole)
  // whose Horn sums, in metres before the exaggeration, are east = (c + 2f + i) - (a + 2d + g)
  // and north = (a + 2b + c) - (g + 2h + i). The row loops compute exactly this, many at a time.
  std::int32_t WeightOf(int row, std::int32_t east, std::int32_t north) const;

 private:
  float sinAlt_;
  float eastTowardsLight_;   // cos alt sin az
  float northTowardsLight_;  // cos alt cos az
  float intensityScale_;     // 1 / (1 - sin alt)
  float exaggeration_;
  float cosAlt_;
  bool multidirectional_;
  ShadingPath path_;
  GridGeometry grid_;
  // Per run: the weighted column sums a + 2d + g and differences a - g, one column either side,
  // and each pixel's weight w.
  std::vector<std::int32_t> sums_;
  std::vector<std::int32_t> differences_;
  std::vector<std::int32_t> weights_;
};

// Moves each of the three low bytes of a colour word towards white (w > 0) or black (w < 0) by
// w / 256, as ReliefShader documents; the top byte is kept.
inline std::uint32_t BlendTowards(std::uint32_t color, std::int32_t w) {
  constexpr std::uint32_t kOuter = 0x00FF00FFu;  // the first and third channel, 16 bits apart
  constexpr std::uint32_t kHalf = 0x00800080u;
  // Without branches, so that a row's pixels are blended several at a time: the distance to white
  // or to black is moved by |w| 256ths, then added or, for a negative w, taken away.
  const auto darker = static_cast<std::uint32_t>(w >> 31);  // all ones when w < 0
  const auto amount = static_cast<std::uint32_t>((w ^ (w >> 31)) - (w >> 31));
  const std::uint32_t outer = color & kOuter;
  const std::uint32_t middle = (color >> 8) & 0xFFu;
  const std::uint32_t outerRoom = ((kOuter - outer) & ~darker) | (outer & darker);
  const std::uint32_t middleRoom = ((0xFFu - middle) & ~darker) | (middle & darker);
  const std::uint32_t step =
      (((outerRoom * amount + kHalf) >> 8) & kOuter) | (((middleRoom * amount + 0x80u) >> 8) << 8);
  // Each channel's step is at most its room, so no channel carries into or borrows from the next.
  return color + ((step ^ darker) - darker);
}

}  // namespace orandu
