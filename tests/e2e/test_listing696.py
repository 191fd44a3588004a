"""Tessily's listings of a 696 image, run from control files and saved with SaveAs=: the image
of the Washington State example with a hand-made airspace file (airspace696.py), each section
against its golden file (tests/e2e/golden/listing696_*.txt; LISTING696_GOLDEN_UPDATE=1 rewrites
them), the filters with -X and -SUAT, and damaged images that show their markers or are refused."""
import os
import struct
import unittest
import zlib

import airspace696
import img696check
import img696list
import sections696
import suite
import tcc696

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden")
YES = suite.answer("Your ISAM database", "Yes")
NONE = "No Matching Items"
SECTIONS = ["TIT", "APT", "INT", "NDB", "VOR", "SUA", "FSS", "TCC", "APR"]
POINT_SECTIONS = [2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 84, 85]


def reseal(data):
    body = bytearray(data[:-4])
    struct.pack_into("<I", body, 248, len(body) + 4)
    return bytes(body) + struct.pack("<I", zlib.crc32(bytes(body)) ^ 0xFFFFFFFF)


def put_entry(data, n, start, size, count):
    struct.pack_into("<IB", data, 512 + 8 * n, start, size)
    data[512 + 8 * n + 5:512 + 8 * n + 8] = count.to_bytes(3, "little")


def airway_name(text):
    """Five six-bit characters packed most significant bit first into bytes 4, 3, 2 and 1."""
    bits = "".join(format(ord(c) - 32, "06b") for c in text.ljust(5)) + "00"
    stream = int(bits, 2).to_bytes(4, "big")
    return bytes([stream[3], stream[2], stream[1], stream[0]])


def with_airways(image):
    """The image with two airways appended: "V495" (High) from INT 0 over a level item to VOR 1,
    and "J1" (Low) to NDB 0; section 47 moved behind them, empty."""
    data = bytearray(image[:-4])
    head = bytes([12, 0, 0, 0, 0, 0])
    level = struct.pack("<HHH", (0x400 | 180) << 4 | 9, 0, 0x400 | 450)
    points = head + bytes([0x48, 0, 0, 0, 0, 0]) + level + bytes([0xC0, 1, 0, 0, 0, 0]) + \
        head + bytes([0x80, 0, 0, 0, 0, 0])
    put_entry(data, 46, len(data), 6, len(points) // 6)
    data += points
    records = bytes([8]) + airway_name("V495") + bytes([0, 0, 0]) + bytes([6]) + airway_name("J1") + bytes([0, 4, 0])
    put_entry(data, 45, len(data), 8, 2)
    data += records
    put_entry(data, 47, len(data), 3, 0)
    return reseal(bytes(data) + b"\0\0\0\0")


class Listing696(suite.TempFolderRun):
    prefix = "listing696-"
    output_encoding = "cp1252"

    def setUp(self):
        super().setUp()
        sections696.write_section_files(self.path("db50"))
        self.write(os.path.join("db50", "SUA+.DAT"), airspace696.sua_file(names=(1, 2, 3)))
        self.write(os.path.join("db50", "TCC+.DAT"), tcc696.tcc_file(names=(1, 2)))
        self.write("make.ctl", ["Mode=BatchUpdate", "Filename=" + suite.EXAMPLE_BATCH_696, "GO=1",
                                "Mode=CreateImage", "Filename=a.img", "GO=1"])
        code = self.run_headless("tessily", self.write_answers([YES]) + ["-NCD", "-F", "make.ctl"])
        self.assertEqual(code, 0, self.err)
        self.image = self.read("a.img")

    def listing(self, section, before=(), after=(), image="a.img", save="out.txt", **filters):
        """The lines of one section's listing as Save As writes them."""
        lines = ["Mode=List", "Section=" + section, "Filename=" + image, "SaveAs=" + save]
        lines += ["%s=%s" % (k, v) for k, v in filters.items()]
        self.write("list.ctl", lines + ["GO=1"])
        if os.path.exists(self.path(save)):
            os.remove(self.path(save))
        self.assertEqual(self.run_headless("tessily", list(before) + ["-F", "list.ctl"] + list(after)), 0, self.err)
        if not os.path.exists(self.path(save)):
            return []
        return self.read(save).decode("cp1252").splitlines()

    def test_each_section_equals_its_golden_listing(self):
        update = os.environ.get("LISTING696_GOLDEN_UPDATE") == "1"
        for section in SECTIONS:
            lines = self.listing(section, before=["-d"] if section == "TIT" else [])
            name = os.path.join(GOLDEN, "listing696_%s.txt" % section.lower())
            if update:
                with open(name, "wb") as f:
                    f.write("".join(line + "\n" for line in lines).encode("cp1252"))
            with open(name, "rb") as f:
                self.assertEqual(lines, f.read().decode("cp1252").splitlines(), section)

    def test_airways_equal_their_golden_listing(self):
        self.write("awy.img", with_airways(self.image))
        cases = [("listing696_awy.txt", []), ("listing696_awy_extra.txt", ["-x", "-r"])]
        for golden, switches in cases:
            lines = self.listing("AWY", before=switches, image="awy.img")
            name = os.path.join(GOLDEN, golden)
            if os.environ.get("LISTING696_GOLDEN_UPDATE") == "1":
                with open(name, "wb") as f:
                    f.write("".join(line + "\n" for line in lines).encode("cp1252"))
            with open(name, "rb") as f:
                self.assertEqual(lines, f.read().decode("cp1252").splitlines(), golden)
        self.assertEqual([line[:8] for line in self.listing("AWY", image="awy.img", FilterICAO="J")], ["AWY  J1 ", "[00] NDB"])

    def test_title_counts_are_the_directory_counts(self):
        lines = self.listing("TIT", before=["-d"])
        entries = img696check.directory(self.image)
        counts = [entries[s][2] for s in (7, 15, 19, 25)]
        self.assertEqual(lines[3], "(%d APTs, %d INTs, %d NDBs, %d VORs, %d TOTAL)" % tuple(counts + [sum(counts)]))
        self.assertTrue(lines[1].startswith("CYCLE 2512, VALID FROM 15.MAR.2024 TO 12.APR.2024,"))
        self.assertEqual(len(self.listing("TIT")), 3)
        self.assertEqual(sum(1 for line in self.listing("INT") if line.startswith("INT ")), counts[1])

    def test_records_and_idents_equal_those_the_checker_decodes(self):
        for kind in ("APT", "INT", "NDB", "VOR"):
            listed = [line[5:11].strip() for line in self.listing(kind) if line.startswith(kind + " ")]
            decoded = [line.split("|")[0] for line in img696list.lines(kind, self.image)]
            self.assertEqual(listed, decoded, kind)
            self.assertTrue(listed, kind)
        heads = [line.split("{")[0][:6] for line in self.listing("SUA") if line.startswith("SUA(")]
        self.assertEqual(heads, [line.split("|")[0] for line in img696list.lines("SUA", self.image)])
        countries = img696list.lines("CNT", self.image)
        self.assertTrue(all(line.endswith(" " + countries[0]) for line in self.listing("VOR")))

    def test_fss_and_tcc_records_equal_those_the_checker_decodes(self):
        fss = [line for line in self.listing("FSS") if line.startswith("FSS ")]
        self.assertEqual(len(fss), len(img696list.lines("FSS", self.image)))
        self.assertIn("SEATTLE-TACOMA INTL 122.20,122.355,123.60*", fss[0])
        tccs = self.listing("TCC")
        decoded = img696list.lines("TCC", self.image)
        self.assertEqual(len([line for line in tccs if line.startswith("TCC ")]), len(decoded))
        self.assertEqual(len(tccs), len(decoded) + sum(int(line.split("|")[-1]) for line in decoded))
        # Record numbers add the record's code and its byte list, 24 bytes a line.
        numbered = self.listing("TCC", before=["-r"])
        self.assertTrue(numbered[0].startswith("   0 ") and numbered[0].endswith("{ 1234 }"), numbered[0])
        self.assertEqual([len(line.split()) - 2 for line in numbered if line.startswith("     {")], [24, 6, 4])
        # Name and rectangle filters; -X lists the others.
        self.assertEqual(len(self.listing("FSS", FilterNAM="SEATTLE")), 1)
        self.assertEqual(len(self.listing("FSS", before=["-X"], FilterNAM="SEATTLE")), 1)
        across = self.listing("TCC", FilterSW="N455000 E1780000", FilterNE="N473000 W1780000")
        self.assertEqual([line[:3] for line in across].count("TCC"), 1)
        self.assertIn(" W179", across[0])

    def test_point_listings_saved_as_batch_text(self):
        deg = "\xb0"
        cases = [
            ("APT", 0, "ADD|APT|KALW|US-UNITED STA|WALLA WALLA|WALLA WALLA RGNL|N 46%s05.681|W118%s17.285|1194'|JA"),
            ("APT", 1, "ADD|FRQ|KALW|US-UNITED STA|ATIS|124.95"),
            ("APT", 2, "ADD|RWY|KALW|US-UNITED STA|6527x150|02|hard|ft lts|00 00000000 00000000"),
            ("INT", 0, "ADD|INT|ALKIX|US-UNITED STA|UNSET|UNSET|N 47%s34.567|W122%s25.270"),
            ("NDB", 0, "ADD|NDB|BVS|US-UNITED STA|BURLINGTON/MOUNT VERNON|SKAGIT NDB|N 48%s28.496|W122%s25.002|350.0|L"),
            ("VOR", 4, "ADD|VOR|GEG|US-UNITED STA|SPOKANE|SPOKANE VORTAC|N 47%s33.898|W117%s37.600|115.60|VORTAC|High"
                       "|WX|[+00]"),
        ]
        saved = {kind: self.listing(kind, save="%s_bat.txt" % kind.lower()) for kind in ("APT", "INT", "NDB", "VOR")}
        for kind, index, expected in cases:
            self.assertEqual(saved[kind][index], expected.replace("%s", deg), kind)
        for kind, lines in saved.items():
            self.assertTrue(all(line.startswith("ADD|%s|" % kind) or kind == "APT" for line in lines), kind)
        # A restriction, the M mark and runway ends with thresholds keep the forms the batch reads.
        apts = saved["APT"]
        self.assertIn("ADD|FRQ|KGEG|US-UNITED STA|App|123.75|R:001-180", apts)
        self.assertIn("ADD|FRQ|KSEA|US-UNITED STA|Tower|119.90|M", apts)
        # Sides are kept where they are not R-R; R-R ones are left out when an airport's runway
        # had none, as a line with sides would mark them all given.
        self.assertIn("ADD|RWY|KBFI|US-UNITED STA|10007x200|14R-32L|hard|ft lts|<L-R> ff 00000000 00000000", apts)
        self.assertTrue(any(line.startswith("ADD|RWY|KSEA|") and line.count("|") == 12 for line in apts))

    def test_batch_text_saved_from_the_point_listings_rebuilds_the_point_sections(self):
        saved = []
        for kind in ("APT", "INT", "NDB", "VOR"):
            name = "%s_bat.txt" % kind.lower()
            self.listing(kind, save=name)
            saved.append(name)
        db = self.path("db50")
        for f in os.listdir(db):
            if f.endswith((".dta", ".dtx")):
                os.remove(os.path.join(db, f))
        control = []
        for name in saved:
            control += ["Mode=BatchUpdate", "Filename=" + name, "GO=1"]
        self.write("rebuild.ctl", control + ["Mode=CreateImage", "Filename=b.img", "GO=1"])
        code = self.run_headless("tessily", self.write_answers([YES]) + ["-NCD", "-F", "rebuild.ctl"])
        self.assertEqual(code, 0, self.err)
        self.assertFalse([line for line in self.out if line.lstrip().startswith("*ERR")])
        a, b = self.image, self.read("b.img")
        da, db_ = img696check.directory(a), img696check.directory(b)
        for n in POINT_SECTIONS:
            ends_a = sorted(s for s, _, _ in da[1:] if s > da[n][0] + 3)
            ends_b = sorted(s for s, _, _ in db_[1:] if s > db_[n][0] + 3)
            self.assertEqual(a[da[n][0]:ends_a[0]], b[db_[n][0]:ends_b[0]], "section %d" % n)

    def test_country_filter_and_its_inversion(self):
        vors = self.listing("VOR", FilterCO="US")
        self.assertEqual(len(vors), img696check.directory(self.image)[25][2])
        self.assertEqual(self.listing("VOR", before=["-X"], FilterCO="US"), [NONE])
        self.assertEqual(self.listing("VOR", FilterCO="CA"), [NONE])
        self.assertEqual(len(self.listing("VOR", before=["-X"], FilterCO="CA")), len(vors))
        self.assertEqual(self.listing("NDB", FilterICAO="H"), [l for l in self.listing("NDB") if l[5:].startswith("H")])

    def test_airspace_kind_filter_at_the_end_of_the_command_line(self):
        heads = lambda lines: [line[:6] for line in lines if line.startswith("SUA(")]
        self.assertEqual(heads(self.listing("SUA", after=["-SUAT", "MOA"])), ["SUA(b)"])
        self.assertEqual(heads(self.listing("SUA", before=["-X"], after=["-SUAT", "MOA"])), ["SUA(a)", "SUA(a)"])
        self.assertEqual(heads(self.listing("SUA", after=["-SUAT", "Class", "C"])), ["SUA(a)"])
        self.assertEqual(len(heads(self.listing("SUA", after=["-SUAT", "MOA", "-d"]))), 3)

    def test_rectangle_lists_what_overlaps_it(self):
        heads = lambda lines: [line.split("{")[1][:7] for line in lines if line.startswith("SUA(")]
        # Around Seattle: the square only; across the date line: the circle only.
        self.assertEqual(heads(self.listing("SUA", FilterSW="N465000 W1230000", FilterNE="N471000 W1222000")),
                         ["Class C"])
        self.assertEqual(heads(self.listing("SUA", FilterSW="N455000 E1790000", FilterNE="N463000 W1790000")),
                         ["Class D"])
        ints = self.listing("INT", FilterSW="N470000 W1230000", FilterNE="N480000 W1220000")
        self.assertTrue(ints)
        self.assertLess(len(ints), len(self.listing("INT")))

    def test_damaged_images_show_markers_or_are_refused(self):
        entries = img696check.directory(self.image)
        data = bytearray(self.image[:-4] + b"\0\0\0\0")
        # The first airspace's shape position past section 41, the first INT's name pointer past
        # the names table.
        sua = entries[39][0]
        data[sua + 17:sua + 20] = (len(self.image) + 100).to_bytes(3, "little")
        recs = entries[15][0]
        data[recs + 13:recs + 16] = (0x1FFFF0 | 7 << 21).to_bytes(3, "little")
        self.write("bad.img", reseal(bytes(data)))
        suas = self.listing("SUA", image="bad.img")
        self.assertIn("<**corrupt**>", suas[2])
        self.assertEqual(len([line for line in suas if line.startswith("SUA(")]), 3)
        self.assertIn("<**name ptr too big**>", self.listing("INT", image="bad.img")[0])
        # Section 10 cut short: the first airport's details end with the marker.
        info = entries[10][0]
        data = bytearray(self.image)
        apt = entries[7][0]
        offset = data[apt + 23] | data[apt + 24] << 8
        data[apt + 23:apt + 25] = (0xFFF0).to_bytes(2, "little")
        self.write("bad2.img", reseal(bytes(data)))
        apts = self.listing("APT", image="bad2.img")
        self.assertTrue(apts[0].startswith("APT "))
        self.assertIn("<**corrupt**>", apts[1])
        self.assertGreater(offset + info, 0)
        # An FSS frequency offset past section 30 and a TCC sector index past section 35 end
        # their lines with the marker.
        data = bytearray(self.image)
        fss, tcc = entries[29][0], entries[33][0]
        data[fss + 4:fss + 6] = (0xFFF0).to_bytes(2, "little")
        data[tcc + 12:tcc + 14] = (0x1FFF).to_bytes(2, "little")
        self.write("bad3.img", reseal(bytes(data)))
        self.assertTrue(self.listing("FSS", image="bad3.img")[0].endswith(" <**corrupt**>"))
        self.assertEqual(self.listing("TCC", image="bad3.img")[1], "<**corrupt**>")
        # A cut file is refused: the reason is listed and nothing else.
        self.write("cut.img", self.image[:-7])
        self.assertEqual(self.listing("APT", image="cut.img"), [NONE])
        self.assertTrue(any("is not a usable 696 image" in line for line in self.out), self.out)


if __name__ == "__main__":
    unittest.main()
