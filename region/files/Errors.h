// The program's error type and the exact texts of the messages it reports.
#pragma once

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

// "拡張子 .<ext> の画像形式は処理できません", ext as the file name spells it, without its dot.
std::string UnsupportedPictureMessage(std::string_view extension);

// "<path> に書き込めません".
std::string CannotWriteMessage(const std::filesystem::path& path);

// "画像は <picture> に保存しましたが、ワールドファイル <world> に書き込めません": the picture is
// whole, its world file was not written.
std::string WorldFileNotWrittenMessage(const std::filesystem::path& picture,
                                       const std::filesystem::path& world);

}  // namespace orandu
