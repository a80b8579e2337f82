// The GeoTIFF and netCDF writers refuse and fail as the other picture writers do: nothing painted
// for a file that cannot be made, the old file kept whole when a row fails.
#include "region/GeoTiffWriter.h"
#include "region/NetCdfHeightsWriter.h"

#include <gtest/gtest.h>

#include "region/files/Errors.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::TempDir;

using GeoWrite = void (*)(const std::filesystem::path&, int, int, const GeoPlacement&,
                          const RowSource&);
constexpr GeoWrite kWriters[] = {WriteGeoTiffRows, WriteGeoTiffHeightRows, WriteNetCdfHeightRows};
const GeoPlacement kPlacement{-0.125, 12.625, 1.0 / 12};

TEST(GeoWritersTest, UnwritableTargetFailsBeforeAnyRowIsPainted) {
  TempDir dir;
  const auto target = dir / "missing" / "region.tif";
  for (const GeoWrite write : kWriters) {
    int asked = 0;
    try {
      write(target, 4, 3, kPlacement, [&](int, std::span<std::uint8_t>) { ++asked; });
      ADD_FAILURE() << "no error";
    } catch (const OranduError& error) {
      EXPECT_EQ(error.what(), target.string() + " に書き込めません");
    }
    EXPECT_EQ(asked, 0);
  }
}

TEST(GeoWritersTest, FailingRowSourceKeepsTheOldFile) {
  TempDir dir;
  for (const GeoWrite write : kWriters) {
    const auto target = dir.Write("keep.tif", std::string("old"));
    EXPECT_THROW(write(target, 30000, 5, kPlacement,
                       [](int y, std::span<std::uint8_t>) {
                         if (y == 3) throw OranduError("read failed");
                       }),
                 OranduError);
    EXPECT_EQ(ReadFile(target), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

TEST(GeoWritersTest, RefusesMoreThanTheLargestPictureBeforeWriting) {
  TempDir dir;
  int asked = 0;
  for (const GeoWrite write : kWriters) {
    try {
      write(dir / "huge.tif", 8193, 8192, kPlacement,
            [&](int, std::span<std::uint8_t>) { ++asked; });
      ADD_FAILURE() << "no error";
    } catch (const OranduError& error) {
      EXPECT_STREQ(error.what(), "画像が大きすぎます (8193 x 8192 ピクセル)");
    }
  }
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace orandu
