// Painting the region zoomed in (each sample a block of pixels) or out (each pixel a block's mean).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "region/RegionView.h"
#include "region/ShownSamples.h"
#include "region/ZoomLevel.h"
#include "region/grid/HeightGrid.h"
#include "region/grid/LevelFiles.h"
#include "region/grid/Overviews.h"

namespace orandu {

// The geometry a level's heights are shaded by: a block's spacing, k samples, in both directions,
// and its rows where its blocks' first rows lie. Blocks of cells then lie at their middles; blocks
// of a grid whose rows lie on the poles lie at their northern edges, (k - 1) / 2 samples north of
// their middles, which the slopes barely notice, so that a block on a pole lies on the pole, and
// keeps its colour as a pole's sample does, rather than past it.
GridGeometry LevelGeometry(const GridGeometry& grid, const OverviewLevel& level);

// What pixel (x, y) of a width x height area around a centre shows at a zoom level: zoomed in or
// at 1:1 a sample of the grid, zoomed out a block of the level's (Overviews). Rows count from the
// first row of samples or blocks and columns from the first column, wrapped east-west over the
// grid's columns or the level's ceil(columns / k) blocks; the row may lie below the last.
//
// At 1:1 pixel x shows column c - round(W / 2) - 1 + x, c the centre's sample. Zoomed in by k,
// pixel x shows column c + floor((x - round(W / 2) - 1) / k): the centre's sample is the k pixels
// from round(W / 2) + 1 on, where 1:1 shows it. Zoomed out by k, pixel x shows block
// floor(c / k) - round(W / 2) - 1 + x, the block holding the centre where 1:1 shows the centre.
// Rows likewise, except that an area reaching above the grid shows its first row of samples or
// blocks at the top, unshifted, as at 1:1.
GridSample ZoomedCellUnderPixel(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom,
                                int width, int height, int x, int y);

// Paints the rows of a region zoomed in or out, one at a time and in any order, in the layouts
// RegionPainter writes; at 1:1 RegionPainter paints. Zoomed out, the pixels come from the levels
// GridOverviews builds or, for a grid with a header too large for those, from its level files
// (HasLevelFiles), of which only the blocks shown (and one either side, for slopes) are read for
// each row painted; zoomed in, the rows of samples shown are read as they are needed, whole
// for an ETOPO5 file and only the columns shown (and one either side, for slopes) for a grid with
// a header. Pixels whose samples or blocks the file does not hold keep what the row held in the
// packed layout and are black in the 3-byte layouts.
class ZoomedPainter {
 public:
  // Opens the grid file and, zoomed out, gets its levels. Throws OranduError when the file cannot
  // be opened or read, when it has no levels (kNoOverviewsMessage) or when its level files do not
  // match it. Shaded, zoomed in each
  // sample is shaded as at 1:1, and zoomed out each block from the blocks around it, as
  // ReliefShader shades samples, by LevelGeometry.
  ZoomedPainter(const RegionView& view, const std::filesystem::path& gridPath,
                const ColorTable& colors, int width, int height, PixelLayout layout);
  ~ZoomedPainter();

  int Width() const { return width_; }
  int Height() const { return height_; }
  const GridGeometry& Grid() const { return grid_.Geometry(); }
  // The levels painted from zoomed out, when they are held in memory (nothing zoomed in or when
  // they are read from level files).
  std::shared_ptr<const Overviews> LevelsPaintedFrom() const { return overviews_; }
  // The shape of the level read from its file zoomed out (nothing otherwise).
  std::optional<OverviewLevel> LevelFilePaintedFrom() const;

  // Paints region row y (0 at the top) into a row of Width() pixels in the painter's layout.
  void PaintRow(int y, std::span<std::uint8_t> row);

 private:
  // A row of samples read: the file's row layout; columns the file did not hold repeat the last
  // one it held, and `held` says how many it did.
  struct SampleRow {
    std::vector<std::uint8_t> bytes;
    int held = 0;
    int row = -1;  // none yet
  };

  void PaintOut(int y, std::uint8_t* pixels);
  // Reads a band of level rows from the level file, from `first` on, unless it holds the rows
  // `first` ... `last` already.
  void HoldLevelRows(int first, int last);
  // A level's row of heights, of which at least the blocks shown and one either side are valid;
  // from a level file, only while HoldLevelRows holds it.
  const std::int16_t* LevelRow(int blockRow) const;
  // A level's row of heights in the file's byte order, which the shader reads; `slot` 0, 1 or 2
  // keeps it apart from the rows above and below where the machine's order differs.
  const std::uint8_t* LevelRowBytes(int blockRow, std::size_t slot);
  void PaintIn(int y, std::uint8_t* pixels);
  const SampleRow& RowOfSamples(int row);
  void ColourRow(int row);
  void Shade(int row, const SampleRow& centre);

  HeightGrid grid_;
  const ColorTable& colors_;
  const PackedColor* gridColors_;
  int width_;
  int height_;
  PixelLayout layout_;
  int factor_;
  bool zoomedOut_;
  int rowOrigin_;     // zoomed in: the pixel offset of row 0 in k-pixel rows; out: the first block
  int columnOrigin_;  // likewise for columns, unwrapped
  std::shared_ptr<const Overviews> overviews_;  // zoomed out
  const OverviewLevel* level_ = nullptr;
  // Zoomed out from level files: the file, and the band of whole rows read from it last, of
  // which the blocks shown and one either side were read.
  std::unique_ptr<LevelFileReader> levelFile_;
  std::vector<std::int16_t> levelBand_;
  int levelBandFirst_ = 0;
  int levelBandRows_ = 0;
  std::unique_ptr<ReliefShader> shader_;  // shaded
  std::vector<PackedColor> blockColors_;  // zoomed out, in the 3-byte layouts: a row's colours
  std::array<std::vector<std::uint8_t>, 3> levelRowBytes_;  // on a big-endian machine
  // The rows of samples read last: the row coloured and its neighbours.
  std::array<SampleRow, 3> rows_;
  int centreRow_ = 0;  // the row being coloured
  // Zoomed in: the colours of the samples shown in the last row coloured, from firstShown_ on,
  // 0 where the file does not hold the sample; and the last row painted whole, to copy for the
  // next pixel rows of the same row of samples.
  int firstShown_ = 0;
  int colouredRow_ = -1;
  std::vector<PackedColor> shownColors_;
  int paintedRow_ = -1;
  std::vector<std::uint8_t> painted_;
  // Each pixel column's block of the level zoomed out, or its index in shownColors_ zoomed in.
  std::vector<int> pixelColumns_;
};

}  // namespace orandu
