"""Tessily end to end: the seven section files of a database folder and an empty database make
a sealed 696 image; Create ISAM takes it apart into the same section files, and the image built
again from them is the same byte for byte; bad images and bad section files change nothing."""
import os
import struct
import subprocess
import unittest
import zlib

import img696check
import sections696
import suite

EMPTY_QUESTION = "Your ISAM database (on your PC) is empty, do you want to continue ?"
YES = suite.answer("Your ISAM database", "Yes")
NO = suite.answer("Your ISAM database", "No")


class TessilyRun(suite.TempFolderRun):
    prefix = "tessily-"

    def run_sections(self, sections, answers=(YES,), switches=()):
        lines = []
        for section in sections:
            lines += ["%s=%s" % (k, v) for k, v in section.items()]
            lines.append("GO=1")
        self.write("run.ctl", lines)
        return self.run_headless("tessily", self.write_answers(list(answers)) + list(switches) + ["-F", "run.ctl"])

    def create_image(self, image, switches=(), answers=(YES,)):
        return self.run_sections([{"Mode": "CreateImage", "Filename": image}], answers, switches)

    def create_isam(self, image, answers=(YES,)):
        return self.run_sections([{"Mode": "CreateISAM", "Filename": image}], answers)

    def db_files(self):
        folder = self.path("db50")
        out = {}
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), "rb") as f:
                out[name] = f.read()
        return out

    def assert_sound(self, image):
        data = self.read(image)
        self.assertEqual(img696check.check_image(data), [])
        return data


def batch_angle(text):
    """Degrees of a batch coordinate: "N 47\xb026.940" (minutes) or "N473434" (seconds)."""
    sign = -1 if text[0] in "SW" else 1
    body = text[1:].strip()
    if "\xb0" in body:
        deg, minutes = body.split("\xb0")
        return sign * (int(deg) + float(minutes) / 60)
    width = 3 if text[0] in "EW" else 2
    return sign * (int(body[:width]) + int(body[width:width + 2]) / 60 + int(body[width + 2:]) / 3600)


def batch_points():
    """(kind, ident, country, second name, first name, lat, lon) of the example's points."""
    out = []
    with open(suite.EXAMPLE_BATCH_696, encoding="latin-1") as f:
        for line in f:
            fields = line.split("//")[0].rstrip("\r\n\t ").split("|")
            if len(fields) < 6 or fields[0] != "ADD" or fields[1] not in img696check.POINT_TYPES:
                continue
            at = next(i for i, v in enumerate(fields) if i > 3 and v[:1] in "NS" and v[1:2] in " 0123456789")
            names = fields[4:at] + ["", ""]
            out.append((fields[1], fields[2], fields[3][:2], names[0], names[1], batch_angle(fields[at]),
                        batch_angle(fields[at + 1])))
    return out


class RoundTrip(TessilyRun):
    def setUp(self):
        super().setUp()
        self.fixture = sections696.write_section_files(self.path("db50"))

    def test_example_batch_image_round_trip_and_independent_check(self):
        self.write(os.path.join("db50", "keep.txt"), b"")
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696},
                                            {"Mode": "CreateImage", "Filename": "a.img"}], switches=["-NCD"]), 0,
                         self.err)
        a = self.assert_sound("a.img")
        self.assertEqual(zlib.crc32(a), 0xFFFFFFFF)
        for kind in img696check.POINT_TYPES:
            self.assertEqual(img696check.check_points(a, kind), [], kind)
        self.assertEqual(img696check.check_airways(a), [])
        entries = img696check.directory(a)
        # No airways: their five sections are there, empty.
        self.assertEqual([entries[n][1:] for n in (45, 46, 47, 73, 74)], [(8, 0), (6, 0), (3, 0), (26, 0), (3, 0)])
        decoded = {kind: {r["ident"]: r for r in img696check.decode_points(a, kind)} for kind in img696check.POINT_TYPES}
        points = batch_points()
        self.assertEqual(len(points), 38 + 22 + 6 + 15)
        for kind, ident, country, second, first, lat, lon in points:
            with self.subTest(kind=kind, ident=ident):
                r = decoded[kind][ident]
                self.assertEqual(r["country_id"], country)
                # The batch's own rounding, as the other families' checks allow it.
                self.assertLess(abs(r["lat"] - lat * 2 ** 32 / 360), 2.5 * 2048)
                self.assertLess(abs(r["lon"] - lon * 2 ** 32 / 360), 2.5 * 2048)
                if kind != "INT":
                    # Names keep 31 characters; a city's at-sign is a mark, not text.
                    self.assertEqual((r["second"], r["first"]),
                                     (second.replace("@", "")[:31].rstrip() or " ", first[:31].rstrip() or " "))
        usr = self.read("db50", "usr.dta")
        self.assertEqual(self.run_sections([{"Mode": "CreateISAM", "Filename": "a.img"},
                                            {"Mode": "CreateImage", "Filename": "b.img"}], switches=["-NCD"]), 0,
                         self.err)
        self.assertEqual(self.read("db50", "usr.dta"), usr)
        self.assertEqual(self.read("b.img"), a)
        self.assertFalse([line for line in self.out if "Database error" in line])

    def test_damaged_airport_blocks_are_refused_before_anything_is_erased(self):
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696},
                                            {"Mode": "CreateImage", "Filename": "a.img"}], switches=["-NCD"]), 0,
                         self.err)
        a = self.read("a.img")
        entries = img696check.directory(a)
        recs, info = entries[7][0], entries[10][0]
        with_block = next(recs + 29 * n for n in range(entries[7][2]) if a[recs + 29 * n + 11] & 0x80)
        offset = (a[with_block + 24] << 8) | a[with_block + 23]

        def sealed(d):
            d = d[:-4]
            return d + struct.pack("<I", zlib.crc32(d) ^ 0xFFFFFFFF)

        past = bytearray(a)
        past[with_block + 19] |= 0x7E        # an offset far past section 10
        mask = bytearray(a)
        mask[info + offset:info + offset + 2] = b"\xff\xff"   # parts the block does not hold
        before = self.db_files()
        for name, damaged in (("past.img", past), ("mask.img", mask)):
            with self.subTest(name):
                self.write(name, sealed(bytes(damaged)))
                self.assertEqual(self.create_isam(name), 3)
                self.assertIn("Operation Aborted", self.out)
                self.assertTrue(any("APT record" in line for line in self.err), self.err)
                self.assertEqual(self.db_files(), before)


class ApproachRoundTrip(TessilyRun):
    """The example with the approach and airway fixture of add_approaches696: an ILS approach,
    one without navaid through a local intersection and a local NDB, one sharing that local
    intersection, one with an NDB navaid, two whose intersection or runway is not in the database
    (left out, IDs X16 and Y35 with them), and two airways sharing an intersection and a VOR."""

    def setUp(self):
        super().setUp()
        sections696.write_section_files(self.path("db50"), statics={19: 7, 27: 0})

    def test_approaches_local_waypoints_and_airways_go_round(self):
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696}]), 0, self.err)
        subprocess.run([os.path.join(suite.TOOLS_DIR, "add_approaches696"), self.path("db50")], check=True)
        self.assertEqual(self.create_image("a.img", switches=["-NCD"]), 0, self.err)
        a = self.assert_sound("a.img")
        self.assertEqual(img696check.check_airways(a), [])
        entries = img696check.directory(a)
        self.assertEqual([entries[n][2] for n in (45, 46)], [2, 9])
        self.assertEqual(img696check.approach_ids(a), ["I16L", "N17", "R34R", "V34C"])
        points = {kind: img696check.decode_points(a, kind) for kind in ("APT", "INT", "NDB", "VOR")}
        approaches = img696check.decode_approaches(a)
        self.assertEqual(sorted(approaches), ["KOLM", "KSEA"])
        ksea = approaches["KSEA"]
        apt = next(r for r in points["APT"] if r["ident"] == "KSEA")
        # Local waypoints kept once, their positions to 128 angle units.
        self.assertEqual([e["ident"] for e in ksea["ints"]], ["LOCIN"])
        self.assertEqual([(e["ident"], e["freq"], e["byte10"]) for e in ksea["ndbs"]], [("LN", 3450, 0x12)])
        self.assertEqual([(e["ident"], e["freq"], e["runway"]) for e in ksea["ils"]], [("ISEA", 11030, 0)])
        for entry, (dlat, dlon) in ((ksea["ints"][0], (-450000, 10000)), (ksea["ils"][0], (20000, -3000))):
            self.assertLess(abs(entry["pos"][0] - (apt["lat"] + dlat)), 128)
            self.assertLess(abs(entry["pos"][1] - (apt["lon"] + dlon)), 128)

        def waypoint(kind, reference):
            names = {1: "INT", 2: "NDB", 3: "VOR"}
            if kind in names:
                return names[kind], points[names[kind]][reference]["ident"]
            return kind, reference
        got = [(x["type"], x["id"], waypoint(*x["navaid"]),
                [waypoint(t >> 4, ref) for t, ref in x["waypoints"]], [t & 15 for t, _ in x["waypoints"]])
               for x in ksea["approaches"]]
        self.assertEqual(got, [
            (0, "I16L", (8, 0), [("INT", "ALKIX"), (5, 0)], [4, 6]),
            (10, "R34R", (9, 255), [(6, 0), (7, 0)], [4, 6]),
            (9, "V34C", ("VOR", "SEA"), [(6, 0), (5, 128 | 1)], [4, 6]),
        ])
        kolm = approaches["KOLM"]["approaches"]
        self.assertEqual([(x["type"], x["id"], waypoint(*x["navaid"])) for x in kolm], [(13, "N17", ("NDB", "PWT"))])

        self.assertEqual(self.run_sections([{"Mode": "CreateISAM", "Filename": "a.img"},
                                            {"Mode": "CreateImage", "Filename": "b.img"}], switches=["-NCD"]), 0,
                         self.err)
        self.assertEqual(self.read("b.img"), a)


class CreateImageFromSectionFiles(TessilyRun):
    def setUp(self):
        super().setUp()
        self.fixture = sections696.write_section_files(self.path("db50"))

    def test_empty_database_answered_yes_gives_a_sealed_image_and_the_round_trip_repeats_it(self):
        self.assertEqual(self.create_image("a.img", switches=["-NCD"]), 0, self.err)
        # The header file's length word made that of the image, so that Create ISAM gives back
        # the seven files unchanged.
        at = len(b"HDR+_03|0|0|0|208<") + 248
        hdr = self.fixture["HDR+.DAT"]
        self.fixture["HDR+.DAT"] = hdr[:at] + struct.pack("<I", len(self.read("a.img"))) + hdr[at + 4:]
        self.write(os.path.join("db50", "HDR+.DAT"), self.fixture["HDR+.DAT"])
        self.assertEqual(self.create_image("a.img", switches=["-NCD"]), 0, self.err)
        self.assertIn("Image Complete", self.out)
        self.assertIn("BEWARE: your new image is also empty", self.out)
        self.assertIn(suite.COMPLETED, self.out)
        a = self.assert_sound("a.img")
        self.assertEqual(zlib.crc32(a), 0xFFFFFFFF)
        self.assertEqual(struct.unpack_from("<I", a, len(a) - 4)[0], zlib.crc32(a[:-4]) ^ 0xFFFFFFFF)
        self.assertEqual(struct.unpack_from("<I", a, 248)[0], len(a))
        self.assertIn("Image ends at %06x" % len(a), self.out)
        # Header and directory entry 0 as the header file holds them, the length word apart.
        header = self.fixture["HDR+.DAT"][len(b"HDR+_03|0|0|0|208<"):][:520]
        self.assertEqual(a[:248] + a[252:520], header[:248] + header[252:])
        # Every block's bytes are in the image at its directory start (converted fields aside).
        entries = img696check.directory(a)
        for name, data in self.fixture.items():
            for _, position, count, size, payload in img696check.section_blocks(data):
                section = (position - 512) // 8
                if section <= 0 or section in img696check.RECORD_SECTIONS:
                    continue
                start, z, c = entries[section]
                self.assertEqual((z, c), (size, count), section)
                begin = start - 3 if section == 41 else start
                self.assertEqual(a[begin:begin + len(payload)], payload, (name, section))

        os.rename(self.path("a.img"), self.path("keep.img"))
        self.assertEqual(self.create_isam("keep.img"), 0, self.err)
        self.assertIn("Database Complete", self.out)
        files = self.db_files()
        for name, data in self.fixture.items():
            self.assertEqual(files[name], data, name)
        self.assertEqual(files["rwyextras.txt"], b"PICSLEN=14\nRWDEFLEN=09\n")
        self.assertEqual(self.create_image("b.img", switches=["-NCD"]), 0, self.err)
        self.assertEqual(self.read("b.img"), a)

    def test_countries_of_the_database_are_in_the_image_and_come_back(self):
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696},
                                            {"Mode": "CreateImage", "Filename": "a.img"}], switches=["-NCD"]), 0,
                         self.err)
        self.assertNotIn("BEWARE: your new image is also empty", self.out)
        a = self.assert_sound("a.img")
        start, size, count = img696check.directory(a)[2]
        self.assertEqual((size, count), (9, 1))
        # "US" and "UNITED STATES" in six-bit characters, packed and reversed.
        text = "USUNITED STATES"[:12].ljust(12)
        bits = "".join(format(ord(ch) - 32, "06b") for ch in text)
        packed = int(bits, 2).to_bytes(9, "big")[::-1]
        self.assertEqual(a[start:start + 9], packed)
        os.mkdir(self.path("again"))
        os.rename(self.path("a.img"), self.path("again", "a.img"))
        for name in self.fixture:
            os.rename(self.path("db50", name), self.path("again", name))
        os.rename(self.path("db50"), self.path("old"))
        os.rename(self.path("again"), self.path("db50"))
        os.rename(self.path("db50", "a.img"), self.path("a.img"))
        self.assertEqual(self.run_sections([{"Mode": "CreateISAM", "Filename": "a.img"},
                                            {"Mode": "CreateImage", "Filename": "b.img"}], switches=["-NCD"]), 0,
                         self.err)
        self.assertEqual(self.read("b.img"), a)

    def test_names_of_carried_over_records_are_in_the_names_table_and_come_back(self):
        names = {"fss": 9, "tcc": 3, "sua": (5, 7)}
        self.fixture = sections696.write_section_files(self.path("db50"), names=names)
        self.assertEqual(self.run_sections([{"Mode": "BatchUpdate", "Filename": suite.EXAMPLE_BATCH_696},
                                            {"Mode": "CreateImage", "Filename": "a.img"}], switches=["-NCD"]), 0,
                         self.err)
        a = self.assert_sound("a.img")
        entries = img696check.directory(a)
        start, _, count = entries[3]
        table = img696check.decode_names(a[start:entries[87][0]], count)
        # The names that the carried-over records and the batch's points use, in alphabetical order.
        self.assertGreater(count, 4)
        self.assertEqual([t for _, t in table], sorted(t for _, t in table))
        starts = {s for s, _ in table}
        sua = entries[39][0]
        for at, bits_at in ((21, 43), (24, 99)):
            offset = int.from_bytes(a[sua + at:sua + at + 3], "little") & 0x1FFFFF
            bit = (int.from_bytes(a[sua:sua + 30], "big") >> (30 * 8 - bits_at - 3)) & 7
            self.assertIn(offset * 8 + 7 - bit, starts)
        # With every name kept the table holds the whole names file.
        self.assertEqual(self.create_image("all.img", switches=["-NCD", "-R"]), 0, self.err)
        self.assertGreater(img696check.directory(self.read("all.img"))[3][2], 50)

        os.rename(self.path("db50"), self.path("old"))
        os.mkdir(self.path("db50"))
        for name in self.fixture:
            os.rename(self.path("old", name), self.path("db50", name))
        self.assertEqual(self.run_sections([{"Mode": "CreateISAM", "Filename": "a.img"},
                                            {"Mode": "CreateImage", "Filename": "b.img"}], switches=["-NCD"]), 0,
                         self.err)
        self.assertEqual(self.read("b.img"), a)
        self.assertFalse([line for line in self.out if "Database error" in line])

    def test_area_switch_changes_byte_150_and_the_seal_only(self):
        self.assertEqual(self.create_image("a.img", switches=["-NCD"]), 0, self.err)
        self.assertEqual(self.create_image("p.img", switches=["-NCD", "-ATL", "-NOTRAINING", "-PAC"]), 0, self.err)
        a, p = self.read("a.img"), self.assert_sound("p.img")
        self.assertEqual(p[150], 20)
        differ = [i for i in range(len(a)) if a[i] != p[i]]
        self.assertEqual([i for i in differ if i < len(a) - 4], [150])

    def test_debug_level_shows_the_seal_and_the_section_map(self):
        self.assertEqual(self.create_image("a.img", switches=["-d"]), 0, self.err)
        a = self.read("a.img")
        self.assertIn("Sumcheck bytes set to:" + "".join(" %02x" % b for b in a[-4:]), self.out)
        self.assertEqual(self.create_isam("a.img"), 0, self.err)
        self.assertNotIn("Figures following '=' are hex addresses, and following '/' are decimal counts", self.out)
        self.assertEqual(self.run_sections([{"Mode": "CreateISAM", "Filename": "a.img"}], switches=["-d"]), 0)
        self.assertIn("Figures following '=' are hex addresses, and following '/' are decimal counts", self.out)
        sua = img696check.directory(a)[41][0]
        self.assertTrue(any(line.startswith("SUA:ST=%lx," % (sua - 3)) for line in self.out), self.out)
        self.assertIn("Image size (hex): %06x bytes (%x free)" % (len(a) - 4, 0x1000000 - len(a) + 4), self.out)

    def test_new_airspace_file_takes_the_place_of_the_old_when_the_user_agrees(self):
        new = sections696.shape_block(20) + sections696.plain("SUA+", 69, 11) + sections696.end_block("SUA+")
        for reply, expected in (("No", self.fixture["SUA+.DAT"]), ("Yes", new)):
            with self.subTest(reply):
                self.write(os.path.join("db50", "NewSUA+.dat"), new)
                question = suite.answer("File NewSUA+.dat is present in db50", reply)
                self.assertEqual(self.create_image("a.img", answers=(YES, question)), 0, self.err)
                self.assertEqual(self.read("db50", "SUA+.DAT"), expected)
                a = self.assert_sound("a.img")
                self.assertEqual(img696check.directory(a)[69][2], 11 if reply == "Yes" else 9)
                self.assertEqual(os.path.exists(self.path("db50", "NewSUA+.dat")), reply == "No")

    def test_image_over_16_mib_is_finished_without_a_seal(self):
        big = 0x1000000
        self.write(os.path.join("db50", "TRL+.DAT"),
                   sections696.block("TRL+", sections696.pos(66), big // 16, 16, bytes(big)) + sections696.end_block("TRL+"))
        self.assertEqual(self.create_image("a.img"), 0, self.err)
        a = self.read("a.img")
        end = struct.unpack_from("<I", a, 248)[0] - 4
        self.assertEqual(len(a), end)
        self.assertTrue(any("Please note image is %d bytes too long - DO NOT USE" % (end - big) in line
                            for line in self.out + self.err), self.err)
        self.assertIn("Image Complete", self.out)

    def test_todays_dates_without_ncd(self):
        import datetime
        self.assertEqual(self.create_image("a.img"), 0, self.err)
        a = self.assert_sound("a.img")
        today = datetime.date.today()
        date = bytes([today.month, today.day]) + struct.pack("<H", today.year)
        self.assertEqual(a[131:143], date * 3)

    def test_answer_no_aborts_and_leaves_no_image(self):
        self.assertEqual(self.create_image("a.img", answers=(NO,)), 3)
        self.assertIn("Operation Aborted", self.out)
        self.assertEqual([n for n in os.listdir(self.dir) if "a.img" in n], [])

    def test_missing_or_damaged_section_file_aborts_the_operation_only(self):
        cases = [
            ("missing", "TRL+.DAT", None, "Cannot Open"),
            ("no end block", "ODDS+.DAT", self.fixture["ODDS+.DAT"][:-len(b"ODDS+_03|0|0|0|0<")],
             "Error while reading ODDS+ datfile header"),
            ("64 bytes without <", "NAM2+.DAT", b"NAM2+_03|" + b"1" * 80, "Error while reading NAM2+ datfile header"),
            ("wrong version", "STA+.DAT", self.fixture["STA+.DAT"].replace(b"STA+_03", b"STA+_02", 1),
             "Error while reading STA+ datfile header"),
        ]
        for what, name, data, message in cases:
            with self.subTest(what):
                sections696.write_section_files(self.path("db50"))
                if data is None:
                    os.remove(self.path("db50", name))
                else:
                    self.write(os.path.join("db50", name), data)
                before = self.db_files()
                self.assertEqual(self.create_image("a.img"), 3)
                self.assertIn("Operation Aborted", self.out)
                self.assertTrue(any(message in line for line in self.out + self.err), (self.out, self.err))
                self.assertFalse(os.path.exists(self.path("a.img")))
                after = self.db_files()
                self.assertEqual({k: after.get(k) for k in before}, before)

    def test_section_files_found_whatever_their_letter_case(self):
        os.rename(self.path("db50", "SUA+.DAT"), self.path("db50", "sua+.dat"))
        self.assertEqual(self.create_image("a.img"), 0, self.err)
        self.assert_sound("a.img")


class BadImagesRefused(TessilyRun):
    def test_damaged_images_leave_the_database_folder_as_it_was(self):
        sections696.write_section_files(self.path("db50"))
        self.assertEqual(self.create_image("good.img", switches=["-NCD"]), 0, self.err)
        good = self.read("good.img")

        def patched(at, value):
            b = bytearray(good)
            b[at:at + len(value)] = value
            return bytes(b)

        last = max(n for n, e in enumerate(img696check.directory(good)) if e[0])
        cases = {
            "flipped directory byte": patched(512 + 8 * 20 + 1, bytes([good[512 + 8 * 20 + 1] ^ 0x10])),
            "truncated": good[:len(good) // 2],
            "entry 0 count 0": patched(512 + 5, b"\0\0\0"),
            "section beyond the end": patched(512 + 8 * last, struct.pack("<I", len(good) + 100)),
            "too short for a directory": good[:700],
        }
        before = self.db_files()
        for what, data in cases.items():
            with self.subTest(what):
                self.write("bad.img", data)
                self.assertEqual(self.create_isam("bad.img"), 3)
                self.assertIn("Operation Aborted", self.out)
                self.assertTrue(any("bad.img is not a usable 696 image" in line for line in self.out + self.err),
                                (self.out, self.err))
                self.assertEqual(self.db_files(), before)


if __name__ == "__main__":
    unittest.main()
