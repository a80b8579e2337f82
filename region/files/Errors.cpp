// Builds the parametrised message texts.
#include "region/files/Errors.h"

#include <system_error>

namespace orandu {

namespace {

std::string AbsoluteText(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::path expanded = std::filesystem::absolute(path, ignored);
  if (expanded.empty()) expanded = path;
  return expanded.lexically_normal().string();
}

}  // namespace

std::string InvalidPngMessage(std::string_view reason) {
  return "PNG イメージが不正です (" + std::string(reason) + ")";
}

std::string InvalidJpegMessage(std::string_view reason) {
  return "JPEG イメージが不正です (" + std::string(reason) + ")";
}

std::string PictureTooLargeMessage(std::int64_t width, std::int64_t height) {
  return "画像が大きすぎます (" + std::to_string(width) + " x " + std::to_string(height) +
         " ピクセル)";
}

std::string FileTooLargeMessage(TooLargeFile file, std::uint64_t bytes) {
  const std::string_view what =
      file == TooLargeFile::kPalette ? "パレットファイル" : "画像ファイル";
  return std::string(what) + "が大きすぎます (" + std::to_string(bytes) + " バイト)";
}

std::string InvalidPaletteMessage(int line) {
  return "パレットが不正です (行 " + std::to_string(line) + ")";
}

std::string CannotOpenMessage(const std::filesystem::path& path, std::string_view reason) {
  return "ファイル \"" + AbsoluteText(path) + "\". " + std::string(reason) + " は開けません";
}

std::string ContainerGridMessage(const std::filesystem::path& path, ContainerFormat format) {
  const std::string_view name = format == ContainerFormat::kNetcdf ? "netCDF" : "netCDF-4/HDF5";
  return "ファイル \"" + AbsoluteText(path) + "\" は " + std::string(name) +
         " 形式です (orandu-import で変換してください)";
}

std::string InvalidGridHeaderMessage(const std::filesystem::path& header, std::string_view reason) {
  return "グリッドのヘッダー \"" + AbsoluteText(header) + "\" が不正です (" + std::string(reason) +
         ")";
}

std::string UnsupportedPictureMessage(std::string_view extension) {
  return "拡張子 ." + std::string(extension) + " の画像形式は処理できません";
}

std::string CannotWriteMessage(const std::filesystem::path& path) {
  return path.string() + " に書き込めません";
}

std::string WorldFileNotWrittenMessage(const std::filesystem::path& picture,
                                       const std::filesystem::path& world) {
  return "画像は " + picture.string() + " に保存しましたが、ワールドファイル " + world.string() +
         " に書き込めません";
}

}  // namespace orandu
