"""Gindral in its Qt window backend on Qt's offscreen platform: File>Open and File>Save Memory
As picked from the menus by the test driver (SUITE_QT_DRIVE), their dialogs answered by the
answer file; the listing drawn in the window is read from the shot's text positions.

Skipped when gindral was built without the Qt backend."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from suite import SOURCE_DIR, TempFolderRun, answer, program  # noqa: E402

SAMPLE = os.path.join(SOURCE_DIR, "sidedata", "flarm", "tests", "data", "data.fln")


class GindralWindow(TempFolderRun):
    prefix = "qt-gindral-"

    def test_open_and_save_through_the_menus(self):
        shots = self.path("shots")
        os.makedirs(shots)
        self.write("drive.txt", "command File/Open...\nwait 200\nshot opened\n"
                                "command File/Save Memory As...\nclose\n")
        answers = self.write_answers([
            answer("Select Data File", "Open", File_name=SAMPLE),
            answer("Save Merged Data", "Save", File_name=self.path("out"), Files_of_type="DB Text [*.txt]"),
        ])
        env = dict(self.env, DISPLAY=":offscreen", QT_QPA_PLATFORM="offscreen", SUITE_QT_SHOTS=shots,
                   SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        done = subprocess.run([program("gindral"), *answers], cwd=self.dir, env=env, capture_output=True,
                              timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        if not os.path.exists(os.path.join(shots, "opened.txt")):
            self.skipTest("gindral has no Qt backend")
        with open(os.path.join(shots, "opened.txt"), encoding="utf-8") as f:
            drawn = [line.split("\t", 1)[1] for line in f.read().splitlines() if "\t" in line]
        self.assertEqual(drawn[:4], ["This file is hex fln format", "Version 006fb0",
                                     "Totals: Read=3, Tail=1, Tail absent=2", "Reading Complete"])
        self.assertEqual(self.read("out.txt"),
                         b"000000|    D-2188 ASK-13     M\xfcller\r\n000001|   \r\n00000F|X27\r\n")


if __name__ == "__main__":
    unittest.main()
