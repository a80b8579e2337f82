// Colour names are found in any case, from the first of the list to the last, and only those.
#include "region/palette/ColorNames.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

TEST(ColorNamesTest, NamesFromX11AndTheWeb) {
  struct Row {
    const char* name;
    Rgb expected;
  };
  const Row rows[] = {
      {"aliceblue", {240, 248, 255}},   // the first in the list
      {"yellowgreen", {154, 205, 50}},  // the last
      {"White", {255, 255, 255}},      {"DARKORANGE3", {205, 102, 0}}, {"gray80", {204, 204, 204}},
      {"grey80", {204, 204, 204}},     {"gray", {190, 190, 190}},  // X11's grey, not the web's 128
      {"green", {0, 255, 0}},          {"teal", {0, 128, 128}},    // a web name X11 lacks
  };
  for (const Row& row : rows) EXPECT_EQ(ColorByName(row.name), row.expected) << row.name;
}

TEST(ColorNamesTest, UnknownNamesHaveNoColour) {
  for (const char* name : {"", "notacolour", "gray101", "dark orange", "aliceblu", "zzz"}) {
    EXPECT_FALSE(ColorByName(name).has_value()) << name;
  }
}

}  // namespace
}  // namespace orandu
