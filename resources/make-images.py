#!/usr/bin/env python3
"""Draws the updater's pictures and writes them beside this script.

    progress.gif  the "working" spinner shown while firmware is sent: GIF89a, 100 x 100 pixels,
                  12 frames of 100 ms, repeating without end, opaque on the window's white
    check.bmp     white check mark on a green round badge, 50 x 50, 24 bits, uncompressed
    cross.bmp     white cross on a red round badge, 50 x 50, 24 bits, uncompressed
    check-192.bmp the same badges drawn for 192 DPI (100 pixels), 8 bits: every pixel is a blend
    cross-192.bmp of white and the badge's colour, so 256 steps hold it (the program reduces them
                  for the DPIs between; one size keeps the program under its size limit)
    app.ico       the program icon: 256, 48, 32 and 16 pixels, each at 8 and at 32 bits

Plain Python 3 (zlib only, for the PNG-coded 256-pixel icon image); the build uses the files as
they are committed and never runs this script. Run it again after changing a drawing.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
WHITE = (255, 255, 255)


def blend(back, fore, alpha):
    return tuple(round(b + (f - b) * alpha) for b, f in zip(back, fore))


def coverage(inside, x, y, samples=4):
    """Share of pixel (x, y) for which inside(px, py) holds, by supersampling."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def near_segment(px, py, ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return qx * qx + qy * qy <= half_width * half_width


# ---- GIF -------------------------------------------------------------------------------------

SPINNER_BLUE = (0, 94, 184)
GIF_SIZE = 100
GIF_FRAMES = 12
GIF_LEVELS = 64  # palette: white blended towards the spinner blue in 64 steps


def spinner_frame(frame):
    """Palette indices of one frame: twelve dots on a ring, the lead dot darkest, a fading tail."""
    centre = GIF_SIZE / 2
    ring, dot = 34.0, 7.0
    dots = []
    for k in range(GIF_FRAMES):
        angle = 2 * math.pi * k / GIF_FRAMES - math.pi / 2
        age = (frame - k) % GIF_FRAMES  # 0 = the lead dot of this frame
        strength = max(0.12, 1.0 - age / 8.0)
        dots.append((centre + ring * math.cos(angle), centre + ring * math.sin(angle), strength))
    pixels = bytearray()
    for y in range(GIF_SIZE):
        for x in range(GIF_SIZE):
            level = 0.0
            for cx, cy, strength in dots:
                if abs(x + 0.5 - cx) > dot + 1 or abs(y + 0.5 - cy) > dot + 1:
                    continue
                c = coverage(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= dot * dot, x, y)
                level = max(level, c * strength)
            pixels.append(round(level * (GIF_LEVELS - 1)))
    return bytes(pixels)


def lzw_encode(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {bytes([i]): i for i in range(clear)}

    table, next_code, code_size = fresh_table(), end + 1, min_code_size + 1
    emit(clear, code_size)
    current = b""
    for value in indices:
        candidate = current + bytes([value])
        if candidate in table:
            current = candidate
            continue
        emit(table[current], code_size)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            emit(clear, code_size)
            table, next_code, code_size = fresh_table(), end + 1, min_code_size + 1
        current = bytes([value])
    if current:
        emit(table[current], code_size)
    emit(end, code_size)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    """GIF data sub-blocks: runs of at most 255 bytes, each after its length, then a 0."""
    out = bytearray()
    for start in range(0, len(data), 255):
        block = data[start:start + 255]
        out += bytes([len(block)]) + block
    return bytes(out) + b"\x00"


def write_gif(path):
    palette = bytearray()
    for level in range(GIF_LEVELS):
        palette += bytes(blend(WHITE, SPINNER_BLUE, level / (GIF_LEVELS - 1)))
    depth = 6  # 2 ** 6 = 64 palette entries
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", GIF_SIZE, GIF_SIZE, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    data += palette
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"  # loop forever
    for frame in range(GIF_FRAMES):
        # Graphic control: disposal "leave in place", no transparency, 10 hundredths of a second.
        data += b"\x21\xF9\x04" + bytes([1 << 2]) + struct.pack("<H", 10) + b"\x00\x00"
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, GIF_SIZE, GIF_SIZE, 0)
        data.append(depth)
        data += sub_blocks(lzw_encode(spinner_frame(frame), depth))
    data += b"\x3B"
    with open(path, "wb") as f:
        f.write(data)


# ---- Status bitmaps --------------------------------------------------------------------------

BADGE_SIZE = 50


def badge(colour, mark_segments, size=BADGE_SIZE, with_alpha=False):
    """Rows (top first) of RGB pixels: a round badge with a white mark, white around it. At another
    size the 50-pixel drawing is drawn anew at that scale, never resampled. With `with_alpha` each
    pixel is the share of `colour` in it instead."""
    k = size / BADGE_SIZE
    centre, radius, stroke = size / 2, 22.5 * k, 2.9 * k
    mark_segments = [tuple(v * k for v in s) for s in mark_segments]

    def in_badge(px, py):
        return (px - centre) ** 2 + (py - centre) ** 2 <= radius * radius

    def in_mark(px, py):
        return any(near_segment(px, py, *s, stroke) for s in mark_segments)

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            share = coverage(in_badge, x, y)
            share *= 1 - coverage(lambda px, py: in_badge(px, py) and in_mark(px, py), x, y)
            if with_alpha:
                row.append(share)
                continue
            pixel = blend(WHITE, colour, coverage(in_badge, x, y))
            row.append(blend(pixel, WHITE, coverage(lambda px, py: in_badge(px, py) and in_mark(px, py), x, y)))
        rows.append(row)
    return rows


def write_bmp8(path, colour, shares):
    """An 8-bit bitmap whose palette runs from white (0) to `colour` (255)."""
    height, width = len(shares), len(shares[0])
    stride = (width + 3) & ~3
    palette = bytearray()
    for i in range(256):
        r, g, b = blend(WHITE, colour, i / 255)
        palette += bytes((b, g, r, 0))
    pixels = bytearray()
    for row in reversed(shares):  # bottom-up
        line = bytes(round(a * 255) for a in row)
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(header) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(file_header + header + palette + pixels)


def write_bmp24(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(file_header + header + pixels)


# ---- Icon ------------------------------------------------------------------------------------

ICON_BLUE = (0, 94, 184)
ICON_DARK = (40, 44, 52)


def icon_pixel(u, v):
    """RGBA of the icon at unit coordinates (0..1): a label printer with a label and a down arrow."""

    def rounded(px, py, x0, y0, x1, y1, r):
        qx = max(x0 + r - px, 0, px - (x1 - r))
        qy = max(y0 + r - py, 0, py - (y1 - r))
        return x0 <= px <= x1 and y0 <= py <= y1 and qx * qx + qy * qy <= r * r

    if rounded(u, v, 0.30, 0.06, 0.70, 0.50, 0.03) and not rounded(u, v, 0.33, 0.09, 0.67, 0.47, 0.02):
        return ICON_BLUE + (255,)  # label outline
    if rounded(u, v, 0.33, 0.09, 0.67, 0.47, 0.02):
        # the arrow on the label
        if (0.45 <= u <= 0.55 and 0.14 <= v <= 0.30) or (0.30 <= v <= 0.42 and abs(u - 0.5) <= (0.42 - v) * 1.2):
            return ICON_BLUE + (255,)
        return WHITE + (255,)
    if rounded(u, v, 0.06, 0.40, 0.94, 0.94, 0.10):
        if 0.22 <= u <= 0.78 and 0.47 <= v <= 0.53:
            return (15, 15, 18, 255)  # the label slot
        if (u - 0.80) ** 2 + (v - 0.80) ** 2 <= 0.045 ** 2:
            return (60, 150, 255, 255)  # status light
        shade = round(30 * (v - 0.40))
        return tuple(c + shade for c in ICON_DARK) + (255,)
    return (0, 0, 0, 0)


def render_icon(size):
    samples = 4 if size <= 48 else 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = icon_pixel((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha),))
        rows.append(row)
    return rows


def and_mask(rows):
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return bytes(mask)


def icon_dib32(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + pixels + and_mask(rows)


def icon_palette():
    """216-colour cube, 40 greys: every 8-bit image shares it."""
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(round(i * 255 / 39),) * 3 for i in range(40)]
    return colours


def icon_dib8(rows):
    size = len(rows)
    palette = icon_palette()
    cache = {}

    def nearest(rgb):
        if rgb not in cache:
            cache[rgb] = min(range(len(palette)), key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], rgb)))
        return cache[rgb]

    stride = (size + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(nearest((r, g, b)) if a >= 128 else 0 for r, g, b, a in row)
        pixels += line + bytes(stride - size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + pixels + and_mask(rows)


def icon_png32(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_icon(path):
    images = []  # (size, bits per pixel, data)
    for size in (256, 48, 32, 16):
        rows = render_icon(size)
        images.append((size, 32, icon_png32(rows) if size == 256 else icon_dib32(rows)))
        images.append((size, 8, icon_dib8(rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset + len(body))
        body += data
    with open(path, "wb") as f:
        f.write(directory + body)


def main():
    write_gif(os.path.join(HERE, "progress.gif"))
    # Check mark: short stroke down to the bottom, long stroke up to the right.
    badges = {
        "check": ((34, 160, 60), [(14.5, 25.5, 21.5, 33.0), (21.5, 33.0, 35.5, 17.5)]),
        "cross": ((212, 40, 40), [(17.0, 17.0, 33.0, 33.0), (33.0, 17.0, 17.0, 33.0)]),
    }
    for name, (colour, segments) in badges.items():
        write_bmp24(os.path.join(HERE, name + ".bmp"), badge(colour, segments))
        for dpi in (192,):
            size = (BADGE_SIZE * dpi + 48) // 96  # as MulDiv rounds
            shares = badge(colour, segments, size, with_alpha=True)
            write_bmp8(os.path.join(HERE, "%s-%d.bmp" % (name, dpi)), colour, shares)
    write_icon(os.path.join(HERE, "app.ico"))


if __name__ == "__main__":
    main()
