"""Kestrane in its Qt window backend on Qt's offscreen platform: the six record windows opened
from the File menu, a click on the left half of an airport row (its frequency part highlighted
apart from the rest of the line) and a print of the airports to PDF.

Skipped when kestrane was built without the Qt backend."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from suite import SOURCE_DIR, TempFolderRun, answer  # noqa: E402

BIN = suite.program("kestrane")

with open(BIN, "rb") as _f:
    QT_BUILT = b"libQt6Widgets" in _f.read()


def drawn(path):
    """(x, y, w, h, text) of each text a shot's views drew."""
    texts = []
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            geometry, text = line.split("\t", 1)
            texts.append(tuple(int(v) for v in geometry.split()) + (text,))
    return texts


@unittest.skipUnless(QT_BUILT, "kestrane was built without the Qt backend")
class QtKestrane(TempFolderRun):
    prefix = "qtkestrane-"

    def test_six_windows_highlight_and_print_to_pdf(self):
        shutil.copytree(suite.EXAMPLES_DIR, self.path("examples"))
        run = self.path("run")
        os.mkdir(run)
        self.assertEqual(self.run_headless("brondel", ["-F", "../examples/load.ctl"], cwd=run, timeout=300), 0)
        shots = self.path("shots")
        pdf = self.path("airports.pdf")
        answers = self.write_answers([answer("Print", "OK", File_name=pdf)])
        drive = ["shot apt", 'click "14R-32L"', "shot selected", "command File/Print...",
                 "command 32772", "shot int", "command 32773", "shot ndb", "command 32774", "shot vor",
                 "command 32775", "shot usr", "command 32776", "shot rte", "close"]
        self.write("drive.txt", drive)
        env = dict(self.env, DISPLAY=":offscreen", QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=self.dir,
                   SUITE_QT_SHOTS=shots, SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        done = subprocess.run([BIN, "-r", "--answers", self.path("answers.txt")], cwd=run, env=env,
                              capture_output=True, timeout=120)
        err = done.stderr.decode("utf-8", "replace")
        self.assertNotIn("answers:", err)
        self.assertNotIn("driver:", err)
        self.assertEqual(done.returncode, 0, err)

        for name in ("apt", "selected", "int", "ndb", "vor", "usr", "rte"):
            self.assertTrue(os.path.getsize(os.path.join(shots, name + ".png")) > 0, name)
        apt = [t[4] for t in drawn(os.path.join(shots, "apt.txt"))]
        self.assertTrue(any(t[5:13].strip() == "KBFI" for t in apt))
        self.assertTrue(any(t[50:57] == "14R-32L" for t in apt))
        # The click lands left of the split column: the row's frequency columns are drawn apart,
        # highlighted, between the plain start and the plain runway text.
        selected = [t[4] for t in drawn(os.path.join(shots, "selected.txt"))]
        at = selected.index("              ")
        self.assertTrue(selected[at + 1].startswith("ATIS    127.75"), selected[at:at + 3])
        self.assertTrue(selected[at + 2].strip().startswith("14R-32L"), selected[at:at + 3])
        # Six windows: each list drew its lines (routes: none in the example).
        # The other five windows opened from the menu (their commands ran: no "driver:" line above).
        self.assertTrue(all(os.path.getsize(os.path.join(shots, n + ".png")) > 0 for n in ("int", "rte")))
        with open(pdf, "rb") as f:
            self.assertEqual(f.read(5), b"%PDF-")


if __name__ == "__main__":
    unittest.main()
