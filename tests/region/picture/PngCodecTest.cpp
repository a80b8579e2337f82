// PNG files of every colour type and depth decode to RGB; cut, damaged and hostile ones are
// refused; written ones read back unchanged.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr std::string_view kInvalidPng = "PNG イメージが不正です";

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

enum class ColorType : std::uint8_t {
  kGrey = 0,
  kRgb = 2,
  kPalette = 3,
  kGreyAlpha = 4,
  kRgba = 6,
};

// What goes into a hand-made PNG file: chunks, checksums and compressed data are made here.
struct PngLayout {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  std::uint8_t bitDepth = 8;
  ColorType colorType = ColorType::kRgb;
  bool interlaced = false;
  std::vector<std::vector<std::uint8_t>> scanlines{};  // packed samples as stored, no filter byte
  std::vector<Rgb> palette{};
  std::vector<std::uint8_t> transparency{};  // the tRNS chunk's content
  std::uint8_t filter = 0;                   // 0 none, 1 Sub, 2 Up; each row the same
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& data) {
  PutU32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  const auto checksum = crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
  PutU32(out, static_cast<std::uint32_t>(checksum));
}

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> BuildPng(const PngLayout& shape) {
  std::vector<std::uint8_t> out = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
  std::vector<std::uint8_t> header;
  PutU32(header, shape.width);
  PutU32(header, shape.height);
  header.insert(header.end(), {shape.bitDepth, static_cast<std::uint8_t>(shape.colorType), 0, 0,
                               static_cast<std::uint8_t>(shape.interlaced ? 1 : 0)});
  PutChunk(out, "IHDR", header);
  if (!shape.palette.empty()) {
    std::vector<std::uint8_t> entries;
    for (const Rgb& color : shape.palette)
      entries.insert(entries.end(), {color.red, color.green, color.blue});
    PutChunk(out, "PLTE", entries);
  }
  if (!shape.transparency.empty()) PutChunk(out, "tRNS", shape.transparency);
  const std::size_t samples = shape.colorType == ColorType::kRgb         ? 3
                              : shape.colorType == ColorType::kRgba      ? 4
                              : shape.colorType == ColorType::kGreyAlpha ? 2
                                                                         : 1;
  const std::size_t left = std::max<std::size_t>(1, samples * shape.bitDepth / 8);
  std::vector<std::uint8_t> filtered;
  const std::vector<std::uint8_t>* above = nullptr;
  for (const auto& scanline : shape.scanlines) {
    filtered.push_back(shape.filter);
    for (std::size_t i = 0; i < scanline.size(); ++i) {
      std::uint8_t predicted = 0;
      if (shape.filter == 1 && i >= left) predicted = scanline[i - left];
      if (shape.filter == 2 && above != nullptr) predicted = (*above)[i];
      filtered.push_back(static_cast<std::uint8_t>(scanline[i] - predicted));
    }
    above = &scanline;
  }
  PutChunk(out, "IDAT", Compress(filtered));
  PutChunk(out, "IEND", {});
  return out;
}

// The scanlines of an interlaced 8-bit RGB picture: its pixels in the seven passes' order.
std::vector<std::vector<std::uint8_t>> Adam7Scanlines(const Picture& picture) {
  struct Pass {
    int x, y, xStep, yStep;
  };
  constexpr Pass kPasses[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::vector<std::vector<std::uint8_t>> scanlines;
  for (const Pass& pass : kPasses) {
    if (pass.x >= picture.width) continue;  // an empty pass has no scanlines at all
    for (int y = pass.y; y < picture.height; y += pass.yStep) {
      std::vector<std::uint8_t>& line = scanlines.emplace_back();
      for (int x = pass.x; x < picture.width; x += pass.xStep) {
        const Rgb color = picture.at(x, y);
        line.insert(line.end(), {color.red, color.green, color.blue});
      }
    }
  }
  return scanlines;
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
  try {
    DecodePng(bytes);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

const Picture kNineColours = {3,
                              3,
                              {kRed,
                               kGreen,
                               kBlue,
                               kWhite,
                               kBlack,
                               {10, 20, 30},
                               {200, 100, 50},
                               {1, 2, 3},
                               {250, 251, 252}}};

struct KindCase {
  std::string name;
  PngLayout shape;
  std::vector<Rgb> expected{};  // top row first
};

void PrintTo(const KindCase& test, std::ostream* out) {
  *out << test.name;
}

class PngKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(PngKindTest, DecodesToEightBitRgb) {
  const PngLayout& shape = GetParam().shape;
  const Picture picture = DecodePng(BuildPng(shape));
  EXPECT_EQ(picture.width, static_cast<int>(shape.width));
  EXPECT_EQ(picture.height, static_cast<int>(shape.height));
  EXPECT_EQ(picture.pixels, GetParam().expected);
}

// Transparency is flattened onto black; 16-bit samples are plain sRGB values scaled down.
INSTANTIATE_TEST_SUITE_P(
    Kinds, PngKindTest,
    ::testing::Values(
        KindCase{"GreyEightBit",
                 {.width = 2, .colorType = ColorType::kGrey, .scanlines = {{0, 200}}},
                 {kBlack, {200, 200, 200}}},
        KindCase{"GreyOneBitAcrossTwoBytes",
                 {.width = 10,
                  .bitDepth = 1,
                  .colorType = ColorType::kGrey,
                  .scanlines = {{0b10110011, 0b10000000}}},
                 {kWhite, kBlack, kWhite, kWhite, kBlack, kBlack, kWhite, kWhite, kWhite, kBlack}},
        KindCase{"GreySixteenBit",
                 {.width = 2,
                  .bitDepth = 16,
                  .colorType = ColorType::kGrey,
                  .scanlines = {{0xFF, 0xFF, 0x80, 0x80}}},
                 {kWhite, {128, 128, 128}}},
        KindCase{
            "GreyWithAlpha",
            {.width = 2, .colorType = ColorType::kGreyAlpha, .scanlines = {{200, 255, 100, 0}}},
            {{200, 200, 200}, kBlack}},
        KindCase{"PaletteFourBitShortPalette",
                 {.width = 3,
                  .bitDepth = 4,
                  .colorType = ColorType::kPalette,
                  .scanlines = {{0x20, 0x10}},
                  .palette = {kRed, kGreen, kBlue}},
                 {kBlue, kRed, kGreen}},
        KindCase{"PaletteWithTransparentEntry",
                 {.width = 2,
                  .colorType = ColorType::kPalette,
                  .scanlines = {{0, 1}},
                  .palette = {kRed, kGreen},
                  .transparency = {255, 0}},
                 {kRed, kBlack}},
        KindCase{
            "RgbEightBitTwoRows",
            {.width = 2, .height = 2, .scanlines = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 1, 2, 3}}},
            {kRed, kGreen, kBlue, {1, 2, 3}}},
        KindCase{"RgbSixteenBit",
                 {.bitDepth = 16, .scanlines = {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80}}},
                 {{255, 0, 128}}},
        KindCase{"RgbaOpaqueAndClear",
                 {.width = 2,
                  .colorType = ColorType::kRgba,
                  .scanlines = {{255, 0, 0, 255, 0, 255, 0, 0}}},
                 {kRed, kBlack}},
        KindCase{"InterlacedRgb",
                 {.width = 3,
                  .height = 3,
                  .interlaced = true,
                  .scanlines = Adam7Scanlines(kNineColours)},
                 kNineColours.pixels}),
    [](const auto& test) { return test.param.name; });

TEST(PngDecodeTest, HalfTransparentPixelIsBlendedOntoBlackInLinearLight) {
  const PngLayout shape{.colorType = ColorType::kRgba, .scanlines = {{255, 255, 255, 128}}};
  const Rgb pixel = DecodePng(BuildPng(shape)).at(0, 0);
  EXPECT_NEAR(pixel.red, 188, 2);  // half the light of white, in sRGB terms
  EXPECT_EQ(pixel.red, pixel.green);
  EXPECT_EQ(pixel.green, pixel.blue);
}

// 96 x 96 of noise: compressed data large enough to cut in the middle.
std::vector<std::uint8_t> NoisyPng() {
  PngLayout shape{.width = 96, .height = 96};
  std::uint32_t state = 7;
  for (int y = 0; y < 96; ++y) {
    std::vector<std::uint8_t>& line = shape.scanlines.emplace_back();
    for (int i = 0; i < 96 * 3; ++i) {
      state = state * 1103515245 + 12345;
      line.push_back(static_cast<std::uint8_t>(state >> 16));
    }
  }
  return BuildPng(shape);
}

std::vector<std::uint8_t> Truncated(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

TEST(PngDecodeTest, CutShortFilesAreStreamReadErrors) {
  const std::vector<std::uint8_t> whole = NoisyPng();
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{8}, std::size_t{20}, whole.size() / 2}) {
    EXPECT_EQ(DecodeError(Truncated(whole, size)), "ストリームからの読み込みエラー")
        << size << " bytes";
  }
}

struct DamagedCase {
  std::string name;
  std::vector<std::uint8_t> file{};

  void PrintTo(const DamagedCase& test, std::ostream* out) { *out << test.name; }
};

class PngDamagedTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(PngDamagedTest, IsRefusedAsAnInvalidPng) {
  const std::string message = DecodeError(GetParam().file);
  EXPECT_TRUE(message.starts_with(kInvalidPng)) << message;
}

std::vector<std::uint8_t> FlippedByte(std::vector<std::uint8_t> bytes, std::size_t at) {
  bytes[at] ^= 0x55;
  return bytes;
}

std::vector<DamagedCase> DamagedCases() {
  const std::vector<std::uint8_t> noisy = NoisyPng();
  // The signature, the IHDR chunk, then IDAT's length and type.
  constexpr std::size_t kFirstIdatData = 8 + 25 + 8;
  return {
      {"NotAPng", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"ZeroWidth", BuildPng({.width = 0, .scanlines = {{}}})},
      {"ImageDataChecksumWrong", FlippedByte(noisy, kFirstIdatData + 100)},
      {"TooLittleImageData",
       BuildPng(
           {.width = 4, .height = 4, .colorType = ColorType::kGrey, .scanlines = {{1, 2, 3, 4}}})},
  };
}

INSTANTIATE_TEST_SUITE_P(Damaged, PngDamagedTest, ::testing::ValuesIn(DamagedCases()),
                         [](const auto& test) { return test.param.name; });

TEST(PngDecodeTest, HugeDimensionsInATinyFileAreRefusedBeforeDecoding) {
  const auto bomb = BuildPng({.width = 60000, .height = 60000, .scanlines = {{0, 0, 0}}});
  ASSERT_LT(bomb.size(), 100u);
  EXPECT_EQ(DecodeError(bomb), "画像が大きすぎます (60000 x 60000 ピクセル)");
}

// ---- Compression bombs: a small file whose compressed data inflates to far more ------------

constexpr std::size_t kBombBytes = std::size_t{64} << 20;

std::vector<std::uint8_t> WithChunkAfterTheHeader(std::vector<std::uint8_t> png,
                                                  std::string_view type,
                                                  const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> chunk;
  PutChunk(chunk, type, data);
  constexpr std::size_t kAfterHeader = 8 + 25;
  png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
  return png;
}

const std::vector<std::uint8_t>& CompressedZeros() {
  static const std::vector<std::uint8_t> zeros = Compress(std::vector<std::uint8_t>(kBombBytes));
  return zeros;
}

const std::vector<Rgb> kOnePixel = {{10, 20, 30}};

std::vector<std::uint8_t> OnePixel() {
  return BuildPng({.scanlines = {{10, 20, 30}}});
}

// Image data that runs on for 64 MB past a one-pixel picture would be inflated to its end.
TEST(PngDecodeTest, ImageDataRunningOnPastThePictureIsRefused) {
  const auto bomb =
      BuildPng({.scanlines = {{10, 20, 30}, std::vector<std::uint8_t>(kBombBytes - 5)}});
  ASSERT_LT(bomb.size(), 100'000u);
  EXPECT_EQ(DecodeError(bomb), std::string(kInvalidPng) + " (too much image data)");
}

// A little image data left over is harmless and decodes as before.
TEST(PngDecodeTest, ImageDataWithAFewBytesToSpareDecodes) {
  const auto spare = BuildPng({.scanlines = {{10, 20, 30}, std::vector<std::uint8_t>(999)}});
  EXPECT_EQ(DecodePng(spare).pixels, kOnePixel);
}

// libpng stops inflating text and colour profiles at its own limit and goes on without them.
TEST(PngDecodeTest, CompressedTextAndProfileBombsAreSkipped) {
  std::vector<std::uint8_t> text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
  std::vector<std::uint8_t> profile = {'s', 'R', 'G', 'B', 0, 0};
  text.insert(text.end(), CompressedZeros().begin(), CompressedZeros().end());
  profile.insert(profile.end(), CompressedZeros().begin(), CompressedZeros().end());
  for (const auto& bomb : {WithChunkAfterTheHeader(OnePixel(), "zTXt", text),
                           WithChunkAfterTheHeader(OnePixel(), "iCCP", profile)}) {
    ASSERT_LT(bomb.size(), 100'000u);
    EXPECT_EQ(DecodePng(bomb).pixels, kOnePixel);
  }
}

// Refused from the compressed data alone, before the 192 MB of the picture are taken.
TEST(PngDecodeTest, LargePictureWithTooLittleImageDataIsRefused) {
  const auto tiny = BuildPng({.width = 8000, .height = 8000, .scanlines = {{1, 2, 3}}});
  EXPECT_EQ(DecodeError(tiny), std::string(kInvalidPng) + " (not enough image data)");
}

// Zero image data of exactly the size an interlaced picture needs, worked out pass by pass
// from the pixels each pass holds.
std::vector<std::vector<std::uint8_t>> ExactInterlacedData(int width, int height, int bits) {
  constexpr int kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::vector<std::vector<std::uint8_t>> scanlines;
  for (const auto& [x0, y0, xStep, yStep] : kPasses) {
    int pixels = 0;
    for (int x = x0; x < width; x += xStep) ++pixels;
    if (pixels == 0) continue;
    for (int y = y0; y < height; y += yStep) {
      scanlines.emplace_back(static_cast<std::size_t>((pixels * bits + 7) / 8));
    }
  }
  return scanlines;
}

// The image data must be worked out to the byte: a picture given exactly what it needs is
// never taken for one that falls short.
TEST(PngDecodeTest, InterlacedPicturesOfEverySmallSizeGetExactlyTheirData) {
  const struct {
    ColorType colorType;
    std::uint8_t bitDepth;
    int bitsPerPixel;
  } kinds[] = {{ColorType::kGrey, 1, 1}, {ColorType::kRgb, 8, 24}, {ColorType::kRgba, 16, 64}};
  for (const auto& kind : kinds) {
    for (std::uint32_t width = 1; width <= 9; ++width) {
      for (std::uint32_t height = 1; height <= 9; ++height) {
        const PngLayout shape{
            .width = width,
            .height = height,
            .bitDepth = kind.bitDepth,
            .colorType = kind.colorType,
            .interlaced = true,
            .scanlines = ExactInterlacedData(static_cast<int>(width), static_cast<int>(height),
                                             kind.bitsPerPixel)};
        EXPECT_EQ(DecodeError(BuildPng(shape)), "no error")
            << width << " x " << height << ", " << kind.bitsPerPixel << " bits a pixel";
      }
    }
  }
}

struct LayoutCase {
  std::string name;
  ColorType colorType;
  std::uint8_t bitDepth;
  bool interlaced;
  std::uint32_t width;
  std::uint32_t height;
};

void PrintTo(const LayoutCase& test, std::ostream* out) {
  *out << test.name;
}

class PngLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// Pictures of megabytes of image data, in every layout, are not mistaken for a bomb: the image
// data they need is worked out right. All-zero data is valid in any layout (filter "none",
// samples 0); the non-interlaced size and a little more covers the interlaced one as well.
TEST_P(PngLayoutTest, LargePictureIsNotMistakenForABomb) {
  const LayoutCase& layout = GetParam();
  const int samples = layout.colorType == ColorType::kRgb         ? 3
                      : layout.colorType == ColorType::kRgba      ? 4
                      : layout.colorType == ColorType::kGreyAlpha ? 2
                                                                  : 1;
  const std::size_t rowBytes = (std::size_t{layout.width} * samples * layout.bitDepth + 7) / 8;
  const std::size_t dataBytes = layout.height * (1 + rowBytes) + 4096;
  const PngLayout shape{.width = layout.width,
                        .height = layout.height,
                        .bitDepth = layout.bitDepth,
                        .colorType = layout.colorType,
                        .interlaced = layout.interlaced,
                        .scanlines = {std::vector<std::uint8_t>(dataBytes - 1)},
                        .palette = layout.colorType == ColorType::kPalette ? std::vector<Rgb>{kRed}
                                                                           : std::vector<Rgb>{}};
  const Picture picture = DecodePng(BuildPng(shape));
  EXPECT_EQ(picture.width, static_cast<int>(layout.width));
  EXPECT_EQ(picture.height, static_cast<int>(layout.height));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PngLayoutTest,
    ::testing::Values(
        LayoutCase{"GreyOneBit", ColorType::kGrey, 1, false, 4000, 2200},
        LayoutCase{"GreySixteenBitInterlaced", ColorType::kGrey, 16, true, 1100, 1000},
        LayoutCase{"PaletteFourBitInterlaced", ColorType::kPalette, 4, true, 2048, 1100},
        LayoutCase{"GreyAlphaEightBit", ColorType::kGreyAlpha, 8, false, 1024, 1100},
        LayoutCase{"RgbEightBitInterlaced", ColorType::kRgb, 8, true, 1000, 700},
        LayoutCase{"RgbaSixteenBitInterlaced", ColorType::kRgba, 16, true, 600, 500}),
    [](const auto& test) { return test.param.name; });

TEST(PngWriteTest, WrittenPictureReadsBackUnchanged) {
  Picture picture{7, 5, {}};
  for (int i = 0; i < 35; ++i) {
    picture.pixels.push_back({static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                              static_cast<std::uint8_t>(i * i)});
  }
  TempDir dir;
  WritePng(dir / "bar.png", picture);
  const Picture back = DecodePng(ReadFile(dir / "bar.png"));
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.pixels, picture.pixels);
}

TEST(PngWriteTest, RefusedWriteNamesThePath) {
  TempDir dir;
  const auto missingFolder = dir / "missing" / "bar.png";
  try {
    WritePng(missingFolder, kNineColours);
    ADD_FAILURE() << "no error";
  } catch (const OranduError& error) {
    EXPECT_EQ(error.what(), missingFolder.string() + " に書き込めません");
  }
  EXPECT_THROW(WritePng(dir / "empty.png", Picture{}), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.png"));
}

// ---- Stored colours, and only the part of a picture that is used ----------------------------

// A gAMA chunk says how the file's values map to light; the bar's colours are the values.
TEST(PngDecodeTest, StoredValuesAreReadWithoutGammaConversion) {
  for (const std::uint32_t gamma : {100000u, 20000u, 45455u}) {
    const std::vector<std::uint8_t> value = {
        static_cast<std::uint8_t>(gamma >> 24), static_cast<std::uint8_t>(gamma >> 16),
        static_cast<std::uint8_t>(gamma >> 8), static_cast<std::uint8_t>(gamma)};
    const auto png = WithChunkAfterTheHeader(BuildPng({.scanlines = {{0, 7, 0}}}), "gAMA", value);
    EXPECT_EQ(DecodePng(png).pixels, (std::vector<Rgb>{{0, 7, 0}})) << gamma;
  }
}

constexpr PictureWindow kBarWindow{.columns = 402, .rows = 30};

Picture DecodeWindow(const std::vector<std::uint8_t>& bytes) {
  PictureBytesInMemory file(bytes);
  return DecodePng(file, kBarWindow);
}

std::string WindowError(const std::vector<std::uint8_t>& bytes) {
  try {
    DecodeWindow(bytes);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

// A 1000 x 60 picture whose pixel (x, y) is colour (x / 3 + y) % 4 of these.
const Rgb kFourColours[] = {kRed, kGreen, kBlue, kWhite};
int ColourIndex(int x, int y) {
  return (x / 3 + y) % 4;
}

struct WindowCase {
  std::string name;
  ColorType colorType;
  std::uint8_t bitDepth;
  bool interlaced;
  std::uint8_t filter;
};

void PrintTo(const WindowCase& test, std::ostream* out) {
  *out << test.name;
}

PngLayout FourColourPicture(const WindowCase& kind) {
  constexpr int kWidth = 1000;
  constexpr int kHeight = 60;
  PngLayout shape{.width = kWidth,
                  .height = kHeight,
                  .bitDepth = kind.bitDepth,
                  .colorType = kind.colorType,
                  .interlaced = kind.interlaced,
                  .filter = kind.filter};
  if (kind.interlaced) {
    Picture picture{kWidth, kHeight, {}};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) picture.pixels.push_back(kFourColours[ColourIndex(x, y)]);
    }
    shape.scanlines = Adam7Scanlines(picture);
    return shape;
  }
  for (int y = 0; y < kHeight; ++y) {
    std::vector<std::uint8_t>& line = shape.scanlines.emplace_back();
    for (int x = 0; x < kWidth; ++x) {
      const int index = ColourIndex(x, y);
      const Rgb color = kFourColours[index];
      switch (kind.colorType) {
        case ColorType::kRgba:  // 16-bit: each sample twice, fully opaque
          line.insert(line.end(), {color.red, color.red, color.green, color.green, color.blue,
                                   color.blue, 0xFF, 0xFF});
          break;
        case ColorType::kPalette:  // 4-bit indices, two to a byte
          if (x % 2 == 0) line.push_back(static_cast<std::uint8_t>(index << 4));
          if (x % 2 == 1) line.back() = static_cast<std::uint8_t>(line.back() | index);
          break;
        case ColorType::kGrey:  // 1-bit: odd colours white
          if (x % 8 == 0) line.push_back(0);
          if (index % 2 == 1) line.back() = static_cast<std::uint8_t>(line.back() | 0x80 >> x % 8);
          break;
        default:
          line.insert(line.end(), {color.red, color.green, color.blue});
      }
    }
  }
  if (kind.colorType == ColorType::kPalette) {
    shape.palette.assign(std::begin(kFourColours), std::end(kFourColours));
    shape.transparency = {255, 255, 255, 255};
  }
  return shape;
}

class PngWindowTest : public ::testing::TestWithParam<WindowCase> {};

// Rows are cut after column 401 inside their packed bytes, even between the bits of one byte,
// and rows filtered against the pixels to their left or above them still decode exactly.
TEST_P(PngWindowTest, KeepsExactlyTheFirst402ColumnsOf30Rows) {
  const Picture picture = DecodeWindow(BuildPng(FourColourPicture(GetParam())));
  ASSERT_EQ(picture.width, 402);
  ASSERT_EQ(picture.height, 30);
  const bool oneBitGrey = GetParam().colorType == ColorType::kGrey;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 402; ++x) {
      const int index = ColourIndex(x, y);
      const Rgb expected = oneBitGrey ? (index % 2 == 1 ? kWhite : kBlack) : kFourColours[index];
      ASSERT_EQ(picture.at(x, y), expected) << x << ", " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PngWindowTest,
    ::testing::Values(WindowCase{"RgbEightBitUp", ColorType::kRgb, 8, false, 2},
                      WindowCase{"RgbaSixteenBitSub", ColorType::kRgba, 16, false, 1},
                      WindowCase{"GreyOneBit", ColorType::kGrey, 1, false, 0},
                      WindowCase{"PaletteFourBitSubWithTransparency", ColorType::kPalette, 4, false,
                                 1},
                      WindowCase{"InterlacedRgb", ColorType::kRgb, 8, true, 0}),
    [](const auto& test) { return test.param.name; });

// An interlaced picture is decoded whole and then cut: a window narrower than the picture but
// taller, or shorter but wider, cuts the one side and keeps the other whole.
TEST(PngWindowTest, InterlacedPictureCutOnOneSideKeepsTheOther) {
  for (const auto& [width, height] : {std::pair{1000, 20}, {300, 60}}) {
    Picture whole{width, height, {}};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) whole.pixels.push_back(kFourColours[ColourIndex(x, y)]);
    }
    const Picture picture = DecodeWindow(BuildPng({.width = static_cast<std::uint32_t>(width),
                                                   .height = static_cast<std::uint32_t>(height),
                                                   .interlaced = true,
                                                   .scanlines = Adam7Scanlines(whole)}));
    const int keptWidth = std::min(width, 402);
    const int keptHeight = std::min(height, 30);
    ASSERT_EQ(picture.width, keptWidth) << width << " x " << height;
    ASSERT_EQ(picture.height, keptHeight) << width << " x " << height;
    ASSERT_EQ(picture.pixels.size(), static_cast<std::size_t>(keptWidth) * keptHeight);
    for (int y = 0; y < keptHeight; ++y) {
      for (int x = 0; x < keptWidth; ++x) {
        ASSERT_EQ(picture.at(x, y), kFourColours[ColourIndex(x, y)]) << x << ", " << y;
      }
    }
  }
}

// Image data is inflated only down to the kept rows: a file cut below them is no loss.
TEST(PngWindowTest, ImageDataIsReadOnlyDownToTheKeptRows) {
  const std::vector<std::uint8_t> whole = NoisyPng();
  const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + whole.size() * 3 / 4);
  EXPECT_EQ(DecodeError(cut), "ストリームからの読み込みエラー");
  EXPECT_EQ(DecodeWindow(cut).pixels.size(), std::size_t{96} * 30);
}

// An interlaced picture spreads its top rows over all of its data, so all of it is decoded:
// beyond 48 MiB of data and pixels that is refused from the header.
TEST(PngWindowTest, LargeInterlacedPictureIsRefusedFromItsHeader) {
  const auto tiny =
      BuildPng({.width = 4000, .height = 4000, .interlaced = true, .scanlines = {{0, 0, 0}}});
  EXPECT_EQ(WindowError(tiny), "画像が大きすぎます (4000 x 4000 ピクセル)");
  EXPECT_EQ(DecodeError(tiny), std::string(kInvalidPng) + " (not enough image data)");
}

}  // namespace
}  // namespace orandu
