// Reading a grid file whole into its zoomed-out levels, and keeping the last grid's levels.
#include "region/grid/GridOverviews.h"

#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "region/files/Errors.h"
#include "region/grid/HeightGrid.h"

namespace orandu {

namespace {

// What tells one version of a grid file from another.
struct FileIdentity {
  std::filesystem::path path;
  std::uintmax_t bytes = 0;
  std::filesystem::file_time_type modified;
  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  std::error_code error;
  FileIdentity identity{std::filesystem::absolute(path, error), 0, {}};
  if (error) return std::nullopt;
  identity.bytes = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  identity.modified = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  return identity;
}

}  // namespace

Overviews BuildGridOverviews(const std::filesystem::path& gridPath) {
  HeightGrid grid(gridPath);
  const GridGeometry& geometry = grid.Geometry();
  if (grid.HasHeader() && geometry.Bytes() > kLargestGridForOverviews) {
    throw OranduError(std::string(kNoOverviewsMessage));
  }
  OverviewBuilder builder(geometry.columns, geometry.rows);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(RowsPerRead) * geometry.RowBytes());
  std::vector<int> heights(static_cast<std::size_t>(geometry.columns));
  grid.SeekRow(0);
  for (int row = 0; row < geometry.rows; row += RowsPerRead) {
    const std::size_t read = grid.ReadRows(block);
    // Only whole rows: a short file's cut last row is left out, as its blocks would be.
    const auto rows = static_cast<int>(read / geometry.RowBytes());
    for (int at = 0; at < rows && row + at < geometry.rows; ++at) {
      const std::uint8_t* samples =
          block.data() + static_cast<std::size_t>(at) * geometry.RowBytes();
      for (int column = 0; column < geometry.columns; ++column) {
        heights[static_cast<std::size_t>(column)] =
            HeightOf(RawSampleAt(samples, column), geometry.encoding);
      }
      builder.AddRow(heights);
    }
    if (read < block.size()) break;
  }
  return std::move(builder).Finish();
}

std::shared_ptr<const Overviews> GridOverviews(const std::filesystem::path& gridPath) {
  // One grid's levels are kept, the last one painted: a new grid's replace them.
  static std::mutex guard;
  static std::optional<FileIdentity> keptFile;
  static std::shared_ptr<const Overviews> kept;
  const auto identity = IdentityOf(gridPath);
  {
    const std::lock_guard lock(guard);
    if (identity && keptFile && *identity == *keptFile) return kept;
  }
  auto built = std::make_shared<const Overviews>(BuildGridOverviews(gridPath));
  const std::lock_guard lock(guard);
  keptFile = identity;
  kept = built;
  return built;
}

}  // namespace orandu
