#!/usr/bin/env python3
"""Writes the damaged .bpa fixtures of the archive reader tests, each named after the
fault it carries. Entries are built by hand here, not by the product's writer."""
import struct
import zlib

CHECK = bytes([0xC4, 0x91, 0x2E, 0x6D, 0x5E, 0xF1, 0xA7, 0x03])
CHUNK = 8388608


def header(path, size, count=None):
    raw = path.encode()
    if count is None:
        count = size // CHUNK + 1
    field = bytes([len(raw)]) + raw + bytes(250 - len(raw))
    return field + struct.pack("<q", size) + CHECK + struct.pack("<H", count)


def entry(path, data, table=None, chunks=None, size=None, count=None):
    packed = [zlib.compress(data)] if chunks is None else chunks
    lengths = [len(c) for c in packed] if table is None else table
    size = len(data) if size is None else size
    return (header(path, size, count) + b"".join(struct.pack("<i", n) for n in lengths)
            + b"".join(packed))


A = "C:\\docs\\a.txt"
fixtures = {
    "chunk_size_larger_than_buffer": entry(A, b"data", table=[0x7FFFFFFF]),
    "chunk_size_negative": entry(A, b"data", table=[-12]),
    "chunk_count_disagrees_with_size": entry(A, b"data", count=3,
                                             chunks=[zlib.compress(b"data")] * 3),
    "entry_past_end_of_file": entry(A, b"data", table=[1000]),
    "inflate_fails": entry(A, b"data", chunks=[b"\x78\x9c not a deflate stream"]),
    "inflate_ends_short": entry(A, b"", size=100, chunks=[zlib.compress(b"ten bytes!")]),
    "stored_path_climbs_out": entry("C:\\..\\..\\escape.txt", b"escaped"),
    "stored_path_second_drive": entry("C:E:\\escape.txt", b"escaped"),
    "unfinished_entry_zero_table": entry(A, b"hello")
    + header("C:\\docs\\b.txt", 5) + struct.pack("<i", 0) + zlib.compress(b"world")[:-2],
}

for name, data in fixtures.items():
    with open(name + ".bpa", "wb") as out:
        out.write(data)
