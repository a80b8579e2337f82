// The grid file's layout, sample decoding, and how files of the wrong size or kind are read.
#include "region/grid/HeightGrid.h"

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>

#include "region/files/Errors.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::TempDir;

struct Decoding {
  std::uint16_t raw;
  HeightSample metres;
};

std::ostream& operator<<(std::ostream& out, const Decoding& d) {
  return out << "raw " << d.raw;
}

class DecodeSampleTest : public ::testing::TestWithParam<Decoding> {};

TEST_P(DecodeSampleTest, SplitsHeightsFromDepthsAtTenThousand) {
  EXPECT_EQ(DecodeSample(GetParam().raw), GetParam().metres);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, DecodeSampleTest,
                         ::testing::Values(Decoding{0, 0}, Decoding{10000, 10000},
                                           Decoding{10001, -55535}, Decoding{32767, -32769},
                                           Decoding{32768, -32768}, Decoding{55536, -10000},
                                           Decoding{65535, -1}));

TEST(RawSampleAtTest, ReadsLowByteFirst) {
  const std::uint8_t row[] = {0x10, 0x27, 0x11, 0x27, 0xFF, 0xFF};
  EXPECT_EQ(DecodeSample(RawSampleAt(row, 0)), 10000);
  EXPECT_EQ(DecodeSample(RawSampleAt(row, 1)), -55535);
  EXPECT_EQ(DecodeSample(RawSampleAt(row, 2)), -1);
}

TEST(GridLayoutTest, HasTheFixedEtopo5Size) {
  EXPECT_EQ(RowBytes, 8640);
  EXPECT_EQ(GridBytes, 18'662'400);
  EXPECT_EQ(std::int64_t{2159} * RowBytes, 18'653'760);
}

// A file of whole rows where every byte of row r is r % 251, so a read shows which row it got.
std::filesystem::path WriteRows(const TempDir& dir, int rows, int extraBytes = 0) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rows) * RowBytes + extraBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i / RowBytes % 251);
  return dir.Write("grid.dos", bytes);
}

TEST(HeightGridTest, ReadsTheLastRowThenEndsAtTheEndOfTheFile) {
  TempDir dir;
  HeightGrid grid(WriteRows(dir, GridRows));
  GridRow row;
  grid.SeekRow(2159);
  EXPECT_EQ(grid.ReadRow(row), RowBytes);
  EXPECT_EQ(row[0], 2159 % 251);
  EXPECT_EQ(grid.ReadRow(row), 0u);
}

TEST(HeightGridTest, NegativeRowLeavesTheFileAtItsStart) {
  TempDir dir;
  HeightGrid grid(WriteRows(dir, 3));
  GridRow row;
  grid.SeekRow(-5);
  ASSERT_EQ(grid.ReadRow(row), RowBytes);
  EXPECT_EQ(row[0], 0);
}

TEST(HeightGridTest, ShortFileEndsWithAPartialRowAndNoError) {
  TempDir dir;
  HeightGrid grid(WriteRows(dir, 1, 100));
  GridRow row;
  EXPECT_EQ(grid.ReadRow(row), RowBytes);
  EXPECT_EQ(grid.ReadRow(row), 100u);
  EXPECT_EQ(grid.ReadRow(row), 0u);
  grid.SeekRow(50);  // far past the end: nothing to read, no error
  EXPECT_EQ(grid.ReadRow(row), 0u);
}

void ExpectCannotOpen(const std::filesystem::path& path, const std::string& reason) {
  try {
    HeightGrid grid(path);
    FAIL() << "opened " << path;
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()),
              "ファイル \"" + std::filesystem::absolute(path).lexically_normal().string() + "\". " +
                  reason + " は開けません");
  }
}

TEST(HeightGridTest, RefusesWhatCannotBeReadAsARegularFile) {
  TempDir dir;
  ExpectCannotOpen(dir / "missing.dos", "No such file or directory");
  ExpectCannotOpen(dir.path(), "Is a directory");
  const auto fifo = dir / "fifo.dos";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ExpectCannotOpen(fifo, "Invalid argument");         // would otherwise wait for a writer for ever
  ExpectCannotOpen("/dev/zero", "Invalid argument");  // would otherwise never end
}

struct FirstBytes {
  std::string bytes;
  std::string refusedAs;  // the format the message names, empty where the file opens as a grid
};

std::ostream& operator<<(std::ostream& out, const FirstBytes& row) {
  out << "first bytes";
  for (const char byte : row.bytes) out << ' ' << static_cast<int>(static_cast<std::uint8_t>(byte));
  return out;
}

class GridSignatureTest : public ::testing::TestWithParam<FirstBytes> {};

// A netCDF or HDF5 file chosen as the grid would paint noise; it is refused with a message that
// names the tool that converts it. Bytes that only resemble a signature open as a grid.
TEST_P(GridSignatureTest, RefusesContainerFilesByNameAndOpensEverythingElse) {
  TempDir dir;
  const std::vector<std::uint8_t> head(GetParam().bytes.begin(), GetParam().bytes.end());
  std::vector<std::uint8_t> bytes(RowBytes);
  std::copy(head.begin(), head.end(), bytes.begin());
  if (head.size() < 4) bytes.resize(head.size());  // the whole file is these bytes
  const auto path = dir.Write("etopo5.cdf", bytes);
  try {
    HeightGrid grid(path);
    EXPECT_EQ(GetParam().refusedAs, "") << "opened as a grid";
  } catch (const OranduError& error) {
    EXPECT_EQ(std::string(error.what()), "ファイル \"" + path.string() + "\" は " +
                                             GetParam().refusedAs +
                                             " 形式です (orandu-import で変換してください)");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, GridSignatureTest,
    ::testing::Values(FirstBytes{std::string("CDF\x01", 4), "netCDF"},
                      FirstBytes{std::string("CDF\x02", 4), "netCDF"},
                      FirstBytes{std::string("CDF\x05", 4), "netCDF"},
                      FirstBytes{std::string("\x89HDF\r\n\x1a\n", 8), "netCDF-4/HDF5"},
                      FirstBytes{std::string("CDF\x03", 4), ""},
                      FirstBytes{std::string("cdf\x01", 4), ""},
                      FirstBytes{std::string("\x88HDF", 4), ""},
                      FirstBytes{std::string("CDF", 3), ""},     // too short to hold one
                      FirstBytes{std::string("\x89HD", 3), ""},  // too short to hold one
                      FirstBytes{std::string("\x10\x27"
                                             "CDF\x01",
                                             6),
                                 ""}));

// Root reads any file whatever its permission bits. While the file-system user id is not 0 the
// kernel takes away the capabilities that let it, and gives them back when the id returns to 0;
// an ordinary user is bound by the bits already, and the change is then simply refused.
// The group id changes too, so that the files' "other" permission bits are the ones that apply.
class WithoutRootsFileAccess {
 public:
  WithoutRootsFileAccess()
      : previousGroup_(::setfsgid(kNobody)), previousUser_(::setfsuid(kNobody)) {}
  ~WithoutRootsFileAccess() {
    ::setfsuid(static_cast<uid_t>(previousUser_));
    ::setfsgid(static_cast<gid_t>(previousGroup_));
  }
  WithoutRootsFileAccess(const WithoutRootsFileAccess&) = delete;
  WithoutRootsFileAccess& operator=(const WithoutRootsFileAccess&) = delete;

 private:
  static constexpr unsigned kNobody = 65534;
  int previousGroup_;
  int previousUser_;
};

TEST(HeightGridTest, RefusesAFileItMayNotRead) {
  TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  const auto readable = WriteRows(dir, 1);
  std::filesystem::permissions(readable, std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  const auto locked = dir.Write("locked.dos", std::string(RowBytes, '\0'));
  std::filesystem::permissions(locked, std::filesystem::perms::owner_write);

  const WithoutRootsFileAccess unprivileged;
  try {
    HeightGrid grid(readable);
  } catch (const OranduError& error) {
    GTEST_SKIP() << "the temporary folder cannot be reached without root's access: "
                 << error.what();
  }
  ExpectCannotOpen(locked, "Permission denied");
}

TEST(HeightGridTest, QuotesARelativePathInFull) {
  const auto relative = std::filesystem::path("no-such-folder") / ".." / "missing.dos";
  try {
    HeightGrid grid(relative);
    FAIL();
  } catch (const OranduError& error) {
    const auto expanded = (std::filesystem::current_path() / "missing.dos").string();
    EXPECT_NE(std::string(error.what()).find("\"" + expanded + "\""), std::string::npos)
        << error.what();
  }
}

TEST(RealGridTest, MatchesTheKnownFiguresOfEtopo5) {
  const std::filesystem::path path = std::filesystem::path(ORANDU_TEST_DATA_DIR) / "ETOPO5.DOS";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no converted grid at " << path;
  ASSERT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(GridBytes));
  HeightGrid grid(path);
  GridRow row;
  HeightSample lowest = 0;
  HeightSample highest = 0;
  for (int r = 0; r < GridRows; ++r) {
    ASSERT_EQ(grid.ReadRow(row), RowBytes);
    for (int c = 0; c < GridColumns; ++c) {
      const HeightSample h = DecodeSample(RawSampleAt(row.data(), c));
      if (r == 0) {
        ASSERT_EQ(h, -4290) << "row 0, the North Pole, column " << c;
      }
      lowest = std::min(lowest, h);
      highest = std::max(highest, h);
    }
  }
  EXPECT_EQ(lowest, -10376);
  EXPECT_EQ(highest, 7833);
}

}  // namespace
}  // namespace orandu
