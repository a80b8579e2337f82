// Decodes PNG pictures of every colour type and depth to 24-bit colour.
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "Errors.h"
#include "PictureFormats.h"

namespace orandu {

namespace {

static_assert(sizeof(Rgb) == 3, "libpng fills the pixels in place as packed RGB triples");

constexpr std::string_view kInvalidPngMessage = "PNG イメージが不正です";

// What libpng's reader from memory says when the file ends before the picture does.
constexpr std::string_view kLibpngCutShort = "read beyond end of data";

// libpng's simplified interface catches its own errors and reports them in the image; this
// only makes sure its working memory is freed on every path.
class PngImage {
 public:
  PngImage() { image_.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  png_image* operator->() { return &image_; }
  png_image* get() { return &image_; }

  [[noreturn]] void ThrowFailure() const {
    const std::string_view reason = image_.message;
    if (reason == kLibpngCutShort) throw OranduError(std::string(kStreamReadErrorMessage));
    throw OranduError(std::string(kInvalidPngMessage) + " (" + std::string(reason) + ")");
  }

 private:
  png_image image_{};
};

// The decompressed image data the header calls for: a filter byte and the packed samples of
// each row, pass by pass when the picture is interlaced. The header is the first chunk, which
// libpng has already checked.
std::uint64_t ImageDataBytes(std::span<const std::uint8_t> bytes) {
  const auto at = [&](std::size_t offset) -> std::uint64_t {
    return std::uint64_t{bytes[offset]} << 24 | std::uint64_t{bytes[offset + 1]} << 16 |
           std::uint64_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
  };
  constexpr std::size_t kHeaderData = 16;  // the signature, then the chunk's length and type
  const std::uint64_t width = at(kHeaderData);
  const std::uint64_t height = at(kHeaderData + 4);
  const unsigned depth = bytes[kHeaderData + 8];
  const unsigned colorType = bytes[kHeaderData + 9];
  const bool interlaced = bytes[kHeaderData + 12] != 0;
  const bool palette = (colorType & PNG_COLOR_MASK_PALETTE) != 0;
  const bool color = (colorType & PNG_COLOR_MASK_COLOR) != 0;
  const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  const unsigned samples = (color && !palette ? 3 : 1) + (alpha ? 1 : 0);
  const unsigned bitsPerPixel = depth * samples;
  const auto rowsBytes = [&](std::uint64_t columns, std::uint64_t rows) -> std::uint64_t {
    return columns == 0 ? 0 : rows * (1 + (columns * bitsPerPixel + 7) / 8);
  };
  if (!interlaced) return rowsBytes(width, height);
  struct Pass {
    unsigned x, y, xStep, yStep;
  };
  constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::uint64_t total = 0;
  for (const Pass& pass : kAdam7) {
    const auto count = [](std::uint64_t size, unsigned start, unsigned step) -> std::uint64_t {
      return size > start ? (size - start + step - 1) / step : 0;
    };
    total += rowsBytes(count(width, pass.x, pass.xStep), count(height, pass.y, pass.yStep));
  }
  return total;
}

// Inflates the image data into a throwaway buffer before anything is allocated for the picture,
// and refuses data that does not fit the picture. libpng would read a stream that runs on past
// the last row to its end, however far (a file of a few megabytes could keep it inflating
// gigabytes of nothing for minutes), and would find data too short only after the whole
// picture's memory had been taken for it.
void CheckImageData(std::span<const std::uint8_t> bytes) {
  constexpr std::uint64_t kSlack = std::uint64_t{1} << 20;
  constexpr std::size_t kSignatureBytes = 8;
  constexpr std::size_t kChunkFrameBytes = 12;  // length, type and checksum
  const std::uint64_t needed = ImageDataBytes(bytes);
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw std::bad_alloc();
  std::array<Bytef, 65536> sink;
  std::uint64_t produced = 0;
  int result = Z_OK;
  bool fileEnded = true;
  for (std::size_t chunk = kSignatureBytes; bytes.size() - chunk >= kChunkFrameBytes;) {
    const std::uint64_t length = std::uint64_t{bytes[chunk]} << 24 |
                                 std::uint64_t{bytes[chunk + 1]} << 16 |
                                 std::uint64_t{bytes[chunk + 2]} << 8 | bytes[chunk + 3];
    if (length > PNG_UINT_31_MAX || length > bytes.size() - chunk - kChunkFrameBytes) break;
    const std::string_view type(reinterpret_cast<const char*>(bytes.data() + chunk + 4), 4);
    if (type == "IEND") {
      fileEnded = false;
      break;
    }
    if (type == "IDAT") {
      stream.next_in = const_cast<Bytef*>(bytes.data() + chunk + 8);
      stream.avail_in = static_cast<uInt>(length);
      do {
        stream.next_out = sink.data();
        stream.avail_out = static_cast<uInt>(sink.size());
        result = inflate(&stream, Z_NO_FLUSH);
        produced += sink.size() - stream.avail_out;
        // Z_BUF_ERROR only asks for more input, which the next chunk brings.
      } while ((result == Z_OK || result == Z_BUF_ERROR) && produced <= needed + kSlack &&
               stream.avail_in > 0);
      if ((result != Z_OK && result != Z_BUF_ERROR) || produced > needed + kSlack) {
        fileEnded = false;
        break;
      }
    }
    chunk += kChunkFrameBytes + static_cast<std::size_t>(length);
  }
  const std::string damage = stream.msg != nullptr ? stream.msg : "";
  inflateEnd(&stream);

  if (produced > needed + kSlack) {
    throw OranduError(std::string(kInvalidPngMessage) + " (too much image data)");
  }
  if (produced >= needed) return;  // enough: libpng reads it and judges the rest
  if (!damage.empty()) throw OranduError(std::string(kInvalidPngMessage) + " (" + damage + ")");
  if (fileEnded && result != Z_STREAM_END) {
    throw OranduError(std::string(kStreamReadErrorMessage));
  }
  throw OranduError(std::string(kInvalidPngMessage) + " (not enough image data)");
}

}  // namespace

Picture DecodePng(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) throw OranduError(std::string(kStreamReadErrorMessage));
  PngImage image;
  if (!png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size())) {
    image.ThrowFailure();
  }
  // Only the header has been read: a tiny file claiming a huge picture stops here.
  CheckPictureSize(image->width, image->height);
  CheckImageData(bytes);

  image->format = PNG_FORMAT_RGB;
  // 16-bit samples without gamma information are taken as ordinary sRGB values, as every
  // paint program means them, rather than as linear light.
  image->flags |= PNG_IMAGE_FLAG_16BIT_sRGB;

  Picture picture;
  picture.width = static_cast<int>(image->width);
  picture.height = static_cast<int>(image->height);
  picture.pixels.resize(static_cast<std::size_t>(image->width) * image->height);
  // Transparency is flattened onto black, the colour of pixels a file leaves unset, so that
  // fully transparent pixels read the same whatever colour they happen to store. libpng blends
  // in linear light, so a half-transparent pixel comes out lighter than half its colour.
  const png_color black{0, 0, 0};
  const auto stride = static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(*image.get()));
  if (!png_image_finish_read(image.get(), &black, picture.pixels.data(), stride, nullptr)) {
    image.ThrowFailure();
  }
  return picture;
}

}  // namespace orandu
