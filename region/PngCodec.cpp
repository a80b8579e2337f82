// Decodes PNG pictures of every colour type and depth to 24-bit colour, and writes 8-bit RGB ones.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <png.h>

#include "AtomicFile.h"
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

}  // namespace

Picture DecodePng(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) throw OranduError(std::string(kStreamReadErrorMessage));
  PngImage image;
  if (!png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size())) {
    image.ThrowFailure();
  }
  // Only the header has been read: a tiny file claiming a huge picture stops here.
  CheckPictureSize(image->width, image->height);

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

void WritePng(const std::filesystem::path& path, const Picture& picture) {
  if (picture.empty() ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    throw std::invalid_argument("WritePng: the picture is empty or its pixels do not match");
  }
  CheckPictureSize(picture.width, picture.height);
  PngImage image;
  image->width = static_cast<png_uint_32>(picture.width);
  image->height = static_cast<png_uint_32>(picture.height);
  image->format = PNG_FORMAT_RGB;
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(*image.get());
  std::vector<std::uint8_t> file(size);
  if (!png_image_write_to_memory(image.get(), file.data(), &size, 0, picture.pixels.data(), 0,
                                 nullptr)) {
    throw OranduError(CannotWriteMessage(path));
  }
  file.resize(size);
  if (!WriteFileAtomically(path, file)) throw OranduError(CannotWriteMessage(path));
}

}  // namespace orandu
