#!/usr/bin/env python3
"""Draws Zentrail's icons and writes them as .ico files.

The artwork is kept here as pixel grids, one character per pixel, so that it
can be edited by hand and reviewed as text. The build uses the committed .ico
files; run this script after changing a grid and commit both.

    make_icons.py            write the .ico files beside this script
    make_icons.py --out DIR  write them into DIR instead
    make_icons.py --check    exit 1 if the committed files differ from the grids

Icon 128 (tag_hash.ico): a price tag carrying a hash sign, 32x32 and 16x16 in
the 16 standard colours. Icon 202 (bubble_hash.ico): a speech bubble with a
hash sign, 32x32 and 16x16, each in 16 colours and in 256 colours.

Python 3 standard library only.
"""

import argparse
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent

# The 16 colours every display shows the same, in the usual index order. The
# 4-bit images use exactly this palette.
STANDARD_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, AQUA, WHITE = 0, 4, 6, 7, 14, 15

TRANSPARENT = "."

# --- Icon 128: the tag ------------------------------------------------------
# o outline, h highlight on the lit (top and left) edges, b body,
# w the hash sign, d the hash sign's shadow.

TAG_32 = [
    "................................",
    "................................",
    "...ooooooooooo..................",
    "..ohhhhhhhhhhbo.................",
    "..ohbbbbbbbbbbbo................",
    "..ohbbooobbbbbbbo...............",
    "..ohbo...obbbbbbbo..............",
    "..ohbo...ohbbbbbbbo.............",
    "..ohbo...obbbbbbbbbo............",
    "..ohbbooohbbbbbbbbbbo...........",
    "..ohbbbhhbbbbbbbbbbbbo..........",
    "..ohbbbbbbbbbbbbbbbbbbo.........",
    "..ohbbbbbbbbbbbbbbbbbbbo........",
    "..obbbbbbbbbbbbwwbbwwbbbo.......",
    "...obbbbbbbbbbbwwdbwwdbbbo......",
    "....obbbbbbbbwwwwwwwwwwbbbo.....",
    ".....obbbbbbbwwwwwwwwwwdbbbo....",
    "......obbbbbbbdwwddwwdddbbbbo...",
    ".......obbbbbbbwwdbwwdbbbbbbbo..",
    "........obbbbwwwwwwwwwwbbbbbbbo.",
    ".........obbbwwwwwwwwwwdbbbbbbo.",
    "..........obbbdwwddwwdddbbbbbo..",
    "...........obbbwwdbwwdbbbbbbo...",
    "............obbbddbbddbbbbbo....",
    ".............obbbbbbbbbbbbo.....",
    "..............obbbbbbbbbbo......",
    "...............obbbbbbbbo.......",
    "................obbbbbbo........",
    ".................obbbbo.........",
    "..................obbo..........",
    "...................oo...........",
    "................................",
]

TAG_16 = [
    "................",
    ".oooooo.........",
    ".ohhhhho........",
    ".ohbobbbo.......",
    ".oho.obbbo......",
    ".ohbobbbbbo.....",
    ".ohbbbbbbbbo....",
    "..obbbbbwbwbo...",
    "...obbbwwwwwbo..",
    "....obbbwbwbbbo.",
    ".....obwwwwwbbo.",
    "......obwbwbbo..",
    ".......obbbbo...",
    "........obbo....",
    ".........oo.....",
    "................",
]

TAG_COLOURS_16 = {"o": NAVY, "h": AQUA, "b": TEAL, "w": WHITE, "d": NAVY}

# --- Icon 202: the speech bubble --------------------------------------------
# o outline, b bubble, s the bubble's shaded (bottom and right) inner edge,
# w the hash sign, d the hash sign's shadow.

BUBBLE_32 = [
    "................................",
    "................................",
    ".....oooooooooooooooooooooo.....",
    "...oobbbbbbbbbbbbbbbbbbbbbboo...",
    "..obbbbbbbbbbbbbbbbbbbbbbbbbbo..",
    "..obbbbbbbbbbbbbbbbbbbbbbbbbso..",
    ".obbbbbbbbbbbbbbbbbbbbbbbbbbbso.",
    ".obbbbbbbbbbwwbbbwwbbbbbbbbbbso.",
    ".obbbbbbbbbbwwdbbwwdbbbbbbbbbso.",
    ".obbbbbbbbwwwwwwwwwwwbbbbbbbbso.",
    ".obbbbbbbbwwwwwwwwwwwdbbbbbbbso.",
    ".obbbbbbbbbdwwddddwwdddbbbbbbso.",
    ".obbbbbbbbbbwwdbbbwwdbbbbbbbbso.",
    ".obbbbbbbbbbwwdbbbwwdbbbbbbbbso.",
    ".obbbbbbbbwwwwwwwwwwwbbbbbbbbso.",
    ".obbbbbbbbwwwwwwwwwwwdbbbbbbbso.",
    ".obbbbbbbbbdwwddddwwdddbbbbbbso.",
    ".obbbbbbbbbbwwdbbbwwdbbbbbbbbso.",
    ".obbbbbbbbbbbddbbbbddbbbbbbbbso.",
    ".obbbbbbbbbbbbbbbbbbbbbbbbbbsso.",
    "..obbbbbbbbbbbbbbbbbbbbbbbbsso..",
    "..obbbbbbbbbbbbbbbbbbbbbbssso...",
    "...oobbbbbbsssssssssssssssoo....",
    ".....obbbbsooooooooooooooo......",
    ".....obbbso.....................",
    ".....obbso......................",
    ".....obso.......................",
    ".....obo........................",
    "....obo.........................",
    "....oo..........................",
    "................................",
    "................................",
]

BUBBLE_16 = [
    "................",
    "..oooooooooooo..",
    ".obbbbbbbbbbbbo.",
    "obbbbbbbbbbbbbso",
    "obbbbbwbwbbbbbso",
    "obbbbwwwwwbbbbso",
    "obbbbbwbwbbbbbso",
    "obbbbwwwwwbbbbso",
    "obbbbbwbwbbbbbso",
    ".obbbbbbbbbbbso.",
    "..obbssssssssoo.",
    "..obsooooooooo..",
    "..obo...........",
    ".obo............",
    ".oo.............",
    "................",
]

# The 16-colour bubble leaves out the hash sign's shadow: silver on white
# reads as dirt at this size.
BUBBLE_COLOURS_16 = {"o": NAVY, "b": WHITE, "s": SILVER, "w": TEAL, "d": WHITE}


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def bubble_colour_256(ch, x, y, size):
    """The 256-colour bubble: soft vertical gradients instead of flat fills."""
    t = y / (size - 1)
    if ch == "o":
        return mix((40, 70, 120), (20, 40, 80), t)
    if ch == "b":
        return mix((255, 255, 255), (214, 230, 244), t)
    if ch == "s":
        return mix((190, 208, 226), (160, 182, 206), t)
    if ch == "w":
        return mix((20, 170, 170), (0, 112, 128), t)
    if ch == "d":
        return mix((200, 214, 228), (176, 194, 214), t)
    raise ValueError(ch)


# --- Images and the ICO format ----------------------------------------------


class Image:
    """One image of an icon: a square grid, a bit depth and its pixels as
    (palette index or None for transparent) rows, top row first."""

    def __init__(self, grid, bits, palette, pixels):
        self.size = len(grid)
        self.bits = bits
        self.palette = palette
        self.pixels = pixels


def check_grid(name, grid, legend):
    size = len(grid)
    for y, row in enumerate(grid):
        if len(row) != size:
            raise SystemExit(f"{name}: row {y} has {len(row)} pixels, not {size}")
        unknown = set(row) - set(legend) - {TRANSPARENT}
        if unknown:
            raise SystemExit(f"{name}: row {y} uses unknown pixels {sorted(unknown)}")


def image_16(name, grid, colours):
    check_grid(name, grid, colours)
    pixels = [[None if ch == TRANSPARENT else colours[ch] for ch in row] for row in grid]
    return Image(grid, 4, STANDARD_16, pixels)


def image_256(name, grid, colour_of):
    check_grid(name, grid, "obswd")
    size = len(grid)
    palette, index = [(0, 0, 0)], {(0, 0, 0): 0}  # index 0 stays black: under the mask
    pixels = []
    for y, row in enumerate(grid):
        out = []
        for x, ch in enumerate(row):
            if ch == TRANSPARENT:
                out.append(None)
                continue
            rgb = colour_of(ch, x, y, size)
            if rgb not in index:
                index[rgb] = len(palette)
                palette.append(rgb)
            out.append(index[rgb])
        pixels.append(out)
    if len(palette) > 256:
        raise SystemExit(f"{name}: {len(palette)} colours do not fit 8 bits")
    palette += [(0, 0, 0)] * (256 - len(palette))
    return Image(grid, 8, palette, pixels)


def row_bytes(bits_per_row):
    """Bytes of one bitmap row: rows are padded to 32 bits."""
    return (bits_per_row + 31) // 32 * 4


def pack_bits(values, bits):
    """Packs small integers most significant first into a padded row."""
    out = bytearray(row_bytes(len(values) * bits))
    per_byte = 8 // bits
    for i, v in enumerate(values):
        shift = 8 - bits * (i % per_byte + 1)
        out[i // per_byte] |= v << shift
    return bytes(out)


def dib(image):
    """BITMAPINFOHEADER, palette, XOR bitmap, AND mask; rows bottom up.

    Transparent pixels are 1 in the AND mask and black (index 0, which both
    palettes keep black) in the XOR bitmap, so they show the background
    unchanged instead of inverting it."""
    n = image.size
    xor_rows = [pack_bits([0 if p is None else p for p in row], image.bits) for row in image.pixels]
    and_rows = [pack_bits([1 if p is None else 0 for p in row], 1) for row in image.pixels]
    xor = b"".join(reversed(xor_rows))
    mask = b"".join(reversed(and_rows))
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        n,  # biWidth
        2 * n,  # biHeight: the XOR bitmap and the AND mask together
        1,  # biPlanes
        image.bits,  # biBitCount
        0,  # biCompression: BI_RGB
        len(xor) + len(mask),  # biSizeImage
        0,
        0,
        0,  # biClrUsed: the full table for the bit depth
        0,
    )
    assert image.palette[0] == (0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in image.palette)
    assert len(palette) == 4 * (1 << image.bits)
    return header + palette + xor + mask


def ico(images):
    """An .ico file: ICONDIR, one ICONDIRENTRY per image, then the images."""
    blobs = [dib(im) for im in images]
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for im, blob in zip(images, blobs):
        colours = 1 << im.bits
        out += struct.pack(
            "<BBBBHHII",
            im.size % 256,
            im.size % 256,
            colours if colours < 256 else 0,  # bColorCount: 0 means 256 or more
            0,
            1,  # wPlanes
            im.bits,
            len(blob),
            offset,
        )
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def build():
    """File name -> contents of every icon file."""
    return {
        "tag_hash.ico": ico([
            image_16("TAG_32", TAG_32, TAG_COLOURS_16),
            image_16("TAG_16", TAG_16, TAG_COLOURS_16),
        ]),
        "bubble_hash.ico": ico([
            image_16("BUBBLE_32", BUBBLE_32, BUBBLE_COLOURS_16),
            image_16("BUBBLE_16", BUBBLE_16, BUBBLE_COLOURS_16),
            image_256("BUBBLE_32", BUBBLE_32, bubble_colour_256),
            image_256("BUBBLE_16", BUBBLE_16, bubble_colour_256),
        ]),
    }


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=HERE, help="where to write")
    parser.add_argument("--check", action="store_true",
                        help="compare with the files beside this script, write nothing")
    args = parser.parse_args(argv)
    stale = []
    for name, data in build().items():
        if args.check:
            path = HERE / name
            if not path.is_file() or path.read_bytes() != data:
                stale.append(name)
        else:
            args.out.mkdir(parents=True, exist_ok=True)
            (args.out / name).write_bytes(data)
    if stale:
        print("out of date, run make_icons.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
