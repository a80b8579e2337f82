// Looking up the colour a palette names in words ("white", "darkorange3", "Gray80").
#pragma once

#include <optional>
#include <string_view>

#include "region/picture/Picture.h"

namespace orandu {

// The colour of a name from the X11 list (or one of the web names it lacks), compared without
// regard to case; nothing for a name not on the list.
std::optional<Rgb> ColorByName(std::string_view name);

}  // namespace orandu
