// JPEG pictures of each colour model decode to RGB; cut, damaged and hostile ones are refused.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"

namespace orandu {
namespace {

constexpr std::string_view kInvalidJpeg = "JPEG イメージが不正です";

::testing::AssertionResult IsInvalidJpegError(const std::string& message) {
  if (message.starts_with(kInvalidJpeg)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "message: " << message;
}

// Samples of a picture to compress, `colours`' bytes a pixel, top row first.
struct JpegSource {
  int width = 0;
  int height = 0;
  JpegColours colours = JpegColours::kRgb;
  std::vector<std::uint8_t> samples{};
};

enum class Progression { kBaseline, kProgressive };

constexpr int kBlockCoefficients = 64;  // of an 8 x 8 block

// Quality 100 without chroma subsampling, so flat 8 x 8 blocks come back within a step or two.
std::vector<std::uint8_t> EncodeJpeg(const JpegSource& source,
                                     Progression progression = Progression::kBaseline,
                                     const std::vector<JpegScan>& script = {}) {
  const JpegCoding coding{.quality = 100,
                          .colours = source.colours,
                          .progression = progression == Progression::kProgressive
                                             ? JpegProgression::kProgressive
                                             : JpegProgression::kBaseline,
                          .fullChroma = true,
                          .scans = script};
  return EncodeJpegRows(source.width, source.height, coding,
                        [&](int y, std::span<std::uint8_t> row) {
                          const auto* first = source.samples.data() + y * row.size();
                          std::copy(first, first + row.size(), row.begin());
                        });
}

// 16 x 16, four 8 x 8 blocks: red, green over blue, white.
JpegSource Quadrants() {
  JpegSource source{.width = 16, .height = 16};
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool right = x >= 8;
      const bool bottom = y >= 8;
      const Rgb color = !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
      source.samples.insert(source.samples.end(), {color.red, color.green, color.blue});
    }
  }
  return source;
}

// Busy enough that the compressed scan is most of the file.
JpegSource Noise() {
  JpegSource source{.width = 64, .height = 64};
  std::uint32_t state = 12345;
  for (int i = 0; i < 64 * 64 * 3; ++i) {
    state = state * 1103515245 + 12345;
    source.samples.push_back(static_cast<std::uint8_t>(state >> 16));
  }
  return source;
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
  try {
    DecodeJpeg(bytes);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

constexpr Rgb kRedish{200, 40, 30};
constexpr Rgb kBluish{20, 60, 210};

void ExpectNear(Rgb actual, Rgb expected) {
  constexpr int kTolerance = 3;
  EXPECT_NEAR(actual.red, expected.red, kTolerance);
  EXPECT_NEAR(actual.green, expected.green, kTolerance);
  EXPECT_NEAR(actual.blue, expected.blue, kTolerance);
}

void ExpectQuadrants(const Picture& picture) {
  ASSERT_EQ(picture.width, 16);
  ASSERT_EQ(picture.height, 16);
  ASSERT_EQ(picture.pixels.size(), 256u);
  ExpectNear(picture.at(3, 3), {255, 0, 0});
  ExpectNear(picture.at(12, 3), {0, 255, 0});
  ExpectNear(picture.at(3, 12), {0, 0, 255});
  ExpectNear(picture.at(12, 12), {255, 255, 255});
}

TEST(JpegDecodeTest, ColourPictureKeepsItsLayoutAndColours) {
  ExpectQuadrants(DecodeJpeg(EncodeJpeg(Quadrants())));
}

TEST(JpegDecodeTest, ProgressivePictureDecodesLikeABaselineOne) {
  ExpectQuadrants(DecodeJpeg(EncodeJpeg(Quadrants(), Progression::kProgressive)));
}

TEST(JpegDecodeTest, GreyPictureBecomesEqualRedGreenAndBlue) {
  JpegSource grey{.width = 16, .height = 8, .colours = JpegColours::kGrey};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) grey.samples.push_back(x < 8 ? 40 : 220);
  }
  const Picture picture = DecodeJpeg(EncodeJpeg(grey));
  ASSERT_EQ(picture.width, 16);
  ASSERT_EQ(picture.height, 8);
  for (const auto& [x, level] : {std::pair{3, 40}, std::pair{12, 220}}) {
    const Rgb pixel = picture.at(x, 4);
    EXPECT_EQ(pixel.red, pixel.green);
    EXPECT_EQ(pixel.green, pixel.blue);
    EXPECT_NEAR(pixel.red, level, 2);
  }
}

TEST(JpegDecodeTest, AdobeCmykPictureIsConvertedToRgb) {
  // Inks stored inverted, as Adobe writes them: cyan | black | no ink | half magenta.
  const std::vector<std::array<std::uint8_t, 4>> blocks = {
      {0, 255, 255, 255}, {255, 255, 255, 0}, {255, 255, 255, 255}, {255, 128, 255, 255}};
  JpegSource cmyk{.width = 32, .height = 8, .colours = JpegColours::kCmyk};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; ++x) {
      const auto& inks = blocks[static_cast<std::size_t>(x / 8)];
      cmyk.samples.insert(cmyk.samples.end(), inks.begin(), inks.end());
    }
  }
  const Picture picture = DecodeJpeg(EncodeJpeg(cmyk));
  ASSERT_EQ(picture.width, 32);
  ExpectNear(picture.at(3, 3), {0, 255, 255});
  ExpectNear(picture.at(11, 3), {0, 0, 0});
  ExpectNear(picture.at(19, 3), {255, 255, 255});
  ExpectNear(picture.at(27, 3), {255, 128, 255});
}

struct CutCase {
  std::string name;
  Progression progression;
  std::ptrdiff_t keep;  // bytes kept from the start; negative: bytes dropped from the end
};

void PrintTo(const CutCase& test, std::ostream* out) {
  *out << test.name;
}

class JpegCutShortTest : public ::testing::TestWithParam<CutCase> {};

// libjpeg would fill a cut picture with grey and only warn; a half picture is never returned.
TEST_P(JpegCutShortTest, IsAStreamReadError) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Noise(), GetParam().progression);
  const std::ptrdiff_t keep = GetParam().keep;
  bytes.resize(static_cast<std::size_t>(keep >= 0 ? keep : std::ssize(bytes) + keep));
  EXPECT_EQ(DecodeError(bytes), "ストリームからの読み込みエラー");
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, JpegCutShortTest,
    ::testing::Values(CutCase{"Empty", Progression::kBaseline, 0},
                      CutCase{"InsideTheHeaders", Progression::kBaseline, 40},
                      CutCase{"InsideTheScan", Progression::kBaseline, -3000},
                      CutCase{"JustTheEndMarkerMissing", Progression::kBaseline, -2},
                      CutCase{"InsideAProgressiveScan", Progression::kProgressive, -3000}),
    [](const auto& test) { return test.param.name; });

std::size_t FindMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == marker) return i;
  }
  ADD_FAILURE() << "marker not found";
  return 0;
}

TEST(JpegDecodeTest, DamagedScanIsRefusedRatherThanPatched) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Noise());
  const std::size_t scan = FindMarker(bytes, 0xDA);
  const std::size_t middle = scan + (bytes.size() - scan) / 2;
  bytes[middle] = 0xFF;  // an end-of-image marker in the middle of the picture's data
  bytes[middle + 1] = 0xD9;
  EXPECT_TRUE(IsInvalidJpegError(DecodeError(bytes)));
}

TEST(JpegDecodeTest, OtherFilesAreNotJpeg) {
  const std::vector<std::uint8_t> bitmap = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(IsInvalidJpegError(DecodeError(bitmap)));
}

TEST(JpegDecodeTest, HugeDimensionsAreRefusedBeforeDecoding) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Quadrants());
  const std::size_t frame = FindMarker(bytes, 0xC0);
  for (std::size_t field : {frame + 5, frame + 7}) {  // height, then width, big-endian
    bytes[field] = 65000 >> 8;
    bytes[field + 1] = 65000 & 0xFF;
  }
  EXPECT_EQ(DecodeError(bytes), "画像が大きすぎます (65000 x 65000 ピクセル)");
}

// Every coefficient refined one bit at a time: a valid file of 704 scans over one 8 x 8 block,
// each of which would make the decoder pass over the whole picture again.
TEST(JpegDecodeTest, EndlessProgressionIsRefused) {
  constexpr int kTopBit = 10;
  std::vector<JpegScan> script;
  for (int coefficient = 0; coefficient < kBlockCoefficients; ++coefficient) {
    script.push_back({{0}, coefficient, coefficient, 0, kTopBit});
    for (int bit = kTopBit; bit > 0; --bit) {
      script.push_back({{0}, coefficient, coefficient, bit, bit - 1});
    }
  }
  JpegSource grey{.width = 8, .height = 8, .colours = JpegColours::kGrey};
  grey.samples.assign(64, 100);
  const std::vector<std::uint8_t> bytes = EncodeJpeg(grey, Progression::kProgressive, script);
  const std::string message = DecodeError(bytes);
  EXPECT_TRUE(IsInvalidJpegError(message));
  EXPECT_NE(message.find("scans"), std::string::npos) << message;
}

// Fewer than 500 scans, but over a picture of 4 megapixels: the work of 2 gigapixels, as much as
// 30 scans of the largest picture allowed. Every band of coefficients is refined bit by bit.
TEST(JpegDecodeTest, ManyScansOfALargePictureAreRefused) {
  std::vector<JpegScan> script = {{{0}, 0, 0, 0, 0}};
  for (int coefficient = 1; coefficient <= 61; ++coefficient) {
    script.push_back({{0}, coefficient, coefficient, 0, 7});
    for (int bit = 7; bit > 0; --bit) {
      script.push_back({{0}, coefficient, coefficient, bit, bit - 1});
    }
  }
  ASSERT_LT(script.size(), 500u);
  JpegSource grey{.width = 2048, .height = 2048, .colours = JpegColours::kGrey};
  grey.samples.assign(std::size_t{2048} * 2048, 128);
  const std::vector<std::uint8_t> bytes = EncodeJpeg(grey, Progression::kProgressive, script);
  const std::string message = DecodeError(bytes);
  EXPECT_TRUE(IsInvalidJpegError(message));
  EXPECT_NE(message.find("scans of 4194304 pixels"), std::string::npos) << message;
}

// ---- Only the part of a picture that is used -------------------------------------------------

constexpr PictureWindow kBarWindow{.columns = 402, .rows = 30};

std::string WindowError(const std::vector<std::uint8_t>& bytes) {
  try {
    PictureBytesInMemory file(bytes);
    DecodeJpeg(file, kBarWindow);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

// 1024 x 512: red left of column 200, blue from there on; the rows from 64 down are noise.
JpegSource WideBar() {
  JpegSource source{.width = 1024, .height = 512};
  std::uint32_t state = 99;
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < source.width; ++x) {
      state = state * 1103515245 + 12345;
      const auto noise = static_cast<std::uint8_t>(state >> 16);
      const Rgb color = y >= 64 ? Rgb{noise, noise, noise} : x < 200 ? kRedish : kBluish;
      source.samples.insert(source.samples.end(), {color.red, color.green, color.blue});
    }
  }
  return source;
}

// A picture of one scan is decoded only down to the kept rows: a file cut far below them is no
// loss, while the whole picture is a stream read error.
TEST(JpegWindowTest, OneScanPictureIsReadOnlyDownToTheKeptRows) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(WideBar());
  bytes.resize(bytes.size() / 2);
  EXPECT_EQ(DecodeError(bytes), "ストリームからの読み込みエラー");
  PictureBytesInMemory file(bytes);
  const Picture picture = DecodeJpeg(file, kBarWindow);
  ASSERT_EQ(picture.width, 402);
  ASSERT_EQ(picture.height, 30);
  ExpectNear(picture.at(0, 0), kRedish);
  ExpectNear(picture.at(195, 29), kRedish);
  ExpectNear(picture.at(204, 0), kBluish);
  ExpectNear(picture.at(401, 29), kBluish);
}

// Several scans keep every coefficient of the picture until the last: 2 bytes a sample. Over
// 16 MiB of them the picture is refused from its header, however it is cut.
TEST(JpegWindowTest, ManyScanPictureTooLargeToHoldIsRefusedFromItsHeader) {
  JpegSource grey{.width = 2900, .height = 2900, .colours = JpegColours::kGrey};
  grey.samples.assign(std::size_t{2900} * 2900, 128);
  std::vector<std::uint8_t> progressive = EncodeJpeg(grey, Progression::kProgressive);
  progressive.resize(FindMarker(progressive, 0xDA) + 20);  // the first scan has hardly begun
  EXPECT_EQ(WindowError(progressive), "画像が大きすぎます (2900 x 2900 ピクセル)");
  // One colour to a scan is several scans too.
  const std::vector<JpegScan> perColour = {
      {{0}, 0, 63, 0, 0}, {{1}, 0, 63, 0, 0}, {{2}, 0, 63, 0, 0}};
  JpegSource colour{.width = 1700, .height = 1700};
  colour.samples.assign(std::size_t{1700} * 1700 * 3, 128);
  EXPECT_EQ(WindowError(EncodeJpeg(colour, Progression::kBaseline, perColour)),
            "画像が大きすぎます (1700 x 1700 ピクセル)");
  // The same picture in one scan holds only a band of blocks at a time.
  EXPECT_EQ(WindowError(EncodeJpeg(colour)), "no error");
}

// Junk between markers is read byte by byte; more of it than the picture's coefficients is
// refused as it is read rather than scanned to the end.
TEST(JpegWindowTest, JunkFarBeyondThePicturesDataIsRefused) {
  std::vector<std::uint8_t> bytes = EncodeJpeg(Quadrants());
  const std::size_t scan = FindMarker(bytes, 0xDA);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(scan), std::size_t{20} << 20, 0x55);
  EXPECT_EQ(WindowError(bytes), "JPEG イメージが不正です (more data than its pixels hold)");
}

}  // namespace
}  // namespace orandu
