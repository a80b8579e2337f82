// Chooses a colour bar file's decoder by its extension and decodes the part of it that is used.
#include "region/palette/ColorBarFile.h"
#include "region/files/AsciiCase.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "region/files/Errors.h"
#include "region/files/SourceFile.h"
#include "region/palette/PaletteFile.h"
#include "region/picture/PictureFormats.h"

namespace orandu {

namespace {

enum class PictureKind { kBmp, kJpeg, kPng };

// Larger than any file the decoders could accept (a 16-bit RGBA PNG stored without compression
// at the largest pixel count is 512 MiB); a bigger file is refused before it is read.
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{1} << 30;

// Only the top row is looked up, and only its columns 0 to 399 (heights from -55535 to
// +10000 m); the legend shows no more than the first 402 columns and 30 rows, where the main
// window ends. Nothing beyond this part of a bar is decoded or kept.
constexpr PictureWindow kUsedPartOfABar{.columns = 402, .rows = 30};

// The file read in ranges as the decoder asks for them, never more than its size at the open.
class PictureFile : public PictureBytes {
 public:
  explicit PictureFile(const std::filesystem::path& path) : file_(path) {}
  std::uint64_t size() const override { return file_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= file_.size()) return 0;
    return file_.ReadAt(offset, out.first(std::min<std::uint64_t>(out.size(), size() - offset)));
  }

 private:
  SourceFile file_;
};

// The text after the file name's last dot, as the name spells it; "" when there is no dot.
std::string ExtensionOf(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<PictureKind> KindOf(std::string_view name) {
  const std::string extension = LowerCase(name);
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

  PictureFile file(path);
  if (file.size() > kMaxPictureFileBytes) {
    throw OranduError(FileTooLargeMessage(TooLargeFile::kPicture, file.size()));
  }
  switch (*kind) {
    case PictureKind::kBmp:
      return DecodeBmp(file, kUsedPartOfABar);
    case PictureKind::kJpeg:
      return DecodeJpeg(file, kUsedPartOfABar);
    case PictureKind::kPng:
      return DecodePng(file, kUsedPartOfABar);
  }
  return {};
}

}  // namespace orandu
