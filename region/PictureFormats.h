// Decoders and writers of the picture files the program reads and the tools write.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "Picture.h"

namespace orandu {

// Each decoder takes the whole file's bytes and throws OranduError with the user's message.
// An empty (0-byte) BMP decodes to an empty 0 x 0 picture.
Picture DecodeBmp(std::span<const std::uint8_t> bytes);
Picture DecodeJpeg(std::span<const std::uint8_t> bytes);
Picture DecodePng(std::span<const std::uint8_t> bytes);

// Writers replace the file atomically (a temporary file beside it, then a rename).
void WriteBmp(const std::filesystem::path& path, const Picture& picture);  // 24-bit, bottom-up
void WritePng(const std::filesystem::path& path, const Picture& picture);  // 8-bit RGB

}  // namespace orandu
