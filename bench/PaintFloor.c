/* The region paint in plain C, with the same reads, runs and lookups as the painter. */
#include "bench/PaintFloor.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kColumns = 4320, kRowBytes = kColumns * 2, kRowsPerRead = 32 };

int PaintFloor(const char* gridPath, const uint32_t* colors, int firstRow, int firstColumn,
               int width, int height, uint32_t* pixels) {
  int fd = open(gridPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  lseek(fd, (off_t)firstRow * kRowBytes, SEEK_SET);

  int runFirstPixel[4], runLength[4], runFirstColumn[4], runs = 0;
  for (int x = 0; x < width;) {
    int column = (firstColumn + x) % kColumns;
    if (column < 0) column += kColumns;
    int length = width - x < kColumns - column ? width - x : kColumns - column;
    runFirstPixel[runs] = x;
    runLength[runs] = length;
    runFirstColumn[runs] = column;
    ++runs;
    x += length;
  }

  uint8_t* block = malloc((size_t)kRowsPerRead * kRowBytes);
  for (int y = 0; y < height;) {
    int rows = height - y < kRowsPerRead ? height - y : kRowsPerRead;
    ssize_t got = read(fd, block, (size_t)rows * kRowBytes);
    if (got <= 0) break;
    for (ssize_t offset = 0; offset + kRowBytes <= got; offset += kRowBytes, ++y) {
      const uint8_t* samples = block + offset;
      uint32_t* row = pixels + (size_t)y * width;
      for (int r = 0; r < runs; ++r) {
        uint32_t* out = row + runFirstPixel[r];
        const uint8_t* in = samples + (size_t)runFirstColumn[r] * 2;
        int count = runLength[r];
        for (int i = 0; i < count; ++i) {
          uint16_t raw; /* the grid stores low byte first, as this little-endian machine does */
          memcpy(&raw, in + 2 * i, 2);
          out[i] = colors[raw];
        }
      }
    }
    if (got < (ssize_t)rows * kRowBytes) break;
  }
  free(block);
  close(fd);
  return 0;
}
