"""Norvesk with a unit reached as a drive, headless: a folder (or, as root, a small tmpfs)
stands in for the unit's drive.  Database updates with their backups, card making, TAW regions,
a full drive, and the GPX exchange checked with gpsbabel and xmllint.  Fixtures are written
here from the file layouts."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from suite import TempFolderRun, program  # noqa: E402
from test_celvane import GO as CELVANE_GO, MODELS, SETUP as CELVANE_SETUP, image, setup  # noqa: E402
from test_norvesk import container  # noqa: E402

SOURCE = os.environ.get("SUITE_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
SCHEMA = os.path.join(SOURCE, "..", "shared", "data", "gpx-schema", "gpx-with-extensions.xsd")
SETUP = "match Setup Transfer\nset Mode = %s\nset Database = %s\nset Filename = %s\nset Drive = %s\npress OK\n"
GO = "match Confirm Transfer Details\npress GO\n"


class DriveRun(TempFolderRun):
    prefix = "e2e-norvesk-drive-"

    def setUp(self):
        super().setUp()
        self.write(".config/Norvesk/norvesk.ini", "PostTransferDelay=0\n")

    def unit(self, name="unit"):
        """A unit's drive: its "Garmin" and ".System/AVTN" folders."""
        os.makedirs(self.path(name, "Garmin"), exist_ok=True)
        os.makedirs(self.path(name, ".System", "AVTN"), exist_ok=True)
        return self.path(name)

    def norvesk(self, mode, database, filename, drive, *args, go=True, preexec=None, search=False):
        setup = SETUP % (mode, database, filename, drive)
        if search:
            # "Aera Drive" first; the dialog stays open for the next answer.
            setup = setup.replace("press OK", "press Aera Drive") + "match Setup Transfer\npress OK\n"
        extra = self.write_answers([setup] + ([GO] if go else []))
        done = subprocess.run([program("norvesk"), "--headless", "--usb-emulator=745", *extra, *args], cwd=self.dir,
                              env=self.env, capture_output=True, timeout=120, preexec_fn=preexec)
        self.out = done.stdout.decode("utf-8").splitlines()
        self.err = [line.split(": ", 1)[-1] for line in done.stderr.decode("utf-8").splitlines()]
        return done.returncode

    def files(self, top):
        found = []
        for folder, _, names in os.walk(self.path(top)):
            found += [os.path.relpath(os.path.join(folder, n), self.path(top)) for n in names]
        return sorted(found)


class Updates(DriveRun):
    def test_an_image_replaces_the_units_file_after_backing_it_up(self):
        unit = self.unit()
        self.write("unit/.System/AVTN/avtn_db.bin", b"old database")
        os.makedirs(self.path("in", "Aerabackup_1"))
        os.makedirs(self.path("in", "Aerabackup_2"))
        data = image(974, 10000)
        # The input bears the name of the unit's file.
        self.write("in/avtn_db.bin", data)
        self.assertEqual(self.norvesk("Write", "Aviation", "in/avtn_db.bin", unit), 0, self.out + self.err)
        self.assertEqual(self.read("unit/.System/AVTN/avtn_db.bin"), data)
        self.assertEqual(self.read("in/Aerabackup_3/avtn_db.bin"), b"old database")
        self.assertEqual(self.read("in/avtn_db.bin"), data)
        self.assertEqual(sorted(os.listdir(self.path("in"))), ["Aerabackup_1", "Aerabackup_2", "Aerabackup_3",
                                                               "avtn_db.bin"])
        self.assertEqual(self.files("unit"), [".System/AVTN/avtn_db.bin"])
        # 10,000 bytes in three turns of 4096, 4096 and 1808: the kilobytes end at 9.
        self.assertEqual(self.out[-6:], ["Connecting to GPS", "Backing up existing GPS files  0",
                                         "Creating update files", "Copying files to GPS  9", "Update Complete", ""])

    def test_a_unit_without_the_folder_takes_the_file_in_its_root_and_a_read_only_file_is_replaced(self):
        os.makedirs(self.path("bare", "Garmin"))
        data = image(974, 5000)
        self.write("data.img", data)
        self.assertEqual(self.norvesk("Write", "Aviation", "data.img", self.path("bare")), 0, self.out + self.err)
        self.assertEqual(self.read("bare/avtn_db.bin"), data)
        self.assertFalse(os.path.exists(self.path("Aerabackup_1", "avtn_db.bin")))  # nothing was there before
        self.assertTrue(os.path.isdir(self.path("Aerabackup_1")))
        os.chmod(self.path("bare/avtn_db.bin"), 0o444)
        newer = image(974, 7000)
        self.write("data.img", newer)
        self.assertEqual(self.norvesk("Write", "Aviation", "data.img", self.path("bare")), 0, self.out + self.err)
        self.assertEqual(self.read("bare/avtn_db.bin"), newer)
        self.assertEqual(self.read("Aerabackup_2/avtn_db.bin"), data)
        self.assertTrue(os.stat(self.path("bare/avtn_db.bin")).st_mode & 0o200)

    def test_a_letter_names_the_drive_through_the_settings_and_program_mode_makes_a_card(self):
        self.write(".config/Local AppWizard-Generated Applications/Norvesk.ini", "[Drives]\nE=%s\n" % self.path("card"))
        os.makedirs(self.path("card"))
        data = image(974, 3000)
        self.write("data.img", data)
        self.assertEqual(self.norvesk("Write", "Aviation", "data.img", "e", "-SDAVDB"), 0, self.out + self.err)
        self.assertEqual(self.files("card"), ["ldr_sys/avtn_db.bin"])
        self.assertEqual(self.read("card/ldr_sys/avtn_db.bin"), data)
        self.assertIn("Making G1000 avdb card", self.out)
        self.assertIn("Copying files to SD Card  2", self.out)
        self.assertNotIn("Backing up existing GPS files", "\n".join(self.out))
        self.assertEqual(sorted(os.listdir(self.dir)), [".config", "answers.txt", "card", "data.img"])

    def test_a_taw_region_goes_to_its_file(self):
        unit = self.unit()
        terrain = bytes(range(256)) * 40
        self.write("obst.taw", container(b"pWa.d", 745, [(0, b"AVIATION"), (39, terrain), (12, b"LOADER")]))
        # No unit's drive is mounted here: "Aera Drive" leaves the field as typed.
        self.assertEqual(self.norvesk("Write", "TAWs or VRPs", "obst.taw", unit, search=True), 0, self.out + self.err)
        self.assertEqual(self.read("unit/terrain.odb"), terrain)
        self.assertIn("You have chosen to transfer the 'Obstacles' database", self.out)

    def test_refusals_and_aborts(self):
        unit = self.unit()
        self.write("data.img", image(974, 3000))
        self.write("vrp.taw", container(b"pWa.d", 745, [(79, b"VRP")]))
        for n in range(1, 20):
            os.makedirs(self.path("full", "Aerabackup_%d" % n))
        self.write("full/data.img", image(974, 3000))
        cases = [
            ("Write", "TAWs or VRPs", "vrp.taw", unit, 3, "Sorry, we cannot send this data to the Aera"),
            ("Read", "Aviation", "x.img", unit, 3, "Sorry, we can only read USR waypoints, Routes, and Tracks from an Aera"),
            ("Write", "Aviation", "data.img", "Q", 3, 'Unable to select Aera directory "Q:" - Operation Aborted'),
            ("Write", "Aviation", "data.img", self.path("none"), 3,
             'Unable to select Aera directory "%s" - Operation Aborted' % self.path("none")),
            ("Write", "Aviation", "full/data.img", unit, 3,
             'Unable to create directory "full/Aerabackup_19" - Operation Aborted'),
        ]
        for mode, database, filename, drive, code, message in cases:
            with self.subTest(message=message):
                self.assertEqual(self.norvesk(mode, database, filename, drive), code, self.out + self.err)
                self.assertIn(message, self.out + self.err)
                self.assertEqual(self.files("unit"), [])

    def test_a_full_drive_ends_with_the_write_failure_and_keeps_the_old_file(self):
        unit = self.unit()
        self.write("unit/.System/AVTN/avtn_db.bin", b"old")
        self.write("data.img", image(974, 600000))

        def small_files():
            import resource
            import signal
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (400000, 400000))

        # The new file is made whole beside the input first: that write fails.
        code = self.norvesk("Write", "Aviation", "data.img", unit, preexec=small_files)
        self.assertEqual(code, 1, self.out + self.err)
        self.assertEqual(self.out[-2:], ["Write failed - Operation Aborted", ""])
        self.assertEqual(self.read("unit/.System/AVTN/avtn_db.bin"), b"old")
        self.assertEqual(self.files("unit"), [".System/AVTN/avtn_db.bin"])
        self.assertEqual(sorted(os.listdir(self.dir)), [".config", "Aerabackup_1", "answers.txt", "data.img", "unit"])


@unittest.skipUnless(shutil.which("gpsbabel") and shutil.which("xmllint"), "gpsbabel and xmllint are needed")
class Gpx(DriveRun):
    def setUp(self):
        super().setUp()
        self.unit()
        os.makedirs(self.path("unit", "GPX"))
        self.write("pts.csv", "Name,Latitude,Longitude,Description\nWP1,47.5,-122.3,first\nWP2,47.6,-122.1,second\n"
                              "WP3,46.25,-121.75,third\n")
        # Waypoints and a route through them, as the unit would have them.
        subprocess.run(["gpsbabel", "-i", "unicsv", "-f", "pts.csv", "-x", "transform,rte=wpt", "-o", "gpx,gpxver=1.1",
                        "-F", "unit/GPX/Current.gpx"], cwd=self.dir, check=True, capture_output=True)

    def babel(self, kind, name):
        """The points gpsbabel reads out of a GPX file, as unicsv lines."""
        done = subprocess.run(["gpsbabel", kind, "-i", "gpx", "-f", name, "-o", "unicsv", "-F", "-"], cwd=self.dir,
                              check=True, capture_output=True)
        return done.stdout.decode().splitlines()

    def test_read_gives_the_chosen_elements_in_a_valid_file(self):
        for database, kind, elements in [("User", "-w", ["<wpt"]), ("Routes", "-r", ["<rte>"])]:
            with self.subTest(database=database):
                self.assertEqual(self.norvesk("Read", database, "got.gpx", self.path("unit")), 0, self.out + self.err)
                self.assertEqual(self.out[-1], "Operation Complete")
                check = subprocess.run(["xmllint", "--noout", "--schema", SCHEMA, "got.gpx"], cwd=self.dir,
                                       capture_output=True)
                self.assertEqual(check.returncode, 0, check.stderr)
                text = self.read("got.gpx").decode()
                self.assertEqual([e for e in ("<wpt", "<rte>") if e in text], elements)
                self.assertEqual(self.babel(kind, "got.gpx"), self.babel(kind, "unit/GPX/Current.gpx"))
                self.assertTrue(text.endswith("</gpx>"))
                os.remove(self.path("got.gpx"))

    def test_write_leaves_temporaries_beside_current_and_drops_older_ones(self):
        gpx = self.read("unit/GPX/Current.gpx")
        self.write("mine.gpx", gpx)
        for expected in (["Current.gpx", "Temp.gpx"], ["Current.gpx", "Temp.gpx", "Temp1.gpx"]):
            self.assertEqual(self.norvesk("Write", "User", "mine.gpx", self.path("unit")), 0, self.out + self.err)
            self.assertEqual(sorted(os.listdir(self.path("unit", "GPX"))), expected)
        self.assertEqual(self.read("unit/GPX/Temp1.gpx"), gpx)
        # The unit wrote Current.gpx after taking both in: they go, and Temp.gpx comes again.
        later = os.stat(self.path("unit/GPX/Temp1.gpx")).st_mtime + 10
        os.utime(self.path("unit/GPX/Current.gpx"), (later, later))
        self.assertEqual(self.norvesk("Write", "Routes", "mine.gpx", self.path("unit")), 0, self.out + self.err)
        self.assertEqual(sorted(os.listdir(self.path("unit", "GPX"))), ["Current.gpx", "Temp.gpx"])

    def test_failures_end_with_errors_ocurred(self):
        self.write("points.gpx", self.read("unit/GPX/Current.gpx").replace(b"</rte>", b""))
        self.write("plain.gpx", "<gpx></gpx>")
        os.makedirs(self.path("empty", "GPX"))
        current = os.path.join(self.path("empty"), "GPX", "Current.gpx")
        cases = [
            ("Read", "User", "got.gpx", self.path("empty"), "Unable to Open '%s' for reading" % current),
            ("Write", "User", "points.gpx", self.path("empty"), "Unable to Open '%s' for reading" % current),
            ("Read", "Tracks", "got.gpx", "Q", "Unable to Open 'Q:/GPX/Current.gpx' for reading"),
            ("Write", "Routes", "points.gpx", self.path("unit"), "File does not contain Routes"),
            ("Write", "User", "plain.gpx", self.path("unit"), "File does not contain USR Waypoints"),
        ]
        for mode, database, filename, drive, message in cases:
            with self.subTest(message=message):
                self.assertEqual(self.norvesk(mode, database, filename, drive), 1, self.out + self.err)
                self.assertEqual(self.out[-2:], [message, "Errors ocurred"])
                self.assertFalse(os.path.exists(self.path("got.gpx")))
        self.assertEqual(sorted(os.listdir(self.path("unit", "GPX"))), ["Current.gpx"])
        # A Current.gpx without its metadata, or with an element left open.
        for text, message in [(b"<gpx><wpt lat=\"1\"></wpt></gpx>", 'Unable to find "</metadata>" tag'),
                              (b"<gpx><metadata></metadata><wpt lat=\"1\"></gpx>", "End tag </wpt> absent")]:
            self.write("unit/GPX/Current.gpx", text)
            self.assertEqual(self.norvesk("Read", "User", "got.gpx", self.path("unit")), 1, self.out + self.err)
            self.assertEqual(self.out[-2:], [message, "Errors ocurred"])
            self.assertFalse(os.path.exists(self.path("got.gpx")))


class TmpfsDrive(DriveRun):
    """As root: a 1 MiB tmpfs is the unit's drive, or Celvane's card."""

    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest("mounting needs root")
        os.makedirs(self.path("mnt"))
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", self.path("mnt")],
                          capture_output=True).returncode != 0:
            self.skipTest("tmpfs cannot be mounted here")
        self.mounted = True

    def tearDown(self):
        if getattr(self, "mounted", False):
            subprocess.run(["umount", self.path("mnt")], capture_output=True)
        super().tearDown()

    def test_a_full_tmpfs_ends_with_the_write_failure(self):
        os.makedirs(self.path("mnt", "Garmin"))
        os.makedirs(self.path("mnt", ".System", "AVTN"))
        self.write("mnt/.System/AVTN/avtn_db.bin", b"old")
        self.write("data.img", image(974, 2 * 1024 * 1024))
        self.assertEqual(self.norvesk("Write", "Aviation", "data.img", self.path("mnt")), 1, self.out + self.err)
        self.assertEqual(self.out[-2:], ["Write failed - Operation Aborted", ""])
        self.assertEqual(self.read("mnt/.System/AVTN/avtn_db.bin"), b"old")
        self.assertEqual(self.files("mnt"), [".System/AVTN/avtn_db.bin"])

    def test_a_full_tmpfs_card_ends_celvanes_copy_with_the_write_failure(self):
        self.write("data.img", image(974, 2 * 1024 * 1024))
        answers = self.write_answers(["command %d\n" % MODELS["696"], CELVANE_SETUP, setup(self.path("mnt"), "data.img"),
                                      CELVANE_GO])
        done = subprocess.run([program("celvane"), "--headless", *answers], cwd=self.dir, env=self.env,
                              capture_output=True, timeout=120)
        out = done.stdout.decode("utf-8").splitlines()
        self.assertEqual(done.returncode, 1, out)
        self.assertEqual(out[-2:], ["Write failed (err=28) - operation aborted", ""])
        self.assertNotIn("Operation Complete", out)
        self.assertEqual(self.files("mnt"), [])


if __name__ == "__main__":
    unittest.main()
