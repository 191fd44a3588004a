"""Kestrane's File > Import and Export of user waypoints and routes, headless: GAR files checked
by the independent reader of garcheck.py (format 1 records, the count at bytes 8-9, the comment
and state rules, links, a twice-imported file, a numbered route replaced, the remembered unit),
GPX files validated by xmllint against the GPX 1.1 schema with the unit maker's extensions and
read back through gpsbabel."""
import os
import shutil
import struct
import subprocess
import unittest

import garcheck as g
import suite

SCHEMA = os.path.join(suite.SOURCE_DIR, "..", "shared", "data", "gpx-schema", "gpx-with-extensions.xsd")
if not os.path.exists(SCHEMA):
    SCHEMA = "/work/shared/data/gpx-schema/gpx-with-extensions.xsd"

IMPORT_USR, EXPORT_USR, IMPORT_RTE, EXPORT_RTE, OPEN_RTE = 32818, 32819, 32813, 32814, 32776

WAYPOINTS = [  # ident, name, latitude, longitude, symbol word, time word
    ("ALPHA", "A_B", 47.5, -122.25, 0x004003, 1000),
    ("BRAVO1", "R&D <B> 47\xb0", -33.875, 151.125, 0x120003, 2000),
    ("CHARLY", "PLAIN", 0.000001, -0.5, 0x034000, 3000),
]


def usr_file(fmt=9, product=402):
    return g.gar_file(product, [(g.WAYPOINT, g.new_waypoint(fmt, i, la, lo, comment=n, symbol=s, time=t))
                                for i, n, la, lo, s, t in WAYPOINTS], 7)


def route_file():
    """Format 9: FIRST of three waypoints (the second an airport in OXFORD@OX), SECOND of two."""
    w = lambda *a, **k: (g.ROUTE_WAYPOINT, g.new_waypoint(9, *a, **k))
    link = (g.ROUTE_LINK, g.LINK)
    head = lambda t: (g.ROUTE_HEADER, t.encode().ljust(20, b"\0") + b"\0")
    return g.gar_file(402, [head("FIRST"), w("WP1", 47.0, -122.0, comment="ONE"), link,
                            w("KSEA", 47.45, -122.3, name="SEATTLE TACOMA", city="OXFORD", state="OX", cls=0x40,
                              country="US", altitude=432.0), link,
                            w("WP3", 47.9, -122.5, comment="THREE"), head("SECOND"),
                            w("S1", 48.0, -123.0), link, w("S2", 48.5, -123.5)], 4)


def degrees(value):
    """A position as the GPX file gives it: the low 6 bits of its circle units dropped, six decimals,
    zero within 0.00027 degrees."""
    d = (g.semicircles(value) >> 6) * 45 / 2 ** 23
    return "%f" % (0.0 if abs(d) < 0.00027 else d)


class ExchangeRun(suite.TempFolderRun):
    prefix = "e2e-exchange-"

    def kestrane(self, folder, drive, answers, window="-VU"):
        os.makedirs(self.path(folder, "db50"), exist_ok=True)
        self.write("drive.txt", list(drive) + ["close"])
        self.env["SUITE_QT_DRIVE"] = self.path("drive.txt")
        self.write_answers(answers)
        code = self.run_headless("kestrane", [window, "--answers", self.path("answers.txt")], cwd=self.path(folder))
        self.assertEqual(code, 0, self.err_text)
        return self.err

    @staticmethod
    def import_answer(kind, name):
        return suite.answer("Import a File of " + kind, "Open", File_name=name)

    @staticmethod
    def export_answers(kind, name, unit=None, remember=False):
        out = []
        if unit:
            values = {"Required_Format": unit}
            if remember:
                values["Do_not_ask_again"] = "1"
            out.append(suite.answer("Select GPS Type", "OK", **values))
        out.append(suite.answer("Export a File of " + kind, "Save", File_name=name))
        return out

    def records(self, folder, name):
        return g.read_file(self.read(folder, name))


class GarExchange(ExchangeRun):
    def test_user_waypoints_in_format_1_twice_imported_and_remembered(self):
        self.write("run/in.gar", usr_file())
        answers = [self.import_answer("USR Waypoints", "in.gar")]
        answers += self.export_answers("USR Waypoints", "out1.gar", "12/45", remember=True)
        answers += [self.import_answer("USR Waypoints", "in.gar")]
        answers += self.export_answers("USR Waypoints", "out2")  # no question; ".gar" appended
        err = self.kestrane("run", ["command %d" % c for c in (IMPORT_USR, EXPORT_USR, IMPORT_USR, EXPORT_USR)],
                            answers)
        self.assertEqual(err, [])
        out1 = self.read("run", "out1.gar")
        self.assertEqual(out1, self.read("run", "out2.gar"), "the second import changed nothing")
        product, fmt, count, records, command = g.read_file(out1)
        self.assertEqual((product, fmt, count, command), (41, 1, 3, 7))
        self.assertEqual(out1[8:10], b"\x03\x00")
        got = [g.waypoint(1, d) for pid, d in records]
        self.assertEqual([len(d) for _, d in records], [58, 58, 58])
        self.assertEqual([w["ident"] for w in got], ["ALPHA ", "BRAVO1", "CHARLY"])
        self.assertEqual([w["time"] for w in got], [1000, 2000, 3000])
        self.assertEqual([(w["lat"], w["lon"]) for w in got],
                         [(g.semicircles(la), g.semicircles(lo)) for _, _, la, lo, _, _ in WAYPOINTS])
        self.assertEqual(got[0]["comment_bytes"], b"A\0B" + b" " * 37)
        self.assertEqual(got[1]["comment"], "R&D <B> 47\xb0")

    def test_user_waypoints_in_format_9_and_5(self):
        self.write("run/in.gar", usr_file(7, 145))
        answers = [self.import_answer("USR Waypoints", "in.gar")]
        answers += self.export_answers("USR Waypoints", "out9.gar", "396/496/696")
        answers += self.export_answers("USR Waypoints", "out5.gar", "92/190")
        self.assertEqual(self.kestrane("run", ["command %d" % c for c in (IMPORT_USR, EXPORT_USR, EXPORT_USR)],
                                       answers), [])
        product, fmt, count, records, _ = self.records("run", "out9.gar")
        self.assertEqual((product, fmt, count), (402, 9, 3))
        got = [g.waypoint(9, d) for _, d in records]
        self.assertEqual([(w["ident"], w["comment"], w["class"], w["symbol"]) for w in got],
                         [(i, n, 0, s) for i, n, _, _, s, _ in WAYPOINTS])
        self.assertEqual([w["altitude"] for w in got], [struct.unpack("<f", struct.pack("<f", 1e25))[0]] * 3)
        product, fmt, count, records, _ = self.records("run", "out5.gar")
        got = [g.waypoint(5, d) for _, d in records]
        self.assertEqual([(w["type"], w["altitude"], w["symbol"]) for w in got],
                         [(4, 32767, s) for _, _, _, _, s, _ in WAYPOINTS])
        self.assertEqual(got[0]["comment_bytes"], b"A\0B" + b" " * 37)

    def test_routes_linked_numbered_route_replaced(self):
        self.write("run/rin9.gar", route_file())
        rin5 = g.gar_file(112, [(g.ROUTE_HEADER, bytes([2]) + b" " * 19 + b"\0"),
                                (g.ROUTE_WAYPOINT, g.old_route_waypoint(5, "REPL", 10.0, 20.0, "NEW"))], 4)
        self.write("run/rin5.gar", rin5)
        answers = [self.import_answer("Routes", "rin9.gar"), self.import_answer("Routes", "rin5.gar")]
        answers += self.export_answers("Routes", "rout.gar", "396/496/696")
        self.assertEqual(self.kestrane("run", ["command %d" % c for c in (IMPORT_RTE, IMPORT_RTE, EXPORT_RTE)],
                                       answers, window="-VR"), [])
        product, fmt, count, records, command = self.records("run", "rout.gar")
        self.assertEqual((fmt, command), (9, 4))
        self.assertEqual([pid for pid, _ in records], [29, 30, 98, 30, 98, 30, 29, 30])
        self.assertEqual(count, 8)
        self.assertEqual(g.route_header(9, records[0][1]), (None, "FIRST"))
        points = [g.waypoint(9, d) for pid, d in records if pid == 30]
        self.assertEqual([w["ident"] for w in points], ["WP1", "KSEA", "WP3", "REPL"])
        self.assertEqual((points[1]["name"], points[1]["city"], points[1]["state"], points[1]["class"],
                          points[1]["country"], points[1]["altitude"]),
                         ("SEATTLE TACOMA", "OXFORD", "OX", 0x40, "US", 432.0))
        self.assertEqual((points[0]["comment"], points[3]["comment"]), ("ONE", "NEW"))
        self.assertEqual(g.route_header(9, records[6][1]), (None, ""))
        for pid, d in records:
            if pid == 98:
                self.assertEqual(d, g.LINK)

    def test_cut_files_keep_earlier_records(self):
        whole = usr_file()
        first = 10 + 2 + whole[11]
        self.write("run/cut.gar", whole[:first + 5])
        answers = [self.import_answer("USR Waypoints", "cut.gar")]
        answers += self.export_answers("USR Waypoints", "out.gar", "396/496/696")
        err = self.kestrane("run", ["command %d" % c for c in (IMPORT_USR, EXPORT_USR)], answers)
        self.assertEqual(err, ["Unexpected End of File"])
        _, _, count, records, _ = self.records("run", "out.gar")
        self.assertEqual([g.waypoint(9, d)["ident"] for _, d in records], ["ALPHA"])


@unittest.skipUnless(shutil.which("xmllint"), "xmllint is not installed")
class GpxExchange(ExchangeRun):
    def export_gpx(self):
        self.write("run/in.gar", usr_file())
        self.write("run/rin9.gar", route_file())
        answers = [self.import_answer("USR Waypoints", "in.gar")]
        answers += self.export_answers("USR Waypoints", "usr.gpx", "Aera")
        answers += [self.import_answer("Routes", "rin9.gar")]
        answers += self.export_answers("Routes", "rte.gpx", "Aera")
        self.assertEqual(self.kestrane("run", ["command %d" % IMPORT_USR, "command %d" % EXPORT_USR,
                                               "command %d" % OPEN_RTE, "command %d" % IMPORT_RTE,
                                               "command %d" % EXPORT_RTE], answers), [])

    def validate(self, path):
        done = subprocess.run(["xmllint", "--noout", "--nonet", "--schema", SCHEMA, path], capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr.decode())

    def test_exports_validate(self):
        self.export_gpx()
        for name in ("usr.gpx", "rte.gpx"):
            self.validate(self.path("run", name))
            text = self.read("run", name).decode("utf-8")
            self.assertTrue(text.startswith('<?xml version="1.0" encoding="UTF-8"'))
            self.assertTrue(text.endswith("</gpx>"))
        usr = self.read("run", "usr.gpx").decode("utf-8")
        self.assertIn("<desc>R&amp;D &lt;B&gt; 47\u00b0</desc>", usr)
        self.assertIn('<wpt lat="%s" lon="%s">' % (degrees(0.000001), degrees(-0.5)), usr)
        self.assertEqual(degrees(0.000001), "0.000000")
        self.assertIn("<rte><name>FIRST</name><rtept", self.read("run", "rte.gpx").decode("utf-8"))

    @unittest.skipUnless(shutil.which("gpsbabel"), "gpsbabel is not installed")
    def test_gpsbabel_reads_and_writes_back_the_same(self):
        self.export_gpx()
        done = subprocess.run(["gpsbabel", "-i", "gpx", "-f", self.path("run", "usr.gpx"), "-o", "unicsv", "-F", "-"],
                              capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        listing = done.stdout.decode("utf-8")
        for ident, name, lat, lon, _, _ in WAYPOINTS:
            self.assertIn(ident, listing)
            self.assertIn(name.replace("\xb0", "\u00b0"), listing)
        self.assertIn("%s,%s" % (degrees(47.5), degrees(-122.25)), listing)
        self.assertIn("Airport", listing)
        for name in ("usr", "rte"):
            done = subprocess.run(["gpsbabel", "-i", "gpx", "-f", self.path("run", name + ".gpx"), "-o", "gpx,gpxver=1.1",
                                   "-F", self.path("back_%s.gpx" % name)], capture_output=True)
            self.assertEqual(done.returncode, 0, done.stderr.decode())
        # Ours and gpsbabel's files, each imported into an empty database and exported as GAR.
        exported = {}
        for folder, usr, rte in (("ours", "run/usr.gpx", "run/rte.gpx"), ("back", "back_usr.gpx", "back_rte.gpx")):
            os.makedirs(self.path(folder), exist_ok=True)
            ext = ".gpx" if folder == "ours" else ".GPX"  # the extension in any letter case
            shutil.copy(self.path(usr), self.path(folder, "usr" + ext))
            shutil.copy(self.path(rte), self.path(folder, "rte" + ext))
            usr, rte = "usr" + ext, "rte" + ext
            answers = [self.import_answer("USR Waypoints", usr)]
            answers += self.export_answers("USR Waypoints", "usr.gar", "396/496/696", remember=True)
            answers += [self.import_answer("Routes", rte)]
            answers += self.export_answers("Routes", "rte.gar")
            self.assertEqual(self.kestrane(folder, ["command %d" % IMPORT_USR, "command %d" % EXPORT_USR,
                                                    "command %d" % OPEN_RTE, "command %d" % IMPORT_RTE,
                                                    "command %d" % EXPORT_RTE], answers), [])
            usr_records = [g.waypoint(9, d) for _, d in self.records(folder, "usr.gar")[3]]
            rte_records = []
            for pid, d in self.records(folder, "rte.gar")[3]:
                if pid == 29:
                    rte_records.append(("route", g.route_header(9, d)[1]))
                elif pid == 30:
                    w = g.waypoint(9, d)
                    rte_records.append((w["ident"], w["lat"], w["lon"]))
            exported[folder] = ([(w["ident"], w["comment"], w["lat"], w["lon"], w["symbol"]) for w in usr_records],
                                rte_records)
        self.assertEqual(exported["ours"], exported["back"])
        self.assertEqual([w[0] for w in exported["ours"][0]], ["ALPHA", "BRAVO1", "CHARLY"])
        self.assertEqual(exported["ours"][1][0], ("route", "FIRST"))
        self.assertEqual(len(exported["ours"][1]), 7)


if __name__ == "__main__":
    unittest.main()
