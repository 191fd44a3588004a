"""Create ISAM in the three image generators, run headless from control files in a temporary
folder.

- Round trip: the example batch file -> database -> image A -> Create ISAM into the erased
  database -> image B. A and B are the same bytes in every family; the user waypoints (usr and
  rte files) are not touched; the TCC.DAT and SUA.DAT of the image come back; the independent
  checker accepts image A.
- A damaged image is refused with a message before anything is erased: the database folder
  keeps every byte.
"""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import imgcheck  # noqa: E402
from test_create_image import FAMILIES, GeneratorRun  # noqa: E402


class CreateIsamRun(GeneratorRun):
    def database(self):
        """Every file of the database folder and its bytes."""
        folder = self.path("db50")
        return {name: self.read("db50", name) for name in sorted(os.listdir(folder))}


class RoundTrip(CreateIsamRun):
    def test_image_from_the_rebuilt_database_is_the_same_image(self):
        for family in FAMILIES:
            with self.subTest(family=family):
                tcc, sua = self.load_example_with_airspace(family)
                self.assertEqual(self.create_image(family, "a.img", load=False), 0, self.err)
                report = imgcheck.check_file(self.path("a.img"), family)
                self.assertTrue(report.ok, [c.messages for c in report.checks.values() if not c.ok])
                users = {n: self.read("db50", n) for n in ("usr.dta", "usr.dtx", "rte.dta", "rte.dtx")}
                self.assertGreater(len(users["usr.dta"]), 1024)

                code = self.run_program(family, [
                    {"Mode": "CreateISAM", "Filename": "a.img"},
                    {"Mode": "CreateImage", "Filename": "b.img", "Title": "PUGET SOUND"},
                ])
                self.assertEqual(code, 0, self.err)
                self.assertEqual(self.err, [])
                self.assertIn("Database Complete", self.out)
                self.assertEqual(self.read("a.img"), self.read("b.img"))
                for name, data in users.items():
                    self.assertEqual(self.read("db50", name), data, name)
                self.assertEqual(self.read("db50", "TCC.DAT")[:40].split(b"<")[0], tcc.split(b"<")[0])
                self.assertEqual(self.read("db50", "SUA.DAT")[:60].split(b"<")[0], sua.split(b"<")[0])
                for name in ("a.img", "b.img", "run.ctl"):
                    os.remove(self.path(name))
                for name in os.listdir(self.path("db50")):
                    os.remove(self.path("db50", name))


class DamagedImages(CreateIsamRun):
    def test_a_damaged_image_is_refused_before_anything_is_erased(self):
        self.assertEqual(self.create_image("brondel", "a.img"), 0, self.err)
        good = self.read("a.img")
        damaged = {
            "short.img": good[:3000],
            # The airports' records said to lie at the end of the 24-bit range.
            "records.img": good[:249 + 330 + 10] + b"\x00\xff\x3f" + good[249 + 330 + 13:],
            # One byte changed behind the fixed area: the sumcheck (or packet count) no longer fits.
            "byte.img": good[:5000] + bytes([good[5000] ^ 0x40]) + good[5001:],
        }
        before = self.database()
        for name, data in damaged.items():
            with self.subTest(image=name):
                self.write(name, data)
                code = self.run_program("brondel", [{"Mode": "CreateISAM", "Filename": name}])
                self.assertEqual(code, 3)
                self.assertEqual(len(self.err), 1, self.err)
                self.assertTrue(self.err[0].startswith("Damaged image: "), self.err)
                self.assertIn("Operation Aborted", self.out)
                self.assertNotIn("Database Complete", self.out)
                self.assertEqual(self.database(), before)


if __name__ == "__main__":
    unittest.main()
