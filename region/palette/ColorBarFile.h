// Loading a colour bar picture from a file chosen by the user.
#pragma once

#include <filesystem>

#include "region/picture/Picture.h"

namespace orandu {

// Reads a colour bar picture, choosing its kind by the file name's extension, compared without
// regard to case (bmp, jpg, jpeg, png; the palettes cpt, txt and clr become a bar). Throws
// OranduError with the message the user sees; nothing is returned half-read, so the caller's
// previous bar stays whole on any failure. A picture is kept only as far as it can be shown or
// looked up: its first 402 columns of its first 30 rows.
Picture LoadColorBar(const std::filesystem::path& path);

}  // namespace orandu
