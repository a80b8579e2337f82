// Writes 24-bit bottom-up bitmap files, a block of rows at a time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"

namespace orandu {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;  // the Windows 3 header
constexpr std::uint32_t kPixelsPerMetreAt96Dpi = 3780;
constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;  // rows handed to each write

enum class Compression : std::uint32_t {
  kNone = 0,
};

// The file header and the Windows 3 information header of a bottom-up 24-bit bitmap.
std::vector<std::uint8_t> Headers(std::size_t width, std::size_t height, std::size_t stride) {
  const std::size_t headersBytes = kFileHeaderBytes + kInfoHeaderBytes;
  const std::size_t imageBytes = stride * height;
  std::vector<std::uint8_t> headers;
  headers.reserve(headersBytes);
  const auto put16 = [&](std::size_t value) {
    for (int shift = 0; shift < 16; shift += 8)
      headers.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  const auto put32 = [&](std::size_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      headers.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  headers.push_back('B');
  headers.push_back('M');
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
  return headers;
}

}  // namespace

void WriteBmpRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow) {
  if (width < 1 || height < 1) throw std::invalid_argument("WriteBmpRows: empty picture");
  CheckPictureSize(width, height);
  const auto pixelBytes = static_cast<std::size_t>(width) * 3;
  const std::size_t stride = (pixelBytes + 3) / 4 * 4;
  AtomicFileWriter file(path);
  // A temporary that could not be made fails here, before any row is painted.
  if (!file.Write(
          Headers(static_cast<std::size_t>(width), static_cast<std::size_t>(height), stride))) {
    throw OranduError(CannotWriteMessage(path));
  }

  // The rows of a block are in file order, the lowest picture row first. Their padding is
  // zeroed once: the row source fills only the pixels.
  const int blockRows = std::clamp(static_cast<int>(kBlockBytes / stride), 1, height);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockRows) * stride);
  for (int y = height - 1; y >= 0 && file.Ok();) {
    const int rows = std::min(blockRows, y + 1);
    for (int i = 0; i < rows; ++i, --y) {
      paintRow(y, std::span(block).subspan(static_cast<std::size_t>(i) * stride, pixelBytes));
    }
    file.Write(std::span(block).first(static_cast<std::size_t>(rows) * stride));
  }
  if (!file.Commit()) throw OranduError(CannotWriteMessage(path));
}

void WriteBmp(const std::filesystem::path& path, const Picture& picture) {
  if (picture.empty() ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    throw std::invalid_argument("WriteBmp: the picture is empty or its pixels do not match");
  }
  WriteBmpRows(path, picture.width, picture.height, [&](int y, std::span<std::uint8_t> row) {
    const Rgb* pixel = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    for (std::size_t i = 0; i < row.size(); i += 3, ++pixel) {
      row[i] = pixel->blue;
      row[i + 1] = pixel->green;
      row[i + 2] = pixel->red;
    }
  });
}

}  // namespace orandu
