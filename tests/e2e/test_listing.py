"""Listings run by Brondel from control files, over images written by the independent image
writer of the checker's self-test: the image information lines, the section map at a debug
level, "apidgen.txt", and damaged images that must still end every listing."""
import os
import random
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import imgcheck_selftest  # noqa: E402
from suite import COMPLETED, TempFolderRun, answer  # noqa: E402

SECTIONS = ["APT", "INT", "NDB", "VOR", "SUA", "FSS", "TCC", "APR"]


def control_file(image, sections):
    lines = []
    for section in sections:
        lines += ["Mode=List", "Section=%s" % section, "Filename=%s" % image, "GO=1"]
    return "\r\n".join(lines) + "\r\n"


def sample_image(fss=False, sua=False):
    writer = imgcheck_selftest.sample_writer("brondel")
    writer.fss = fss
    writer.sua = sua
    return writer, writer.build()


class ListingRun(TempFolderRun):
    prefix = "listing-"
    output_encoding = "cp1252"

    def run_lists(self, image, sections=SECTIONS, args=()):
        self.write("list.ctl", control_file(image, sections))
        return self.run_headless("brondel", list(args) + ["-F", "list.ctl"])

    def require_listings(self):
        if not any(line.startswith("Image size (hex): ") for line in self.out):
            self.skipTest("brondel does not install the image listings (InstallImageListings) yet")


class ImageInformation(ListingRun):
    def test_every_listing_reports_the_image_size_and_the_map_at_a_debug_level(self):
        writer, data = sample_image()
        self.write("sample.img", data)
        self.assertEqual(self.run_lists("sample.img", args=["-d", "33"]), 0, self.err)
        self.require_listings()
        self.assertIn(COMPLETED, self.out)
        size = "Image size (hex): %06x bytes (%x free)" % (writer.image_end, 0x400000 - writer.image_end)
        self.assertEqual(self.out.count(size), len(SECTIONS))
        self.assertIn("Figures following '=' are hex addresses, and following '/' are decimal counts", self.out)
        self.assertIn("CNT:RECS=815/3", self.out)
        names_at = 2069 + 9 * 3
        apid = [line for line in self.out if line.startswith("APID:RECS=")]
        self.assertTrue(apid)
        self.assertTrue(apid[0].startswith("APID:RECS="), apid)
        self.assertEqual(apid[0].split(",")[0].split("/")[1], "2")
        self.assertIn("TXT:ST=%x, ND=%x, NAMES=%d" % (names_at, int(apid[0][10:].split("/")[0], 16),
                                                       len(writer.names)), self.out)
        with open(self.path("apidgen.txt"), "rb") as f:
            self.assertEqual(f.read(), b"  0 I04L \r\n  1 R22R \r\n")

    def test_the_image_end_is_that_of_the_last_section_present(self):
        for fss, sua in ((True, False), (True, True)):
            writer, data = sample_image(fss=fss, sua=sua)
            self.write("sample.img", data)
            self.assertEqual(self.run_lists("sample.img", sections=["APT"]), 0, self.err)
            self.require_listings()
            self.assertIn("Image size (hex): %06x bytes (%x free)" % (writer.image_end, 0x400000 - writer.image_end),
                          self.out)


class DamagedImages(ListingRun):
    def test_damaged_images_end_every_listing(self):
        _, data = sample_image(fss=True, sua=True)
        rng = random.Random(4711)
        for copy in range(12):
            damaged = bytearray(data)
            for _ in range(rng.randint(1, 8)):
                damaged[rng.randrange(57, 0x1200)] = rng.randrange(256)
            if copy % 4 == 3:
                del damaged[rng.randrange(0, len(damaged)):]
            self.write("damaged.img", bytes(damaged))
            code = self.run_lists("damaged.img", args=["-d", "1", "-x", "2"])
            self.assertIn(code, (0, 3), (copy, self.err))
            self.assertIn(COMPLETED, self.out, copy)


KPGRD_AT = 32


def container(base, image, first_part=None):
    """A container file of the unit maker's layout holding the image (or its first part): the base
    name at byte 8, "KpGrd" at 32 with two counted strings, a record of type 2 to be skipped, then
    the image record (type 0) whose data length is the whole image's length."""
    head = bytearray(KPGRD_AT)
    head[8:16] = base.encode("ascii")[:8].ljust(8, b" ")
    head += b"KpGrd\0"
    head += (2).to_bytes(2, "little")
    head += bytes(KPGRD_AT + 24 - len(head))
    head += b"REGION\0MAP\0"

    def record(kind, data_length, value):
        return value.to_bytes(4, "little") + b"R" + kind.to_bytes(2, "little") + bytes(4) + \
            data_length.to_bytes(4, "little")

    head += record(2, 5, 15) + b"skip!"
    head += record(0, len(image), len(image) + 10)
    data = image if first_part is None else image[:first_part]
    return bytes(head) + data, len(head)


class ContainerImages(ListingRun):
    """List takes a container file or a pair of region halves as the image they hold: it is copied
    into a new ".img" file, which is then listed."""

    def listing_of(self, image_name, answers=()):
        """The APT and VOR listings of the image, saved as text (none when the run refused it)."""
        for name in ("apt.txt", "vor.txt"):
            if os.path.exists(self.path(name)):
                os.remove(self.path(name))
        lines = []
        for section in ("APT", "VOR"):
            lines += ["Mode=List", "Section=%s" % section, "Filename=%s" % image_name,
                      "SaveAs=%s.txt" % section.lower(), "GO=1"]
        self.write("list.ctl", "\r\n".join(lines) + "\r\n")
        args = self.write_answers(answers) if answers else []
        code = self.run_headless("brondel", args + ["-F", "list.ctl"])
        saved = b"".join(self.read(name) for name in ("apt.txt", "vor.txt") if os.path.exists(self.path(name)))
        return code, saved

    def test_a_container_and_a_pair_of_halves_list_as_the_image_they_hold(self):
        _, data = sample_image(fss=True, sua=True)
        self.write("plain.img", data)
        code, plain = self.listing_of("plain.img")
        self.assertEqual(code, 0, self.err)
        self.assertGreater(plain.count(b"\r\n"), 10)

        packed, _ = container("SAMPLEAW", data)
        self.write("sample.awp", packed)
        code, listed = self.listing_of("sample.awp")
        self.assertEqual(code, 0, self.err)
        self.assertIn('File "sample.img" has been created', self.out)
        self.assertEqual(self.read("sample.img"), data)
        self.assertEqual(listed, plain)

        split = len(data) // 3
        first, _ = container("REGIONS1", data, first_part=split)
        self.write("REGIONS1.rg1", first)
        self.write("REGIONS1.rg2", data[split:])
        question = "Your image file is in two halves, is it ok to create a single file named %s ?" % \
            "REGIONS1.img"
        code, listed = self.listing_of("REGIONS1.rg1", [answer(question, "Yes")] * 2)
        self.assertEqual(code, 0, self.err)
        self.assertEqual(self.read("REGIONS1.img"), data)
        self.assertEqual(listed, plain)

    def test_a_missing_second_half_or_a_no_lists_nothing(self):
        _, data = sample_image()
        first, _ = container("REGIONS1", data, first_part=len(data) // 2)
        self.write("REGIONS1.rg1", first)
        code, listed = self.listing_of("REGIONS1.rg1")
        self.assertEqual(code, 3, self.err)
        self.assertIn("Cannot open second half REGIONS1.rg2", self.err)
        self.assertEqual(listed, b"")
        self.write("REGIONS1.rg2", data[len(data) // 2:])
        question = "Your image file is in two halves, is it ok to create a single file named %s ?" % \
            "REGIONS1.img"
        code, listed = self.listing_of("REGIONS1.rg1", [answer(question, "No")])
        self.assertEqual(code, 3, self.err)
        self.assertEqual(listed, b"")
        self.assertFalse(os.path.exists("REGIONS1.img"))


if __name__ == "__main__":
    unittest.main()
