"""Tessily's Compile SUA Text end to end: a text with a closed triangle, arcs both ways, a circle
and an area above the maximum base is compiled from the setup dialog into NewSUA+.DAT; Create
Image asks to put it in the place of SUA+.DAT; the independent checker decodes the airspace
sections of the image (records, shapes, grid) and finds every compiled airspace; Create ISAM
and Create Image give the same image again. A text with an "SUA(a)" after an "SUA(b)" fails and
changes nothing."""
import os
import shutil
import unittest

import img696check
import sections696
import suite

UNITS = 2 ** 32 / 360.0
YES = suite.answer("Your ISAM database", "Yes")
RENAME = "File NewSUA+.dat is present in db50, do you want me to rename it ?"

TEXT = """// Airspace for the compiler's round trip.
SUA(a)  TRIANGLE CLASS C {Class C P1}     0 to  4000 (SEATTLE APPROACH) {KSEA}
         0 N472000 W1222000
         1 N473000 W1222000
         2 N472500 W1221000
         3 N472000 W1222000
SUA(a)  BOEING CIRCLE {Class D P2}  1000 to  2500 (BOEING TOWER)
         0 N473000 W1221800
         1 Circle, 3.0nm Diam, Centre N473300 W1221800
         2 N473000 W1221800
SUA(b)  WHIDBEY ARCS {Restricted Area P0}  1000 to  9000 (WHIDBEY APPROACH)
         0 N481000 W1224000
         1 Surface to 9000
         2 N482000 W1224000
         3 Arc Points Follow
         4 CW 5pt Arc, 2.00nm Radius, Centre N482000 W1223000
         5 N482000 W1222000
         6 End of Arc Points
         7 ACW 9pt Arc>180, 2.50nm Radius, Centre N481500 W1222000
         8 N481000 W1222000
         9 N481000 W1224000
{wide}SUA(b)  HIGH MOA {MOA P1}  5000 to 18000
         0 N463000 W1210000
         1 N464000 W1210000
         2 N464000 W1205000
         3 N463000 W1210000
"""


def wide_area():
    """An area over several rows and runs of the grid: N45-N49, W125-W115, a vertex a degree."""
    corners = [(45 + i, -125) for i in range(5)] + [(49, -124 + i) for i in range(10)] + \
        [(48 - i, -115) for i in range(4)] + [(45, -116 - i) for i in range(10)]
    lines = ["SUA(b)  WIDE MOA {MOA P3}  1000 to 12000"]
    for n, (lat, lon) in enumerate(corners):
        lines.append("%10d N%02d0000 W%03d0000" % (n, lat, -lon))
    return "".join(line + "\n" for line in lines)


TEXT = TEXT.replace("{wide}", wide_area())
LATE_A = """SUA(a)  LATE CLASS D {Class D P1}     0 to  2500
         0 N470000 W1220000
         1 N471000 W1220000
         2 N470500 W1215000
         3 N470000 W1220000
"""


def units(text):
    """Angle units of a coordinate "N472000" / "W1222000" (degrees, minutes, seconds)."""
    width = 2 if text[0] in "NS" else 3
    body = text[1:]
    degrees = int(body[:width]) + int(body[width:width + 2]) / 60 + int(body[width + 2:width + 4]) / 3600
    return (-1 if text[0] in "SW" else 1) * degrees * UNITS


def compiled_vertices(text):
    """Per area of the text: its header line and the coordinate pairs of its vertex lines."""
    areas = []
    for line in text.splitlines():
        words = line.split()
        if line.startswith("SUA("):
            areas.append((line, []))
        elif len(words) == 3 and words[1][0] in "NS" and words[2][0] in "EW":
            areas[-1][1].append((units(words[1]), units(words[2])))
    return areas


class CompileSua696(suite.TempFolderRun):
    prefix = "sua696-"
    output_encoding = "cp1252"

    def setUp(self):
        super().setUp()
        self.fixture = sections696.write_section_files(self.path("db50"))
        self.write("load.ctl", ["Mode=BatchUpdate", "Filename=" + suite.EXAMPLE_BATCH_696, "GO=1"])
        self.assertEqual(self.run_headless("tessily", self.write_answers([YES]) + ["-F", "load.ctl"]), 0, self.err)

    def compile_from_setup(self, name, max_base="4000"):
        """Compile SUA Text chosen in the setup dialog: the new file waits in db50."""
        return self.run_headless("tessily", self.write_answers([
            suite.answer("Select Required Operation", "OK", Mode="Compile SUA Text", Filename=name),
            suite.answer("Compile SUA Filter", "OK", Max_Base_in_feet=max_base),
            suite.answer("Confirm Operation Details", "GO")]))

    def run_control(self, sections, answers):
        lines = []
        for section in sections:
            lines += ["%s=%s" % kv for kv in section.items()] + ["GO=1"]
        self.write("run.ctl", lines)
        return self.run_headless("tessily", self.write_answers(answers) + ["-NCD", "-F", "run.ctl"])

    def test_compiled_airspace_reaches_the_image_and_survives_create_isam(self):
        self.write("sua.txt", TEXT.replace("\n", "\r\n"))
        self.assertEqual(self.compile_from_setup("sua.txt"), 0, self.err)
        self.assertIn("4 records compiled, 1 records filtered out", self.out)
        self.assertIn("Compilation Complete", self.out)
        compiled = self.read("db50", "NewSUA+.DAT")
        self.assertEqual(self.read("db50", "SUA+.DAT"), self.fixture["SUA+.DAT"])

        self.assertEqual(self.run_control([{"Mode": "CreateImage", "Filename": "a.img"}],
                                          [suite.answer(RENAME, "Yes")]), 0, self.err)
        self.assertIn(RENAME, self.err)
        self.assertEqual(self.read("db50", "SUA+.DAT"), compiled)
        self.assertFalse(os.path.exists(self.path("db50", "NewSUA+.DAT")))
        a = self.read("a.img")
        self.assertEqual(img696check.check_image(a), [])
        self.assertEqual(img696check.check_airspace(a), [])

        decoded = img696check.decode_airspace(a)
        kept = compiled_vertices(TEXT)[:4]
        self.assertEqual([(d["group"], d["type"], d["priority"], d["floor"], d["ceiling"]) for d in decoded],
                         [("a", 0, 1, 0, 4000), ("a", 8, 2, 1000, 2500), ("b", 5, 0, 1000, 9000),
                          ("b", 3, 3, 1000, 12000)])
        self.assertEqual([(d["name"], d["controller"]) for d in decoded],
                         [("TRIANGLE CLASS C", "SEATTLE APPROACH"), ("BOEING CIRCLE", "BOEING TOWER"),
                          ("WHIDBEY ARCS", "WHIDBEY APPROACH"), ("WIDE MOA", " ")])
        airports = [p["ident"] for p in img696check.decode_points(a, "APT")]
        self.assertEqual([d["airport"] for d in decoded], [airports.index("KSEA"), 0x3FFFF, None, None])
        # The wide area is listed in the grid boxes of three rows and two runs.
        grid = img696check.decode_grid(a)
        self.assertEqual(sum(3 in box for boxes in grid.values() for box in boxes), 3 * 6)
        for d, (header, expected) in zip(decoded, kept):
            with self.subTest(header):
                self.assertEqual(len(d["vertices"]), len(expected))
                for (lat, lon), (want_lat, want_lon) in zip(d["vertices"], expected):
                    self.assertEqual((lat % 1024, lon % 1024), (0, 0))
                    self.assertLessEqual(abs(lat - want_lat), 1024)
                    self.assertLessEqual(abs(lon - want_lon), 1024)

        def near(entry, text_lat, text_lon):
            return abs(entry[-2] - units(text_lat)) <= 1024 and abs(entry[-1] - units(text_lon)) <= 1024

        circle = decoded[1]["entries"][0]
        self.assertEqual((circle[0], circle[1]), ("circle", round(3.0 * 96920 / 1000)))
        self.assertTrue(near(circle, "N473300", "W1221800"), circle)
        shapes = [e[0] for e in decoded[2]["entries"]]
        self.assertEqual(shapes, ["height", "vertex", "arc points", "arc", "vertex", "end of", "arc", "vertex",
                                  "vertex"])
        cw, acw = [e for e in decoded[2]["entries"] if e[0] == "arc"]
        self.assertEqual(cw[1:5], (True, False, 5, round(2.0 * 96920 / 500)))
        self.assertEqual(acw[1:5], (False, True, 9, round(2.5 * 96920 / 500)))
        self.assertTrue(near(cw, "N482000", "W1223000") and near(acw, "N481500", "W1222000"))
        # The height header: "Surface" (233, and 3 in the flags' bits for the floor), 90 hundred feet.
        self.assertEqual(decoded[2]["entries"][0][1:3], (3 << 8 | 233, 90))

        # The image taken apart into an empty database and built again is the same image.
        os.rename(self.path("db50"), self.path("old"))
        os.mkdir(self.path("db50"))
        for name in self.fixture:
            shutil.copy(self.path("old", name), self.path("db50", name))
        self.assertEqual(self.run_control([{"Mode": "CreateISAM", "Filename": "a.img"},
                                           {"Mode": "CreateImage", "Filename": "b.img"}], [YES]), 0, self.err)
        self.assertEqual(self.read("b.img"), a)

    def test_sua_a_after_sua_b_fails_and_changes_nothing(self):
        self.write("sua.txt", TEXT + LATE_A)
        before = self.read("db50", "SUA+.DAT")
        names = self.read("db50", "names.dta")
        code = self.run_control([{"Mode": "CompileSUA", "Filename": "sua.txt", "MaxBase": "4000"}], [])
        self.assertEqual(code, 3)
        self.assertIn("********** Error: SUA(a) not allowed after SUA(b) - please re-order ***********", self.out)
        self.assertFalse(any("Fatal Error" in line for line in self.out))
        self.assertFalse(os.path.exists(self.path("db50", "NewSUA+.DAT")))
        self.assertEqual(self.read("db50", "SUA+.DAT"), before)
        self.assertEqual(self.read("db50", "names.dta"), names)


if __name__ == "__main__":
    unittest.main()
