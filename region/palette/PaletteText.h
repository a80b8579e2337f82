// Reading palette text: its lines, words and numbers, and the error that names a line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orandu {

// Throws OranduError with InvalidPaletteMessage(line).
[[noreturn]] void RejectPaletteLine(int line);

// The text's lines without their line endings (LF or CR LF) and without a leading byte order
// mark; a last line without an ending counts.
std::vector<std::string_view> PaletteLines(std::string_view text);

// The text without the spaces and tabs around it.
std::string_view TrimBlanks(std::string_view text);

// The non-empty runs between any of the separator characters.
std::vector<std::string_view> SplitWords(std::string_view text, std::string_view separators);

// A finite decimal number written whole ("-0.875", "+12", "1e3"); nothing for anything else.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace orandu
