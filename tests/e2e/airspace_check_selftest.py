"""The airspace checker's own test: it accepts the example's compiled files and refuses them
once a header value, a grid count, a record number, a vertex list end or a frequency list end
is damaged."""
import os
import unittest

from airspace_check import CheckError, check_sua, check_tcc
from suite import EXAMPLES_DIR, EXAMPLE_BATCH, TempFolderRun


class AirspaceCheckSelfTest(TempFolderRun):
    prefix = "airspace-check-"

    def compiled(self):
        lines = []
        for mode, name in (("BatchUpdate", EXAMPLE_BATCH), ("CompileSUA", "puget_sua.txt"),
                           ("CompileTCC", "puget_tcc.txt")):
            lines += ["Mode=%s" % mode, "Filename=%s" % os.path.join(EXAMPLES_DIR, os.path.basename(name)), "GO=1"]
        self.write("run.ctl", lines)
        self.assertEqual(self.run_headless("brondel", ["-F", "run.ctl"]), 0)
        return self.read("db50", "sua.dat"), self.read("db50", "tcc.dat")

    def test_damage_is_found(self):
        sua, tcc = self.compiled()
        check_sua(sua, True)
        check_tcc(tcc, True)
        body = sua.index(b"<") + 1
        header = sua[:body].decode()
        values = header[len("SUA_02|"):-1].split("|")
        cells, numbers = int(values[0], 16), int(values[2], 16)
        cells_at, numbers_at = body + int(values[1], 16), body + int(values[3], 16)
        area_a = body + int(values[5], 16)
        # The third area has no height header: its list starts with a step.
        third = area_a + 2 * 25
        third_list = body + (int.from_bytes(sua[third + 14:third + 17], "little") & 0x7FFFFF)

        def damaged(data, at, value):
            data = bytearray(data)
            data[at] = value(data[at])
            return bytes(data)

        sua_cases = {
            "body length": sua.replace(b"|%s<" % values[10].encode(), b"|%x<" % (int(values[10], 16) + 1)),
            "grid count": damaged(sua, cells_at + 5, lambda b: b ^ 1),
            "record number": damaged(sua, numbers_at, lambda b: b ^ 1),
            "vertex list end": damaged(sua, third_list, lambda b: b & 0xFE),
            "area corner": damaged(sua, area_a + 1, lambda b: b ^ 0x40),
        }
        self.assertGreater(cells * numbers, 0)
        for name, data in sua_cases.items():
            with self.subTest(sua=name):
                with self.assertRaises(CheckError):
                    check_sua(data, True)
        tbody = tcc.index(b"<") + 1
        tvalues = [int(v, 16) for v in tcc[len("TCC_02|"):tbody - 1].decode().split("|")]
        tcc_cases = {
            "table order": tcc.replace(b"TCC_02|%x|" % tvalues[0], b"TCC_02|%x|" % (tvalues[0] - 1)),
            "vertex list end": damaged(tcc, tbody + tvalues[3] + 6 * 2 + 5, lambda b: b | 0x80),
            "grid count": damaged(tcc, tbody + tvalues[7] + 5, lambda b: b ^ 1),
        }
        for name, data in tcc_cases.items():
            with self.subTest(tcc=name):
                with self.assertRaises(CheckError):
                    check_tcc(data, True)


if __name__ == "__main__":
    unittest.main()
