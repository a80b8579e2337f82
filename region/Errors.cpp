// Builds the parametrised message texts.
#include "Errors.h"

#include <system_error>

namespace orandu {

std::string CannotOpenMessage(const std::filesystem::path& path, std::string_view reason) {
  std::error_code ignored;
  std::filesystem::path expanded = std::filesystem::absolute(path, ignored);
  if (expanded.empty()) expanded = path;
  return "ファイル \"" + expanded.lexically_normal().string() + "\". " + std::string(reason) +
         " は開けません";
}

std::string UnsupportedPictureMessage(std::string_view extension) {
  return "拡張子 ." + std::string(extension) + " の画像形式は処理できません";
}

std::string CannotWriteMessage(const std::filesystem::path& path) {
  return path.string() + " に書き込めません";
}

}  // namespace orandu
