// A colour bar file is decoded by the kind its extension names, or refused with the user's message.
#include "region/palette/ColorBarFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "region/colorbar/ColorBar.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadFile;
using testing::TempDir;

const Picture kBar = {3, 1, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}};

std::string LoadError(const std::filesystem::path& path) {
  try {
    LoadColorBar(path);
  } catch (const OranduError& error) {
    return error.what();
  }
  return "no error";
}

// Bitmap and PNG bytes made by the writers, under any name.
class ColorBarFileTest : public ::testing::Test {
 protected:
  ColorBarFileTest() {
    WriteBmp(dir_ / "source.bmp", kBar);
    WritePng(dir_ / "source.png", kBar);
    bmp_ = ReadFile(dir_ / "source.bmp");
    png_ = ReadFile(dir_ / "source.png");
  }

  TempDir dir_;
  std::vector<std::uint8_t> bmp_;
  std::vector<std::uint8_t> png_;
};

TEST_F(ColorBarFileTest, ExtensionIsComparedWithoutRegardToCase) {
  for (const std::string name : {"bar.bmp", "BAR.BMP", "bar.Bmp", "archive.tar.bmp", ".bmp"}) {
    EXPECT_EQ(LoadColorBar(dir_.Write(name, bmp_)).pixels, kBar.pixels) << name;
  }
  for (const std::string name : {"bar.png", "BAR.PNG", "bar.pNg"}) {
    EXPECT_EQ(LoadColorBar(dir_.Write(name, png_)).pixels, kBar.pixels) << name;
  }
}

// PNG bytes under a JPEG name reach the JPEG decoder, which says it is no JPEG.
TEST_F(ColorBarFileTest, JpgAndJpegNamesAreReadAsJpeg) {
  for (const std::string name : {"bar.jpg", "bar.JPG", "bar.jpeg", "BAR.Jpeg"}) {
    const std::string message = LoadError(dir_.Write(name, png_));
    EXPECT_TRUE(message.starts_with("JPEG ")) << name << ": " << message;
  }
}

// The extension decides, not the content: bitmap bytes named .png are a broken PNG.
TEST_F(ColorBarFileTest, ContentOfAnotherKindIsRefused) {
  EXPECT_TRUE(LoadError(dir_.Write("bar.png", bmp_)).starts_with("PNG "));
  EXPECT_EQ(LoadError(dir_.Write("bar.bmp", png_)), "ビットマップイメージが不正です");
}

// Checked before the file is opened: none of these files exists.
TEST_F(ColorBarFileTest, OtherExtensionsAreRefusedAsTheNameSpellsThem) {
  const struct {
    std::string name;
    std::string extension;
  } cases[] = {
      {"bar.ico", "ico"}, {"bar.EMF", "EMF"},     {"bar.wmf", "wmf"},
      {"bar.gif", "gif"}, {"bar.bmp.doc", "doc"}, {"bar", ""},
      {"bar.", ""},       {"folder.bmp/bar", ""}, {"bar.ビットマップ", "ビットマップ"},
  };
  for (const auto& [name, extension] : cases) {
    EXPECT_EQ(LoadError(dir_ / name), "拡張子 ." + extension + " の画像形式は処理できません")
        << name;
  }
}

TEST_F(ColorBarFileTest, FileThatCannotBeOpenedNamesItsPath) {
  EXPECT_EQ(LoadError(dir_ / "missing.bmp"), "ファイル \"" + (dir_ / "missing.bmp").string() +
                                                 "\". " + std::strerror(ENOENT) + " は開けません");
  std::filesystem::create_directory(dir_ / "folder.bmp");
  EXPECT_TRUE(LoadError(dir_ / "folder.bmp").ends_with(" は開けません"));
}

TEST_F(ColorBarFileTest, EmptyBitmapFileIsAnEmptyPicture) {
  const Picture picture = LoadColorBar(dir_.Write("empty.bmp", std::string()));
  EXPECT_TRUE(picture.empty());
}

TEST_F(ColorBarFileTest, BrokenBitmapGivesTheBitmapMessages) {
  std::vector<std::uint8_t> cut = bmp_;
  cut.pop_back();
  EXPECT_EQ(LoadError(dir_.Write("cut.bmp", cut)), "ストリームからの読み込みエラー");
  EXPECT_EQ(LoadError(dir_.Write("short.bmp", std::string("BM"))),
            "ストリームからの読み込みエラー");
  EXPECT_EQ(LoadError(dir_.Write("text.bmp", std::string("not a bitmap at all"))),
            "ビットマップイメージが不正です");
}

// The texts the user reads, word for word.
TEST_F(ColorBarFileTest, MessagesReadAsTheUserSeesThem) {
  EXPECT_EQ(LoadError(dir_ / "bar.gif"), "拡張子 .gif の画像形式は処理できません");
  EXPECT_EQ(LoadError(dir_.Write("short.bmp", std::string("BM\0\0", 4))),
            "ストリームからの読み込みエラー");
  EXPECT_EQ(LoadError(dir_.Write("text.bmp", std::string("GIF89a, not a bitmap"))),
            "ビットマップイメージが不正です");
}

// A device never ends and a FIFO may never answer: under a picture's name they are refused
// before anything is read.
TEST_F(ColorBarFileTest, DeviceOrFifoUnderAPictureNameIsRefusedUnread) {
  const auto endless = dir_ / "x.bmp";
  std::filesystem::create_symlink("/dev/zero", endless);
  EXPECT_EQ(LoadError(endless),
            "ファイル \"" + endless.string() + "\". " + std::strerror(EINVAL) + " は開けません");
  const auto fifo = dir_ / "bar.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadError(fifo),
            "ファイル \"" + fifo.string() + "\". " + std::strerror(EINVAL) + " は開けません");
}

// A sparse file: huge to the file system, nothing on disk, never read into memory.
TEST_F(ColorBarFileTest, FileTooLargeForAnyPictureIsRefusedUnread) {
  const auto huge = dir_.Write("huge.bmp", bmp_);
  std::filesystem::resize_file(huge, (std::uintmax_t{1} << 30) + 1);
  EXPECT_EQ(LoadError(huge), "画像ファイルが大きすぎます (1073741825 バイト)");
}

// A bar wider and taller than anything shown or looked up: only columns 0 ... 399 of the top row
// are ever looked up and the legend shows at most 402 columns of 30 rows, so that is all that
// is kept, and every height finds the colour it found in the whole picture.
TEST_F(ColorBarFileTest, LargeBarKeepsWhatIsShownAndLooksUpAsTheWholePicture) {
  Picture wide{1000, 40, {}};
  for (int y = 0; y < wide.height; ++y) {
    for (int x = 0; x < wide.width; ++x) {
      wide.pixels.push_back(y == 0 ? Rgb{static_cast<std::uint8_t>(x % 256),
                                         static_cast<std::uint8_t>(x / 256 * 60), 7}
                                   : Rgb{0, 0, static_cast<std::uint8_t>(y)});
    }
  }
  WriteBmp(dir_ / "wide.bmp", wide);
  WritePng(dir_ / "wide.png", wide);
  for (const std::string name : {"wide.bmp", "wide.png"}) {
    const Picture bar = LoadColorBar(dir_ / name);
    ASSERT_EQ(bar.width, 402) << name;
    ASSERT_EQ(bar.height, 30) << name;
    for (int column = 0; column < 400; ++column) {
      const HeightSample height = (column - 199) * 50;
      const Rgb expected{static_cast<std::uint8_t>(column % 256),
                         static_cast<std::uint8_t>(column / 256 * 60), 7};
      ASSERT_EQ(BarColor(bar, height), expected) << name << " column " << column;
    }
    EXPECT_EQ(BarColor(bar, 10000), (Rgb{143, 60, 7})) << name;  // column 399
    EXPECT_EQ(bar.at(401, 29), (Rgb{0, 0, 29})) << name;
  }
}

// A bar of ordinary size is kept whole.
TEST_F(ColorBarFileTest, BarNarrowerThanTheWindowIsKeptWhole) {
  Picture bar{400, 10, {}};
  for (int i = 0; i < 4000; ++i) bar.pixels.push_back({static_cast<std::uint8_t>(i % 251), 1, 2});
  WriteBmp(dir_ / "bar.bmp", bar);
  const Picture loaded = LoadColorBar(dir_ / "bar.bmp");
  EXPECT_EQ(loaded.width, 400);
  EXPECT_EQ(loaded.height, 10);
  EXPECT_EQ(loaded.pixels, bar.pixels);
}

// Heap the process holds now, in bytes.
std::uint64_t DataBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmData:")) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

// In a child process: the bar loads, under a limit of 64 MiB more heap than there is now, with
// the three pixels of its top row written below.
bool LoadsTopRowWith64MiBToSpare(const std::filesystem::path& path) {
  const rlimit limit{DataBytes() + (64 << 20), RLIM_INFINITY};
  ::setrlimit(RLIMIT_DATA, &limit);
  const Picture bar = LoadColorBar(path);
  return bar.width == 402 && bar.height == 30 && bar.at(0, 0) == Rgb{0x10, 0x20, 0x30} &&
         bar.at(2, 0) == Rgb{0x12, 0x20, 0x30} && bar.at(3, 0) == Rgb{0, 0, 0};
}

// A bottom-up bitmap of 8192 x 8192 keeps its top row at the end of a 192 MiB file, which is
// sparse here. Loaded with no more than 64 MiB of memory to spare: reading it whole, or
// decoding all of it, would take 192 MiB each.
TEST_F(ColorBarFileTest, TopRowAtTheEndOfAHugeBitmapIsReadWithoutTheRest) {
  constexpr std::uint32_t kSide = 8192;
  constexpr std::uint64_t kStride = kSide * 3;
  std::vector<std::uint8_t> headers = bmp_;
  headers.resize(54);
  const auto put32 = [&](std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) headers[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put32(2, 54 + kStride * kSide);
  put32(18, kSide);
  put32(22, kSide);
  put32(34, kStride * kSide);
  const auto path = dir_.Write("huge.bmp", headers);
  std::filesystem::resize_file(path, 54 + kStride * kSide);
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(54 + kStride * (kSide - 1)));
    for (int x = 0; x < 3; ++x) file.put(0x30).put(0x20).put(static_cast<char>(0x10 + x));
  }
  EXPECT_EXIT(std::_Exit(LoadsTopRowWith64MiBToSpare(path) ? 0 : 1), ::testing::ExitedWithCode(0),
              "");
}

}  // namespace
}  // namespace orandu
