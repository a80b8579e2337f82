// Letter case folding for keywords and extensions: ASCII capitals only, other bytes kept.
#include "region/files/AsciiCase.h"

#include <gtest/gtest.h>

namespace orandu {
namespace {

TEST(AsciiCaseTest, FoldsOnlyTheTwentySixCapitals) {
  // '@' and '[' border 'A' and 'Z'; "\xC3\x84" is a UTF-8 capital that must stay as it is.
  EXPECT_EQ(LowerCase("@AZ[`az{.JPG\xC3\x84"), "@az[`az{.jpg\xC3\x84");
  EXPECT_EQ(LowerCase(""), "");
}

}  // namespace
}  // namespace orandu
