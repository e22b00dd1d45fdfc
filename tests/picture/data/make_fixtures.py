#!/usr/bin/env python3
"""Writes the GIF pictures the picture tests play.

Most are written block by block here, so that each test knows exactly which blocks a file
holds and which colour every pixel has. One comes from ImageMagick, to have the output of an
encoder we did not write. The files are kept in the repository; the tests never run this.

    python3 make_fixtures.py [output folder]
"""
import os
import shutil
import struct
import subprocess
import sys

RED, GREEN, BLUE, WHITE, BLACK, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (255, 255, 0)


def colour_table(colours):
    """Packs a colour table padded to a power of two; returns (size field n, bytes)."""
    n = 0
    while (2 << n) < len(colours):
        n += 1
    padded = list(colours) + [BLACK] * ((2 << n) - len(colours))
    return n, b"".join(bytes(c) for c in padded)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out) + b"\x00"


def lzw(indices, min_code_size):
    """Codes every pixel as a literal and clears the table before it would grow, which any
    decoder reads and which needs no dictionary here."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width = min_code_size + 1
    run = (1 << min_code_size) - 3
    codes = []
    for i, index in enumerate(indices):
        if i % run == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(end)
    bits, nbits, out = 0, 0, bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def header(width, height, colours=None, version=b"89a"):
    if colours is None:
        return b"GIF" + version + struct.pack("<HHBBB", width, height, 0, 0, 0)
    n, table = colour_table(colours)
    return b"GIF" + version + struct.pack("<HHBBB", width, height, 0x80 | n, 0, 0) + table


def gce(delay, disposal=0, transparent=None):
    packed = (disposal & 7) << 2 | (1 if transparent is not None else 0)
    return b"\x21\xF9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\x00"


def image(left, top, width, height, indices, local=None):
    if local is None:
        packed, table = 0, b""
    else:
        n, table = colour_table(local)
        packed = 0x80 | n
    mcs = 4
    return (b"\x2C" + struct.pack("<HHHHB", left, top, width, height, packed) + table + bytes([mcs])
            + sub_blocks(lzw(indices, mcs)))


def fill(width, height, index):
    return [index] * (width * height)


def comment(text):
    return b"\x21\xFE" + sub_blocks(text)


def netscape_loop(count=0):
    return b"\x21\xFF\x0BNETSCAPE2.0" + sub_blocks(b"\x01" + struct.pack("<H", count))


def plain_text(text):
    # Grid at (0,0) 8x8, cells 8x8, foreground 1, background 0.
    return b"\x21\x01\x0C" + struct.pack("<HHHHBBBB", 0, 0, 8, 8, 8, 8, 1, 0) + sub_blocks(text)


TRAILER = b"\x3B"
PALETTE = [RED, GREEN, BLUE, WHITE, BLACK, YELLOW]  # indices 0..5
R, G, B, W, K, Y = range(6)


def fixtures():
    files = {}
    # One image, no extensions at all: a still picture.
    files["still.gif"] = (header(8, 6, PALETTE) + image(0, 0, 8, 6,
                          [R if x < 4 else B for y in range(6) for x in range(8)]) + TRAILER)

    # Three full frames with a loop extension and a comment; delays 10, 3 and 25 hundredths;
    # the second frame brings its own colour table, in which index 0 is yellow.
    files["anim3.gif"] = (header(16, 16, PALETTE) + netscape_loop() + comment(b"three frames")
                          + gce(10) + image(0, 0, 16, 16, fill(16, 16, R))
                          + gce(3) + image(0, 0, 16, 16, fill(16, 16, 0), local=[YELLOW, BLACK])
                          + comment(b"between frames")
                          + gce(25) + image(0, 0, 16, 16, fill(16, 16, B)) + TRAILER)

    # Red everywhere, then a blue 4x4 square at (4,4) that goes back to the background, then a
    # green 2x2 square at (12,12).
    files["dispose2.gif"] = (header(16, 16, PALETTE)
                             + gce(10, 1) + image(0, 0, 16, 16, fill(16, 16, R))
                             + gce(10, 2) + image(4, 4, 4, 4, fill(4, 4, B))
                             + gce(10, 1) + image(12, 12, 2, 2, fill(2, 2, G)) + TRAILER)

    # The same, with the blue square restoring what was under it.
    files["dispose3.gif"] = (header(16, 16, PALETTE)
                             + gce(10, 1) + image(0, 0, 16, 16, fill(16, 16, R))
                             + gce(10, 3) + image(4, 4, 4, 4, fill(4, 4, B))
                             + gce(10, 1) + image(12, 12, 2, 2, fill(2, 2, G)) + TRAILER)

    # Second frame without a graphic control extension; the first has a transparent hole in
    # its middle (index 3 transparent) and the third draws a transparent frame over everything.
    hole = [W if 2 <= x < 6 and 2 <= y < 6 else G for y in range(8) for x in range(8)]
    files["nogce.gif"] = (header(8, 8, PALETTE)
                          + gce(7, 1, transparent=W) + image(0, 0, 8, 8, hole)
                          + image(0, 0, 8, 8, fill(8, 8, B)) + TRAILER)

    # Transparent pixels of a later frame show the frame before.
    files["transparent.gif"] = (header(8, 8, PALETTE)
                                + gce(10, 1) + image(0, 0, 8, 8, fill(8, 8, R))
                                + gce(10, 1, transparent=W) + image(0, 0, 8, 8, hole) + TRAILER)

    # A plain text extension counts as a frame but is not a picture of its own.
    files["plaintext.gif"] = (header(8, 8, PALETTE)
                              + gce(10) + image(0, 0, 8, 8, fill(8, 8, R))
                              + gce(10) + plain_text(b"Hi")
                              + gce(10) + image(0, 0, 8, 8, fill(8, 8, G)) + TRAILER)

    # Two small squares on an empty screen: what the first leaves stays under the second, and
    # nothing of the second survives the start of the next loop.
    files["partial.gif"] = (header(8, 8, PALETTE)
                            + gce(10, 1) + image(0, 0, 2, 2, fill(2, 2, R))
                            + gce(10, 1) + image(4, 4, 2, 2, fill(2, 2, B)) + TRAILER)

    # GIF87a, two frames and nothing else.
    files["gif87a.gif"] = (header(4, 4, PALETTE, version=b"87a") + image(0, 0, 4, 4, fill(4, 4, R))
                           + image(1, 1, 2, 2, fill(2, 2, B)) + TRAILER)

    # Frames with only local colour tables and no global one.
    files["local_only.gif"] = (header(6, 6) + gce(5) + image(0, 0, 6, 6, fill(6, 6, 1), local=[BLACK, GREEN])
                               + gce(5) + image(0, 0, 6, 6, fill(6, 6, 1), local=[BLACK, BLUE]) + TRAILER)
    # Over the loading budget: 1,000 one-pixel frames on a 4096 x 4096 screen, which the decoder
    # would compose at full screen size each (23 KB that took 44 s to load).
    files["budget.gif"] = (header(4096, 4096, PALETTE)
                           + b"".join(gce(10, 1) + image(i % 64, i // 64, 1, 1, [R]) for i in range(1000))
                           + TRAILER)
    return files


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in fixtures().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    # An encoder of somebody else's: three 12x10 frames, the last one smaller, background
    # disposal, 20 hundredths each, looping.
    convert = shutil.which("convert")
    if convert:
        subprocess.run([convert, "-delay", "20", "-dispose", "Background", "-size", "12x10",
                        "xc:red", "xc:lime", "(", "-size", "6x5", "xc:blue", "-repage", "12x10+3+2", ")",
                        "-loop", "0", os.path.join(out, "imagemagick.gif")], check=True)
    else:
        print("convert not found: imagemagick.gif left as it is", file=sys.stderr)


if __name__ == "__main__":
    main()
