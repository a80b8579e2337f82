// What the fuzz targets share: a scratch folder for inputs that must be files, and the checks
// that turn a wrong but quiet result into a crash the fuzzer keeps.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "region/picture/Picture.h"

namespace orandu::fuzz {

// Stops the run with a reason when a property of the program does not hold.
[[noreturn]] inline void Violated(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

inline void Require(bool holds, const char* what) {
  if (!holds) Violated(what);
}

// A picture handed back is whole: its size and its pixels agree.
inline void RequireWholePicture(const Picture& picture) {
  Require(picture.width >= 0 && picture.height >= 0, "picture size is negative");
  Require(picture.pixels.size() == static_cast<std::size_t>(picture.width) * picture.height,
          "picture pixels do not match its size");
}

// A private folder, in memory when the system offers one, removed when the run ends normally.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "orandu-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Violated("cannot make the scratch folder");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Replaces the named file's content by the bytes and returns its path.
  std::filesystem::path Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    const std::filesystem::path file = path_ / name;
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(descriptor >= 0, "cannot create a scratch file");
    while (!bytes.empty()) {
      const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
      Require(written > 0, "cannot write a scratch file");
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    ::close(descriptor);
    return file;
  }

  // The file's bytes as they are now.
  static std::vector<std::uint8_t> Read(const std::filesystem::path& file) {
    std::vector<std::uint8_t> bytes;
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return bytes;
    std::uint8_t chunk[16384];
    for (ssize_t got; (got = ::read(descriptor, chunk, sizeof chunk)) > 0;) {
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ::close(descriptor);
    return bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace orandu::fuzz
