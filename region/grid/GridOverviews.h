// The zoomed-out levels of a grid file, built from the file in memory and kept for the next paint.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "region/grid/Overviews.h"

namespace orandu {

// Grids with a header up to this size are read whole to build their levels; ETOPO5's file
// always is (18.6 MB). A larger grid has no zoomed-out levels yet.
inline constexpr std::uint64_t kLargestGridForOverviews = std::uint64_t{64} << 20;

inline constexpr std::string_view kNoOverviewsMessage =
    "このグリッドは大きすぎるため縮小表示できません";

// The levels of the grid file: built from its samples (ETOPO5's decoded by the 10000 rule, a
// header grid's plain signed) on the first call, and the same levels again while the file's path,
// size and modification time stay the same. A short ETOPO5 file's levels hold its whole rows.
// Throws OranduError when the file cannot be read, or with kNoOverviewsMessage when it is a grid
// with a header larger than kLargestGridForOverviews.
std::shared_ptr<const Overviews> GridOverviews(const std::filesystem::path& gridPath);
// The same levels built afresh, not kept: what the first zoom-out costs.
Overviews BuildGridOverviews(const std::filesystem::path& gridPath);

}  // namespace orandu
