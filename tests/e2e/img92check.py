#!/usr/bin/env python3
"""Independent checker of 92/190 database images (sovrick).

Written from the image format alone: the 98-byte header with its packed label and
part number "006-D0011-03", the packet count, one sumcheck byte per 128 KiB block,
the cut length, the fixed area's information blocks, and the data area: country
table, names text, VLR table and the APT, INT, NDB and VOR sections with their
ident bucket tables, plus the FSS/TCC and SUA header blocks.

Command line:  img92check.py IMAGE [--json]
Exit status 0 when every check passes, 1 otherwise (2 for usage errors).

As a module:   report = img92check.check_bytes(data)
               report.ok, report.errors, report.content (what --json prints)
"""

from __future__ import annotations

import argparse
import json
import sys

ABSENT24 = 0x3FFFFF
BLOCK = 0x20000
FULL = 0x180000
INFO = {"APT": 245, "INT": 601, "NDB": 944, "VOR": 1297}
HEADER_INFO = {"APT": 68, "INT": 71, "NDB": 74, "VOR": 77}
RECORD_SIZE = {"APT": 18, "INT": 9, "NDB": 15, "VOR": 14}
IDENT_LENGTH = {"APT": 4, "INT": 5, "NDB": 3, "VOR": 3}
IDENT_LAST = {"APT": 11, "INT": 7, "NDB": 6, "VOR": 6}
COUNTRY_BYTE = {"APT": 9, "INT": 8, "NDB": 7, "VOR": 7}
# name fields: (low16 byte, high-bits stream bit, start-bit stream bit)
NAMES = {
    "APT": ((12, 58, 66), (14, 56, 69)),
    "NDB": ((10, 112, 42), (12, 118, 115)),
    "VOR": ((8, 96, 42), (10, 102, 99)),
}
TABLE_A = "L STUMCDHBGKPY??"
TABLE_B = "VWFJZXQ1204367985-/,.&()+;':fm??"


class Damaged(Exception):
    pass


def u16(d, o):
    if o < 0 or o + 2 > len(d):
        raise Damaged(f"read of 2 bytes at {o:#x} outside the file")
    return d[o] | d[o + 1] << 8


def u24(d, o):
    if o < 0 or o + 3 > len(d):
        raise Damaged(f"read of 3 bytes at {o:#x} outside the file")
    return d[o] | d[o + 1] << 8 | d[o + 2] << 16


def bits(buf, pos, n):
    """n bits from stream position pos, most significant bit of byte 0 first."""
    v = 0
    for i in range(n):
        p = pos + i
        v = v << 1 | (buf[p // 8] >> (7 - p % 8)) & 1
    return v


def six_bit_text(area, count):
    """count characters of 6 bits (char - 0x20) from a byte-reversed area."""
    stream = bytes(reversed(area))
    return "".join(chr(bits(stream, 6 * i, 6) + 0x20) for i in range(count))


def country_table(data, start, count):
    """(code, name) of the count 9-byte country records from start."""
    countries = []
    for i in range(count):
        rec = data[start + 9 * i:start + 9 * i + 9]
        if len(rec) < 9:
            raise Damaged("country table runs past the file")
        t = six_bit_text(rec, 12)
        countries.append((t[:2].rstrip(), t[2:].rstrip()))
    return countries


def ident_char(code):
    if code == 0:
        return " "
    if code < 32:
        return chr(64 + code)
    if code < 48:
        return chr(code + 16)
    return chr(code - 16)


def decode_name(txt, start):
    """The name at bit address start of the names text; (text, bit after the end code)."""
    limit = min(len(txt) * 8, start + 384)
    pos, out = start, []

    def take(n):
        nonlocal pos
        if pos + n > len(txt) * 8:
            raise Damaged("name runs past the names text")
        v = bits(txt, pos, n)
        pos += n
        return v

    while pos < limit:
        g = take(3)
        if g == 0:
            out.append("A")
        elif g == 1:
            if take(1) == 0:
                return "".join(out), pos
            out.append("E")
        elif g == 2:
            out.append("O" if take(1) else "N")
        elif g == 3:
            out.append("I" if take(1) else "R")
        else:
            v = 4 * g + take(2)
            if v < 30:
                out.append(TABLE_A[v - 16])
            else:
                out.append(TABLE_B[take(4) + 16 * (v - 30)])
    raise Damaged(f"name at bit {start:#x} has no end code")


class Report:
    def __init__(self):
        self.errors = []
        self.content = {}

    @property
    def ok(self):
        return not self.errors

    def fail(self, text):
        if len(self.errors) < 60:
            self.errors.append(text)


def sumcheck_and_packets(data, end, rep):
    full = bytearray(data) + b"\xff" * max(0, FULL - len(data))
    for i in range(12):
        block = full[i * BLOCK:(i + 1) * BLOCK]
        total = sum(block[12:]) if i == 0 else sum(block)
        if (total + full[i]) % 256 != 0:
            rep.fail(f"block {i}: sum with its sumcheck byte is {(total + full[i]) % 256:#x}, not 0")
    packets = 0
    for o in range(0, end, 128):
        if any(b != 0xFF for b in data[o:o + 128]):
            packets += 1
    stored = u16(data, 53)
    if stored != packets:
        rep.fail(f"packet count {stored}, blocks with data {packets}")
    want = (end // BLOCK) * BLOCK + BLOCK
    want = want if want < FULL else FULL
    if len(data) != want:
        rep.fail(f"file is {len(data):#x} bytes, image end {end:#x} wants {want:#x}")
    if any(b != 0xFF for b in data[end:]):
        rep.fail("bytes behind the image end are not all 0xFF")


def run_check(check, data) -> Report:
    """The report of check(data, report); a Damaged exception is one more failure."""
    rep = Report()
    try:
        check(data, rep)
    except Damaged as e:
        rep.fail(f"damaged: {e}")
    return rep


def check_bytes(data) -> Report:
    return run_check(_check, data)


def _check(data, rep):
    if len(data) < 2060:
        raise Damaged(f"file of {len(data)} bytes is shorter than the fixed area")
    text = six_bit_text(data[29:53], 32)
    c = rep.content
    c["label"] = text[:20]
    c["part_number"] = text[20:]
    if text[20:] != "006-D0011-03":
        rep.fail(f"part number {text[20:]!r}")
    c["cycle"] = u16(data, 12)
    dates = [(data[14 + 4 * i], data[15 + 4 * i], u16(data, 16 + 4 * i)) for i in range(3)]
    c["dates"] = dates
    if c["cycle"] != (dates[2][2] % 100) * 100 + dates[2][0]:
        rep.fail("cycle does not match the creation date")
    if data[26:29] != b"\0\0\0" or data[55] != 0 or data[56:62] != b"\xff" * 6 or data[64] != 0:
        rep.fail("fixed header bytes (26-28, 55, 56-61, 64) wrong")
    if u16(data, 62) != 240:
        rep.fail("data-start block pointer is not 240")
    for name, off in HEADER_INFO.items():
        if u24(data, off) != INFO[name]:
            rep.fail(f"{name} information block pointer {u24(data, off):#x}")
    for off in (80, 92, 95):
        if u24(data, off) != ABSENT24:
            rep.fail(f"header bytes {off}-{off + 2} are not FF FF 3F")
    fss, tcc, sua = u24(data, 83), u24(data, 86), u24(data, 89)
    c["airspace_pointers"] = [fss, tcc, sua]
    if (fss, tcc) not in ((2003, 2011), (ABSENT24, ABSENT24)) or sua not in (2037, ABSENT24):
        rep.fail(f"airspace header pointers {fss:#x} {tcc:#x} {sua:#x}")
    if any(b != 0xFF for b in data[98:240]):
        rep.fail("bytes 98-239 are not 0xFF")

    ncountry, cnt = u16(data, 240), u24(data, 242)
    if cnt != 2060:
        rep.fail(f"country table at {cnt:#x}, not 2060")
    countries = country_table(data, cnt, ncountry)
    c["countries"] = countries

    txt_start = u24(data, 65)
    if txt_start != cnt + 9 * ncountry:
        rep.fail(f"names text at {txt_start:#x}, country table ends at {cnt + 9 * ncountry:#x}")
    vlr_start = u24(data, INFO["APT"] + 353)
    if not txt_start <= vlr_start <= len(data):
        raise Damaged("VLR start before the names text or past the file")
    txt = data[txt_start:vlr_start]

    # Names: every name from bit 0.
    names, pos = {}, 0
    total = len(txt) * 8
    while pos < total:
        # The text is padded with fewer than 8 zero bits to a whole byte.
        if total - pos < 8 and bits(txt, pos, total - pos) == 0:
            break
        name, nxt = decode_name(txt, pos)
        names[pos] = name
        pos = nxt
    c["name_count"] = len(names)
    c["names"] = names

    def name_at(rec, field, kind):
        low, hi_bit, sb_bit = field
        offset = (rec[low] | rec[low + 1] << 8) | bits(rec, hi_bit, 2) << 16
        start = bits(rec, sb_bit, 3)
        if offset == 0x3FFFF:
            if start != (0 if kind == "APT" else 7):
                rep.fail(f"{kind}: absent name with start bit {start}")
            return None
        addr = offset * 8 + (7 - start)
        if addr not in names:
            rep.fail(f"{kind}: name pointer {offset:#x}/{start} does not start a name")
            return None
        return names[addr]

    # Sections, in the data-area order.
    expect = vlr_start
    vlr_end = None
    sections = {}
    for kind in ("APT", "INT", "NDB", "VOR"):
        p = INFO[kind]
        n = u16(data, p)
        buckets = [u16(data, p + 2 + 2 * i) for i in range(164)]
        ncell, cells = u16(data, p + 330), u24(data, p + 332)
        n2, x2 = u16(data, p + 335), u24(data, p + 337)
        recs = u24(data, p + 340)
        if n2 != n:
            rep.fail(f"{kind}: X2 count {n2} != record count {n}")
        if kind != "INT":
            n3, x3 = u16(data, p + 343), u24(data, p + 345)
            n4, x4 = u16(data, p + 348), u24(data, p + 350)
            if n4 != n:
                rep.fail(f"{kind}: X4 count {n4} != record count {n}")
            if kind == "APT":
                vlr_end = x4
                expect = x4
            if x4 != expect or x3 != x4 + 2 * n or recs != x3 + 2 * n3:
                rep.fail(f"{kind}: X4/X3/RECS out of place ({x4:#x} {x3:#x} {recs:#x}, expected {expect:#x})")
        elif recs != expect:
            rep.fail(f"INT: records at {recs:#x}, expected {expect:#x}")
        size = RECORD_SIZE[kind]
        if x2 != recs + size * n or cells != x2 + 2 * n:
            rep.fail(f"{kind}: X2/X5 out of place")
        expect = cells + 25 * ncell
        if expect > len(data):
            raise Damaged(f"{kind} section runs past the file")
        # X2 entries: every record once.
        x2e = sorted(u16(data, x2 + 2 * i) for i in range(n))
        if x2e != list(range(n)):
            rep.fail(f"{kind}: X2 entries are not the record numbers")
        records = []
        first_in_bucket = {}
        for i in range(n):
            rec = data[recs + size * i:recs + size * (i + 1)]
            lon = u16(rec, 0) << 16 | (rec[4] & 31) << 11
            lat = u16(rec, 2) << 15 | (rec[5] & 1) << 14 | (rec[4] >> 5) << 11
            if lat & 0x40000000:
                lat |= 0x80000000
            lat = lat - (1 << 32) if lat & 0x80000000 else lat
            lon = lon - (1 << 32) if lon & 0x80000000 else lon
            # bucket: the last non-empty entry at or below i
            b = 0
            for k, e in enumerate(buckets):
                if e == 0xFFFF:
                    continue
                if e > i:
                    break
                b = k
            first = ident_char(b // 4 + 1)
            L, E = IDENT_LENGTH[kind], IDENT_LAST[kind]
            buf = bytes([rec[E], rec[E - 1], rec[E - 2]])
            second = ident_char((b % 4) * 16 + bits(buf, 0, 4))
            rest = "".join(ident_char(bits(buf, 4 + 6 * j, 6)) for j in range(L - 2))
            ident = (first + second + rest).rstrip()
            first_in_bucket.setdefault(b, i)
            country = rec[COUNTRY_BYTE[kind]]
            if country >= ncountry:
                rep.fail(f"{kind} {ident}: country {country} outside the table")
            entry = {"ident": ident, "lat": lat, "lon": lon,
                     "country": countries[country][0] if country < ncountry else None}
            if kind in NAMES:
                entry["facility"] = name_at(rec, NAMES[kind][0], kind)
                entry["city"] = name_at(rec, NAMES[kind][1], kind)
            if kind == "APT":
                entry["elevation"] = ((rec[6] | (rec[7] & 15) << 8) - 500) * 10
                entry["flags"] = rec[5] & 0xC0
                if rec[5] & 0x80:
                    off = u16(rec, 16) | bits(rec, 64, 2) << 16
                    entry["vlr"] = off
                    if vlr_end is not None and vlr_start + off >= vlr_end:
                        rep.fail(f"APT {ident}: VLR offset {off:#x} past the table")
            if kind == "VOR":
                entry["freq"] = 10800 + 5 * rec[13]
            if kind == "NDB":
                entry["freq"] = u16(rec, 8) & 0x7FFF
            records.append(entry)
        # X1 checked against the records: the records of a bucket are consecutive, the buckets in
        # ascending order from record 0, each entry the first record of its bucket.
        used = [e for e in buckets if e != 0xFFFF]
        if used != sorted(set(used)) or (n > 0 and (not used or used[0] != 0)):
            rep.fail(f"{kind}: bucket entries are not ascending from record 0")
        for k, e in enumerate(buckets):
            if e == 0xFFFF:
                continue
            if e >= n:
                rep.fail(f"{kind}: bucket {k} names record {e} of {n}")
            elif first_in_bucket.get(k) != e:
                rep.fail(f"{kind}: bucket {k} entry {e} is not its first record")
        sections[kind] = records
    image_end = expect
    c["sections"] = sections

    # Airspace sections behind the VOR grid cells.
    if fss != ABSENT24:
        start = u24(data, 2003 + 5)
        if start != image_end:
            rep.fail(f"FSS/TCC section at {start:#x}, VOR area ends at {image_end:#x}")
        items, at = u16(data, 2011), u24(data, 2013)
        image_end = at + 23 * items
    if sua != ABSENT24:
        counts = [u16(data, 2037 + 5 * i) for i in range(4)]
        starts = [u24(data, 2039 + 5 * i) for i in range(4)]
        s2 = u24(data, 2057)
        if s2 != image_end:
            rep.fail(f"SUA section at {s2:#x}, previous part ends at {image_end:#x}")
        sizes = [20, 2, 24, 22]
        image_end = max([s2] + [starts[i] + sizes[i] * counts[i] for i in range(4)])
    c["image_end"] = image_end
    if image_end > FULL:
        rep.fail(f"image ends at {image_end:#x}, past {FULL:#x}")
        return
    sumcheck_and_packets(data, image_end, rep)


def run_checker(prog, description, check, argv=None):
    """The command line of an image checker: IMAGE [--json]; 0 when every check passes."""
    ap = argparse.ArgumentParser(prog=prog, description=description)
    ap.add_argument("image")
    ap.add_argument("--json", action="store_true")
    a = ap.parse_args(argv)
    try:
        with open(a.image, "rb") as f:
            data = f.read()
    except OSError as e:
        print(f"{prog}: {e}", file=sys.stderr)
        return 1
    rep = check(data)
    if a.json:
        print(json.dumps(rep.content, indent=1))
    for e in rep.errors:
        print(f"{prog}: {e}", file=sys.stderr)
    if not a.json:
        print("OK" if rep.ok else f"{len(rep.errors)} problem(s)")
    return 0 if rep.ok else 1


def main(argv=None):
    return run_checker("img92check", "check a 92/190 database image", check_bytes, argv)


if __name__ == "__main__":
    sys.exit(main())
