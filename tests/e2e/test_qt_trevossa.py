"""Trevossa in its Qt window backend on Qt's offscreen platform, driven as a user would: File >
Setup at start picks the fixed-layout obstacle file, View > Filters sets Min AGL 300, File >
Save As writes the batch text. Obstacles below 300 ft AGL are left out of the file.

Skipped when trevossa was built without the Qt backend."""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from suite import SOURCE_DIR, TempFolderRun, answer  # noqa: E402

BIN = suite.program("trevossa")
DATA = os.path.join(SOURCE_DIR, "sidedata", "tests", "data")


def window_env(run):
    """The environment of a run in the offscreen windows."""
    return dict(run.env, DISPLAY=":offscreen", QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=run.dir,
                LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))


with open(BIN, "rb") as _f:
    QT_BUILT = b"libQt6Widgets" in _f.read()


@unittest.skipUnless(QT_BUILT, "trevossa was built without the Qt backend")
class QtTrevossa(TempFolderRun):
    prefix = "qttrevossa-"

    def test_setup_filters_and_save_as(self):
        shutil.copy(os.path.join(DATA, "fixed39.awp"), self.path("fixed39.awp"))
        switches = self.write_answers([
            answer("Select AWP or TAW File", "Open", File_name="fixed39.awp"),
            answer("Set Textual and AGL Filters", "OK", Min_AGL="300"),
            answer("Save As", "Save", File_name="out"),
        ])
        with open(self.path("drive.txt"), "w", encoding="utf-8") as f:
            f.write("command View/Filters...\ncommand File/Save As...\nclose\n")
        env = dict(window_env(self), SUITE_QT_DRIVE=self.path("drive.txt"))
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
        done = subprocess.run([BIN, "-S", os.path.join(DATA, "nothing.awp"), "-D", "out.txt"], cwd=self.dir,
                              env=window_env(self), capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 1)
        self.assertIn(b"trevossa: No VRPs, Obstacles, or AOPA Data in this file", done.stderr)
        self.assertFalse(os.path.exists(self.path("out.txt")))


if __name__ == "__main__":
    unittest.main()
