// Bitmap files of every kind paint programs write, and every way a bitmap file can be broken.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kTeal{0, 128, 128};

enum class HeaderSize : std::uint32_t {
  kOs2Core = 12,
  kWindows3 = 40,
  kRgbMasks = 52,
  kRgbaMasks = 56,
  kWindows95 = 108,
  kWindows98 = 124,
  kUnknown = 64,
};

enum class Compression : std::uint32_t {
  kNone = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
  kJpeg = 4,
  kUnknown = 9,
};

// What goes into a hand-made bitmap file; the builder lays the bytes out as a writer would.
struct BmpLayout {
  HeaderSize header = HeaderSize::kWindows3;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bits = 24;
  Compression compression = Compression::kNone;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> masks{};  // in the header's own fields, or after a 40-byte header
  std::vector<Rgb> palette{};
  std::vector<std::uint8_t> pixels{};  // exactly as stored: bottom row first unless top-down
  std::optional<std::uint32_t> pixelOffset{};  // default: right after the palette
  std::optional<std::uint32_t> imageSize{};    // default: the size of `pixels`
};

class LittleEndian {
 public:
  void U8(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
  void U16(std::uint32_t value) {
    U8(value);
    U8(value >> 8);
  }
  void U32(std::uint32_t value) {
    U16(value);
    U16(value >> 16);
  }
  void Zeros(std::size_t count) { bytes_.resize(bytes_.size() + count); }
  void Append(const std::vector<std::uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
  }
  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_{};
};

std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout) {
  const auto headerSize = static_cast<std::uint32_t>(layout.header);
  const bool core = layout.header == HeaderSize::kOs2Core;
  const std::size_t masksAfterHeader =
      layout.header == HeaderSize::kWindows3 ? layout.masks.size() * 4 : 0;
  const std::size_t paletteBytes = layout.palette.size() * (core ? 3 : 4);
  const auto offset = static_cast<std::uint32_t>(14 + headerSize + masksAfterHeader + paletteBytes);
  const auto pixelBytes = static_cast<std::uint32_t>(layout.pixels.size());

  LittleEndian out;
  out.U8('B');
  out.U8('M');
  out.U32(offset + pixelBytes);
  out.U32(0);
  out.U32(layout.pixelOffset.value_or(offset));
  out.U32(headerSize);
  if (core) {
    out.U16(static_cast<std::uint32_t>(layout.width));
    out.U16(static_cast<std::uint32_t>(layout.height));
    out.U16(1);
    out.U16(layout.bits);
  } else {
    out.U32(static_cast<std::uint32_t>(layout.width));
    out.U32(static_cast<std::uint32_t>(layout.height));
    out.U16(1);
    out.U16(layout.bits);
    out.U32(static_cast<std::uint32_t>(layout.compression));
    out.U32(layout.imageSize.value_or(pixelBytes));
    out.U32(3780);
    out.U32(3780);
    out.U32(layout.colorsUsed);
    out.U32(0);
    if (layout.header != HeaderSize::kWindows3) {
      for (std::uint32_t mask : layout.masks) out.U32(mask);
      out.Zeros(14 + headerSize - out.size());
    }
  }
  if (layout.header == HeaderSize::kWindows3) {
    for (std::uint32_t mask : layout.masks) out.U32(mask);
  }
  for (const Rgb& color : layout.palette) {
    out.U8(color.blue);
    out.U8(color.green);
    out.U8(color.red);
    if (!core) out.U8(0);
  }
  out.Append(layout.pixels);
  return out.Take();
}

Picture MakePicture(int width, int height, std::vector<Rgb> topDownPixels) {
  return {width, height, std::move(topDownPixels)};
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
  try {
    DecodeBmp(bytes);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

// 24-bit pixels of a 3 x 2 picture, red green blue over yellow white black.
const std::vector<std::uint8_t> kRgbRowsBottomUp = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0, 0, 0,  // bottom row, padded to 12
    0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,  // top row
};
const Picture kRgbPicture = MakePicture(3, 2, {kRed, kGreen, kBlue, kYellow, kWhite, kBlack});

BmpLayout TwentyFourBit() {
  return {.width = 3, .height = 2, .pixels = kRgbRowsBottomUp};
}

TEST(BmpDecodeTest, EmptyFileIsAnEmptyPicture) {
  const Picture picture = DecodeBmp({});
  EXPECT_EQ(picture.width, 0);
  EXPECT_EQ(picture.height, 0);
  EXPECT_TRUE(picture.pixels.empty());
}

struct KindCase {
  std::string name;
  std::vector<std::uint8_t> file{};

  void PrintTo(const KindCase& test, std::ostream* out) { *out << test.name; }
  Picture expected;
};

class BmpKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(BmpKindTest, DecodesToTopDownRgb) {
  const Picture picture = DecodeBmp(GetParam().file);
  EXPECT_EQ(picture.width, GetParam().expected.width);
  EXPECT_EQ(picture.height, GetParam().expected.height);
  EXPECT_EQ(picture.pixels, GetParam().expected.pixels);
}

std::vector<KindCase> KindCases() {
  std::vector<KindCase> cases;
  cases.push_back({"TwentyFourBitBottomUp", BuildBmp(TwentyFourBit()), kRgbPicture});

  BmpLayout topDown = TwentyFourBit();
  topDown.height = -2;
  topDown.pixels = {kRgbRowsBottomUp.begin() + 12, kRgbRowsBottomUp.end()};
  topDown.pixels.insert(topDown.pixels.end(), kRgbRowsBottomUp.begin(),
                        kRgbRowsBottomUp.begin() + 12);
  cases.push_back({"TwentyFourBitTopDown", BuildBmp(topDown), kRgbPicture});

  for (HeaderSize header : {HeaderSize::kOs2Core, HeaderSize::kWindows95, HeaderSize::kWindows98}) {
    BmpLayout layout = TwentyFourBit();
    layout.header = header;
    cases.push_back({"TwentyFourBitHeader" + std::to_string(static_cast<int>(header)),
                     BuildBmp(layout), kRgbPicture});
  }

  // Width 9 makes each row run into a second byte and be padded to four.
  cases.push_back(
      {"OneBitPadded",
       BuildBmp({.width = 9,
                 .height = 2,
                 .bits = 1,
                 .palette = {kNavy, kYellow},
                 .pixels = {0x00, 0x80, 0, 0, 0xAA, 0x80, 0, 0}}),
       MakePicture(9, 2,
                   {kYellow, kNavy, kYellow, kNavy, kYellow, kNavy, kYellow, kNavy, kYellow, kNavy,
                    kNavy, kNavy, kNavy, kNavy, kNavy, kNavy, kNavy, kYellow})});

  cases.push_back({"FourBitWithThreeColoursUsed",
                   BuildBmp({.width = 3,
                             .height = 1,
                             .bits = 4,
                             .colorsUsed = 3,
                             .palette = {kRed, kGreen, kBlue},
                             .pixels = {0x20, 0x10, 0, 0}}),
                   MakePicture(3, 1, {kBlue, kRed, kGreen})});

  std::vector<Rgb> sixteenColours(16, kBlack);
  sixteenColours[5] = kTeal;
  sixteenColours[15] = kWhite;
  cases.push_back({"Os2FourBitThreeBytePalette",
                   BuildBmp({.header = HeaderSize::kOs2Core,
                             .width = 2,
                             .height = 1,
                             .bits = 4,
                             .palette = sixteenColours,
                             .pixels = {0x5F, 0, 0, 0}}),
                   MakePicture(2, 1, {kTeal, kWhite})});

  cases.push_back({"EightBit",
                   BuildBmp({.width = 2,
                             .height = 2,
                             .bits = 8,
                             .colorsUsed = 4,
                             .palette = {kBlack, kRed, kGreen, kBlue},
                             .pixels = {3, 2, 0, 0, 1, 0, 0, 0}}),
                   MakePicture(2, 2, {kRed, kBlack, kBlue, kGreen})});

  // No colour count, but the pixels start right after two palette entries.
  cases.push_back(
      {"PaletteEndsWhereThePixelsBegin",
       BuildBmp(
           {.width = 2, .height = 1, .bits = 8, .palette = {kRed, kBlue}, .pixels = {1, 0, 0, 0}}),
       MakePicture(2, 1, {kBlue, kRed})});

  // 0x4210 holds 16 in each 5-bit channel: 16 / 31 of full scale.
  cases.push_back({"SixteenBitDefaultFiveFiveFive",
                   BuildBmp({.width = 3,
                             .height = 2,
                             .bits = 16,
                             .pixels = {0xFF, 0x7F, 0x00, 0x00, 0x10, 0x42, 0, 0,  // bottom
                                        0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}}),
                   MakePicture(3, 2, {kRed, kGreen, kBlue, kWhite, kBlack, {132, 132, 132}})});

  cases.push_back({"SixteenBitFiveSixFiveMasksAfterHeader",
                   BuildBmp({.width = 2,
                             .height = 2,
                             .bits = 16,
                             .compression = Compression::kBitfields,
                             .masks = {0xF800, 0x07E0, 0x001F},
                             .pixels = {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07}}),
                   MakePicture(2, 2, {kRed, kGreen, kBlue, kWhite})});

  // An alpha bit on top of 5-5-5, its masks in a 56-byte header; alpha is not colour.
  cases.push_back({"SixteenBitMasksInHeader",
                   BuildBmp({.header = HeaderSize::kRgbaMasks,
                             .width = 2,
                             .height = 1,
                             .bits = 16,
                             .compression = Compression::kBitfields,
                             .masks = {0x7C00, 0x03E0, 0x001F, 0x8000},
                             .pixels = {0x00, 0xFC, 0x1F, 0x00}}),
                   MakePicture(2, 1, {kRed, kBlue})});

  cases.push_back({"ThirtyTwoBitIgnoresTheFourthByte",
                   BuildBmp({.width = 2,
                             .height = 1,
                             .bits = 32,
                             .pixels = {0x80, 0x80, 0x00, 0x7F, 0xFF, 0x00, 0x00, 0xFF}}),
                   MakePicture(2, 1, {kTeal, kBlue})});

  cases.push_back({"ThirtyTwoBitRgbaOrderMasks",
                   BuildBmp({.header = HeaderSize::kWindows98,
                             .width = 2,
                             .height = 1,
                             .bits = 32,
                             .compression = Compression::kBitfields,
                             .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                             .pixels = {0xFF, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0xFF}}),
                   MakePicture(2, 1, {kRed, kTeal})});

  // Ten bits a channel: 512 of 1023 is a hair over half.
  cases.push_back({"ThirtyTwoBitTenBitChannels",
                   BuildBmp({.header = HeaderSize::kRgbMasks,
                             .width = 1,
                             .height = 1,
                             .bits = 32,
                             .compression = Compression::kBitfields,
                             .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
                             .pixels = {0xFF, 0x03, 0x08, 0x00}}),
                   MakePicture(1, 1, {{0, 128, 255}})});

  // Palette entry 0 is white, so the pixels no run reaches show they are black, not entry 0.
  const std::vector<Rgb> runPalette = {kWhite, kRed, kGreen, kBlue};
  cases.push_back({"Rle8EveryCode",
                   BuildBmp({.width = 4,
                             .height = 3,
                             .bits = 8,
                             .compression = Compression::kRle8,
                             .palette = runPalette,
                             .pixels = {3, 1,              // bottom row: run of three reds
                                        0, 0,              // end of line
                                        0, 3, 2, 1, 2, 0,  // absolute run of 3, padded
                                        1, 3, 0, 0,        // one blue, end of line
                                        0, 2, 2, 0,        // delta: two to the right
                                        2, 1,              // two reds
                                        0, 1}}),           // end of bitmap
                   MakePicture(4, 3,
                               {kBlack, kBlack, kRed, kRed, kGreen, kRed, kGreen, kBlue, kRed, kRed,
                                kRed, kBlack})});

  cases.push_back(
      {"Rle4EveryCode",
       BuildBmp({.width = 5,
                 .height = 2,
                 .bits = 4,
                 .compression = Compression::kRle4,
                 .palette = runPalette,
                 .pixels = {0, 5, 0x12, 0x31, 0x20, 0,  // absolute 5, padded
                            0, 0,                       // end of line
                            3, 0x12,                    // 1 2 1
                            0, 2, 1, 0,                 // delta: skip one
                            1, 0x30,                    // 3
                            0, 1}}),
       MakePicture(5, 2, {kRed, kGreen, kRed, kBlack, kBlue, kRed, kGreen, kBlue, kRed, kGreen})});

  // Runs longer than the row, and a delta far past the top, are clipped, never wrapped.
  cases.push_back({"RleRunsPastTheEdgesAreClipped",
                   BuildBmp({.width = 3,
                             .height = 2,
                             .bits = 8,
                             .compression = Compression::kRle8,
                             .palette = runPalette,
                             .pixels = {10, 1, 2,   2,   0,   0,  // bottom: 10 reds, 2 greens
                                        0,  2, 2,   0,   4,   3,  // delta to x 2, four blues
                                        0,  2, 250, 250, 255, 1,  // far away, 255 reds
                                        0,  1}}),
                   MakePicture(3, 2, {kBlack, kBlack, kBlue, kRed, kRed, kRed})});

  // A writer that closes the last row with an end of line and stops there.
  cases.push_back({"RleWithoutEndOfBitmapAfterTheLastRow",
                   BuildBmp({.width = 1,
                             .height = 2,
                             .bits = 8,
                             .compression = Compression::kRle8,
                             .palette = runPalette,
                             .pixels = {1, 1, 0, 0, 1, 2, 0, 0}}),
                   MakePicture(1, 2, {kGreen, kRed})});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, BmpKindTest, ::testing::ValuesIn(KindCases()),
                         [](const auto& test) { return test.param.name; });

struct BrokenCase {
  std::string name;
  std::vector<std::uint8_t> file{};

  void PrintTo(const BrokenCase& test, std::ostream* out) { *out << test.name; }
  std::string_view message;
};

class BmpBrokenTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BmpBrokenTest, RefusedWithTheUsersMessage) {
  EXPECT_EQ(DecodeError(GetParam().file), GetParam().message);
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> WithU32(std::vector<std::uint8_t> bytes, std::size_t at,
                                  std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

BmpLayout Modified(BmpLayout layout, auto change) {
  change(layout);
  return layout;
}

BmpLayout EightBitRle(std::vector<std::uint8_t> data) {
  return {.width = 2,
          .height = 2,
          .bits = 8,
          .compression = Compression::kRle8,
          .palette = {kRed, kGreen},
          .pixels = std::move(data)};
}

std::vector<BrokenCase> BrokenCases() {
  constexpr std::string_view kCutShort = "ストリームからの読み込みエラー";
  constexpr std::string_view kInvalid = "ビットマップイメージが不正です";
  const std::vector<std::uint8_t> good = BuildBmp(TwentyFourBit());
  const BmpLayout fiveSixFive = {.width = 1,
                                 .height = 1,
                                 .bits = 16,
                                 .compression = Compression::kBitfields,
                                 .masks = {0xF800, 0x07E0, 0x001F},
                                 .pixels = {0, 0, 0, 0}};
  const auto withMasks = [&](std::vector<std::uint32_t> masks) {
    return BuildBmp(Modified(fiveSixFive, [&](BmpLayout& s) { s.masks = masks; }));
  };
  const auto withHeader = [&](auto change) { return BuildBmp(Modified(TwentyFourBit(), change)); };

  std::vector<std::uint8_t> notBm = good;
  notBm[0] = 'X';
  return {
      {"OneByte", {'B'}, kCutShort},
      {"ShorterThanTheFileHeader", Truncated(good, 13), kCutShort},
      {"FileHeaderOnly", Truncated(good, 14), kCutShort},
      {"InfoHeaderCutShort", Truncated(good, 30), kCutShort},
      {"PixelDataOneByteShort", Truncated(good, good.size() - 1), kCutShort},
      {"PixelOffsetPastTheEnd", WithU32(good, 10, 100000), kCutShort},
      {"HugeHeaderInATinyFile", withHeader([](BmpLayout& s) { s.width = s.height = 60000; }),
       kCutShort},
      {"PaletteCutShort",
       Truncated(BuildBmp({.bits = 8, .palette = {kRed, kGreen}, .pixels = {0, 0, 0, 0}}), 58),
       kCutShort},
      {"MasksCutShort", Truncated(withMasks({0xF800, 0x07E0, 0x001F}), 60), kCutShort},
      {"RleEndsInsideARun", BuildBmp(EightBitRle({2})), kCutShort},
      {"RleAbsoluteRunCutShort", BuildBmp(EightBitRle({0, 2, 1})), kCutShort},
      {"RleEndsBeforeTheLastRow", BuildBmp(EightBitRle({2, 1, 0, 0})), kCutShort},
      {"RleImageSizePastTheEnd",
       BuildBmp(Modified(EightBitRle({0, 1}), [](BmpLayout& s) { s.imageSize = 1000; })),
       kCutShort},

      {"NotStartingWithBm", notBm, kInvalid},
      {"UnknownHeaderSize", withHeader([](BmpLayout& s) { s.header = HeaderSize::kUnknown; }),
       kInvalid},
      {"ZeroWidth", withHeader([](BmpLayout& s) { s.width = 0; }), kInvalid},
      {"NegativeWidth", withHeader([](BmpLayout& s) { s.width = -3; }), kInvalid},
      {"ZeroHeight", withHeader([](BmpLayout& s) { s.height = 0; }), kInvalid},
      {"TwoBitsPerPixel", withHeader([](BmpLayout& s) { s.bits = 2; }), kInvalid},
      {"ZeroBitsPerPixel", withHeader([](BmpLayout& s) { s.bits = 0; }), kInvalid},
      {"Os2SixteenBits", withHeader([](BmpLayout& s) {
         s.header = HeaderSize::kOs2Core;
         s.bits = 16;
       }),
       kInvalid},
      {"JpegCompression", withHeader([](BmpLayout& s) { s.compression = Compression::kJpeg; }),
       kInvalid},
      {"UnknownCompression",
       withHeader([](BmpLayout& s) { s.compression = Compression::kUnknown; }), kInvalid},
      {"Rle8OfTwentyFourBits", withHeader([](BmpLayout& s) { s.compression = Compression::kRle8; }),
       kInvalid},
      {"Rle4OfEightBits",
       BuildBmp(
           Modified(EightBitRle({0, 1}), [](BmpLayout& s) { s.compression = Compression::kRle4; })),
       kInvalid},
      {"TopDownRle", BuildBmp(Modified(EightBitRle({0, 1}), [](BmpLayout& s) { s.height = -2; })),
       kInvalid},
      {"BitfieldsOfTwentyFourBits", withHeader([](BmpLayout& s) {
         s.compression = Compression::kBitfields;
         s.masks = {0xFF0000, 0xFF00, 0xFF};
       }),
       kInvalid},
      {"ZeroMask", withMasks({0xF800, 0, 0x001F}), kInvalid},
      {"OverlappingMasks", withMasks({0xF800, 0x0FE0, 0x001F}), kInvalid},
      {"MaskWithAGap", withMasks({0xF800, 0x05E0, 0x001F}), kInvalid},
      {"MaskBeyondSixteenBits", withMasks({0x1F0000, 0x07E0, 0x001F}), kInvalid},
      {"PixelOffsetInsideTheHeader", WithU32(good, 10, 20), kInvalid},
      {"PaletteIndexOutOfRange",
       BuildBmp({.bits = 8, .colorsUsed = 2, .palette = {kRed, kGreen}, .pixels = {2, 0, 0, 0}}),
       kInvalid},
      {"RlePaletteIndexOutOfRange", BuildBmp(EightBitRle({1, 7, 0, 1})), kInvalid},
  };
}

INSTANTIATE_TEST_SUITE_P(Broken, BmpBrokenTest, ::testing::ValuesIn(BrokenCases()),
                         [](const auto& test) { return test.param.name; });

TEST(BmpDecodeTest, RefusesPicturesOverThePixelLimit) {
  // Run-length data can claim any size in a few bytes; the limit stops it before allocation.
  const auto rle = BuildBmp(Modified(EightBitRle({0, 1}), [](BmpLayout& s) {
    s.width = 10000;
    s.height = 10000;
  }));
  EXPECT_EQ(DecodeError(rle), "画像が大きすぎます (10000 x 10000 ピクセル)");

  // One pixel over the limit, with every byte of its pixel data present.
  constexpr int kSide = 8193;
  const std::size_t stride = (kSide + 31) / 32 * 4;
  const auto oneBit = BuildBmp({.width = kSide,
                                .height = kSide,
                                .bits = 1,
                                .palette = {kBlack, kWhite},
                                .pixels = std::vector<std::uint8_t>(stride * kSide)});
  EXPECT_EQ(DecodeError(oneBit), "画像が大きすぎます (8193 x 8193 ピクセル)");
}

// ---- Only the part of a picture that is used -------------------------------------------------

// What a colour bar can use: its first 402 columns and 30 rows.
constexpr PictureWindow kBarWindow{.columns = 402, .rows = 30};

// Bytes in memory that count how many of them a decoder reads.
class CountedBytes : public PictureBytes {
 public:
  explicit CountedBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const std::size_t got = PictureBytesInMemory(bytes_).ReadAt(offset, out);
    read_ += got;
    return got;
  }
  std::uint64_t Read() const { return read_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t read_ = 0;
};

std::string WindowError(const std::vector<std::uint8_t>& bytes) {
  try {
    CountedBytes file(bytes);
    DecodeBmp(file, kBarWindow);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

// A 3000 x 2000 picture of 8-bit indices: (column + row counted from the top) % 4. A bottom-up
// file holds its top rows at its very end.
TEST(BmpWindowTest, KeptRowsAreReadFromWhereTheyLieAndNothingElse) {
  constexpr int kWidth = 3000;
  constexpr int kHeight = 2000;
  const std::vector<Rgb> palette = {kRed, kGreen, kBlue, kWhite};
  for (const bool topDown : {false, true}) {
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight);
    for (int fileRow = 0; fileRow < kHeight; ++fileRow) {
      const int y = topDown ? fileRow : kHeight - 1 - fileRow;
      for (int x = 0; x < kWidth; ++x) {
        pixels[std::size_t{kWidth} * fileRow + x] = static_cast<std::uint8_t>((x + y) % 4);
      }
    }
    CountedBytes file(BuildBmp({.width = kWidth,
                                .height = topDown ? -kHeight : kHeight,
                                .bits = 8,
                                .palette = palette,
                                .pixels = pixels}));
    const Picture picture = DecodeBmp(file, kBarWindow);
    ASSERT_EQ(picture.width, 402);
    ASSERT_EQ(picture.height, 30);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 402; ++x) {
        ASSERT_EQ(picture.at(x, y), palette[(x + y) % 4]) << x << "," << y << " " << topDown;
      }
    }
    // The headers and 30 rows of 402 bytes: not even one whole row of 3000.
    EXPECT_LT(file.Read(), 30u * 402 + 2000) << topDown;
  }
}

// Run-length data of a picture 60,000 pixels wide: the kept columns of its top row are exactly
// what the runs put there, whether a run starts inside them or reaches into them.
TEST(BmpWindowTest, RunLengthPictureOfHugeWidthKeepsItsTopRowExactly) {
  std::vector<std::uint8_t> data = {255, 1, 0, 0};    // bottom row: 255 greens, end of line
  data.insert(data.end(), {0, 5, 2, 3, 1, 2, 3, 0});  // top row: 5 absolute indices, padded
  data.insert(data.end(), {0, 2, 130, 0});            // a delta to column 135
  data.insert(data.end(), {10, 2});                   // blue at 135 ... 144
  data.insert(data.end(), {0, 2, 252, 0});            // a delta to column 397
  data.insert(data.end(), {255, 3});                  // white from 397 on, past the window
  for (int i = 0; i < 1000; ++i) data.insert(data.end(), {255, 1});  // clipped runs
  data.insert(data.end(), {0, 1});
  const std::vector<Rgb> palette = {kBlack, kGreen, kBlue, kWhite};
  CountedBytes file(BuildBmp({.width = 60000,
                              .height = 2,
                              .bits = 8,
                              .compression = Compression::kRle8,
                              .palette = palette,
                              .pixels = data}));
  const Picture picture = DecodeBmp(file, kBarWindow);
  ASSERT_EQ(picture.width, 402);
  ASSERT_EQ(picture.height, 2);
  std::vector<Rgb> top(402, kBlack);
  top[0] = kBlue;
  top[1] = kWhite;
  top[2] = kGreen;
  top[3] = kBlue;
  top[4] = kWhite;
  for (int x = 135; x < 145; ++x) top[x] = kBlue;
  for (int x = 397; x < 402; ++x) top[x] = kWhite;
  std::vector<Rgb> bottom(402, kBlack);
  for (int x = 0; x < 255; ++x) bottom[x] = kGreen;
  EXPECT_EQ(std::vector<Rgb>(picture.pixels.begin(), picture.pixels.begin() + 402), top);
  EXPECT_EQ(std::vector<Rgb>(picture.pixels.begin() + 402, picture.pixels.end()), bottom);
}

// Once the kept columns of the top row are set nothing later can change them, so a file made of
// endless runs past the edge is not read on: 2 MB of them, of which a few kilobytes are read.
TEST(BmpWindowTest, RunLengthDataEndsWhereTheTopRowIsDone) {
  std::vector<std::uint8_t> data(std::size_t{2} << 20, 255);
  for (std::size_t i = 1; i < data.size(); i += 2) data[i] = 1;
  CountedBytes file(BuildBmp({.width = 1,
                              .height = 1,
                              .bits = 8,
                              .compression = Compression::kRle8,
                              .palette = {kBlack, kTeal},
                              .pixels = data}));
  EXPECT_EQ(DecodeBmp(file, kBarWindow).pixels, std::vector<Rgb>{kTeal});
  EXPECT_LT(file.Read(), 100'000u);
}

// Run data longer than any encoding of the picture only moves the pen over clipped pixels; run
// data too long to read in time before the top row is a picture too large.
TEST(BmpWindowTest, RunLengthDataBeyondWhatThePictureNeedsIsRefused) {
  std::vector<std::uint8_t> clipped;  // 1 x 2000: runs of 255 in the bottom row
  for (int i = 0; i < 10000; ++i) clipped.insert(clipped.end(), {255, 0});
  EXPECT_EQ(WindowError(BuildBmp({.width = 1,
                                  .height = 2000,
                                  .bits = 8,
                                  .compression = Compression::kRle8,
                                  .palette = {kBlack},
                                  .pixels = clipped})),
            "ビットマップイメージが不正です");

  std::vector<std::uint8_t> row(2 * 4000, 0);  // 4000 x 4000: every pixel a run, 17 MB
  for (std::size_t i = 0; i < row.size(); i += 2) row[i] = 1;
  row.insert(row.end(), {0, 0});
  std::vector<std::uint8_t> onePixelRuns;
  while (onePixelRuns.size() < (std::size_t{17} << 20)) {
    onePixelRuns.insert(onePixelRuns.end(), row.begin(), row.end());
  }
  EXPECT_EQ(WindowError(BuildBmp({.width = 4000,
                                  .height = 4000,
                                  .bits = 8,
                                  .compression = Compression::kRle8,
                                  .palette = {kBlack},
                                  .pixels = onePixelRuns})),
            "画像が大きすぎます (4000 x 4000 ピクセル)");
}

TEST(BmpWriteTest, WritesTwentyFourBitBottomUpRowsPaddedToFourBytes) {
  TempDir dir;
  const auto file = dir / "bar.bmp";
  WriteBmp(file, kRgbPicture);
  const std::vector<std::uint8_t> bytes = ReadFile(file);
  EXPECT_EQ(bytes, BuildBmp(TwentyFourBit()));
  EXPECT_EQ(DecodeBmp(bytes).pixels, kRgbPicture.pixels);
}

TEST(BmpWriteTest, RefusedWriteNamesThePathAndKeepsTheOldFile) {
  TempDir dir;
  const auto missingFolder = dir / "missing" / "bar.bmp";
  try {
    WriteBmp(missingFolder, kRgbPicture);
    ADD_FAILURE() << "no error";
  } catch (const OranduError& error) {
    EXPECT_EQ(error.what(), missingFolder.string() + " に書き込めません");
  }
  const auto folderInTheWay = dir / "taken.bmp";
  std::filesystem::create_directory(folderInTheWay);
  EXPECT_THROW(WriteBmp(folderInTheWay, kRgbPicture), OranduError);
  EXPECT_TRUE(std::filesystem::is_directory(folderInTheWay));
}

TEST(BmpWriteTest, EmptyOrInconsistentPictureIsAProgrammingError) {
  TempDir dir;
  EXPECT_THROW(WriteBmp(dir / "a.bmp", Picture{}), std::invalid_argument);
  EXPECT_THROW(WriteBmp(dir / "b.bmp", Picture{2, 2, {kRed}}), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.bmp"));
}

}  // namespace
}  // namespace orandu
