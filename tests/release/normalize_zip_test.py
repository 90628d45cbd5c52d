#!/usr/bin/env python3
"""Tests of cmake/normalize_zip.py on zips made here, with the header fields it must rewrite."""
import io
import os
import struct
import sys
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "cmake"))
import normalize_zip  # noqa: E402

MTIME = 1796718051  # 2026-12-08 08:20:51 UTC

# A packer far from UTC (13:45 ahead), so that a time written in local time shows.
os.environ["TZ"] = "Pacific/Chatham"
time.tzset()


def extended_time(flags, *times):
    return struct.pack("<HHB", 0x5455, 1 + 4 * len(times), flags) + b"".join(
        struct.pack("<i", t) for t in times)


def unix_ids(uid, gid):
    return struct.pack("<HHBBIBI", 0x7875, 11, 1, 4, uid, 4, gid)


def make_zip(entries, comment=b""):
    """entries: (name, extra fields of both headers); returns the archive's bytes."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.comment = comment
        for name, extra in entries:
            info = zipfile.ZipInfo(name, date_time=(2030, 1, 2, 3, 4, 6))
            info.extra = extra
            archive.writestr(info, ("contents of " + name) * 20)
    return bytearray(buffer.getvalue())


def fields(data, offset, size):
    out = {}
    pos = offset
    while pos < offset + size:
        field, length = struct.unpack_from("<HH", data, pos)
        out[field] = bytes(data[pos + 4:pos + 4 + length])
        pos += 4 + length
    return out


def headers(data):
    """(local extra fields, DOS time, DOS date) of every entry, read through the local headers."""
    result = []
    with zipfile.ZipFile(io.BytesIO(bytes(data))) as archive:
        for info in archive.infolist():
            at = info.header_offset
            clock, day, _, _, _, name_length, extra_length = struct.unpack_from(
                "<HHIIIHH", data, at + 10)
            result.append((fields(data, at + 30 + name_length, extra_length), clock, day))
    return result


class NormalizeZipTest(unittest.TestCase):
    CASES = [
        # name, local extra, what the extended time field must hold afterwards
        ("all three times",
         extended_time(7, MTIME, MTIME + 99, MTIME + 5000) + unix_ids(1000, 1001),
         struct.pack("<Biii", 7, MTIME, MTIME, MTIME)),
        ("modification time only", extended_time(1, MTIME),
         struct.pack("<Bi", 1, MTIME)),
        ("ids before the times", unix_ids(42, 43) + extended_time(3, MTIME, MTIME + 1),
         struct.pack("<Bii", 3, MTIME, MTIME)),
    ]

    def test_times_ids_and_dos_time(self):
        for name, extra, expected in self.CASES:
            with self.subTest(name):
                data = make_zip([(name + ".txt", extra)], comment=b"a comment")
                normalize_zip.normalize(data)
                (found, clock, day), = headers(data)
                self.assertEqual(found[0x5455], expected)
                if 0x7875 in found:
                    self.assertEqual(found[0x7875], struct.pack("<BBIBI", 1, 4, 0, 4, 0))
                # 08:20:50 on 2026-12-08 in UTC, whatever the packer's time zone was.
                self.assertEqual((clock, day), ((8 << 11) | (20 << 5) | 25,
                                                ((2026 - 1980) << 9) | (12 << 5) | 8))
                with zipfile.ZipFile(io.BytesIO(bytes(data))) as archive:
                    self.assertIsNone(archive.testzip())
                    self.assertEqual(archive.comment, b"a comment")
                    # The central directory's copy of the time, which unzip tools show.
                    self.assertEqual(archive.infolist()[0].date_time, (2026, 12, 8, 8, 20, 50))

    def test_entries_without_times_keep_their_dos_time(self):
        data = make_zip([("a.txt", b""), ("b.txt", extended_time(1, MTIME))])
        normalize_zip.normalize(data)
        (_, clock_a, day_a), (_, clock_b, _) = headers(data)
        self.assertEqual((clock_a, day_a), ((3 << 11) | (4 << 5) | 3, (50 << 9) | (1 << 5) | 2))
        self.assertEqual(clock_b, (8 << 11) | (20 << 5) | 25)

    def test_same_result_whatever_the_packer_wrote(self):
        first = make_zip([("f.txt", extended_time(7, MTIME, 1, 2) + unix_ids(0, 0))])
        second = make_zip([("f.txt", extended_time(7, MTIME, 3, 4) + unix_ids(501, 20))])
        normalize_zip.normalize(first)
        normalize_zip.normalize(second)
        self.assertEqual(first, second)

    def test_refuses_what_is_not_a_zip(self):
        with self.assertRaises(ValueError):
            normalize_zip.normalize(bytearray(b"not an archive at all"))


if __name__ == "__main__":
    unittest.main()
