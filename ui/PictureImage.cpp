// Copies a core picture into a toolkit image, row by row.
#include "ui/PictureImage.h"

#include <cstring>

#include "region/picture/PictureFormats.h"

QImage ToQImage(const orandu::Picture& picture) {
  if (picture.empty()) return {};
  static_assert(sizeof(orandu::Rgb) == 3, "a row of Rgb is a row of RGB888");
  QImage image(picture.width, picture.height, QImage::Format_RGB888);
  // A picture's size comes from its file: the toolkit gives a null image when it cannot
  // allocate that much.
  if (image.isNull()) {
    throw orandu::OranduError(orandu::PictureTooLargeMessage(picture.width, picture.height));
  }
  const auto rowBytes = static_cast<std::size_t>(picture.width) * sizeof(orandu::Rgb);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(image.scanLine(y), &picture.pixels[static_cast<std::size_t>(y) * picture.width],
                rowBytes);
  }
  return image;
}
