// Writing picture files row by row as the rows are produced, so no whole picture is ever held.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace orandu {

// Fills picture row y (0 at the top) with its 3-byte pixels in the file's byte order.
using RowSource = std::function<void(int y, std::span<std::uint8_t> row)>;

// Both writers stream into a temporary file beside the target and rename it over the target once
// everything is written and flushed to disk (AtomicFileWriter). They refuse a size of more than
// kMaxPicturePixels with OranduError(PictureTooLargeMessage) before anything is written, throw
// OranduError(CannotWriteMessage(path)) when the write is refused, and let what the row source
// throws pass, leaving the target untouched in every case. An empty size is a programming error
// (std::invalid_argument).

// A 24-bit bitmap. Rows are asked for bottom-up, as the file stores them, blue-green-red.
void WriteBmpRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow);

// An 8-bit RGB PNG compressed for speed. Rows are asked for top-down, red-green-blue.
void WritePngRows(const std::filesystem::path& path, int width, int height,
                  const RowSource& paintRow);

}  // namespace orandu
