"""Tessily's airway and approach compilers end to end: the Airways Dump and the Approach Dump of
an image, compiled back into a database that has neither, give an image whose airway sections
and approach information are those of the first; a compile that fails on its last airway or
airport block leaves the airway, approach and local waypoint files as they were."""
import os
import subprocess
import unittest

import img696check
import sections696
import suite

YES = suite.answer("Your ISAM database", "Yes")
AIRWAY_SECTIONS = (45, 46, 47, 73, 74)
RECORD_FILES = ("awys", "awps", "appr", "lwpt")


def section(data, n):
    start, size, count = img696check.directory(data)[n]
    return data[start:start + size * count]


class TessilyCompile(suite.TempFolderRun):
    prefix = "tessily-compile-"
    output_encoding = "cp1252"

    def setUp(self):
        super().setUp()
        sections696.write_section_files(self.path("db50"), statics={19: 7, 27: 0})

    def run_sections(self, sections, switches=("-NCD",)):
        lines = []
        for s in sections:
            lines += ["%s=%s" % (k, v) for k, v in s.items()] + ["GO=1"]
        self.write("run.ctl", lines)
        return self.run_headless("tessily", self.write_answers([YES]) + list(switches) + ["-F", "run.ctl"])

    def batch_only(self):
        """The example's database without approaches and airways."""
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696}]), 0,
                         self.err)

    def image_with_approaches(self, name):
        self.batch_only()
        subprocess.run([os.path.join(suite.TOOLS_DIR, "add_approaches696"), self.path("db50")], check=True)
        self.assertEqual(self.run_sections([{"Mode": "CreateImage", "Filename": name}]), 0, self.err)
        return self.read(name)

    def dumps(self, image, airways, approaches):
        self.assertEqual(self.run_sections([
            {"Mode": "List", "Section": "AWY", "Filename": image, "SaveAs": airways},
            {"Mode": "List", "Section": "APR", "Filename": image, "SaveAs": approaches}]), 0, self.err)

    def compile_both(self, airways, approaches, image):
        return self.run_sections([{"Mode": "CompileAWY", "Filename": airways},
                                  {"Mode": "CompileAPR", "Filename": approaches},
                                  {"Mode": "CreateImage", "Filename": image}])

    def record_files(self):
        out = {}
        for name in sorted(os.listdir(self.path("db50"))):
            if name.split(".")[0].lower() in RECORD_FILES:
                out[name] = self.read("db50", name)
        return out

    def fresh_database(self):
        for name in os.listdir(self.path("db50")):
            os.remove(self.path("db50", name))
        sections696.write_section_files(self.path("db50"), statics={19: 7, 27: 0})
        self.batch_only()

    def compile_dumps_into_fresh_database(self, image, name, extra_airways=()):
        """The dumps of an image compiled into the example's database without approaches and
        airways, and the image made from it."""
        stem = os.path.splitext(image)[0]
        self.dumps(image, stem + "awy.all", stem + "apr.all")
        if extra_airways:
            self.write(stem + "awy.all", self.read(stem + "awy.all").decode("cp1252").splitlines() + list(extra_airways))
        self.fresh_database()
        self.assertEqual(self.compile_both(stem + "awy.all", stem + "apr.all", name), 0, self.err)
        self.assertEqual(self.out.count("Compilation Complete"), 2, self.out)
        data = self.read(name)
        self.assertEqual(img696check.check_image(data), [])
        self.assertEqual(img696check.check_airways(data), [])
        return data

    def test_dumps_compiled_back_give_the_same_airways_and_approaches(self):
        a0 = self.image_with_approaches("a0.img")
        # The fixture's airway kind 0 is listed "(unk)" and compiles as 6, and its local NDB's
        # byte 10 is in no text: image A is the fixture's compiled back, with two airways more
        # (levels, kinds, marks).
        self.dumps("a0.img", "fixtureawy.all", "fixtureapr.all")
        dump = self.read("fixtureawy.all").decode("cp1252").splitlines()
        self.assertEqual([line[:7] for line in dump if line.startswith("AWY")], ["AWY  V4", "AWY  J5"])
        points = [line for line in dump if not line.startswith("AWY")]
        extra = ["AWY  Q1 (low)", points[1], "[02]      4500ALT to FL180", points[3], "          unknown",
                 "AWY  V9 (High)", points[0]]
        a = self.compile_dumps_into_fresh_database("a0.img", "a.img", extra)
        self.assertEqual([entries[2] for entries in (img696check.directory(a)[45], img696check.directory(a)[46])],
                         [4, 16])
        for n in (46,):
            self.assertEqual(section(a, n)[:len(section(a0, n))], section(a0, n), "section %d" % n)

        def without_ndb_byte(decoded):
            for airport in decoded.values():
                for ndb in airport["ndbs"]:
                    ndb["byte10"] = 0
            return decoded
        self.assertEqual(without_ndb_byte(img696check.decode_approaches(a)),
                         without_ndb_byte(img696check.decode_approaches(a0)))

        b = self.compile_dumps_into_fresh_database("a.img", "b.img")
        for n in AIRWAY_SECTIONS + (10, 11):
            self.assertEqual(section(b, n), section(a, n), "section %d" % n)
        self.assertEqual(b, a)

    def test_failing_compiles_leave_the_record_files_as_they_were(self):
        self.image_with_approaches("a.img")
        self.dumps("a.img", "aawy.all", "aapr.all")
        airways = self.read("aawy.all").decode("cp1252").splitlines()
        approaches = self.read("aapr.all").decode("cp1252").splitlines()
        # The last airway names a waypoint that is not there; the last approach has its map
        # before its faf.
        bad_airways = airways + ["AWY  Q9", airways[1][:10] + "NOONE" + airways[1][15:]]
        last = max(i for i, line in enumerate(approaches) if line.startswith("[") and line[2] == "5")
        bad_approaches = approaches[:last] + [approaches[last + 1], approaches[last]] + approaches[last + 2:]
        self.write("bawy.all", bad_airways)
        self.write("bapr.all", bad_approaches)
        before = self.record_files()
        cases = (("CompileAWY", "bawy.all", len(bad_airways), "The wapoint could not be found in the ISAM database"),
                 ("CompileAPR", "bapr.all", last + 1,
                  "Approach waypoints must be nav, faf, map (0,5,7) in that order"))
        for mode, text, line, error in cases:
            with self.subTest(mode):
                self.assertNotEqual(self.run_sections([{"Mode": mode, "Filename": text}]), 0)
                self.assertTrue(any(l.startswith("Line %d: " % line) for l in self.out), self.out)
                self.assertTrue(any(error in l for l in self.out), self.out)
                self.assertNotIn("Compilation Complete", self.out)
                self.assertEqual(self.record_files(), before)


if __name__ == "__main__":
    unittest.main()
