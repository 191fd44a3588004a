#!/usr/bin/env python3
"""Independent checker of database image files.

Handles the three families that share one layout: the 495/496 (brondel),
the GPS III Pilot (quenmar) and the 195 family (pelmora).  Given an image it
decodes the part number, recomputes the sumcheck bytes and the packet count,
checks the file length, every pointer and the layout, and decodes the
country table, the names table and the APT, INT, NDB and VOR records.

Command line:  imgcheck.py IMAGE [--family brondel|quenmar|pelmora] [--json]
Exit status 0 when every check passes, 1 otherwise (2 for usage errors).

As a module:   report = imgcheck.check_file(path)  or  check_bytes(data)
               report.ok, report.checks, report.content (what --json prints)
"""

from __future__ import annotations

import argparse
import bisect
import json
import sys
from dataclasses import dataclass, field

ABSENT24 = 0x3FFFFF
GRID_D = 0x016C4000          # grid box size in position units
CELL_LAT = 0x2D88000         # twice a box: cell corner latitude step
CELL_LON = 0x71D4000         # five boxes: cell corner longitude step
MAX_MESSAGES = 40
ABSENT_NAME = 1 << 20       # sort key of an absent name: after every offset


class Damaged(Exception):
    """A read fell outside the data: the image is damaged."""


# ---------------------------------------------------------------- low level

def u16(data, off):
    if off < 0 or off + 2 > len(data):
        raise Damaged("u16 read at 0x%x past the end (0x%x)" % (off, len(data)))
    return data[off] | data[off + 1] << 8


def u24(data, off):
    if off < 0 or off + 3 > len(data):
        raise Damaged("u24 read at 0x%x past the end (0x%x)" % (off, len(data)))
    return data[off] | data[off + 1] << 8 | data[off + 2] << 16


def get_bits(data, pos, n):
    """n bits from bit position pos, most significant bit of each byte first."""
    if n == 0:
        return 0
    start = pos // 8
    end = (pos + n + 7) // 8
    if pos < 0 or end > len(data):
        raise Damaged("bit field %d+%d past the end" % (pos, n))
    v = int.from_bytes(data[start:end], "big")
    return (v >> (end * 8 - pos - n)) & ((1 << n) - 1)


def s32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def text_of(raw):
    try:
        return raw.decode("cp1252")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def six_bit_text(data, off, nbytes, nchars):
    """Packed six-bit text stored in reversed byte order (value + 0x20)."""
    if off < 0 or off + nbytes > len(data):
        raise Damaged("packed text at 0x%x past the end" % off)
    value = int.from_bytes(data[off:off + nbytes], "little")
    top = nbytes * 8
    return "".join(chr(((value >> (top - 6 * (i + 1))) & 63) + 0x20) for i in range(nchars))


def angle_degrees(units):
    return units * 360.0 / 4294967296.0


def trunc_div(a, b):
    q = abs(a) // b
    return -q if a < 0 else q


# ---------------------------------------------------------------- families

@dataclass(frozen=True)
class Family:
    name: str
    unit: str
    part_number: int
    image_type: int
    pn_offset: int
    header_size: int
    shift: int                  # fixed-area offsets relative to the 495/496 set
    hdr_datastart: int
    hdr_names: int
    hdr_info: tuple
    hdr_fifth: int
    hdr_fss: tuple
    hdr_sua: int
    hdr_null: tuple
    zero_bytes: tuple           # (first, end)
    ff_bytes: tuple
    cycle_at: int
    dates_at: tuple
    packet_at: int
    packet_halved: bool
    sum_field: int              # sumcheck field length
    sum_first_slot: int
    chunk: int
    limit: int                  # pre-fill size and image size limit
    warn_limit: int             # ends above limit and up to this only warn
    names_limit: int
    name_bits: int              # 20 or 18
    rec_size: dict
    approaches: bool
    fss_sizes: tuple            # FSS, TCC record bytes
    sua_sizes: tuple            # 25-byte and 23-byte area records


FAMILIES = {
    "brondel": Family(
        name="brondel", unit="495/496", part_number=677, image_type=6, pn_offset=33,
        header_size=102, shift=0, hdr_datastart=66, hdr_names=69, hdr_info=(72, 75, 78, 81),
        hdr_fifth=84, hdr_fss=(87, 90), hdr_sua=93, hdr_null=(96, 99),
        zero_bytes=(30, 33), ff_bytes=(59, 66), cycle_at=16, dates_at=(18, 22, 26),
        packet_at=57, packet_halved=True, sum_field=16, sum_first_slot=0, chunk=0x40000,
        limit=0x400000, warn_limit=0x400000, names_limit=0xFFFFF, name_bits=20,
        rec_size={"APT": 19, "INT": 9, "NDB": 16, "VOR": 17}, approaches=True,
        fss_sizes=(10, 19), sua_sizes=(25, 23)),
    "quenmar": Family(
        name="quenmar", unit="GPS III Pilot", part_number=19, image_type=3, pn_offset=42,
        header_size=110, shift=8, hdr_datastart=74, hdr_names=77, hdr_info=(80, 83, 86, 89),
        hdr_fifth=92, hdr_fss=(95, 98), hdr_sua=101, hdr_null=(104, 107),
        zero_bytes=(39, 42), ff_bytes=(68, 74), cycle_at=25, dates_at=(27, 31, 35),
        packet_at=66, packet_halved=False, sum_field=25, sum_first_slot=1, chunk=0x10000,
        limit=0x170000, warn_limit=0x170000, names_limit=0x3FFFF, name_bits=18,
        rec_size={"APT": 18, "INT": 9, "NDB": 15, "VOR": 16}, approaches=False,
        fss_sizes=(9, 18), sua_sizes=(24, 22)),
    "pelmora": Family(
        name="pelmora", unit="195/196/295/296/96/396/iQue", part_number=14, image_type=4,
        pn_offset=33, header_size=102, shift=0, hdr_datastart=66, hdr_names=69,
        hdr_info=(72, 75, 78, 81), hdr_fifth=84, hdr_fss=(87, 90), hdr_sua=93,
        hdr_null=(96, 99), zero_bytes=(30, 33), ff_bytes=(59, 66), cycle_at=16,
        dates_at=(18, 22, 26), packet_at=57, packet_halved=False, sum_field=16,
        sum_first_slot=0, chunk=0x20000, limit=0x200000, warn_limit=0x260000,
        names_limit=0x3FFFF, name_bits=18,
        rec_size={"APT": 18, "INT": 9, "NDB": 15, "VOR": 16}, approaches=True,
        fss_sizes=(9, 18), sua_sizes=(24, 22)),
}

# Image types of the transfer programs' check, and what each one is.
TYPE_NAMES = {0: "95 AVD", 1: "90/95 XL", 2: "89", 3: "GPS III Pilot",
              4: "195 family", 5: "92/190", 6: "495/496"}
TYPE_FAMILY = {3: "quenmar", 4: "pelmora", 6: "brondel"}

# Sumcheck layout per image type: field length, first slot, section bytes.
SUMCHECK_LAYOUT = {0: (9, 1, 0x40000), 1: (9, 1, 0x40000), 2: (1, 0, 0x40000),
                   3: (25, 1, 0x10000), 4: (16, 0, 0x20000), 5: (12, 0, 0x20000),
                   6: (16, 0, 0x40000)}


@dataclass(frozen=True)
class SectionDesc:
    name: str
    ident_len: int
    ident_last: int             # record byte that holds the end of the ident code
    country_at: int
    fac_lo: int                 # -1: the section has no names
    fac_hi20: int
    city_hi20: int
    fac_hi18: int
    city_hi18: int
    fac_start: int
    city_start: int


SECTIONS = (
    SectionDesc("APT", 4, 11, 9, 12, 132, 128, 58, 56, 66, 69),
    SectionDesc("INT", 5, 7, 8, -1, 0, 0, 0, 0, 0, 0),
    SectionDesc("NDB", 3, 6, 7, 10, 120, 124, 112, 118, 42, 115),
    SectionDesc("VOR", 3, 6, 7, 8, 128, 132, 96, 102, 42, 99),
)


# ---------------------------------------------------------------- part number

PN_TEMPLATE = "006-Dxxxx-XX"


def decode_part_number(data, off):
    """The 12-character part number at a header offset: (text, number) or None."""
    if off < 0 or off + 9 > len(data):
        return None
    text = six_bit_text(data, off, 9, 12)
    for ch, want in zip(text, PN_TEMPLATE):
        if want == "x":
            if not ch.isdigit():
                return None
        elif want == "X":
            if not (ch.isdigit() or ch == "X"):
                return None
        elif ch != want:
            return None
    return text, int(text[5:9])


def detect_image_type(data):
    """Image type as the transfer programs derive it: (type, text, number)."""
    if len(data) < 64:
        return -1, None, None
    for off, kind in ((26, 1), (18, 2), (42, 3), (33, 6), (29, 5)):
        found = decode_part_number(data, off)
        if found is None:
            continue
        text, number = found
        if kind == 6 and number != 677:
            kind = 4
        if kind == 1 and number == 4:
            kind = 0
        return kind, text, number
    return -1, None, None


def map_six_bit(raw):
    """What text bytes read as after packing in six-bit codes (code - 0x20)."""
    return "".join(chr(((c - 0x20) & 63) + 0x20) for c in raw)


# ---------------------------------------------------------------- sums

def compute_sumcheck(data, image_type):
    """Sumcheck field recomputed the way the transfer programs do it."""
    skip, first_slot, section = SUMCHECK_LAYOUT[image_type]
    slots = [0] * 32
    slot = first_slot
    pos = 0
    size = len(data)
    while slot < 32:
        total = 0
        has_data = False
        ended = False
        if size - pos < 128:
            ended = True            # short first block: not added
        else:
            end = min(pos + section, size)
            piece = data[max(pos, skip):end] if pos == 0 else data[pos:end]
            total = sum(piece)
            has_data = piece.count(0xFF) != len(piece)
        slots[slot] = -total & 0xFF
        slot += 1
        pos += section
        if ended or not has_data:
            break
    if first_slot == 1:
        slots[0] = (slot - 1 - 1) & 0xFF
    if image_type == 3:
        slots[1] = (slots[1] - slots[0]) & 0xFF
    return slots[:skip]


def count_packets(data):
    """Number of 128-byte blocks that hold a byte other than 0xFF."""
    full = b"\xff" * 128
    count = 0
    for pos in range(0, len(data), 128):
        block = data[pos:pos + 128]
        if block != full[:len(block)]:
            count += 1
    return count


def expected_length(image_end, fam):
    """File length after the end-of-file cut."""
    cut = (image_end & ~(fam.chunk - 1)) + fam.chunk
    if cut < fam.limit:
        return cut
    return max(fam.limit, image_end)


# ---------------------------------------------------------------- names

_NAME_L5 = "L STUMCDHBGKPY??"
_NAME_L9 = "VWFJZXQ1204367985-/,.&()+;':fm??"
_END = None


def _name_code(window):
    """Decode one prefix code from a 9-bit window: (character or _END, bits)."""
    v3 = window >> 6
    if v3 == 0:
        return "A", 3
    if v3 <= 3:
        v4 = window >> 5
        return ({2: _END, 3: "E", 4: "N", 5: "O", 6: "R", 7: "I"}[v4], 4)
    v5 = window >> 4
    if v5 < 30:
        return _NAME_L5[v5 - 16], 5
    return _NAME_L9[(v5 - 30) * 16 + (window & 15)], 9


_NAME_TABLE = [_name_code(w) for w in range(512)]


def decode_names(table):
    """Decode a names table: (list of (bit position, text), error or None).

    Names follow one another at bit granularity; the zero bits that complete
    the last byte are not a name."""
    bits = "".join(format(b, "08b") for b in table) + "0" * 9
    total = len(table) * 8
    names = []
    pos = 0
    while pos < total:
        start = pos
        if total - start < 8 and "1" not in bits[start:total]:
            break
        chars = []
        while True:
            ch, n = _NAME_TABLE[int(bits[pos:pos + 9], 2)]
            if pos + n > total:
                return names, "name at bit 0x%x runs past the table end" % start
            pos += n
            if ch is _END:
                break
            chars.append(ch)
        names.append((start, "".join(chars)))
    return names, None


def code_char(v):
    """Character of a six-bit ident code."""
    if v == 0:
        return " "
    if v < 32:
        return chr(v + 64)
    if v < 48:
        return chr(v + 16)
    return chr(v - 16)


# ---------------------------------------------------------------- report

@dataclass
class Check:
    name: str
    messages: list = field(default_factory=list)
    failed: bool = False
    skipped: bool = False

    def fail(self, msg):
        self.failed = True
        if len(self.messages) < MAX_MESSAGES:
            self.messages.append(msg)

    @property
    def ok(self):
        return not self.failed and not self.skipped


CHECK_ORDER = ("partnumber", "header", "sumcheck", "packets", "length", "size",
               "pointers", "layout", "countries", "names", "APT", "INT", "NDB",
               "VOR", "fill")


class Report:
    def __init__(self, path=None):
        self.path = path
        self.checks = {n: Check(n) for n in CHECK_ORDER}
        self.warnings = []
        self.content = {"file": path, "family": None, "countries": [], "names": [],
                        "approach_ids": [], "sections": {s.name: [] for s in SECTIONS}}
        self.summary = {}

    @property
    def ok(self):
        return all(c.ok for c in self.checks.values())

    def check(self, name):
        return self.checks[name]

    def failed_checks(self):
        return [c.name for c in self.checks.values() if not c.ok]

    def as_dict(self):
        out = dict(self.content)
        out["ok"] = self.ok
        out["summary"] = self.summary
        out["warnings"] = self.warnings
        out["checks"] = {c.name: {"ok": c.ok, "skipped": c.skipped, "messages": c.messages}
                         for c in self.checks.values()}
        return out


def _guard(rep, name, fn, *args):
    """Run one stage; a damaged read or any fault becomes a FAIL of that check."""
    try:
        return fn(*args)
    except Damaged as exc:
        rep.check(name).fail(str(exc))
    except Exception as exc:  # the checker reports, it never crashes
        rep.check(name).fail("internal error: %s: %s" % (type(exc).__name__, exc))
    return None


# ---------------------------------------------------------------- the image

@dataclass
class SectionLayout:
    desc: SectionDesc
    info: int = 0
    count: int = 0
    cells: int = 0
    cells_at: int = 0
    block_count: int = 0
    grid_at: int = 0
    recs_at: int = 0
    city_count: int = 0
    city_at: int = 0
    fac_count: int = 0
    fac_at: int = 0

    def end(self):
        return self.cells_at + 25 * self.cells


class ImageChecker:
    def __init__(self, data, fam, rep):
        self.data = data
        self.fam = fam
        self.rep = rep
        self.s = fam.shift
        self.sections = []
        self.names_at = 0
        self.names_len = 0
        self.name_starts = {}
        self.country_count = 0
        self.country_at = 0
        self.countries = []
        self.rwy_at = 0
        self.rwy_len = 0
        self.apid_count = 0xFFFF
        self.apid_at = ABSENT24
        self.fss = None                 # dict of the FSS/TCC blocks
        self.sua = None
        self.image_end = None
        self.end_slack = 0
        self._bucket_key = None

    # -- header -----------------------------------------------------------
    def check_header(self):
        d, f, c = self.data, self.fam, self.rep.check("header")
        if len(d) < 2069 + self.s:
            raise Damaged("file of 0x%x bytes is shorter than the fixed area" % len(d))
        for i in range(*f.zero_bytes):
            if d[i] != 0:
                c.fail("byte %d is 0x%02x, not 0" % (i, d[i]))
        for i in range(*f.ff_bytes):
            if d[i] != 0xFF:
                c.fail("byte %d is 0x%02x, not 0xFF" % (i, d[i]))
        want = {f.hdr_datastart: 244 + self.s, f.hdr_fifth: ABSENT24,
                f.hdr_null[0]: ABSENT24, f.hdr_null[1]: ABSENT24}
        for k, off in enumerate(f.hdr_info):
            want[off] = (249, 610, 953, 1306)[k] + self.s
        for off, value in sorted(want.items()):
            got = u24(d, off)
            if got != value:
                c.fail("header pointer at %d is 0x%06x, not 0x%06x" % (off, got, value))
        fss_a, fss_b, sua = (u24(d, f.hdr_fss[0]), u24(d, f.hdr_fss[1]), u24(d, f.hdr_sua))
        if (fss_a, fss_b) not in ((ABSENT24, ABSENT24), (2012 + self.s, 2020 + self.s)):
            c.fail("FSS/TCC block pointers 0x%06x/0x%06x are neither absent nor 0x%x/0x%x"
                   % (fss_a, fss_b, 2012 + self.s, 2020 + self.s))
        if sua not in (ABSENT24, 2046 + self.s):
            c.fail("SUA block pointer 0x%06x is neither absent nor 0x%x" % (sua, 2046 + self.s))
        for i in range(f.header_size, 112):
            if d[i] != 0x20:
                c.fail("title page byte %d is 0x%02x, not a blank" % (i, d[i]))
        dates = []
        for name, off in zip(("valid from", "valid to", "created"), f.dates_at):
            month, day, year = d[off], d[off + 1], u16(d, off + 2)
            dates.append({"month": month, "day": day, "year": year})
            if not (1 <= month <= 12 and 1 <= day <= 31 and 1000 <= year <= 9999):
                c.fail("%s date %d.%d.%d is not a date" % (name, day, month, year))
        cycle = u16(d, f.cycle_at)
        created = dates[2]
        if cycle != (created["year"] % 100) * 100 + created["month"]:
            c.fail("cycle %d does not match the creation date %d/%d"
                   % (cycle, created["month"], created["year"]))
        raw_title = bytes(d[112:244 + self.s]).rstrip(b" ")
        title = text_of(raw_title)
        self.rep.content.update(cycle=cycle, dates=dict(zip(("valid_from", "valid_to",
                                                             "created"), dates)), title=title)
        self.rep.summary["title"] = title
        self.rep.summary["cycle"] = cycle
        return raw_title

    # -- layout -----------------------------------------------------------
    def read_layout(self):
        d, f, s = self.data, self.fam, self.s
        self.country_count = u16(d, 244 + s)
        self.country_at = u24(d, 246 + s)
        self.names_at = u24(d, f.hdr_names)
        apt_info = u24(d, f.hdr_info[0])
        self.rwy_at = u24(d, apt_info + 353)
        self.apid_count = u16(d, apt_info + 356)
        self.apid_at = u24(d, apt_info + 358)
        for k, desc in enumerate(SECTIONS):
            lay = SectionLayout(desc)
            lay.info = u24(d, f.hdr_info[k])
            lay.count = u16(d, lay.info)
            b = lay.info + 330
            lay.cells, lay.cells_at = u16(d, b), u24(d, b + 2)
            lay.block_count, lay.grid_at, lay.recs_at = u16(d, b + 5), u24(d, b + 7), u24(d, b + 10)
            if desc.fac_lo >= 0:
                b = lay.info + 343
                lay.city_count, lay.city_at = u16(d, b), u24(d, b + 2)
                lay.fac_count, lay.fac_at = u16(d, b + 5), u24(d, b + 7)
            self.sections.append(lay)
        if self.apid_count == 0xFFFF:
            names_end = self.rwy_at
        else:
            names_end = self.apid_at
        self.names_len = names_end - self.names_at
        self.rwy_len = self.sections[0].fac_at - self.rwy_at
        self.image_end = self.sections[3].end()
        fss_a = u24(d, f.hdr_fss[0])
        if fss_a != ABSENT24:
            a, b = fss_a, u24(d, f.hdr_fss[1])
            self.fss = {"fss_count": u16(d, a), "fss_at": u24(d, a + 2), "at": u24(d, a + 5),
                        "grid_count": u16(d, b), "grid_at": u24(d, b + 2),
                        "rn_count": u16(d, b + 5), "rn_at": u24(d, b + 7),
                        "tcc_count": u16(d, b + 10), "tcc_at": u24(d, b + 12),
                        "lists_at": u24(d, b + 15), "vtx_count": u16(d, b + 18),
                        "vtx_at": u24(d, b + 20), "freq_at": u24(d, b + 23)}
            self.fss["end"] = self.fss["grid_at"] + 23 * self.fss["grid_count"]
            self.image_end = self.fss["end"]
            self.end_slack = 22
        sua = u24(d, f.hdr_sua)
        if sua != ABSENT24:
            vals = {}
            for i in range(4):
                vals["c%d" % i] = u16(d, sua + 5 * i)
                vals["o%d" % i] = u24(d, sua + 5 * i + 2)
            vals["s"] = u24(d, sua + 20)
            size = {0: 20, 1: 2, 2: f.sua_sizes[0], 3: f.sua_sizes[1]}
            vals["end"] = max([vals["s"]] + [vals["o%d" % i] + size[i] * vals["c%d" % i]
                                             for i in range(4)])
            self.sua = vals
            self.image_end = vals["end"]
            self.end_slack = 0
        self.rep.summary["image_end"] = self.image_end

    def check_layout(self):
        f, c = self.fam, self.rep.check("layout")

        def expect(what, got, want):
            if got != want:
                c.fail("%s is 0x%06x, expected 0x%06x" % (what, got, want))

        expect("country table start", self.country_at, 2069 + self.s)
        if self.country_count > 256:
            c.fail("%d countries, at most 256" % self.country_count)
        expect("names table start", self.names_at, self.country_at + 9 * self.country_count)
        if self.apid_count == 0xFFFF:
            expect("approach ID table start (no IDs)", self.apid_at, ABSENT24)
        else:
            if not f.approaches:
                c.fail("approach ID count %d in a family without approaches" % self.apid_count)
            if self.apid_count == 0:
                c.fail("approach ID count 0 (no IDs is 0xFFFF)")
            expect("rwy/com/appr table start", self.rwy_at, self.apid_at + 4 * self.apid_count)
        if self.names_len < 0:
            c.fail("names table ends (0x%06x) before it starts (0x%06x)"
                   % (self.names_at + self.names_len, self.names_at))
        if self.rwy_len < 0:
            c.fail("APT facility index (0x%06x) lies before the rwy/com/appr table (0x%06x)"
                   % (self.sections[0].fac_at, self.rwy_at))
        prev_end = None
        for lay in self.sections:
            n, name = lay.count, lay.desc.name
            size = f.rec_size[name]
            expect(name + " records in pointer block", lay.block_count, n)
            if lay.desc.fac_lo >= 0:
                expect(name + " facility index entries", lay.fac_count, n)
                if lay.city_count > n:
                    c.fail("%s has %d city entries for %d records" % (name, lay.city_count, n))
                if prev_end is not None:
                    expect(name + " facility index start", lay.fac_at, prev_end)
                expect(name + " city index start", lay.city_at, lay.fac_at + 2 * n)
                expect(name + " records start", lay.recs_at, lay.city_at + 2 * lay.city_count)
            else:
                expect(name + " records start", lay.recs_at, prev_end)
            expect(name + " grid-order index start", lay.grid_at, lay.recs_at + size * n)
            expect(name + " grid cells start", lay.cells_at, lay.grid_at + 2 * n)
            prev_end = lay.end()
        if self.fss is not None:
            expect("FSS/TCC section start", self.fss["at"], prev_end)
            prev_end = self.fss["end"]
        if self.sua is not None:
            expect("SUA section start", self.sua["s"], prev_end)

    def check_pointers(self):
        d, f, c = self.data, self.fam, self.rep.check("pointers")
        size = len(d)
        ranges = [("country table", self.country_at, 9 * self.country_count),
                  ("names table", self.names_at, max(self.names_len, 0)),
                  ("rwy/com/appr table", self.rwy_at, max(self.rwy_len, 0))]
        if self.apid_count != 0xFFFF:
            ranges.append(("approach ID table", self.apid_at, 4 * self.apid_count))
        for lay in self.sections:
            n, name = lay.count, lay.desc.name
            ranges.append((name + " info area", lay.info, 343 if name == "INT" else 353))
            if lay.desc.fac_lo >= 0:
                ranges.append((name + " facility index", lay.fac_at, 2 * n))
                ranges.append((name + " city index", lay.city_at, 2 * lay.city_count))
            ranges.append((name + " records", lay.recs_at, f.rec_size[name] * n))
            ranges.append((name + " grid-order index", lay.grid_at, 2 * n))
            ranges.append((name + " grid cells", lay.cells_at, 25 * lay.cells))
        if self.fss is not None:
            x = self.fss
            fss_rec, tcc_rec = f.fss_sizes
            ranges += [("FSS/TCC section", x["at"], 0),
                       ("FSS records", x["fss_at"], fss_rec * x["fss_count"]),
                       ("TCC frequency words", x["freq_at"], 0),
                       ("TCC vertices", x["vtx_at"], 6 * x["vtx_count"]),
                       ("TCC byte lists", x["lists_at"], 0),
                       ("TCC records", x["tcc_at"], tcc_rec * x["tcc_count"]),
                       ("TCC grid record numbers", x["rn_at"], 2 * x["rn_count"]),
                       ("TCC grid cells", x["grid_at"], 23 * x["grid_count"])]
        if self.sua is not None:
            x = self.sua
            ranges += [("SUA section", x["s"], 0),
                       ("SUA grid cells", x["o0"], 20 * x["c0"]),
                       ("SUA grid record numbers", x["o1"], 2 * x["c1"]),
                       ("SUA area records A", x["o2"], f.sua_sizes[0] * x["c2"]),
                       ("SUA area records B", x["o3"], f.sua_sizes[1] * x["c3"])]
        for what, start, length in ranges:
            if start == ABSENT24:
                c.fail("%s has the absent pointer 0x3FFFFF" % what)
            elif start > size or (length > 0 and start + length > size):
                c.fail("%s at 0x%06x (+0x%x) lies outside the file (0x%x bytes)"
                       % (what, start, length, size))

    # -- sizes ------------------------------------------------------------
    def check_length_and_size(self):
        f, size = self.fam, len(self.data)
        lc, sc = self.rep.check("length"), self.rep.check("size")
        end = self.image_end
        if end is None or end > size:
            lc.fail("image end 0x%x is unknown or past the file end 0x%x" % (end or 0, size))
            return
        want = expected_length(end, f)
        if size != want:
            lc.fail("file length 0x%x, the cut rule gives 0x%x for image end 0x%x"
                    % (size, want, end))
        if self.names_len >= f.names_limit:
            sc.fail("names table of 0x%x bytes is not below 0x%x" % (self.names_len, f.names_limit))
        if end > f.warn_limit:
            sc.fail("image end 0x%x is above 0x%x" % (end, f.warn_limit))
        elif end > f.limit:
            self.rep.warnings.append("Do not use this image in 195,196,295 units because it is "
                                     "too long (image end 0x%x)" % end)
        elif f.name == "pelmora":
            for lay in self.sections:
                if lay.count > 32768:
                    self.rep.warnings.append("Do not use this image in 195,196,295 units "
                                             "because there are too many %ss" % lay.desc.name)

    def check_fill(self):
        d, c, s = self.data, self.rep.check("fill"), self.s
        ranges = [(1659 + s, 2012 + s, "unused fixed area")]
        if self.fss is None:
            ranges.append((2012 + s, 2046 + s, "absent FSS/TCC blocks"))
        if self.sua is None:
            ranges.append((2046 + s, 2069 + s, "absent SUA block"))
        if self.image_end is not None:
            ranges.append((self.image_end + self.end_slack, len(d), "area behind the image end"))
        for a, b, what in ranges:
            chunk = d[a:b]
            if chunk.count(0xFF) != len(chunk):
                first = next(i for i, v in enumerate(chunk) if v != 0xFF)
                c.fail("%s: byte 0x%06x is 0x%02x, not 0xFF" % (what, a + first, chunk[first]))

    # -- tables -----------------------------------------------------------
    def check_countries(self):
        d, c = self.data, self.rep.check("countries")
        out = []
        prev = None
        for i in range(min(self.country_count, 256)):
            off = self.country_at + 9 * i
            if off + 9 > len(d):
                raise Damaged("country record %d at 0x%06x past the end" % (i, off))
            text = six_bit_text(d, off, 9, 12)
            cid, name = text[:2], text[2:].rstrip(" ")
            if prev is not None and cid < prev:
                c.fail("country %d id %r sorts before the previous %r" % (i, cid, prev))
            prev = cid
            out.append({"index": i, "id": cid.rstrip(" "), "name": name})
        self.countries = out
        self.rep.content["countries"] = out

    def check_names(self):
        c = self.rep.check("names")
        if self.names_len <= 0:
            return
        table = self.data[self.names_at:self.names_at + self.names_len]
        if len(table) != self.names_len:
            raise Damaged("names table past the end of the file")
        names, err = decode_names(table)
        if err:
            c.fail(err)
        self.name_starts = {bit: text for bit, text in names}
        self.rep.content["names"] = [{"bit": bit, "text": text} for bit, text in names]

    def check_approach_ids(self):
        if self.apid_count in (0xFFFF, 0):
            return
        out = []
        for i in range(self.apid_count):
            raw = six_bit_text(self.data, self.apid_at + 4 * i, 4, 5)
            out.append("".join(code_char(ord(ch) - 0x20) for ch in raw).rstrip(" "))
        self.rep.content["approach_ids"] = out

    # -- records ----------------------------------------------------------
    def name_pointer(self, rec, desc, city):
        """(bit position or None when absent, byte offset)."""
        lo = u16(rec, desc.fac_lo + (2 if city else 0))
        if self.fam.name_bits == 20:
            hi = get_bits(rec, desc.city_hi20 if city else desc.fac_hi20, 4)
            all_ones = 0xFFFFF
        else:
            hi = get_bits(rec, desc.city_hi18 if city else desc.fac_hi18, 2)
            all_ones = 0x3FFFF
        offset = lo | hi << 16
        if offset == all_ones:
            return None, offset
        start = get_bits(rec, desc.city_start if city else desc.fac_start, 3)
        return offset * 8 + 7 - start, offset

    def check_section(self, k):
        lay = self.sections[k]
        desc, d, f = lay.desc, self.data, self.fam
        c = self.rep.check(desc.name)
        n, size = lay.count, f.rec_size[desc.name]
        if lay.recs_at + size * n > len(d):
            raise Damaged("%s records past the end of the file" % desc.name)
        buckets = [u16(d, lay.info + 2 + 2 * i) for i in range(164)]
        self._check_buckets(c, buckets, n)
        records = []
        for r in range(n):
            rec = d[lay.recs_at + size * r:lay.recs_at + size * (r + 1)]
            records.append(self._decode_record(c, desc, r, rec, buckets))
        self._check_ident_order(c, records)
        if desc.name == "APT":
            self._check_rwy_offsets(c, records)
        self._check_grid(c, lay, records)
        if desc.fac_lo >= 0:
            self._check_name_index(c, lay, records, "facility", lay.fac_at, n)
            self._check_name_index(c, lay, records, "city", lay.city_at, lay.city_count)
        self.rep.content["sections"][desc.name] = [
            {key: v for key, v in rec.items() if not key.startswith("_")} for rec in records]
        self.rep.summary[desc.name] = {"records": n, "with_city": lay.city_count,
                                       "cells": lay.cells}

    def _check_buckets(self, c, buckets, n):
        prev = -1
        first = None
        for i, v in enumerate(buckets):
            if v == 0xFFFF:
                continue
            if first is None:
                first = v
            k, g = divmod(i, 4)
            if g == 3 or 26 <= k <= 30:
                c.fail("bucket %d holds %d but no ident can fall into it" % (i, v))
            if v >= n:
                c.fail("bucket %d holds record %d of %d" % (i, v, n))
            if v <= prev:
                c.fail("bucket %d holds %d, not above the previous bucket's %d" % (i, v, prev))
            prev = v
        if n and first != 0:
            c.fail("the first non-empty bucket holds %s, not record 0" % first)

    def _decode_record(self, c, desc, r, rec, buckets):
        name = desc.name
        # position field
        lat = s32(s32(u16(rec, 2) << 16) >> 1 | ((u16(rec, 4) & 0x1E0) << 6))
        lon = s32(((u16(rec, 0) << 5) + (rec[4] & 0x1F)) << 11)
        # ident: first character and top bits of the second from the bucket table
        b = self._bucket_of(buckets, r)
        nbits = 4 + 6 * (desc.ident_len - 2)
        nbytes = (nbits + 7) // 8
        raw = int.from_bytes(rec[desc.ident_last - nbytes + 1:desc.ident_last + 1], "little")
        raw >>= nbytes * 8 - nbits
        codes = []
        if b < 0:
            c.fail("record %d is below every bucket" % r)
            codes = [0, 0]
        else:
            codes = [b // 4 + 1, (b % 4) * 16 + (raw >> (nbits - 4))]
        for i in range(desc.ident_len - 2):
            codes.append((raw >> (nbits - 10 - 6 * i)) & 63)
        ident = "".join(code_char(v) for v in codes).rstrip(" ")
        bad = [v for v in codes if not (v == 0 or 1 <= v <= 26 or 32 <= v <= 41)]
        if bad:
            c.fail("record %d ident %r has character codes %s" % (r, ident, bad))
        if not ident:
            c.fail("record %d has an empty ident" % r)
        ci = rec[desc.country_at]
        out = {"recno": r, "ident": ident, "lat": angle_degrees(lat), "lon": angle_degrees(lon),
               "lat_units": lat, "lon_units": lon, "country_index": ci,
               "country": None, "_codes": codes}
        if ci < len(self.countries):
            out["country"] = self.countries[ci]["id"]
        else:
            c.fail("record %d (%s) country index %d, table has %d"
                   % (r, ident, ci, self.country_count))
        if desc.fac_lo >= 0:
            for city in (False, True):
                key = "city" if city else "facility"
                bit, offset = self.name_pointer(rec, desc, city)
                out["_" + key] = offset if bit is not None else ABSENT_NAME
                if bit is None:
                    out[key] = None
                elif bit in self.name_starts:
                    out[key] = self.name_starts[bit]
                else:
                    out[key] = None
                    c.fail("record %d (%s) %s name pointer 0x%x:%d is not a name start"
                           % (r, ident, key, bit // 8, 7 - bit % 8))
        if name == "APT":
            code = rec[6] | (rec[7] & 0x0F) << 8
            out["elevation_ft"] = (code - 500) * 10
            low = u16(rec, 17 if self.fam.name_bits == 20 else 16)
            value = get_bits(rec, 40, 3) << 16 | low
            if rec[8] & 0x80:
                out["rwy_info"] = {"offset": value}
            else:
                out["rwy_info"] = {"summary": low}
        elif name == "NDB":
            out["freq_khz"] = (u16(rec, 8) & 0x7FFF) / 10.0
        elif name == "VOR":
            out["freq_mhz"] = (rec[13] * 5 + 10800) / 100.0
        return out

    def _bucket_of(self, buckets, r):
        """The last non-empty bucket whose first record is at most r, or -1."""
        if self._bucket_key is not buckets:
            pairs = sorted((v, i) for i, v in enumerate(buckets) if v != 0xFFFF)
            best, lookup = -1, []
            for v, i in pairs:
                best = max(best, i)
                lookup.append((v, best))
            self._bucket_key, self._bucket_lookup = buckets, lookup
            self._bucket_values = [v for v, _ in lookup]
        k = bisect.bisect_right(self._bucket_values, r)
        return self._bucket_lookup[k - 1][1] if k else -1

    def _check_ident_order(self, c, records):
        for prev, cur in zip(records, records[1:]):
            if cur["_codes"] < prev["_codes"]:
                c.fail("record %d ident %r sorts before record %d %r"
                       % (cur["recno"], cur["ident"], prev["recno"], prev["ident"]))

    def _check_rwy_offsets(self, c, records):
        """Entries are appended in record order: offsets start at 0 and rise."""
        offsets = [(rec["recno"], rec["rwy_info"]["offset"]) for rec in records
                   if "offset" in rec["rwy_info"]]
        prev = None
        for r, off in offsets:
            if prev is None and off != 0:
                c.fail("record %d: first rwy/com/appr entry at offset 0x%x, not 0" % (r, off))
            elif prev is not None and off <= prev:
                c.fail("record %d: rwy/com/appr offset 0x%x not above the previous 0x%x"
                       % (r, off, prev))
            elif prev is not None and off - prev > 2048:
                c.fail("record %d: the entry before offset 0x%x is longer than 2048 bytes"
                       % (r, off))
            if off >= self.rwy_len:
                c.fail("record %d: rwy/com/appr offset 0x%x outside the table (0x%x bytes)"
                       % (r, off, self.rwy_len))
            prev = off
        if offsets:
            if self.rwy_len - prev > 2048:
                c.fail("last rwy/com/appr entry longer than 2048 bytes")
        elif self.rwy_len > 0:
            c.fail("rwy/com/appr table of 0x%x bytes but no airport refers to it" % self.rwy_len)

    def _check_grid(self, c, lay, records):
        d, n, name = self.data, lay.count, lay.desc.name
        index = [u16(d, lay.grid_at + 2 * i) for i in range(n)]
        boxes = []
        for rec in records:
            latq = trunc_div(rec["lat_units"], GRID_D)
            lonq = trunc_div(rec["lon_units"], GRID_D)
            box = latq * 180 + lonq + 8190
            boxes.append((latq, lonq, box))
            if not 0 <= box < 16200:
                c.fail("record %d grid box %d out of range" % (rec["recno"], box))
        want = sorted(range(n), key=lambda r: (boxes[r][0], boxes[r][1], r))
        if index != want:
            first = next(i for i in range(n) if index[i] != want[i])
            c.fail("grid-order index entry %d is %d, expected %d" % (first, index[first], want[first]))
            return
        table = {}
        for pos, r in enumerate(want):
            box = boxes[r][2]
            cnt, first = table.get(box, (0, pos))
            table[box] = (cnt + 1, first)
        cells = sorted({box // 5 for box in table})
        if len(cells) != lay.cells:
            c.fail("%d grid cells stored, records fill %d" % (lay.cells, len(cells)))
        for i, cell in enumerate(cells[:lay.cells]):
            off = lay.cells_at + 25 * i
            if off + 25 > len(d):
                raise Damaged("%s grid cell %d past the end" % (name, i))
            expect = bytearray(grid_corner(cell))
            for box in range(cell * 5, cell * 5 + 5):
                cnt, first = table.get(box, (0, 0xFFFF))
                expect += bytes((cnt & 0xFF, cnt >> 8, first & 0xFF, first >> 8))
            got = bytes(d[off:off + 25])
            if got != bytes(expect):
                c.fail("grid cell %d (cell number %d) is %s, expected %s"
                       % (i, cell, got.hex(), bytes(expect).hex()))

    def _check_name_index(self, c, lay, records, key, at, count):
        """Index sorted by name byte offset, ties by record number; absent names
        sort last in the facility index and are left out of the city index."""
        index = [u16(self.data, at + 2 * i) for i in range(count)]
        order = sorted(records, key=lambda rec: (rec["_" + key], rec["recno"]))
        want = [rec["recno"] for rec in order
                if key == "facility" or rec["_" + key] != ABSENT_NAME]
        if count != len(want):
            c.fail("%s index holds %d entries, expected %d" % (key, count, len(want)))
        for i, (got, exp) in enumerate(zip(index, want)):
            if got != exp:
                c.fail("%s index entry %d is %d, expected %d" % (key, i, got, exp))
                break


def grid_corner(cell):
    """Five-byte south-west corner of a grid cell."""
    row, group = divmod(cell, 36)
    lat = ((row - 45) * CELL_LAT) & 0xFFFFFFFF
    lon = ((group - 18) * CELL_LON) & 0xFFFFFFFF
    b4 = ((lon >> 14) & 3) | (((lat >> 15) & 1) << 2)
    return bytes(((lon >> 16) & 0xFF, lon >> 24, (lat >> 16) & 0xFF, lat >> 24, b4))


# ---------------------------------------------------------------- driver

def check_bytes(data, family=None, path=None):
    """Check an image held in memory; returns a Report."""
    data = bytes(data)
    rep = Report(path)
    pc = rep.check("partnumber")
    image_type, pn_text, pn_number = detect_image_type(data)
    fam = None
    if family is not None:
        fam = FAMILIES[family]
        found = decode_part_number(data, fam.pn_offset)
        if found is None:
            pc.fail("no valid part number at header offset %d" % fam.pn_offset)
        else:
            pn_text, pn_number = found
        if image_type != fam.image_type:
            pc.fail("the part number makes this a %s image, not %s"
                    % (TYPE_NAMES.get(image_type, "unrecognised"), fam.unit))
    elif image_type in TYPE_FAMILY:
        fam = FAMILIES[TYPE_FAMILY[image_type]]
    elif image_type >= 0:
        pc.fail("a %s image (part number %s): not a family this checker handles"
                % (TYPE_NAMES[image_type], pn_text))
    else:
        pc.fail("no valid part number at header offsets 26, 18, 42, 33 or 29")
    if fam is not None and pn_number is not None and pn_number != fam.part_number:
        pc.fail("part number %04d is not the %s family's %04d" % (pn_number, fam.unit,
                                                                  fam.part_number))
    rep.content["part_number"] = pn_text
    rep.summary["part_number"] = pn_text
    if fam is None:
        for c in rep.checks.values():
            if c.name != "partnumber":
                c.skipped = True
                c.messages.append("family unknown")
        return rep
    rep.content["family"] = fam.name
    rep.summary["family"] = fam.name
    rep.summary["file_length"] = len(data)

    def label_check():
        label_text = six_bit_text(data, fam.pn_offset, 24, 32)
        rep.content["part_number_text"] = label_text
        return label_text

    label_text = _guard(rep, "partnumber", label_check)

    chk = ImageChecker(data, fam, rep)
    title = _guard(rep, "header", chk.check_header)
    if title is not None and label_text is not None:
        # The label is the title page upper-cased: the six-bit code has no lower case.
        want = map_six_bit((b"   " + title)[:20].ljust(20).upper())
        if label_text[:20] != want:
            pc.fail("label %r does not match the title page (%r)" % (label_text[:20], want))

    def sums():
        stored = list(data[:fam.sum_field])
        computed = compute_sumcheck(data, fam.image_type)
        rep.summary["sumcheck"] = {"stored": bytes(stored).hex(), "computed": bytes(computed).hex()}
        for i, (a, b) in enumerate(zip(stored, computed)):
            if a != b:
                rep.check("sumcheck").fail("byte %d stored 0x%02x, computed 0x%02x" % (i, a, b))
        if len(data) < fam.sum_field:
            rep.check("sumcheck").fail("file shorter than the sumcheck field")

    _guard(rep, "sumcheck", sums)

    def packets():
        counted = count_packets(data)
        want = (counted + 1) // 2 if fam.packet_halved else counted
        stored = u16(data, fam.packet_at)
        rep.summary["packets"] = {"stored": stored, "blocks": counted, "expected": want}
        if stored != want:
            rep.check("packets").fail("stored %d, expected %d (%d blocks of 128 bytes hold data)"
                                      % (stored, want, counted))

    _guard(rep, "packets", packets)

    _guard(rep, "layout", chk.read_layout)
    if chk.image_end is None:
        for name in ("length", "size", "pointers", "countries", "names",
                     "APT", "INT", "NDB", "VOR", "fill"):
            rep.check(name).skipped = True
            rep.check(name).messages.append("layout unreadable")
        return rep
    _guard(rep, "layout", chk.check_layout)
    _guard(rep, "pointers", chk.check_pointers)
    _guard(rep, "length", chk.check_length_and_size)
    _guard(rep, "countries", chk.check_countries)
    _guard(rep, "names", chk.check_names)
    _guard(rep, "layout", chk.check_approach_ids)
    for k, desc in enumerate(SECTIONS):
        _guard(rep, desc.name, chk.check_section, k)
    _guard(rep, "fill", chk.check_fill)
    rep.summary["countries"] = chk.country_count
    rep.summary["names"] = len(rep.content["names"])
    return rep


def check_file(path, family=None):
    """Check an image file; an unreadable file is a FAIL, not an exception."""
    try:
        with open(path, "rb") as fh:
            data = fh.read()
    except OSError as exc:
        rep = Report(path)
        rep.check("partnumber").fail("cannot read %s: %s" % (path, exc.strerror))
        for c in rep.checks.values():
            if c.name != "partnumber":
                c.skipped = True
        return rep
    return check_bytes(data, family, path)


def format_summary(rep):
    s = rep.summary
    lines = ["image      %s" % (rep.path or "<memory>")]
    if "family" in s:
        lines.append("family     %s (%s), part number %s"
                     % (s["family"], FAMILIES[s["family"]].unit, s.get("part_number")))
    if "title" in s:
        lines.append("title      %s" % s["title"])
    if "image_end" in s:
        lines.append("image end  0x%06x, file length 0x%06x" % (s["image_end"] or 0,
                                                                s["file_length"]))
    if "countries" in s:
        lines.append("countries  %d, names %d" % (s["countries"], s["names"]))
    for desc in SECTIONS:
        if desc.name in s:
            v = s[desc.name]
            extra = ", %d with city" % v["with_city"] if desc.fac_lo >= 0 else ""
            lines.append("%-10s %d records%s, %d grid cells" % (desc.name, v["records"], extra,
                                                               v["cells"]))
    for w in rep.warnings:
        lines.append("WARN %s" % w)
    for c in rep.checks.values():
        if c.skipped:
            lines.append("FAIL %-10s skipped: %s" % (c.name, "; ".join(c.messages)))
        elif c.failed:
            lines.append("FAIL %-10s %s" % (c.name, c.messages[0]))
            lines += ["     %-10s %s" % ("", m) for m in c.messages[1:]]
        else:
            lines.append("OK   %s" % c.name)
    lines.append("RESULT %s" % ("OK" if rep.ok else "FAIL"))
    return "\n".join(lines)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Check a 495/496, GPS III Pilot or 195-family "
                                             "database image.")
    ap.add_argument("image")
    ap.add_argument("--family", choices=sorted(FAMILIES))
    ap.add_argument("--json", action="store_true", help="print the decoded content as JSON")
    args = ap.parse_args(argv)
    sys.stdout.reconfigure(errors="backslashreplace")
    rep = check_file(args.image, args.family)
    if args.json:
        print(json.dumps(rep.as_dict(), indent=1))
    else:
        print(format_summary(rep))
    return 0 if rep.ok else 1


if __name__ == "__main__":
    sys.exit(main())
