"""Save As run by the image generators from control files (a GO= section with a SaveAs= name
saves its listing when it ends), headless in a temporary folder.

- Round trip, in every family: the batch form of the APT, INT, NDB and VOR listings of an image
  made from the example batch file, applied by a batch update to an empty database, gives an
  image whose four listings are those of the first image.
- The save of a control-file section: the lines of an operation as text, Append= choosing
  between overwriting and appending, a name reserved for another listing refused, a file that
  cannot be opened reported, the name not carried into the next section; the run goes on.
- Text saves of every section kind that a control file lists, and the FSS/TCC and approach
  dumps, of the listing tests' example image (written by gen_tests) are the listing golden files
  (tests/e2e/golden/listing_*).
- The batch, text and SBS dumps and the SBS files of the example's image compared with golden
  files (tests/e2e/golden/saveas_*; SAVEAS_GOLDEN_UPDATE=1 rewrites them).
- An image with damaged sections saves every form.
"""
import os
import re
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import imgcheck_selftest  # noqa: E402

from suite import COMPLETED, EXAMPLE_BATCH, TOOLS_DIR, TempFolderRun  # noqa: E402

GOLDEN_DIR = os.path.join(HERE, "golden")
UPDATE_GOLDEN = os.environ.get("SAVEAS_GOLDEN_UPDATE") == "1"

FAMILIES = ("brondel", "quenmar", "pelmora")
POINT_SECTIONS = ("APT", "INT", "NDB", "VOR")


def section(**keys):
    """One control-file section; GO=1 ends it."""
    order = ("Message", "Mode", "Section", "Filename", "Title", "SaveAs", "Append", "Listing", "FilterCO")
    lines = ["%s=%s" % (k, keys[k]) for k in order if k in keys]
    return lines + ["GO=1"]


class SaveAsRun(TempFolderRun):
    prefix = "saveas-"
    output_encoding = "cp1252"

    def lines_of(self, name):
        """The lines of a saved file, each checked for its CR LF."""
        data = self.read(name)
        self.assertTrue(data.endswith(b"\r\n"), name)
        body = data[:-2].split(b"\r\n")
        for line in body:
            self.assertNotIn(b"\n", line, name)
            self.assertNotIn(b"\r", line, name)
        return [line.decode("cp1252") for line in body]

    def run_program(self, program, sections, folder="", args=()):
        cwd = self.path(folder) if folder else self.dir
        os.makedirs(cwd, exist_ok=True)
        lines = []
        for s in sections:
            lines += s
        self.write(os.path.join(cwd, "run.ctl"), lines)
        return self.run_headless(program, list(args) + ["-F", "run.ctl"], cwd=cwd, timeout=300)

    def require_listings(self):
        if not any(line.startswith("Image size (hex): ") for line in self.out):
            self.skipTest("the image listings are not installed in the programs yet")

    def check_golden(self, name, lines):
        path = os.path.join(GOLDEN_DIR, name)
        if UPDATE_GOLDEN:
            with open(path, "wb") as f:
                f.write(("".join(line + "\r\n" for line in lines)).encode("cp1252"))
        with open(path, "rb") as f:
            golden = f.read().decode("cp1252").splitlines()
        self.assertEqual(lines, golden, name)


class RoundTrip(SaveAsRun):
    def test_the_batch_form_of_the_point_listings_makes_the_same_image_again(self):
        for program in FAMILIES:
            with self.subTest(program=program):
                first, second = program + "-a", program + "-b"
                os.makedirs(self.path(first))
                # An old file of the same name is overwritten by the first save (Append=0).
                self.write(os.path.join(first, "pointsbat.txt"), "old content\r\n")
                sections = [section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH),
                            section(Mode="CreateImage", Filename="a.img", Title="PUGET SOUND")]
                for i, s in enumerate(POINT_SECTIONS):
                    sections.append(section(Mode="List", Section=s, Filename="a.img", SaveAs="pointsbat.txt",
                                            Append=1 if i else 0))
                for s in POINT_SECTIONS:
                    sections.append(section(Mode="List", Section=s, SaveAs="%s.txt" % s.lower()))
                self.assertEqual(self.run_program(program, sections, first), 0, self.err)
                self.require_listings()
                self.assertIn(COMPLETED, self.out)
                self.assertEqual(self.out.count('Saved As "pointsbat.txt"'), 4)
                self.assertFalse([line for line in self.out if line.startswith("Save As is not available")])

                batch = self.lines_of(os.path.join(first, "pointsbat.txt"))
                self.assertNotIn("old content", batch)
                kinds = [line.split("|")[1] for line in batch]
                for kind in ("APT", "RWY", "FRQ", "INT", "NDB", "VOR"):
                    self.assertIn(kind, kinds)
                self.assertTrue(all(line.startswith("ADD|") for line in batch), batch[:5])

                with open(self.path(first, "pointsbat.txt"), "rb") as f:
                    data = f.read()
                os.makedirs(self.path(second))
                with open(self.path(second, "pointsbat.txt"), "wb") as f:
                    f.write(data)
                sections = [section(Mode="BatchUpdate", Filename="pointsbat.txt", Listing=1),
                            section(Mode="CreateImage", Filename="b.img", Title="PUGET SOUND")]
                for s in POINT_SECTIONS:
                    sections.append(section(Mode="List", Section=s, Filename="b.img", SaveAs="%s.txt" % s.lower()))
                self.assertEqual(self.run_program(program, sections, second), 0, self.err)
                self.assertIn(COMPLETED, self.out)
                failed = [line for line in self.out if re.match(r"^\s*(\*[A-Z_-]+\*|\(ABS\))", line)]
                self.assertEqual(failed, [])
                applied = [line for line in self.out if re.match(r"^\s*\((DONE|MODIFIED|OK)\) ADD\|", line)]
                self.assertEqual(len(applied), len(batch))

                for s in POINT_SECTIONS:
                    name = "%s.txt" % s.lower()
                    listing = self.lines_of(os.path.join(first, name))
                    self.assertTrue(listing and listing[0].startswith(s), (s, listing[:1]))
                    self.assertEqual(self.lines_of(os.path.join(second, name)), listing, s)


class ControlFileSave(SaveAsRun):
    def test_a_section_saves_its_lines_and_goes_on_whatever_the_save_gives(self):
        os.makedirs(self.path("sub"))
        sections = [
            section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH, SaveAs="update.txt"),
            section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH, SaveAs="update.txt", Append=1),
            section(Mode="CreateImage", Filename="a.img", Title="PUGET SOUND", SaveAs="sub\\create.txt"),
            # Refused: a name for SUA dumps from an APT listing.
            section(Mode="List", Section="APT", Filename="a.img", SaveAs="areasua.all"),
            # Cannot be opened: the folder does not exist.
            section(Mode="List", Section="INT", SaveAs="missing/ints.txt"),
            section(Mode="List", Section="NDB", SaveAs="ndbs.txt"),
            # A SaveAs= name is not carried into the next section.
            section(Mode="List", Section="VOR"),
        ]
        self.assertEqual(self.run_program("brondel", sections), 0, self.err)
        self.require_listings()
        self.assertIn(COMPLETED, self.out)
        update = self.lines_of("update.txt")
        # The appended save holds both operations' lines, behind the first save.
        self.assertEqual(update.count("Database Update Complete"), 3)
        self.assertNotIn("", update)
        created = self.lines_of(os.path.join("sub", "create.txt"))
        self.assertIn("Image Complete", created)
        self.assertIn('Saved As "sub/create.txt"', self.out)
        self.assertFalse(os.path.exists(self.path("areasua.all")))
        self.assertIn("Format reserved for SUA dumps", self.err)
        self.assertIn('The file "missing/ints.txt" could not be opened', self.err)
        self.assertEqual([line for line in self.out if line.startswith("Saved As ")],
                         ['Saved As "update.txt"', 'Saved As "update.txt"', 'Saved As "sub/create.txt"',
                          'Saved As "ndbs.txt"'])
        ndbs = self.lines_of("ndbs.txt")
        self.assertTrue(ndbs and all(line.startswith("NDB  ") for line in ndbs), ndbs)


class ListingGoldenFiles(SaveAsRun):
    """Saves of the listing tests' example image (written by gen_tests) are the listing golden
    files: text saves of every section kind a control file can list, and the dump forms of the
    FSS/TCC and approach listings."""

    CASES = (
        # switches, section, Save As name, golden file
        ((), "APT", "apts.txt", "listing_apts.txt"),
        ((), "INT", "ints.txt", "listing_ints.txt"),
        ((), "VOR", "vors.txt", "listing_vors.txt"),
        ((), "SUA", "suas.txt", "listing_suas.txt"),
        ((), "FSS", "fss.txt", "listing_fss.txt"),
        ((), "TCC", "tccs.txt", "listing_tccs.txt"),
        ((), "TCC", "centrestcc.all", "listing_tccs_dump.txt"),
        ((), "APR", "approachesapr.all", "listing_approaches_dump.txt"),
        (("-r", "-x", "1"), "NDB", "ndbs.txt", "listing_ndbs.txt"),
        (("-r", "-x", "2"), "APT", "aptsraw.txt", "listing_apts_raw.txt"),
        (("-r", "-d", "2", "-x", "2"), "SUA", "suasdebug.txt", "listing_suas_debug.txt"),
        (("-r",), "APR", "approaches.txt", "listing_approaches.txt"),
    )

    def example_image(self):
        tool = os.path.join(TOOLS_DIR, "make_example_image")
        if not os.path.exists(tool):
            self.skipTest("the make_example_image tool is not built")
        done = subprocess.run([tool, self.path("example.img")], env=self.env, capture_output=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)

    def test_saves_of_the_example_image_are_the_listing_golden_files(self):
        self.example_image()
        runs = {}
        for switches, kind, name, golden in self.CASES:
            runs.setdefault(switches, []).append((kind, name, golden))
        for switches, cases in runs.items():
            sections = [section(Mode="List", Section=kind, Filename="example.img", SaveAs=name)
                        for kind, name, _ in cases]
            self.assertEqual(self.run_program("brondel", sections, args=switches), 0, self.err)
            self.require_listings()
            self.assertEqual(self.err, [])
            for kind, name, golden in cases:
                with open(os.path.join(GOLDEN_DIR, golden), "rb") as f:
                    expected = [line for line in f.read().decode("cp1252").splitlines() if line]
                self.assertEqual(self.lines_of(name), expected, (switches, name))


class ExampleGoldenFiles(SaveAsRun):
    """The dumps of an image made from the example batch file, and its SBS files."""

    def make_image(self):
        sections = [section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH),
                    section(Mode="CreateImage", Filename="a.img", Title="PUGET SOUND")]
        self.assertEqual(self.run_program("brondel", sections), 0, self.err)

    def test_dumps(self):
        self.make_image()
        sections = [
            section(Mode="List", Section="VOR", Filename="a.img", SaveAs="pointsbat.all"),
            section(Mode="List", Section="APT", SaveAs="pointstxt.all"),
            section(Mode="List", Section="NDB", SaveAs="pointssbs.all"),
        ]
        self.assertEqual(self.run_program("brondel", sections), 0, self.err)
        self.require_listings()
        self.assertEqual(self.err, [])
        for name in ("pointsbat.all", "pointstxt.all", "pointssbs.all"):
            self.check_golden("saveas_" + name.replace(".", "_") + ".txt", self.lines_of(name))
        # The batch dump holds the four point sections, in this order.
        kinds = []
        for line in self.lines_of("pointsbat.all"):
            kind = line.split("|")[1]
            if kind in POINT_SECTIONS and kind not in kinds:
                kinds.append(kind)
        self.assertEqual(kinds, list(POINT_SECTIONS))

    def test_sbs_files(self):
        """The compact SBS form of the shown lines, and the long airport form of the -P switch."""
        self.make_image()
        sections = [section(Mode="List", Section="APT", Filename="a.img", SaveAs="airportssbs.txt")]
        self.assertEqual(self.run_program("brondel", sections), 0, self.err)
        self.require_listings()
        compact = self.lines_of("airportssbs.txt")
        self.assertTrue(compact)
        for line in compact:
            self.assertRegex(line, r"^[A-Z0-9 ./-]{0,4}/[A-Z0-9]+,,15,2,-?\d+\.\d{5},-?\d+\.\d{5},-?\d+$")
        self.assertEqual(self.run_program("brondel", sections, args=["-P"]), 0, self.err)
        long_form = self.lines_of("airportssbs.txt")
        self.check_golden("saveas_airportssbs_long.txt", long_form)
        for line in long_form:
            self.assertRegex(line, r"^-?\d+\.\d{5},-?\d+\.\d{5},\[[A-Z0-9]+\] .*, F [0-9.*-]+, R \S+, H -?\d+")


class DamagedSections(SaveAsRun):
    def test_every_form_of_a_damaged_image_is_saved(self):
        """An image whose airspace sections hold no sound data still saves every form, each line
        ended by CR LF."""
        writer = imgcheck_selftest.sample_writer("brondel")
        writer.fss = True
        writer.sua = True
        self.write("sample.img", writer.build())
        saves = (("APT", "apts.txt"), ("APT", "pointsbat.all"), ("INT", "intsbat.txt"), ("NDB", "ndbssbs.txt"),
                 ("VOR", "pointstxt.all"), ("SUA", "suas.txt"), ("SUA", "areasua.all"), ("SUA", "areasbs.out"),
                 ("FSS", "fsstcc.all"), ("TCC", "tccs.txt"), ("APR", "approachesapr.all"))
        sections = [section(Mode="List", Section=kind, Filename="sample.img", SaveAs=name) for kind, name in saves]
        self.assertEqual(self.run_program("brondel", sections, args=["-d", "1", "-x", "2"]), 0, self.err)
        self.require_listings()
        self.assertIn(COMPLETED, self.out)
        for _, name in saves:
            self.assertIn('Saved As "%s"' % name, self.out)
            if os.path.getsize(self.path(name)):
                self.lines_of(name)


if __name__ == "__main__":
    unittest.main()
