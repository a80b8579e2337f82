// Writes 8-bit RGB PNG files a block of rows at a time, the blocks compressed on several cores.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <thread>

#include <libdeflate.h>

#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "region/picture/PictureWriters.h"
#include "region/picture/ZlibBlocks.h"

namespace orandu {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t kBitDepth = 8;
enum class ColourType : std::uint8_t { kRgb = 2 };
enum class RowFilter : std::uint8_t { kNone = 0 };
// Rows are compressed in blocks of about this many bytes. Deflate is nearly all of the time, so
// the blocks go to every core; each block holds its data and its compressed piece once a core.
// Smaller blocks compress a little worse, larger ones hold more memory.
constexpr std::size_t kBlockBytes = std::size_t{256} * 1024;
constexpr unsigned kMostThreads = 4;

void Put32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

// A chunk: its length, its type, the data, and the CRC of the type and the data.
bool WriteChunk(AtomicFileWriter& file, std::string_view type, std::span<const std::uint8_t> data) {
  std::array<std::uint8_t, 8> head{};
  Put32(head.data(), static_cast<std::uint32_t>(data.size()));
  std::copy(type.begin(), type.end(), head.begin() + 4);
  std::uint32_t crc = libdeflate_crc32(0, head.data() + 4, 4);
  // libdeflate takes a null buffer (an empty span's) for a new start, not for no bytes.
  if (!data.empty()) crc = libdeflate_crc32(crc, data.data(), data.size());
  std::array<std::uint8_t, 4> tail{};
  Put32(tail.data(), crc);
  return file.Write(head) && file.Write(data) && file.Write(tail);
}

std::array<std::uint8_t, 13> Header(int width, int height) {
  std::array<std::uint8_t, 13> header{};
  Put32(header.data(), static_cast<std::uint32_t>(width));
  Put32(header.data() + 4, static_cast<std::uint32_t>(height));
  header[8] = kBitDepth;
  header[9] = static_cast<std::uint8_t>(ColourType::kRgb);
  // Compression method 0 (deflate), filter method 0, no interlace.
  return header;
}

}  // namespace

void WritePngRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow) {
  if (width < 1 || height < 1) throw std::invalid_argument("WritePngRows: empty picture");
  CheckPictureSize(width, height);
  AtomicFileWriter file(path);
  // A temporary that could not be made fails here, before any row is painted.
  if (!file.Write(kSignature) || !WriteChunk(file, "IHDR", Header(width, height))) {
    throw OranduError(CannotWriteMessage(path));
  }
  // Every row starts with its filter type. Filters only made the file larger and slower to
  // write on relief pictures, so there are none.
  const std::size_t pixelBytes = static_cast<std::size_t>(width) * 3;
  const std::size_t rowBytes = 1 + pixelBytes;
  const std::size_t blockRows = std::max<std::size_t>(1, kBlockBytes / rowBytes);
  const auto fillBlock = [&](std::size_t index, std::span<std::uint8_t> block) {
    const std::size_t firstRow = index * blockRows;
    for (std::size_t i = 0; i * rowBytes < block.size(); ++i) {
      const auto row = block.subspan(i * rowBytes, rowBytes);
      row[0] = static_cast<std::uint8_t>(RowFilter::kNone);
      paintRow(static_cast<int>(firstRow + i), row.subspan(1));
    }
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
  const bool written = WriteZlibBlocks(
      rowBytes * static_cast<std::size_t>(height), blockRows * rowBytes, threads, fillBlock,
      [&](std::span<const std::uint8_t> piece) { return WriteChunk(file, "IDAT", piece); });
  if (!written || !WriteChunk(file, "IEND", {}) || !file.Commit()) {
    throw OranduError(CannotWriteMessage(path));
  }
}

void WritePng(const std::filesystem::path& path, const Picture& picture) {
  if (picture.empty() ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    throw std::invalid_argument("WritePng: the picture is empty or its pixels do not match");
  }
  WritePngRows(path, picture.width, picture.height, RowsOf(picture));
}

}  // namespace orandu
