// Replacing a file's content so that readers see either the old file whole or the new one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace orandu {

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it over
// the target. Returns false (and leaves the target untouched, the temporary removed) when any
// step is refused: a read-only folder, a full disk, a bad path.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target,
                                       std::span<const std::uint8_t> bytes);
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target, std::string_view text);

}  // namespace orandu
