// Field texts to the system's file names and back, byte for byte.
#pragma once

#include <QString>
#include <filesystem>
#include <string>

namespace orandu {

// File names are bytes, most often UTF-8. A byte that is not part of valid UTF-8 becomes the
// lone surrogate U+DC80 ... U+DCFF and turns back into the same byte, so any name the system
// gives survives a trip through a text field (the toolkit's own conversion would replace such
// bytes with U+FFFD and lose them).
QString FromFileNameBytes(const std::string& bytes);
std::string FileNameBytes(const QString& text);

inline std::filesystem::path ToPath(const QString& text) {
  return std::filesystem::path(FileNameBytes(text));
}

inline QString FromPath(const std::filesystem::path& path) {
  return FromFileNameBytes(path.native());
}

}  // namespace orandu
