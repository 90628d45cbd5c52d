#!/usr/bin/env python3
"""Writes the three deterministic development firmware images (20,480 bytes each).

They are not printer firmware: each is a recognisable, reproducible byte pattern so that tests and
the simulator can check that every byte arrives in order. Real images are given to the build with
-DSG731_FIRMWARE_DIR=<folder holding new.bin, old.bin and tt.bin>.
"""
import hashlib
import pathlib
import sys

IMAGE_SIZE = 20480


def image(name: str) -> bytes:
    # A counter-mode stream of SHA-256 blocks keyed by the variant name: no two images share a piece,
    # and a shifted or repeated 2048-byte piece shows in a comparison.
    out = bytearray()
    counter = 0
    while len(out) < IMAGE_SIZE:
        out += hashlib.sha256(f"SG731 development image {name} {counter}".encode()).digest()
        counter += 1
    header = f"DEV-IMAGE {name.upper()} ".encode()
    out[: len(header)] = header
    return bytes(out[:IMAGE_SIZE])


def main() -> int:
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "resources" / "firmware")
    folder.mkdir(parents=True, exist_ok=True)
    for name in ("new", "old", "tt"):
        (folder / f"{name}.bin").write_bytes(image(name))
    (folder / "DEVELOPMENT").write_text("These images were made by scripts/make-dev-firmware.py; they are not printer firmware.\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
