"""Wistrel's transfers over the packet link: the client against its own emulator child
(port "Client", two pipes), headless. GAR files of each kind written to the child and read
back, image uploads in the old protocol and with a loader in the new one, the child used
again by the next transfer, and the child's end with its parent."""
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import garfixtures as g  # noqa: E402
import linkfixtures as lf  # noqa: E402
from suite import TempFolderRun, answer, program  # noqa: E402

SETUP = "Setup Communications"
GO = "Confirm Transfer Details"
SETUP_COMMAND = "command 32771\n"


def client(mode, database, filename, **more):
    return [answer(SETUP, "OK", Mode=mode, Port="Client", Database=database, Filename=filename, **more),
            answer(GO, "GO")]


def gar_records(path):
    """The (id, data) records of a GAR file."""
    with open(path, "rb") as f:
        data = f.read()
    records, at = [], 0
    while at + 2 <= len(data):
        rid, size = data[at], data[at + 1]
        records.append((rid, data[at + 2:at + 2 + size]))
        at += 2 + size
    return records


KINDS = {
    "User": ("H_usr.gar", [(g.USER_WAYPOINT, g.older_waypoint("EGLL", 51.4775, -0.461389, cls=0, text="HEATHROW")),
                           (g.USER_WAYPOINT, g.newer_waypoint("KSEA", 47.449, -122.309, 64, facility="SEATTLE")),
                           (g.USER_WAYPOINT, g.older_waypoint("DLE", 16.0, 16.0, cls=1, comment="\x10\x10"))]),
    "Routes": ("H_routs.gar", [(g.ROUTE_HEADER, b"\x01HOME\0"),
                               (g.ROUTE_WAYPOINT, g.older_waypoint("HOME", 51.0, -1.0, cls=4)),
                               (g.ROUTE_LINK, b"\x00" * 4),
                               (g.ROUTE_WAYPOINT, g.older_waypoint("EGLL", 51.4775, -0.461389, cls=0))]),
    "Proximity": ("H_prox.gar", [(g.PROXIMITY, g.older_waypoint("MAST", 50.0, -1.0, cls=4, distance_m=1853.0))]),
    "Almanac": ("H_alman.gar", [(g.ALMANAC, bytes((i * 13 + n) & 0xFF for i in range(42))) for n in range(3)]),
    "Tracks": ("H_track.gar", [(g.TRACK_HEADER, g.track_header("ACTIVE LOG"))] +
               [(g.TRACK_POINT, g.newer_track_point(47.0 + i / 100, -122.0, 86400 * 5000 + i, 100.0 + i, i == 0))
                for i in range(5)]),
}


class ClientRun(TempFolderRun):
    prefix = "wistrel-link-"

    def server_log(self):
        with open(self.path("wistrel-server.log"), encoding="cp1252") as f:
            return f.read().splitlines()

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def test_gar_files_of_each_kind_written_and_read_back(self):
        answers = []
        for i, (database, (host, records)) in enumerate(KINDS.items()):
            lf.write(self.dir, "w%d.gar" % i, g.gar(45, records, count=len(records)))
            if i:
                answers.append(SETUP_COMMAND)
            answers += client("Write", database, "w%d.gar" % i)
            answers.append(SETUP_COMMAND)
            answers += client("Read", database, "r%d.gar" % i)
        code = self.run_headless("wistrel", ["-d"] + self.write_answers(answers))
        self.assertEqual(code, 0, self.err_text)
        self.assertEqual(self.out.count("Transfer Complete"), 2 * len(KINDS), self.out)
        self.assertFalse(any("BEWARE" in line for line in self.out), self.out)
        log = self.server_log()
        self.assertEqual(log.count("Host Transfer Complete"), 2 * len(KINDS))
        self.assertEqual(sum(1 for line in log if "Transfer Details" in line), 1, "one child for every transfer")
        for i, (database, (host, records)) in enumerate(KINDS.items()):
            with self.subTest(database=database):
                # The child's file: the count, the records, the end.
                self.assertEqual(gar_records(self.path(host)),
                                 [(27, bytes([len(records), 0]))] + records + [(12, b"\0\0")])
                # Read back: the emulated unit's product data, the count, the records, the end.
                back = gar_records(self.path("r%d.gar" % i))
                self.assertEqual(back[0], (255, bytes([45, 0, 206, 0])))
                self.assertEqual(back[1:], [(27, bytes([len(records), 0]))] + records +
                                 [(12, bytes([{"User": 7, "Routes": 4, "Proximity": 3, "Almanac": 1,
                                               "Tracks": 6}[database], 0]))])

    def test_a_transfer_that_does_not_complete_ends_with_status_3(self):
        lf.write(self.dir, "w.gar", g.gar(260, KINDS["User"][1]))
        code = self.run_headless("wistrel", ["-d"] + self.write_answers(
            client("Write", "User", "w.gar") + [answer("appear to be incompatible", "No")]))
        self.assertEqual(code, 3, self.err_text)
        self.assertIn("Transfer Aborted (Wrong Model)", self.out)
        self.assertFalse(os.path.exists(self.path("H_usr.gar")))

    def test_image_upload_old_protocol(self):
        img = lf.image(lf.OLDER, 512 * 1024, blank_blocks=range(10, 20))
        lf.write(self.dir, "db.img", img)
        code = self.run_headless("wistrel", ["-d"] + self.write_answers(client("Write", "Aviation", "db.img")))
        self.assertEqual(code, 0, self.err_text)
        self.assertIn("Transfer Complete", self.out)
        self.assertIn("%d Packets to send" % (len(img) // 128 - 10), self.out)
        self.assertIn("Packets Transferred: %d" % (len(img) // 128 - 10), self.out)
        log = self.server_log()
        self.assertIn("Requesting new Database", log)
        self.assertIn("Sumchecks Correct", log)
        held = self.read("H_avd.img")
        self.assertEqual(len(held), 4096 * 256, "the 90's memory erased whole")
        self.assertEqual(held[:len(img)], img)
        self.assertEqual(held[len(img):], b"\xff" * (len(held) - len(img)))

    def test_image_upload_with_loader_in_the_new_protocol(self):
        img = lf.image(lf.NEWER, 300 * 1024, blank_blocks=range(100, 103))
        lf.write(self.dir, "db.img", img)
        loader = bytes((i * 3) & 0xFF for i in range(1000))
        lf.write(self.dir, "ldr.awp", lf.loader_container(260, loader))
        answers = client("Write", "Aviation", "db.img") + [answer("Is it OK to upload the Loader", "Yes")]
        code = self.run_headless("wistrel", ["-296", "-NEWPCL", "-d"] + self.write_answers(answers))
        self.assertEqual(code, 0, self.err_text)
        for line in ["Loader found in file ldr.awp", "Accepted offer of 57600 Baud", "Changed Baudrate to 57600",
                     "Changed Baudrate to 9600", "Transfer Complete"]:
            self.assertIn(line, self.out)
        self.assertEqual(self.out.count("Requesting 57600 Baud"), 2, "again after the loader")
        log = self.server_log()
        self.assertIn("Received: \"Request Start Region 12 Receive\"", log)
        self.assertIn("Received: \"Request Start Region 0 Receive\"", log)
        self.assertIn("Sumchecks Correct", log)
        self.assertEqual(self.read("H_loadr.bin")[:len(loader)], loader)
        held = self.read("H_avd.img")
        self.assertEqual(len(held), 8192 * 256)
        self.assertEqual(held[:len(img)], img)

    def start_upload(self):
        """A client uploading a large image to its child, with the child's pid once it runs."""
        lf.write(self.dir, "db.img", lf.image(lf.OLDER, 2 * 1024 * 1024 - 1024))
        answers = self.write_answers(client("Write", "Aviation", "db.img"))
        proc = subprocess.Popen([program("wistrel"), "--headless", "-d"] + answers, cwd=self.dir, env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 30
        child = None
        while time.monotonic() < deadline and child is None:
            out = subprocess.run(["pgrep", "-P", str(proc.pid)], capture_output=True, text=True).stdout.split()
            child = int(out[0]) if out else None
            time.sleep(0.05)
        self.assertIsNotNone(child)
        # Wait until blocks flow.
        while time.monotonic() < deadline:
            if os.path.exists(self.path("wistrel-server.log")) and "Receiving" in "\n".join(self.server_log()):
                break
            time.sleep(0.05)
        return proc, child

    def wait_gone(self, pid, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                return True
            with open("/proc/%d/stat" % pid) as f:
                if f.read().split()[2] == "Z":
                    return True
            time.sleep(0.02)
        return False

    def test_stop_mid_upload_and_killing_the_parent(self):
        proc, child = self.start_upload()
        proc.send_signal(signal.SIGTERM)
        out, _ = proc.communicate(timeout=20)
        self.assertEqual(proc.returncode, 3, "the upload did not complete")
        self.assertIn("Transfer Aborted (Operator)", out.decode("cp1252").splitlines())
        self.assertTrue(self.wait_gone(child, 5), "the child ends with its parent")

        proc, child = self.start_upload()
        proc.kill()
        proc.communicate(timeout=20)
        self.assertTrue(self.wait_gone(child, 2), "a killed parent's child ends at once")
        self.assertIn("Read error 32 occurred - Transfer Terminated", self.server_log())


if __name__ == "__main__":
    unittest.main()
