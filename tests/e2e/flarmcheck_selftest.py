"""The FLARM checker's own tests: the real samples read as another reader decodes them, and a
hand-made Butterfly file with one record, its checksums and a damaged copy."""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import flarmcheck  # noqa: E402
from suite import SOURCE_DIR  # noqa: E402

SAMPLES = os.path.join(SOURCE_DIR, "sidedata", "flarm", "tests", "data")
EXPECTED = [
    flarmcheck.record("000000", "M\u00fcller", "D-2188", "D-2188", "ASK-13", "", "123.150"),
    flarmcheck.record("000001", "", "000000", "000000", "Paraglider", "", ""),
    flarmcheck.record("00000F", "", "D-9527", "D-9527", "ASW 27", "X27", ""),
]


def intel_line(address, kind, payload):
    raw = bytes([len(payload), address >> 8, address & 0xFF, kind]) + payload
    return ":" + (raw + bytes([-sum(raw) & 0xFF])).hex().upper()


class CheckerSelfTest(unittest.TestCase):
    def test_samples(self):
        with open(os.path.join(SAMPLES, "data.fln"), "rb") as f:
            self.assertEqual(flarmcheck.read_winpilot(f.read()), ("006fb0", EXPECTED))
        with open(os.path.join(SAMPLES, "lx.fln"), "rb") as f:
            self.assertEqual(flarmcheck.read_naviter(f.read()), ("006fb0", EXPECTED))

    def test_butterfly(self):
        # NAME "AB", AIRFIELD "", type 0x00C, REG "D-1", COMPID "", 122.300 MHz.
        bits = "".join("{:05b}".format(c) for c in [0, 1] + [26] * 7 + [26] * 4)
        bits += "{:014b}".format(0x00C)
        bits += "".join("{:06b}".format(c) for c in [3, 39, 27] + [36] * 3 + [36] * 3)
        bits += "{:05b}{:06b}".format(5, 12)
        packed = int(bits, 2).to_bytes(18, "big")
        block = ("00" + "DD1234" + packed.hex().upper()).ljust(506, "0") + "00AB12"
        lines = ["#BFD_FN_1.0#", ":020000022000DC"]
        lines += [intel_line(16 * i, 0, bytes.fromhex(block[32 * i:32 * i + 32])) for i in range(16)]
        lines.append(":00000001FF")
        data = ("\n".join(lines) + "\n").encode()
        version, records = flarmcheck.read_butterfly(data)
        self.assertEqual(version, "00ab12")
        self.assertEqual(records, [flarmcheck.record("DD1234", "AB", "", "D-1", 0x00C, "", "122.300")])
        self.assertEqual(flarmcheck.butterfly_view(flarmcheck.record("dd1234", "Ab", "", "D-1", "", "", "122.3"), 0x00C),
                         records[0])
        damaged = data.replace(lines[5].encode(), lines[5][:-2].encode() + b"00")
        with self.assertRaises(AssertionError):
            flarmcheck.read_butterfly(damaged)


if __name__ == "__main__":
    unittest.main()
