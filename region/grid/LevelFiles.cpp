// Naming, checking and reading the level files kept beside a grid.
#include "region/grid/LevelFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <system_error>

#include "region/files/Errors.h"

namespace orandu {

std::filesystem::path LevelFilePath(const std::filesystem::path& grid, int factor) {
  std::filesystem::path level = grid;
  level.replace_filename(grid.stem().string() + ".z" + std::to_string(factor) +
                         grid.extension().string());
  return level;
}

std::uint64_t LevelFileBytes(std::uint64_t columns, std::uint64_t rows, int factor) {
  const auto k = static_cast<std::uint64_t>(factor);
  return (columns + k - 1) / k * ((rows + k - 1) / k) * 2;
}

std::string LevelFileSizeMessage(const std::filesystem::path& level, std::uint64_t bytes,
                                 std::uint64_t expected) {
  return "縮小表示用のファイル \"" + level.string() + "\" の大きさがグリッドと合いません (" +
         std::to_string(bytes) + " バイト、" + std::to_string(expected) + " バイトのはずです)";
}

std::string MissingLevelFileMessage(const std::filesystem::path& level) {
  return "縮小表示用のファイル \"" + level.string() + "\" がありません";
}

bool HasLevelFiles(const std::filesystem::path& grid, const GridGeometry& geometry) {
  int present = 0;
  std::filesystem::path missing;
  for (int factor = 2; factor <= Overviews::kCoarsestFactor; factor *= 2) {
    const auto path = LevelFilePath(grid, factor);
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error) {
      if (missing.empty()) missing = path;
      continue;
    }
    ++present;
    const std::uint64_t expected =
        LevelFileBytes(static_cast<std::uint64_t>(geometry.columns),
                       static_cast<std::uint64_t>(geometry.rows), factor);
    if (bytes != expected) throw OranduError(LevelFileSizeMessage(path, bytes, expected));
  }
  if (present == 0) return false;
  if (!missing.empty()) throw OranduError(MissingLevelFileMessage(missing));
  return true;
}

LevelFileReader::LevelFileReader(const std::filesystem::path& grid, const GridGeometry& geometry,
                                 int factor) {
  shape_.factor = factor;
  shape_.columns = (geometry.columns + factor - 1) / factor;
  shape_.rows = (geometry.rows + factor - 1) / factor;
  const auto path = LevelFilePath(grid, factor);
  descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor_ < 0) throw OranduError(MissingLevelFileMessage(path));
  const std::uint64_t expected = LevelFileBytes(static_cast<std::uint64_t>(geometry.columns),
                                                static_cast<std::uint64_t>(geometry.rows), factor);
  const off_t bytes = ::lseek(descriptor_, 0, SEEK_END);
  if (bytes < 0 || static_cast<std::uint64_t>(bytes) != expected) {
    ::close(descriptor_);
    throw OranduError(
        LevelFileSizeMessage(path, bytes < 0 ? 0 : static_cast<std::uint64_t>(bytes), expected));
  }
}

LevelFileReader::~LevelFileReader() {
  ::close(descriptor_);
}

void LevelFileReader::ReadSpan(int row, int first, int count,
                               std::span<std::int16_t> heights) const {
  const int beforeWrap = std::min(count, shape_.columns - first);
  Read(row, first, beforeWrap, heights.data() + first);
  if (count > beforeWrap) Read(row, 0, count - beforeWrap, heights.data());
}

std::int16_t LevelFileReader::HeightAt(int row, int column) const {
  std::int16_t height = 0;
  Read(row, column, 1, &height);
  return height;
}

void LevelFileReader::Read(int row, int first, int count, std::int16_t* to) const {
  const std::size_t bytes = static_cast<std::size_t>(count) * 2;
  const auto at = static_cast<off_t>(
      (static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(shape_.columns) +
       static_cast<std::uint64_t>(first)) *
      2);
  auto* into = reinterpret_cast<std::uint8_t*>(to);
  for (std::size_t done = 0; done < bytes;) {
    const ssize_t got =
        ::pread(descriptor_, into + done, bytes - done, at + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw OranduError(std::string(kStreamReadErrorMessage));
    done += static_cast<std::size_t>(got);
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (int i = 0; i < count; ++i) {
      const auto raw = static_cast<std::uint16_t>(to[i]);
      to[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw << 8 | raw >> 8));
    }
  }
}

}  // namespace orandu
