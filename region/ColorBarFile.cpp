// Chooses a colour bar file's decoder by its extension and decodes the file read whole.
#include "ColorBarFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Errors.h"
#include "PaletteFile.h"
#include "PictureFormats.h"
#include "SourceFile.h"

namespace orandu {

namespace {

enum class PictureKind { kBmp, kJpeg, kPng };

// Larger than any file the decoders could accept (a 16-bit RGBA PNG stored without compression
// at the largest pixel count is 512 MiB); a bigger file is refused before it is read.
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{1} << 30;

std::string PictureFileTooLargeMessage(std::uint64_t bytes) {
  return "画像ファイルが大きすぎます (" + std::to_string(bytes) + " バイト)";
}

// The text after the file name's last dot, as the name spells it; "" when there is no dot.
std::string ExtensionOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<PictureKind> KindOf(std::string extension) {
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (extension == "bmp") return PictureKind::kBmp;
  if (extension == "jpg" || extension == "jpeg") return PictureKind::kJpeg;
  if (extension == "png") return PictureKind::kPng;
  return std::nullopt;
}

}  // namespace

Picture LoadColorBar(const std::filesystem::path& path) {
  const std::string extension = ExtensionOf(path);
  if (const auto palette = PaletteFormatOf(extension)) return LoadPaletteBar(path, *palette);
  const std::optional<PictureKind> kind = KindOf(extension);
  if (!kind) throw OranduError(UnsupportedPictureMessage(extension));

  std::vector<std::uint8_t> bytes;
  {
    SourceFile file(path);
    if (file.size() > kMaxPictureFileBytes) {
      throw OranduError(PictureFileTooLargeMessage(file.size()));
    }
    bytes = file.ReadAll();
  }
  switch (*kind) {
    case PictureKind::kBmp:
      return DecodeBmp(bytes);
    case PictureKind::kJpeg:
      return DecodeJpeg(bytes);
    case PictureKind::kPng:
      return DecodePng(bytes);
  }
  return {};
}

}  // namespace orandu
