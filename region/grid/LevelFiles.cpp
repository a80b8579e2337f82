// Naming, checking and reading the level files kept beside a grid.
#include "region/grid/LevelFiles.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <system_error>

#include "region/files/Errors.h"
#include "region/files/RegularFile.h"

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
  const RegularFileOpening opened = OpenRegularFile(path);
  if (opened.descriptor < 0) throw OranduError(MissingLevelFileMessage(path));
  descriptor_ = opened.descriptor;
  const std::uint64_t expected = LevelFileBytes(static_cast<std::uint64_t>(geometry.columns),
                                                static_cast<std::uint64_t>(geometry.rows), factor);
  if (opened.size != expected) {
    ::close(descriptor_);
    throw OranduError(LevelFileSizeMessage(path, opened.size, expected));
  }
}

LevelFileReader::~LevelFileReader() {
  ::close(descriptor_);
}

namespace {

std::span<std::uint8_t> BytesOf(std::int16_t* heights, std::size_t count) {
  return {reinterpret_cast<std::uint8_t*>(heights), count * 2};
}

}  // namespace

void LevelFileReader::ReadSpans(int firstRow, int rows, int first, int count,
                                std::span<std::int16_t> heights) {
  const auto columns = static_cast<std::size_t>(shape_.columns);
  const int beforeWrap = std::min(count, shape_.columns - first);
  // `blocks` blocks from `column` on of the row `row` rows below the first.
  const auto request = [&](int row, int column, int blocks) {
    const std::size_t at =
        static_cast<std::size_t>(row) * columns + static_cast<std::size_t>(column);
    const std::uint64_t block =
        static_cast<std::uint64_t>(firstRow + row) * columns + static_cast<std::uint64_t>(column);
    requests_.push_back(
        {block * 2, BytesOf(heights.data() + at, static_cast<std::size_t>(blocks))});
  };
  requests_.clear();
  for (int row = 0; row < rows; ++row) {
    request(row, first, beforeWrap);
    if (count > beforeWrap) request(row, 0, count - beforeWrap);
  }
  ReadAll(requests_, BestReadBatchPath());
}

std::int16_t LevelFileReader::HeightAt(int row, int column) {
  std::int16_t height = 0;
  const std::uint64_t block =
      static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(shape_.columns) +
      static_cast<std::uint64_t>(column);
  const ReadRequest read{block * 2, BytesOf(&height, 1)};
  ReadAll(std::span(&read, 1), ReadBatchPath::kOneByOne);
  return height;
}

void LevelFileReader::ReadAll(std::span<const ReadRequest> requests, ReadBatchPath path) const {
  if (!ReadInFull(descriptor_, requests, path)) {
    throw OranduError(std::string(kStreamReadErrorMessage));
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (const ReadRequest& read : requests) {
      for (std::size_t at = 0; at + 1 < read.buffer.size(); at += 2) {
        std::swap(read.buffer[at], read.buffer[at + 1]);
      }
    }
  }
}

}  // namespace orandu
