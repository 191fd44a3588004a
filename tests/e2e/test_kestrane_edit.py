"""Kestrane's edits carried to another database through its journal: a database A edited
headless (one edit of every kind), its journal upd_bat.txt replayed by brondel into a copy B,
and the two compared record by record (dbcompare.py); bad inputs and Cancel that change
nothing; the user waypoints' Batch Dump read back by brondel."""
import os
import shutil
import struct
import unittest

import dbcompare
import suite

# An airport with two runways and two frequencies for the row edits, in both databases.
FIXTURE = [
    "ADD|APT|KXED|US|EDITVILLE|EDIT FIELD|N 47~10.000|W122~10.000|100|A",
    "ADD|RWY|KXED|US|5000X100|09-27|hard|pc lts|0",
    "ADD|RWY|KXED|US|3000X60|18-36|turf|no lts|0",
    "ADD|FRQ|KXED|US|TOWER|118.30",
    "ADD|FRQ|KXED|US|GROUND|121.70",
    "ADD|APT|KXEF|US|EDITVILLE|OTHER FIELD|N 47~12.000|W122~12.000|100|A",
    "ADD|INT|XEDIT|US|N 47~10.000|W122~10.000",
    "ADD|NDB|XED|US|EDITVILLE|EDIT NDB|N 47~10.000|W122~10.000|350.0",
    "ADD|VOR|XEV|US|EDITVILLE|EDIT VOR|N 47~10.000|W122~10.000|117.30|VORTAC|HIGH",
    "ADD|USR|XEUSR|N 47~10.000|W122~10.000|EDIT USR",
]
FILTERS = "Filters Setup"
ROW = 16  # line height of the list windows


def control(batch_file):
    return ["Line=1", "Mode=BatchUpdate", "Filename=" + batch_file, "Listing=1", "GO=1"]


def answer(match, press="OK", **values):
    return suite.answer(match, press, **values)


def click(x, line):
    return "click %d %d" % (x, line * ROW + ROW // 2)


class EditRun(suite.TempFolderRun):
    prefix = "e2e-kestrane-edit-"

    def setUp(self):
        super().setUp()
        shutil.copytree(suite.EXAMPLES_DIR, self.path("examples"))
        for db in ("A", "B"):
            os.mkdir(self.path(db))
            self.brondel(db, "../examples/puget_bat.txt")
            self.write(os.path.join(db, "fixture.txt"), FIXTURE)
            self.brondel(db, "fixture.txt")

    def brondel(self, folder, batch):
        self.write(os.path.join(folder, "load.ctl"), control(batch))
        code = self.run_headless("brondel", ["-F", "load.ctl"], cwd=self.path(folder), timeout=300)
        self.assertEqual(code, 0, self.err_text)
        return [line for line in self.out if "|" in line]

    def kestrane(self, args, drive, answers):
        self.write("drive.txt", list(drive) + ["close"])
        self.env["SUITE_QT_DRIVE"] = self.path("drive.txt")
        self.env["SUITE_QT_SHOTS"] = self.path("shots")
        self.write("answers.txt", answers)
        code = self.run_headless("kestrane", ["--answers", self.path("answers.txt")] + list(args),
                                 cwd=self.path("A"))
        self.assertEqual(code, 0, self.err_text)
        return self.err

    def journal(self):
        path = self.path("A", "upd_bat.txt")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            data = f.read()
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "lines end CR LF")
        return [l for l in data.decode("latin-1").split("\r\n") if l and not l.startswith("//")]

    @staticmethod
    def filtered(ident):
        return "command 32806", answer(FILTERS, Icao_Filter=ident if ident else '""')


class JournalReplay(EditRun):
    def test_edits_reach_the_copy(self):
        drive, ans = [], ""

        def step(statements, answers=""):
            # Commands and clicks run from the answer file, in its order, each answer for the
            # dialog the statement before it opens.
            nonlocal ans
            ans += "".join(s + "\n" for s in statements) + answers

        # Airports: add (with an '@' city), change, and the rows of KXED.
        f, a = self.filtered("KXE1")
        step([f, "command 32830"], a + answer("Add a Waypoint", ICAO_Locator_Code="KXE1",
                                              Country="UNITED STATES-US", Latitude="N 47~20.000",
                                              Longitude="W122~20.000", Facility="NEW FIELD", City="NEWTOWN@",
                                              Height="450", Fuel="JAM", **{"M/P": "PRV"}))
        # KXED alone: its line 0, its rows below (runways longest first on the right, frequencies
        # on the left).
        f, a = self.filtered("KXED")
        step([f, click(20, 0), "command 32831"], a + answer("Change a Waypoint", Height="120", Fuel="J"))
        step([click(20, 0), "command 32833"],
             answer("Add or Change an Airport Runway", Runway="14-32", Length="4000", Width="75", Surface="sealed",
                    Lighting="pt lts", True_Bearing="140", Runway_Latitude="N 47~10.100",
                    Runway_Longitude="W122~10.100", Reciprocal_Latitude="N 47~09.600",
                    Reciprocal_Longitude="W122~09.500", **{"R/W": "L", "Recip": "R"}))
        # Rows: 5000, 4000, 3000.
        step([click(400, 3), "command 32834"], answer("Add or Change an Airport Runway", Runway="18L", Length="3100"))
        step([click(20, 0), "command 32833"],
             answer("Add or Change an Airport Runway", Runway="04", Length="2000", Width="50", Surface="gravel",
                    Lighting="no lts", True_Bearing="040", Runway_Latitude="N 47~10.050",
                    Runway_Longitude="W122~10.050"))
        # Rows: 5000, 4000, 3100, 2000.
        step([click(400, 2), "command 32835"], answer("Deletions"))
        step([click(20, 0), "command 32836"],
             answer("Add a Frequency", Type="App", Frequency="122.80*", Bearings="000-090", Below="5000",
                    Above="1500", remVOR="SEA", Text="MON-FRI ONLY"))
        # Frequencies: TOWER (row 1), GROUND (row 2), APP (row 4, past the runways' rows).
        step([click(20, 2), "command 32837"], answer("Change a Frequency", Frequency="118.35"))
        step([click(20, 1), "command 32838"], answer("Deletions"))
        # An ident change of an airport with rows: the copy drops KXED with its rows.
        step([click(20, 0), "command 32831"], answer("Change a Waypoint", ICAO_Locator_Code="KXE2"))
        f, a = self.filtered("KXEF")
        step([f, click(20, 0), "command 32832"], a + answer("Deletions"))
        # Intersections, NDBs, VORs, user waypoints.
        for letter, add, change in (
                ("I", dict(ICAO_Locator_Code="XEDI2", Country="UNITED STATES-US", Latitude="N 47~01.000",
                           Longitude="W122~01.000"), dict(Latitude="N 47~02.000")),
                ("N", dict(ICAO_Locator_Code="XE2", Country="UNITED STATES-US", Latitude="N 47~01.000",
                           Longitude="W122~01.000", Facility="KILO NDB", City="KILO@", Freq="1050.5",
                           **{"WX/L": "1"}), dict(Freq="355.5")),
                ("V", dict(ICAO_Locator_Code="XE3", Country="UNITED STATES-US", Latitude="N 47~01.000",
                           Longitude="W122~01.000", Facility="NEW VOR", City="NEW VOR", Freq="112.50", VOR="DME",
                           PWR="Low"), dict(VOR="VORDME", PWR="Term", **{"WX/L": "1"}))):
            command = {"I": 32772, "N": 32773, "V": 32774}[letter]
            f, a = self.filtered("XE")
            step(["command %d" % command, f, "command 32799"], a + answer("Add a Waypoint", **add))
            step([click(20, 0), "command 32800"], answer("Change a Waypoint", **change))
            step([click(20, 1), "command 32801"], answer("Deletions"))
        f, a = self.filtered("")
        step(["command 32775", f, "command 32799"],
             a + answer("Add or Change USR Waypoint", Identifier="zz1", Latitude="N 47~30.000",
                        Longitude="W122~30.000", Name="MY SPOT"))
        f, a = self.filtered("XEUSR")
        step([f, click(20, 0), "command 32800"],
             a + answer("Add or Change USR Waypoint", Identifier="XEUS2", Name="RENAMED"))
        f, a = self.filtered("ZZ1")
        step([f, click(20, 0), "command 32801"], a + answer("Deletions"))

        err = self.kestrane([], drive, ans)
        self.assertEqual([e for e in err if "failed" in e or "must" in e or "Error" in e], [], (err, self.journal()))
        journal = self.journal()
        self.assertTrue(any(l.startswith("DEL|APT|KXED|") for l in journal), journal)
        self.assertTrue(any(l.startswith("ADD|NDB|XE2|") and "|1050.5|L" in l for l in journal), journal)

        # Replay into B: every line applied, then the two databases hold the same records.
        shutil.copy(self.path("A", "upd_bat.txt"), self.path("B", "journal.txt"))
        results = self.brondel("B", "journal.txt")
        self.assertEqual([l for l in results if not l.lstrip().startswith(("(DONE)", "(MODIFIED)", "(OK)"))], [],
                         results)
        self.assertEqual(dbcompare.compare(self.path("A", "db50"), self.path("B", "db50")), [])
        # A second replay changes nothing: records the journal deletes later are added and deleted
        # again, a frequency with restrictions gets its chain anew (DONE), a deleted record is
        # absent (ABS), the rest is MODIFIED or OK.
        again = self.brondel("B", "journal.txt")
        self.assertEqual([l for l in again if not l.lstrip().startswith(("(DONE)", "(MODIFIED)", "(OK)", "(ABS) DEL"))],
                         [], again)
        self.assertEqual(dbcompare.compare(self.path("A", "db50"), self.path("B", "db50")), [])
        deleted = {l.split("|")[2] for l in journal if l.startswith("DEL|APT|")}
        survivors = [l for l in again if "ADD|APT|" in l and l.split("|")[2] not in deleted]
        self.assertTrue(survivors and all(l.lstrip().startswith("(MODIFIED)") for l in survivors), survivors)


APT = dict(ICAO_Locator_Code="KXE5", Country="UNITED STATES-US", Latitude="N 47~20.000", Longitude="W122~20.000",
           Facility="NEW FIELD", City="NEWTOWN", Height="450", Fuel="JA")
NDB = dict(ICAO_Locator_Code="XE5", Country="UNITED STATES-US", Latitude="N 47~20.000", Longitude="W122~20.000",
           Facility="NEW NDB", City="NEWTOWN", Freq="350.0")
USR = dict(Identifier="NEW1", Latitude="N 47~30.000", Longitude="W122~30.000", Name="MY SPOT")
RWY = dict(Runway="14-32", Length="4000", Width="75", Surface="sealed", Lighting="pt lts", True_Bearing="140",
           Runway_Latitude="N 47~10.100", Runway_Longitude="W122~10.100", Reciprocal_Latitude="N 47~09.600",
           Reciprocal_Longitude="W122~09.500")
FRQ = dict(Type="App", Frequency="122.80", Bearings="000-090", Below="5000", Above="1500", remVOR="SEA", Text="X")
DESIGNATOR = "Runway must be two digits (00-18), optionally followed by R, L, or C"

# (dialog, base, changes, message): one bad text per case, refused with its message.
BAD_INPUTS = [
    ("APT", APT, dict(ICAO_Locator_Code="KXE55"), "Locator code must have 1 to 4 letters or digits"),
    ("APT", APT, dict(Country="X"), "Incorrectly specified Country"),
    ("APT", APT, dict(ICAO_Locator_Code="KXED"), "This ICAO/Country combination already exists"),
    ("APT", APT, dict(Latitude="N 91~00.000"), "Error in format of Latitude"),
    ("APT", APT, dict(Longitude="122~20.000"), "Longitude format Error"),
    ("APT", APT, dict(Facility="lower case"), "Error in Facility Name"),
    ("APT", APT, dict(Facility='""', City='""'), "Error in City Name"),
    ("APT", APT, dict(Height="30001"), "Height must be between -5000 and +30000"),
    ("APT", APT, dict(Height="455"), "Height must be a multiple of 10 feet"),
    ("APT", APT, dict(Fuel="JJ"), "Fuel may only consist of the letters J, A, M"),
    ("NDB", NDB, dict(Freq="abc"), "Frequency not in range 108 to 150 MHz"),
    ("NDB", NDB, dict(Freq="2000.0"), "Frequency not in range 108 to 150 MHz"),
    ("USR", USR, dict(Identifier="BAD_ID"), "Ident must have 1 to 7 letters or digits"),
    ("USR", USR, dict(Identifier="XEUSR"), "This Ident exists already"),
    ("USR", USR, dict(Latitude="N 47.5"), "Error in format of Latitude"),
    ("USR", USR, dict(Longitude="W 999~00.000"), "Error in format of Longitude"),
    ("USR", USR, dict(Name="MY // SPOT"), "Error in name"),
    ("RWY", RWY, dict(Surface=None), "You must choose one of the 8 surface types"),
    ("RWY", RWY, dict(Lighting=None), "You must choose one of the 4 lighting types"),
    ("RWY", RWY, dict(Runway="36"), DESIGNATOR),
    ("RWY", RWY, dict(Runway="14-40"), DESIGNATOR),
    ("RWY", RWY, dict(Length="12a"), "Only digits allowed in Length field"),
    ("RWY", RWY, dict(Length="50"), "Runway length must be > 100"),
    ("RWY", RWY, dict(Length="2550"), "Runway length must be a multiple of 100"),
    ("RWY", RWY, dict(Width="7x"), "Only digits allowed in Width field"),
    ("RWY", RWY, dict(Width="27"), "Runway width must be a multiple of 5"),
    ("RWY", RWY, dict(True_Bearing="200"), "Bearing is max 185 degrees"),
    ("RWY", RWY, dict(Runway_Latitude="N 47.1"), "Error in format of Runway Latitude"),
    ("RWY", RWY, dict(Runway_Latitude="N 49~10.100"), "Runway Latitude out of range"),
    ("RWY", RWY, dict(Runway_Longitude='""'), "Only one Runway co-ordinate entered"),
    ("RWY", RWY, dict(Reciprocal_Longitude='""'), "Only one Reciprocal co-ordinate entered"),
    ("RWY", RWY, dict(True_Bearing='""'), "Bearing required if thresholds given"),
    ("RWY", RWY, dict(Runway_Latitude='""', Runway_Longitude='""'), "Runway threshold required if reciprocal entered"),
    ("FRQ", FRQ, dict(Type=None), "You must choose one of the frequency types"),
    ("FRQ", FRQ, dict(Frequency="107.95"), "Frequency must be in range 108 to 150 MHz"),
    ("FRQ", FRQ, dict(Bearings="0-90"), "Bearing format must be ddd-ddd"),
    ("FRQ", FRQ, dict(Below="70000"), "Below altitude out of range"),
    ("FRQ", FRQ, dict(Above="-6000"), "Above altitude out of range"),
    ("FRQ", FRQ, dict(Text="W" * 120), "Restriction text too long"),
]
OPENERS = {  # the window, its filter, the selection and the command that opens each dialog
    "APT": ("KXE5", [], "command 32830", "Add a Waypoint"),
    "RWY": ("KXED", [click(20, 0)], "command 32833", "Add or Change an Airport Runway"),
    "FRQ": ("KXED", [click(20, 0)], "command 32836", "Add a Frequency"),
    "NDB": ("XE5", ["command 32773"], "command 32799", "Add a Waypoint"),
    "USR": ("NEW1", ["command 32775"], "command 32799", "Add or Change USR Waypoint"),
}


class BadInputs(EditRun):
    def test_refused_and_cancelled_change_nothing(self):
        # The airports window first; the NDB and user-waypoint windows are opened once each.
        order = ("APT", "RWY", "FRQ", "NDB", "USR")
        cases = sorted(BAD_INPUTS, key=lambda c: order.index(c[0]))
        cases += [(k, v, {}, None) for k, v in (("USR", USR),)]
        ans = ""
        opened = set()
        for dialog, base, changes, _ in cases:
            ident, select, command, caption = OPENERS[dialog]
            if dialog in ("NDB", "USR") and dialog in opened:
                select = []
            opened.add(dialog)
            values = {k: v for k, v in dict(base, **changes).items() if v is not None}
            f, a = self.filtered(ident)
            ans += "\n".join([f] + select + [command]) + "\n" + a
            # A refused text shows its message and the dialog again, which is then cancelled; the
            # good texts of the last case are cancelled at once.
            if changes:
                ans += answer(caption, **values)
            ans += answer(caption, "Cancel")
        err = self.kestrane([], [], ans)
        self.maxDiff = None
        self.assertEqual([e for e in err if not e.startswith("WARNING")], [m for *_, m in cases if m])
        self.assertEqual(self.journal(), [])
        self.assertEqual(dbcompare.compare(self.path("A", "db50"), self.path("B", "db50")), [])


class BatchDump(EditRun):
    def test_every_user_waypoint_read_back(self):
        ans = "command 32775\ncommand 32839\n" + answer("Export a File of USR Waypoints in Batch Format", "Save",
                                                         File_name="dump")
        self.kestrane([], [], ans)
        with open(self.path("A", "dump.txt"), "rb") as f:
            lines = [l for l in f.read().decode("latin-1").split("\r\n") if l and not l.startswith("//")]
        self.assertIn("ADD|USR|XEUSR|N 47\xb010.000|W122\xb010.000|EDIT USR", lines)
        self.assertTrue(all(l.startswith("ADD|USR|") and l.count("|") == 5 for l in lines), lines)
        self.assertEqual(self.journal(), [], "the journal is not written to")
        shutil.copy(self.path("A", "dump.txt"), self.path("B", "dump.txt"))
        results = self.brondel("B", "dump.txt")
        self.assertEqual(len(results), len(lines))
        self.assertTrue(all(l.lstrip().startswith(("(MODIFIED)", "(OK)")) for l in results), results)


class HeldFilesAfterDeletes(EditRun):
    def test_lists_still_show_names_and_countries(self):
        # Deleting a runway row and an NDB asks with names and the country; the names and country
        # files stay held for the run, so later drawings still show them.
        f, a = self.filtered("KXED")
        ans = "\n".join([f, click(400, 1), "command 32835"]) + "\n" + a + answer("Deletions")
        f, a = self.filtered("XED")
        ans += "\n".join(["command 32773", f, click(20, 0), "command 32801"]) + "\n" + a + answer("Deletions")
        f, a = self.filtered("KXED")
        ans += "command 32771\n" + f + "\n" + a
        self.kestrane([], ["shot after"], ans)
        with open(self.path("shots", "after.txt"), encoding="utf-8") as shot:
            texts = [line.split("\t", 1)[1] for line in shot.read().splitlines()]
        kxed = [t for t in texts if t.startswith("KXED ")]
        self.assertTrue(kxed and "EDITVILLE" in kxed[0] and kxed[0].endswith(" UNITED STATES-US"), texts)
        self.assertTrue(any(l.startswith("DEL|NDB|XED|") for l in self.journal()), self.journal())



def route_points(folder):
    """(rtno, rtorder, rtident) of the live records of rte.dta (120-byte records)."""
    with open(os.path.join(folder, "rte.dta"), "rb") as f:
        data = f.read()
    _, slot, count = struct.unpack_from("<HHi", data, 0)
    points = []
    for n in range(count):
        at = 1024 + n * slot
        if struct.unpack_from("<H", data, at)[0] == 0:
            sno, number, order, ident = struct.unpack_from("<iii8s", data, at + 2)
            points.append((number, order, ident.split(b"\0")[0].decode()))
    return sorted(points)


class Routes(EditRun):
    def test_twenty_points_and_the_last_delete(self):
        ans = "command 32775\ncommand 32776\ncommand 32799\n"
        ans += answer("Add Waypoint to Route", Route_Number="5", Waypoint_Type="USR", Identifier="XEUSR")
        # Nineteen more, each added after the header: the first one added is pushed to order 20.
        for n in range(19):
            ans += "%s\ncommand 32799\n" % click(20, 0)
            ans += answer("Add Waypoint to Route", Waypoint_Type="USR", Identifier="HOME" if n % 2 else "MTBAKER")
        ans += "%s\ncommand 32800\n" % click(20, 0) + answer("Change Route Title", Title="TEST TRIP")
        self.kestrane([], [], ans)
        points = route_points(self.path("A", "db50"))
        self.assertEqual([o for _, o, _ in points], list(range(20)), points)
        self.assertNotIn("XEUSR", [i for _, o, i in points if o > 0], "the first point is pushed out at order 20")
        self.assertEqual(self.journal(), [], "routes are not journaled")

        # Deleting the points one by one takes the header with the last.
        ans = "command 32776\n"
        for _ in range(19):
            ans += "%s\ncommand 32801\n" % click(20, 1) + answer("Deletions")
        self.kestrane([], [], ans)
        self.assertEqual(route_points(self.path("A", "db50")), [])


if __name__ == "__main__":
    unittest.main()
