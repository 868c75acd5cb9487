#!/usr/bin/env python3
"""Draws the window icon, src/resources/icon.xpm: an orange-and-white
traffic cone with a black pair of beamed music notes in front of it. It also
writes the same picture as icon.png beside it, the file installed for
desktop menus (whose image loaders may no longer read XPM).

48 x 48 pixels, at most 255 colours plus "None" for the transparency mask.
The shapes are described below in pixel units and sampled 4 x 4 per pixel,
so edges inside the picture are smoothed; the outer edge stays a hard mask
(a pixel is opaque when at least half of it is covered).

The three 16 x 15 button pictures beside it (open.xpm, save.xpm, back.xpm)
are drawn by hand: edit those files directly.

Usage: tools/draw_pictures.py [output.xpm]   (default: the resource file;
the PNG goes beside it with the extension .png)
"""
import math
import os
import struct
import sys
import zlib

SIZE = 48
SUB = 4  # samples per pixel along each axis

ORANGE = (255, 112, 16)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
OUTLINE = (96, 32, 0)

# The cone: a rounded tip, a tapering body and a square foot.
CX = 27.0  # the cone's axis, a little right of the middle: the notes stand left
TIP_Y, TIP_HALF = 3.0, 2.5
BODY_Y, BODY_HALF = 39.0, 14.0  # where the body meets the foot
FOOT_TOP, FOOT_BOTTOM, FOOT_HALF = 38.0, 44.5, 19.5
BANDS = [(13.0, 18.5), (25.0, 30.5)]  # white bands, top and bottom y

# The notes: two heads, two stems, a beam; heads are tilted ellipses.
HEADS = [(10.5, 40.0), (25.5, 36.0)]
HEAD_RX, HEAD_RY, HEAD_TILT = 4.6, 3.2, -0.45
STEM_W = 2.2
STEM_TOP = [18.0, 14.0]  # y of each stem's top (the beam's upper edge)
BEAM_H = 5.0
HALO = 1.3  # a white rim around the notes parts them from the cone


def half_width(y):
  """Half width of the cone body at height y."""
  t = (y - TIP_Y) / (BODY_Y - TIP_Y)
  return TIP_HALF + t * (BODY_HALF - TIP_HALF)


def in_cone(x, y):
  if FOOT_TOP <= y <= FOOT_BOTTOM and abs(x - CX) <= FOOT_HALF:
    # square foot with rounded bottom corners
    dx = abs(x - CX) - (FOOT_HALF - 2.0)
    dy = y - (FOOT_BOTTOM - 2.0)
    return not (dx > 0 and dy > 0 and dx * dx + dy * dy > 4.0)
  if TIP_Y <= y <= BODY_Y:
    return abs(x - CX) <= half_width(y)
  # round cap over the tip
  return (x - CX) ** 2 + (y - TIP_Y) ** 2 <= TIP_HALF ** 2


def shade(colour, f):
  return tuple(max(0, min(255, round(c * f))) for c in colour)


def cone_colour(x, y):
  if y >= FOOT_TOP and not (y <= BODY_Y and abs(x - CX) <= half_width(y)):
    # the foot: its top face lit, its front darker
    f = 1.0 if y < FOOT_TOP + 2.0 else 0.78
    return shade(ORANGE, f)
  hw = max(half_width(min(y, BODY_Y)), TIP_HALF)
  u = (x - CX) / hw  # -1 at the left edge, +1 at the right
  # light from the upper left: a bright streak left of the axis, dark right
  f = 1.12 - 0.18 * (u + 0.35) ** 2 - 0.12 * max(0.0, u)
  base = ORANGE
  for top, bottom in BANDS:
    if top <= y <= bottom:
      base = WHITE
      f = min(f, 1.0) * 0.98 if u < 0.3 else 1.0 - 0.32 * (u - 0.3)
  return shade(base, f)


def in_notes(x, y, grow=0.0):
  for (hx, hy) in HEADS:
    c, s = math.cos(HEAD_TILT), math.sin(HEAD_TILT)
    dx, dy = x - hx, y - hy
    ex, ey = dx * c + dy * s, -dx * s + dy * c
    if (ex / (HEAD_RX + grow)) ** 2 + (ey / (HEAD_RY + grow)) ** 2 <= 1.0:
      return True
  stems = []
  for (hx, hy), top in zip(HEADS, STEM_TOP):
    sx = hx + HEAD_RX * 0.78  # stems rise from the right side of the heads
    stems.append(sx)
    if sx - STEM_W - grow <= x <= sx + grow and top - grow <= y <= hy + grow:
      return True
  # the beam joins the stem tops, slanting up to the right
  x0, x1 = stems[0] - STEM_W, stems[1]
  if x0 - grow <= x <= x1 + grow:
    t = (x - x0) / (x1 - x0)
    top = STEM_TOP[0] + t * (STEM_TOP[1] - STEM_TOP[0])
    if top - grow <= y <= top + BEAM_H + grow:
      return True
  return False


def sample(x, y):
  """Colour at a point, or None where the icon is transparent."""
  if in_notes(x, y):
    return BLACK
  if in_notes(x, y, HALO):
    return WHITE
  if in_cone(x, y):
    return cone_colour(x, y)
  return None


def render():
  pixels = []
  for py in range(SIZE):
    row = []
    for px in range(SIZE):
      got = []
      for sy in range(SUB):
        for sx in range(SUB):
          c = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
          if c is not None:
            got.append(c)
      if len(got) * 2 < SUB * SUB:
        row.append(None)
      else:
        row.append(tuple(round(sum(c[i] for c in got) / len(got)) for i in range(3)))
    pixels.append(row)
  outline(pixels)
  return pixels


def outline(pixels):
  """Darkens the cone's outer edge so it reads on a light background."""
  edge = []
  for y in range(SIZE):
    for x in range(SIZE):
      c = pixels[y][x]
      if c is None or c in (BLACK, WHITE):
        continue
      for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        nx, ny = x + dx, y + dy
        if not (0 <= nx < SIZE and 0 <= ny < SIZE) or pixels[ny][nx] is None:
          edge.append((x, y))
          break
  for x, y in edge:
    c = pixels[y][x]
    pixels[y][x] = tuple((a + 2 * b) // 3 for a, b in zip(c, OUTLINE))


def quantise(pixels, step):
  q = lambda v: min(255, round(v / step) * step)
  return [[None if c is None else tuple(q(v) for v in c) for c in row] for row in pixels]


def xpm_step(pixels):
  """The finest quantisation step that leaves at most 255 colours."""
  step = 1
  while len({c for row in quantise(pixels, step) for c in row if c is not None}) > 255:
    step += 1
  return step


def to_xpm(pixels, name):
  qp = quantise(pixels, xpm_step(pixels))
  colours = sorted({c for row in qp for c in row if c is not None})
  chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$%&*+-/:;<=>?@[]^_{|}~,'!()"
  codes = {}
  for i, c in enumerate(colours):
    codes[c] = chars[i // len(chars)] + chars[i % len(chars)]
  none = "  "
  out = ["/* XPM */",
         "/* Generated by tools/draw_pictures.py: edit that script, not this file. */",
         "static const char* %s[] = {" % name,
         '"%d %d %d 2",' % (SIZE, SIZE, len(colours) + 1),
         '"%s c None",' % none]
  for c in colours:
    out.append('"%s c #%02X%02X%02X",' % ((codes[c],) + c))
  rows = ['"' + "".join(none if c is None else codes[c] for c in row) + '"' for row in qp]
  out.append(",\n".join(rows) + "};")
  return "\n".join(out) + "\n"


def to_png(pixels):
  """RGBA PNG of the picture; transparent pixels are (0, 0, 0, 0)."""
  raw = b"".join(
      b"\0" + b"".join(bytes((0, 0, 0, 0)) if c is None else bytes(c + (255,)) for c in row)
      for row in pixels)

  def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

  header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
  return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
          chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
  here = os.path.dirname(os.path.abspath(__file__))
  path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
      here, "..", "src", "resources", "icon.xpm")
  pixels = render()
  with open(path, "w") as f:
    f.write(to_xpm(pixels, "icon_xpm"))
  # The PNG holds the XPM's colours exactly: both come from the same pixels.
  xpm_pixels = quantise(pixels, xpm_step(pixels))
  with open(os.path.splitext(path)[0] + ".png", "wb") as f:
    f.write(to_png(xpm_pixels))


if __name__ == "__main__":
  main()
