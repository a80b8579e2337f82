// The lines of an INI profile's text: finding a key's value and changing it in place.
//
// A line is a section header "[name]" (anything after the "]" is ignored), a comment (";" or
// "#" first), a blank line, a key line "key=value", or anything else, which is kept but means
// nothing. Blanks (spaces, tabs) around names and values do not count; names match without
// regard to ASCII case; a value wrapped in double quotes is read without them. Lines end at
// "\r\n", "\n" or "\r". A key line before any header belongs to no section. When a key appears
// more than once among the sections of one name, the first in the text is the one read and the
// one changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orandu {

// The key's value as it reads, or nothing when the section or the key is missing.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// The text with the key set to the value (quoted where its outer bytes would otherwise be lost),
// every other byte as it was. A missing key goes after the last key line of the first such
// section (or after its header); a missing section goes at the end. New lines end as the text's
// first line does. The value must not hold a line break.
std::string WithProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

}  // namespace orandu
