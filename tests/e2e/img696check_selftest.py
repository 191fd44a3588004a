#!/usr/bin/env python3
"""Self-test of img696check: a small 696 image built here from the layout (header, directory,
sections, length word, seal), the checker's verdict on it, and damage it must report."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import airspace696  # noqa: E402
import img696check  # noqa: E402
import sections696  # noqa: E402


def image(sections, names=None):
    """Header, directory, the sections in order and the seal; `sections` maps a section number to
    (record size, count, bytes)."""
    body = bytearray(1344)
    struct.pack_into("<IB", body, 512, 512, 8)
    body[517:520] = (104).to_bytes(3, "little")
    for n, (size, count, data) in sections.items():
        start = len(body) + (3 if n == 41 else 0)
        struct.pack_into("<IB", body, 512 + 8 * n, start, size)
        body[512 + 8 * n + 5:512 + 8 * n + 8] = count.to_bytes(3, "little")
        body += data
    struct.pack_into("<I", body, 248, len(body) + 4)
    return bytes(body) + struct.pack("<I", zlib.crc32(bytes(body)) ^ 0xFFFFFFFF)


def reseal(data):
    body = data[:-4]
    return body + struct.pack("<I", zlib.crc32(body) ^ 0xFFFFFFFF)


SOUND = image({1: (2, 4, bytes(8)), 2: (9, 1, bytes(9)), 41: (1, 10, bytes(13)), 66: (1, 6, b"TRAILR")})


class Verdicts(unittest.TestCase):
    def test_sound_image_passes(self):
        self.assertEqual(img696check.check_image(SOUND), [])
        self.assertEqual(zlib.crc32(SOUND), 0xFFFFFFFF)

    def test_each_fault_is_reported(self):
        def patched(at, value, seal=True):
            b = bytearray(SOUND)
            b[at:at + len(value)] = value
            return reseal(bytes(b)) if seal else bytes(b)

        cases = {
            "CRC": (patched(1400, b"\x55", seal=False), "CRC seal"),
            "length word": (patched(248, struct.pack("<I", len(SOUND) + 1)), "length word"),
            "entry 0": (patched(517, b"\0\0\0"), "entry 0"),
            "overlap": (patched(512 + 8 * 2 + 5, (3).to_bytes(3, "little")), "overlap"),
            "beyond": (patched(512 + 8 * 66, struct.pack("<I", len(SOUND) + 9)), "outside"),
            "short": (SOUND[:1000], "shorter"),
        }
        for what, (data, word) in cases.items():
            with self.subTest(what):
                faults = img696check.check_image(data)
                self.assertTrue(any(word in f for f in faults), faults)

    def test_names_are_decoded_by_the_prefix_code(self):
        # "AN": A 000, N 0100; "SEA": S 10010 (v = 18), E 0011, A 000; then the end codes.
        bits = "000" + "0100" + "0010" + "10010" + "0011" + "000" + "0010"
        bits += "0" * (-len(bits) % 8)
        table = int(bits, 2).to_bytes(len(bits) // 8, "big")
        self.assertEqual(img696check.decode_names(table, 5), [(0, "AN"), (11, "SEA")])

    def test_section_files_are_read_block_by_block(self):
        for name, data in sections696.section_files().items():
            blocks = img696check.section_blocks(data)
            self.assertTrue(blocks, name)
            with self.assertRaises(ValueError):
                img696check.section_blocks(data[:-3])
        with self.assertRaises(ValueError):
            img696check.section_blocks(b"NAM2+_03|" + b"1" * 80)

    def test_command_line_status(self):
        with tempfile.TemporaryDirectory() as d:
            good, bad = os.path.join(d, "good.img"), os.path.join(d, "bad.img")
            with open(good, "wb") as f:
                f.write(SOUND)
            with open(bad, "wb") as f:
                f.write(SOUND[:-1] + b"\0")
            script = os.path.join(HERE, "img696check.py")
            self.assertEqual(subprocess.run([sys.executable, script, good]).returncode, 0)
            self.assertEqual(subprocess.run([sys.executable, script, bad], capture_output=True).returncode, 1)


def airspace_image(vertex_lines=13, last_step=None):
    """The hand-made airspace of airspace696 as image sections (section 41 first, so that shape
    positions are its block's start plus their offset), with no grid; `last_step` replaces the
    MOA's last entry."""
    shape = b"\0\0\0"
    recs = {"a": b"", "b": b""}
    for area in airspace696.areas():
        entries = area.entries if last_step is None or area.group == "a" else area.entries[:-3] + last_step
        recs[area.group] += area.record(1344 + len(shape))
        shape += entries
    return image({41: (1, vertex_lines, shape), 39: (30, 2, recs["a"]), 40: (27, 1, recs["b"]),
                  38: (3, 0, b""), 37: (26, 0, b"")})


class Airspace(unittest.TestCase):
    def test_shapes_decode_to_the_hand_made_vertices(self):
        areas = img696check.decode_airspace(airspace_image())
        made = airspace696.areas()
        self.assertEqual([(a["group"], a["type"], a["floor"], a["ceiling"]) for a in areas],
                         [(m.group, m.kind, m.floor, m.ceiling) for m in made])
        for a, m in zip(areas, made):
            # The circle's area holds its vertex 0 twice, the hand-made one once.
            self.assertEqual(set(a["vertices"]), set(m.vertices))
            self.assertEqual(a["vertices"][-1], a["vertices"][0])
        moa = [e[0] for e in areas[2]["entries"]]
        self.assertEqual(moa, ["vertex", "arc points", "arc", "end of", "vertex", "vertex", "vertex"])
        self.assertEqual(areas[1]["entries"][0][:2], ("circle", round(3.0 * 96920 / 1000)))

    def test_each_fault_is_reported(self):
        cases = [
            ("no grid", airspace_image(), "grid differs: 3 runs missing"),
            ("count", airspace_image(vertex_lines=12), "section 41 counts 12 entries"),
            ("open area", airspace_image(last_step=airspace696.short_vertex(0, -1024)), "airspace 2: last vertex is not vertex 0"),
            ("no form", airspace_image(last_step=b"\x02\0\0"), "no entry form fits"),
        ]
        for what, data, fault in cases:
            with self.subTest(what):
                faults = img696check.check_airspace(data)
                self.assertTrue(any(fault in f for f in faults), faults)


if __name__ == "__main__":
    unittest.main()
