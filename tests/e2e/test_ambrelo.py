"""Ambrelo, the database viewer, headless on the example database: --list against the batch
lines, an empty folder, the windows driven by an answer file, and the approach-ident marks."""
import os
import re
import shutil
import unittest

from suite import EXAMPLE_BATCH, TempFolderRun, answer

TITLES = ["apts.dta", "country.dta", "freq3.dta", "ints.dta", "names.dta", "ndbs.dta", "rwy3.dta",
          "vors.dta", "usr.dta", "restr.dta", "appr.dta", "lwpt.dta", "awys.dta", "awps.dta", "rte.dta"]
LINE_HEIGHT = 16  # the view's font height, as the headless backend measures it


def stored_ident(ident):
    """An ident as the database keeps it: digits as the letters p-y."""
    return "".join(chr(ord(c) + 64) if c.isdigit() else c for c in ident)


def batch_airports():
    """(ident, latitude, longitude in minutes, height) of each ADD|APT line, in file order."""
    airports = []
    with open(EXAMPLE_BATCH, "rb") as f:
        for raw in f.read().decode("cp1252").splitlines():
            fields = raw.split("|")
            if fields[:2] != ["ADD", "APT"]:
                continue
            airports.append((fields[2], minutes(fields[6]), minutes(fields[7]), int(fields[8])))
    return airports


def minutes(text):
    """'N 47°26.940' or 'W122°18.540' as signed minutes."""
    m = re.fullmatch(r"([NSEW]) ?(\d+)°(\d+\.\d+)", text.strip())
    value = int(m.group(2)) * 60 + float(m.group(3))
    return -value if m.group(1) in "SW" else value


def blocks(lines):
    """The printed records: (title, {label: value}) for each block of a title line, its lines
    and an empty line."""
    found, i = [], 0
    while i < len(lines):
        title = lines[i]
        assert title in TITLES, (i, title)
        fields = {}
        i += 1
        while lines[i] != "":
            label, _, value = lines[i].partition(" ")
            fields[label] = value.strip()
            i += 1
        found.append((title, fields))
        i += 1
    return found


class Ambrelo(TempFolderRun):
    prefix = "ambrelo-"

    def setUp(self):
        super().setUp()
        self.write("load.ctl", ["Mode=BatchUpdate", "Filename=" + EXAMPLE_BATCH, "GO=1"])
        self.assertEqual(self.run_headless("brondel", ["-F", "load.ctl"], timeout=300), 0, self.err_text)
        self.db = self.path("db50")

    def ambrelo(self, *args, cwd=None):
        return self.run_headless("ambrelo", list(args), cwd=cwd or self.db)

    def test_list_apts_shows_every_airport_of_the_batch(self):
        self.assertEqual(self.ambrelo("--list", "apts"), 0, self.err_text)
        self.assertEqual(self.err, [])
        shown = blocks(self.out)
        airports = batch_airports()
        self.assertEqual(len(shown), len(airports))
        numbers = [int(f["asno"]) for _, f in shown]
        self.assertEqual(numbers, sorted(numbers))
        by_ident = {f["aident"]: f for _, f in shown}
        for ident, lat, lon, height in airports:
            f = by_ident[stored_ident(ident)]
            self.assertEqual(int(f["aheight"]), height, ident)
            # Minutes are cut, not rounded, from the stored angle.
            self.assertAlmostEqual(minutes(f["alat"]), lat, delta=0.006, msg=ident)
            self.assertAlmostEqual(minutes(f["along"]), lon, delta=0.006, msg=ident)
            self.assertEqual(len(f), 12)

    def test_list_all_prints_the_fifteen_files_in_order(self):
        self.assertEqual(self.ambrelo("--list", "all"), 0, self.err_text)
        shown = blocks(self.out)
        titles = [t for t, _ in shown]
        self.assertEqual(sorted(set(titles), key=TITLES.index), TITLES)
        self.assertEqual(titles, sorted(titles, key=TITLES.index), "one file after the other")
        self.assertEqual(titles.count("apts.dta"), len(batch_airports()))
        for line in self.out:
            self.assertEqual(line, line.rstrip(), "trailing blanks are cut")
        self.assertIn("°", "".join(self.out))

    def test_empty_folder_shows_minus_one_everywhere_and_starts_again(self):
        os.mkdir(self.path("empty"))
        for _ in range(2):
            self.assertEqual(self.ambrelo(cwd=self.path("empty")), 0, self.err_text)
            shown = blocks(self.out)
            self.assertEqual([t for t, _ in shown], TITLES)
            for _, fields in shown:
                self.assertEqual(next(iter(fields.values())), "-1")
        self.assertEqual(len(os.listdir(self.path("empty"))), 30)

    def test_answer_file_selects_the_height_line_and_searches(self):
        heights = [h for _, _, _, h in batch_airports()]
        found = next(i for i, h in enumerate(heights) if h >= 1000)
        after = next((i for i in range(found + 1, len(heights)) if heights[i] == 1000), len(heights) - 1)
        before = next((i for i in range(after - 1, -1, -1) if heights[i] == 1000), 0)
        switches = self.write_answers([
            "click 5 %d\n" % (7 * LINE_HEIGHT + 3),
            "command 32772\n",
            answer("Enter Required Value", "OK", Value="1000"),
            "command 32773\n",
            "command 32771\n",
        ])
        switches[1] = self.path(switches[1])
        self.assertEqual(self.ambrelo(*switches), 0, self.err_text)
        shown = blocks(self.out)
        self.assertEqual([t for t, _ in shown[:15]], TITLES, "the start-up output")
        self.assertEqual(shown[0][1]["asno"], "0")
        moves = shown[15:]
        self.assertEqual([t for t, _ in moves], ["apts.dta"] * 3)
        self.assertEqual([int(f["asno"]) for _, f in moves], [found, after, before])
        self.assertGreaterEqual(int(moves[0][1]["aheight"]), 1000)

    def test_approach_ident_marks(self):
        os.makedirs(os.path.join(self.db, "sub", "dir"))
        lines = ["   0 x SEA05", "   1 x SEA", "   2 x HQ", "   3 x NOWHERE", "   4 x ALKIXABCD", "   5   BAK01",
                 "   6 V SEA", "  7 PAE"]
        with open(os.path.join(self.db, "sub", "dir", "apidgen.txt"), "wb") as f:
            f.write("".join(l + "\r\n" for l in lines).encode())
        self.assertEqual(self.ambrelo("-Dsub\\dir\\apidgen.txt", "-Dmissing.txt"), 0, self.err_text)
        with open(os.path.join(self.db, "sub", "dir", "apiddiag.txt"), "rb") as f:
            self.assertEqual(f.read().decode().split("\r\n"),
                             ["   0 I SEA05", "   1 V SEA", "   2 N HQ", "   3   NOWHERE", "   4   ALKIXABCD",
                              "   5 I BAK01", "  7 PAE", ""])
        self.assertIn("Cannot open apidgen file", self.err_text)
        self.assertEqual(len(blocks(self.out)), 15, "the windows stay open")

    def test_command_line(self):
        self.assertEqual(self.ambrelo("-Q"), 2)
        self.assertTrue(self.err_text.startswith("ambrelo: unknown switch '-Q'"), self.err_text)
        self.assertTrue(self.err[1].startswith("usage: ambrelo"))
        self.assertEqual(self.out, [])
        self.assertEqual(self.ambrelo("--list", "runways"), 2)
        self.assertEqual(self.ambrelo("--version"), 0)
        self.assertEqual(self.out, ["Ambrelo 1.0.3"])
        shutil.copy(os.path.join(self.db, "vors.dta"), self.path("vors.dta"))
        with open(self.path("vors.dta"), "r+b") as f:
            f.seek(1020)
            f.write(b"1")
        self.assertEqual(self.ambrelo(cwd=self.dir), 1)
        self.assertIn("Sorry, Database in Use", self.err_text)


if __name__ == "__main__":
    unittest.main()
