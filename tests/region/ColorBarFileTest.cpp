// A colour bar file is decoded by the kind its extension names, or refused with the user's message.
#include "ColorBarFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Errors.h"
#include "PictureFormats.h"
#include "support/TempDir.h"

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
      {"bar.gif", "gif"}, {"bar.bmp.txt", "txt"}, {"bar", ""},
      {"bar.", ""},       {"folder.bmp/bar", ""}, {"bar.ビットマップ", "ビットマップ"},
  };
  for (const auto& [name, extension] : cases) {
    EXPECT_EQ(LoadError(dir_ / name), "拡張子 ." + extension + " の画像形式は処理できません") << name;
  }
}

TEST_F(ColorBarFileTest, FileThatCannotBeOpenedNamesItsPath) {
  EXPECT_EQ(LoadError(dir_ / "missing.bmp"),
            "ファイル \"" + (dir_ / "missing.bmp").string() + "\". " + std::strerror(ENOENT) +
                " は開けません");
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
  EXPECT_EQ(LoadError(dir_.Write("short.bmp", std::string("BM"))), "ストリームからの読み込みエラー");
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
  EXPECT_EQ(LoadError(endless), "ファイル \"" + endless.string() + "\". " + std::strerror(EINVAL) + " は開けません");
  const auto fifo = dir_ / "bar.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadError(fifo), "ファイル \"" + fifo.string() + "\". " + std::strerror(EINVAL) + " は開けません");
}

// A sparse file: huge to the file system, nothing on disk, never read into memory.
TEST_F(ColorBarFileTest, FileTooLargeForAnyPictureIsRefusedUnread) {
  const auto huge = dir_.Write("huge.bmp", bmp_);
  std::filesystem::resize_file(huge, (std::uintmax_t{1} << 30) + 1);
  EXPECT_EQ(LoadError(huge), "画像ファイルが大きすぎます (1073741825 バイト)");
}

}  // namespace
}  // namespace orandu
