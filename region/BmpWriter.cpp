// Writes 24-bit bottom-up bitmap files.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "AtomicFile.h"
#include "Errors.h"
#include "PictureFormats.h"

namespace orandu {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;  // the Windows 3 header

enum class Compression : std::uint32_t {
  kNone = 0,
};

}  // namespace

void WriteBmp(const std::filesystem::path& path, const Picture& picture) {
  if (picture.empty() ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    throw std::invalid_argument("WriteBmp: the picture is empty or its pixels do not match");
  }
  CheckPictureSize(picture.width, picture.height);
  const auto width = static_cast<std::size_t>(picture.width);
  const auto height = static_cast<std::size_t>(picture.height);
  const std::size_t stride = (width * 3 + 3) / 4 * 4;
  const std::size_t headersBytes = kFileHeaderBytes + kInfoHeaderBytes;
  const std::size_t imageBytes = stride * height;

  std::vector<std::uint8_t> file;
  file.reserve(headersBytes + imageBytes);
  const auto put16 = [&](std::size_t value) {
    for (int shift = 0; shift < 16; shift += 8)
      file.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  const auto put32 = [&](std::size_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      file.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  constexpr std::size_t kPixelsPerMetreAt96Dpi = 3780;
  file.push_back('B');
  file.push_back('M');
  put32(headersBytes + imageBytes);
  put32(0);  // reserved
  put32(headersBytes);
  put32(kInfoHeaderBytes);
  put32(width);
  put32(height);  // positive: bottom-up
  put16(1);       // planes
  put16(24);
  put32(static_cast<std::size_t>(Compression::kNone));
  put32(imageBytes);
  put32(kPixelsPerMetreAt96Dpi);
  put32(kPixelsPerMetreAt96Dpi);
  put32(0);  // colours used: no palette
  put32(0);  // important colours: all
  for (std::size_t row = height; row-- > 0;) {
    for (std::size_t x = 0; x < width; ++x) {
      const Rgb color = picture.pixels[row * width + x];
      file.insert(file.end(), {color.blue, color.green, color.red});
    }
    file.resize(file.size() + stride - width * 3);
  }
  if (!WriteFileAtomically(path, file)) throw OranduError(CannotWriteMessage(path));
}

}  // namespace orandu
