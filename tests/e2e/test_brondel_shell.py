"""Scenarios of the Brondel generator's shell, run headless with answer files."""
import fcntl
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from suite import TempFolderRun, answer  # noqa: E402

SETUP = "Select Required Operation"
MODES = {
    0: "Create Image File from ISAM Database",
    1: "Create ISAM Database from Image File",
    2: "Perform a Batch Update of ISAM DB",
    3: "List Selected Image File Section",
    4: "Compile SUA Text",
    5: "Compile FSS/TCC Text",
    6: "Compile APR Text",
}
HEADING = ["", " ************* Brondel 5.4.10 *************", ""]
GO_LINES = ["CLICK THE 'GO' BUTTON WHEN READY", ""]


def image_bytes(part_number="006-D0677-XX", size=512):
    """An image file whose header carries the packed part number (6 bits a character from
    the most significant bit on, then the 9 bytes reversed) at offset 33."""
    bits = "".join(format(ord(c) - 32, "06b") for c in part_number)
    packed = bytes(int(bits[i:i + 8], 2) for i in range(0, 72, 8))[::-1]
    data = bytearray(size)
    data[33:42] = packed
    return bytes(data)


def setup(mode, filename, **more):
    return answer(SETUP, "OK", Mode=MODES[mode], Filename=filename, **more)


class BrondelRun(TempFolderRun):
    prefix = "brondel-"

    def run_brondel(self, answers=None, args=()):
        switches = self.write_answers(answers) if answers is not None else []
        return self.run_headless("brondel", switches + list(args), timeout=30)

    def assertSequence(self, expected):
        """The lines appear consecutively in the listing output."""
        n = len(expected)
        for i in range(len(self.out) - n + 1):
            if self.out[i:i + n] == expected:
                return
        self.fail("lines %r not found in output %r" % (expected, self.out))


class StartUp(BrondelRun):
    def test_empty_folder_makes_db50_and_cancels_the_setup(self):
        self.assertEqual(self.run_brondel(), 0)
        self.assertTrue(os.path.isdir(self.path("db50")))
        self.assertLess(self.elapsed, 10)
        self.assertEqual(self.err, [])

    def test_existing_db50_folder_in_other_case_is_used(self):
        os.mkdir(self.path("DB50"))
        self.assertEqual(self.run_brondel(), 0)
        self.assertFalse(os.path.exists(self.path("db50")))

    def test_db50_plain_file_stops_the_program(self):
        self.write("db50", "not a folder")
        code = self.run_brondel()
        self.assertEqual(code, 1)
        self.assertEqual(self.err, ["Cannot make ISAM database folder: %s/db50" % os.path.realpath(self.dir)])
        with open(self.path("db50")) as f:
            self.assertEqual(f.read(), "not a folder")

    def test_bad_answer_file_is_a_usage_error(self):
        self.assertEqual(self.run_brondel(["set Mode = List\n"]), 2)


class Refusals(BrondelRun):
    CASES = [
        # mode, file name, message, exit status (1: an input that cannot be read)
        (0, "", "You must choose a name for the image file", 3),
        (1, "", "You must choose an image file to supply the data", 3),
        (1, "gone.img", "Cannot open gone.img", 1),
        (2, "", "You must choose a batch file to use", 3),
        (2, "gone.txt", "Cannot open gone.txt", 1),
        (3, "", "You must choose an image file to supply the data", 3),
        (3, "gone.awp", "Cannot open gone.img", 1),
        (4, "", "You must choose a text file to use", 3),
        (5, "gone.txt", "Cannot open gone.txt", 1),
        (6, "", "You must choose a text file to use", 3),
    ]

    def test_every_refusal_shows_its_text_and_the_setup_again(self):
        for mode, name, message, status in self.CASES:
            with self.subTest(mode=mode, name=name):
                code = self.run_brondel([setup(mode, name)])
                self.assertEqual(self.err, [message])
                self.assertEqual(code, status)

    def test_image_files_of_no_known_kind(self):
        self.write("zero.img", b"\0" * 512)
        self.write("odd.img", image_bytes("006-DAB12-XX"))
        code = self.run_brondel([setup(3, "zero.img")])
        self.assertEqual(self.err, ["zero.img is not an Orvanta Image file"])
        self.assertEqual(code, 3)
        code = self.run_brondel([setup(1, "odd.img"), answer("unrecognised part number", "No")])
        self.assertEqual(self.err, ["Image File has unrecognised part number '006-DAB12-XX'",
                                    " - Do you want to continue ?"])
        self.assertEqual(code, 3)

    def test_maximum_base_must_be_a_multiple_of_100(self):
        self.write("sua.txt", "x\r\n")
        code = self.run_brondel([setup(4, "sua.txt"),
                                 answer("Optional Filters", "OK", Maximum_Base="150")])
        self.assertEqual(self.err, ["Maximum Base must be a multiple of 100"])
        self.assertEqual(code, 3)

    def test_rectangle_errors(self):
        cases = [
            ({"South_West_Limit": "N510000 W0010000"}, "You must enter both corners of your rectangle"),
            ({"South_West_Limit": "N520000 W0010000", "North_East_Limit": "N520000 E0010000"},
             "The SW latitude must be South of the NW Latitude"),
            ({"South_West_Limit": "N530000 W0010000", "North_East_Limit": "N520000 E0010000"},
             "The SW latitude must be South of the NW Latitude"),
        ]
        for values, message in cases:
            with self.subTest(message=message):
                code = self.run_brondel([setup(0, "new"), answer("Optional Filters", "OK", **values)])
                self.assertEqual(self.err, [message])
                self.assertEqual(code, 3)
                self.assertFalse(os.path.exists(self.path("new.img")))


class Confirmation(BrondelRun):
    def test_create_image_appends_img_confirms_filters_and_starts_on_go(self):
        code = self.run_brondel([
            setup(0, "europe"),
            answer("Optional Filters for Image Creation", "OK",
                   South_West_Limit="N510000 W0010000", North_East_Limit="N520000 E0010000"),
            answer("Confirm Operation Details", "GO"),
            answer("is empty, do you want to continue", "Yes"),
        ])
        self.assertEqual(code, 0)
        self.assertEqual(self.err, ["Your ISAM database (on your PC) is empty, do you want to continue ?"])
        self.assertSequence(HEADING + [
            "You have chosen to create a new Binary Image File",
            "'europe.img' from the ISAM database.",
            "Using filters:  SW = N510000 W0010000, NE = N520000 E0010000, Brief APTs included",
            "The title page of the new image will read \"CUSTOMISED DB\"",
        ] + GO_LINES)
        # GO started the operation: the database was opened and the image created.
        self.assertTrue(os.path.exists(self.path("europe.img")))
        self.assertTrue(os.path.exists(self.path("db50/apts.dta")))

    def test_confirmation_lines_of_the_other_modes(self):
        self.write("in.img", image_bytes())
        self.write("batch.txt", "ADD|USR|X\r\n")
        self.write("sua.txt", "x\r\n")
        # Each case: answers, confirmation lines, and for an operation refused after GO the start
        # of its message and the exit status (a text with nothing to compile ends the SUA and
        # FSS/TCC compilers with an error).
        cases = [
            ([setup(1, "in.img")],
             ["You have chosen to create a new ISAM Database", "from the binary image file 'in.img'"],
             "Damaged image", 3),
            ([setup(2, "batch.txt", Listing="1")],
             ["You have chosen to update the ISAM Database", "from the batch update file 'batch.txt'"],
             None, 0),
            ([setup(3, "in.awp", Section="NDBs")],
             ["The 'NDBs' section of file 'in.img' will be listed"], None, 0),
            ([setup(4, "sua.txt"), answer("Optional Filters for SUA Compilation", "OK", Maximum_Base="5000",
                                          South_West_Limit="S100000 E1700000",
                                          North_East_Limit="N100000 W1700000")],
             ["You have chosen to create file \"NewSUA.dat\"",
              "Using filters:  SW = S100000 E1700000, NE = N100000 W1700000, MAXBASE = 5000",
              "from the text file 'sua.txt'"], None, 3),
            ([setup(5, "sua.txt"), answer("Optional Filters for TCC Compilation", "OK")],
             ["You have chosen to create file \"NewTcc.dat\"", "from the text file 'sua.txt'"], None, 3),
            ([setup(6, "sua.txt")],
             ["You have chosen to update the ISAM approach files", "from the text file 'sua.txt'"],
             None, 0),
        ]
        for answers, lines, message, status in cases:
            with self.subTest(lines=lines[0]):
                code = self.run_brondel(answers + [answer("Confirm Operation Details", "GO")])
                if message is None:
                    self.assertEqual(self.err, [])
                else:
                    self.assertEqual(len(self.err), 1, self.err)
                    self.assertTrue(self.err[0].startswith(message), self.err)
                self.assertSequence(HEADING + lines + GO_LINES)
                self.assertEqual(code, status)

    def test_overwrite_is_asked_and_no_keeps_the_file(self):
        self.write("old.img", "precious")
        code = self.run_brondel([setup(0, "old.img"), answer("Are you SURE", "No")])
        self.assertEqual(self.err, ["Are you SURE you want to overwrite old.img"])
        self.assertEqual(code, 3)
        with open(self.path("old.img")) as f:
            self.assertEqual(f.read(), "precious")

    def test_cancel_in_the_confirmation_starts_nothing(self):
        code = self.run_brondel([setup(0, "new.img"), answer("Optional Filters", "OK"),
                                 answer("Confirm Operation Details", "Cancel")])
        self.assertEqual(code, 3)
        self.assertFalse(os.path.exists(self.path("new.img")))


class Database(BrondelRun):
    def start_batch_update(self):
        self.write("batch.txt", "ADD|USR|X\r\n")
        return self.run_brondel([setup(2, "batch.txt"), answer("Confirm Operation Details", "GO")])

    def test_record_file_held_by_another_program(self):
        os.mkdir(self.path("db50"))
        self.write("db50/apts.dta", b"\0" * 1024)
        with open(self.path("db50/apts.dta"), "r+b") as held:
            fcntl.lockf(held, fcntl.LOCK_EX | fcntl.LOCK_NB)
            code = self.start_batch_update()
        self.assertEqual(self.err, ["Sorry, Database in Use"])
        self.assertEqual(code, 3)
        # Nothing was created in the database folder.
        self.assertEqual(os.listdir(self.path("db50")), ["apts.dta"])

    def test_wrong_version_mark(self):
        os.mkdir(self.path("db50"))
        self.write("db50/ints.dta", b"x" * 1024)
        code = self.start_batch_update()
        self.assertEqual(self.err, ["Sorry, your ISAM db version is incorrect"])
        self.assertEqual(code, 3)

    def test_usable_database_is_opened_and_stamped(self):
        self.assertEqual(self.start_batch_update(), 0)
        self.assertEqual(self.err, [])
        with open(self.path("db50/usr.dta"), "rb") as f:
            data = f.read()
        self.assertEqual(data[1020:1021], b"2")


if __name__ == "__main__":
    unittest.main()
