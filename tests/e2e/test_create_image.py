"""Create Image in the three image generators, run headless from control files in a temporary
folder, each image judged by the independent checker imgcheck.py.

- The example batch file, loaded by a BatchUpdate section, becomes an image in every family;
  every airport, intersection, NDB and VOR of the batch file is in it with its ident, position,
  names and country.
- Each family's image is accepted by its own program's image-type check and refused by the
  other two programs.
- The empty database gives an empty image (counts 0, every bucket 0xFFFF, one cut unit long).
- Progress lines on calls 1 and 54 of a step.
- TCC.DAT and SUA.DAT in db50 are appended behind the VOR area.
- An operation stopped after the image has been pre-filled deletes the unfinished image.
"""
import os
import random
import re
import shutil
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imgcheck  # noqa: E402
import suite  # noqa: E402
from suite import EXAMPLE_BATCH  # noqa: E402

FAMILIES = ("brondel", "quenmar", "pelmora")
# The user waypoint and route files, which Create ISAM keeps.
USER_FILES = ("usr.dta", "usr.dtx", "rte.dta", "rte.dtx")
# Circle units in a degree, and how far a stored position may lie from the batch text's (the
# older families keep positions to 2048 units).
UNIT = 360.0 / 4294967296.0
OLDER_TOLERANCE = 2.5 * 2048 * UNIT
UNIT_TEXT = {"brondel": "496", "quenmar": "GPS III Pilot", "pelmora": "195/295/196/296/96/396/iQue"}
PROGRAM_NAME = {"brondel": "Brondel", "quenmar": "Quenmar", "pelmora": "Pelmora"}
CUT_UNIT = {"brondel": 0x40000, "quenmar": 0x10000, "pelmora": 0x20000}
INFO_AREAS = {"brondel": (249, 610, 953, 1306), "quenmar": (257, 618, 961, 1314),
              "pelmora": (249, 610, 953, 1306)}
EIGHTEEN_BIT = {"brondel": False, "quenmar": True, "pelmora": True}

# One position unit is 360 / 2^32 degrees; images keep positions to 2048 units.
POSITION_TOLERANCE = 2.5 * 2048 * 360.0 / 4294967296.0
# Characters the names table can hold; any other becomes a blank.
NAME_CHARACTERS = set("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -/,.&()+;':?")


# ---------------------------------------------------------------- the batch file

def country_id(field):
    if "-" in field and len(field.rsplit("-", 1)[1].strip()) <= 2:
        return field.rsplit("-", 1)[1].strip()
    return field[:2]


def coordinate(text):
    """Degrees of a batch position: compact DDMMSS or degrees and decimal minutes."""
    t = text.strip()
    sign = -1 if t[0] in "SW" else 1
    rest = t[1:].replace("\xb0", "~").replace("#", "~")
    if "~" in rest:
        degrees, minutes = rest.split("~")
        value = int(degrees) + float(minutes) / 60
    else:
        digits = rest.strip()
        n = 2 if t[0] in "NS" else 3
        value = int(digits[:n]) + int(digits[n:n + 2]) / 60 + int(digits[n + 2:n + 4]) / 3600
    return sign * value


def image_name(text):
    text = text.replace("@", "")[:31].rstrip()
    return "".join(c if c in NAME_CHARACTERS else " " for c in text)


def batch_records(path):
    """The APT, INT, NDB and VOR records that the ADD lines of a batch file make, by (ident, country)."""
    records = {"APT": {}, "INT": {}, "NDB": {}, "VOR": {}}
    with open(path, "rb") as f:
        text = f.read().decode("cp1252")
    for line in text.splitlines():
        line = line.rstrip()
        if not line or line.startswith("/"):
            continue
        cut = line.find("//", 1)
        if cut >= 0:
            line = line[:cut]
        fields = [f for f in line.upper().split("|") if f]
        if len(fields) < 4 or fields[0] != "ADD" or fields[1] not in records:
            continue
        kind, ident, country = fields[1], fields[2], country_id(fields[3])
        if kind == "INT":
            rec = {"lat": coordinate(fields[4]), "lon": coordinate(fields[5])}
        else:
            rec = {"city": image_name(fields[4]), "facility": image_name(fields[5]),
                   "lat": coordinate(fields[6]), "lon": coordinate(fields[7])}
        records[kind][(ident, country)] = rec
    return records


# ---------------------------------------------------------------- compiled airspace files

def airspace_files(eighteen_bit, name_serial):
    """A TCC.DAT with one FSS and one TCC record and an SUA.DAT with one record in each area
    table, in the family's record sizes, naming one name of the database."""
    fss, tcc, sua_a, sua_b = (9, 18, 24, 22) if eighteen_bit else (10, 19, 25, 23)
    v1 = 2
    v2 = v1 + fss
    v3 = v2 + 2
    v4 = v3 + 6
    v5 = v4 + 2
    v6 = v5 + tcc
    v7 = v6 + 2
    v0 = v7 + 23
    body = bytearray(b"\x11" * v0)
    body[v1:v2] = bytes(fss)
    body[v5:v6] = bytes(tcc)
    struct.pack_into("<H", body, v1 + 6, name_serial)
    struct.pack_into("<H", body, v5 + 10, name_serial)
    tag = "" if eighteen_bit else "TCC_02|"
    tcc_file = ("%s%x|%x|%x|%x|%x|%x|%x|%x<" % (tag, v0, v1, v2, v3, v4, v5, v6, v7)).encode() + bytes(body)
    e = 4
    o2 = e
    o3 = o2 + sua_a
    o1 = o3 + sua_b
    o0 = o1 + 2
    length = o0 + 20
    s = bytearray(b"\x22" * length)
    s[o2:o1] = bytes(o1 - o2)
    for at in (o2, o3):
        struct.pack_into("<HH", s, at + 18, name_serial, 0xFFFF)
    struct.pack_into("<H", s, o2 + (22 if eighteen_bit else 23), 0xFFFF)
    tag = "" if eighteen_bit else "SUA_02|"
    sua_file = ("%s%x|%x|%x|%x|%x|%x|%x|%x|%x|%x|%x<" % (tag, 1, o0, 1, o1, 1, o2, 1, o3, 0, e, length)).encode()
    return tcc_file, sua_file + bytes(s)


# ---------------------------------------------------------------- runs

class GeneratorRun(suite.TempFolderRun):
    prefix = "create-image-"
    # For the cases of one generator: its checker module (check_bytes) and its switches.
    checker = None
    switches = ()

    def run_program(self, program, sections, answers=None, timeout=120, terminal=False, switches=()):
        """Runs the program headless on a control file made of the sections (dicts of keys)."""
        lines = []
        for section in sections:
            lines += ["%s=%s" % (k, v) for k, v in section.items()]
            lines.append("GO=1")
        self.write("run.ctl", lines)
        extra = self.write_answers(answers) if answers is not None else []
        return self.run_headless(program, extra + list(switches) + ["-F", "run.ctl"], timeout=timeout,
                                 terminal=terminal)

    def example_image(self, program, name):
        """Create Image of the database with the example's title; the image's bytes."""
        code = program([{"Mode": "CreateImage", "Filename": name, "Title": "Puget Sound"}])
        self.assertEqual(code, 0, self.err)
        self.assertIn("Image Complete", self.out)
        return self.read(name)

    def user_files(self):
        return {n: self.read("db50", n) for n in USER_FILES}

    def assert_users_kept(self, users):
        for name, data in users.items():
            self.assertEqual(self.read("db50", name), data, name)

    def assert_mutations_handled(self, program, good, end, seal, sections, seed):
        """Images with a few random bytes of [0, end) changed and then sealed: each section lists
        and Create ISAM reads them or refuses them, without a crash."""
        rng = random.Random(seed)
        for round_ in range(12):
            data = bytearray(good)
            for _ in range(rng.randint(1, 6)):
                data[rng.randrange(len(good) if round_ % 3 == 0 else end)] = rng.randrange(256)
            self.write("m.img", seal(bytes(data)))
            runs = [{"Mode": "List", "Section": s, "Filename": "m.img", "SaveAs": "m.txt"} for s in sections]
            runs.append({"Mode": "CreateISAM", "Filename": "m.img"})
            for run in runs:
                self.assertIn(self.run_program(program, [run]), (0, 3), (round_, run, self.err))
                self.assertFalse([e for e in self.err if "Sanitizer" in e or "runtime error" in e], self.err)

    def assert_refused_as_other_family(self, code):
        self.assertEqual(code, 3)
        self.assertTrue(any("This file is for a" in e for e in self.err), self.err)

    def example_records_found(self, content, kept):
        """Pairs (found, wanted) of every point of the example batch file of the kinds in kept (the
        ident characters each kind keeps), once the checker's content holds exactly those points at
        their positions."""
        pairs = []
        for kind, records in batch_records(EXAMPLE_BATCH).items():
            if kind not in kept:
                continue
            found = {(r["ident"], r["country"]): r for r in content["sections"][kind]}
            self.assertEqual(set(found), {(i[:kept[kind]], c) for i, c in records}, kind)
            for (ident, country), want in records.items():
                got = found[(ident[:kept[kind]], country)]
                self.assertLess(abs(got["lat"] * UNIT - want["lat"]), OLDER_TOLERANCE, (kind, ident))
                self.assertLess(abs(got["lon"] * UNIT - want["lon"]), OLDER_TOLERANCE, (kind, ident))
                pairs.append((kind, ident, got, want))
        return pairs

    def checked(self, name):
        """The content the case's checker finds in the image, which it must accept."""
        report = self.checker.check_bytes(self.read(name))
        self.assertTrue(report.ok, report.errors)
        return report.content

    def sua_text_without_adiz(self):
        """The example SUA text in the older families' terms: no ADIZ type, its area typed
        "Unknown Type"."""
        with open(os.path.join(suite.EXAMPLES_DIR, "puget_sua.txt"), "rb") as f:
            text = f.read()
        self.assertIn(b"{ADIZ P3}", text)
        self.write("sua92.txt", text.replace(b"{ADIZ P3}", b"{Unknown Type P3}"))
        return self.path("sua92.txt")

    def load_example_with_airspace(self, family):
        """The example batch file loaded, and TCC.DAT and SUA.DAT put in the database folder;
        gives their bytes."""
        self.assertEqual(self.run_program(family, [{"Mode": "BatchUpdate", "Filename": EXAMPLE_BATCH}]), 0)
        tcc, sua = airspace_files(EIGHTEEN_BIT[family], 0)
        self.write(os.path.join("db50", "TCC.DAT"), tcc)
        self.write(os.path.join("db50", "SUA.DAT"), sua)
        return tcc, sua

    def create_image(self, program, image, load=True, terminal=False):
        sections = []
        if load:
            sections.append({"Mode": "BatchUpdate", "Filename": EXAMPLE_BATCH})
        sections.append({"Mode": "CreateImage", "Filename": image, "Title": "PUGET SOUND"})
        return self.run_program(program, sections, terminal=terminal)

    def check(self, image, family):
        report = imgcheck.check_file(self.path(image), family)
        failed = {c.name: c.messages for c in report.checks.values() if not c.ok}
        self.assertTrue(report.ok, failed)
        return report.content


class ExampleImages(GeneratorRun):
    def test_every_record_of_the_batch_file_is_in_each_familys_image(self):
        expected = batch_records(EXAMPLE_BATCH)
        self.assertGreater(sum(len(v) for v in expected.values()), 50)
        for family in FAMILIES:
            with self.subTest(family=family):
                image = family + ".img"
                self.assertEqual(self.create_image(family, image, load=family == FAMILIES[0]), 0, self.err)
                self.assertEqual(self.err, [])
                self.assertIn("Image Complete", self.out)
                self.assertIn("**** Control File Completed ****", self.out)
                content = self.check(image, family)
                for kind, records in expected.items():
                    found = {(r["ident"].rstrip(), r["country"]): r for r in content["sections"][kind]}
                    self.assertEqual(set(found), set(records), kind)
                    for key, want in records.items():
                        got = found[key]
                        self.assertLess(abs(got["lat"] - want["lat"]), POSITION_TOLERANCE, (kind, key))
                        self.assertLess(abs(got["lon"] - want["lon"]), POSITION_TOLERANCE, (kind, key))
                        for name in ("facility", "city"):
                            if name in want:
                                self.assertEqual(got[name], want[name], (kind, key, name))

    def test_images_are_accepted_by_their_own_program_only(self):
        for family in FAMILIES:
            self.assertEqual(self.create_image(family, family + ".img", load=family == FAMILIES[0]), 0, self.err)
        for family in FAMILIES:
            for program in FAMILIES:
                with self.subTest(image=family, program=program):
                    code = self.run_program(program, [{"Mode": "List", "Section": "APT",
                                                       "Filename": family + ".img"}])
                    if program == family:
                        self.assertEqual(self.err, [])
                        self.assertEqual(code, 0)
                    else:
                        self.assertEqual(self.err, ['This file is for a "%s" please use program "%s"'
                                                    % (UNIT_TEXT[family], PROGRAM_NAME[family])])
                        self.assertEqual(code, 3)


class ExampleControlFiles(GeneratorRun):
    def test_the_example_control_files_make_their_images(self):
        shutil.copytree(suite.EXAMPLES_DIR, self.path("examples"))
        os.mkdir(self.path("run"))
        for family in FAMILIES:
            with self.subTest(family=family):
                # Another family's image is not written over.
                if os.path.exists(self.path("run", "puget.img")):
                    os.remove(self.path("run", "puget.img"))
                code = self.run_headless(family, ["-F", "../examples/create_image.ctl"], cwd=self.path("run"))
                self.assertEqual(code, 0, self.err_text)
                whole = self.check(os.path.join("run", "puget.img"), family)
        code = self.run_headless("pelmora", ["-F", "../examples/create_image_area.ctl"], cwd=self.path("run"))
        self.assertEqual(code, 0, self.err_text)
        part = self.check(os.path.join("run", "sound.img"), "pelmora")
        # Airports outside the rectangle stay (brief); intersections outside it go.
        self.assertEqual(len(part["sections"]["APT"]), len(whole["sections"]["APT"]))
        self.assertLess(len(part["sections"]["INT"]), len(whole["sections"]["INT"]))


class EmptyDatabase(GeneratorRun):
    def test_the_empty_database_gives_an_empty_image(self):
        for family in FAMILIES:
            with self.subTest(family=family):
                if os.path.exists(self.path("empty.img")):
                    os.remove(self.path("empty.img"))
                code = self.create_image(family, "empty.img", load=False)
                self.assertEqual(code, 0)
                self.assertEqual(self.err, ["Your ISAM database (on your PC) is empty, do you want to continue ?"])
                self.assertIn("BEWARE: your new image is also empty", self.out)
                content = self.check("empty.img", family)
                self.assertEqual(content["countries"], [])
                with open(self.path("empty.img"), "rb") as f:
                    data = f.read()
                self.assertEqual(len(data), CUT_UNIT[family])
                for info in INFO_AREAS[family]:
                    count, = struct.unpack_from("<H", data, info)
                    buckets = struct.unpack_from("<164H", data, info + 2)
                    cells, = struct.unpack_from("<H", data, info + 330)
                    self.assertEqual((count, cells), (0, 0))
                    self.assertEqual(set(buckets), {0xFFFF})

    def test_progress_lines_on_calls_1_and_54(self):
        # On a terminal every progress text is written, each over the one before.
        self.assertEqual(self.create_image("brondel", "puget.img", terminal=True), 0)
        self.assertIn(("Initialising image file 1" + suite.REWRITE_LINE + "Initialising image file 54").encode(),
                      self.stdout)
        for line in ("Initialising image file 1", "Initialising image file 54", "Initialising image file 107",
                     "Initialising image file 32768", "Counting APTS 1", "Scanning city and facility names 54"):
            self.assertIn(line, self.out)
        self.assertNotIn("Initialising image file 2", self.out)
        counts = [int(m.group(1)) for m in (re.match(r"Initialising image file (\d+)$", l) for l in self.out) if m]
        self.assertEqual(counts, list(range(1, 32768, 53)) + [32768])
        # What the terminal shows at the end: each line with its last text.
        screen = [line.split(suite.REWRITE_LINE)[-1] for line in self.stdout.decode().split("\n")[:-1]]
        # To a file or pipe each progress line is written once, with that last text.
        self.assertEqual(self.create_image("brondel", "puget.img", load=False), 0)
        start = "You have chosen to create a new Binary Image File"
        self.assertEqual(self.out[self.out.index(start):], screen[screen.index(start):])
        self.assertIn("Initialising image file 32768", self.out)


class Airspace(GeneratorRun):
    def test_tcc_and_sua_files_are_appended_behind_the_vor_area(self):
        for family in FAMILIES:
            with self.subTest(family=family):
                self.load_example_with_airspace(family)
                if os.path.exists(self.path("air.img")):
                    os.remove(self.path("air.img"))
                self.assertEqual(self.create_image(family, "air.img", load=False), 0, self.err)
                self.assertIn("Counting FSS/TCCS 3", self.out)
                self.assertIn("Writing SUA Section to image file 4", self.out)
                self.check("air.img", family)
                with open(self.path("air.img"), "rb") as f:
                    header = f.read(120)
                shift = 8 if family == "quenmar" else 0
                for at in (87, 90, 93):
                    pointer = int.from_bytes(header[at + shift:at + shift + 3], "little")
                    self.assertNotEqual(pointer, 0x3FFFFF)

    def test_a_damaged_file_is_left_out_with_a_message(self):
        self.write(os.path.join("db50", "SUA.DAT"), b"SUA_02|1|2|3<")
        self.assertEqual(self.create_image("brondel", "puget.img"), 0)
        self.assertEqual(self.err, ['SUA file "db/sua.dat" corrupt or wrong type', "",
                                    "Image will not contain SUAs"])
        self.assertNotIn("Counting SUAS 1", self.out)
        self.check("puget.img", "brondel")


class StoppedOperation(GeneratorRun):
    def test_an_operation_stopped_after_the_prefill_deletes_the_unfinished_image(self):
        # 300 countries: the question comes after the image was filled; No ends the operation.
        lines = []
        for i in range(300):
            cid = chr(65 + i // 26) + chr(65 + i % 26)
            lines.append("ADD|INT|X%s|%s Land %d|N%02d0000|E%03d0000" % (cid, cid, i, i % 80, i % 60))
        self.write("many.txt", lines)
        answers = "match There are 300 countries\npress No\n"
        code = self.run_program("brondel", [{"Mode": "BatchUpdate", "Filename": "many.txt"},
                                            {"Mode": "CreateImage", "Filename": "many.img", "Title": "MANY"}],
                                answers=answers)
        self.assertEqual(code, 3)
        self.assertIn("Initialising image file 32768", self.out)
        self.assertEqual(self.out[-2:], ["Operation Aborted", "many.img deleted"])
        self.assertIn("The image format does not allow more than 256 countries", self.err)
        self.assertFalse(os.path.exists(self.path("many.img")))


if __name__ == "__main__":
    unittest.main()
