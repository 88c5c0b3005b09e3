#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into tests/data/fuzz/<target>/seed_*.
Seeds are small, well-formed inputs built by hand here, not by the product's writers;
the fuzzers mutate them. Crash fixtures found later sit beside them, named after the
fault, and are not touched by this script."""
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "fuzz")
CHECK = bytes([0xC4, 0x91, 0x2E, 0x6D, 0x5E, 0xF1, 0xA7, 0x03])
CHUNK = 8388608


def text_field(text, size):
    raw = text.encode()
    return bytes([len(raw)]) + raw + bytes(size - 1 - len(raw))


def record(source, media, date=46363.5, size=5, compression=0, encryption=0, in_archive=0,
           revision=0):
    return (text_field(source, 256) + text_field(media, 256) + struct.pack("<d", date)
            + struct.pack("<q", size) + bytes([compression, encryption, in_archive, revision])
            + bytes(4))


def catalogue(records, count=None):
    return struct.pack("<i", len(records) if count is None else count) + b"".join(records)


def entry(path, data):
    packed = zlib.compress(data)
    return (text_field(path, 251) + struct.pack("<q", len(data)) + CHECK
            + struct.pack("<H", len(data) // CHUNK + 1) + struct.pack("<i", len(packed)) + packed)


def journal_line(kind, staged, rec, drop=0, drop_checks=0, release="", release_versions=0):
    return ("entry\t%s\t%s\t%d\t%d\t%s\t%d\t%s\tend\n" % (
        kind, staged, drop, drop_checks, release, release_versions, rec.hex())).encode()


def region(bounds, rects):
    head = struct.pack("<4I", 32, 1, len(rects), 16 * len(rects)) + struct.pack("<4i", *bounds)
    return head + b"".join(struct.pack("<4i", *r) for r in rects)


A, B = "C:\\docs\\a.txt", "C:\\docs\\b.txt"
MEDIA_A = "E:\\Quillmoor\\Drive_C\\docs\\a.txt"
MEDIA_B = "E:\\Quillmoor\\Drive_C\\docs\\b.txt.bpa"

seeds = {
    "catalogue": {
        "seed_plain_and_archive.lst": catalogue([
            record(A, MEDIA_A),
            record(B, MEDIA_B, compression=1),
        ]),
        "seed_revisions_and_encryption.lst": catalogue([
            record(A, MEDIA_A, revision=2, encryption=1),
            record(B, MEDIA_B, compression=1, encryption=1),
            record("C:\\docs\\c.txt", "E:\\Quillmoor\\Drive_C\\docs\\c.txt", size=4294967295),
        ]),
        "seed_one_record.lst": catalogue([record(A, MEDIA_A)]),
        "seed_empty.lst": catalogue([]),
    },
    "archive": {
        "seed_two_entries.bpa": entry(A, b"alpha") + entry(B, b"bravo"),
        "seed_empty_file.bpa": entry(A, b""),
        "seed_same_path_twice.bpa": entry(A, b"first") + entry(B, b"b") + entry(A, b"second"),
    },
    "journal": {
        "seed_place_and_rotate.txt": (
            journal_line("P", "1.part", record(A, MEDIA_A, revision=1, encryption=1))
            + journal_line("R", "2.part", record("C:\\docs\\c.txt",
                                                 "E:\\Quillmoor\\Drive_C\\docs\\c.txt",
                                                 revision=2))),
        "seed_release_and_drop.txt": (
            journal_line("P", "2.part", record(B, MEDIA_B, compression=1), release=MEDIA_B[:-4],
                         release_versions=2)
            + journal_line("P", "1.part", record(A, MEDIA_A), drop=3, drop_checks=1)),
        "seed_cut_short.txt": journal_line("P", "1.part", record(A, MEDIA_A))[:-20],
    },
    "hive": {
        "seed_settings.hive": (
            "QMHIVE 1\nK\nK Software\nK Software\\Quillmoor\n"
            "V sz Destination E:%5C\nV dword TopRevision 5\nV binary Window 0a0b0c\n"
            "V sz @ default%20value\nK Software\\Quillmoor\\Jobs\nV sz Name%40home x\n"
        ).encode(),
        "seed_root_only.hive": b"QMHIVE 1\nK\n",
    },
    "region": {
        "seed_three_rects.rgn": region((0, 0, 100, 50),
                                       [(2, 0, 98, 1), (0, 1, 100, 49), (2, 49, 98, 50)]),
        "seed_one_rect.rgn": region((-10, -10, 10, 10), [(-10, -10, 10, 10)]),
    },
    "mounttable": {
        "seed_mounts.txt": (
            b"sysfs /sys sysfs rw,nosuid 0 0\n"
            b"/dev/sda2 / ext4 rw,relatime 0 0\n"
            b"/dev/sdb1 /media/ann/MY\\040STICK vfat rw,nosuid,nodev 0 0\n"
            b"/dev/mmcblk0p1 /run/media/ann/CARD exfat rw 0 0\n"
            b"/dev/nvme0n1p2 /home ext4 rw 0 0\n"
            b"//server/share /mnt/share cifs rw 0 0\n"
        ),
    },
    "answerscript": {
        "seed_answers.txt": (
            b"# answers of a scripted run\n"
            b"Overwrite=6\r\n"
            b"Do you want to delete=7\n"
            b"a=b=1\n"
            b"Name of the backup=Home\n"
            b"no equals sign here\n"
        ),
    },
}

for target, files in seeds.items():
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
