"""Brondel in its Qt window backend under a virtual X server (Xvfb).

The answer file fills in the real dialogs and presses their buttons; the test driver
(SUITE_QT_DRIVE) clicks, types and picks menu commands once the program waits for the
user; the backend saves every answered dialog and each `shot` as a PNG in
SUITE_QT_SHOTS (here: <build>/qt-screenshots/<test>/, kept as CI artifacts). The checks
read the pictures themselves: a small PNG reader below finds the ink of the banner and
of each listing line where the backend says it drew them.

Skipped (with a note) when Xvfb is missing or brondel was built without the Qt backend.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import suite  # noqa: E402
from suite import BIN_DIR, SOURCE_DIR, TempFolderRun, answer  # noqa: E402

BIN = suite.program("brondel")
SHOTS_ROOT = os.path.join(os.path.dirname(BIN_DIR), "qt-screenshots")

SETUP = "Select Required Operation"
# A batch whose listing fits in the window and, printed large, on more than one page.
BATCH = (b"ADD|USR|W1|N51\xb028.00|W000\xb027.00|X\r\n"
         + b"".join(b"DEL|USR|P%02d\r\n" % i for i in range(1, 15))
         + b"BAD LINE\r\n")


# ---------------------------------------------------------------- pictures

def read_png(path):
    """(width, height, rows): rows[y][x] = (r, g, b) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG: " + path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and color in (2, 6) and interlace == 0, "unexpected PNG kind"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 3 if color == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def dark_pixels(rows, x, y, w, h):
    """Pixels of ink (clearly darker than a light background) in a rectangle."""
    count = 0
    for row in rows[max(0, y):y + h]:
        for r, g, b in row[max(0, x):x + w]:
            if r + g + b < 300:
                count += 1
    return count


def read_drawn_texts(path):
    """The backend's note of a shot: (x, y, w, h, text) of each text drawn in the views."""
    drawn = []
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if not line:
                continue
            geometry, text = line.split("\t", 1)
            drawn.append(tuple(int(v) for v in geometry.split()) + (text,))
    return drawn


def lines_per_page(listing, printed):
    """The page length that cuts the listing (blank lines too) into the printed pages
    (their non-blank lines), or None when no page length does."""
    norm = [" ".join(t.split()) for t in listing]
    for length in range(1, len(listing) + 1):
        chunks = [norm[i:i + length] for i in range(0, len(norm), length)] or [[]]
        if len(chunks) == len(printed) and all(
                [t for t in chunk if t] == page for chunk, page in zip(chunks, printed)):
            return length
    return None


# ---------------------------------------------------------------- running

def qt_backend_built(binary=BIN):
    try:
        with open(binary, "rb") as f:
            return b"libQt6Widgets" in f.read()
    except OSError:
        return False


class XServer:
    """A virtual X server on the first free display; -noreset keeps it accepting connections
    between one client's exit and the next client's start."""
    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as f:
            while not number.endswith(b"\n"):
                byte = f.read(1)
                if not byte:
                    break
                number += byte
        if not number.strip():
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


class XvfbRun(TempFolderRun):
    """A temporary working folder per test and one virtual X server for the class's tests."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()


@unittest.skipUnless(shutil.which("Xvfb"), "Xvfb is not installed")
@unittest.skipUnless(qt_backend_built(), "brondel was built without the Qt backend")
class QtBrondel(XvfbRun):
    prefix = "qtbrondel-"

    def setUp(self):
        super().setUp()
        self.shots = os.path.join(SHOTS_ROOT, self.id().split(".")[-1])
        shutil.rmtree(self.shots, ignore_errors=True)

    def shot(self, name):
        return os.path.join(self.shots, name)

    def run_brondel(self, answers, drive):
        switches = self.write_answers(answers)
        with open(self.path("drive.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(drive) + "\n")
        env = dict(self.env, DISPLAY=self.x.display, XDG_RUNTIME_DIR=self.dir, SUITE_QT_SHOTS=self.shots,
                   SUITE_QT_DRIVE=self.path("drive.txt"),
                   LSAN_OPTIONS="suppressions=" + os.path.join(SOURCE_DIR, "platform/qt/tests/lsan.supp"))
        env.pop("QT_QPA_PLATFORM", None)
        done = subprocess.run([BIN] + switches, cwd=self.dir, env=env,
                              capture_output=True, timeout=120)
        self.err = done.stderr.decode("utf-8", "replace")
        # Every answer and statement fitted its window.
        self.assertNotIn("answers:", self.err)
        self.assertNotIn("driver:", self.err)
        return done.returncode

    def assertInk(self, rows, x, y, w, h, what):
        self.assertGreater(dark_pixels(rows, x, y, w, h), max(4, w * h // 100),
                           "no ink where %r was drawn" % what)

    def test_batch_update_listing_copy_and_print_to_pdf(self):
        self.write("batch.txt", BATCH)
        pdf = self.path("listing.pdf")
        code = self.run_brondel(
            [answer(SETUP, "OK", Mode="Perform a Batch Update of ISAM DB", Filename="batch.txt", Listing="1"),
             answer("Confirm Operation Details", "GO"),
             answer("Print Setup", "OK", Landscape="1"),
             answer("Font", "OK", Size="250"),
             answer("Print", "OK", File_name=pdf)],
            ["shot listing",
             'click "************* Brondel"',
             'click "Database Update Complete" shift',
             "key Ctrl+C",
             "clipboard " + self.path("clip.txt"),
             "shot selected",
             "command File/Print Setup...",
             "command File/Print Font...",
             "command File/Print...",
             "close"])
        self.assertEqual(code, 0, self.err)

        # The setup dialog as the user saw it, filled in.
        width, height, rows = read_png(self.shot("01-select-required-operation.png"))
        self.assertTrue(250 < width < 1000 and 120 < height < 600, (width, height))
        self.assertGreater(dark_pixels(rows, 0, 0, width, height), 500)
        self.assertTrue(os.path.exists(self.shot("02-confirm-operation-details.png")))

        # The listing: the banner in large letters above the lines, each line inked where drawn.
        drawn = read_drawn_texts(self.shot("listing.txt"))
        width, height, rows = read_png(self.shot("listing.png"))
        banner = [d for d in drawn if d[4] == "Brondel"]
        self.assertEqual(len(banner), 1)
        bx, by, bw, bh, _ = banner[0]
        lines = sorted((d for d in drawn if d is not banner[0]), key=lambda d: d[1])
        self.assertGreater(bh, 3 * lines[0][3])
        self.assertLess(by + bh, lines[0][1])
        self.assertInk(rows, bx, by, bw, bh, "Brondel")
        texts = [d[4] for d in lines]
        for expected in [" ************* Brondel 5.4.10 *************",
                         "You have chosen to update the ISAM Database",
                         "from the batch update file 'batch.txt'",
                         "Database Update Complete"]:
            self.assertIn(expected, texts)
        # The batch lines are listed with their degree signs (byte 0xB0 inside).
        self.assertTrue(any("ADD|USR|W1|N51\u00b028.00|W000\u00b027.00|X" in t for t in texts), texts)
        for x, y, w, h, text in lines:
            if text.strip():
                self.assertInk(rows, x, y, w, h, text)
            else:
                self.assertEqual(dark_pixels(rows, 0, y, width // 2, h), 0, "ink on an empty line")
        gap = lines[0][1] - (by + bh)  # between the banner and the first line: background only
        self.assertGreater(gap, lines[0][3])
        self.assertEqual(dark_pixels(rows, 0, by + bh + 1, width - 40, gap - 2), 0)

        # Copy: the clicked lines and those between them, each ended by CR LF.
        first = texts.index(" ************* Brondel 5.4.10 *************")
        last = texts.index("Database Update Complete")
        with open(self.path("clip.txt"), "rb") as f:
            clip = f.read().decode("utf-8")
        self.assertEqual(clip, "".join(t + "\r\n" for t in texts[first:last + 1]))

        # The selection band: the highlight colour across the selected lines' rows only.
        _, _, selected = read_png(self.shot("selected.png"))
        x = width - 60
        band_y = lines[first][1] + lines[first][3] // 2
        after_y = lines[last + 1][1] + lines[last + 1][3] // 2 if last + 1 < len(lines) else None
        self.assertEqual(rows[band_y][x], (255, 255, 255))
        self.assertNotEqual(selected[band_y][x], (255, 255, 255))
        if after_y is not None:
            self.assertEqual(selected[after_y][x], (255, 255, 255))

        # Print to PDF in landscape with a large print font: the listing cut into pages of
        # equally many lines, in order, none empty.
        if shutil.which("pdfinfo") and shutil.which("pdftotext"):
            info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
            pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
            self.assertRegex(info, r"Page size:\s+842\S* x 595")  # A4 landscape
            text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, check=True).stdout.decode("utf-8")
            printed = [[" ".join(l.split()) for l in p.split("\n") if l.strip()] for p in text.split("\f")[:pages]]
            self.assertGreaterEqual(pages, 2)
            self.assertIsNotNone(lines_per_page(texts, printed), (texts, printed))
        else:
            with open(pdf, "rb") as f:
                self.assertGreaterEqual(len(re.findall(rb"/Type\s*/Page(?!s)", f.read())), 2)

        # The window's placement was kept in the settings file.
        settings = os.path.join(self.path(".config"), "Local AppWizard-Generated Applications", "Brondel.ini")
        with open(settings, encoding="latin-1") as f:
            self.assertRegex(f.read(), r"WindowPos=0,1,-?\d+,-?\d+,-?\d+,-?\d+,\d+,\d+,\d+,\d+")

    def test_refused_setup_shows_its_message_box_and_the_setup_again(self):
        # The window opens where the settings file says, and its place is kept on close.
        folder = os.path.join(self.path(".config"), "Local AppWizard-Generated Applications")
        os.makedirs(folder)
        placement = "0,1,-1,-1,-1,-1,100,80,820,640"
        with open(os.path.join(folder, "Brondel.ini"), "wb") as f:
            f.write(b"[Settings]\r\nWindowPos=" + placement.encode() + b"\r\n")
        code = self.run_brondel(
            [answer(SETUP, "OK", Mode="Perform a Batch Update of ISAM DB", Filename='""'),
             answer("You must choose a batch file to use", "OK"),
             answer(SETUP, "Cancel")],
            ["shot refused", "close"])
        self.assertEqual(code, 3)  # nothing was done
        names = sorted(os.listdir(self.shots))
        self.assertEqual(names[:3], ["01-select-required-operation.png", "02-brondel.png",
                                     "03-select-required-operation.png"])
        width, height, rows = read_png(self.shot("02-brondel.png"))
        self.assertGreater(dark_pixels(rows, 0, 0, width, height), 100)
        # No listing: only the banner is drawn.
        self.assertEqual([d[4] for d in read_drawn_texts(self.shot("refused.txt"))], ["Brondel"])
        width, height, _ = read_png(self.shot("refused.png"))
        self.assertEqual((width, height), (720, 560))
        with open(os.path.join(folder, "Brondel.ini"), encoding="latin-1") as f:
            self.assertIn("WindowPos=" + placement, f.read())

    def test_every_dialog_of_the_generator_is_reached_and_answered(self):
        self.write("sua.txt", "x\r\n")
        code = self.run_brondel(
            [answer(SETUP, "Browse->", Mode="Compile SUA Text"),
             answer("Select SUA Dump File", "Open", Files_of_type="All Files [*.*]", File_name="sua.txt"),
             answer(SETUP, "OK"),
             answer("Optional Filters for SUA Compilation", "OK", Maximum_Base="150"),
             answer("Maximum Base must be a multiple of 100", "OK"),
             answer("Optional Filters for SUA Compilation", "Cancel"),
             answer(SETUP, "Filters", Mode="List Selected Image File Section", Filename='""'),
             answer("Listing Filters", "OK", Country_Code="EG"),
             answer(SETUP, "Title", Mode="Create Image File from ISAM Database"),
             answer("Title Page", "OK", Title="MY DB"),
             answer(SETUP, "Cancel"),
             answer("Program Debug Trace Levels", "OK", Normal="8"),
             answer("About Brondel", "OK"),
             answer("Font", "OK", Size="20"),
             answer("Print Setup", "OK"),
             answer("Print Preview", "Close"),
             answer("Listing Filters", "Cancel")],
            ["command File/Debug Level...",
             "command Help/About...",
             "command View/Screen Font...",
             "command File/Print Setup...",
             "command File/Print Preview",
             "key F2",
             "shot tour",
             "close"])
        self.assertEqual(code, 3)
        shots = [re.sub(r"^\d+-", "", n) for n in sorted(os.listdir(self.shots)) if n.endswith(".png")]
        self.assertEqual(shots, [
            "select-required-operation.png", "select-sua-dump-file.png", "select-required-operation.png",
            "optional-filters-for-sua-compilation.png", "brondel.png",
            "optional-filters-for-sua-compilation.png", "select-required-operation.png",
            "listing-filters.png", "select-required-operation.png", "title-page.png",
            "select-required-operation.png", "program-debug-trace-levels.png", "about-brondel.png",
            "font.png", "print-setup.png", "print-preview.png", "listing-filters.png", "tour.png"])
        # The filter shows in its status bar pane: ink in the pane's part of the status bar.
        width, height, rows = read_png(self.shot("tour.png"))
        self.assertGreater(dark_pixels(rows, width // 3, height - 20, width // 2, 18), 20)


if __name__ == "__main__":
    unittest.main()
