// Names and writes the world file beside a picture.
#include "region/WorldFile.h"

#include "region/files/AtomicFile.h"
#include "region/files/Errors.h"

namespace orandu {

std::filesystem::path WorldFilePath(const std::filesystem::path& picture,
                                    PlacedPictureFormat format) {
  std::filesystem::path world = picture;
  return world.replace_extension(format == PlacedPictureFormat::kBmp   ? ".bpw"
                                 : format == PlacedPictureFormat::kPng ? ".pgw"
                                                                       : ".tfw");
}

void WriteWorldFile(const std::filesystem::path& picture, PlacedPictureFormat format,
                    const GeoPlacement& placement) {
  const std::filesystem::path world = WorldFilePath(picture, format);
  if (!WriteFileAtomically(world, WorldFileText(placement))) {
    throw OranduError(CannotWriteMessage(world));
  }
}

}  // namespace orandu
