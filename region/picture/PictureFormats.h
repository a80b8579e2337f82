// Decoders and writers of the picture files the program reads and the tools write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <span>
#include <string>

#include "region/files/Errors.h"
#include "region/picture/Picture.h"
#include "region/picture/PictureBytes.h"

namespace orandu {

// The most pixels a decoded picture may have (8192 x 8192): far beyond any colour bar or map,
// yet small enough that a header lying about its size cannot make a decoder allocate gigabytes.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{64} * 1024 * 1024;

// Refuses a picture of more than kMaxPicturePixels before anything is allocated for it.
inline void CheckPictureSize(std::int64_t width, std::int64_t height) {
  if (width * height > kMaxPicturePixels) {
    throw OranduError(PictureTooLargeMessage(width, height));
  }
}

// The part of a picture its reader can use: the first `columns` columns of the first `rows`
// rows. A decoder keeps only that part and stops reading the file once it has it; what lies
// beyond is neither decoded nor checked. The whole picture is still refused when its declared
// size is over the limit.
struct PictureWindow {
  int columns = std::numeric_limits<int>::max();
  int rows = std::numeric_limits<int>::max();
};

// Each decoder throws OranduError with the user's message. An empty (0-byte) BMP decodes to an
// empty 0 x 0 picture. The forms taking bytes in memory decode the whole picture.
Picture DecodeBmp(PictureBytes& file, PictureWindow window);
Picture DecodeJpeg(PictureBytes& file, PictureWindow window);
Picture DecodePng(PictureBytes& file, PictureWindow window);
Picture DecodeBmp(std::span<const std::uint8_t> bytes);
Picture DecodeJpeg(std::span<const std::uint8_t> bytes);
Picture DecodePng(std::span<const std::uint8_t> bytes);

// Writers replace the file atomically (a temporary file beside it, then a rename) and throw
// OranduError(CannotWriteMessage(path)) when that is refused. Writing an empty picture, or one
// whose pixel count does not match its size, is a programming error (std::invalid_argument).
void WriteBmp(const std::filesystem::path& path, const Picture& picture);  // 24-bit, bottom-up
void WritePng(const std::filesystem::path& path, const Picture& picture);  // 8-bit RGB

}  // namespace orandu
