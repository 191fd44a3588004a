"""The batch update run unattended: brondel loads the example batch file into an empty
database through a control file; the record files it leaves are read back here with a reader
of the record layouts written from the file format (1024-byte header, slots of a 2-byte status
and the record), independent of the C++ code."""
import os
import shutil
import struct
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402

# Record layouts: (field, struct code) in record order; "8s" idents, "32s" names.
LAYOUTS = {
    "apts": [("asno", "i"), ("aident", "8s"), ("alat", "i"), ("along", "i"), ("afacil", "i"), ("acity", "i"),
             ("acountry", "i"), ("aheight", "i"), ("afuel", "i"), ("autc", "i"), ("a212025", "i"),
             ("a221507", "i")],
    "country": [("csno", "i"), ("cid", "4s"), ("cname", "20s")],
    "freq3": [("fsno", "i"), ("faptno", "i"), ("ftype", "i"), ("freq", "i"), ("flags", "i"), ("frsno", "i"),
              ("f431", "i")],
    "ints": [("isno", "i"), ("iident", "8s"), ("ilat", "i"), ("ilong", "i"), ("iname", "i"), ("iparent", "i"),
             ("icountry", "i"), ("iflags", "i"), ("icompat", "i")],
    "names": [("nsno", "i"), ("nname", "32s")],
    "ndbs": [("bsno", "i"), ("bident", "8s"), ("blat", "i"), ("blong", "i"), ("bfacil", "i"), ("bcity", "i"),
             ("bcountry", "i"), ("bfreq", "i"), ("bcompat", "i"), ("bflags", "i")],
    "rwy3": [("rsno", "i"), ("raptno", "i"), ("rwidth", "i"), ("rlen", "i"), ("rsl", "i"), ("rw", "i"),
             ("rflags", "i"), ("rpicst", "i"), ("rpic", "i"), ("rpicfl", "i"), ("rnpic", "i"), ("rnpic2", "i")],
    "vors": [("vsno", "i"), ("vident", "8s"), ("vlat", "i"), ("vlong", "i"), ("vfacil", "i"), ("vcity", "i"),
             ("vcountry", "i"), ("vfreq", "i"), ("vdme", "i"), ("vtr", "i"), ("vmag", "i"), ("v221817", "i")],
    "usr": [("usno", "i"), ("uident", "8s"), ("ulat", "i"), ("ulong", "i"), ("utime", "i"), ("uname", "32s"),
            ("uicon", "i")],
    "restr": [("rcsno", "i"), ("rcnxt", "i"), ("rcres", "8s")],
}


def text(b):
    return b.split(b"\0", 1)[0].decode("latin-1")


def read_records(db, name):
    """Live records of a data file as dictionaries."""
    fmt = "<" + "".join(code for _, code in LAYOUTS[name])
    size = struct.calcsize(fmt)
    with open(os.path.join(db, name + ".dta"), "rb") as f:
        data = f.read()
    header_size, slot_length, slot_count = struct.unpack_from("<HHi", data, 0)
    assert header_size == 1024 and slot_length == size + 2, (name, header_size, slot_length)
    assert data[1020:1021] == b"2", name  # the version mark
    records = []
    for n in range(slot_count):
        at = 1024 + n * slot_length
        (status,) = struct.unpack_from("<H", data, at)
        if status != 0:
            continue
        values = struct.unpack_from(fmt, data, at + 2)
        rec = {}
        for (field, code), v in zip(LAYOUTS[name], values):
            rec[field] = text(v) if code in ("8s", "4s", "20s", "32s") else v
            if code == "8s" and field == "rcres":
                rec[field] = v
        records.append(rec)
    return records


def s32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def degrees_to_circle(degrees, bits):
    """Circle units (2^32 to the full turn) keeping `bits` significant bits, rounded on the
    highest dropped bit, the sign applied last."""
    if degrees == -180.0:
        return s32(0x80000000)
    v = (int(abs(degrees) * 2 ** 23) // 45) * 64
    unit = 1 << (32 - bits)
    kept = v & ~(unit - 1)
    if v & (unit >> 1):
        kept += unit
    return s32(-kept if degrees < 0 else kept)


def position(field, bits=21):
    """A coordinate text of the batch file: "N 47\xb026.940", "W122~18.300" or "N465110"."""
    field = field.replace("\xb0", "~").replace("#", "~").strip()
    sign = -1 if field[0] in "SW" else 1
    body = field[1:].strip()
    if "~" in body:
        d, m = body.split("~")
        value = int(d) + float(m) / 60.0
    else:
        n = 3 if field[0] in "EW" else 2
        value = int(body[:n]) + int(body[n:n + 2]) / 60.0 + int(body[n + 2:n + 4]) / 3600.0
    return degrees_to_circle(sign * value, bits)


def pack_runway_picture(kind, a, b):
    """Picture start and picture word of a runway from its two end words."""
    if a == 0 and b == 0:
        return 0, 0
    a &= 0xFFFFFFFF
    b &= 0xFFFFFFFF
    h = (s32(a) >> 9) & 0x3FF800
    start = (((a >> 4) & 0x7FF) + h) & 0xFFFF
    picture = ((((h >> 15) + (b & 0x7FF00000)) >> 1) | ((b & 0x7FF0) * 16)) & 0xFFFFFFFF
    if kind & 1:
        picture += 64
    picture |= 0xC0000080 if kind & 2 else 0x80000080
    return start, s32(picture)


def end_word(apt_lat, apt_lon, lat, lon):
    return s32(((s32(apt_lat - lat) >> 7) << 16) | ((s32(apt_lon - lon) >> 7) & 0xFFFF))


def chain_bytes(restr, first):
    by_sno = {r["rcsno"]: r for r in restr}
    out = b""
    seen = 0
    while first and seen < 32:
        r = by_sno[first]
        out += r["rcres"]
        first = r["rcnxt"]
        seen += 1
    return out[:out[0] + 1] if out else b""


def linked_chains(freqs, restr):
    """The serials of the restriction records reached from the frequencies; each once."""
    by_sno = {r["rcsno"]: r for r in restr}
    linked = set()
    for f in freqs:
        s = f["frsno"]
        while s:
            assert s not in linked, "a restriction record in two chains"
            linked.add(s)
            s = by_sno[s]["rcnxt"]
    return linked


def batch_lines(path):
    """The lines of a batch file that are not comments, as the listing shows them."""
    lines = []
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").split("\r\n"):
            line = raw.rstrip()
            if not line or line.startswith("/"):
                continue
            cut = line.find("//", 1)
            if cut >= 0:
                line = line[:cut].rstrip()
            lines.append(line)
    return lines


class BatchUpdate(suite.TempFolderRun):
    """The examples copied into the folder; the program runs in its subfolder "run"."""

    prefix = "batch-"

    def setUp(self):
        super().setUp()
        shutil.copytree(suite.EXAMPLES_DIR, self.path("examples"))
        self.run_dir = self.path("run")
        os.mkdir(self.run_dir)
        self.db = os.path.join(self.run_dir, "db50")

    def brondel(self, *args):
        code = self.run_headless("brondel", args, cwd=self.run_dir, timeout=300)
        return code, self.out, self.err_text

    def load(self):
        return self.brondel("-F", "../examples/load.ctl")

    def write(self, name, lines):
        super().write(os.path.join("run", name), lines)

    def control(self, batch):
        self.write("c.ctl", ["Mode=BatchUpdate", "Filename=" + batch, "Listing=1", "GO=1"])
        return self.brondel("-F", "c.ctl")

    def records(self, name):
        return read_records(self.db, name)

    def test_example_loads_with_the_values_of_its_lines(self):
        before = int(time.time()) - 631065600
        code, out, err = self.load()
        after = int(time.time()) - 631065600
        self.assertEqual(code, 0, err)
        self.assertEqual(err, "")
        lines = batch_lines(os.path.join(self.dir, "examples", "puget_bat.txt"))
        # Every line is listed with its result.
        for line in lines:
            self.assertIn("    (DONE) " + line, out)
        self.assertEqual(out[-3:], ["", "**** Control File Completed ****", ""])
        self.assertIn("Database Update Complete", out)

        countries = self.records("country")
        self.assertEqual([(c["csno"], c["cid"], c["cname"]) for c in countries], [(0, "US", "UNITED STATES")])
        names = {n["nsno"]: n["nname"] for n in self.records("names")}
        self.assertEqual(len(set(names.values())), len(names), "a name is stored twice")
        self.assertIn("YAKIMA AIR TERMINAL/MCALLISTER", names.values())  # cut to 31 characters

        apts = {a["aident"]: a for a in self.records("apts")}
        self.assertEqual(len(apts), sum(1 for l in lines if l.startswith("ADD|APT|")))
        sea = apts["KSEA"]
        self.assertEqual(sea["alat"], position("N 47\xb026.940"))
        self.assertEqual(sea["along"], position("W122\xb018.540"))
        self.assertEqual(names[sea["acity"]], "SEATTLE")
        self.assertEqual(names[sea["afacil"]], "SEATTLE-TACOMA INTL")
        self.assertEqual(apts["KBFI"]["acity"], sea["acity"])
        self.assertEqual(sea["aheight"], 433)
        self.assertEqual(sea["acountry"], 0)
        # Fuel letters J (16) and A (4); the "no runway yet" bit 0 went with the first runway.
        self.assertEqual(sea["afuel"], 16 | 4)
        self.assertEqual(apts["KNUW"]["afuel"], 16 | 4 | 64)   # [MIL]
        self.assertEqual(apts["Wqv"]["afuel"], 128)             # W16: [PRV], digits as p-y
        self.assertEqual(apts["pSy"]["aheight"], 108)          # 0S9
        self.assertEqual(apts["KUIL"]["afuel"], 0)
        for a in apts.values():
            self.assertEqual((a["a212025"], a["a221507"]), (-1, 0), a["aident"])
        self.assertEqual(sorted(a["asno"] for a in apts.values()), list(range(len(apts))))

        rwys = self.records("rwy3")
        sea_rwys = {r["rw"]: r for r in rwys if r["raptno"] == sea["asno"]}
        self.assertEqual(len(sea_rwys), 3)
        r = sea_rwys[16 | 64 | 128 | (16 << 8)]  # 16L-34R, the other end given explicitly
        self.assertEqual((r["rlen"], r["rwidth"], r["rflags"]), (11901, 150, 1))
        self.assertEqual(r["rsl"], 0 + 6 * 8 + 64)  # hard, ft lts, picture present
        self.assertEqual(r["rpicfl"], s32(0xF0000001))
        a = end_word(sea["alat"], sea["along"], position("N 47\xb027.820"), position("W122\xb018.480"))
        b = end_word(sea["alat"], sea["along"], position("N 47\xb025.880"), position("W122\xb018.490"))
        self.assertEqual((r["rnpic"], r["rnpic2"]), (a, b))
        self.assertEqual((r["rpicst"], r["rpic"]), pack_runway_picture(1, a, b))
        c = sea_rwys[16 | 32 | 128 | (16 << 8)]  # 16C-34C: the letter makes the other end explicit
        self.assertEqual((c["rflags"], c["rpicst"], c["rpic"], c["rpicfl"], c["rsl"]), (-1, 0, 0, s32(0xF0000000), 48))
        arlington = [r for r in rwys if r["raptno"] == apts["KAWO"]["asno"] and r["rw"] == 11]
        self.assertEqual(arlington[0]["rsl"], 1)  # turf, no lights

        freqs = [f for f in self.records("freq3") if f["faptno"] == sea["asno"]]
        by_type = {(f["ftype"], f["freq"]): f for f in freqs}
        self.assertIn((4 | 128, 11990), by_type)  # TOWER 119.90 M
        app = by_type[(9, 11920)]
        self.assertEqual((app["flags"], app["f431"]), (0, -1))
        restr = self.records("restr")
        self.assertEqual(chain_bytes(restr, app["frsno"]), bytes([5, 0x85, 161, 340 - 256, 0x98, 0x3A]))
        self.assertEqual(by_type[(0, 11800)]["frsno"], 0)
        bfi = [f for f in self.records("freq3") if f["faptno"] == apts["KBFI"]["asno"]]
        self.assertIn((4 | 128, 11830), [(f["ftype"], f["freq"]) for f in bfi])  # 118.30*
        # Every restriction record belongs to the chain of one frequency.
        self.assertEqual(linked_chains(self.records("freq3"), restr), {x["rcsno"] for x in restr})

        ndbs = {n["bident"]: n for n in self.records("ndbs")}
        self.assertEqual((ndbs["HQ"]["bfreq"], ndbs["HQ"]["bcompat"], ndbs["HQ"]["bflags"]), (4140, 4, -1))
        self.assertEqual((ndbs["EPH"]["bfreq"], ndbs["EPH"]["bcompat"]), (3965, 0))
        vors = {v["vident"]: v for v in self.records("vors")}
        self.assertEqual((vors["SEA"]["vfreq"], vors["SEA"]["vdme"]), (11680, 0x8000 | 0x100))
        self.assertEqual(vors["BLI"]["vdme"], 0x8000 | 0x300)
        self.assertEqual(vors["YKM"]["vdme"], 0x8000 | 0x100 | 0x4000)
        self.assertEqual((vors["RNT"]["vfreq"], vors["RNT"]["vdme"]), (10925, 1 | 0x2004 | 0x200))
        self.assertEqual(names[vors["RNT"]["vcity"]], "RENTON")
        self.assertEqual((vors["SEA"]["vtr"], vors["SEA"]["v221817"]), (0, -1))

        ints = {i["iident"]: i for i in self.records("ints")}
        self.assertIn("SEApu", ints)  # SEA05
        self.assertEqual((ints["RAINR"]["iflags"], ints["RAINR"]["icompat"]), (-1, 0))
        usrs = {u["uident"]: u for u in self.records("usr")}
        needle = usrs["SPACE-N"]
        self.assertEqual(needle["uname"], "SPACE NEEDLE")
        self.assertEqual(needle["ulat"], position("N473715", 26))
        self.assertEqual(needle["uicon"], 0x120003)
        self.assertTrue(before <= needle["utime"] <= after)

    def test_second_run_updates_and_adds_nothing(self):
        self.assertEqual(self.load()[0], 0)
        counts = {n: len(self.records(n)) for n in LAYOUTS}
        code, out, err = self.load()
        self.assertEqual(code, 0, err)
        self.assertEqual({n: len(self.records(n)) for n in LAYOUTS}, counts)
        for line in batch_lines(os.path.join(self.dir, "examples", "puget_bat.txt")):
            kind = line.split("|")[1]
            if kind == "FRQ":
                expected = "    (DONE) " if "|R:" in line else "      (OK) "
            else:
                expected = "(MODIFIED) "
            self.assertIn(expected + line, out)

    def test_delete_lines_remove_the_records(self):
        self.assertEqual(self.load()[0], 0)
        sea = [a for a in self.records("apts") if a["aident"] == "KSEA"][0]
        self.write("del.txt", [
            "DEL|APT|KSEA|US|SEATTLE|SEATTLE-TACOMA INTL",
            "DEL|RWY|KBFI|US|3709|14L-32R",
            "DEL|FRQ|KBFI|US|TOWER|118.30*",
            "DEL|NDB|HQ|US|HOQUIAM|HOQUIAM NDB",
            "DEL|VOR|SEA|US",
            "DEL|INT|SEA05|US",
            "DEL|USR|SPACE-N",
            "DEL|USR|SPACE-N",
            "DEL|APT|KBFI|US|SPOKANE",
        ])
        code, out, err = self.control("del.txt")
        self.assertEqual(code, 0, err)
        self.assertIn("     (ABS) DEL|USR|SPACE-N", out)
        self.assertIn("  *ERR-NU* DEL|APT|KBFI|US|SPOKANE", out)
        self.assertEqual(sum(1 for l in out if l.startswith("    (DONE) DEL|")), 7)
        self.assertNotIn("KSEA", [a["aident"] for a in self.records("apts")])
        self.assertEqual([r for r in self.records("rwy3") if r["raptno"] == sea["asno"]], [])
        self.assertEqual([f for f in self.records("freq3") if f["faptno"] == sea["asno"]], [])
        self.assertEqual(linked_chains(self.records("freq3"), self.records("restr")),
                         {r["rcsno"] for r in self.records("restr")})
        bfi = [a for a in self.records("apts") if a["aident"] == "KBFI"][0]
        self.assertEqual(len([r for r in self.records("rwy3") if r["raptno"] == bfi["asno"]]), 1)
        self.assertNotIn("HQ", [n["bident"] for n in self.records("ndbs")])
        self.assertNotIn("SEA", [v["vident"] for v in self.records("vors")])
        self.assertNotIn("SEApu", [i["iident"] for i in self.records("ints")])
        self.assertNotIn("SPACE-N", [u["uident"] for u in self.records("usr")])

    def test_normal_listing_shows_progress_and_errors_only(self):
        self.write("b.txt", ["ADD|USR|ONE|N 47~00.000|W122~00.000|FIRST", "ADD|APT|KXYZ|US|ONLY EIGHT|FIELDS|N 1~0.0|E 1~0.0",
                             "// a comment counts as a line", "ADD|USR|TWO|N 47~00.000|W122~00.000|SECOND"])
        self.write("c.ctl", ["Mode=BatchUpdate", "Filename=b.txt", "GO=1"])
        code, out, err = self.brondel("-F", "c.ctl")
        self.assertEqual(code, 0, err)
        end = out.index("Database Update Complete")
        self.assertIn("  *ERR-FC* ADD|APT|KXYZ|US|ONLY EIGHT|FIELDS|N 1~0.0|E 1~0.0", out)
        self.assertEqual(out[end - 2], "Processing line 4")
        self.assertFalse(any(l.startswith("CMD:") for l in out))
        self.assertEqual(len(self.records("usr")), 2)


if __name__ == "__main__":
    unittest.main()
