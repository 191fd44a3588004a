"""Gindral, the FLARM database converter, run headless on the real samples and on generated
files: --list and --convert, round trips through every writer checked by the independent
reader in flarmcheck.py, the real peers (srec_cat/srec_info on the Butterfly file, xmllint on
the unshifted Naviter file), and the command line's exit statuses."""
import os
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import flarmcheck  # noqa: E402
from flarmcheck import record  # noqa: E402
from suite import SOURCE_DIR, TempFolderRun, answer  # noqa: E402

SAMPLES = os.path.join(SOURCE_DIR, "sidedata", "flarm", "tests", "data")
DATA_FLN = os.path.join(SAMPLES, "data.fln")
LX_FLN = os.path.join(SAMPLES, "lx.fln")
SAMPLE_RECORDS = [
    record("000000", "M\u00fcller", "D-2188", "D-2188", "ASK-13", "", "123.150"),
    record("000001", "", "000000", "000000", "Paraglider", "", ""),
    record("00000F", "", "D-9527", "D-9527", "ASW 27", "X27", ""),
]
# Butterfly type codes of the model names used here (the format's model table).
TYPE_CODES = {"ASK-13": 0x00C, "Paraglider": 0x063, "ASW 27": 1, "Discus": 0x028, "": 1}
HAVE_SREC = shutil.which("srec_cat") is not None and shutil.which("srec_info") is not None
HAVE_XMLLINT = shutil.which("xmllint") is not None


def list_line(r):
    return "%s %-23s %-23s %-6s %-23s %-3s %-7s" % (r["id"], r["name"], r["airfield"], r["reg"], r["type"],
                                                   r["compid"], r["frequency"])


def db_text(records):
    """DB text lines of records (NAME set, so REG and TYPE are kept)."""
    lines = ["%s|%-3s %-6s %-11s%s" % (r["id"], r["compid"], r["reg"], r["type"], r["name"]) for r in records]
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def generated(n, start=0x100000):
    return [record("%06X" % (start + i * 13), "Pilot %d" % i, "", "D-%04d" % (i % 10000), "Discus",
                   "%d" % (i % 100), "") for i in range(n)]


class GindralRun(TempFolderRun):
    prefix = "gindral-"

    def gindral(self, *args, answers=None):
        extra = self.write_answers(answers) if answers else []
        return self.run_headless("gindral", [*extra, *args])

    def convert(self, inputs, kind, out, *args, answers=None):
        return self.gindral("--convert", *inputs, "--to", kind, out, *args, answers=answers)

    def test_list_of_the_real_samples(self):
        for sample in (DATA_FLN, LX_FLN):
            self.assertEqual(self.gindral("--list", sample), 0, self.err_text)
            name = os.path.basename(sample)
            kind = "hex fln" if name == "data.fln" else "xml+1 fln"
            self.assertEqual(self.out, ["This file is %s format" % kind, "Version 006fb0"] +
                             [list_line(r) for r in SAMPLE_RECORDS] +
                             ["Totals: Read=3, Tail=1, Tail absent=2", "Reading Complete", ""], name)

    def test_both_samples_merged(self):
        self.assertEqual(self.convert([DATA_FLN, LX_FLN], "dbtext", "merged.txt"), 0, self.err_text)
        totals = [line for line in self.out if line.startswith(("Totals", "New merged"))]
        self.assertEqual(totals, ["Totals: Read=3, Tail=1, Tail absent=2",
                                  "Totals: Read=3, Tail=1, Tail absent=2", "New merged=0, Modified=3"])
        self.assertIn("Saved 3 items as merged.txt", self.out)

    def test_round_trips_through_every_writer(self):
        # A fourth record with texts that XML must escape.
        with open(DATA_FLN, "rb") as f:
            head = f.read(7)
        self.write("extra.fln", head + bytes(
            (b"ABCDEF" + "A & B <C> \u00fc".encode("cp1252").ljust(20) + b" " + b"Home".ljust(20) + b" " +
             b"Discus".ljust(20) + b" " + b"D-1234 " + b"ZZ " + b"122.3  ").hex().encode() + b"\n"))
        expected = SAMPLE_RECORDS + [record("ABCDEF", "A & B <C> \u00fc", "Home", "D-1234", "Discus", "ZZ", "122.3")]
        inputs = [DATA_FLN, "extra.fln"]
        self.assertEqual(self.convert(inputs, "winpilot", "out.fln"), 0, self.err_text)
        self.assertEqual(flarmcheck.read_winpilot(self.read("out.fln")), ("006fb0", expected))
        self.assertEqual(len(self.read("out.fln")), 7 + 4 * 173)

        self.assertEqual(self.convert(inputs, "naviter", "navi.fln"), 0, self.err_text)
        self.assertEqual(flarmcheck.read_naviter(self.read("navi.fln")), ("006fb0", expected))

        self.assertEqual(self.convert(inputs, "dbtext", "db.txt"), 0, self.err_text)
        dropped = [dict(r, airfield="", frequency="", **({"reg": "", "type": ""} if not r["name"] else {}))
                   for r in expected]
        self.assertEqual(flarmcheck.read_dbtext(self.read("db.txt")), dropped)
        self.assertIn("2 records saved without REG/TYPE (no NAME)", self.out)

        self.assertEqual(self.convert(inputs, "bfn", "out.bfn"), 0, self.err_text)
        version, records = flarmcheck.read_butterfly(self.read("out.bfn"))
        self.assertEqual(version, "006fb0")
        self.assertEqual(records, [flarmcheck.butterfly_view(r, TYPE_CODES[r["type"]]) for r in expected])

        self.assertEqual(self.convert(inputs, "flx", "out.flx"), 0, self.err_text)
        self.assertEqual(self.read("out.flx"), b"00000F\0X27\0\0\0\0ABCDEF\0ZZ\0\0\0\0\0")
        self.assertIn("Saved 2 items as out.flx", self.out)

        # Every file read back by Gindral gives the records its format keeps.
        for name, kept in (("out.fln", expected), ("navi.fln", expected), ("db.txt", dropped)):
            self.assertEqual(self.gindral("--list", name), 0)
            self.assertEqual([line for line in self.out if line[:6] in [r["id"] for r in kept]],
                             [list_line(r) for r in kept], name)

    def test_butterfly_file_of_10000_and_50000_records_passes_srec_tools(self):
        if not HAVE_SREC:
            self.skipTest("srecord is not installed")
        for n in (10000, 50000):
            records = generated(n)
            self.write("gen.txt", db_text(records))
            self.assertEqual(self.convert(["gen.txt"], "bfn", "gen.bfn", "--version", "00AB12", "--force"), 0,
                             self.err_text)
            data = self.read("gen.bfn")
            body = data.split(b"\n", 1)[1]
            lines = (n + 11) // 12 * 16
            self.assertGreater(lines, 8192)
            for tool in (["srec_cat", "-", "-intel", "-o", "/dev/null"], ["srec_info", "-", "-intel"]):
                done = subprocess.run(tool, input=body, capture_output=True)
                self.assertEqual(done.returncode, 0, (tool, done.stderr))
            info = subprocess.run(["srec_info", "-", "-intel"], input=body, capture_output=True).stdout.decode()
            self.assertIn("%06X - %06X" % (0x20000, 0x20000 + 16 * lines - 1), info.upper())
            version, back = flarmcheck.read_butterfly(data)
            self.assertEqual(version, "00ab12")
            self.assertEqual(back, [flarmcheck.butterfly_view(r, 0x028) for r in records])

    def test_naviter_file_is_xml_once_shifted_back(self):
        if not HAVE_XMLLINT:
            self.skipTest("xmllint is not installed")
        records = [record("DD0001", "Fish & Chips", "", "D-1", "ASK-21", "F", ""),
                   record("DD0002", "<script>", "", "D-2", "ASK-21", "S", ""),
                   record("DD0003", "M\u00fcller \"Q\"", "", "D-3", "ASK-21", "M", "")]
        self.write("in.txt", db_text(records))
        self.assertEqual(self.convert(["in.txt"], "naviter", "out.fln", "--version", "003c4d"), 0, self.err_text)
        self.write("plain.xml", flarmcheck.unshift(self.read("out.fln")))
        done = subprocess.run(["xmllint", "--noout", self.path("plain.xml")], capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(flarmcheck.read_naviter(self.read("out.fln"))[1], records)

    def test_ogn_device_file_and_ogndb_output(self):
        self.write("ogn.csv", "#DEVICE_TYPE,DEVICE_ID,AIRCRAFT_MODEL,REGISTRATION,CN,TRACKED,IDENTIFIED\n"
                              "'F','DD0001','ASK-21','D-1234','AB','Y','Y'\n'O','dd0002','Paraglider','','','Y','N'\n")
        self.write("OGNdb.txt", "DD0003|CD  D-9999 LS-4       Someone\r\n")
        self.assertEqual(self.convert(["ogn.csv", "OGNdb.txt"], "dbtext", "all.txt"), 0, self.err_text)
        self.assertEqual(self.read("all.txt"), b"DD0001|AB \r\nDD0002|   \r\nDD0003|CD  D-9999 LS-4       Someone\r\n")
        self.assertEqual(self.convert(["ogn.csv", "OGNdb.txt"], "dbtext", "OGNdb_out.txt"), 0, self.err_text)
        self.assertEqual(self.read("OGNdb_out.txt"), b"DD0003|CD  D-9999 LS-4       Someone\r\n")

    def test_overwriting_and_version(self):
        self.write("extra.txt", db_text(generated(1)))
        self.assertEqual(self.convert([DATA_FLN], "winpilot", "new.fln"), 0)
        first = self.read("new.fln")
        self.assertEqual(self.convert([LX_FLN, "extra.txt"], "winpilot", "new.fln"), 1)
        self.assertEqual(self.read("new.fln"), first)
        self.assertIn("Are you sure you want to overwrite new.fln ?", self.err_text)
        self.write("out.fln", b"old")
        # Not of the kind written: kept even with --force.
        self.assertEqual(self.convert([DATA_FLN], "winpilot", "out.fln", "--force"), 1)
        self.assertIn("not a hex fln file", self.err_text)
        self.assertEqual(self.read("out.fln"), b"old")
        self.assertEqual(self.convert([LX_FLN, "extra.txt"], "winpilot", "new.fln", "--force"), 0)
        self.assertEqual(len(self.read("new.fln")), 7 + 4 * 173)
        self.assertEqual(self.convert([LX_FLN], "winpilot", "new.fln",
                                      answers=[answer("Are you sure", "Yes")]), 0)
        self.assertEqual(self.read("new.fln"), first)
        self.assertEqual(self.convert([DATA_FLN], "winpilot", "v2.fln", "--version", "00cd34"), 0)
        self.assertEqual(self.read("v2.fln")[:7], b"00cd34\n")
        # No version anywhere: Set Version Number is asked; cancelled, nothing is written.
        self.write("db.txt", db_text(generated(3)))
        self.assertEqual(self.convert(["db.txt"], "bfn", "v.bfn"), 1)
        self.assertFalse(os.path.exists(self.path("v.bfn")))
        self.assertEqual(self.convert(["db.txt"], "bfn", "v", answers=[
            answer("Set Version Number", "OK", **{"#1000": "12"}),
            answer("Set Version Number", "OK", **{"#1000": "00ab12"})]), 0, self.err_text)
        self.assertIn("Please use 6 hex digits", self.err_text)
        self.assertEqual(flarmcheck.read_butterfly(self.read("v.bfn"))[0], "00ab12")

    def test_debug_level_tells_inexact_model_names(self):
        self.assertEqual(self.gindral("-d", "--convert", DATA_FLN, "--to", "bfn", "out.bfn"), 0, self.err_text)
        self.assertIn("debug = 1", self.out)
        self.assertIn('Used "Different Aircrafts" for "ASW 27"', self.out)
        self.assertNotIn('for "ASK-13"', "\n".join(self.out))
        self.assertEqual(self.gindral("--convert", DATA_FLN, "--to", "bfn", "out2.bfn"), 0)
        self.assertNotIn('Used "Different Aircrafts" for "ASW 27"', self.out)
        self.assertEqual(self.read("out.bfn"), self.read("out2.bfn"))

    def test_command_line_statuses(self):
        self.assertEqual(self.gindral("--bogus"), 2)
        self.assertIn("gindral", self.err_text)
        self.assertIn("--bogus", self.err_text)
        self.assertIn("usage:", self.err_text)
        self.assertEqual(os.listdir(self.dir), [])
        self.assertEqual(self.gindral("--help"), 0)
        self.assertIn("--convert", "\n".join(self.out))
        self.assertEqual(self.gindral("--version"), 0)
        self.assertTrue(self.out[0].startswith("Gindral "))
        self.assertEqual(self.gindral("--list", "missing.fln"), 1)
        self.assertIn("Failed to open file", self.out)
        self.write("junk.txt", "not a FLARM file")
        self.assertEqual(self.gindral("--list", "junk.txt"), 1)
        self.assertEqual(self.out[0], "This file is unknown format")
        self.assertEqual(self.convert([DATA_FLN, "missing.fln"], "dbtext", "x.txt"), 1)
        self.assertFalse(os.path.exists(self.path("x.txt")))
        self.assertEqual(self.gindral(), 0)


if __name__ == "__main__":
    unittest.main()
