#!/usr/bin/env python3
"""Independent checker of GPS 89 database images (fulmaro).

Written from the image format alone: a file of 262144 bytes whose bytes sum to 0 mod 256 (when
its data ends at or below 256000), the 60-byte header with its packed part number
"006-D0010-00", the country reference block at 192, the APT and VOR information areas at 197
and 533 with their tails, the GEO block at 869, and the data from 1546: country table, APT
records (10 bytes) and index, VOR records (9 bytes) and index, GEO records (18 bytes); every
byte not named is 0xFF.

Command line:  img89check.py IMAGE [--json]
As a module:   report = img89check.check_bytes(data)
"""

from __future__ import annotations

import sys

from img90check import ident, position
from img92check import Damaged, Report, country_table, run_check, run_checker, six_bit_text, u16, u24

SIZE = 262144
DATA_LIMIT = 256000
ABSENT = 0x1FFFFF
AREAS = {"APT": (197, 45, 10, 9, 4), "VOR": (533, 48, 9, 6, 3)}  # area, header pointer, size, last ident byte, length


def latitude_key(rec):
    return u16(rec, 2) << 15 | ((u16(rec, 4) >> 5) & 15) << 11


def check_bytes(data) -> Report:
    return run_check(_check, data)


def _check(data, rep):
    if len(data) != SIZE:
        rep.fail(f"file is {len(data)} bytes, not {SIZE}")
    if len(data) < 1546:
        raise Damaged("file shorter than the fixed area")
    c = rep.content
    text = six_bit_text(data[18:42], 32)
    c["label"], c["part_number"] = text[:20], text[20:]
    if text[20:] != "006-D0010-00" or not text.startswith("   "):
        rep.fail(f"part-number text {text!r}")
    c["cycle"] = u16(data, 1)
    dates = [(data[3 + 4 * i], data[4 + 4 * i], u16(data, 5 + 4 * i)) for i in range(3)]
    if c["cycle"] != (dates[2][2] % 100) * 100 + dates[2][0]:
        rep.fail("cycle does not match the creation date")
    if data[15:18] != b"\0\0\0" or data[44] != 0 or u16(data, 42) != 192:
        rep.fail("header bytes 15-17, 42-44 wrong")
    for name, (area, pointer, *_) in AREAS.items():
        if u24(data, pointer) != area:
            rep.fail(f"{name} area pointer {u24(data, pointer):#x}")
    geo_pointer = u24(data, 51)
    c["geo_pointer"] = geo_pointer
    if geo_pointer not in (869, ABSENT) or u24(data, 54) != ABSENT or u24(data, 57) != ABSENT:
        rep.fail("header pointers at 51, 54, 57 wrong")
    named = [(0, 60), (192, 197), (197, 533), (533, 869)]
    if geo_pointer == 869:
        named.append((869, 874))

    ncountry, cnt = u16(data, 192), u24(data, 194)
    if cnt != 1546:
        rep.fail(f"country table at {cnt:#x}")
    countries = country_table(data, cnt, ncountry)
    c["countries"] = countries
    expect = cnt + 9 * ncountry
    sections = {}
    for kind, (area, _, size, last, length) in AREAS.items():
        n = u16(data, area)
        buckets = [u16(data, area + 2 + 2 * i) for i in range(164)]
        index, recs = u24(data, area + 330), u24(data, area + 333)
        if recs != expect or index != recs + size * n:
            rep.fail(f"{kind}: records at {recs:#x} and index at {index:#x} out of place")
        expect = index + 2 * n
        if expect > len(data):
            raise Damaged(f"{kind} area runs past the file")
        rows, keys = [], []
        for i in range(n):
            rec = data[recs + size * i:recs + size * (i + 1)]
            lat, lon = position(rec)
            name, _ = ident(rec, buckets, i, last, length)
            country = rec[7]
            if country >= ncountry:
                rep.fail(f"{kind} {name}: country {country} outside the table")
            row = {"ident": name, "lat": lat, "lon": lon,
                   "country": countries[country][0] if country < ncountry else None}
            if kind == "APT":
                row["elevation_code"] = rec[6] | (rec[5] >> 4) << 8
                row["afuel"] = rec[5] & 0x0E
            else:
                row["freq"] = 10800 + 5 * rec[8]
                row["dme"] = bool(rec[5] & 4)
            keys.append(latitude_key(rec))
            rows.append(row)
        entries = [u16(data, index + 2 * i) for i in range(n)]
        if entries != sorted(range(n), key=lambda r: (keys[r], r)):
            rep.fail(f"{kind}: index is not the records in latitude order")
        used = [e for e in buckets if e != 0xFFFF]
        if used != sorted(set(used)) or (n > 0 and (not used or used[0] != 0)) or any(e >= n for e in used):
            rep.fail(f"{kind}: bucket entries wrong")
        sections[kind] = rows
    c["sections"] = sections
    end = expect
    if geo_pointer == 869:
        count, start = u16(data, 869), u24(data, 871)
        if start != end:
            rep.fail(f"GEO section at {start:#x}, VOR index ends at {end:#x}")
        end = start + 18 * count
        c["geo"] = data[start:end].hex()
        c["geo_count"] = count
    c["image_end"] = end
    named.append((1546, end))
    for a, b in zip(named, named[1:]):
        if any(x != 0xFF for x in data[a[1]:b[0]]):
            rep.fail(f"bytes {a[1]}-{b[0] - 1} are not 0xFF")
    if any(x != 0xFF for x in data[end:]):
        rep.fail("bytes behind the image end are not all 0xFF")
    if end <= DATA_LIMIT and sum(data) % 256 != 0:
        rep.fail(f"the file sums to {sum(data) % 256:#x}, not 0")


def main(argv=None):
    return run_checker("img89check", "check a GPS 89 database image", check_bytes, argv)


if __name__ == "__main__":
    sys.exit(main())
