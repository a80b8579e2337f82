/* The paint loop written in plain C: the floor the region painter is measured against. */
#ifndef ORANDU_BENCH_PAINT_FLOOR_H
#define ORANDU_BENCH_PAINT_FLOOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Paints a width x height area from the grid file: grid row firstRow (at least 0) at the top,
 * grid column firstColumn (wrapped) at the left, 32 whole rows a read, one table lookup per
 * pixel. Returns 0, or -1 when the file cannot be opened. */
int PaintFloor(const char* gridPath, const uint32_t* colors, int firstRow, int firstColumn,
               int width, int height, uint32_t* pixels);

#ifdef __cplusplus
}
#endif

#endif
