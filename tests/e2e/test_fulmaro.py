"""Fulmaro, the GPS 89 generator, run headless from control files in a temporary folder; its
images judged by the independent checker img89check.py.

- Round trips: the example batch file and a GEO.DAT of 0, 3 and 100 records -> database ->
  image A -> Create ISAM into the erased database (usr and rte kept, GEO.DAT written back) ->
  image B: B == A. The checker accepts A and finds every airport and VOR of the batch file.
- A corrupt GEO.DAT leaves the GEO data out; a missing one stops Create Image.
- Elevation codes; the image is refused by the other generators, and theirs by Fulmaro; a
  damaged image leaves the database alone.
"""
import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import img89check  # noqa: E402
from suite import EXAMPLE_BATCH  # noqa: E402
from test_create_image import GeneratorRun  # noqa: E402

KEPT = {"APT": 4, "VOR": 3}


def geo_file(count):
    records = bytes((7 * i + 3) % 256 for i in range(18 * count))
    return ("%x<" % count).encode() + records


class FulmaroRun(GeneratorRun):
    prefix = "fulmaro-"
    checker = img89check

    def fulmaro(self, sections, answers=None):
        return self.run_program("fulmaro", sections, answers=answers)

    def fresh(self):
        """An empty database folder for the next case."""
        shutil.rmtree(self.path("db50"), ignore_errors=True)
        for name in ("a.img", "b.img"):
            if os.path.exists(self.path(name)):
                os.remove(self.path(name))

    def load(self, batch=EXAMPLE_BATCH, geo=0):
        self.assertEqual(self.fulmaro([{"Mode": "BatchUpdate", "Filename": batch}]), 0, self.err)
        if geo is not None:
            self.write(os.path.join("db50", "GEO.DAT"), geo_file(geo) if isinstance(geo, int) else geo)

    def image(self, name):
        return self.example_image(self.fulmaro, name)


class RoundTrip(FulmaroRun):
    def test_round_trips_with_geo_data(self):
        for count in (0, 3, 100):
            with self.subTest(geo=count):
                self.fresh()
                self.load(geo=count)
                a = self.image("a.img")
                self.assertEqual(self.err, [])
                content = self.checked("a.img")
                self.assertEqual(content["label"], "   PUGET SOUND      ")
                self.assertEqual(content["geo_count"], count)
                self.assertEqual(content["geo"], geo_file(count)[len("%x<" % count):].hex())
                self.example_records_found(content, KEPT)
                users = self.user_files()
                os.remove(self.path("db50", "GEO.DAT"))
                self.assertEqual(self.fulmaro([{"Mode": "CreateISAM", "Filename": "a.img"}]), 0, self.err)
                self.assertIn("Database Complete", self.out)
                self.assert_users_kept(users)
                self.assertEqual(self.read("db50", "GEO.DAT"), geo_file(count))
                self.assertEqual(self.image("b.img"), a)

    def test_corrupt_or_missing_geo_file(self):
        cases = {"no mark": b"3" * 70, "short": b"3<" + bytes(18 * 2), "no count": b"<" + bytes(80)}
        for what, data in cases.items():
            with self.subTest(what):
                self.fresh()
                self.load(geo=data)
                a = self.image("a.img")
                self.assertTrue(any("corrupt or absent - ignoring" in e for e in self.err), self.err)
                self.checked("a.img")
                self.assertEqual(a[51:54], b"\xff\xff\x1f")
                self.assertEqual(set(a[869:874]), {0xFF})
        self.fresh()
        self.load(geo=None)
        self.assertEqual(self.fulmaro([{"Mode": "CreateImage", "Filename": "a.img"}]), 1)
        self.assertTrue(any("GEO.DAT absent" in e for e in self.err), self.err)
        self.assertFalse(os.path.exists(self.path("a.img")))


class Coding(FulmaroRun):
    def test_elevation_codes(self):
        self.write("coding.txt", [
            "ADD|APT|KLOW|US-UNITED STATES|LOW CITY|LOW FIELD|N 47#00.000|W122#00.000|-4|JA",
            "ADD|APT|KMID|US|MID CITY|MID FIELD|N 47#30.000|W122#15.000|15|JA",
            "ADD|APT|KTOP|US|TOP CITY|TOP FIELD|N 48#00.000|W121#00.000|14|JA",
        ])
        self.load(batch=self.path("coding.txt"))
        self.image("a.img")
        codes = {r["ident"]: r["elevation_code"] for r in self.checked("a.img")["sections"]["APT"]}
        self.assertEqual(codes, {"KLOW": 500, "KMID": 502, "KTOP": 501})
        # At a debug level the sumcheck byte is reported.
        code = self.run_program("fulmaro", [{"Mode": "CreateImage", "Filename": "b.img"}], switches=["-d"])
        self.assertEqual(code, 0, self.err)
        self.assertIn("Sumcheck byte set to %02x" % self.read("b.img")[0], self.out)


def typed_angle(degrees, minutes, negative):
    """The family's reading of a batch position: truncated to 2^23/45 x 64 units, rounded to
    2048, then negated."""
    units = int((degrees + minutes / 60.0) * 8388608 / 45) * 64
    rounded = (units + 1024) & ~2047
    return -rounded if negative else rounded


class Batch(FulmaroRun):
    def test_batch_rules_and_southern_western_positions(self):
        self.write("batch.txt", [
            "ADD|APT|SWAP|AU-AUSTRALIA|SYDNEY|SYDNEY FIELD|S 33#56.123|W151#10.456|21|JA",
            "ADD|APT|NEAP|AU|NORTH|NORTH FIELD|N 12#03.001|E 45#59.999|-6|JA",
            "ADD|APT|KLONG|US-UNITED STATES|LONG|LONG FIELD|N 47#00.000|W122#00.000|10|JA",
            "ADD|INT|ABCDE|US|N 47#00.000|W122#00.000",
            "ADD|VOR|SEA|US-UNITED STATES|SEATTLE|SEATTLE|N 47#26.120|W122#18.570|116.80|VORTAC",
        ])
        self.load(batch=self.path("batch.txt"))
        listed = "\n".join(self.out)
        self.assertRegex(listed, r"ERR-F3.*KLONG")
        self.assertRegex(listed, r"ERR-F2.*ABCDE")
        self.image("a.img")
        airports = {r["ident"]: r for r in self.checked("a.img")["sections"]["APT"]}
        self.assertEqual(set(airports), {"SWAP", "NEAP"})
        cases = [("SWAP", typed_angle(33, 56.123, True), typed_angle(151, 10.456, True), 502),
                 ("NEAP", typed_angle(12, 3.001, False), typed_angle(45, 59.999, False), 499)]
        for ident, lat, lon, code in cases:
            self.assertEqual((airports[ident]["lat"], airports[ident]["lon"]), (lat, lon), ident)
            self.assertEqual(airports[ident]["elevation_code"], code, ident)
        self.assertEqual([r["ident"] for r in self.checked("a.img")["sections"]["VOR"]], ["SEA"])


class Listings(FulmaroRun):
    def listing(self, section, switches=(), **filters):
        if os.path.exists(self.path("list.txt")):
            os.remove(self.path("list.txt"))
        keys = {"Mode": "List", "Section": section, "Filename": "a.img", "SaveAs": "list.txt"}
        keys.update(filters)
        self.assertEqual(self.run_program("fulmaro", [keys], switches=switches), 0, self.err)
        return self.read("list.txt").decode("cp1252").splitlines()

    def test_airports_and_vors_with_their_country(self):
        self.load(geo=3)
        self.image("a.img")
        content = self.checked("a.img")
        for kind in ("APT", "VOR"):
            lines = self.listing(kind)
            self.assertEqual([line[5:10].strip() for line in lines], [r["ident"] for r in content["sections"][kind]])
        apts = self.listing("APT")
        ksea = next(line for line in apts if line.startswith("APT  KSEA  N 47\xb026.9"))
        self.assertEqual(ksea[35:], "  430'     UNITED STA-US")
        # The DME mark and the frequency to 0.05 MHz, as the checker decodes them.
        for line, vor in zip(self.listing("VOR"), content["sections"]["VOR"]):
            self.assertEqual(line[35:41], "%3d.%02d" % (vor["freq"] // 100, vor["freq"] % 100), line)
            self.assertEqual(line[45:48] == "DME", vor["dme"], line)
        self.assertEqual(self.listing("VOR", switches=["-r"])[1][:9], "   1 BTG ")
        self.assertEqual(self.listing("APT", FilterCO="XX"), ["No Matching Items"])
        # No intersections, NDBs or airspace in the family's image.
        for kind in ("INT", "NDB", "SUA"):
            self.assertEqual(self.listing(kind), ["No Matching Items"], kind)
        # At a debug level the map of the country table, the GEO section and the two kinds.
        self.listing("VOR", switches=["-d"])
        self.assertTrue(any(line.startswith("GEO_ST=") and line.endswith("RECS=3") for line in self.out), self.out)
        self.assertTrue(any(line.startswith("VOR:ST=") and ", RECS=%d," % len(content["sections"]["VOR"]) in line
                            for line in self.out), self.out)

    def test_compile_modes_are_not_supported(self):
        self.load()
        self.write("sua.txt", ["SUA(a)  AREA {Class C P0}  0 to  4000 (CONTROL 0)"])
        before = sorted(os.listdir(self.path("db50")))
        for mode in ("CompileSUA", "CompileTCC", "CompileAPR"):
            with self.subTest(mode):
                self.assertEqual(self.fulmaro([{"Mode": mode, "Filename": "sua.txt"}]), 3)
                self.assertIn("This operation is not supported by this program", self.out)
                self.assertEqual(sorted(os.listdir(self.path("db50"))), before)


class Refusals(FulmaroRun):
    def test_mutated_images_are_listed_or_refused_without_a_crash(self):
        self.load(geo=3)
        good = self.image("a.img")
        end = self.checked("a.img")["image_end"]

        def seal(data):
            return bytes([(data[0] - sum(data)) % 256]) + data[1:]

        self.assert_mutations_handled("fulmaro", good, end, seal, ("APT", "VOR"), 89)

    def test_damaged_image_and_other_families(self):
        self.load()
        a = self.image("a.img")
        before = {n: self.read("db50", n) for n in sorted(os.listdir(self.path("db50")))}
        cases = {
            "country count past the file": a[:192] + b"\xff\xff" + a[194:],
            "records past the file": a[:527] + b"\xff\xff\x3f" + a[530:],
            "wrong sumcheck": bytes([a[0] ^ 1]) + a[1:],
        }
        for what, data in cases.items():
            with self.subTest(what):
                self.write("bad.img", data)
                self.assertNotEqual(self.fulmaro([{"Mode": "CreateISAM", "Filename": "bad.img"}]), 0)
                after = {n: self.read("db50", n) for n in sorted(os.listdir(self.path("db50")))}
                self.assertEqual(after, before, what)
        self.assert_refused_as_other_family(self.run_program("dallowen", [{"Mode": "CreateISAM", "Filename": "a.img"}]))
        self.assertEqual(self.run_program("dallowen", [{"Mode": "CreateImage", "Filename": "d.img"}]), 0, self.err)
        self.assert_refused_as_other_family(self.fulmaro([{"Mode": "CreateISAM", "Filename": "d.img"}]))


if __name__ == "__main__":
    unittest.main()
