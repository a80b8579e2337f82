// Copies a core picture into a toolkit image, row by row.
#include "PictureImage.h"

#include <cstring>

QImage ToQImage(const orandu::Picture& picture) {
  if (picture.empty()) return {};
  static_assert(sizeof(orandu::Rgb) == 3, "a row of Rgb is a row of RGB888");
  QImage image(picture.width, picture.height, QImage::Format_RGB888);
  const auto rowBytes = static_cast<std::size_t>(picture.width) * sizeof(orandu::Rgb);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(image.scanLine(y), &picture.pixels[static_cast<std::size_t>(y) * picture.width],
                rowBytes);
  }
  return image;
}
