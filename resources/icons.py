#!/usr/bin/env python3
"""Draws the program's icons beside this script: orandu.png, a 64 x 64 relief globe taken from
the grid file given as the argument, the same globe at the desktop's other sizes
(orandu-48.png, orandu-128.png, orandu-256.png) and as a scalable orandu.svg, and the 16 x 16
button icons settings.png, cancel.png and save.png. Each pixel is the average of 4 x 4 samples,
so the edges come out smooth."""
import array
import math
import struct
import sys
import zlib
from pathlib import Path

SUPERSAMPLES = 4
GRID_COLUMNS, GRID_ROWS = 4320, 2160  # 5' samples, row 0 at 90° N, column 0 at 0° E


def write_png(path, size, pixels):
    """Writes size x size RGBA pixels (tuples of 0 ... 255, the top row first)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + bytes(channel for pixel in pixels[y * size:(y + 1) * size]
                                 for channel in pixel) for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def render(size, paint):
    """Averages paint(x, y) -> (r, g, b, a) over sub-pixel samples; x and y run 0 ... 1."""
    pixels = []
    step = 1 / (size * SUPERSAMPLES)
    for row in range(size):
        for column in range(size):
            totals = [0.0] * 4
            for sy in range(SUPERSAMPLES):
                for sx in range(SUPERSAMPLES):
                    x = (column * SUPERSAMPLES + sx + 0.5) * step
                    y = (row * SUPERSAMPLES + sy + 0.5) * step
                    r, g, b, a = paint(x, y)
                    totals[0] += r * a
                    totals[1] += g * a
                    totals[2] += b * a
                    totals[3] += a
            alpha = totals[3] / SUPERSAMPLES ** 2
            colour = [round(total / totals[3]) if totals[3] else 0 for total in totals[:3]]
            pixels.append((*colour, round(alpha * 255)))
    return pixels


def layers(*shapes):
    """A paint function from (inside(x, y), colour) pairs, later ones drawn over earlier ones."""
    def paint(x, y):
        for inside, colour in reversed(shapes):
            if inside(x, y):
                return (*colour, 1.0)
        return (0, 0, 0, 0.0)
    return paint


def segment_distance(x, y, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - x0 - t * dx, y - y0 - t * dy)


def rounded_box(left, top, right, bottom, radius=0.0):
    def inside(x, y):
        nearest_x = min(max(x, left + radius), right - radius)
        nearest_y = min(max(y, top + radius), bottom - radius)
        return math.hypot(x - nearest_x, y - nearest_y) <= radius and left <= x <= right \
            and top <= y <= bottom
    return inside


def gear(x, y, outer, inner, teeth, hole):
    """A cog wheel centred on the icon: teeth between the two radii, a hole in the middle."""
    radius = math.hypot(x - 0.5, y - 0.5)
    turns = math.atan2(y - 0.5, x - 0.5) * teeth / (2 * math.pi) + 0.25  # teeth centred on the axes
    on_tooth = (turns - math.floor(turns)) < 0.5
    return hole < radius <= (outer if on_tooth else inner)


def eroded(inside, width):
    """The shape less a rim of the given width, for drawing an outline in a darker colour."""
    probes = [(width * math.cos(k * math.pi / 4), width * math.sin(k * math.pi / 4))
              for k in range(8)]
    return lambda x, y: inside(x, y) and all(inside(x + dx, y + dy) for dx, dy in probes)


def settings_icon():
    def wheel(x, y):
        return gear(x, y, 0.49, 0.35, 8, 0.13)
    return layers((wheel, (52, 60, 72)), (eroded(wheel, 0.07), (165, 174, 186)))


def cancel_icon():
    def cross(width):
        return lambda x, y: min(segment_distance(x, y, 0.2, 0.2, 0.8, 0.8),
                                segment_distance(x, y, 0.8, 0.2, 0.2, 0.8)) <= width
    return layers((cross(0.16), (140, 20, 20)), (cross(0.1), (220, 50, 40)))


def save_icon():
    return layers(
        (rounded_box(0.06, 0.06, 0.94, 0.94, 0.08), (24, 54, 110)),
        (rounded_box(0.12, 0.12, 0.88, 0.88, 0.04), (50, 100, 180)),
        (rounded_box(0.28, 0.12, 0.72, 0.4), (200, 206, 214)),
        (rounded_box(0.56, 0.16, 0.66, 0.36), (50, 100, 180)),
        (rounded_box(0.22, 0.56, 0.78, 0.88, 0.03), (245, 245, 240)),
        (rounded_box(0.3, 0.66, 0.7, 0.7), (170, 170, 170)),
        (rounded_box(0.3, 0.76, 0.7, 0.8), (170, 170, 170)),
    )


# A few colour stops of the world map's palette: sea deep to shallow, land low to high.
SEA = [(-6000, (10, 28, 88)), (-3000, (28, 72, 152)), (-150, (78, 140, 205)),
       (0, (104, 166, 218))]
LAND = [(0, (58, 128, 62)), (700, (176, 178, 98)), (1900, (166, 124, 80)),
        (3300, (220, 216, 210)), (4200, (250, 250, 250))]


def height_colour(height):
    stops = LAND if height >= 0 else SEA
    if height <= stops[0][0]:
        return stops[0][1]
    for (low, low_colour), (high, high_colour) in zip(stops, stops[1:]):
        if height <= high:
            t = (height - low) / (high - low)
            return tuple(a + t * (b - a) for a, b in zip(low_colour, high_colour))
    return stops[-1][1]


GLOBE_RADIUS = 0.48  # of the icon's width, the globe centred on the icon
CENTRE_LON, CENTRE_LAT = math.radians(135), math.radians(25)


def read_grid(grid_path):
    heights = array.array("h")
    heights.frombytes(Path(grid_path).read_bytes())
    if sys.byteorder != "little":
        heights.byteswap()
    if len(heights) != GRID_COLUMNS * GRID_ROWS:
        sys.exit(f"{grid_path}: not a grid file of {GRID_COLUMNS} x {GRID_ROWS} samples")
    return heights


def globe_height(heights, x, y):
    """The height under (x, y) of the icon (0 ... 1 each way), or None off the globe; the Earth is
    seen from above 135° E, 25° N. Also returns the point on the unit sphere, for lighting."""
    # Orthographic projection: (px, py) on the unit disc, pz towards the viewer.
    px, py = (x - 0.5) / GLOBE_RADIUS, (0.5 - y) / GLOBE_RADIUS
    if px * px + py * py > 1:
        return None
    pz = math.sqrt(1 - px * px - py * py)
    lat = math.asin(py * math.cos(CENTRE_LAT) + pz * math.sin(CENTRE_LAT))
    lon = CENTRE_LON + math.atan2(px, pz * math.cos(CENTRE_LAT) - py * math.sin(CENTRE_LAT))
    row = min(GRID_ROWS - 1, int((90 - math.degrees(lat)) * 12))
    column = int((math.degrees(lon) % 360) * 12) % GRID_COLUMNS
    return heights[row * GRID_COLUMNS + column], (px, py, pz)


def globe_icon(heights):
    """The globe lit from the upper left."""
    light_x, light_y, light_z = -0.5, 0.5, 0.71  # a unit vector towards the upper left

    def paint(x, y):
        found = globe_height(heights, x, y)
        if found is None:
            return (0, 0, 0, 0.0)
        height, (px, py, pz) = found
        colour = height_colour(height)
        brightness = 0.55 + 0.6 * max(0.0, px * light_x + py * light_y + pz * light_z)
        return (*(min(255.0, channel * brightness) for channel in colour), 1.0)
    return paint


# The scalable globe's shallow sea and land in bands over the deep sea's disc, each drawn in the
# colour a quarter of the way up the band.
SVG_BANDS = [(-200, 0), (0, 400), (400, 1500), (1500, 3300), (3300, 9000)]
SVG_ROWS = 256  # rows of the outlines: a step is a pixel at 256 x 256


def hex_colour(colour):
    return "#" + "".join(f"{round(channel):02x}" for channel in colour)


def globe_svg(heights):
    """The globe as vector shapes: a sea disc, the bands as runs of rows clipped to the disc, and
    the lighting as a radial gradient over it."""
    size = 256
    centre, radius = size / 2, GLOBE_RADIUS * size
    step = size / SVG_ROWS
    band_paths = [[] for _ in SVG_BANDS]
    for row in range(SVG_ROWS):
        y = (row + 0.5) / SVG_ROWS
        runs = []  # (band, first column, past the last column)
        for column in range(SVG_ROWS):
            found = globe_height(heights, (column + 0.5) / SVG_ROWS, y)
            band = None
            if found is not None and found[0] >= SVG_BANDS[0][0]:
                band = next(index for index, (low, high) in enumerate(SVG_BANDS)
                            if found[0] < high or index == len(SVG_BANDS) - 1)
            if runs and runs[-1][0] == band and runs[-1][2] == column:
                runs[-1][2] = column + 1
            else:
                runs.append([band, column, column + 1])
        for band, first, past in runs:
            if band is not None:
                band_paths[band].append(
                    f"M{first * step:g} {row * step:g}h{(past - first) * step:g}v{step:g}"
                    f"h{-(past - first) * step:g}z")
    lands = "\n".join(
        f'  <path clip-path="url(#globe)" fill="{hex_colour(height_colour(low + (high - low) / 4))}" '
        f'd="{"".join(path)}"/>' for (low, high), path in zip(SVG_BANDS, band_paths))
    sea = hex_colour(height_colour(-3000))
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">
  <defs>
    <clipPath id="globe"><circle cx="{centre:g}" cy="{centre:g}" r="{radius:g}"/></clipPath>
    <radialGradient id="light" cx="0.3" cy="0.3" r="0.8">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.3"/>
      <stop offset="0.55" stop-color="#000000" stop-opacity="0"/>
      <stop offset="1" stop-color="#000000" stop-opacity="0.45"/>
    </radialGradient>
  </defs>
  <circle cx="{centre:g}" cy="{centre:g}" r="{radius:g}" fill="{sea}"/>
{lands}
  <circle cx="{centre:g}" cy="{centre:g}" r="{radius:g}" fill="url(#light)"/>
</svg>
"""


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: icons.py GRID")
    here = Path(__file__).resolve().parent
    heights = read_grid(sys.argv[1])
    for size, name in ((64, "orandu.png"), (48, "orandu-48.png"), (128, "orandu-128.png"),
                       (256, "orandu-256.png")):
        write_png(here / name, size, render(size, globe_icon(heights)))
    (here / "orandu.svg").write_text(globe_svg(heights))
    write_png(here / "settings.png", 16, render(16, settings_icon()))
    write_png(here / "cancel.png", 16, render(16, cancel_icon()))
    write_png(here / "save.png", 16, render(16, save_icon()))


if __name__ == "__main__":
    main()
