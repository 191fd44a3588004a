"""Celvane, the SD-card program, headless: File > Setup Comms and the Model menu as commands,
the dialogs answered; a folder stands in for the card.  Images and containers are written
here from their layouts."""
import os
import resource
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from suite import TempFolderRun, program  # noqa: E402
from test_norvesk import container, part_number  # noqa: E402

SETUP = "command 32771\n"
MODELS = {"696": 32782, "G1000": 32778, "G500/600": 32779, "GTN650": 32780, "G3X": 32781, "G3XT": 32783}
GO = "match Confirm Transfer Details\npress GO\n"


def image(number, size):
    """An image of `size` bytes with its part number at 150."""
    data = bytearray((k * 13 + k // 256) & 0xFF for k in range(size))
    data[150:159] = part_number(number)
    return bytes(data)


def setup(drive, filename):
    return "match Setup Transfer\nset Drive = %s\nset Filename = %s\npress OK\n" % (drive, filename)


class CelvaneRun(TempFolderRun):
    prefix = "e2e-celvane-"

    def setUp(self):
        super().setUp()
        os.makedirs(self.path("card"))

    def celvane(self, steps, *args, limit=None):
        extra = self.write_answers(steps)
        if limit is None:
            return self.run_headless("celvane", [*extra, *args], timeout=60)

        def small_files():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        done = subprocess.run([program("celvane"), "--headless", *extra, *args], cwd=self.dir, env=self.env,
                              capture_output=True, timeout=60, preexec_fn=small_files)
        self.out = done.stdout.decode("utf-8").splitlines()
        self.err = [line.split(": ", 1)[-1] for line in done.stderr.decode("utf-8").splitlines()]
        return done.returncode

    def copy(self, model, filename, drive=None):
        return self.celvane(["command %d\n" % MODELS[model], SETUP, setup(drive or self.path("card"), filename), GO])

    def card_files(self):
        found = []
        for top, _, files in os.walk(self.path("card")):
            found += [os.path.relpath(os.path.join(top, f), self.path("card")) for f in files]
        return sorted(found)


class Copies(CelvaneRun):
    def test_images_go_under_the_card_table_name_of_their_family(self):
        for model, number, name in [("696", 974, "ldr_sys/avtn_db.bin"), ("G3XT", 974, "ldr_sys/avtn_db.bin"),
                                    ("G1000", 5307, "ldr_sys/nav_db2.bin"), ("GTN650", 2049, "ldr_sys/avtn_db.bin")]:
            with self.subTest(model=model, number=number):
                data = image(number, 300000)
                self.write("data.img", data)
                self.assertEqual(self.copy(model, "data.img"), 0, self.out + self.err)
                self.assertEqual(self.card_files(), [name])
                with open(self.path("card", name), "rb") as f:
                    self.assertEqual(f.read(), data)
                # Three chunks of 128 KB: the progress line ends at 292KB.
                region = "Navdata db2" if number == 5307 else "Navdata"
                self.assertEqual(self.out[-4:], ["Copying %s to card  292KB" % region, "Finalising transfer",
                                                 "Operation Complete", ""])
                os.remove(self.path("card", name))
                os.rmdir(self.path("card", "ldr_sys"))

    def test_a_container_gives_its_usable_regions_in_their_folders(self):
        terrain, charts = bytes(range(200)) * 3, b"\x5a\x00" * 70000
        data = container(b"pWa.d", 191, [(0, b"AVIATION"), (39, terrain), (57, charts)])
        self.write("regions.taw", data)
        self.assertEqual(self.copy("G1000", "regions.taw"), 0, self.out + self.err)
        self.assertEqual(self.card_files(), [".System/AVTN/FliteCharts/fc_tpc.dat", "terrain.odb"])
        with open(self.path("card", "terrain.odb"), "rb") as f:
            self.assertEqual(f.read(), terrain)
        with open(self.path("card", ".System/AVTN/FliteCharts/fc_tpc.dat"), "rb") as f:
            self.assertEqual(f.read(), charts)
        self.assertIn("Target model = G1000, Data for model = G1000", self.out)
        self.assertIn("Copying Obstacles to card  0KB", self.out)
        self.assertIn("Copying Aera FCharts.d to card  136KB", self.out)

    def test_a_letter_names_the_card_through_the_settings_and_a_read_only_file_is_replaced(self):
        self.write(".config/Local AppWizard-Generated Applications/Celvane.ini", "[Drives]\nE=%s\n" % self.path("card"))
        self.write("card/ldr_sys/avtn_db.bin", b"old")
        os.chmod(self.path("card/ldr_sys/avtn_db.bin"), 0o444)
        data = image(170, 5000)
        self.write("data.img", data)
        self.assertEqual(self.copy("G1000", "data.img", drive="e"), 0, self.out + self.err)
        self.assertIn("The following data will be copied to the SD Card (E:)", self.out)
        with open(self.path("card/ldr_sys/avtn_db.bin"), "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertEqual(os.stat(self.path("card/ldr_sys/avtn_db.bin")).st_mode & 0o777, 0o444)

    def test_a_full_card_ends_with_the_write_failure(self):
        self.write("data.img", image(974, 600000))
        steps = ["command %d\n" % MODELS["696"], SETUP, setup(self.path("card"), "data.img"), GO]
        code = self.celvane(steps, limit=400000)
        self.assertEqual(code, 1, self.out + self.err)
        self.assertEqual(self.out[-2:], ["Write failed (err=27) - operation aborted", ""])
        self.assertNotIn("Operation Complete", self.out)
        self.assertEqual(self.card_files(), [])


class Refusals(CelvaneRun):
    def test_refusals_return_to_the_dialog_and_copy_nothing(self):
        self.write("data.img", image(974, 1000))
        self.write("g1000.img", image(5307, 1000))
        self.write("navdata.taw", container(b"pWa.d", 191, [(0, b"A" * 10), (1, b"B" * 10), (50, b"C" * 10)]))
        os.makedirs(self.path("used", "GARMIN"))
        os.makedirs(self.path("used2", ".system"))
        cases = [
            ("696", "", "data.img", "You must specify the SD Card drive letter"),
            ("696", "C", "data.img", "SD Card not recognised"),
            ("696", "c", "data.img", "SD Card not recognised"),
            ("696", "/", "data.img", "SD Card not recognised"),
            ("696", self.path("none"), "data.img", "SD Card not recognised"),
            ("696", self.path("used"), "data.img", "This drive has a .System folder"),
            ("696", self.path("used2"), "data.img", "This drive has a .System folder"),
            ("G1000", self.path("card"), "data.img", "This file does not contain usable data"),
            ("696", self.path("card"), "g1000.img", "This file does not contain usable data"),
            ("G1000", self.path("card"), "navdata.taw", "This file does not contain usable data"),
            ("696", self.path("card"), "", "You must choose a database file"),
            ("696", self.path("card"), "missing.img", "Cannot open missing.img"),
        ]
        for model, drive, filename, message in cases:
            with self.subTest(drive=drive, filename=filename):
                # The refusal shows the dialog again; with no answer left it is cancelled.
                code = self.celvane(["command %d\n" % MODELS[model], SETUP, setup(drive, filename)])
                self.assertEqual(code, 3)
                self.assertEqual(self.err, [message])
                self.assertEqual(self.card_files(), [])
                self.assertEqual(os.listdir(self.path("used")), ["GARMIN"])

    def test_cancel_at_go_copies_nothing(self):
        self.write("data.img", image(974, 1000))
        steps = [SETUP, setup(self.path("card"), "data.img"), "match Confirm Transfer Details\npress Cancel\n"]
        self.assertEqual(self.celvane(steps), 3)
        self.assertIn("CLICK THE 'GO' BUTTON WHEN READY", self.out)
        self.assertEqual(self.card_files(), [])

    def test_unknown_switch_is_refused(self):
        self.assertEqual(self.celvane([], "-x"), 2)
        self.assertIn("unknown switch '-x'", self.err_text)


if __name__ == "__main__":
    unittest.main()
