"""Wistrel on serial ports: pseudo-terminal pairs joined by a relay stand in for the cable, the
ports mapped to them in Wistrel.ini. Host mode serves gpsbabel (waypoints and routes, both
ways), and a second wistrel as the client (with a baud request and the re-clock of both
ports)."""
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import garfixtures as g  # noqa: E402
from ptyrelay import PtyRelay  # noqa: E402
from suite import TempFolderRun, answer, program  # noqa: E402

SETUP = "Setup Communications"
GO = "Confirm Transfer Details"
GPX = "{http://www.topografix.com/GPX/1/1}"

WAYPOINTS = [("KSEA", 47.449, -122.309), ("SYD", -33.9, 151.2), ("ZERO", 0.0, 0.0), ("NORTH", 89.5, -179.99)]
ROUTE = [("HOME", 51.0, -1.0), ("EGLL", 51.4775, -0.461389), ("BIG", 51.33, 0.03)]


def gpx(waypoints=(), route=()):
    def point(tag, name, lat, lon):
        return '<%s lat="%.6f" lon="%.6f"><name>%s</name></%s>' % (tag, lat, lon, name, tag)
    body = "".join(point("wpt", *w) for w in waypoints)
    if route:
        body += "<rte><name>TRIP</name>%s</rte>" % "".join(point("rtept", *p) for p in route)
    return ('<?xml version="1.0"?><gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">'
            + body + "</gpx>")


def points(path, tag):
    """(name, lat, lon) of the GPX file's wpt or rtept elements, in any GPX version."""
    root = ET.parse(path).getroot()
    ns = root.tag[:root.tag.index("}") + 1]
    return [(p.find(ns + "name").text, float(p.get("lat")), float(p.get("lon"))) for p in root.iter(ns + tag)]


class SerialRun(TempFolderRun):
    prefix = "wistrel-serial-"

    def setUp(self):
        super().setUp()
        self.relay = PtyRelay()
        self.addCleanup(self.relay.close)
        self.write(os.path.join(".config", "Local AppWizard-Generated Applications", "Wistrel.ini"),
                   ["[Ports]", "COM1=" + self.relay.names[0], "COM2=" + self.relay.names[1]])
        self.hosts = []

    def start_host(self, switches, folder):
        """Wistrel in Host mode on COM1, in its own folder."""
        os.makedirs(self.path(folder), exist_ok=True)
        with open(self.path(folder, "answers.txt"), "w") as f:
            f.write(answer(SETUP, "OK", Mode="Host", Port="COM 1", Max_Baud="115200") + answer(GO, "GO"))
        out = open(self.path(folder, "host.out"), "wb")
        self.addCleanup(out.close)
        proc = subprocess.Popen([program("wistrel"), "--headless", *switches, "--answers", "answers.txt"],
                                cwd=self.path(folder), env=self.env, stdout=out, stderr=subprocess.STDOUT)
        self.hosts.append(proc)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        return proc

    def stop_host(self, proc, folder, jobs=0):
        """STOP/RESET and Exit by SIGTERM once the host has ended its jobs (it takes the last
        ACK after its peer may have gone); the host's log lines."""
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            with open(self.path(folder, "host.out"), encoding="utf-8") as f:
                if f.read().count("Host Transfer Complete") >= jobs:
                    break
            time.sleep(0.05)
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(20), 0)
        with open(self.path(folder, "host.out"), encoding="utf-8") as f:
            return f.read().splitlines()

    def gpsbabel(self, *args):
        done = subprocess.run(["gpsbabel", *args], cwd=self.dir, capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)

    def assertSamePoints(self, got, expected):
        self.assertEqual([p[0] for p in got], [p[0] for p in expected])
        for (_, lat, lon), (_, elat, elon) in zip(got, expected):
            self.assertAlmostEqual(lat, elat, delta=1e-5)
            self.assertAlmostEqual(lon, elon, delta=1e-5)

    @unittest.skipUnless(shutil.which("gpsbabel"), "gpsbabel is not installed")
    def test_gpsbabel_uploads_and_downloads_waypoints_and_routes(self):
        host = self.start_host(["-3P"], "unit")
        port = self.relay.names[1]
        self.write("wpts.gpx", gpx(WAYPOINTS))
        self.write("route.gpx", gpx(route=ROUTE))
        self.gpsbabel("-w", "-i", "gpx", "-f", "wpts.gpx", "-o", "garmin", "-F", port)
        self.gpsbabel("-w", "-i", "garmin", "-f", port, "-o", "gpx", "-F", "back.gpx")
        self.gpsbabel("-r", "-i", "gpx", "-f", "route.gpx", "-o", "garmin", "-F", port)
        self.gpsbabel("-r", "-i", "garmin", "-f", port, "-o", "gpx", "-F", "back_route.gpx")
        log = self.stop_host(host, "unit", jobs=4)
        self.assertSamePoints(points(self.path("back.gpx"), "wpt"), WAYPOINTS)
        self.assertSamePoints(points(self.path("back_route.gpx"), "rtept"), ROUTE)
        self.assertEqual(log.count("Host Transfer Complete"), 4, log)
        self.assertIn("Receiving USR Waypoints Database into file 'H_usr.gar' (4 packets)", log)
        self.assertIn("Sending Routes Database from file 'H_routs.gar'", log)
        self.assertFalse(any("BEWARE" in line for line in log), log)
        self.assertIn("Transfer Aborted (Operator)", log)

    def test_client_against_host_mode_with_a_baud_change(self):
        host = self.start_host(["-296"], "unit")
        records = [(g.USER_WAYPOINT, g.newer_waypoint("KSEA", 47.449, -122.309, 64, facility="SEATTLE")),
                   (g.USER_WAYPOINT, g.newer_waypoint("BF", 47.6, -122.3, 66, facility="BOEING"))]
        self.write("user.gar", g.gar(260, records, count=len(records)))
        answers = [answer(SETUP, "OK", Mode="Write", Port="COM 2", Database="User", Filename="user.gar",
                          Max_Baud="28800"), answer(GO, "GO"), "command 32771\n",
                   answer(SETUP, "OK", Mode="Read", Port="COM 2", Database="User", Filename="back.gar",
                          Max_Baud="115200"), answer(GO, "GO")]
        code = self.run_headless("wistrel", self.write_answers(answers), timeout=120)
        self.assertEqual(code, 0, self.err_text)
        log = self.stop_host(host, "unit", jobs=2)
        for line in ["Accepted offer of 28800 Baud", "Changed Baudrate to 28800", "Accepted offer of 115200 Baud",
                     "Changed Baudrate to 115200", "Resetting Baudrate", "Changed Baudrate to 9600"]:
            self.assertIn(line, self.out)
        self.assertEqual(self.out.count("Transfer Complete"), 2, self.out)
        for line in ["Received: \"Request baudrate change\" to 28800", "Offerring 28418 baud",
                     "Offerring 113669 baud", "Offerring 9652 baud"]:
            self.assertIn(line, log)
        with open(self.path("unit", "H_usr.gar"), "rb") as f:
            held = f.read()
        self.assertIn(g.record(*records[1]), held)
        with open(self.path("back.gar"), "rb") as f:
            back = f.read()
        self.assertTrue(back.startswith(b"\xff\x04\x04\x01\xea\x01"), back[:8])
        self.assertIn(g.record(*records[0]) + g.record(*records[1]), back)


if __name__ == "__main__":
    unittest.main()
