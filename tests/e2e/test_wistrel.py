"""Wistrel, the serial transfer program, headless: List mode over GAR files written by
garfixtures.py (golden listings, and lines written by hand from the record layouts), the
refusals of the setup dialog's checks, the command line, and Save As as text and as bitmap
in the Qt backend under a virtual X server.  WISTREL_GOLDEN_UPDATE=1 rewrites the goldens."""
import os
import shutil
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import garfixtures as g  # noqa: E402
import suite  # noqa: E402
from suite import TempFolderRun, answer  # noqa: E402

GOLDEN = os.path.join(suite.HERE, "golden")
UPDATE_GOLDEN = os.environ.get("WISTREL_GOLDEN_UPDATE") == "1"
SETUP = "Setup Communications"
GO = "Confirm Transfer Details"
DEG = "\u00b0"


def fixtures():
    """The GAR files of the listings, by name."""
    older = [
        (g.USER_WAYPOINT, g.older_waypoint("EGLL", 51.4775, -0.461389, cls=0, text="HEATHROW", city="LONDON",
                                           altitude_m=100, country="UK", symbol=16384, display=4)),
        (g.USER_WAYPOINT, g.older_waypoint("LAM", 51.646, 0.151, cls=1, country="UK", symbol=16385, display=0)),
        (g.USER_WAYPOINT, g.older_waypoint("BIG", 51.33, 0.03, cls=2, text="BIGGIN", city="KENT", country="UK",
                                           symbol=16386, display=1)),
        (g.USER_WAYPOINT, g.older_waypoint("DET", 51.30, 0.60, cls=3, text="DETLING", city="KENT", country="UK",
                                           symbol=16387, display=5)),
        (g.USER_WAYPOINT, g.older_waypoint("HOME", -0.5, 179.9999999, cls=4, comment="MY FIELD",
                                           time=86400, symbol=18, display=0)),
        (g.USER_WAYPOINT, g.older_waypoint("SHORT", 10.0, 20.0, size=40, comment="NO CLASS BYTE")),
    ]
    newer = [
        (g.USER_WAYPOINT, g.newer_waypoint("USR1", -0.5, 2.25, 0, comment="A COMMENT", altitude_m=100.0)),
        (g.USER_WAYPOINT, g.newer_waypoint("KSEA", 47.449, -122.309, 64, 0x60, facility="SEATTLE TACOMA",
                                           city="SEATTLE", state="WA", country="US", altitude_m=132.0, symbol=16384)),
        (g.USER_WAYPOINT, g.newer_waypoint("ALKIE", 47.5, -122.4, 65, country="US", symbol=16385, display=2)),
        (g.USER_WAYPOINT, g.newer_waypoint("BF", 47.6, -122.3, 66, 0x80, facility="BOEING", city="SEATTLE",
                                           country="US", symbol=16386)),
        (g.USER_WAYPOINT, g.newer_waypoint("SEA", 47.43, -122.3, 67, facility="SEATTLE", country="US",
                                           symbol=16396)),
        (g.USER_WAYPOINT, g.newer_waypoint("RW16L", 47.46, -122.31, 68, facility="RUNWAY", country="US")),
        (g.USER_WAYPOINT, g.newer_waypoint("LOCI", 47.4, -122.2, 69, facility="LOC INT", country="US")),
        (g.USER_WAYPOINT, g.newer_waypoint("LOCN", 47.3, -122.1, 70, facility="LOC NDB", country="US")),
        (g.USER_WAYPOINT, g.newer_waypoint("ODD", 47.2, -122.0, 71, facility="ODD", country="US")),
        (g.USER_WAYPOINT, g.newer_waypoint("TIMED", 47.1, -121.9, 0, 0x80, comment="WITH TIME",
                                           time=444726309, symbol=8197, display=2)),
    ]
    proximity = [
        (g.PROXIMITY, g.older_waypoint("MAST", 50.0, -1.0, cls=4, comment="RADIO MAST", distance_m=1853.0)),
        (g.PROXIMITY, g.older_waypoint("TOWER", 50.5, -1.5, cls=4, comment="TOWER", distance_m=500.0)),
    ]
    routes = [
        (g.ROUTE_HEADER, b"\x01HOME TO LONDON\0"),
        (g.ROUTE_WAYPOINT, g.older_waypoint("HOME", 51.0, -1.0, cls=4, comment="START")),
        (g.ROUTE_LINK, b"\x00" * 4),
        (g.ROUTE_WAYPOINT, g.older_waypoint("EGLL", 51.4775, -0.461389, cls=0, text="HEATHROW",
                                            altitude_m=25, country="UK")),
        (g.ROUTE_HEADER, b"\x02"),
        (g.ROUTE_WAYPOINT, g.older_waypoint("BIG", 51.33, 0.03, cls=2, text="BIGGIN", country="UK")),
    ]
    newer_routes = [
        (g.ROUTE_HEADER, b"SOUND LOOP\0"),
        (g.ROUTE_WAYPOINT, g.newer_waypoint("KSEA", 47.449, -122.309, 64, facility="SEATTLE TACOMA", country="US")),
        (g.ROUTE_WAYPOINT, g.newer_waypoint("KPAE", 47.9, -122.28, 64, facility="PAINE", country="US")),
    ]
    older_track = [(g.TRACK_POINT, g.older_track_point(47.0 + i / 100, -122.0 - i / 100, 86400 + 60 * i, i == 0))
                   for i in range(5)]
    newer_track = ([(g.TRACK_HEADER, g.track_header("ACTIVE LOG"))] +
                   [(g.TRACK_POINT, g.newer_track_point(47.0 + i / 100, -122.0, 86400 * 5000 + i, 100.0 + i,
                                                        i == 0)) for i in range(14)] +
                   [(g.TRACK_HEADER, g.track_header("SECOND")),
                    (g.TRACK_POINT, g.newer_track_point(-33.9, 151.2, -2, g.NO_ALTITUDE))])
    almanac = [(g.ALMANAC, bytes((i * 13 + n) & 0xFF for i in range(42))) for n in range(3)]
    return {
        "older_waypoints.gar": g.gar(45, older),
        "newer_waypoints.gar": g.gar(595, newer),
        "proximity.gar": g.gar(22, proximity),
        "routes.gar": g.gar(45, routes),
        "newer_routes.gar": g.gar(402, newer_routes),
        "older_track.gar": g.gar(39, older_track),
        "newer_track.gar": g.gar(402, newer_track),
        "almanac.gar": g.gar(48, almanac),
    }


def screen_fixtures():
    """Screen dumps of each depth: (name, bits, width, height, rows)."""
    out = {}
    for bits, width in ((1, 20), (2, 10), (4, 6), (8, 5)):
        row_length = (width * bits + 7) // 8 + 1
        rows = [bytes((r * 31 + c * 7) & 0xFF for c in range(row_length)) for r in range(3)]
        out["screen%d.gar" % bits] = (g.screen_dump(402, bits, width, 3, rows), bits, width, 3)
    rows = [bytes([0x0F, 0xF0, 0x55, 0xAA]) for _ in range(2)]
    out["screen128.gar"] = (g.screen_dump(128, 1, 32, 2, rows), 1, 32, 2)
    return out


def list_answers(name):
    return [answer(SETUP, "OK", Mode="List", Filename=name), answer(GO, "GO")]


class WistrelRun(TempFolderRun):
    prefix = "wistrel-"
    output_encoding = "utf-8"

    def listing(self, name):
        """The lines that a headless List of the file writes after the transfer details."""
        code = self.run_headless("wistrel", self.write_answers(list_answers(name)))
        self.assertEqual(code, 0, self.err_text)
        marker = "CLICK THE 'GO' BUTTON WHEN READY"
        self.assertIn(marker, self.out)
        return self.out[self.out.index(marker) + 2:]


class ListMode(WistrelRun):
    def test_golden_listings_of_every_kind(self):
        files = fixtures()
        files.update({name: data for name, (data, *_rest) in screen_fixtures().items()})
        for name, data in sorted(files.items()):
            with self.subTest(file=name):
                self.write(name, data)
                lines = self.listing(name)
                golden = os.path.join(GOLDEN, "wistrel_" + name.replace(".gar", ".txt"))
                text = "".join(line + "\n" for line in lines)
                if UPDATE_GOLDEN:
                    with open(golden, "w", encoding="utf-8") as f:
                        f.write(text)
                with open(golden, encoding="utf-8") as f:
                    self.assertEqual(text, f.read())

    def test_lines_written_by_hand(self):
        files = fixtures()
        for name in ("older_waypoints.gar", "newer_waypoints.gar", "proximity.gar", "routes.gar",
                     "newer_routes.gar", "older_track.gar", "newer_track.gar"):
            self.write(name, files[name])
        lines = self.listing("older_waypoints.gar")
        self.assertEqual(lines[0], "User Waypoints Database - 6 Packets from GPS 90")
        self.assertEqual(lines[2], "Waypoint 1 (APT)")
        self.assertEqual(lines[3][:19], "EGLL    N 51" + DEG + "28.650")
        self.assertEqual(lines[3][55:], 'Icon= "Airport" (Symb & Cmnt)')
        self.assertEqual(lines[4][55:], "Height:330 ft, Country:UK")
        self.assertEqual(lines[18], "Waypoint 5 (USR)")
        self.assertEqual(lines[19][:19], "HOME    S 00" + DEG + "30.000")
        self.assertEqual(lines[20], "        W180" + DEG + " 0.000" + " " * 36 + "00:00:00 01.JAN.1990")

        lines = self.listing("newer_waypoints.gar")
        self.assertEqual(lines[0], "User Waypoints Database - 10 Packets from GPS 496")
        self.assertEqual(lines[2], "Waypoint 1 (USR)     USR1")
        self.assertEqual(lines[3][8:19], "S 00" + DEG + "30.000")
        self.assertEqual(lines[4][55:], "Height:330 ft,")
        self.assertEqual(lines[6], "Waypoint 2 (APT)     KSEA")
        self.assertEqual(lines[8][22:46], "SEATTLE (WA)".ljust(24))
        self.assertNotIn("Height:", lines[12], "the float 1.0e25 is no altitude")
        self.assertEqual(lines[12][55:], "Country:US")
        self.assertEqual([lines[2 + 4 * i].split("(")[1].split(")")[0] for i in range(9)],
                         ["USR", "APT", "INT", "NDB", "VOR", "RWY", "LocINT", "LocNDB", "unknown"])
        self.assertTrue(lines[40].endswith("07:05:09 03.FEB.2004"), lines[40])

        lines = self.listing("proximity.gar")
        self.assertEqual(lines[0], "Proximity Database - 2 Packets from GPS 95AVD")
        self.assertEqual(lines[3][55:], "1.0 nm")

        lines = self.listing("routes.gar")
        self.assertEqual(lines[0], "Routes Database - 5 Packets from GPS 90")
        self.assertEqual(lines[4], "Route Number 1 HOME TO LONDON")
        self.assertEqual(lines[6], "Waypoint 1 (USR)")
        self.assertEqual(lines[10], "Waypoint 2 (APT)")
        self.assertEqual(lines[16], "Route Number 2")
        self.assertEqual(lines[18], "Waypoint 1 (NDB)")
        self.assertEqual(self.listing("newer_routes.gar")[4], "Route: SOUND LOOP")

        lines = self.listing("older_track.gar")
        self.assertEqual(lines[1][:31], "   1:  N 47" + DEG + " 0.000  W122" + DEG + " 0.000")
        self.assertEqual(lines[1][34:], "00:00:00 01.JAN.1990  Start")
        lines = self.listing("newer_track.gar")
        self.assertEqual(lines[0], "Track Database - 17 Packets from GPS 396")
        self.assertEqual(lines[1], "   1:  ACTIVE LOG")
        self.assertEqual(lines[2][34:40], "330 ft")
        self.assertEqual(lines[16], "  16:  SECOND")
        self.assertEqual(lines[17][34:], " " * 12 + "0xfffffffe", "no altitude, a negative time in hexadecimal")

    def test_damaged_files_give_messages_only(self):
        files = fixtures()
        data = files["newer_waypoints.gar"]
        for name, damaged in (("cut.gar", data[:len(data) // 2]), ("nocount.gar", data[:6] + data[10:]),
                              ("empty.gar", b""), ("garbage.gar", bytes(range(256)) * 4)):
            with self.subTest(file=name):
                self.write(name, damaged)
                code = self.run_headless("wistrel", self.write_answers(list_answers(name)))
                self.assertEqual(code, 0, self.err_text)
                self.assertNotIn("Sanitizer", self.err_text)
        self.assertIn("Unexpected end of file", self.err_text_of("cut.gar"))

    def err_text_of(self, name):
        self.run_headless("wistrel", self.write_answers(list_answers(name)))
        return self.err_text


class SetupChecks(WistrelRun):
    def setUp(self):
        super().setUp()
        # The ports name devices that do not exist: a transfer after GO fails to open its port.
        self.write(os.path.join(".config", "Local AppWizard-Generated Applications", "Wistrel.ini"),
                   ["[Ports]"] + ["COM%d=%s" % (n, self.path("no-such-tty%d" % n)) for n in range(1, 8)])

    def image(self):
        """A header whose part number at 33 makes it an image."""
        data = bytearray(b"\xff" * 256)
        chars = "006-D0677-00"
        # Read back to front, the 9 bytes hold the characters' six-bit codes, first code first.
        bits = 0
        for i, c in enumerate(chars):
            bits |= (ord(c) - 0x20) << (72 - 6 * (i + 1))
        data[33:42] = bits.to_bytes(9, "big")[::-1]
        return bytes(data)

    def test_every_refusal_is_a_message_and_exit_3_with_no_file_touched(self):
        files = fixtures()
        self.write("user.gar", files["newer_waypoints.gar"])
        self.write("track.gar", files["newer_track.gar"])
        self.write("image.img", self.image())
        before = {n: self.read(n) for n in ("user.gar", "track.gar", "image.img")}
        cases = [
            ([], dict(Mode="Read", Database="Aviation", Filename="new.gar"),
             "Sorry, we cannot read the Aviation DB from the GPS"),
            (["-d"], dict(Mode="Read", Database="Obstacles", Filename="new.gar"),
             "Sorry, we cannot read the Obstacle DB from the GPS"),
            ([], dict(Mode="Read", Database="User", Filename=""), "You must choose a file to receive the GPS data"),
            ([], dict(Mode="Write", Database="Screen", Filename="user.gar"),
             "Sorry, we cannot send a Screen Dump to the GPS"),
            ([], dict(Mode="Write", Database="User", Filename=""), "You must choose a file to send to the GPS"),
            ([], dict(Mode="Write", Database="User", Filename="missing.gar"), "Cannot open missing.gar"),
            ([], dict(Mode="Write", Database="Aviation", Filename="user.gar"),
             "user.gar is not a recognised Image file"),
            ([], dict(Mode="Write", Database="User", Filename="track.gar"),
             "track.gar does not contain the chosen type of data"),
            ([], dict(Mode="List", Filename=""), "You must choose a file to list"),
            ([], dict(Mode="List", Filename="missing.gar"), "Cannot open missing.gar"),
            ([], dict(Mode="List", Filename="image.img"), "Please use Pelmora to list IMAGE files"),
            ([], dict(Mode="List", Filename="nodir/x.gar"),
             'Unable to select directory "%s"' % self.path("nodir")),
        ]
        for switches, values, message in cases:
            with self.subTest(message=message):
                code = self.run_headless("wistrel", switches + self.write_answers([answer(SETUP, "OK", **values)]))
                self.assertEqual(code, 3, self.err_text)
                self.assertIn(message, self.err)
                self.assertNotIn("Transfer Details", self.out_text())
                self.assertEqual(sorted(n for n in os.listdir(self.dir) if not n.startswith((".", "answers"))),
                                 ["image.img", "track.gar", "user.gar"])
                for n, data in before.items():
                    self.assertEqual(self.read(n), data)

        # Overwriting an existing file is asked; No keeps it.
        code = self.run_headless("wistrel", self.write_answers(
            [answer(SETUP, "OK", Mode="Read", Database="User", Filename="user.gar"),
             answer("Are you SURE you want to overwrite user.gar", "No")]))
        self.assertEqual(code, 3)
        self.assertEqual(self.read("user.gar"), before["user.gar"])

    def out_text(self):
        return "\n".join(self.out)

    def test_choices_that_pass_ask_for_go(self):
        self.write("user.gar", fixtures()["newer_waypoints.gar"])
        self.write("image.img", self.image())
        cases = [
            (dict(Mode="Write", Database="User", Filename="user.gar", Max_Baud="19200"),
             ["You have chosen to transfer the 'USR Waypoints' database",
              "out of the file 'user.gar', and into the GPS.", "Maximum baudrate restricted to 19200 baud"]),
            (dict(Mode="Write", Database="Aviation", Filename="image.img"),
             ["out of the file 'image.img', and into the GPS.", "Maximum baudrate restricted to 57600 baud"]),
            (dict(Mode="Read", Database="Tracks", Filename="new.gar"),
             ["You have chosen to transfer the 'Track' database", "out of the GPS, and into file 'new.gar'."]),
            (dict(Mode="Host"), ["Emulating GPS90/95XL", "In HOST mode, Wistrel waits for the GPS to request a transfer.",
                                 "H_usr.gar, H_routs.gar, H_prox.gar, H_alman.gar, H_track.gar, H_avd.img"]),
        ]
        for values, lines in cases:
            with self.subTest(values=values):
                code = self.run_headless("wistrel", self.write_answers([answer(SETUP, "OK", **values),
                                                                        answer(GO, "GO")]))
                self.assertEqual(code, 1, "the port cannot be opened: " + self.err_text)
                self.assertIn("Failed to open %s - No such file or directory" % self.path("no-such-tty1"), self.out)
                for line in lines + ["CLICK THE 'GO' BUTTON WHEN READY"]:
                    self.assertIn(line, self.out)
                self.assertFalse(os.path.exists(self.path("new.gar")), "the file is made by the transfer")
        code = self.run_headless("wistrel", ["-d3", "-d", "-496"] + self.write_answers(
            [answer(SETUP, "OK", Mode="Host", Port="Client"), answer(GO, "Cancel")]))
        self.assertEqual(code, 0, self.err_text)
        self.assertIn("Debug Level = 4", self.out)
        self.assertIn("Emulating GPS496/495", self.out)
        self.assertNotIn("answers:", self.err_text, "the debug rows Client and Obstacles are there")
        code = self.run_headless("wistrel", ["-COM7"] + self.write_answers(
            [answer(SETUP, "OK", Mode="Host", Port="COM 7"), answer(GO, "GO")]))
        self.assertEqual(code, 1, self.err_text)
        self.assertIn("Failed to open %s - No such file or directory" % self.path("no-such-tty7"), self.out)
        self.assertNotIn("answers:", self.err_text, "a fifth port row for a start port of 4 and above")
        code = self.run_headless("wistrel", self.write_answers([answer(SETUP, "OK", Mode="Host", Port="Client")]))
        self.assertIn("answers:", self.err_text, "no Client row without a debug level")


def qt_backend_built():
    try:
        with open(suite.program("wistrel"), "rb") as f:
            return b"libQt6Widgets" in f.read()
    except OSError:
        return False


@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
@unittest.skipUnless(qt_backend_built(), "wistrel was built without the Qt backend")
class SaveAs(WistrelRun):
    """File > Save As on the listing in the window backend: text with CR LF, a screen dump as
    a bitmap read back by struct and by ImageMagick."""

    @classmethod
    def setUpClass(cls):
        from test_qt_brondel import XServer
        cls.x = XServer()
        cls.addClassCleanup(cls.x.stop)

    def save(self, listed, saved):
        switches = self.write_answers(list_answers(listed) + [answer("Save As", "OK", File_name=saved)])
        with open(self.path("drive.txt"), "w", encoding="utf-8") as f:
            f.write("command 57604\nclose\n")
        env = dict(self.env, DISPLAY=self.x.display, XDG_RUNTIME_DIR=self.dir, SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(suite.SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        env.pop("QT_QPA_PLATFORM", None)
        done = subprocess.run([suite.program("wistrel")] + switches, cwd=self.dir, env=env, capture_output=True,
                              timeout=120)
        err = done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, err)
        self.assertNotIn("answers:", err)
        self.assertNotIn("driver:", err)

    def test_text_lines_end_with_cr_lf(self):
        self.write("track.gar", fixtures()["newer_track.gar"])
        self.save("track.gar", "track.txt")
        with open(os.path.join(GOLDEN, "wistrel_newer_track.txt"), encoding="utf-8") as f:
            golden = f.read().splitlines()
        self.assertEqual(self.read("track.txt"), "".join(line + "\r\n" for line in golden).encode("cp1252"))

    def test_screen_dumps_as_bitmaps(self):
        for name, (data, bits, width, height) in sorted(screen_fixtures().items()):
            with self.subTest(file=name):
                self.write(name, data)
                bmp = name.replace(".gar", ".bmp")
                self.save(name, bmp)
                b = self.read(bmp)
                self.assertEqual(b[:2], b"BM")
                size, _, offset, header, w, h, planes, count = struct.unpack_from("<IIIIiiHH", b, 2)
                self.assertEqual((size, w, h, planes), (len(b), width, height, 1))
                want = {1: 1, 2: 4}.get(bits, bits)
                self.assertEqual(count, want)
                self.assertEqual(offset, 54 + 4 * (1 << want))
                row = ((width * want + 31) // 32) * 4
                self.assertEqual((len(b) - offset) % height, 0)
                self.assertGreaterEqual((len(b) - offset) // height, row)
                self.assertEqual(((len(b) - offset) // height) % 4, 0, "rows padded to 4 bytes")
                if shutil.which("identify"):
                    out = subprocess.run(["identify", "-format", "%w %h %z", self.path(bmp)],
                                         capture_output=True, text=True, timeout=60)
                    self.assertEqual(out.returncode, 0, out.stderr)
                    self.assertEqual(out.stdout.split()[:2], [str(width), str(height)])


class CommandLine(WistrelRun):
    def test_switches(self):
        self.assertEqual(self.run_headless("wistrel", ["-Q"]), 2)
        self.assertTrue(self.err_text.startswith("wistrel: unknown switch '-Q'"), self.err_text)
        self.assertTrue(self.err[1].startswith("usage: wistrel"))
        self.assertEqual(self.run_headless("wistrel", ["--help"]), 0)
        self.assertTrue(self.out[0].startswith("usage: wistrel"))
        self.assertEqual(self.run_headless("wistrel", ["--version"]), 0)
        self.assertTrue(self.out[0].startswith("wistrel "))
        self.assertEqual(os.listdir(self.dir), [])


if __name__ == "__main__":
    unittest.main()
