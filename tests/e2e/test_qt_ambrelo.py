"""Ambrelo in its Qt window backend under a virtual X server (Xvfb): the fifteen record windows
open tiled on the example database, each drawing its record; the Right key moves the active
airport window to the next record. The shots are kept in <build>/qt-screenshots/<test>/.

Skipped (with a note) when Xvfb is missing or ambrelo was built without the Qt backend."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from suite import EXAMPLE_BATCH, SOURCE_DIR  # noqa: E402
from test_qt_brondel import (SHOTS_ROOT, XvfbRun, dark_pixels, qt_backend_built, read_drawn_texts,  # noqa: E402
                             read_png)

BIN = suite.program("ambrelo")
NUMBER_LABELS = ["asno", "csno", "fsno", "isno", "nsno", "bsno", "rsno", "vsno", "usno", "rcsno", "psno",
                 "lsno", "wsno", "wpsno", "rtsno"]


@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
@unittest.skipUnless(qt_backend_built(BIN), "ambrelo was built without the Qt backend")
class QtAmbrelo(XvfbRun):
    prefix = "qtambrelo-"

    def test_fifteen_tiled_windows_and_the_next_record(self):
        shots = os.path.join(SHOTS_ROOT, self.id().split(".")[-1])
        shutil.rmtree(shots, ignore_errors=True)
        self.write("load.ctl", ["Mode=BatchUpdate", "Filename=" + EXAMPLE_BATCH, "GO=1"])
        self.assertEqual(self.run_headless("brondel", ["-F", "load.ctl"], timeout=300), 0, self.err_text)
        self.write("drive.txt", "wait 1000\nshot tiled\nkey Right\nwait 500\nshot next\nclose\n")
        env = dict(self.env, DISPLAY=self.x.display, XDG_RUNTIME_DIR=self.dir, SUITE_QT_SHOTS=shots,
                   SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        env.pop("QT_QPA_PLATFORM", None)
        done = subprocess.run([BIN], cwd=self.path("db50"), env=env, capture_output=True, timeout=120)
        err = done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, err)
        self.assertNotIn("driver:", err)

        drawn = read_drawn_texts(os.path.join(shots, "tiled.txt"))
        numbers = [d for d in drawn if d[4].split(" ")[0] in NUMBER_LABELS]
        self.assertEqual(sorted(d[4].split(" ")[0] for d in numbers), sorted(NUMBER_LABELS))
        # Tiled: the windows stand side by side and one above the other, none on another.
        self.assertGreater(len({d[0] for d in numbers}), 2)
        self.assertGreater(len({d[1] for d in numbers}), 2)
        self.assertEqual(len({(d[0], d[1]) for d in numbers}), 15)
        width, height, rows = read_png(os.path.join(shots, "tiled.png"))
        for x, y, w, h, text in numbers:
            self.assertGreater(dark_pixels(rows, x, y, w, h), 4, text)
        self.assertIn("asno     0", [d[4] for d in drawn])
        after = [d[4] for d in read_drawn_texts(os.path.join(shots, "next.txt"))]
        self.assertIn("asno     1", after)
        self.assertIn("vsno     0", after)


if __name__ == "__main__":
    unittest.main()
