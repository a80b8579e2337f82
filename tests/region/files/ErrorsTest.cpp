// The texts of the messages built from their parts, to the byte.
#include "region/files/Errors.h"

#include <gtest/gtest.h>

#include <string>

namespace orandu {
namespace {

TEST(ErrorsTest, MessagesWithANumberOrAReason) {
  const struct {
    std::string message;
    std::string expected;
  } rows[] = {
      {FileTooLargeMessage(TooLargeFile::kPalette, 1048577),
       "パレットファイルが大きすぎます (1048577 バイト)"},
      {FileTooLargeMessage(TooLargeFile::kPicture, 18446744073709551615u),
       "画像ファイルが大きすぎます (18446744073709551615 バイト)"},
      {PictureTooLargeMessage(8193, 8192), "画像が大きすぎます (8193 x 8192 ピクセル)"},
      {InvalidPaletteMessage(12), "パレットが不正です (行 12)"},
      {InvalidPngMessage("IDAT: CRC error"), "PNG イメージが不正です (IDAT: CRC error)"},
      {InvalidJpegMessage("Bogus marker length"), "JPEG イメージが不正です (Bogus marker length)"},
  };
  for (const auto& [message, expected] : rows) EXPECT_EQ(message, expected);
}

}  // namespace
}  // namespace orandu
