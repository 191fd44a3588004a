"""Every error of the three text compilers, each from a small text: the exact fatal-error line,
the record-start line before it (listing off) and the detail line where there is one; the file
in place stays as it was and the run exits with status 3."""
import os
import shutil
import unittest

from suite import EXAMPLE_BATCH, TempFolderRun

SW = "         0 N472000 W1222500"
BOX = [SW, "         1 N473000 W1222500", "         2 N473000 W1222000", "         3 N472000 W1222000",
       "         4 N472000 W1222500"]
HEAD = "SUA(a)  TEST AREA {Class C P1}     0 to  7000"
APT = "APT  KSEA  N 47\xb026.940 W122\xb018.540 SEATTLE UNITED STATES-US"
APR = "     ILS Approach: ILS RW16L (6/I16L )"
INT = "[21]   INT  ALKIX N 47\xb034.567 W122\xb025.267 UNITED STATES-US"

# Another country's airport and intersection, beside the example's.
CANADA = ["ADD|APT|CYVR|CA-CANADA|VANCOUVER|VANCOUVER INTL|N 49~11.650|W123~11.020|14|JA",
          "ADD|INT|CANIX|CA|N491130|W1231100"]


def big_squares(count):
    """Areas of 40 degrees square on one spot: each meets some 440 grid boxes."""
    lines = []
    for a in range(count):
        lines.append("SUA(b)  SQUARE %d {MOA P1}  0 to  18000" % a)
        corners = []
        for i in range(30):
            corners.append((10 + 40 * i / 30, -100))
        for i in range(30):
            corners.append((50, -100 + 40 * i / 30))
        for i in range(30):
            corners.append((50 - 40 * i / 30, -60))
        for i in range(30):
            corners.append((10, -60 - 40 * i / 30))
        corners.append((10, -100))
        lines.append("         0 N100000 W1000000")
        for v, (lat, lon) in enumerate(corners[1:], 1):
            d, m = int(lat), int(round((lat - int(lat)) * 60))
            lo = -lon
            ld, lm = int(lo), int(round((lo - int(lo)) * 60))
            lines.append("%10d N%02d%02d00 W%03d%02d00" % (v, d + m // 60, m % 60, ld + lm // 60, lm % 60))
    return lines


# (mode, lines, error text, detail line or None)
CASES = [
    ("SUA", ["this is not a line"], "Line not of recognised format", None),
    ("SUA", ["SUA(a)  TEST AREA Class C P1}  0 to  7000"] + BOX, "Curly brackets absent or do not match", None),
    ("SUA", ["SUA(a)  TEST AREA {Class C P1  0 to  7000"] + BOX, "Curly brackets absent or do not match", None),
    ("SUA", ["SUA(a)  TEST AREA {Class C 1}  0 to  7000"] + BOX, "Priority field absent", None),
    ("SUA", ["SUA(a)  TEST AREA {Class Z P1}  0 to  7000"] + BOX, "Airspace type unknown", None),
    ("SUA", ["SUA(b)  TEST AREA {Class C P1}  0 to  7000"] + BOX, "Airspace type unknown", None),
    ("SUA", ["SUA(a)  TEST AREA {Class C P1}  0 - 7000"] + BOX, "' to ' absent in height range", None),
    ("SUA", [HEAD + " {KZZZ}"] + BOX, "Cannot find APT in ISAM database", None),
    ("SUA", BOX, "SUA(a/b) line not found", None),
    ("SUA", [HEAD, SW, "         2 N473000 W1222500"], "Vertex out of sequence", None),
    ("SUA", [HEAD, SW, "         1 [03 N473000 W1222500"], "Matching square bracket absent", None),
    ("SUA", [HEAD, SW, "         1 N4730 W1222500"], "Co-ordinate format incorrect", None),
    ("SUA", [HEAD, SW, "         1 CW 5pt Arc, 1.98nm Radius"], "Arc description format incorrect", None),
    ("SUA", [HEAD, SW, "         1 Circle, nm Diam, Centre N472500 W1221800"],
     "Circle description format incorrect", None),
    ("SUA", [HEAD, SW, "         1 N473000 W1222500", "         2 Surface to 5000"],
     "Height header format incorrect, or not vertex 1", None),
    ("SUA", [HEAD, SW, "         1 Ground to 5000"], "Height header format incorrect, or not vertex 1", None),
    ("SUA", [HEAD, SW, "         1 N493000 W1222500"], "Vertexes too far apart", None),
    ("SUA", [HEAD, SW], "Not enough vertexes found", None),
    ("SUA", [HEAD] + ["%10d N47%02d%02d W1222500" % (i, i // 60, i % 60) for i in range(768)],
     "Too many vertexes", None),
    ("SUA", [HEAD, "         0 N472000 W1222000", "         1 N473000 W1222000", "         2 N473000 W1222500",
             "         3 N472000 W1222500", "         4 N472000 W1222000"],
     "Vertex 0 is not the most southerly (and westerly) point", "max sw vertex is number 3"),
    ("SUA", [HEAD] + BOX[:4] + ["         4 N472100 W1222500"],
     "Vertex 0 is not the most southerly (and westerly) point", "max sw vertex is number 3"),
    ("SUA", [HEAD, SW, "         1 N473000 W1222500", "         2 N473000 W1222000", "         3 N472000 W1222500",
             "         4 N472500 W1222200"], "Area does not close", None),
    ("SUA", ["SUA(b)  B AREA {MOA P1}  0 to  7000"] + BOX + [HEAD] + BOX,
     "SUA(a) not allowed after SUA(b) - please re-order", None),
    ("SUA", ["SUA(a)  TEST AREA {Class C P7}  0 to  7000"] + BOX, "Value too large for its field",
     "priority 7 is beyond the limit 3"),
    ("SUA", ["SUA(a)  TEST AREA {Class C P1}  0 to  200000"] + BOX, "Value too large for its field",
     "height (hundreds of feet) 2000 is beyond the limit 1023"),
    ("SUA", [HEAD, SW, "         1 Circle, 800.0nm Diam, Centre N472500 W1221800"],
     "Value too large for its field", "radius 4848 is beyond the limit 4095"),
    ("SUA", [HEAD, SW, "         1 N472000 W1222500"], "The compilation produced no data", None),
    ("SUA", big_squares(170), "Compiled file too large for its format",
     "grid record numbers 65536 is beyond the limit 65535"),
    ("TCC", ["TCC  N460000 W1240000 to N490000 W1200000 SEATTLE CENTER 1234"], "Line not of recognised format", None),
    ("TCC", ["FSS  N473200 W1221800 SEATTLE FSS *122.20"], "Frequencies expected", None),
    ("TCC", ["FSS  N473200 W1221800 SEATTLE FSS, none"], "Frequencies expected", None),
    ("TCC", ["TCC  N460000 W1240000 to N490000 W1200000 SEATTLE CENTER { 1 }", "     N470000 W1230000 120.00"],
     "Frequencies expected", None),
    ("TCC", ["FSS  N473200 W1221800 SEATTLE FSS, 199.20"], "Value too large for its field",
     "frequency (hundredths of MHz) 19920 is beyond the limit 18991"),
    ("TCC", ["TCC  N460000 W1240000 to N490000 W1200000 SEATTLE CENTER { 12345 }"],
     "Value too large for its field", "TCC value 74565 is beyond the limit 65535"),
    ("TCC", ["// nothing here"], "The compilation produced no data", None),
    ("APR", ["APT  KZZZ  N 47\xb026.940 W122\xb018.540 NOWHERE UNITED STATES-US", APR, INT],
     "Cannot find APT in ISAM database", None),
    ("APR", ["APT  KSEA  N 47\xb026.940 W122\xb018.540 SEATTLE NOWHERE-QQ", APR, INT], "Unknown Country", None),
    ("APR", [APT, APR, "[21]   INT  ZZZZZ N 47\xb034.567 W122\xb025.267 UNITED STATES-US"],
     "Cannot find the specified waypoint", None),
    ("APR", [APT, APR, "[a4]   RW05       N 47\xb027.820 W122\xb018.480"], "Cannot find the specified waypoint", None),
    ("APR", [APT, APR, "[21]   INT  CANIX N 49\xb011.500 W123\xb011.000 UNITED STATES-US"],
     "Cannot find the specified waypoint", None),
    ("APR", ["APT  CYVR  N 49\xb011.650 W123\xb011.020 VANCOUVER UNITED STATES-US", APR, INT],
     "This APT is not in this Country", None),
    ("APR", [APT, APT, APR, INT], "Last Approach was incomplete", None),
    ("APR", [APT, APR, INT, APR], "Last Approach was incomplete", None),
    ("APR", [APT, APR, "[e2]   NDB  LN    N 47\xb022.000 W122\xb018.500 (Local NDB)"],
     "Local NDB has no frequency", None),
    ("APR", [APT, APR, "[31]   INT  ALKIX N 47\xb034.567 W122\xb025.267 UNITED STATES-US"],
     "Approach waypoint has unknown type", None),
    ("APR", [APT, APR, INT, INT, INT, INT, INT], "Too many waypoints in approach (max 4)", None),
]


class CompileErrors(TempFolderRun):
    prefix = "compile-errors-"
    output_encoding = "cp1252"

    def run_control(self, folder, sections):
        lines = []
        for mode, name in sections:
            lines += ["Mode=%s" % mode, "Filename=%s" % name, "GO=1"]
        self.write(os.path.join(folder, "run.ctl"), lines)
        return self.run_headless("brondel", ["-F", "run.ctl"], cwd=self.path(folder), timeout=120)

    def test_error_table(self):
        os.makedirs(self.path("base"))
        self.write("base/canada.txt", CANADA)
        self.assertEqual(self.run_control("base", [("BatchUpdate", EXAMPLE_BATCH), ("BatchUpdate", "canada.txt")]), 0)
        for i, (mode, lines, text, detail) in enumerate(CASES):
            with self.subTest(case=i, error=text):
                folder = "case%d" % i
                shutil.copytree(self.path("base"), self.path(folder))
                self.write(os.path.join(folder, "sua.dat"), b"old")
                self.write(os.path.join(folder, "db50", "sua.dat"), b"old sua")
                self.write(os.path.join(folder, "db50", "tcc.dat"), b"old tcc")
                self.write(os.path.join(folder, "in.txt"), lines)
                rc = self.run_control(folder, [("Compile" + mode, "in.txt")])
                self.assertEqual(rc, 3, "\n".join(self.out[-8:]))
                fatal = "********** Fatal Error: %s ***********" % text
                self.assertIn(fatal, self.out)
                at = self.out.index(fatal)
                if detail is not None:
                    self.assertEqual(self.out[at + 1], detail)
                if lines[0].startswith(("SUA(", "TCC", "FSS")) and text != "The compilation produced no data":
                    self.assertTrue(self.out[at - 1].lstrip().startswith(("SUA(", "TCC", "FSS")), self.out[at - 1])
                self.assertEqual(self.read(folder, "db50", "sua.dat"), b"old sua")
                self.assertEqual(self.read(folder, "db50", "tcc.dat"), b"old tcc")
                db = os.listdir(self.path(folder, "db50"))
                self.assertNotIn("NewSua.dat", db)
                self.assertNotIn("NewTcc.dat", db)

    def test_check_values_at_debug_levels(self):
        os.makedirs(self.path("debug"))
        self.assertEqual(self.run_control("debug", [("BatchUpdate", EXAMPLE_BATCH)]), 0)
        self.write("debug/in.txt", [
            HEAD,
            "         [00 a8 51 43 00 1c 02 a9 8e 43 47 00 00 00 00 00 00 40 00 00 00 00 00 ff ff]",
            SW, "         1 [01 20 0f] N473000 W1222500", "         2 N473000 W1222000",
            "         3 [01 e0 f0] N472000 W1222000", "         4 [99 99] N472000 W1222500"])
        self.write("debug/run.ctl", ["Mode=CompileSUA", "Filename=in.txt", "GO=1"])
        self.assertEqual(self.run_headless("brondel", ["-d", "3", "-F", "run.ctl"], cwd=self.path("debug")), 0)
        text = "\n".join(self.out)
        # A vertex without a check value is shown with its bytes; a wrong one is marked.
        self.assertIn("         2 N473000 W1222000 =[f7 00]", self.out)
        self.assertNotIn("=[01 20 0f]", text)
        self.assertNotIn("=[01 e0 f0]", text)
        marked = [l for l in self.out if "=[" in l and l.endswith(" *************")]
        self.assertEqual(len(marked), 1, text)
        self.assertEqual(marked[0], "         4 [99 99] N472000 W1222500 =[0f 01] *************")
        # The check line differs from the record in bytes 0 and 10: four lines name them.
        byte_lines = [l for l in self.out if " byte flr:" in l]
        self.assertEqual(len(byte_lines), 1, text)
        self.assertEqual(byte_lines[0], "  0 byte flr:[00" + " " * 27 + " 10" + " " * 42 + "]")
        for word in ("old  flr:[", "new  flr:[", "mask flr:["):
            self.assertTrue(any(word in l for l in self.out), word)

    def test_switches_and_filters(self):
        os.makedirs(self.path("switches"))
        self.assertEqual(self.run_control("switches", [("BatchUpdate", EXAMPLE_BATCH)]), 0)
        sua = os.path.join(os.path.dirname(EXAMPLE_BATCH), "puget_sua.txt")
        self.write("switches/unknown.txt", [HEAD + " {KZZZ}"] + BOX)
        runs = [
            # -NOTRAINING: the one "Training Area" vanishes without being counted.
            (["-NOTRAINING"], [], sua, "33 records compiled, 0 records filtered out"),
            ([], ["MaxBase=1500"], sua, "25 records compiled, 9 records filtered out"),
            ([], ["LimitSW=N460000 W1240000", "LimitNE=N490000 W1200000"], sua,
             "33 records compiled, 1 records filtered out"),
            # -a: an airport the database lacks is stored as none.
            (["-a"], [], "unknown.txt", "1 records compiled, 0 records filtered out"),
        ]
        for switches, keys, text, summary in runs:
            with self.subTest(switches=switches, keys=keys):
                self.write("switches/run.ctl", ["Mode=CompileSUA", "Filename=%s" % text] + keys + ["GO=1"])
                rc = self.run_headless("brondel", switches + ["-F", "run.ctl"], cwd=self.path("switches"))
                self.assertEqual(rc, 0, "\n".join(self.out[-6:]))
                self.assertIn(summary, [l for l in self.out if "records compiled" in l])

    def test_approaches_compiled_twice_are_the_same(self):
        os.makedirs(self.path("twice"))
        apr = os.path.join(os.path.dirname(EXAMPLE_BATCH), "puget_apr.txt")
        sections = [("BatchUpdate", EXAMPLE_BATCH), ("CompileAPR", apr), ("CreateImage", "a.img"),
                    ("CompileAPR", apr), ("CreateImage", "b.img")]
        self.assertEqual(self.run_control("twice", sections), 0, "\n".join(self.out[-8:]))
        self.assertEqual(self.read("twice", "a.img"), self.read("twice", "b.img"))
        # A block that fails on a later line leaves that airport's approaches as they were; the
        # airports before it are compiled.
        self.write("twice/bad.txt", ["APT  KOLM  N 46\xb058.200 W122\xb054.120 OLYMPIA UNITED STATES-US",
                                     "     NDB Approach: NDB RW17 (9/N17  )",
                                     "[21]   INT  BLAKO N 47\xb031.200 W122\xb029.100 UNITED STATES-US",
                                     APT, APR, INT, "[21]   INT  ZZZZZ N 47\xb034.567 W122\xb025.267 UNITED STATES-US"])
        self.assertEqual(self.run_control("twice", [("CompileAPR", "bad.txt")]), 3)
        self.assertIn("********** Fatal Error: Cannot find the specified waypoint ***********", self.out)
        self.write("twice/list.ctl", ["Mode=CreateImage", "Filename=c.img", "GO=1", "Mode=List", "Section=APR",
                                      "Filename=c.img", "SaveAs=apr.txt", "GO=1"])
        self.assertEqual(self.run_headless("brondel", ["-F", "list.ctl"], cwd=self.path("twice")), 0)
        listed = self.read("twice", "apr.txt").decode("cp1252")
        for approach in ("ILS Approach: ILS RW16L", "RNAV Approach: RNAV RW34R", "Approach: VOR RW34C", "RW16LS"):
            self.assertIn(approach, listed)
        kolm = listed[listed.index("APT  KOLM"):listed.index("APT  KSEA")]
        self.assertEqual(kolm.count("Approach:"), 1)
        self.assertNotIn("RW17 ", kolm)
        self.assertEqual(self.run_control("twice", [("CompileAPR", apr), ("CreateImage", "d.img")]), 0)
        self.assertEqual(self.read("twice", "a.img"), self.read("twice", "d.img"))


if __name__ == "__main__":
    unittest.main()
