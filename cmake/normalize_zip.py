#!/usr/bin/env python3
"""Makes a zip's entry headers independent of the machine and the moment that packed it.

The archive writer stores, beside each entry's modification time, the access and change times of
the packed file (which no one can set to the commit's time: the change time is the kernel's), the
packer's user and group ids, and an MS-DOS time in the packer's time zone. This rewrites them in
place: access and change times become the modification time, the ids become 0, and the MS-DOS time
is the modification time in UTC. Sizes and offsets stay as they are, so the archive stays valid.
Usage: normalize_zip.py <zip>...
"""
import struct
import sys
import time

LOCAL_HEADER = b"PK\x03\x04"
CENTRAL_HEADER = b"PK\x01\x02"
END_OF_CENTRAL_DIRECTORY = b"PK\x05\x06"
EXTENDED_TIME = 0x5455
UNIX_IDS = 0x7875


def dos_date_time(seconds):
    t = time.gmtime(max(seconds, 315532800))
    return (((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday,
            (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2))


def normalize_extra(data, start, length):
    """Rewrites the times and ids among one header's extra fields; returns the mtime or None."""
    mtime = None
    pos, end = start, start + length
    while pos + 4 <= end:
        field, size = struct.unpack_from("<HH", data, pos)
        body = pos + 4
        if body + size > end:
            raise ValueError("extra field runs past its header")
        if field == EXTENDED_TIME and size >= 5 and data[body] & 1:
            mtime = struct.unpack_from("<i", data, body + 1)[0]
            for slot in range(1, min(bin(data[body] & 7).count("1"), (size - 1) // 4)):
                struct.pack_into("<i", data, body + 1 + 4 * slot, mtime)
        elif field == UNIX_IDS and size >= 1 and data[body] == 1:
            at = body + 1
            for _ in range(2):
                width = data[at]
                data[at + 1:at + 1 + width] = bytes(width)
                at += 1 + width
        pos = body + size
    return mtime


def normalize_header(data, pos, signature, time_at, lengths_at, fixed_size):
    if data[pos:pos + 4] != signature:
        raise ValueError("no zip header at offset %d" % pos)
    name_length, extra_length = struct.unpack_from("<HH", data, pos + lengths_at)
    mtime = normalize_extra(data, pos + fixed_size + name_length, extra_length)
    if mtime is not None:
        day, clock = dos_date_time(mtime)
        struct.pack_into("<HH", data, pos + time_at, clock, day)
    return pos + fixed_size + name_length + extra_length


def normalize(data):
    end = data.rfind(END_OF_CENTRAL_DIRECTORY)
    if end < 0:
        raise ValueError("not a zip archive")
    entries, directory = struct.unpack_from("<H4xI", data, end + 10)
    pos = directory
    for _ in range(entries):
        comment_length = struct.unpack_from("<H", data, pos + 32)[0]
        local = struct.unpack_from("<I", data, pos + 42)[0]
        normalize_header(data, local, LOCAL_HEADER, 10, 26, 30)
        pos = normalize_header(data, pos, CENTRAL_HEADER, 12, 28, 46) + comment_length
    return entries


def main(paths):
    for path in paths:
        with open(path, "rb") as f:
            data = bytearray(f.read())
        normalize(data)
        with open(path, "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
