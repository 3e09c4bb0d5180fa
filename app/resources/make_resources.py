#!/usr/bin/env python3
"""Builds the program's pictures from their text sources, byte for byte the same every time.

  make_resources.py OUTDIR   writes corvane.ico, hand.cur and facebook.gif into OUTDIR

A source has '# c RRGGBB ...' lines naming its colours and one line of characters per pixel row,
top row first; '.' is transparent.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def read_art(name):
    palette, rows = {}, []
    with open(os.path.join(HERE, name), encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("#"):
                parts = line[1:].split()
                if len(parts) >= 2 and len(parts[0]) == 1 and len(parts[1]) == 6:
                    try:
                        palette[parts[0]] = tuple(int(parts[1][i:i + 2], 16) for i in (0, 2, 4))
                    except ValueError:
                        pass
            elif line:
                rows.append(line)
    width = len(rows[0])
    if any(len(r) != width for r in rows):
        raise SystemExit(f"{name}: rows of different widths")
    for r in rows:
        for ch in r:
            if ch != "." and ch not in palette:
                raise SystemExit(f"{name}: colour {ch!r} has no palette line")
    return palette, rows


def indexed(palette, rows, colours):
    """Palette list (padded to `colours`) and pixel indices; transparent pixels take index 0."""
    keys = sorted(palette)
    table = [(0, 0, 0)] + [palette[k] for k in keys]
    if len(table) > colours:
        raise SystemExit("too many colours")
    table += [(0, 0, 0)] * (colours - len(table))
    index = {k: i + 1 for i, k in enumerate(keys)}
    pixels = [[0 if ch == "." else index[ch] for ch in r] for r in rows]
    return table, pixels


def dib(table, pixels, bits):
    """BITMAPINFOHEADER (height doubled for the mask), palette, colour bits and AND mask."""
    h, w = len(pixels), len(pixels[0])
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, 0, 0, 0, len(table), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in table)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        if bits == 8:
            line = bytearray(row)
        else:  # 4 bits
            for i in range(0, w, 2):
                line.append((row[i] << 4) | (row[i + 1] if i + 1 < w else 0))
        line += b"\0" * (-len(line) % 4)
        xor += line
        m = bytearray((w + 7) // 8)
        for x, v in enumerate(row):
            if v == 0:
                m[x // 8] |= 0x80 >> (x % 8)
        m += b"\0" * (-len(m) % 4)
        mask += m
    return header + pal + bytes(xor) + bytes(mask)


def icon_file(kind, image, w, h, colours, hotspot):
    # ICONDIR, one ICONDIRENTRY; a cursor keeps its hot spot where an icon keeps planes and bits.
    planes, bits = hotspot if kind == 2 else (1, 8 if colours == 256 else 4)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, colours % 256, 0, planes, bits, len(image), 6 + 16)
    return struct.pack("<HHH", 0, kind, 1) + entry + image


def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size = min_size + 1
    table = {(i,): i for i in range(clear)}
    nxt = end + 1
    emit(clear, size)
    run = ()
    for p in indices:
        cand = run + (p,)
        if cand in table:
            run = cand
            continue
        emit(table[run], size)
        if nxt < 4096:
            table[cand] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {(i,): i for i in range(clear)}
            nxt, size = end + 1, min_size + 1
        run = (p,)
    if run:
        emit(table[run], size)
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif_file(table, pixels):
    h, w = len(pixels), len(pixels[0])
    depth = max(1, (len(table) - 1).bit_length())
    table = table + [(0, 0, 0)] * ((1 << depth) - len(table))
    data = b"GIF89a" + struct.pack("<HHBBB", w, h, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    data += b"".join(bytes(c) for c in table)
    data += b"\x21\xF9\x04" + struct.pack("<BHB", 0x01, 0, 0) + b"\0"  # index 0 is transparent
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0)
    min_size = max(2, depth)
    stream = lzw([v for row in pixels for v in row], min_size)
    data += bytes([min_size])
    for i in range(0, len(stream), 255):
        block = stream[i:i + 255]
        data += bytes([len(block)]) + block
    return data + b"\0\x3B"


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(outdir, exist_ok=True)

    palette, rows = read_art("corvane_icon.txt")
    table, pixels = indexed(palette, rows, 256)
    ico = icon_file(1, dib(table, pixels, 8), 32, 32, 256, None)

    palette, rows = read_art("hand_cursor.txt")
    table, pixels = indexed(palette, rows, 16)
    cur = icon_file(2, dib(table, pixels, 4), 32, 32, 16, (0, 0))

    palette, rows = read_art("facebook_link.txt")
    table, pixels = indexed(palette, rows, 4)
    gif = gif_file(table[: len(palette) + 1], pixels)

    for name, data in (("corvane.ico", ico), ("hand.cur", cur), ("facebook.gif", gif)):
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
