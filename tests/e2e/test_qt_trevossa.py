"""Trevossa in its Qt window backend under a virtual X server, driven as a user would: File >
Setup at start picks the fixed-layout obstacle file, View > Filters sets Min AGL 300, File >
Save As writes the batch text. Obstacles below 300 ft AGL are left out of the file.

Skipped (with a note) when Xvfb is missing or trevossa was built without the Qt backend."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from suite import SOURCE_DIR, TempFolderRun, answer  # noqa: E402
from test_qt_brondel import XServer  # noqa: E402

BIN = suite.program("trevossa")
DATA = os.path.join(SOURCE_DIR, "sidedata", "tests", "data")


def qt_backend_built():
    try:
        with open(BIN, "rb") as f:
            return b"libQt6Widgets" in f.read()
    except OSError:
        return False


@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
@unittest.skipUnless(qt_backend_built(), "trevossa was built without the Qt backend")
class QtTrevossa(TempFolderRun):
    prefix = "qttrevossa-"

    @classmethod
    def setUpClass(cls):
        cls.x = XServer()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def test_setup_filters_and_save_as(self):
        shutil.copy(os.path.join(DATA, "fixed39.awp"), self.path("fixed39.awp"))
        switches = self.write_answers([
            answer("Select AWP or TAW File", "Open", File_name="fixed39.awp"),
            answer("Set Textual and AGL Filters", "OK", Min_AGL="300"),
            answer("Save As", "Save", File_name="out"),
        ])
        with open(self.path("drive.txt"), "w", encoding="utf-8") as f:
            f.write("command View/Filters...\ncommand File/Save As...\nclose\n")
        env = dict(self.env, DISPLAY=self.x.display, XDG_RUNTIME_DIR=self.dir,
                   SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        env.pop("QT_QPA_PLATFORM", None)
        done = subprocess.run([BIN, "-B"] + switches, cwd=self.dir, env=env, capture_output=True, timeout=120)
        err = done.stderr.decode("utf-8", "replace")
        self.assertNotIn("answers:", err)
        self.assertNotIn("driver:", err)
        self.assertEqual(done.returncode, 0, err)
        text = self.read("out.txt").decode("cp1252")
        self.assertIn("ADD|INT|1234|XW-EURO|", text)
        self.assertIn(" 1234 328 unlit {1234A}", text)
        self.assertNotIn("262 unlit", text)  # 80 m = 262 ft AGL: below 300

    def test_unattended_run_with_a_display_opens_no_window(self):
        env = dict(self.env, DISPLAY=self.x.display, XDG_RUNTIME_DIR=self.dir)
        env.pop("QT_QPA_PLATFORM", None)
        done = subprocess.run([BIN, "-S", os.path.join(DATA, "nothing.awp"), "-D", "out.txt"], cwd=self.dir,
                              env=env, capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"trevossa: No VRPs, Obstacles, or AOPA Data in this file", done.stderr)
        self.assertFalse(os.path.exists(self.path("out.txt")))


if __name__ == "__main__":
    unittest.main()
