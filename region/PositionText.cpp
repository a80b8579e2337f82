// Sample positions and heights as the region view's read-out writes them.
#include "region/PositionText.h"

#include <cstdio>

#include "region/grid/HeightGrid.h"

namespace orandu {

namespace {

constexpr int kMinutesPerSample = 5;
constexpr int kMinutesNorthPole = 90 * 60;
constexpr int kMinutesHalfTurn = 180 * 60;

// "<word> <degrees>°<minutes>′" for a non-negative angle in arc-minutes.
std::string Angle(const char* word, int minutes) {
  char text[48];
  std::snprintf(text, sizeof text, "%s %d°%02d′", word, minutes / 60, minutes % 60);
  return text;
}

std::string Latitude(int row) {
  const int minutes = kMinutesNorthPole - row * kMinutesPerSample;  // north positive
  if (minutes > 0) return Angle("北緯", minutes);
  if (minutes < 0) return Angle("南緯", -minutes);
  return Angle("緯度", 0);
}

std::string Longitude(int column) {
  const int minutes = column * kMinutesPerSample;  // 0 ... 21595 east of Greenwich
  if (minutes == 0 || minutes == kMinutesHalfTurn) return Angle("経度", minutes);
  if (minutes < kMinutesHalfTurn) return Angle("東経", minutes);
  return Angle("西経", 2 * kMinutesHalfTurn - minutes);
}

}  // namespace

std::string PositionText(GridSample sample) {
  return Latitude(sample.row) + " " + Longitude(sample.column);
}

std::string ReadoutText(GridSample sample, std::optional<HeightSample> height) {
  std::string text = PositionText(sample);
  if (height) text += "  " + std::to_string(*height) + " m";
  return text;
}

}  // namespace orandu
