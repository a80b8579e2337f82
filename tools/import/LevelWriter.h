// Writes a grid's zoomed-out levels to their files beside it while its rows stream past.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "region/files/AtomicFile.h"
#include "region/grid/Overviews.h"

namespace orandu {

// Takes the finest rows from the north, as the grid file holds them, and writes each level's
// rows as they are completed into a temporary beside LevelFilePath(grid, factor): only a row of
// sums a level is held, however large the grid. Nothing replaces the level files until Commit.
class LevelWriter {
 public:
  LevelWriter(const std::filesystem::path& grid, std::size_t columns);
  // Its builder hands rows back to it: it stays where it was made.
  LevelWriter(const LevelWriter&) = delete;
  LevelWriter& operator=(const LevelWriter&) = delete;

  // `count` rows of 16-bit little-endian heights, `columns` each.
  void AddRows(std::span<const std::uint8_t> rows, std::size_t count);
  // Completes the last rows of blocks, which may hold fewer rows than their factor.
  void Finish();
  // False once any level's file has been refused (a full disk): the level named by Failed().
  bool Ok() const;
  std::filesystem::path Failed() const;

  // Removes the level files an earlier import left (they would not match the new grid); call
  // before the grid itself is replaced. False, with Failed() naming it, when one cannot be.
  [[nodiscard]] bool RemoveEarlier();
  // Renames every level over its file. False when one cannot be: those renamed are then removed
  // again, so that the grid is left with no levels rather than some.
  [[nodiscard]] bool Commit();

 private:
  std::filesystem::path grid_;
  std::size_t columns_;
  std::array<std::unique_ptr<AtomicFileWriter>, Overviews::kLevels> files_;
  std::filesystem::path failed_;
  std::vector<std::int16_t> finestRow_;
  std::vector<std::uint8_t> rowBytes_;
  OverviewBuilder builder_;
};

}  // namespace orandu
