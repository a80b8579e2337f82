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

std::string CannotOpenMessage(const std::filesystem::path& path, std::string_view reason) {
  return "ファイル \"" + AbsoluteText(path) + "\". " + std::string(reason) + " は開けません";
}

std::string ContainerGridMessage(const std::filesystem::path& path, ContainerFormat format) {
  const std::string_view name = format == ContainerFormat::kNetcdf ? "netCDF" : "netCDF-4/HDF5";
  return "ファイル \"" + AbsoluteText(path) + "\" は " + std::string(name) +
         " 形式です (orandu-import で変換してください)";
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
