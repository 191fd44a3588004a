"""Kestrane, the database manager, headless: the six record windows over a database loaded by
brondel, its switches, a database held by another program, a missing db50, the filters and the
2000-line limit. The driver file's shots give the texts each window drew."""
import fcntl
import os
import re
import shutil
import struct
import subprocess
import time
import unittest

import suite

# Lines added to the example: a runway with letters, an NDB above 1000 kHz, a second country.
EXTRA_BATCH = [
    "ADD|APT|KXTS|US|TESTVILLE|TEST FIELD|N 47~00.000|W122~00.000|100|A",
    "ADD|RWY|KXTS|US|5000X100|09L-27R|hard|pc lts|0",
    "ADD|RWY|KXTS|US|3000X60|09-27|turf|no lts|0",
    "ADD|NDB|XNB|US|TESTVILLE|TEST NDB|N 47~00.000|W122~00.000|1050.5",
    "ADD|APT|CYXX|CA-CANADA|NORTHTOWN|NORTH FIELD|N 49~00.000|W123~00.000|50|A",
]


def control(batch_file):
    return ["Line=1", "Mode=BatchUpdate", "Filename=" + batch_file, "Listing=1", "GO=1"]


class KestraneRun(suite.TempFolderRun):
    prefix = "e2e-kestrane-"

    def setUp(self):
        super().setUp()
        shutil.copytree(suite.EXAMPLES_DIR, self.path("examples"))
        self.run_dir = self.path("run")
        os.mkdir(self.run_dir)
        self.shots = self.path("shots")

    def load(self, *batches):
        """The example and then each list of batch lines, loaded by brondel into run/db50."""
        code = self.run_headless("brondel", ["-F", "../examples/load.ctl"], cwd=self.run_dir, timeout=300)
        self.assertEqual(code, 0, self.err_text)
        for n, lines in enumerate(batches):
            self.write(os.path.join("run", "extra%d.txt" % n), lines)
            self.write(os.path.join("run", "extra%d.ctl" % n), control("extra%d.txt" % n))
            code = self.run_headless("brondel", ["-F", "extra%d.ctl" % n], cwd=self.run_dir, timeout=300)
            self.assertEqual(code, 0, self.err_text)

    def kestrane(self, args=(), drive=(), answers=None, cwd=None):
        """Runs kestrane headless with the driver statements; returns its exit code."""
        self.write("drive.txt", list(drive))
        self.env["SUITE_QT_DRIVE"] = self.path("drive.txt")
        self.env["SUITE_QT_SHOTS"] = self.shots
        extra = []
        if answers:
            extra = ["--answers", self.path("answers.txt")]
            self.write("answers.txt", answers)
        return self.run_headless("kestrane", extra + list(args), cwd=cwd or self.run_dir)

    def shot(self, name):
        """The texts of a shot in drawing order: (x, y, text)."""
        texts = []
        with open(os.path.join(self.shots, name + ".txt"), encoding="utf-8") as f:
            for line in f.read().splitlines():
                where, text = line.split("\t", 1)
                x, y, _, _ = (int(v) for v in where.split())
                texts.append((x, y, text))
        return texts

    def lines(self, name, after=None):
        """The texts of a shot; with `after`, only those past the texts of that earlier shot
        (the window opened in between: each shot lists the windows in the order they opened)."""
        texts = [t for _, _, t in self.shot(name)]
        return texts[len(self.lines(after)):] if after else texts


class Windows(KestraneRun):
    def test_six_windows_in_their_columns(self):
        self.load(EXTRA_BATCH)
        drive = ["shot apt", "key F2", "shot kxts", "key F2", "command 32772", "shot int", "command 32773", "shot ndb", "command 32774",
                 "shot vor", "command 32775", "shot usr", "command 32776", "shot rte", "close"]
        answers = suite.answer("Filters Setup", "OK", Icao_Filter="KXTS") + suite.answer(
            "Filters Setup", "OK", Icao_Filter='""')
        self.assertEqual(self.kestrane(["-r"], drive, answers=answers), 0, self.err_text)

        apt = self.lines("apt")
        idents = [t[5:13].strip() for t in apt if t[5:13].strip()]
        self.assertEqual(idents, sorted(idents), "ident order")
        kbfi = next(t for t in apt if t[5:13].strip() == "KBFI")
        self.assertRegex(kbfi[:5], r"^ *[0-9a-f]+ $")          # record number, hexadecimal
        self.assertEqual(kbfi[13:24], "N 47\u00b031.797")       # 47 31.800 with 25 bits, truncated
        self.assertEqual(kbfi[25:36], "W122\u00b018.122")
        self.assertEqual(kbfi[38:44], "   21'")
        self.assertEqual(kbfi[45:47], "JA")
        self.assertTrue(kbfi.endswith(" UNITED STATES-US"))
        # KBFI's rows: its runways by length, frequencies on the left.
        rows = apt[apt.index(kbfi) + 1:]
        self.assertEqual(rows[0][50:57], "14R-32L")
        self.assertEqual(rows[0][14:20].strip(), "ATIS")
        self.assertEqual(rows[0][22:28], "127.75")
        # Test field: 09L-27R from column 50, 09-27 from 51.
        apt = self.lines("kxts")
        self.assertEqual(len(apt), 3)
        kxts = 0
        self.assertEqual(apt[kxts + 1][50:57], "09L-27R")
        self.assertEqual(apt[kxts + 1][58:82], " 5000x100' hard   pc lts")
        self.assertEqual(apt[kxts + 2][50:56], " 09-27")
        self.assertEqual(apt[kxts + 2][58:82], " 3000x 60' turf   no lts")

        ndb = self.lines("ndb", "int")
        xnb = next(t for t in ndb if t[5:13].strip() == "XNB")
        self.assertEqual(xnb[39:44], " 1050")
        self.assertEqual(xnb[48:], "TESTVILLE (TEST NDB) UNITED STATES-US")
        hq = next(t for t in ndb if t[5:13].strip() == "HQ")
        self.assertEqual(hq[39:45], "414.0 ")
        self.assertEqual(hq[45], "L")

        for name, before in (("int", "apt"), ("vor", "ndb"), ("usr", "vor")):
            texts = self.lines(name, before)
            self.assertTrue(texts, name)
            for t in texts:
                self.assertRegex(t[13:36], r"^[NS] \d\d\u00b0\d\d\.\d\d\d [EW]\d\d\d\u00b0\d\d\.\d\d\d$", name)
        vor = self.lines("vor", "ndb")
        gegs = [t for t in vor if t[5:13].strip() == "GEG"]
        self.assertEqual(gegs[0][39:45], "115.60")
        self.assertEqual(gegs[0][46:48], "WX")
        self.assertEqual(gegs[0][49:55], "VORTAC")
        self.assertEqual(gegs[0][56:60], "High")
        self.assertEqual(self.lines("rte", "usr"), ["No Matching Items"])

    def test_switches(self):
        self.load()
        cases = [
            (["-VU", "-r", "-c", "US"], "usr", True),
            (["-vu"], "apt", False),      # lower-case option letters are ignored
            (["-Vx"], "apt", False),
            (["-d4", "-d", "-p"], "apt", False),
            (["-VN", "-r"], "ndb", True),
        ]
        first = {"usr": "FERRY-1", "apt": "KALW", "ndb": "BVS"}
        for args, window, numbers in cases:
            with self.subTest(args=args):
                shutil.rmtree(self.shots, ignore_errors=True)
                self.assertEqual(self.kestrane(args, ["shot first", "close"]), 0, self.err_text)
                top = self.lines("first")[0]
                ident = top[5:13] if numbers else top[0:8]
                self.assertEqual(ident.strip(), first[window])
                if numbers:
                    self.assertRegex(top[:5], r"^ *[0-9a-f]+ $")


class Refusals(KestraneRun):
    def test_database_in_use(self):
        self.load()
        # A first instance that keeps the database for a while.
        self.write("hold.txt", ["wait 3000", "close"])
        env = dict(self.env, SUITE_QT_DRIVE=self.path("hold.txt"))
        first = subprocess.Popen([suite.program("kestrane"), "--headless"], cwd=self.run_dir, env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(1.0)
            self.assertEqual(self.kestrane([], ["close"]), 1)
            self.assertIn("Sorry, Database in Use", self.err_text)
        finally:
            first.wait(timeout=30)
        # A test process holding an exclusive lock on one record file.
        with open(os.path.join(self.run_dir, "db50", "ndbs.dta"), "r+b") as held:
            fcntl.fcntl(held, fcntl.F_OFD_SETLK, struct.pack("hhqqi4x", fcntl.F_WRLCK, 0, 0, 0, 0))
            self.assertEqual(self.kestrane([], ["close"]), 1)
            self.assertIn("Sorry, Database in Use", self.err_text)
        self.assertEqual(self.kestrane([], ["close"]), 0, self.err_text)

    def test_missing_db50(self):
        os.mkdir(self.path("empty"))
        self.assertEqual(self.kestrane([], ["close"], cwd=self.path("empty")), 1)
        self.assertIn('You must choose a directory named "db50"', self.err_text)
        self.assertIn("SetupDbdir failed", self.err_text)
        # A wrong folder, Retry, then a folder named db50 elsewhere.
        self.load()
        answers = [suite.answer("Select ISAM Database Directory", "Open", File_name=self.path("empty")),
                   suite.answer("You must choose", "Retry"),
                   suite.answer("Select ISAM Database Directory", "Open",
                                File_name=os.path.join(self.run_dir, "db50", "db50"))]
        code = self.kestrane(["-r"], ["shot first", "close"], answers="".join(answers), cwd=self.path("empty"))
        self.assertEqual(code, 0, self.err_text)
        self.assertEqual(self.lines("first")[0][5:13].strip(), "KALW")


class Filters(KestraneRun):
    def filtered(self, **values):
        answers = suite.answer("Filters Setup", "OK", **values)
        drive = ["key F2", "shot filtered", "close"]
        self.assertEqual(self.kestrane(["-r"], drive, answers=answers), 0, self.err_text)
        return [t[5:13].strip() for t in self.lines("filtered") if t[5:13].strip() and t != "No Matching Items"]

    def test_filters(self):
        self.load(EXTRA_BATCH)
        ks = self.filtered(Icao_Filter="ks")
        self.assertTrue(ks)
        self.assertTrue(all(i.startswith("KS") for i in ks), ks)
        self.assertEqual(ks, sorted(ks))
        canada = self.filtered(Country="CANADA-CA")
        self.assertEqual(canada, ["CYXX"])
        us = self.filtered(Country="UNITED STATES-US", Icao_Filter="C")
        self.assertEqual(us, [])
        self.assertIn("No Matching Items", self.lines("filtered"))
        seattle = self.filtered(Name_Filter="SEATTLE")
        self.assertIn("KSEA", seattle)
        self.assertIn("KBFI", seattle)
        self.assertNotIn("KAWO", seattle)
        test = self.filtered(Name_Filter="TEST")  # city or facility
        self.assertEqual(test, ["KXTS"])
        # The country filter from the command line: -c and the country's id.
        self.assertEqual(self.kestrane(["-r", "-c", "CA"], ["shot c", "close"]), 0, self.err_text)
        self.assertEqual([t[5:13].strip() for t in self.lines("c") if t[5:13].strip()], ["CYXX"])

    def test_2000_line_limit(self):
        letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
        idents = ["Q" + letters[n // 676] + letters[n // 26 % 26] + letters[n % 26] for n in range(3000)]
        batch = ["ADD|APT|%s|US|CITY%d|FIELD%d|N 47~%02d.000|W122~00.000|100|A" % (ident, n, n, n % 60)
                 for n, ident in enumerate(idents)]
        self.load(batch)
        drive = ["key End", "shot end", "close"]
        self.assertEqual(self.kestrane(["-r"], drive), 0, self.err_text)
        shot = self.shot("end")
        x, y, text = shot[-1]
        self.assertEqual(text, "       Maximum listable lines")
        # The line after line 1999 stands at the bottom of the 600-pixel window.
        self.assertEqual(y, 600 - 16)


if __name__ == "__main__":
    unittest.main()
