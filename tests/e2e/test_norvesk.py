"""Norvesk, the USB transfer program, headless with the emulated unit in process
(--usb-emulator=PRODUCTID): reads of every GAR kind against the unit's host files, GAR writes,
image uploads with and without a loader, TAW regions, a refused erase, the details-only run,
the command line and the delays file.  The fixtures (images, containers, GAR files) are
written here from the file layouts."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import garfixtures as g  # noqa: E402
from suite import TempFolderRun  # noqa: E402

VERSIONS = {145: 202, 364: 220, 595: 271}
FAST_DELAYS = ("PostEraseDelay=30\nPostLoaderDelay=30\nIntraReadDelay=3000\nIntraWriteDelay=3000\n"
               "PostTransferDelay=20\n")
DELAY_KEYS = ["PostEraseDelay", "PostLoaderDelay", "IntraReadDelay", "IntraWriteDelay", "PostTransferDelay",
              "LoaderModels", "UsbVendorId"]


def part_number(number):
    """The 9 packed bytes of "006-Dnnnn-XX": six-bit codes read back to front."""
    bits = 0
    for i, c in enumerate("006-D%04d-XX" % number):
        bits |= (ord(c) - 0x20) << (72 - 6 * (i + 1))
    return bits.to_bytes(9, "big")[::-1]


def image(number, blocks, at=33):
    """An image: a 256-byte header with the part number, then 128-byte blocks (None: blank);
    the header carries the count of blocks that hold data at 57."""
    data = bytearray(b"\xff" * 256)
    data[at:at + 9] = part_number(number)
    for i, b in enumerate(blocks):
        data += b"\xff" * 128 if b is None else bytes((i * 7 + k + b) & 0x7F for k in range(128))
    count = sum(1 for i in range(0, len(data), 128) if any(x != 0xFF for x in data[i:i + 128]))
    data[57:59] = struct.pack("<H", count)
    return bytes(data)


def container(magic, model, regions):
    """A region container: header with model, "KpGrd" header, 15-byte region records and data."""
    head = bytearray(magic + b"\0") + struct.pack("<H", 1) + bytes(16) + b"EMU\0" + bytes(5) + struct.pack("<H", model)
    head += b"KpGrd\0" + struct.pack("<H", 0) + bytes(16)
    for region, payload in regions:
        head += bytes(4) + b"R" + struct.pack("<H", region) + bytes(4) + struct.pack("<I", len(payload)) + payload
    return bytes(head)


def gar_file(product_id, records, count=None, end=12):
    out = g.record(g.PRODUCT, struct.pack("<hh", product_id, VERSIONS.get(product_id, 200)))
    out += g.record(g.COUNT, struct.pack("<h", len(records) if count is None else count))
    for rid, data in records:
        out += g.record(rid, data)
    out += g.record(g.END, struct.pack("<H", end))
    return out


def waypoints(n):
    return [(g.USER_WAYPOINT, g.newer_waypoint("WP%02d" % i, 47.0 + i / 10, -122.0, 0, comment="C%d" % i))
            for i in range(n)]


class NorveskRun(TempFolderRun):
    prefix = "e2e-norvesk-"

    def setUp(self):
        super().setUp()
        self.write(".config/Norvesk/norvesk.ini", FAST_DELAYS)

    def norvesk(self, unit, *args, answers=None):
        extra = self.write_answers(answers) if answers else []
        return self.run_headless("norvesk", ["--usb-emulator=%d" % unit, *extra, *args], timeout=60)


class Reads(NorveskRun):
    def test_each_gar_kind_reads_as_the_units_host_file(self):
        """Count, records and end arrive in order behind the unit's product record; a screen
        comes without count and end, which the program writes itself."""
        screen_head = bytearray(24)
        struct.pack_into("<I", screen_head, 20, 3)
        kinds = [
            (2, "H_usr.gar", waypoints(20)),
            (3, "H_routs.gar", [(29, b"\x01ROUTE\0"), (30, bytes(range(60))), (98, bytes(4)), (30, bytes(60))]),
            (4, "H_prox.gar", [(19, bytes(range(40)))]),
            (5, "H_alman.gar", [(31, bytes([n] * 42)) for n in range(3)]),
            (6, "H_track.gar", [(34, bytes([n] * 24)) for n in range(30)]),
        ]
        for unit in (145, 364, 595):
            for d, host, records in kinds:
                with self.subTest(unit=unit, database=d):
                    self.write(host, gar_file(unit, records))
                    code = self.norvesk(unit, "-M1", "-D%d" % d, "-Fout.gar")
                    self.assertEqual(code, 0, self.out + self.err)
                    self.assertIn("Transfer Complete", self.out)
                    self.assertEqual(self.read("out.gar"), self.read(host))
            with self.subTest(unit=unit, database="screen"):
                rows = [(69, bytes(screen_head))] + [(69, bytes(6) + bytes([r] * 16)) for r in range(3)]
                self.write("H_scrn.gar", gar_file(unit, rows, count=4, end=32))
                self.assertEqual(self.norvesk(unit, "-M1", "-D7", "-Fscreen.gar"), 0, self.out + self.err)
                self.assertEqual(self.read("screen.gar"), self.read("H_scrn.gar"))

    def test_a_read_whose_count_is_never_reached_ends_unattended_with_status_3(self):
        self.write(".config/Norvesk/norvesk.ini", FAST_DELAYS.replace("IntraReadDelay=3000", "IntraReadDelay=300"))
        self.write("H_usr.gar", gar_file(145, waypoints(2), count=5))
        self.assertEqual(self.norvesk(145, "-M1", "-D2", "-Fout.gar"), 3)
        self.assertIn(" *** BEWARE *** Packets Exp=5, Rec=2", self.out)

    def test_region_read_fills_what_the_unit_left_erased_with_0xff(self):
        region = bytes(range(128)) + b"\xff" * 512 + bytes([1] * 100)
        self.write("region_27.bin", region)
        answers = [self.answer_region("27")]
        code = self.norvesk(145, "-d1024", "-M1", "-D8", "-Fobst.bin", answers=answers)
        self.assertEqual(code, 0, self.out + self.err)
        self.assertEqual(self.read("obst.bin"), region)

    @staticmethod
    def answer_region(value):
        return "match User Specified Region\nset Region (Hex) = %s\npress OK\n" % value


class Writes(NorveskRun):
    def test_gar_write_lands_whole_in_the_unit(self):
        for unit in (145, 364, 595):
            with self.subTest(unit=unit):
                sent = gar_file(unit, waypoints(40))
                self.write("send.gar", sent)
                self.assertEqual(self.norvesk(unit, "-M2", "-D2", "-Fsend.gar"), 0, self.out + self.err)
                self.assertIn("Transfer Complete", self.out)
                self.assertEqual(self.read("H_usr.gar"), sent)

    def test_image_upload_runs_every_phase_and_the_region_holds_the_image(self):
        blocks = [0, 1, None, None, 2] + [None] * 20 + [3, None, 4]
        cases = [
            # unit, part number, loader container
            (145, 1234, None),
            (595, 677, None),
            (364, 1234, "maps.awp"),
        ]
        for unit, number, awp in cases:
            with self.subTest(unit=unit):
                for name in os.listdir(self.dir):
                    if name.startswith("region_") or name.endswith(".awp") or name.startswith("usbldr"):
                        os.remove(self.path(name))
                img = image(number, blocks)
                self.write("image.img", img)
                loader = bytes((k * 3) & 0xFF for k in range(300))
                if awp:
                    self.write(awp, container(b"pWa.d", unit, [(12, loader), (0, img)]))
                code = self.norvesk(unit, "-M2", "-D1", "-Fimage.img")
                self.assertEqual(code, 0, self.out + self.err)
                self.assertEqual(self.read("region_00.bin"), img.rstrip(b"\xff") or img)
                self.assertIn("%d Packets to send" % sum(1 for i in range(0, len(img), 128)
                                                         if any(x != 0xFF for x in img[i:i + 128])), self.out)
                self.assertIn("Erasing region 00 for Aviation database", self.out)
                if awp:
                    self.assertIn("Loader found in file %s" % awp, self.out)
                    self.assertIn("Sending Loader", self.out)
                    self.assertEqual(self.read("usbldr96.bin"), loader)
                    self.assertEqual(self.read("region_0C.bin"), loader)
                    self.assertIn("Reconnected to GPS", self.out)
                else:
                    self.assertNotIn("Sending Loader", self.out)

    def test_a_unit_that_needs_a_loader_and_finds_none_is_refused(self):
        self.write("image.img", image(1234, [0, 1]))
        self.assertEqual(self.norvesk(364, "-M2", "-D1", "-Fimage.img"), 3)
        self.assertIn("No Loader available - please place a suitable .awp or .taw file next to the .img file",
                      self.out)
        self.assertIn("Transfer Aborted (No Loader)", self.out)

    def test_incompatible_image_is_refused_unattended(self):
        self.write("image.img", image(677, [0, 1]))
        self.assertEqual(self.norvesk(145, "-M2", "-D1", "-Fimage.img"), 3)
        self.assertIn("The Image file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?",
                      self.err)
        self.assertIn("Transfer Aborted (Wrong Model)", self.out)
        self.assertFalse(os.path.exists(self.path("region_00.bin")))

    def test_taw_region_and_refused_erase(self):
        data = bytes(range(256)) + b"\xff" * 128 + bytes([9] * 77)
        self.write("obst.taw", container(b"wAt.d", 145, [(0, b""), (39, data), (12, b"x")]))
        self.assertEqual(self.norvesk(145, "-M2", "-D8", "-Fobst.taw"), 0, self.out + self.err)
        self.assertIn("You have chosen to transfer the 'Obstacles' database", self.out)
        self.assertEqual(self.read("region_27.bin"), data)
        self.assertEqual([n for n in os.listdir(self.dir) if n.startswith("norvesk-")], [])

        self.write("new.taw", container(b"wAt.d", 145, [(38, data)]))
        self.assertEqual(self.norvesk(145, "-M2", "-D8", "-Fnew.taw"), 3)
        self.assertIn("This memory region is not available in this gps unit - Transfer aborted", self.out)
        self.assertFalse(os.path.exists(self.path("region_26.bin")))


    def test_software_update_sends_its_loader_and_firmware(self):
        loader = bytes((k * 5) & 0xFF for k in range(200))
        firmware = bytes((k * 3) & 0x7F for k in range(1000))
        self.write("update.rgn", container(b"pWa.d", 145, [(12, loader), (14, firmware)]))
        code = self.norvesk(145, "-d512", "-M2", "-D1", "-Fupdate.rgn")
        self.assertEqual(code, 0, self.out + self.err)
        self.assertEqual(self.read("region_0C.bin"), loader)
        self.assertEqual(self.read("region_0E.bin"), firmware)
        self.assertIn("Erasing region 0E for Firmware database", self.out)
        # Without the debug bit a container is no image.
        self.assertEqual(self.norvesk(145, "-M2", "-D1", "-Fupdate.rgn"), 3)
        self.assertIn("update.rgn is not a recognised Image file", self.err)


class Attended(NorveskRun):
    SETUP = "match Setup Transfer\nset Mode = %s\nset Database = %s\nset Filename = %s\npress OK\n"
    GO = "match Confirm Transfer Details\npress GO\n"

    def test_read_and_list_through_the_dialogs(self):
        self.write("H_usr.gar", gar_file(145, waypoints(3)))
        code = self.norvesk(145, answers=[self.SETUP % ("Read", "User", "got.gar"), self.GO])
        self.assertEqual(code, 0, self.out + self.err)
        self.assertIn("CLICK THE 'GO' BUTTON WHEN READY", self.out)
        self.assertEqual(self.read("got.gar"), self.read("H_usr.gar"))
        code = self.norvesk(145, answers=[self.SETUP % ("List", "User", "got.gar"), self.GO])
        self.assertEqual(code, 0)
        self.assertIn("User Waypoints Database - 3 Packets from GPS 196", self.out)
        # Attended, the listing stays shown until STOP/RESET.
        self.assertNotIn("Listing Complete", self.out)

    def test_a_refusal_returns_to_the_dialog_and_cancel_at_go_sends_nothing(self):
        self.write("user.gar", gar_file(145, waypoints(3)))
        answers = [self.SETUP % ("Write", "Screen", "user.gar"), self.SETUP % ("Write", "User", "user.gar"),
                   "match Confirm Transfer Details\npress Cancel\n"]
        self.assertEqual(self.norvesk(145, answers=answers), 3)
        self.assertIn("Sorry, we cannot send a Screen Dump to the GPS", self.err)
        self.assertNotIn("Connected to GPS", self.out)
        self.assertFalse(os.path.exists(self.path("H_usr.gar")))


    def test_browse_offers_the_files_of_the_database_and_adds_their_extension(self):
        self.write("MyImage.img", image(1234, [0]))
        self.write("user.gar", gar_file(145, waypoints(1)))
        for mode, database, title, typed, chosen, line in [
            ("Write", "Aviation", "Select Image File", "MyImage", "MyImage.img", "out of the file '%s', and into the GPS."),
            ("List", "Aviation", "Select Binary File", "user", "user.gar", "The file '%s' will be listed"),
            ("Write", "TAWs or VRPs", "Select TAW or AWP(VRPs) File", "obst", "obst.taw", "Cannot open %s"),
        ]:
            with self.subTest(title=title):
                answers = ["match Setup Transfer\nset Mode = %s\nset Database = %s\npress Browse->\n" % (mode, database),
                           "match %s\nset File name = %s\npress OK\n" % (title, typed),
                           "match Setup Transfer\npress OK\n",
                           "match Confirm Transfer Details\npress Cancel\n"]
                self.norvesk(145, answers=answers)
                # The name keeps its case and gets the extension of the database's files.
                self.assertIn(line % self.path(chosen), self.out + self.err)
                # In List mode the database list is disabled.
                self.assertEqual(mode == "List", "control is disabled" in self.err_text)


class CommandLine(NorveskRun):
    def test_details_only_writes_its_lines_with_cr_lf(self):
        self.assertEqual(self.norvesk(595, "-UD", "-Fdetails.txt"), 0, self.err)
        text = self.read("details.txt").decode("cp1252")
        self.assertTrue(text.endswith("Details Complete\r\n"))
        self.assertNotIn("\n", text.replace("\r\n", ""))
        lines = text.split("\r\n")
        self.assertIn("Unit Details:", lines)
        self.assertIn("[595/271] GPS 496 Software Version 2.71", lines)

    def test_incomplete_unattended_line_and_unknown_switch(self):
        for args, status, text in [
            (["-M2", "-D1"], 2, "Norvesk - Error in commandline"),
            (["-M4", "-D1", "-Fx.img"], 2, "Norvesk - Error in commandline"),
            (["-D9", "-M1", "-Fx.gar"], 2, "Norvesk - Error in commandline"),
            (["-Q"], 2, "unknown switch '-Q'"),
        ]:
            with self.subTest(args=args):
                self.assertEqual(self.norvesk(145, *args), status)
                self.assertTrue(any(text in line for line in self.err), self.err)
                self.assertEqual(sorted(os.listdir(self.dir)), [".config"])

    def test_no_unit_on_the_real_link(self):
        code = self.run_headless("norvesk", ["-M1", "-D2", "-Fout.gar"], timeout=60)
        self.assertEqual(code, 1)
        self.assertIn("SetupDiEnumDeviceInterfaces failed, is unit connected ?", self.out)
        self.assertIn("USB initialisation failed", self.out)

    def test_refusals_of_the_set_up_are_status_3_with_their_message(self):
        self.write("user.gar", gar_file(145, waypoints(2)))
        self.write("image.img", image(1234, [0]))
        for args, text in [
            (["-M1", "-D1", "-Fx.gar"], "Sorry, we cannot read the Aviation DB from the GPS"),
            (["-M1", "-D8", "-Fx.bin"], "Sorry, we cannot read this data from the GPS"),
            (["-M2", "-D7", "-Fuser.gar"], "Sorry, we cannot send a Screen Dump to the GPS"),
            (["-M2", "-D2", "-Fmissing.gar"], "Cannot open missing.gar"),
            (["-M2", "-D3", "-Fuser.gar"], "user.gar does not contain the chosen type of data"),
            (["-M2", "-D1", "-Fuser.gar"], "user.gar is not a recognised Image file"),
            (["-M2", "-D8", "-Fuser.gar"], "This file does not contain usable data"),
            (["-M3", "-D1", "-Fimage.img"], "Please use Pelmora to list IMAGE files"),
        ]:
            with self.subTest(args=args):
                self.assertEqual(self.norvesk(145, *args), 3)
                self.assertIn(text, self.err)


class DelaysFile(NorveskRun):
    def test_made_with_defaults_and_rewritten_in_order(self):
        os.remove(self.path(".config/Norvesk/norvesk.ini"))
        self.norvesk(145, "-UD", "-Fd.txt")
        self.assertEqual(self.read(".config/Norvesk/norvesk.ini").decode(),
                         "PostEraseDelay=4000\nPostLoaderDelay=6000\nIntraReadDelay=5000\nIntraWriteDelay=5000\n"
                         "PostTransferDelay=750\nLoaderModels=96,96C,296,396,696\nUsbVendorId=0x091E\n")
        self.write(".config/Norvesk/norvesk.ini", "IntraWriteDelay=100\n")
        self.norvesk(145, "-UD", "-Fd.txt")
        lines = self.read(".config/Norvesk/norvesk.ini").decode().splitlines()
        self.assertEqual([line.split("=")[0] for line in lines], DELAY_KEYS)
        self.assertIn("IntraWriteDelay=100", lines)
        self.assertIn("PostEraseDelay=4000", lines)


if __name__ == "__main__":
    unittest.main()
