// Raster headers: the ones the native import writes are read, anything that cannot describe a
// global grid of this file's size is refused with its reason, and a grid file finds its header.
#include "region/grid/GridHeader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "region/files/Errors.h"
#include "region/grid/HeightGrid.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

// Every field, so that a failure names the one that differs.
auto Fields(const GridGeometry& g) {
  return std::tuple(g.columns, g.rows, g.samplesPerDegree, g.degreesPerSample, g.firstLongitude,
                    g.latitudes == LatitudeRegistration::kCells ? "cells" : "nodes",
                    g.encoding == SampleEncoding::kSigned16 ? "signed16" : "etopo5");
}

const std::filesystem::path kHeaderPath = "/grids/world.hdr";

std::string HeaderMessage(const std::filesystem::path& absolutePath, const std::string& reason) {
  return "グリッドのヘッダー \"" + absolutePath.string() + "\" が不正です (" + reason + ")";
}

// The message ParseGridHeader refuses the text with, or "accepted".
std::string RefusalOf(const std::string& text, std::uint64_t fileBytes) {
  try {
    ParseGridHeader(text, fileBytes, kHeaderPath);
    return "accepted";
  } catch (const OranduError& error) {
    return error.what();
  }
}

// Headers exactly as the native import writes them.
const std::string kCells15Seconds =
    "NROWS 43200\nNCOLS 86400\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT "
    "BIL\nULXMAP 0.00208333333333333\nULYMAP 89.9979166666667\nXDIM 0.00416666666666667\nYDIM "
    "0.00416666666666667\n";
const std::string kNodes20Minutes =
    "NROWS 541\nNCOLS 1080\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT "
    "BIL\nULXMAP 0.166666666666667\nULYMAP 90\nXDIM 0.333333333333333\nYDIM 0.333333333333333\n";
const std::string kNodes2Degrees =
    "NROWS 91\nNCOLS 180\nNBANDS 1\nNBITS 16\nPIXELTYPE SIGNEDINT\nBYTEORDER I\nLAYOUT "
    "BIL\nULXMAP 0\nULYMAP 90\nXDIM 2\nYDIM 2\n";
constexpr std::uint64_t kNodes2DegreesBytes = 91 * 180 * 2;

constexpr GridGeometry kCells15SecondsGeometry{.columns = 86400,
                                               .rows = 43200,
                                               .samplesPerDegree = 240,
                                               .degreesPerSample = 1,
                                               .firstLongitude = 60,  // 7.5″
                                               .latitudes = LatitudeRegistration::kCells,
                                               .encoding = SampleEncoding::kSigned16};
constexpr GridGeometry kNodes20MinutesGeometry{.columns = 1080,
                                               .rows = 541,
                                               .samplesPerDegree = 3,
                                               .degreesPerSample = 1,
                                               .firstLongitude = 4800,  // 10′
                                               .latitudes = LatitudeRegistration::kNodes,
                                               .encoding = SampleEncoding::kSigned16};
constexpr GridGeometry kNodes2DegreesGeometry{.columns = 180,
                                              .rows = 91,
                                              .samplesPerDegree = 1,
                                              .degreesPerSample = 2,
                                              .firstLongitude = 0,
                                              .latitudes = LatitudeRegistration::kNodes,
                                              .encoding = SampleEncoding::kSigned16};

struct Accepted {
  const char* name;
  std::string text;
  std::uint64_t fileBytes;
  GridGeometry geometry;
};

std::ostream& operator<<(std::ostream& out, const Accepted& row) {
  return out << row.name;
}

class AcceptedHeaderTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedHeaderTest, GivesTheGridsGeometry) {
  EXPECT_EQ(Fields(ParseGridHeader(GetParam().text, GetParam().fileBytes, kHeaderPath)),
            Fields(GetParam().geometry));
}

INSTANTIATE_TEST_SUITE_P(
    ImportedAndHandWritten, AcceptedHeaderTest,
    ::testing::Values(
        Accepted{"15″ cells", kCells15Seconds, 86400ull * 43200 * 2, kCells15SecondsGeometry},
        Accepted{"20′ nodes", kNodes20Minutes, 1080 * 541 * 2, kNodes20MinutesGeometry},
        Accepted{"2° nodes", kNodes2Degrees, kNodes2DegreesBytes, kNodes2DegreesGeometry},
        Accepted{"2° cells from 1° E",
                 "NROWS 90\nNCOLS 180\nNBITS 16\nPIXELTYPE SIGNEDINT\nULXMAP 1\nULYMAP 89\n"
                 "XDIM 2\nYDIM 2\n",
                 90 * 180 * 2,
                 {180, 90, 1, 2, 28800, LatitudeRegistration::kCells, SampleEncoding::kSigned16}},
        Accepted{"lower case, CRLF, blank lines, tabs, other keys, no last line end",
                 "\r\nnrows\t91\r\nncols 180\r\n\r\nnbands 1\r\nnbits 16\r\npixeltype signedint\r\n"
                 "byteorder i\r\nlayout bil\r\nnodata -32768\r\n  ulxmap   0  \r\nulymap 90\r\n"
                 "xdim 2\r\nydim 2\r\nbandrowbytes 360\r\ntotalrowbytes 360\r\nskipbytes 0",
                 kNodes2DegreesBytes, kNodes2DegreesGeometry},
        Accepted{"one band laid out band by band",
                 "XDIM 2.0\nYDIM 2.0\nULYMAP 90.0\nULXMAP 0.0\nNCOLS 180\nNROWS 91\nNBITS 16\n"
                 "PIXELTYPE SignedInt\nLAYOUT BSQ\nBANDGAPBYTES 0\n",
                 kNodes2DegreesBytes, kNodes2DegreesGeometry},
        Accepted{"1″ nodes, every second",
                 "NROWS 648001\nNCOLS 1296000\nNBITS 16\nPIXELTYPE SIGNEDINT\nULXMAP 0\n"
                 "ULYMAP 90\nXDIM 0.000277777777777778\nYDIM 0.000277777777777778\n",
                 1296000ull * 648001 * 2,
                 {1296000, 648001, 3600, 1, 0, LatitudeRegistration::kNodes,
                  SampleEncoding::kSigned16}}));

// The 2° header the import writes with these keys set to new values, or left out where the
// value is empty; keys it does not have (in this spelling) are added at its end, on line 12.
std::string TwoDegreeHeaderWith(const std::vector<std::pair<std::string, std::string>>& changes) {
  const std::vector<std::pair<std::string, std::string>> lines = {{"NROWS", "91"},
                                                                  {"NCOLS", "180"},
                                                                  {"NBANDS", "1"},
                                                                  {"NBITS", "16"},
                                                                  {"PIXELTYPE", "SIGNEDINT"},
                                                                  {"BYTEORDER", "I"},
                                                                  {"LAYOUT", "BIL"},
                                                                  {"ULXMAP", "0"},
                                                                  {"ULYMAP", "90"},
                                                                  {"XDIM", "2"},
                                                                  {"YDIM", "2"}};
  std::string text;
  std::vector<bool> used(changes.size());
  for (const auto& [key, value] : lines) {
    std::string written = value;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      if (changes[i].first == key) {
        written = changes[i].second;
        used[i] = true;
      }
    }
    if (!written.empty()) text += key + " " + written + "\n";
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!used[i]) text += changes[i].first + " " + changes[i].second + "\n";
  }
  return text;
}

TEST(TwoDegreeHeaderTest, IsTheImportsHeaderWhenNothingChanges) {
  EXPECT_EQ(TwoDegreeHeaderWith({}), kNodes2Degrees);
}

TEST(ParseGridHeaderTest, RefusesWithTheHeadersAbsolutePathAndTheReason) {
  try {
    ParseGridHeader(TwoDegreeHeaderWith({{"NBITS", "8"}}), kNodes2DegreesBytes,
                    std::filesystem::path("grids") / "gebco15.hdr");
    FAIL() << "accepted";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              "グリッドのヘッダー \"" + std::filesystem::current_path().string() +
                  "/grids/gebco15.hdr\" が不正です (NBITS は 16 でなければなりません)");
  }
}

struct Refusal {
  const char* name;
  std::vector<std::pair<std::string, std::string>> changes;
  std::string reason;
  std::uint64_t fileBytes = kNodes2DegreesBytes;
};

std::ostream& operator<<(std::ostream& out, const Refusal& row) {
  return out << row.name;
}

class RefusedHeaderTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedHeaderTest, NamesWhatIsWrong) {
  EXPECT_EQ(RefusalOf(TwoDegreeHeaderWith(GetParam().changes), GetParam().fileBytes),
            HeaderMessage(kHeaderPath, GetParam().reason));
}

const std::string kNotNodes = "NROWS が北極から南極までの標本の数ではありません";
const std::string kNotCells = "NROWS が北極から南極までのセルの数ではありません";
const std::string kNotGlobal = "XDIM × NCOLS が 360 度 (全球) ではありません";
const std::string kWest = "ULXMAP は 0 度以上、XDIM 未満でなければなりません";
const std::string kNorth = "ULYMAP が 90 度でも、その半標本南でもありません";
const std::string kNotPositive = "NROWS と NCOLS は正でなければなりません";

std::string NoWholeSpacing(int columns) {
  return "NCOLS " + std::to_string(columns) +
         " では 1 度あたり整数個の標本にも標本あたり整数度にもなりません";
}

INSTANTIATE_TEST_SUITE_P(
    MissingKeys, RefusedHeaderTest,
    ::testing::Values(Refusal{"no NCOLS", {{"NCOLS", ""}}, "NCOLS がありません"},
                      Refusal{"no NROWS", {{"NROWS", ""}}, "NROWS がありません"},
                      Refusal{"no XDIM", {{"XDIM", ""}}, "XDIM がありません"},
                      Refusal{"no YDIM", {{"YDIM", ""}}, "YDIM がありません"},
                      Refusal{"no ULXMAP", {{"ULXMAP", ""}}, "ULXMAP がありません"},
                      Refusal{"no ULYMAP", {{"ULYMAP", ""}}, "ULYMAP がありません"},
                      Refusal{"no NBITS", {{"NBITS", ""}}, "NBITS は 16 でなければなりません"},
                      Refusal{"no PIXELTYPE",
                              {{"PIXELTYPE", ""}},
                              "PIXELTYPE は SIGNEDINT でなければなりません"}));

INSTANTIATE_TEST_SUITE_P(
    SampleLayouts, RefusedHeaderTest,
    ::testing::Values(
        Refusal{"8-bit", {{"NBITS", "8"}}, "NBITS は 16 でなければなりません"},
        Refusal{"unsigned",
                {{"PIXELTYPE", "UNSIGNEDINT"}},
                "PIXELTYPE は SIGNEDINT でなければなりません"},
        Refusal{"floats", {{"PIXELTYPE", "FLOAT"}}, "PIXELTYPE は SIGNEDINT でなければなりません"},
        Refusal{"high byte first", {{"BYTEORDER", "M"}}, "BYTEORDER は I でなければなりません"},
        Refusal{"three bands", {{"NBANDS", "3"}}, "NBANDS は 1 でなければなりません"},
        Refusal{"bytes before the samples",
                {{"SKIPBYTES", "4"}},
                "SKIPBYTES は 0 でなければなりません"},
        Refusal{"unknown layout", {{"LAYOUT", "foo"}}, "LAYOUT は BIL でなければなりません"},
        Refusal{"row of padded bands",
                {{"BANDROWBYTES", "362"}},
                "BANDROWBYTES が NCOLS × 2 ではありません"},
        Refusal{"row bytes of one-byte samples",
                {{"TOTALROWBYTES", "180"}},
                "TOTALROWBYTES が NCOLS × 2 ではありません"}));

INSTANTIATE_TEST_SUITE_P(
    Spacings, RefusedHeaderTest,
    ::testing::Values(
        Refusal{"1000 columns", {{"NCOLS", "1000"}}, NoWholeSpacing(1000)},
        Refusal{"40′: 1.5 per degree", {{"NCOLS", "540"}}, NoWholeSpacing(540)},
        Refusal{"40°: no whole rows pole to pole", {{"NCOLS", "9"}}, NoWholeSpacing(9)},
        Refusal{"7 per degree: off the lattice", {{"NCOLS", "2520"}}, NoWholeSpacing(2520)},
        Refusal{
            "1/8″: its half is off the lattice", {{"NCOLS", "10368000"}}, NoWholeSpacing(10368000)},
        Refusal{"no columns", {{"NCOLS", "0"}}, kNotPositive},
        Refusal{"negative rows", {{"NROWS", "-91"}}, kNotPositive},
        Refusal{"regional: 180° wide", {{"XDIM", "1"}, {"YDIM", "1"}}, kNotGlobal},
        Refusal{"a spacing a little off", {{"XDIM", "2.001"}, {"YDIM", "2.001"}}, kNotGlobal},
        Refusal{"a negative spacing", {{"XDIM", "-2"}, {"YDIM", "-2"}}, kNotGlobal},
        Refusal{"rows twice as close", {{"YDIM", "1"}}, "YDIM が XDIM と異なります"},
        Refusal{"rows counted upwards", {{"YDIM", "-2"}}, "YDIM が XDIM と異なります"}));

INSTANTIATE_TEST_SUITE_P(
    Placements, RefusedHeaderTest,
    ::testing::Values(
        Refusal{"from -180°", {{"ULXMAP", "-180"}}, kWest},
        Refusal{"a little west of 0°", {{"ULXMAP", "-0.5"}}, kWest},
        Refusal{"a whole spacing east of 0°", {{"ULXMAP", "2"}}, kWest},
        Refusal{"far east", {{"ULXMAP", "359"}}, kWest},
        Refusal{"a quarter sample south", {{"ULYMAP", "89.5"}}, kNorth},
        Refusal{"a whole sample south", {{"ULYMAP", "88"}, {"NROWS", "90"}}, kNorth},
        Refusal{"north of the pole", {{"ULYMAP", "91"}}, kNorth},
        Refusal{"from the south pole", {{"ULYMAP", "-90"}}, kNorth},
        Refusal{"nodes counted as cells", {{"NROWS", "90"}}, kNotNodes},
        Refusal{"nodes with a row to spare", {{"NROWS", "92"}}, kNotNodes},
        Refusal{"cells counted as nodes", {{"ULYMAP", "89"}}, kNotCells, 90 * 180 * 2},
        Refusal{"one byte short",
                {},
                "グリッドのファイルが 32759 バイトで、NROWS × NCOLS × 2 = 32760 バイトと合いません",
                32759},
        Refusal{"one byte long",
                {},
                "グリッドのファイルが 32761 バイトで、NROWS × NCOLS × 2 = 32760 バイトと合いません",
                32761},
        Refusal{"an empty file",
                {},
                "グリッドのファイルが 0 バイトで、NROWS × NCOLS × 2 = 32760 バイトと合いません",
                0}));

INSTANTIATE_TEST_SUITE_P(
    Text, RefusedHeaderTest,
    ::testing::Values(
        Refusal{"a key twice", {{"ncols", "180"}}, "ncols が二度あります"},
        Refusal{"a key twice, spelt alike", {{" XDIM", "2"}}, "XDIM が二度あります"},
        Refusal{"three words", {{"NODATA", "-32768 0"}}, "12 行目が「キー 値」ではありません"},
        Refusal{"a key alone", {{"NODATA", " "}}, "12 行目が「キー 値」ではありません"},
        Refusal{
            "a letter in a number", {{"XDIM", "0.0041x"}}, "XDIM の値 0.0041x が数ではありません"},
        Refusal{"not a number", {{"XDIM", "nan"}}, "XDIM の値 nan が数ではありません"},
        Refusal{"infinity", {{"ULYMAP", "inf"}}, "ULYMAP の値 inf が数ではありません"},
        Refusal{"beyond a double", {{"ULXMAP", "1e999"}}, "ULXMAP の値 1e999 が数ではありません"},
        Refusal{"a fraction of a row", {{"NROWS", "90.5"}}, "NROWS の値 90.5 が整数ではありません"},
        Refusal{"a hexadecimal count", {{"NCOLS", "0xB4"}}, "NCOLS の値 0xB4 が整数ではありません"},
        Refusal{"a count beyond 64 bits",
                {{"NCOLS", "99999999999999999999"}},
                "NCOLS の値 99999999999999999999 が整数ではありません"}));

class HugeNumberTest : public RefusedHeaderTest {};

// Numbers far beyond any grid are refused like any other wrong value, without arithmetic that
// overflows (the sanitizers stop at it).
TEST_P(HugeNumberTest, IsRefusedWithoutOverflow) {
  EXPECT_EQ(RefusalOf(TwoDegreeHeaderWith(GetParam().changes), GetParam().fileBytes),
            HeaderMessage(kHeaderPath, GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(
    BeyondAnyGrid, HugeNumberTest,
    ::testing::Values(Refusal{"the most columns",
                              {{"NCOLS", "9223372036854775807"}},
                              "NCOLS 9223372036854775807 では 1 "
                              "度あたり整数個の標本にも標本あたり整数度にもなりません"},
                      Refusal{
                          "the fewest columns", {{"NCOLS", "-9223372036854775807"}}, kNotPositive},
                      Refusal{"2e14° north", {{"ULYMAP", "200000000000000"}}, kNorth},
                      Refusal{"2e14° south", {{"ULYMAP", "-200000000000000"}}, kNorth},
                      Refusal{"1e300° east", {{"ULXMAP", "1e300"}}, kWest},
                      Refusal{"a spacing of 1e300°", {{"XDIM", "1e300"}}, kNotGlobal}));

TEST(GridHeaderPathTest, PutsHdrInPlaceOfTheExtension) {
  EXPECT_EQ(GridHeaderPath("/data/gebco15.bil"), std::filesystem::path("/data/gebco15.hdr"));
  EXPECT_EQ(GridHeaderPath("ETOPO5.DOS"), std::filesystem::path("ETOPO5.hdr"));
  EXPECT_EQ(GridHeaderPath("grids.v2/world"), std::filesystem::path("grids.v2/world.hdr"));
  EXPECT_EQ(GridHeaderPath("world.2024.bil"), std::filesystem::path("world.2024.hdr"));
}

TEST(GridHeaderPathTest, AGridNamedHdrHasNone) {
  EXPECT_EQ(GridHeaderPath("/data/world.hdr"), std::nullopt);
}

// A 2° grid file beside its header, each sample holding its own index in the file.
std::filesystem::path WriteTwoDegreeGrid(const TempDir& dir, const std::string& header) {
  std::vector<std::uint8_t> bytes(kNodes2DegreesBytes);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    bytes[i] = static_cast<std::uint8_t>(i / 2);
    bytes[i + 1] = static_cast<std::uint8_t>(i / 2 >> 8);
  }
  dir.Write("world.hdr", header);
  return dir.Write("world.bil", bytes);
}

std::vector<int> SamplesAt(const HeightGrid& grid, int row, int column, int count) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * 2);
  grid.ReadSamples(row, column, bytes);
  std::vector<int> samples;
  for (int i = 0; i < count; ++i) samples.push_back(RawSampleAt(bytes.data(), i));
  return samples;
}

TEST(HeaderBesideTheGridTest, GivesTheGridItsGeometry) {
  TempDir dir;
  const HeightGrid grid(WriteTwoDegreeGrid(dir, TwoDegreeHeaderWith({{"ULXMAP", "1"}})));
  EXPECT_TRUE(grid.HasHeader());
  EXPECT_EQ(Fields(grid.Geometry()), Fields({180, 91, 1, 2, 28800, LatitudeRegistration::kNodes,
                                             SampleEncoding::kSigned16}));
}

TEST(HeaderBesideTheGridTest, SamplesAreReadFromTheirRowAndColumn) {
  TempDir dir;
  const HeightGrid grid(WriteTwoDegreeGrid(dir, kNodes2Degrees));
  EXPECT_EQ(SamplesAt(grid, 0, 0, 2), (std::vector<int>{0, 1}));
  EXPECT_EQ(SamplesAt(grid, 5, 7, 3), (std::vector<int>{5 * 180 + 7, 5 * 180 + 8, 5 * 180 + 9}));
  EXPECT_EQ(SamplesAt(grid, 90, 179, 1), (std::vector<int>{90 * 180 + 179}));
}

TEST(HeaderBesideTheGridTest, AGridThatShrinksAfterTheOpenFailsToRead) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, kNodes2Degrees);
  const HeightGrid grid(path);
  std::filesystem::resize_file(path, 10 * 180 * 2 + 1);  // ten rows and half a sample
  EXPECT_EQ(SamplesAt(grid, 9, 179, 1), (std::vector<int>{9 * 180 + 179}));
  for (const int row : {10, 90}) {  // row 10 holds one byte of its first sample
    try {
      SamplesAt(grid, row, 0, 1);
      ADD_FAILURE() << "read row " << row;
    } catch (const OranduError& error) {
      EXPECT_EQ(std::string(error.what()), "ストリームからの読み込みエラー");
    }
  }
}

TEST(HeaderBesideTheGridTest, AnInvalidHeaderFailsTheOpenWithItsReason) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, TwoDegreeHeaderWith({{"NROWS", "90"}}));
  try {
    HeightGrid grid(path);
    FAIL() << "opened";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()), HeaderMessage(dir / "world.hdr", kNotNodes));
  }
}

TEST(HeaderBesideTheGridTest, AGridOfAnotherSizeFailsTheOpen) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, kNodes2Degrees);
  std::filesystem::resize_file(path, kNodes2DegreesBytes - 1);
  try {
    HeightGrid grid(path);
    FAIL() << "opened";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              HeaderMessage(dir / "world.hdr",
                            "グリッドのファイルが 32759 バイトで、NROWS × NCOLS × 2 = 32760 "
                            "バイトと合いません"));
  }
}

TEST(HeaderBesideTheGridTest, AHeaderOf64KiBIsReadAndOneByteMoreIsNot) {
  TempDir dir;
  std::string header = kNodes2Degrees;
  header.resize(64 * 1024, '\n');
  EXPECT_TRUE(HeightGrid(WriteTwoDegreeGrid(dir, header)).HasHeader());
  header += '\n';
  try {
    HeightGrid grid(WriteTwoDegreeGrid(dir, header));
    FAIL() << "opened";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              HeaderMessage(dir / "world.hdr", "ヘッダーとしては大きすぎます"));
  }
}

// A terabyte read whole would fail to allocate, not refuse the header by its size.
TEST(HeaderBesideTheGridTest, AHugeHeaderIsRefusedUnread) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, kNodes2Degrees);
  std::filesystem::resize_file(dir / "world.hdr", std::uintmax_t{1} << 40);  // sparse
  try {
    HeightGrid grid(path);
    FAIL() << "opened";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              HeaderMessage(dir / "world.hdr", "ヘッダーとしては大きすぎます"));
  }
}

TEST(HeaderBesideTheGridTest, AHeaderThatIsNoFileIsRefusedAndNeverWaitedFor) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, kNodes2Degrees);
  const auto header = dir / "world.hdr";
  std::filesystem::remove(header);
  std::filesystem::create_directory(header);
  for (const char* reason : {"Is a directory", "Invalid argument"}) {
    try {
      HeightGrid grid(path);
      ADD_FAILURE() << "opened beside a header that is no file";
    } catch (const OranduError& error) {
      EXPECT_EQ(std::string(error.what()),
                "ファイル \"" + header.string() + "\". " + reason + " は開けません");
    }
    std::filesystem::remove(header);
    ASSERT_EQ(::mkfifo(header.c_str(), 0600), 0);  // no writer: a blocking open would wait
  }
}

// A link to a header that is gone is a header that cannot be read, not the ETOPO5 layout.
TEST(HeaderBesideTheGridTest, ALinkToNoHeaderIsRefused) {
  TempDir dir;
  const auto path = WriteTwoDegreeGrid(dir, kNodes2Degrees);
  const auto header = dir / "world.hdr";
  std::filesystem::remove(header);
  std::filesystem::create_symlink(dir / "gone.hdr", header);
  try {
    HeightGrid grid(path);
    ADD_FAILURE() << "opened beside a link to no header";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + header.string() + "\". No such file or directory は開けません");
  }
}

TEST(HeaderlessGridTest, AFileNamedHdrIsAnEtopo5Grid) {
  TempDir dir;
  const HeightGrid grid(dir.Write("world.hdr", kNodes2Degrees));
  EXPECT_FALSE(grid.HasHeader());
  EXPECT_EQ(Fields(grid.Geometry()), Fields(kEtopo5Geometry));
}

TEST(HeaderlessGridTest, Etopo5WithoutAHeaderKeepsItsLayout) {
  TempDir dir;
  const HeightGrid grid(dir.Write("ETOPO5.DOS", std::string(RowBytes, '\0')));
  EXPECT_FALSE(grid.HasHeader());
  EXPECT_EQ(Fields(grid.Geometry()),
            Fields({4320, 2160, 12, 1, 0, LatitudeRegistration::kNodes, SampleEncoding::kEtopo5}));
}

TEST(HeaderlessGridTest, TheRealEtopo5OpensAsEtopo5) {
  const std::filesystem::path path = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no converted grid at " << path;
  const HeightGrid grid(path);
  EXPECT_FALSE(grid.HasHeader());
  EXPECT_EQ(Fields(grid.Geometry()), Fields(kEtopo5Geometry));
  const std::vector<int> pole = SamplesAt(grid, 0, 4319, 1);
  EXPECT_EQ(HeightOf(static_cast<std::uint16_t>(pole[0]), grid.Geometry().encoding), -4290);
}

}  // namespace
}  // namespace orandu
