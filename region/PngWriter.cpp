// Writes 8-bit RGB PNG files.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include <png.h>

#include "AtomicFile.h"
#include "Errors.h"
#include "PictureFormats.h"

namespace orandu {

namespace {

// libpng's simplified interface keeps its working memory in the image until it is freed.
class PngImage {
 public:
  PngImage() { image_.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  png_image* operator->() { return &image_; }
  png_image* get() { return &image_; }

 private:
  png_image image_{};
};

}  // namespace

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
