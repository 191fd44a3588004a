"""Dallowen, the 90/95 XL generator, run headless from control files in a temporary folder; its
images judged by the independent checker img90check.py.

- Round trips: the example batch file (and compiled SUA text) -> database -> image A -> Create
  ISAM into the erased database (usr and rte kept) -> image B: B == A, in XL mode with SUA, in
  XL mode without SUA.DAT and with XL off (-A). The checker accepts A and finds every record of
  the batch file.
- Elevation codes, the chunk count at its boundaries, the part number and SUA pointer of each
  mode, the SUA types the unit takes.
- Model-90 images are refused by the other generators, and theirs by Dallowen; damaged images
  are refused before anything in db50 is erased.
"""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import img90check  # noqa: E402
from suite import EXAMPLE_BATCH  # noqa: E402
from test_create_image import GeneratorRun  # noqa: E402

KEPT = {"APT": 4, "INT": 5, "NDB": 3, "VOR": 3}


class DallowenRun(GeneratorRun):
    prefix = "dallowen-"
    checker = img90check

    def dallowen(self, sections, answers=None, switches=None):
        return self.run_program("dallowen", sections, answers=answers,
                                switches=self.switches if switches is None else switches)

    def load(self, batch=EXAMPLE_BATCH, sua=True):
        sections = [{"Mode": "BatchUpdate", "Filename": batch}]
        if sua:
            sections.append({"Mode": "CompileSUA", "Filename": self.sua_text_without_adiz()})
        self.assertEqual(self.dallowen(sections), 0, self.err)
        self.assertEqual(self.err, [])

    def image(self, name):
        a = self.example_image(self.dallowen, name)
        self.assertEqual(self.err, [])
        return a

    def round_trip(self):
        a = self.image("a.img")
        content = self.checked("a.img")
        users = self.user_files()
        code = self.dallowen([{"Mode": "CreateISAM", "Filename": "a.img"}])
        self.assertEqual(code, 0, self.err)
        self.assertEqual(self.err, [])
        self.assertIn("Database Complete", self.out)
        self.assert_users_kept(users)
        self.assertEqual(self.image("b.img"), a)
        return a, content

    def db_names(self):
        return {n.lower() for n in os.listdir(self.path("db50"))}


class RoundTrip(DallowenRun):
    def check_records(self, content):
        self.assertEqual(content["label"], "PUGET SOUND         ")
        for kind, ident, got, want in self.example_records_found(content, KEPT):
            if "facility" in want:
                self.assertEqual(got["facility"], want["facility"], (kind, ident))
                self.assertEqual(got["city"], want["city"] or want["facility"], (kind, ident))

    def test_xl_with_airspace(self):
        self.load()
        a, content = self.round_trip()
        self.check_records(content)
        self.assertEqual(content["part_number"], "006-D0009-XX")
        self.assertEqual(content["sua_pointer"], 1459)
        self.assertGreater(content["sua_counts"][2], 0)
        self.assertIn("sua.dat", self.db_names())
        # KSEA's entry: runways and the example's frequencies came back through the database.
        ksea = next(r for r in content["sections"]["APT"] if r["ident"] == "KSEA")
        self.assertEqual([r["length"] for r in ksea["runways"]][:2], [11900, 9400])
        self.assertTrue(ksea["frequencies"])

    def test_xl_without_sua_file(self):
        self.load(sua=False)
        a, content = self.round_trip()
        self.check_records(content)
        self.assertEqual(content["part_number"], "006-D0004-02")
        self.assertEqual(a[68:71], b"\xff\xff\x1f")
        self.assertEqual(len(a), 0x40000)

    def test_xl_off_leaves_a_usable_sua_file_out(self):
        self.switches = ["-A"]
        self.load()
        a, content = self.round_trip()
        self.assertEqual(content["part_number"], "006-D0004-02")
        self.assertEqual(a[68:71], b"\xff\xff\x1f")
        self.assertEqual(set(a[1113:1534]), {0})
        self.assertEqual(content["chunks"], 1)
        # Create ISAM of an image without airspace writes no SUA.DAT.
        self.assertNotIn("sua.dat", self.db_names())


class Coding(DallowenRun):
    def test_elevation_codes_and_dme_bits(self):
        batch = [
            "ADD|APT|KLOW|US-UNITED STATES|LOW CITY|LOW FIELD|N 47#00.000|W122#00.000|-4|JA",
            "ADD|APT|KMID|US|MID CITY|MID FIELD|S 33#30.000|E151#15.000|15|JA",
            "ADD|APT|KTOP|US|TOP CITY|TOP FIELD|N 48#00.000|W121#00.000|14|JA",
        ]
        self.write("coding.txt", batch)
        self.load(batch=self.path("coding.txt"), sua=False)
        self.image("a.img")
        content = self.checked("a.img")
        codes = {r["ident"]: r["elevation_code"] for r in content["sections"]["APT"]}
        self.assertEqual(codes, {"KLOW": 500, "KMID": 502, "KTOP": 501})


def int_idents(count):
    """Five-letter intersection idents, in order."""
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    for i in range(count):
        yield "".join(letters[i // 26 ** k % 26] for k in range(4, -1, -1))


class Limits(DallowenRun):
    def test_too_many_waypoints_still_give_an_image_and_debug_shows_the_sumcheck_bytes(self):
        lines = ["ADD|APT|KSEA|US-UNITED STATES|SEATTLE|SEATTLE-TACOMA INTL|N 47#26.940|W122#18.540|433|JA"]
        lines += ["ADD|INT|%s|US|N %02d#%06.3f|W%03d#%06.3f" % (ident, 30 + i % 20, i * 7 % 60, 100 + i % 40,
                                                              i * 13 % 60)
                  for i, ident in enumerate(int_idents(32769))]
        self.write("ints.txt", lines)
        self.load(batch=self.path("ints.txt"), sua=False)
        code = self.dallowen([{"Mode": "CreateImage", "Filename": "a.img", "Title": "Big"}], switches=["-d"])
        self.assertEqual(code, 0, self.err)
        a = self.read("a.img")
        self.assertEqual(len(self.checked("a.img")["sections"]["INT"]), 32769)
        self.assertIn("Sumcheck bytes set to %d, %02x, %02x, %02x, %02x " % tuple(a[:5]), self.out)
        at = self.out.index("***********TOO MANY WAYPOINTS**************")
        self.assertEqual(self.out[at - 1:at + 5], [
            "*****************WARNING*******************",
            "***********TOO MANY WAYPOINTS**************",
            "The INT section has 32769 entries (max 32768)",
            "This image should not be uploaded to a GPS unit",
            "It is only for use by this software package",
            "*******************************************"])
        self.assertLess(self.out.index("Image Complete"), at)


class CompileSua(DallowenRun):
    def test_two_vertex_area_is_an_error_here_and_left_out_by_the_92_family(self):
        self.write("two.txt", [
            "SUA(a)  TWO POINTS {Class C P0}  0 to  4000 (CONTROL 0)",
            "         0 N460000 W1233000",
            "         1 N460448 W1233000",
            "SUA(a)  AREA A00 {Class C P0}  0 to  4000 (CONTROL 0)",
            "         0 N460000 W1233000",
            "         1 N460448 W1233000",
            "         2 N460448 W1231800",
            "         3 N460000 W1233000",
        ])
        section = [{"Mode": "CompileSUA", "Filename": "two.txt"}]
        self.assertEqual(self.dallowen(section), 3)
        self.assertIn("********** Error: Not enough vertexes found ***********", self.out)
        self.assertNotIn("sua.dat", self.db_names())
        self.assertEqual(self.run_program("sovrick", section), 0, self.err)
        self.assertIn("sua.dat", self.db_names())


def area(name, airport=""):
    """An SUA(a) area of four vertices, with an airport ident in braces when given."""
    return ["SUA(a)  %s {Class C P0}  0 to  4000 (CONTROL 0)%s" % (name, " {%s}" % airport if airport else ""),
            "         0 N460000 W1233000",
            "         1 N460448 W1233000",
            "         2 N460448 W1231800",
            "         3 N460000 W1233000"]


class SuaAirports(DallowenRun):
    def test_airport_serials_become_record_numbers_and_the_markers_stay(self):
        # No airport (32768), an airport the database lacks (65535 with -a), one in the image,
        # and one deleted from the database after the compile (not in the image: 65535).
        self.load(sua=False)
        self.write("air.txt", area("NONE") + area("LOST", "ZZZZ") + area("SEA", "KSEA") + area("GONE", "KBFI"))
        self.assertEqual(self.dallowen([{"Mode": "CompileSUA", "Filename": "air.txt"}], switches=["-a"]), 0,
                         self.out)
        self.write("del.txt", ["DEL|APT|KBFI|US|SEATTLE|BOEING FIELD-KING COUNTY INTL"])
        self.assertEqual(self.dallowen([{"Mode": "BatchUpdate", "Filename": "del.txt"}]), 0, self.err)
        a = self.image("a.img")
        apts = [r["ident"] for r in self.checked("a.img")["sections"]["APT"]]
        self.assertNotIn("KBFI", apts)
        # Table 0 is the third {count, start} pair of the SUA reference block at 1459.
        count = int.from_bytes(a[1469:1471], "little")
        start = int.from_bytes(a[1471:1474], "little")
        self.assertEqual(count, 4)
        fields = [int.from_bytes(a[start + 24 * i + 22:start + 24 * i + 24], "little") for i in range(count)]
        self.assertEqual(fields, [32768, 65535, apts.index("KSEA"), 65535])
        # The fields come back through Create ISAM unchanged.
        self.assertEqual(self.dallowen([{"Mode": "CreateISAM", "Filename": "a.img"}]), 0, self.err)
        self.assertEqual(self.image("b.img"), a)


FREQUENCY_TYPES = ["ATIS", "Ground", "Tower", "Unicom"]


class Listings(DallowenRun):
    def listing(self, section, switches=None, **filters):
        if os.path.exists(self.path("list.txt")):
            os.remove(self.path("list.txt"))
        keys = {"Mode": "List", "Section": section, "Filename": "a.img", "SaveAs": "list.txt"}
        keys.update(filters)
        self.assertEqual(self.dallowen([keys], switches=switches), 0, self.err)
        return self.read("list.txt").decode("cp1252").splitlines()

    def test_point_sections_list_each_record_and_an_airports_entry(self):
        self.load()
        self.image("a.img")
        content = self.checked("a.img")
        for kind in ("APT", "INT", "NDB", "VOR"):
            listed = [line for line in self.listing(kind) if line.startswith(kind + "  ")]
            self.assertEqual([line[5:10].strip() for line in listed], [r["ident"] for r in content["sections"][kind]])
        apts = self.listing("APT")
        at = next(i for i, line in enumerate(apts) if line.startswith("APT  KSEA  N 47\xb026.9"))
        self.assertEqual(apts[at][35:42], "  430' ")
        self.assertTrue(apts[at].endswith("SEATTLE-TACOMA INTL(SEATTLE) UNITED STA-US"), apts[at])
        # One line per place of the entry: frequency i (type by code bits 0-1, '*' by bit 2) and
        # runway i (length, "(p)" for a picture word).
        ksea = next(r for r in content["sections"]["APT"] if r["ident"] == "KSEA")
        runways, frequencies = ksea["runways"], ksea["frequencies"]
        places = max(len(runways), len(frequencies))
        self.assertTrue(apts[at + 1 + places].startswith("APT  "), apts[at:at + 2 + places])
        for i, line in enumerate(apts[at + 1:at + 1 + places]):
            if i < len(frequencies):
                f = frequencies[i]
                want = "%-6s  %3d.%02d%s" % (FREQUENCY_TYPES[f["code"] & 3], f["freq"] // 100, f["freq"] % 100,
                                             "*" if f["code"] & 4 else "")
                self.assertTrue(line[11:].startswith(want), (line, want))
            if i < len(runways):
                self.assertIn("%5d' hard" % runways[i]["length"], line)
                self.assertEqual(line.endswith("(p)"), runways[i]["picture"] is not None, line)
        self.assertEqual(self.listing("APT", FilterCO="XX"), ["No Matching Items"])
        vors = self.listing("VOR", FilterNAM="PA")
        self.assertEqual([v[5:8] for v in vors], ["PAE", "PSC"])
        # The airspace through the framework's listing of the family's records.
        self.assertTrue(self.listing("SUA")[0].startswith("SUA(a)  SEATTLE CLASS B {Class B P2}"))

    def test_section_map_and_image_size(self):
        self.load()
        self.image("a.img")
        content = self.checked("a.img")
        counts = [len(content["sections"][k]) for k in ("APT", "INT", "NDB", "VOR")]
        # The size against the limit of the program's XL mode, whatever the image.
        end = content["image_end"]
        for switches, limit in (([], 0x100000), (["-A"], 0xC0000)):
            with self.subTest(switches=switches):
                self.listing("NDB", switches=switches)
                self.assertIn("Image size (hex): %06x bytes (%x free)" % (end, limit - end), self.out)
                self.assertFalse(any(line.startswith("CNT_ST=") for line in self.out))
        self.listing("NDB", switches=["-d"])
        for kind, n in zip(("APT", "INT", "NDB", "VOR"), counts):
            self.assertTrue(any(line.startswith(kind + ":ST=") and ", RECS=%d," % n in line for line in self.out),
                            (kind, self.out))
        self.assertIn("CNT_ST=", "\n".join(self.out))
        self.assertTrue(any(line.startswith("SUA:ST=") for line in self.out), self.out)


class Refusals(DallowenRun):
    def test_damaged_image_leaves_the_database_alone(self):
        self.load(sua=False)
        a = self.image("a.img")
        before = {n: self.read("db50", n) for n in sorted(os.listdir(self.path("db50")))}
        cases = {
            "count past the file": a[:82] + b"\xff\xff" + a[84:],
            "records past the file": a[:4000],
            "wrong sumcheck": a[:1] + bytes([a[1] ^ 1]) + a[2:],
        }
        for what, data in cases.items():
            with self.subTest(what):
                self.write("bad.img", data)
                code = self.dallowen([{"Mode": "CreateISAM", "Filename": "bad.img"}])
                self.assertNotEqual(code, 0, what)
                self.assertTrue(any("Damaged image" in e or "Cannot" in e for e in self.err), self.err)
                after = {n: self.read("db50", n) for n in sorted(os.listdir(self.path("db50")))}
                self.assertEqual(after, before, what)

    def test_mutated_images_are_listed_or_refused_without_a_crash(self):
        self.load()
        good = self.image("a.img")
        end = self.checked("a.img")["image_end"]

        def seal(data):
            out = bytearray(data)
            for i in range(out[0]):
                out[1 + i] = img90check.chunk_check(out, i)
            return bytes(out)

        self.assert_mutations_handled("dallowen", good, end, seal, ("APT", "INT", "NDB", "VOR", "SUA"), 90)

    def test_other_families_refuse_each_other(self):
        self.load(sua=False)
        self.image("a.img")
        self.assert_refused_as_other_family(self.run_program("sovrick", [{"Mode": "CreateISAM", "Filename": "a.img"}]))
        self.assertEqual(self.run_program("sovrick", [{"Mode": "CreateImage", "Filename": "s.img"}]), 0, self.err)
        self.assert_refused_as_other_family(self.dallowen([{"Mode": "CreateISAM", "Filename": "s.img"}]))


if __name__ == "__main__":
    unittest.main()
