#!/usr/bin/env python3
"""Writes the map-selection cursor as selectmap.xbm (black pixels) and selectmap_mask.xbm
(every drawn pixel) beside this script, from the drawing below.

The hot spot is the top-left pixel, the frame's corner; the cross-hair sits 13 pixels right of
and below it and marks the point that is picked, its centre left clear so that the picked pixel
shows. The frame alternates black and white so that it shows on light land and dark sea alike.
"""
from pathlib import Path

# '#' black, '.' white, '-' transparent.
DRAWING = """\
###...###...###...###...###-----
#-------------------------#-----
#-------------------------#-----
.-------------------------.-----
.-------------------------.-----
.-------------------------.-----
#-------------------------#-----
#-------------------------#-----
#-----------...-----------#-----
.-----------.#.-----------.-----
.-----------.#.-----------.-----
.-----------.#.-----------.-----
#-------.....#.....-------#-----
#-------.####-####.-------#-----
#-------.....#.....-------#-----
.-----------.#.-----------.-----
.-----------.#.-----------.-----
.-----------.#.-----------.-----
#-----------...-----------#-----
#-------------------------#-----
#-------------------------#-----
.-------------------------.-----
.---------------------.......---
.---------------------.#####.---
#---------------------.###...---
#---------------------.####..---
###...###...###...###..#.###..--
----------------------.#..###..-
----------------------.....###.-
--------------------------..##.-
---------------------------....-
--------------------------------
"""

SIZE = 32
CROSS_OFFSET = 13


def xbm(name, rows, hot_spot, comment):
    """The XBM text of a picture whose pixels are set where `rows` holds True, least
    significant bit first within each byte as the format wants."""
    data = []
    for row in rows:
        for start in range(0, SIZE, 8):
            data.append(sum(1 << bit for bit in range(8) if row[start + bit]))
    lines = [f"/* {comment} */",
             f"#define {name}_width {SIZE}",
             f"#define {name}_height {SIZE}"]
    if hot_spot:
        lines += [f"#define {name}_x_hot 0", f"#define {name}_y_hot 0"]
    lines.append(f"static unsigned char {name}_bits[] = {{")
    for start in range(0, len(data), 12):
        chunk = ", ".join(f"0x{value:02x}" for value in data[start:start + 12])
        lines.append(f"   {chunk}{',' if start + 12 < len(data) else ' };'}")
    return "\n".join(lines) + "\n"


def main():
    rows = DRAWING.splitlines()
    assert len(rows) == SIZE and all(len(row) == SIZE for row in rows), "drawing is not 32 x 32"
    assert rows[0][0] == "#", "the hot spot must be drawn"
    assert rows[CROSS_OFFSET][CROSS_OFFSET - 1] == "#", "the cross-hair must sit at (13, 13)"
    black = [[pixel == "#" for pixel in row] for row in rows]
    drawn = [[pixel != "-" for pixel in row] for row in rows]
    here = Path(__file__).resolve().parent
    (here / "selectmap.xbm").write_text(
        xbm("selectmap", black, True, "Map-selection cursor: black pixels. Made by selectmap.py."))
    (here / "selectmap_mask.xbm").write_text(
        xbm("selectmap_mask", drawn, False, "Map-selection cursor: its mask. Made by selectmap.py."))


if __name__ == "__main__":
    main()
