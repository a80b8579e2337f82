// Where a region's picture lies on the Earth, for georeferenced files and world files.
#pragma once

#include <string>

#include "region/ZoomLevel.h"
#include "region/grid/GridGeometry.h"

namespace orandu {

// A region picture's pixels as areas on a grid of longitude and latitude (WGS 84): each pixel is
// one sample wide and high, its sample's position at its centre, so the picture's edges lie
// half a sample outside the outer samples' positions. West is in one continuous range with the
// region's centre between 180° W and 180° E, so a region across the 0° or the 180° meridian
// keeps its pixels in order (its west edge may be below -180 or its east edge above 180).
struct GeoPlacement {
  double west = 0;   // longitude of the left edge of the picture, degrees east
  double north = 0;  // latitude of the top edge, degrees north
  double pixelDegrees = 0;
};

// The placement of the width x height region of a grid around a centre (RegionView's).
GeoPlacement PlaceRegion(const GridGeometry& grid, LatticePoint center, int width, int height);
// The same zoomed (ZoomedPainter's picture): pixels of a k-th of a sample zoomed in by k, of k
// samples zoomed out by k. Zoomed out, a last block narrower than k samples (at the seam of a
// grid whose columns k does not divide, or at the south pole) is placed as if it were whole.
GeoPlacement PlaceRegion(const GridGeometry& grid, LatticePoint center, ZoomLevel zoom, int width,
                         int height);
// The same in ETOPO5 around a whole-degree centre (longitude east of 0°, latitude south of 90° N).
GeoPlacement PlaceRegion(int centerLon, int centerLat, int width, int height);

// The six lines of a world file: the pixel's size east, two rotations, its size north
// (negative), then the centre of the top-left pixel.
std::string WorldFileText(const GeoPlacement& placement);

}  // namespace orandu
