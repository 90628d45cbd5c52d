#!/usr/bin/env python3
"""Writes the pictures the animation tests embed in place of the program's spinner.

slow.gif:  GIF89a, 16 x 16, two solid frames (red, then blue), each shown for 5 s, endless loop:
           after its first passes the animation thread sits in a long pause, so a prompt stop can
           be told from one that waits for the pause to run out.
empty.gif: no bytes at all.

Run from anywhere; the files land beside this script.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def lzw(indices, min_code_size):
    """The GIF variant of LZW: variable code width, clear code first, end code last."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    table = {(i,): i for i in range(clear)}
    next_code, width = end + 1, min_code_size + 1
    codes = [(clear, width)]
    word = ()
    for index in indices:
        extended = word + (index,)
        if extended in table:
            word = extended
            continue
        codes.append((table[word], width))
        table[extended] = next_code
        next_code += 1
        if next_code > (1 << width) and width < 12:
            width += 1
        word = (index,)
    codes.append((table[word], width))
    codes.append((end, width))

    data, bits, count = bytearray(), 0, 0
    for code, size in codes:
        bits |= code << count
        count += size
        while count >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        data.append(bits & 0xFF)
    return bytes(data)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out) + b"\x00"


def gif(width, height, palette, frames, delay):
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0xF0 | 0x00, 0, 0)  # 2-entry global table
    for rgb in palette:
        out += bytes(rgb)
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop without end
    for colour in frames:
        out += b"\x21\xF9\x04" + struct.pack("<BHB", 0x04, delay, 0) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        out += b"\x02" + sub_blocks(lzw([colour] * (width * height), 2))
    out += b"\x3B"
    return bytes(out)


def main():
    with open(os.path.join(HERE, "slow.gif"), "wb") as f:
        f.write(gif(16, 16, [(255, 0, 0), (0, 0, 255)], [0, 1], 500))
    with open(os.path.join(HERE, "empty.gif"), "wb"):
        pass


if __name__ == "__main__":
    main()
