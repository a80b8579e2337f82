// Writing picture files row by row as the rows are produced, so no whole picture is ever held.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "region/picture/Picture.h"

namespace orandu {

// Fills picture row y (0 at the top) with its 3-byte pixels in the file's byte order.
using RowSource = std::function<void(int y, std::span<std::uint8_t> row)>;

// The rows of a whole picture, top-down, red-green-blue; the picture must outlive them.
inline RowSource RowsOf(const Picture& picture) {
  static_assert(sizeof(Rgb) == 3, "a picture row is the file row's red-green-blue bytes");
  return [&picture](int y, std::span<std::uint8_t> row) {
    const auto* pixels = reinterpret_cast<const std::uint8_t*>(
        picture.pixels.data() + static_cast<std::size_t>(y) * picture.width);
    std::copy(pixels, pixels + row.size(), row.begin());
  };
}

// The writers stream into a temporary file beside the target and rename it over the target once
// everything is written and flushed to disk (AtomicFileWriter). They refuse a size of more than
// kMaxPicturePixels with OranduError(PictureTooLargeMessage) before anything is written, throw
// OranduError(CannotWriteMessage(path)) when the write is refused, and let what the row source
// throws pass, leaving the target untouched in every case. An empty size is a programming error
// (std::invalid_argument).

// A 24-bit bitmap. Rows are asked for bottom-up, as the file stores them, blue-green-red.
void WriteBmpRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow);

// An 8-bit RGB PNG compressed for speed. Rows are asked for top-down, red-green-blue.
void WritePngRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow);

// The samples of a JPEG's rows, and how many bytes each pixel has in them.
enum class JpegColours { kRgb, kGrey, kCmyk };  // 3, 1 and 4 bytes a pixel

enum class JpegProgression { kBaseline, kProgressive };

// One scan of a scan script: which components it codes, its band of coefficients in zigzag
// order, and its bits (the successive approximation's high and low bit).
struct JpegScan {
  std::vector<int> components{};
  int firstCoefficient = 0;
  int lastCoefficient = 63;
  int highBit = 0;
  int lowBit = 0;
};

// How a JPEG is coded; the defaults are libjpeg's.
struct JpegCoding {
  int quality = 75;  // 1 ... 100, forced to baseline quantisation tables
  JpegColours colours = JpegColours::kRgb;
  JpegProgression progression = JpegProgression::kBaseline;
  bool optimiseHuffman = false;   // tables made for this picture: smaller, still baseline
  bool fullChroma = false;        // colour sampled at every pixel rather than every other
  int restartRows = 0;            // a restart marker every so many rows of blocks; 0: none
  bool arithmeticCoding = false;  // arithmetic coding instead of Huffman's
  std::vector<JpegScan> scans{};  // a scan script of its own instead of the progression's
};

// A JPEG through libjpeg. Rows are asked for top-down, `colours`' bytes a pixel.
void WriteJpegRows(const std::filesystem::path& path, int width, int height,
                   const JpegCoding& coding, const RowSource& paintRow);

// The same JPEG's bytes in memory; the size is not limited.
std::vector<std::uint8_t> EncodeJpegRows(int width, int height, const JpegCoding& coding,
                                         const RowSource& paintRow);

}  // namespace orandu
