"""Compile SUA Text, Compile FSS/TCC Text and Compile APR Text run by the three image
generators from control files: the example texts compiled and put in place, an image made of
them, the image written back by Create ISAM into an empty database, its listings saved and
compiled again to the same files and the same image; the compiled files read by an independent
checker; a failing compile leaves the files as they were and exits with status 3."""
import fcntl
import os
import shutil
import unittest

from airspace_check import check_sua, check_tcc
from suite import EXAMPLES_DIR, EXAMPLE_BATCH, COMPLETED, TempFolderRun

FAMILIES = (("brondel", True, True), ("quenmar", False, False), ("pelmora", False, True))
SUA_TEXT = os.path.join(EXAMPLES_DIR, "puget_sua.txt")
TCC_TEXT = os.path.join(EXAMPLES_DIR, "puget_tcc.txt")
APR_TEXT = os.path.join(EXAMPLES_DIR, "puget_apr.txt")
REPLACED = 'The file "%s" in directory "%s" has been replaced'


def section(**keys):
    return ["%s=%s" % kv for kv in keys.items()] + ["GO=1"]


def dat(folder, name):
    """A file of the database folder whatever the case of its name."""
    for entry in os.listdir(folder):
        if entry.lower() == name:
            with open(os.path.join(folder, entry), "rb") as f:
                return f.read()
    raise AssertionError("%s not in %s" % (name, folder))


def without_names(records, wide, kind):
    """Records with their name numbers and airport serial cleared: numbers of the database they
    were compiled in (the images, compared byte for byte, hold the texts and the airports)."""
    out = []
    for r in records:
        r = bytearray(r)
        if kind == "sua":
            r[18:22] = b"\0\0\0\0"
            if wide:
                r[22] = 0
                r[23:25] = b"\0\0"
            else:
                r[17] &= 0x0F
                r[22:24] = b"\0\0"
        out.append(bytes(r))
    return out


class CompileRoundTrip(TempFolderRun):
    prefix = "compile-"
    output_encoding = "cp1252"

    def run_control(self, program, folder, sections):
        cwd = self.path(folder)
        os.makedirs(cwd, exist_ok=True)
        lines = []
        for s in sections:
            lines += s
        self.write(os.path.join(folder, "run.ctl"), lines)
        return self.run_headless(program, ["-F", "run.ctl"], cwd=cwd, timeout=300)

    def test_round_trip_per_family(self):
        for program, wide, approaches in FAMILIES:
            with self.subTest(program=program):
                first = self.path(program, "first")
                # Three compile sections and Create Image, unattended.
                rc = self.run_control(program, os.path.join(program, "first"), [
                    section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH),
                    section(Mode="CompileSUA", Filename=SUA_TEXT),
                    section(Mode="CompileTCC", Filename=TCC_TEXT),
                    *([section(Mode="CompileAPR", Filename=APR_TEXT)] if approaches else []),
                    section(Mode="CreateImage", Filename="a.img", Title="PUGET SOUND")])
                self.assertEqual(rc, 0, self.err_text)
                db = os.path.join(first, "db50")
                self.assertIn(REPLACED % ("sua.dat", db), self.out)
                self.assertIn(REPLACED % ("tcc.dat", db), self.out)
                self.assertIn(COMPLETED, self.out)
                self.assertFalse(os.path.exists(os.path.join(db, "NewSua.dat")))
                sua1, tcc1 = dat(db, "sua.dat"), dat(db, "tcc.dat")
                areas1 = check_sua(sua1, wide)["areas"]
                tcc_decoded = check_tcc(tcc1, wide)
                self.assertEqual(len(areas1), 34)
                self.assertEqual((len(tcc_decoded["fss"]), len(tcc_decoded["tccs"])), (2, 3))
                self.assertEqual(sorted({(a["kind"], a["type"]) for a in areas1 if a["kind"] == "b"}),
                                 [("b", t) for t in range(16)])

                # Create ISAM into an empty database; list and save the dumps.
                second = os.path.join(program, "second")
                os.makedirs(self.path(second))
                shutil.copy(os.path.join(first, "a.img"), self.path(second, "a.img"))
                rc = self.run_control(program, second, [
                    section(Mode="CreateISAM", Filename="a.img"),
                    section(Mode="List", Section="SUA", Filename="a.img", SaveAs="areasua.all"),
                    section(Mode="List", Section="FSS", SaveAs="fsstcc.all"),
                    section(Mode="List", Section="TCC", SaveAs="fsstcc.all", Append=1),
                    section(Mode="List", Section="APR", SaveAs="approachesapr.all")])
                self.assertEqual(rc, 0, self.err_text)
                db2 = self.path(second, "db50")
                sua_isam, tcc_isam = dat(db2, "sua.dat"), dat(db2, "tcc.dat")

                # The dumps compile to the files Create ISAM wrote, and to the same image.
                rc = self.run_control(program, second, [
                    section(Mode="CompileSUA", Filename="areasua.all"),
                    section(Mode="CompileTCC", Filename="fsstcc.all"),
                    *([section(Mode="CompileAPR", Filename="approachesapr.all")] if approaches else []),
                    section(Mode="CreateImage", Filename="b.img", Title="PUGET SOUND")])
                self.assertEqual(rc, 0, "\n".join(self.out[-20:]))
                sua2, tcc2 = dat(db2, "sua.dat"), dat(db2, "tcc.dat")
                self.assertEqual(sua2, sua_isam)
                self.assertEqual(tcc2, tcc_isam)
                self.assertEqual(len([n for n in os.listdir(db2) if n.lower() == "sua.dat"]), 1)
                areas2 = check_sua(sua2, wide)["areas"]
                self.assertEqual(without_names([a["record"] for a in areas2], wide, "sua"),
                                 without_names([a["record"] for a in areas1], wide, "sua"))
                self.assertEqual([a["chain"] for a in areas2], [a["chain"] for a in areas1])
                with open(os.path.join(first, "a.img"), "rb") as f1, open(self.path(second, "b.img"), "rb") as f2:
                    self.assertTrue(f1.read() == f2.read(), "second image differs from the first")

    def test_failing_compile_keeps_the_files(self):
        program = "brondel"
        rc = self.run_control(program, "ok", [
            section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH),
            section(Mode="CompileSUA", Filename=SUA_TEXT)])
        self.assertEqual(rc, 0, self.err_text)
        db = self.path("ok", "db50")
        before = dat(db, "sua.dat")
        self.write("ok/bad.txt", ["SUA(a)  BAD {Class C P1}     0 to  7000",
                                  "         0 N472000 W1222500",
                                  "         1 N473000 W1222500",
                                  "         2 N473000 W1222000",
                                  "         3 N472000 W1222500",
                                  "SUA(a)  WORSE {No Such Type P1}     0 to  7000"])
        rc = self.run_control(program, "ok", [section(Mode="CompileSUA", Filename="bad.txt"),
                                             section(Mode="CreateImage", Filename="x.img")])
        self.assertEqual(rc, 3)
        self.assertIn("********** Fatal Error: Airspace type unknown ***********", self.out)
        self.assertNotIn(COMPLETED, self.out)
        self.assertEqual(dat(db, "sua.dat"), before)
        self.assertFalse(os.path.exists(os.path.join(db, "NewSua.dat")))
        self.assertFalse(os.path.exists(self.path("ok", "x.img")))
        self.assertFalse(any(n.endswith("tmp.bin") for n in os.listdir(self.path("ok"))))

    def test_file_held_elsewhere_is_not_replaced(self):
        rc = self.run_control("brondel", "held", [section(Mode="BatchUpdate", Filename=EXAMPLE_BATCH)])
        self.assertEqual(rc, 0)
        db = self.path("held", "db50")
        self.write(os.path.join("held", "db50", "SUA.DAT"), b"old sua")
        with open(os.path.join(db, "SUA.DAT"), "rb") as held:
            fcntl.lockf(held, fcntl.LOCK_SH)
            rc = self.run_control("brondel", "held", [section(Mode="CompileSUA", Filename=SUA_TEXT)])
        self.assertEqual(rc, 3)
        self.assertIn('The file "sua.dat" in directory "%s" could not be replaced: it is in use by another program'
                      % db, self.out)
        self.assertEqual(self.read("held", "db50", "SUA.DAT"), b"old sua")
        check_sua(self.read("held", "db50", "NewSua.dat"), True)
        self.assertEqual(sorted(n for n in os.listdir(db) if n.lower().startswith(("sua", "newsua"))),
                         ["NewSua.dat", "SUA.DAT"])


    def test_compile_makes_only_the_record_files_it_uses(self):
        # Into a database folder with no record files: the FSS/TCC compile adds names and so
        # makes the names file; the other record files are made by the first operation using them.
        os.makedirs(self.path("fresh", "db50"))
        rc = self.run_control("brondel", "fresh", [section(Mode="CompileTCC", Filename=TCC_TEXT)])
        self.assertEqual(rc, 0, self.err_text)
        db = self.path("fresh", "db50")
        check_tcc(dat(db, "tcc.dat"), True)
        self.assertEqual(sorted(n for n in os.listdir(db) if n.endswith((".dta", ".dtx"))),
                         ["names.dta", "names.dtx"])
        rc = self.run_control("brondel", "fresh", [section(Mode="CreateImage", Filename="a.img")])
        self.assertEqual(rc, 0, self.err_text)
        self.assertEqual(len([n for n in os.listdir(db) if n.endswith(".dta")]), 15)

if __name__ == "__main__":
    unittest.main()
