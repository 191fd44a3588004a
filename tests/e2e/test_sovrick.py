"""Sovrick, the 92/190 generator, run headless from control files in a temporary folder; its
images judged by the independent checker img92check.py.

- Round trip: the example batch file and compiled SUA and FSS/TCC text -> database -> image A ->
  Create ISAM into the erased database (usr and rte kept) -> image B: B == A. The checker accepts
  A and finds every APT, INT, NDB and VOR of the batch file with its ident (to the kept length),
  position, names and country. The same without TCC.DAT and SUA.DAT, whose header pointers are
  then absent and whose stale files Create ISAM removes.
- Model-92 images are refused by the other generators, and theirs by Sovrick.
- Damaged images are refused before anything in db50 is erased.
"""
import os
import random
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import img92check  # noqa: E402
from suite import EXAMPLE_BATCH, EXAMPLES_DIR  # noqa: E402
from test_create_image import GeneratorRun  # noqa: E402

KEPT = {"APT": 4, "INT": 5, "NDB": 3, "VOR": 3}


def patched(image, offset, data):
    """The image with bytes replaced and its sumcheck bytes made right again."""
    out = bytearray(image[:offset] + data + image[offset + len(data):])
    padded = out + b"\xff" * (0x180000 - len(out))
    for i in range(12):
        block = padded[i * 0x20000:(i + 1) * 0x20000]
        out[i] = (256 - sum(block[12:] if i == 0 else block) % 256) % 256
    return bytes(out)


class SovrickRun(GeneratorRun):
    prefix = "sovrick-"
    checker = img92check

    def sovrick(self, sections, answers=None):
        return self.run_program("sovrick", sections, answers=answers)

    def load(self, airspace):
        sections = [{"Mode": "BatchUpdate", "Filename": EXAMPLE_BATCH}]
        if airspace:
            sections += [{"Mode": "CompileSUA", "Filename": self.sua_text_without_adiz()},
                         {"Mode": "CompileTCC", "Filename": os.path.join(EXAMPLES_DIR, "puget_tcc.txt")}]
        self.assertEqual(self.sovrick(sections), 0, self.err)
        self.assertEqual(self.err, [])

    def image(self, name):
        a = self.example_image(self.sovrick, name)
        self.assertEqual(self.err, [])
        return a

    def database(self):
        folder = self.path("db50")
        return {n: self.read("db50", n) for n in sorted(os.listdir(folder))}


class RoundTrip(SovrickRun):
    def check_records(self, content):
        self.assertEqual(content["label"], "   PUGET SOUND      ")
        self.assertEqual(content["part_number"], "006-D0011-03")
        for kind, ident, got, want in self.example_records_found(content, KEPT):
            self.assertEqual(got["lat"] & 0x7FF, 0)
            self.assertEqual(got["lon"] & 0x7FF, 0)
            if "facility" in want:
                self.assertEqual(got["facility"], want["facility"], (kind, ident))
                if want["city"]:
                    self.assertEqual(got["city"], want["city"], (kind, ident))

    def round_trip(self, airspace):
        self.load(airspace)
        a = self.image("a.img")
        content = self.checked("a.img")
        self.check_records(content)
        users = self.user_files()
        code = self.sovrick([{"Mode": "CreateISAM", "Filename": "a.img"}])
        self.assertEqual(code, 0, self.err)
        self.assertEqual(self.err, [])
        self.assertIn("Database Complete", self.out)
        self.assert_users_kept(users)
        self.assertEqual(self.image("b.img"), a)
        return a, content

    def test_image_with_airspace_comes_back_byte_for_byte(self):
        a, content = self.round_trip(airspace=True)
        self.assertEqual(content["airspace_pointers"], [2003, 2011, 2037])
        names = {n.lower() for n in os.listdir(self.path("db50"))}
        self.assertIn("sua.dat", names)
        self.assertIn("tcc.dat", names)

    def test_image_without_airspace_has_absent_pointers_and_no_stale_files(self):
        a, content = self.round_trip(airspace=False)
        self.assertEqual(a[83:92], b"\xff\xff\x3f" * 3)
        self.assertEqual(set(a[2003:2060]), {0xFF})
        # Stale airspace files go when the image has none.
        self.write(os.path.join("db50", "SUA.DAT"), b"1|2|3<junk")
        self.assertEqual(self.sovrick([{"Mode": "CreateISAM", "Filename": "a.img"}]), 0, self.err)
        names = {n.lower() for n in os.listdir(self.path("db50"))}
        self.assertNotIn("sua.dat", names)
        self.assertNotIn("tcc.dat", names)


class EmptyDatabase(SovrickRun):
    def test_the_empty_database_gives_an_empty_image_of_one_block(self):
        code = self.sovrick([{"Mode": "CreateImage", "Filename": "e.img", "Title": "Empty"}])
        self.assertEqual(code, 0)
        self.assertEqual(self.err, ["Your ISAM database (on your PC) is empty, do you want to continue ?"])
        self.assertIn("Image Complete", self.out)
        self.assertIn("BEWARE: your new image is also empty", self.out)
        # No airspace files: their steps leave no progress line.
        self.assertFalse([line for line in self.out if "FSS/TCC" in line or "SUA" in line], self.out)
        self.assertTrue([line for line in self.out if line.startswith("Writing Header to image file 98")], self.out)
        data = self.read("e.img")
        self.assertEqual(len(data), 0x20000)
        content = self.checked("e.img")
        self.assertEqual(content["label"], "   EMPTY            ")
        self.assertEqual(content["countries"], [])
        self.assertEqual(sum(len(v) for v in content["sections"].values()), 0)


class CommandLine(SovrickRun):
    def test_debug_levels_add_up(self):
        # -d3 -d2 is level 5, whose bit 4 keeps the compiler's work files; -d3 alone does not.
        self.load(airspace=False)
        self.write("c.ctl", ["Mode=CompileSUA", "Filename=" + self.sua_text_without_adiz(), "GO=1"])
        for switches, kept in ((["-d3"], False), (["-d3", "-d2"], True)):
            with self.subTest(switches=switches):
                for name in os.listdir(self.dir):
                    if name.endswith("tmp.bin"):
                        os.remove(self.path(name))
                self.assertEqual(self.run_headless("sovrick", switches + ["-F", "c.ctl"]), 0, self.out[-12:])
                self.assertEqual(os.path.exists(self.path("SUAatmp.bin")), kept)

    def test_title_switch_is_accepted_without_effect_and_unknown_switches_refused(self):
        self.load(airspace=False)
        self.write("t.ctl", ["Mode=CreateImage", "Filename=t.img", "GO=1"])
        self.assertEqual(self.run_headless("sovrick", ["-T:OTHER TITLE", "-F", "t.ctl"]), 0, self.err)
        self.assertNotIn("OTHER", self.checked("t.img")["label"])
        self.assertEqual(self.run_headless("sovrick", ["-Q", "-F", "t.ctl"]), 2)
        self.assertEqual(self.err[0], "unknown switch '-Q'")


    def test_help_tells_what_f_and_p_do_here(self):
        self.assertEqual(self.run_headless("sovrick", ["--help"]), 0)
        help_lines = {line.split()[0]: " ".join(line.split()[1:]) for line in self.out if line.startswith("  -")}
        self.assertEqual(help_lines["-f"], "check the name pointers of an image when it is opened, writing missing "
                                           "end codes in")
        self.assertEqual(help_lines["-p"], "listings show a runway's diagram word instead of (p)")


class SuaTypes(SovrickRun):
    AREA = ["SUA(b)  AREA T {%s P3}  3000 to  18000", "         0 N474200 W1213000",
            "         1 N474648 W1213000", "         2 N474648 W1211800", "         3 N474200 W1213000"]

    def test_the_familys_type_table_has_no_adiz(self):
        # Code 7 of the second kind is "Unknown Type" only; the 495/496 family knows ADIZ as well.
        self.load(airspace=False)
        for program, kind, compiles in (("sovrick", "ADIZ", False), ("sovrick", "Unknown Type", True),
                                        ("sovrick", "Warning Area", True), ("brondel", "ADIZ", True)):
            with self.subTest(program=program, kind=kind):
                self.write("t.txt", [line % kind if "%s" in line else line for line in self.AREA])
                code = self.run_program(program, [{"Mode": "CompileSUA", "Filename": "t.txt"}])
                self.assertEqual(code, 0 if compiles else 3, self.out[-4:])
                self.assertEqual("1 records compiled, 0 records filtered out" in self.out, compiles, self.out[-4:])
                failed = [line for line in self.out if line.startswith("**********") and "Airspace type" in line]
                self.assertEqual(bool(failed), not compiles, self.out[-4:])
                if failed:  # this family frames its errors without "Fatal"
                    self.assertEqual(failed, ["********** Error: Airspace type unknown ***********"])

    def test_unknown_type_is_listed_by_its_own_name(self):
        self.load(airspace=True)
        self.image("a.img")
        keys = {"Mode": "List", "Section": "SUA", "Filename": "a.img", "SaveAs": "list.txt"}
        self.assertEqual(self.sovrick([keys]), 0, self.err)
        suas = self.read("list.txt").decode("cp1252").splitlines()
        self.assertTrue(any(line.startswith("SUA(b)  AREA B 7 {Unknown Type P3}") for line in suas), suas)
        self.assertFalse([line for line in suas if "ADIZ" in line])


class ImageTypes(SovrickRun):
    def test_each_program_refuses_the_other_familys_images(self):
        self.load(airspace=False)
        self.image("s.img")
        self.assertEqual(self.run_program("brondel", [{"Mode": "CreateImage", "Filename": "b.img"}]), 0, self.err)
        for program in ("brondel", "quenmar", "pelmora"):
            with self.subTest(program=program):
                code = self.run_program(program, [{"Mode": "CreateISAM", "Filename": "s.img"}])
                self.assertEqual(code, 3)
                self.assertEqual(self.err, ['This file is for a "GPS92/190" please use program "Sovrick"'])
        code = self.sovrick([{"Mode": "CreateISAM", "Filename": "b.img"}])
        self.assertEqual(code, 3)
        self.assertEqual(self.err, ['This file is for a "496" please use program "Brondel"'])


class Listings(SovrickRun):
    def listing(self, section, **filters):
        if os.path.exists(self.path("list.txt")):
            os.remove(self.path("list.txt"))
        keys = {"Mode": "List", "Section": section, "Filename": "a.img", "SaveAs": "list.txt"}
        keys.update(filters)
        self.assertEqual(self.sovrick([keys]), 0, self.err)
        return self.read("list.txt").decode("cp1252").splitlines()

    def test_sections_are_listed_with_their_filters(self):
        self.load(airspace=False)
        self.image("a.img")
        apts = self.listing("APT")
        at = next(i for i, line in enumerate(apts) if line.startswith("APT  KSEA  N 47\xb026.9"))
        # Two runways and seven frequencies: the airport line and seven lines under it.
        self.assertTrue(apts[at].endswith("SEATTLE-TACOMA INTL(SEATTLE) UNITED STA-US"), apts[at])
        self.assertEqual(apts[at][35:42], "  430' ")
        under = apts[at + 1:at + 8]
        self.assertTrue(all(line.startswith("           ") for line in under), under)
        self.assertTrue(apts[at + 8].startswith("APT  "), apts[at + 8])
        self.assertIn("16C-34C", under[0])
        self.assertEqual(len([a for a in apts if a.startswith("APT")]), 38)
        self.assertEqual(self.listing("APT", FilterCO="XX"), ["No Matching Items"])
        ndbs = self.listing("NDB", FilterCO="US", FilterICAO="H")
        self.assertEqual(len(ndbs), 1)
        self.assertTrue(ndbs[0].startswith("NDB  HQ    N 46"), ndbs)
        self.assertIn(" 414.0 L HOQUIAM NDB(HOQUIAM) UNITED STA-US", ndbs[0])
        vors = self.listing("VOR", FilterNAM="PA")
        self.assertEqual([v[5:8] for v in vors], ["PAE", "PSC"])
        self.assertEqual(vors[0][35:50], "110.60    DME  ")
        ints = self.listing("INT")
        self.assertEqual(len(ints), 22)
        # At a debug level the section map; no image size line without an SUA section.
        self.write("map.ctl", ["Mode=List", "Section=VOR", "Filename=a.img", "GO=1"])
        self.assertEqual(self.run_headless("sovrick", ["-d3", "-d2", "-F", "map.ctl"]), 0, self.err)
        self.assertIn("Figures following '=' are hex addresses, and following '/' are decimal counts", self.out)
        self.assertIn("CNT:RECS=80c/1", self.out)
        self.assertTrue(any(line.startswith("VOR:X1=511, X4=") for line in self.out), self.out)
        self.assertFalse(any(line.startswith("Image size (hex)") for line in self.out))

    def test_extra_debug_levels_show_the_record_or_its_vlr_entry_first(self):
        self.load(airspace=False)
        data = self.image("a.img")
        apts = self.checked("a.img")["sections"]["APT"]
        n = next(i for i, r in enumerate(apts) if r["ident"] == "KSEA")
        recs = int.from_bytes(data[245 + 340:245 + 343], "little")
        vlr = int.from_bytes(data[245 + 353:245 + 356], "little")
        record = data[recs + 18 * n:recs + 18 * (n + 1)]
        # Entries follow one another: KSEA's ends where the next one starts.
        start = vlr + apts[n]["vlr"]
        end = vlr + min(r["vlr"] for r in apts if r.get("vlr", -1) > apts[n]["vlr"])
        entry = data[start:end]
        self.assertGreater(len(entry), 30)
        first = "".join(" %02x" % b for b in entry[:20])
        if entry[0] & 0x38:
            first = "*" + first[1:]
        plain = self.listing("APT", FilterICAO="KSEA")
        self.assertEqual(len(plain), 8, plain)
        for switch, raw in (("-x1", ["".join(" %02x" % b for b in record)]),
                            ("-x2", [first, "".join(" %02x" % b for b in entry[30:72])])):
            with self.subTest(switch=switch):
                self.write("x.ctl", ["Mode=List", "Section=APT", "Filename=a.img", "FilterICAO=KSEA",
                                     "SaveAs=x.txt", "GO=1"])
                self.assertEqual(self.run_headless("sovrick", [switch, "-F", "x.ctl"]), 0, self.err)
                lines = self.read("x.txt").decode("cp1252").splitlines()
                self.assertEqual(lines[0], plain[0])
                self.assertEqual(lines[1:1 + len(raw)], [r.rstrip() for r in raw])
                self.assertEqual(lines[1 + len(raw):], plain[1:])

    def test_an_image_with_sua_lists_its_size(self):
        self.load(airspace=True)
        self.image("a.img")
        end = img92check.check_bytes(self.read("a.img")).content["image_end"]
        self.listing("APT")
        size = "Image size (hex): %06x bytes (%x free)" % (end, 0x180000 - end)
        self.assertEqual(self.out.count(size), 1, self.out)
        # The airspace sections through the framework's listings of their records.
        suas = self.listing("SUA")
        self.assertEqual(self.out.count(size), 1, self.out)
        self.assertTrue(suas[0].startswith("SUA(a)  SEATTLE CLASS B {Class B P2}"), suas[:2])
        fss = self.listing("FSS")
        self.assertEqual(fss[0], "FSS  N473156 W1221759 SEATTLE FSS,*122.20, 122.50")
        tccs = self.listing("TCC")
        self.assertEqual([t.split(" to ")[1][17:] for t in tccs if t.startswith("TCC")],
                         ["SEATTLE CENTER", "VANCOUVER CENTER", "ANCHORAGE OCEANIC"])


class NamePointerCheck(SovrickRun):
    def test_a_missing_end_code_is_written_in_with_f(self):
        self.load(airspace=False)
        good = self.image("a.img")
        content = self.checked("a.img")
        n = next(i for i, r in enumerate(content["sections"]["APT"]) if r["ident"] == "KSEA")
        recs = int.from_bytes(good[245 + 340:245 + 343], "little")
        rec = good[recs + 18 * n:recs + 18 * (n + 1)]
        offset = int.from_bytes(rec[12:14], "little") | img92check.bits(rec, 58, 2) << 16
        addr = offset * 8 + 7 - img92check.bits(rec, 66, 3)
        txt = int.from_bytes(good[65:68], "little")
        data = bytearray(good)
        for bit in range(addr - 4, addr):  # the end code of the name before KSEA's
            data[txt + bit // 8] &= ~(0x80 >> bit % 8) & 0xFF
        self.write("bad.img", bytes(data))
        self.write("l.ctl", ["Mode=List", "Section=APT", "Filename=bad.img", "FilterICAO=KSEA", "SaveAs=l.txt", "GO=1"])
        self.assertEqual(self.run_headless("sovrick", ["-F", "l.ctl"]), 0, self.err)
        self.assertIn("<**name ptr corrupt**>", self.read("l.txt").decode("cp1252"))
        self.assertEqual(self.run_headless("sovrick", ["-f", "-F", "l.ctl"]), 0, self.err)
        self.assertIn("SEATTLE-TACOMA INTL(SEATTLE)", self.read("l.txt").decode("cp1252"))
        # At a debug level it asks first (unattended, the default button says Yes).
        self.assertEqual(self.run_headless("sovrick", ["-d", "-f", "-F", "l.ctl"]), 0, self.err)
        self.assertTrue(any(e.startswith("Text at 0x") and e.endswith("not preceded by a terminator - fix ?")
                            for e in self.err), self.err)


    def test_the_names_of_sua_records_are_checked_too(self):
        self.load(airspace=True)
        good = self.image("a.img")
        names = self.checked("a.img")["names"]
        addr = next(a for a, text in names.items() if text.strip() == "AREA B 7")
        txt = int.from_bytes(good[65:68], "little")
        data = bytearray(good)
        for bit in range(addr - 4, addr):
            data[txt + bit // 8] &= ~(0x80 >> bit % 8) & 0xFF
        self.write("bad.img", bytes(data))
        self.write("l.ctl", ["Mode=List", "Section=INT", "Filename=bad.img", "SaveAs=l.txt", "GO=1"])
        self.assertEqual(self.run_headless("sovrick", ["-d", "-f", "-F", "l.ctl"]), 0, self.err)
        self.assertIn("Text at 0x%x(%d):AREA B 7: not preceded by a terminator - fix ?" % (addr // 8, addr),
                      self.err)


class DamagedImages(SovrickRun):
    def test_damaged_images_are_refused_before_anything_is_erased(self):
        self.load(airspace=False)
        good = self.image("a.img")
        content = self.checked("a.img")
        recs = int.from_bytes(good[245 + 340:245 + 343], "little")
        vlr = int.from_bytes(good[245 + 353:245 + 356], "little")
        x4 = int.from_bytes(good[245 + 350:245 + 353], "little")
        full = next(i for i, r in enumerate(content["sections"]["APT"]) if "vlr" in r)
        at = recs + 18 * full

        damaged = {
            "short.img": good[:1500],
            "pointer.img": patched(good, 245 + 340, b"\x00\xff\x3e"),
            # A VLR offset past the table, the sumcheck made right: the bound catches it.
            "vlr.img": patched(good, at + 16, (x4 - vlr + 40).to_bytes(2, "little")),
            # The first airport's facility name pointer far past the names text.
            "name.img": patched(good, recs + 12, b"\xf0\xff"),
            "byte.img": good[:3000] + bytes([good[3000] ^ 0x10]) + good[3001:],
        }
        before = self.database()
        for name, data in damaged.items():
            with self.subTest(image=name):
                self.write(name, data)
                code = self.sovrick([{"Mode": "CreateISAM", "Filename": name}])
                self.assertEqual(code, 3, self.out)
                self.assertEqual(len(self.err), 1, self.err)
                self.assertIn("amaged image", self.err[0])
                self.assertNotIn("Database Complete", self.out)
                self.assertEqual(self.database(), before)


class MutatedImages(SovrickRun):
    def test_mutated_images_are_listed_or_refused_without_a_crash(self):
        self.load(airspace=True)
        good = self.image("a.img")
        end = img92check.check_bytes(good).content["image_end"]
        rng = random.Random(92)
        for round_ in range(12):
            data = good
            for _ in range(rng.randint(1, 6)):
                at = rng.randrange(12, end)
                data = patched(data, at, bytes([rng.randrange(256)]))
            self.write("m.img", data)
            for section in ("APT", "VOR", "NDB"):
                code = self.sovrick([{"Mode": "List", "Section": section, "Filename": "m.img", "SaveAs": "m.txt"}])
                self.assertIn(code, (0, 3), (round_, self.err))
            code = self.sovrick([{"Mode": "CreateISAM", "Filename": "m.img"}])
            self.assertIn(code, (0, 3), (round_, self.err))
            self.assertFalse([e for e in self.err if "Sanitizer" in e or "runtime error" in e], self.err)


if __name__ == "__main__":
    unittest.main()
