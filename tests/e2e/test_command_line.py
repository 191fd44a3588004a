"""The generators' command lines as a script meets them: one table of cases, each run by the
three generators headless, with its exit status, what goes to standard output and standard
error, and what the run may create or change (nothing, unless the case says so)."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402

GENERATORS = {"brondel": "Brondel", "quenmar": "Quenmar", "pelmora": "Pelmora"}
USAGE = "usage: {p} [--headless] [--answers FILE] [-F FILE] "
BATCH = ["ADD|USR|WPA|N 47~00.000|W122~00.000|FIRST", "ADD|USR|WPB|N 47~01.000|W122~00.000|SECOND",
         "ADD|USR|WPC|N 47~02.000|W122~00.000|THIRD"]


def control(*sections):
    """Control-file lines of the sections (each a list of keyword lines), each closed by GO=1."""
    lines = []
    for section in sections:
        lines += list(section) + ["GO=1"]
    return lines


# name, arguments after --headless, files the folder holds first ({name: lines or bytes, or None
# for a folder}), exit status, standard output (None: empty; else texts that start lines of it,
# in order), standard error (texts that start its lines, in order, after "<program>: "; each
# line starts with the program's name), what may change in the folder (a path prefix; "":
# nothing; None: nothing, in the settings and home folders either), whether standard output is
# a terminal. To a pipe, a progress line is written once.
CASES = [
    ("unknown long switch", ["--frobnicate"], {}, 2, None,
     ["unknown switch '--frobnicate'", USAGE], None, False),
    ("unknown switch", ["-Z"], {}, 2, None, ["unknown switch '-Z'", USAGE], None, False),
    ("switch with text after it", ["-R5"], {}, 2, None, ["unknown switch '-R5'", USAGE], None, False),
    ("misspelt layer option", ["--headles"], {}, 2, None, ["unknown switch '--headles'", USAGE], None, False),
    ("layer option without its value", ["--answers"], {}, 2, None,
     ["--answers needs a file name", USAGE], None, False),
    ("switch without its value", ["-F"], {}, 2, None, ["switch '-F' needs FILE", USAGE], None, False),
    ("help", ["--help"], {}, 0,
     [USAGE, "", "Switches:", "  -F FILE", "  -S[N]", "  -E[N]", "  -T:TITLE", "  -c CC", "  -n NAME", "  -i ICAO",
      "  -d[N]", "  -x[N]", "  -r ", "  -R ", "  -P ", "  -p ", "  -a ", "  -f ", "  -NOTRAINING", "",
      "Options of every program:", "  --headless", "  --answers FILE", "  --help", "  --version"], [], None, False),
    ("version", ["-d", "--version"], {}, 0, ["{P} 5.4.10"], [], None, False),
    ("control file that cannot be opened", ["-F", "missing.ctl"], {}, 1, None,
     ["Cannot open Control File missing.ctl"], None, False),
    ("control file that is a folder", ["-F", "ctl"], {"ctl": None}, 1, None,
     ["Cannot open Control File ctl"], None, False),
    ("Create Image over a file that is no image", ["-F", "c.ctl"],
     {"db50": None, "notes.img": b"my notes\r\n",
      "c.ctl": control(["Mode=CreateImage", "Filename=notes.img"])}, 3, [],
     ["notes.img exists and is not an image of this unit family: it is not overwritten"], "", False),
    ("misspelt Filename= after an input", ["-F", "c.ctl"],
     {"in.txt": BATCH, "c.ctl": control(["Mode=BatchUpdate", "Filename=in.txt"],
                                        ["Mode=CreateImage", "Filenme=out.img"])}, 3, [],
     ["Unknown Control File Keyword Filenme=",
      "No Filename= for the image: in.txt, the input of an earlier section, is not overwritten"], "db50/", False),
    ("missing Filename= after an input", ["-F", "c.ctl"],
     {"in.txt": BATCH, "c.ctl": control(["Mode=BatchUpdate", "Filename=in.txt"], ["Mode=CreateImage"])}, 3, [],
     ["No Filename= for the image: in.txt, the input of an earlier section, is not overwritten"], "db50/", False),
    ("input that is a folder", ["-F", "c.ctl"],
     {"db50": None, "in": None, "c.ctl": control(["Mode=BatchUpdate", "Filename=in"])}, 1, [],
     ["Cannot open in"], "", False),
    ("65 sections", ["-F", "c.ctl"],
     {"c.ctl": control(*[["Mode=BatchUpdate", "Filename=in.txt"]] * 64) + [""]}, 1, None,
     ["Too many Control File Sections"], None, False),
    ("progress to a pipe: the last text once", ["-F", "c.ctl"],
     {"in.txt": BATCH, "c.ctl": control(["Mode=BatchUpdate", "Filename=in.txt"])}, 0,
     ["", "{BANNER}", "", "You have chosen to update", "from the batch update file", "", "Processing line 3", "",
      "Database Update Complete"], [], "db50/", False),
    ("progress to a terminal: rewritten in place", ["-F", "c.ctl"],
     {"in.txt": BATCH, "c.ctl": control(["Mode=BatchUpdate", "Filename=in.txt"])}, 0,
     ["", "{BANNER}", "", "You have chosen to update", "from the batch update file", "",
      "Processing line 1" + suite.REWRITE_LINE + "Processing line 2" + suite.REWRITE_LINE + "Processing line 3", "",
      "Database Update Complete"], [], "db50/", True),
]


def snapshot(top):
    """Every file and folder below top: path -> bytes (None for a folder)."""
    found = {}
    for folder, dirs, files in os.walk(top):
        for d in dirs:
            found[os.path.relpath(os.path.join(folder, d), top) + "/"] = None
        for f in files:
            path = os.path.join(folder, f)
            with open(path, "rb") as handle:
                found[os.path.relpath(path, top)] = handle.read()
    return found


class CommandLines(suite.TempFolderRun):
    prefix = "command-line-"

    def setUp(self):
        super().setUp()
        # Settings and home apart from the working folder, to see that nothing lands there either.
        self.outside = tempfile.TemporaryDirectory(prefix="command-line-home-")
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.outside.name, "config")
        self.env["HOME"] = os.path.join(self.outside.name, "home")
        os.mkdir(self.env["HOME"])

    def tearDown(self):
        self.outside.cleanup()
        super().tearDown()

    def fill(self, files):
        for name, data in files.items():
            if data is None:
                os.makedirs(self.path(name))
            else:
                self.write(name, data)

    def expect_lines(self, got, expected, what):
        """Each expected text starts a line of got, in order, every line of got accounted for
        when the expectation is a whole listing."""
        at = 0
        for text in expected:
            while at < len(got) and not got[at].startswith(text):
                at += 1
            self.assertLess(at, len(got), "%s: no line starting %r in %r" % (what, text, got))
            at += 1

    def test_every_case_with_every_generator(self):
        for case in CASES:
            name, args, files, status, out, err, may_change, terminal = case
            for prog, title in GENERATORS.items():
                with self.subTest(case=name, program=prog):
                    for entry in os.listdir(self.dir):
                        path = self.path(entry)
                        shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
                    self.fill(files)
                    before = snapshot(self.dir)
                    outside_before = snapshot(self.outside.name)
                    banner = " ************* %s 5.4.10 *************" % title
                    fmt = lambda text: text.format(p=prog, P=title, BANNER=banner)
                    code = self.run_headless(prog, args, terminal=terminal)
                    self.assertEqual(code, status, self.err_text)
                    if out is None:
                        self.assertEqual(self.out, [])
                    else:
                        got = self.stdout.decode().split("\n") if terminal else self.out
                        self.expect_lines(got, [fmt(t) for t in out], "standard output")
                    # Every message starts with the program's name; nothing else comes there.
                    err_lines = self.err_text.splitlines()
                    for line in err_lines:
                        self.assertTrue(line.startswith(prog + ": ") or line.startswith("usage: " + prog),
                                        err_lines)
                    self.assertEqual(len(err_lines), len(err), err_lines)
                    self.expect_lines(self.err, [fmt(t) for t in err], "standard error")
                    if not terminal:
                        progress = [line for line in self.out if line.startswith("Processing line")]
                        self.assertLessEqual(len(progress), 1, progress)
                    after = snapshot(self.dir)
                    changed = {p for p in set(before) | set(after) if before.get(p, 0) != after.get(p, 0)}
                    self.assertEqual({p for p in changed if not (may_change and p.startswith(may_change))}, set())
                    if may_change is None:
                        self.assertEqual(snapshot(self.outside.name), outside_before)


if __name__ == "__main__":
    unittest.main()
