"""Listings run by Brondel from control files, over images written by the independent image
writer of the checker's self-test: the image information lines, the section map at a debug
level, "apidgen.txt", and damaged images that must still end every listing."""
import os
import random
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import imgcheck_selftest  # noqa: E402
from suite import COMPLETED, TempFolderRun  # noqa: E402

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


if __name__ == "__main__":
    unittest.main()
