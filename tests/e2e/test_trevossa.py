"""Trevossa run unattended on the writer-built unit files of sidedata/tests/data, and its batch
text loaded by brondel: every ADD|INT| line is DONE, the intersections in the database have
the idents and positions of the file (read back with the record reader of test_batch_update,
positions computed here from the file's bytes), and Create Image with the INT listing shows
them. Then the exit statuses and messages of failed runs and bad command lines, with nothing
created."""
import os
import re
import shutil
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from test_batch_update import read_records, degrees_to_circle  # noqa: E402

DATA = os.path.join(suite.SOURCE_DIR, "sidedata", "tests", "data")
VRP_IDENTS = ["ATOWE", "NGATE", "LAKE2", "ABCDE", "ABCD1", "ABCD2"]


def vrps_of(path):
    """(name, latitude, longitude) of the VRP records of a kind-51 container, read from the
    layout: signature, string count at +6, strings from +24, 15-byte section headers (type at
    +5, length at +11); records of an 8-byte head {type, length}, a VRP's name length at 29,
    name at 31, position at 12 and 16, and 4 bytes after its body."""
    with open(path, "rb") as f:
        data = f.read()
    sig = data.index(b"KpGrd\0")
    (count,) = struct.unpack_from("<I", data, sig + 6)
    at = sig + 24
    for _ in range(count):
        at = data.index(b"\0", at) + 1
    while True:
        (stype,) = struct.unpack_from("<H", data, at + 5)
        (length,) = struct.unpack_from("<I", data, at + 11)
        if stype not in (12, 50):
            break
        at += 15 + length
    at += 15
    out = []
    while True:
        rtype, rlen = struct.unpack_from("<II", data, at)
        head = 8 if rtype < 0x80003 else (12 if rtype <= 0x80008 else 16)
        if head > 8:
            (rlen,) = struct.unpack_from("<I", data, at + head - 4)
        if rtype == 0xFFFF:
            return out
        if rtype == 0x80002:
            lat, lon = struct.unpack_from("<ii", data, at + 12)
            (n,) = struct.unpack_from("<H", data, at + 29)
            out.append((data[at + 31:at + 31 + n].decode("latin-1"), lat, lon))
        at += head + rlen + (4 if rtype in (0x80001, 0x80002) else 0)


class Trevossa(suite.TempFolderRun):
    prefix = "trevossa-"

    def trevossa(self, *args):
        return self.run_headless("trevossa", list(args))

    def brondel_batch(self, batch):
        self.write("c.ctl", ["Mode=BatchUpdate", "Filename=" + batch, "Listing=1", "GO=1",
                             "Mode=CreateImage", "Filename=t.img", "Title=TEST", "GO=1",
                             "Mode=List", "Section=INT", "Filename=t.img", "GO=1"])
        code = self.run_headless("brondel", ["-F", "c.ctl"])
        return code, self.out

    def assert_nothing_made(self, before):
        self.assertEqual(sorted(os.listdir(self.dir)), before)

    def test_vrps_become_intersections_in_the_database_and_the_image(self):
        code = self.trevossa("-S", os.path.join(DATA, "vrp51.awp"), "-D", "out.txt")
        self.assertEqual(code, 0, self.err_text)
        self.assertEqual(self.out, ["Starting Auto run", "Auto run complete"])
        lines = self.read("out.txt").decode("cp1252").split("\r\n")
        self.assertEqual(lines[-1], "")
        adds = [l for l in lines if l.startswith("ADD|INT|")]
        self.assertEqual([l.split("|")[2] for l in adds], VRP_IDENTS)
        for line in adds:
            # Exactly 6 fields before the comment.
            self.assertEqual(len(line.split("//")[0].strip().split("|")), 6, line)
        self.assertIn("Control tower {ATOWE}", adds[0])  # the <br> is gone in batch form

        code, out = self.brondel_batch("out.txt")
        self.assertEqual(code, 0, self.err_text)
        done = [l for l in out if l.strip().startswith("(")]
        self.assertEqual(len(done), 6, out)
        self.assertTrue(all(l.strip().startswith("(DONE) ADD|INT|") for l in done), done)

        ints = {r["iident"].rstrip(): r for r in read_records(self.path("db50"), "ints")}
        countries = read_records(self.path("db50"), "country")
        self.assertEqual([(c["cid"], c["cname"].rstrip()) for c in countries], [("XW", "EURO")])
        unit = 360.0 / 2 ** 32
        for ident, (name, lat, lon) in zip(VRP_IDENTS, vrps_of(os.path.join(DATA, "vrp51.awp"))):
            rec = ints[ident.replace("2", "r").replace("1", "q")]  # digits are stored as p-y
            self.assertEqual(rec["ilat"], degrees_to_circle(lat * unit, 21), name)
            self.assertEqual(rec["ilong"], degrees_to_circle(lon * unit, 21), name)
        # The INT listing of the image names every VRP.
        listing = "\n".join(out)
        for ident in VRP_IDENTS:
            self.assertRegex(listing, r"\b%s\b" % ident)

    def test_obstacles_of_a_fixed_file_become_numbered_intersections(self):
        code = self.trevossa("-S", os.path.join(DATA, "fixed39.awp"), "-D", "obst.txt")
        self.assertEqual(code, 0, self.err_text)
        text = self.read("obst.txt").decode("cp1252")
        names = re.findall(r"^ADD\|INT\|([^|]+)\|", text, re.M)
        self.assertEqual(names, ["1234", "1234A", "1234B", "12342", "L124A"])
        self.assertIn(" 1234 394 lit {1234}", text)
        self.assertIn(" 1234 262 unlit {1234A}", text)
        code, out = self.brondel_batch("obst.txt")
        self.assertEqual(code, 0, self.err_text)
        self.assertEqual(sum(1 for l in out if l.strip().startswith("(DONE) ADD|INT|")), 5, out)
        idents = sorted(r["iident"].rstrip() for r in read_records(self.path("db50"), "ints"))
        self.assertEqual(len(idents), 5)

    def test_failed_runs_end_with_1_and_a_message(self):
        cases = [
            (os.path.join(DATA, "vrp51.awp"), os.path.join("missing", "out.txt"),
             "Cannot open selected file for writing"),
            ("absent.awp", "out.txt", "Cannot open selected file for reading"),
            (os.path.join(DATA, "nothing.awp"), "out.txt", "No VRPs, Obstacles, or AOPA Data in this file"),
        ]
        for source, target, message in cases:
            with self.subTest(source=source, target=target):
                before = sorted(os.listdir(self.dir))
                self.assertEqual(self.trevossa("-S", source, "-D", target), 1)
                self.assertEqual(self.err_text.splitlines(), ["trevossa: " + message])
                self.assert_nothing_made(before)

    def test_an_existing_output_is_replaced_only_by_a_finished_one(self):
        self.write("out.txt", "kept")
        self.assertEqual(self.trevossa("-S", os.path.join(DATA, "nothing.awp"), "-D", "out.txt"), 1)
        self.assertEqual(self.read("out.txt"), b"kept")
        self.assertEqual(self.trevossa("-S" + os.path.join(DATA, "obstacles38.awp"), "-Dout.txt", "-P"), 0)
        text = self.read("out.txt").decode("cp1252")
        self.assertEqual(text.count("PL|LINE A|"), 1)  # the duplicate purged
        self.assertEqual(sorted(os.listdir(self.dir)), [".config", "out.txt"] if os.path.exists(
            self.path(".config")) else ["out.txt"])

    def test_command_line_cases(self):
        cases = [
            (["--frobnicate"], 2, "", "trevossa: unknown switch --frobnicate"),
            (["-Z"], 2, "", "trevossa: unknown switch -Z"),
            (["-S"], 2, "", "trevossa: unknown switch -S"),
            (["--help"], 0, "usage: trevossa", ""),
            (["--version"], 0, "Trevossa ", ""),
        ]
        for args, status, out, err in cases:
            with self.subTest(args=args):
                before = sorted(os.listdir(self.dir))
                self.assertEqual(self.trevossa(*args), status)
                if out:
                    self.assertTrue(self.out and self.out[0].startswith(out), self.out)
                else:
                    self.assertEqual(self.out, [])
                if err:
                    self.assertEqual(self.err_text.splitlines()[0], err)
                    self.assertTrue(self.err[1].startswith("usage: trevossa"))
                else:
                    self.assertEqual(self.err, [])
                self.assert_nothing_made(before)


if __name__ == "__main__":
    unittest.main()
