// The program's error type and the exact texts of the messages it reports.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orandu {

// Every failure the user may see is raised as an OranduError whose what() is the UTF-8 text
// of the message box; the window layer only shows it.
class OranduError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kInvalidBitmapMessage = "ビットマップイメージが不正です";
inline constexpr std::string_view kStreamReadErrorMessage = "ストリームからの読み込みエラー";

// "PNG イメージが不正です (<reason>)" and "JPEG イメージが不正です (<reason>)": the reason is the
// decoder's own words, in English.
std::string InvalidPngMessage(std::string_view reason);
std::string InvalidJpegMessage(std::string_view reason);

// "画像が大きすぎます (<width> x <height> ピクセル)".
std::string PictureTooLargeMessage(std::int64_t width, std::int64_t height);

// The files refused for their size before they are read.
enum class TooLargeFile { kPalette, kPicture };

// "パレットファイルが大きすぎます (<bytes> バイト)" or "画像ファイルが大きすぎます (<bytes>
// バイト)".
std::string FileTooLargeMessage(TooLargeFile file, std::uint64_t bytes);

// "パレットが不正です (行 N)", N counted from 1.
std::string InvalidPaletteMessage(int line);

// "ファイル "<path>". <reason> は開けません": path is made absolute before it is quoted.
std::string CannotOpenMessage(const std::filesystem::path& path, std::string_view reason);

// The container formats orandu-import converts into a grid, known by their first bytes.
enum class ContainerFormat {
  kNetcdf,  // classic netCDF: "CDF" and a version byte
  kHdf5,    // HDF5, which netCDF-4 files are
};

// "ファイル "<path>" は <format> 形式です (orandu-import で変換してください)", path made absolute
// as in CannotOpenMessage; the format reads "netCDF" or "netCDF-4/HDF5".
std::string ContainerGridMessage(const std::filesystem::path& path, ContainerFormat format);

// "グリッドのヘッダー "<path>" が不正です (<reason>)", path made absolute as in
// CannotOpenMessage: a grid whose raster header cannot describe it.
std::string InvalidGridHeaderMessage(const std::filesystem::path& header, std::string_view reason);

// "拡張子 .<ext> の画像形式は処理できません", ext as the file name spells it, without its dot.
std::string UnsupportedPictureMessage(std::string_view extension);

// "<path> に書き込めません".
std::string CannotWriteMessage(const std::filesystem::path& path);

// "画像は <picture> に保存しましたが、ワールドファイル <world> に書き込めません": the picture is
// whole, its world file was not written.
std::string WorldFileNotWrittenMessage(const std::filesystem::path& picture,
                                       const std::filesystem::path& world);

}  // namespace orandu
