// The region view's own setting: whether it is painted shaded.
#pragma once

#include <string_view>

#include "settings/SettingsLocation.h"

namespace orandu {

inline constexpr std::string_view kViewSection = "VIEW";
inline constexpr std::string_view kShadeKey = "Shade";

// True when section "VIEW" holds "Shade=1"; a missing file, section or key, "0" or anything else
// leaves the view unshaded.
bool ReadShadeSetting(const SettingsLocation& location);

// Writes "1" or "0" under "VIEW", keeping every other byte of the file. Throws OranduError with the
// settings file's write message.
void SaveShadeSetting(const SettingsLocation& location, bool shade);

}  // namespace orandu
