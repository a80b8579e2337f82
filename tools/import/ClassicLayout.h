// Where a variable's values lie in a netCDF classic-format file, to tell a cut-short file.
#pragma once

#include <filesystem>
#include <string>

namespace orandu {

// Throws ImportError when the file ends before the last value of the named fixed-size variable:
// the library reads a cut-short classic file's missing end as zeros without a word. Reads only
// the file's header (classic, 64-bit offset and 64-bit data formats).
void RequireWholeClassicVariable(const std::filesystem::path& file, const std::string& variable);

}  // namespace orandu
