"""Unattended runs of brondel from control files: sections, GO states, comments, the -S and
-E switches, and the end of the run."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402

HEADING = " ************* Brondel 5.4.10 *************"
COMPLETED = ["", suite.COMPLETED, ""]


class ControlFile(suite.TempFolderRun):
    prefix = "control-"

    def setUp(self):
        super().setUp()
        os.mkdir(self.path("data"))
        for name in ("a.txt", "b.txt", "data/c.txt"):
            ident = os.path.basename(name)[0].upper()
            self.write(name, ["ADD|USR|WP%s|N 47~00.000|W122~00.000|FROM %s" % (ident, name.upper())])

    def brondel(self, *args):
        code = self.run_headless("brondel", args)
        return code, self.out, self.err_text

    def run_file(self, lines, *before, after=()):
        self.write("c.ctl", lines)
        return self.brondel(*before, "-F", "c.ctl", *after)

    @staticmethod
    def updated(out):
        """The batch files the run applied, in order."""
        return [l.split("'")[1] for l in out if l.startswith("from the batch update file '")]

    def test_sections_run_in_turn_and_the_run_completes(self):
        code, out, err = self.run_file([
            "// two batch updates",
            "Message=First of two",
            "Mode=BatchUpdate",
            "Filename=a.txt",
            "Listing=1",
            "GO=1",
            "Filename=b.txt",
            "GO=1",
            "Filename=data/c.txt",
            "Mode=List",
        ])
        self.assertEqual(code, 0, err)
        self.assertEqual(err, "")
        # The message stands between empty lines before the section's confirmation.
        at = out.index("First of two")
        self.assertEqual(out[at - 1:at + 4], ["", "First of two", "", "", HEADING])
        self.assertEqual(out.count("First of two"), 1)
        # The section without GO= does not run.
        self.assertEqual(self.updated(out), ["a.txt", "b.txt"])
        # The listing flag is not carried into the second section.
        self.assertIn("    (DONE) ADD|USR|WPA|N 47~00.000|W122~00.000|FROM A.TXT", out)
        self.assertIn("Processing line 1", out)
        self.assertEqual(out[-3:], COMPLETED)

    def test_save_as_is_not_carried_into_the_next_section(self):
        code, out, err = self.run_file(["Mode=BatchUpdate", "Filename=a.txt", "SaveAs=a.lst", "GO=1",
                                        "Filename=b.txt", "GO=1"])
        self.assertEqual(code, 0, err)
        self.assertEqual(self.updated(out), ["a.txt", "b.txt"])
        # Only the first section saves its listing.
        saves = [l for l in out if l.startswith("Saved As")]
        self.assertEqual(len(saves), 1, saves)
        self.assertTrue(saves[0].endswith('a.lst"'), saves)
        self.assertTrue(os.path.exists(self.path("a.lst")))
        self.assertEqual(out[-3:], COMPLETED)

    def test_a_mode_in_other_letter_case_is_refused(self):
        code, out, err = self.run_file(["Mode=batchupdate", "Filename=a.txt", "GO=1"])
        self.assertIn("Unknown Control File Mode=batchupdate", err)
        # The section kept its mode, List, which refuses a text file: the run ends there.
        self.assertEqual(self.updated(out), [])
        self.assertEqual(code, 3)
        self.assertNotIn(COMPLETED[1], out)

    def test_first_and_last_line_switches_before_the_file(self):
        lines = ["Line=1", "Mode=BatchUpdate", "Filename=a.txt", "GO=1",
                 "Line=5", "Mode=BatchUpdate", "Filename=b.txt", "GO=1",
                 "Line=9", "Mode=BatchUpdate", "Filename=data/c.txt", "GO=1"]
        # Reading starts after the first Line= numbered 5 or more.
        self.assertEqual(self.updated(self.run_file(lines, "-S5")[1]), ["b.txt", "data/c.txt"])
        self.assertEqual(self.updated(self.run_file(lines, "-S6")[1]), ["data/c.txt"])
        # And stops at the first numbered 9 or more.
        self.assertEqual(self.updated(self.run_file(lines, "-S", "2", "-E9")[1]), ["b.txt"])
        # After -F they come too late: the whole file runs.
        self.assertEqual(self.updated(self.run_file(lines, after=("-S5", "-E5"))[1]), ["a.txt", "b.txt", "data/c.txt"])

    def test_only_the_lines_first_slash_starts_a_comment(self):
        code, out, err = self.run_file(["Mode=BatchUpdate", "Filename=b.txt // the second file", "GO=1"])
        self.assertEqual((code, self.updated(out)), (0, ["b.txt"]), err)
        # A path's slash comes first: the "//" after it is part of the name.
        code, out, err = self.run_file(["Mode=BatchUpdate", "Filename=data/c.txt // the third file", "GO=1"])
        self.assertIn("Cannot open data/c.txt // the third file", err)
        self.assertEqual(code, 1)

    def test_keywords_and_files_that_are_wrong(self):
        code, out, err = self.run_file(["Colour=red", "Section=Airports", "Mode=BatchUpdate", "Filename=a.txt",
                                        "GO=1"])
        self.assertEqual(code, 0)
        self.assertIn("Unknown Control File Keyword Colour=", err)
        self.assertIn("Unknown Control File Section=Airports", err)
        code, out, err = self.brondel("-F", "missing.ctl")
        self.assertIn("Cannot open Control File missing.ctl", err)
        self.assertEqual(code, 1)
        sections = []
        for i in range(65):
            sections += ["Mode=BatchUpdate", "Filename=a.txt", "GO=1"]
        code, out, err = self.run_file(sections)
        self.assertIn("Too many Control File Sections", err)
        self.assertEqual(code, 1)
        self.assertEqual(self.updated(out), [])


if __name__ == "__main__":
    unittest.main()
