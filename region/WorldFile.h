// The six-line world file that places a picture on the Earth, written beside the picture.
#pragma once

#include <filesystem>

#include "region/GeoPlacement.h"

namespace orandu {

// The picture formats a world file can go beside.
enum class PlacedPictureFormat { kPng, kBmp, kTiff };

// The world file beside a picture: the picture's path with its extension replaced by the format
// extension's first and last letters and a "w" (.pgw, .bpw, .tfw), or with that added to a name
// without one.
std::filesystem::path WorldFilePath(const std::filesystem::path& picture,
                                    PlacedPictureFormat format);

// Writes WorldFileText(placement) atomically to WorldFilePath(picture, format). Throws
// OranduError(CannotWriteMessage(world file)) when that is refused, and then whatever the world
// file held before is still there.
void WriteWorldFile(const std::filesystem::path& picture, PlacedPictureFormat format,
                    const GeoPlacement& placement);

}  // namespace orandu
