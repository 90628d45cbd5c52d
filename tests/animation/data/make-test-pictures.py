#!/usr/bin/env python3
"""Writes the pictures the animation tests embed in place of the program's spinner.

slow.gif:  GIF89a, 16 x 16, two solid frames (red, then blue), each shown for 5 s, endless loop:
           after its first passes the animation thread sits in a long pause, so a prompt stop can
           be told from one that waits for the pause to run out.
empty.gif: no bytes at all.

Run from anywhere; the files land beside this script.
"""
import importlib.util
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def load_picture_writer():
    """The GIF encoder of the program's own picture script, so both write GIFs the same way."""
    path = os.path.join(HERE, "..", "..", "..", "resources", "make-images.py")
    found = importlib.util.spec_from_file_location("make_images", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


PICTURES = load_picture_writer()


def gif(width, height, palette, frames, delay):
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0xF0 | 0x00, 0, 0)  # 2-entry global table
    for rgb in palette:
        out += bytes(rgb)
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop without end
    for colour in frames:
        out += b"\x21\xF9\x04" + struct.pack("<BHB", 0x04, delay, 0) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        out += b"\x02" + PICTURES.sub_blocks(PICTURES.lzw_encode([colour] * (width * height), 2))
    out += b"\x3B"
    return bytes(out)


def main():
    with open(os.path.join(HERE, "slow.gif"), "wb") as f:
        f.write(gif(16, 16, [(255, 0, 0), (0, 0, 255)], [0, 1], 500))
    with open(os.path.join(HERE, "empty.gif"), "wb"):
        pass


if __name__ == "__main__":
    main()
