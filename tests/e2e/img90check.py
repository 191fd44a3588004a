#!/usr/bin/env python3
"""Independent checker of 90/95 XL database images (dallowen).

Written from the image format alone: the 77-byte header with its chunk count n and the
eight chunk sumcheck bytes, the packed label and part number ("006-D0009-XX" with
airspace, "006-D0004-02" without), the fixed layout with or without airspace, the
information areas and their tails, the data area (country table, names text, rwy/com
table, and per kind the name indexes, records and latitude index), the SUA reference
block and section, the cut length and the 0xFF padding.

Command line:  img90check.py IMAGE [--json]
Exit status 0 when every check passes, 1 otherwise (2 for usage errors).

As a module:   report = img90check.check_bytes(data)
               report.ok, report.errors, report.content (what --json prints)
"""

from __future__ import annotations

import sys

# The model-90 records have the model-92 layout: sizes, idents, country bytes and name fields.
from img92check import (COUNTRY_BYTE, IDENT_LAST, IDENT_LENGTH, NAMES, RECORD_SIZE, Damaged, Report, bits, country_table,
                        decode_name, ident_char, run_check, run_checker, six_bit_text, u16, u24)

CHUNK = 0x40000
ABSENT = 0x1FFFFF
KINDS = ("APT", "INT", "NDB", "VOR")
HEADER_INFO = {"APT": 56, "INT": 59, "NDB": 62, "VOR": 65}
SUA_SIZES = (20, 2, 24, 22)  # tables 3, 2, 0, 1 in the order of the reference block


def position(rec):
    """Latitude and longitude in circle units from record bytes 0-5."""
    lon = u16(rec, 0) << 16 | (rec[4] & 31) << 11
    lat = u16(rec, 2) << 15 | (rec[5] & 1) << 14 | (rec[4] >> 5) << 11
    if lat & 0x40000000:
        lat |= 0x80000000
    signed = lambda v: v - (1 << 32) if v & 0x80000000 else v  # noqa: E731
    return signed(lat), signed(lon)


def latitude_key(rec):
    """u16 of bytes 2-3 in bits 15-30 (sign into 31), bits 5-8 of the u16 of bytes 4-5 in 11-14."""
    key = u16(rec, 2) << 15 | ((u16(rec, 4) >> 5) & 15) << 11
    if key & 0x40000000:
        key -= 1 << 31
    return key


def ident(rec, buckets, i, last, length):
    """The ident of record i: first character and top bits of the second from its bucket, the
    rest from the bits stored in reverse byte order ending at byte `last`; the bucket too."""
    b = 0
    for k, e in enumerate(buckets):
        if e == 0xFFFF:
            continue
        if e > i:
            break
        b = k
    buf = bytes([rec[last], rec[last - 1], rec[last - 2]])
    text = ident_char(b // 4 + 1) + ident_char((b % 4) * 16 + bits(buf, 0, 4))
    text += "".join(ident_char(bits(buf, 4 + 6 * j, 6)) for j in range(length - 2))
    return text.rstrip(), b


def rwycom_entry(table, off, with_freqs):
    """Runway items, then (with_freqs) frequency items, of the entry at off."""
    runways, freqs = [], []
    more = True
    while more:
        if off + 3 > len(table):
            raise Damaged("runway items run past the rwy/com table")
        length, flags, rw = table[off], table[off + 1], table[off + 2]
        off += 3
        if rw & 0x80:
            rw |= table[off] << 8
            off += 1
        pic = None
        if flags & 0x40:
            pic = int.from_bytes(table[off:off + 4], "little")
            off += 4
        runways.append({"length": length * 100, "rsl": flags & 0x37, "rw": rw, "picture": pic})
        more = bool(flags & 0x80) and len(runways) < 81
    more = with_freqs
    while more:
        if off + 2 > len(table):
            raise Damaged("frequency items run past the rwy/com table")
        lo, hi = table[off], table[off + 1]
        off += 2
        freqs.append({"code": (hi >> 4) & 7, "freq": 10800 + (lo | (hi & 15) << 8)})
        more = bool(hi & 0x80) and len(freqs) < 81
    if len(runways) > 80 or len(freqs) > 80:
        rep_text = f"{len(runways)} runways, {len(freqs)} frequencies"
        raise Damaged(f"entry with more than 80 items ({rep_text})")
    return runways, freqs


def chunk_check(data, i):
    start = i * CHUNK
    part = data[max(start, 9 if i == 0 else 0):start + CHUNK]
    return (-sum(part)) % 256


def check_bytes(data) -> Report:
    return run_check(_check, data)


def _header(data, rep, c):
    text = six_bit_text(data[26:50], 32)
    c["label"] = text[:20]
    c["part_number"] = text[20:]
    c["cycle"] = u16(data, 9)
    dates = [(data[11 + 4 * i], data[12 + 4 * i], u16(data, 13 + 4 * i)) for i in range(3)]
    c["dates"] = dates
    if c["cycle"] != (dates[2][2] % 100) * 100 + dates[2][0]:
        rep.fail("cycle does not match the creation date")
    if data[23:26] != b"\0\0\0" or data[52] != 0:
        rep.fail("header bytes 23-25 or 52 are not 0")
    if u16(data, 50) != 77:
        rep.fail("country reference block pointer is not 77")
    sua = u24(data, 68)
    c["sua_pointer"] = sua
    airspace = sua != ABSENT
    if airspace and sua != 1459:
        rep.fail(f"SUA pointer {sua:#x}")
    want_part = "006-D0009-XX" if airspace else "006-D0004-02"
    if text[20:] != want_part:
        rep.fail(f"part number {text[20:]!r}, wanted {want_part!r}")
    info = {"APT": 82, "INT": 431, "NDB": 767, "VOR": 1113 if airspace else 1534}
    for kind, off in HEADER_INFO.items():
        if u24(data, off) != info[kind]:
            rep.fail(f"{kind} information area pointer {u24(data, off):#x}")
    for off in (71, 74):
        if u24(data, off) != ABSENT:
            rep.fail(f"header bytes {off}-{off + 2} are not FF FF 1F")
    if not airspace and any(data[1113:1534]):
        rep.fail("bytes 1113-1533 are not 0 in an image without airspace")
    return airspace, info


def _check(data, rep):
    if len(data) < 1880:
        raise Damaged(f"file of {len(data)} bytes is shorter than the fixed area")
    c = rep.content
    airspace, info = _header(data, rep, c)

    ncountry, cnt = u16(data, 77), u24(data, 79)
    if cnt != (1482 if airspace else 1880):
        rep.fail(f"country table at {cnt:#x}")
    countries = country_table(data, cnt, ncountry)
    c["countries"] = countries

    txt_start, table_start = u24(data, 53), u24(data, 428)
    if txt_start != cnt + 9 * ncountry:
        rep.fail(f"names text at {txt_start:#x}, country table ends at {cnt + 9 * ncountry:#x}")
    if not txt_start <= table_start <= len(data):
        raise Damaged("rwy/com table before the names text or past the file")
    txt = data[txt_start:table_start]
    names, pos = {}, 0
    while pos < len(txt) * 8:
        if len(txt) * 8 - pos < 8 and bits(txt, pos, len(txt) * 8 - pos) == 0:
            break
        name, nxt = decode_name(txt, pos)
        names[pos] = name
        pos = nxt
    c["name_count"] = len(names)

    def name_at(rec, field, kind):
        low, hi_bit, sb_bit = field
        offset = u16(rec, low) | bits(rec, hi_bit, 2) << 16
        start = bits(rec, sb_bit, 3)
        if offset == 0x3FFFF:
            return None, offset
        addr = offset * 8 + (7 - start)
        if addr not in names:
            rep.fail(f"{kind}: name pointer {offset:#x}/{start} does not start a name")
            return None, offset
        return names[addr], offset

    table = None
    expect = table_start
    sections = {}
    for kind in KINDS:
        p = info[kind]
        n = u16(data, p)
        buckets = [u16(data, p + 2 + 2 * i) for i in range(164)]
        lat_index, recs = u24(data, p + 330), u24(data, p + 333)
        size = RECORD_SIZE[kind]
        if kind in NAMES:
            n_city, city, n_fac, fac = u16(data, p + 336), u24(data, p + 338), u16(data, p + 341), u24(data, p + 343)
            if n_city != n or n_fac != n:
                rep.fail(f"{kind}: name index counts {n_city}/{n_fac}, {n} records")
            if kind == "APT":
                expect = fac
                table = data[table_start:fac]
            if fac != expect or city != fac + 2 * n or recs != city + 2 * n:
                rep.fail(f"{kind}: indexes and records out of place")
        elif recs != expect:
            rep.fail(f"{kind}: records at {recs:#x}, expected {expect:#x}")
        if lat_index != recs + size * n:
            rep.fail(f"{kind}: latitude index at {lat_index:#x}, records end at {recs + size * n:#x}")
        expect = lat_index + 2 * n
        if expect > len(data):
            raise Damaged(f"{kind} area runs past the file")
        rows, first_in_bucket, keys, name_keys = [], {}, [], ([], [])
        for i in range(n):
            rec = data[recs + size * i:recs + size * (i + 1)]
            lat, lon = position(rec)
            text, b = ident(rec, buckets, i, IDENT_LAST[kind], IDENT_LENGTH[kind])
            first_in_bucket.setdefault(b, i)
            country = rec[COUNTRY_BYTE[kind]]
            if country >= ncountry:
                rep.fail(f"{kind} {text}: country {country} outside the table")
            row = {"ident": text, "lat": lat, "lon": lon,
                   "country": countries[country][0] if country < ncountry else None}
            keys.append(latitude_key(rec))
            if kind in NAMES:
                row["facility"], fkey = name_at(rec, NAMES[kind][0], kind)
                row["city"], ckey = name_at(rec, NAMES[kind][1], kind)
                name_keys[0].append(ckey)
                name_keys[1].append(fkey)
            if kind == "APT":
                code = rec[6] | (rec[7] & 15) << 8
                row["elevation_code"] = code
                row["elevation"] = (code - 500) * 10
                value = u16(rec, 16) | bits(rec, 64, 2) << 16
                if rec[5] & 0x80:
                    row["runways"], row["frequencies"] = rwycom_entry(table, value, bool(rec[5] & 0x40))
                elif rec[5] & 0x40:
                    rep.fail(f"APT {text}: frequency flag without an entry")
                else:
                    row["summary"] = {"length": rec[16] * 100, "rsl": rec[17]}
            if kind == "VOR":
                row["freq"] = 10800 + 5 * rec[13]
                row["dme"] = bool(rec[5] & 4)
            rows.append(row)
        used = [e for e in buckets if e != 0xFFFF]
        if used != sorted(set(used)) or (n > 0 and (not used or used[0] != 0)):
            rep.fail(f"{kind}: bucket entries are not ascending from record 0")
        for k, e in enumerate(buckets):
            if e != 0xFFFF and first_in_bucket.get(k) != e:
                rep.fail(f"{kind}: bucket {k} entry {e} is not its first record")
        indexes = [("latitude", lat_index, keys)]
        if kind in NAMES:
            indexes += [("city", city, name_keys[0]), ("facility", fac, name_keys[1])]
        for what, start, key in indexes:
            entries = [u16(data, start + 2 * i) for i in range(n)]
            if sorted(entries) != list(range(n)):
                rep.fail(f"{kind}: {what} index is not a permutation of the records")
            elif entries != sorted(range(n), key=lambda r: (key[r], r)):
                rep.fail(f"{kind}: {what} index out of order")
        sections[kind] = rows
    c["sections"] = sections
    image_end = expect

    if airspace:
        counts = [u16(data, 1459 + 5 * i) for i in range(4)]
        starts = [u24(data, 1461 + 5 * i) for i in range(4)]
        section = u24(data, 1479)
        if section != image_end:
            rep.fail(f"SUA section at {section:#x}, VOR area ends at {image_end:#x}")
        image_end = max([section] + [starts[i] + SUA_SIZES[i] * counts[i] for i in range(4)])
        types = []
        for i in range(counts[2]):
            t = data[starts[2] + 24 * i + 17] & 15
            types.append(t)
            if t >= 5:
                rep.fail(f"SUA table 0 record {i} has type {t}")
        c["sua_counts"] = counts
        c["sua_types"] = types
    c["image_end"] = image_end
    _sumcheck_and_size(data, image_end, airspace, rep)


def _sumcheck_and_size(data, end, airspace, rep):
    n = end // CHUNK + 1
    limits = (0x100000,) if airspace else (0xC0000, 0x100000)
    if end > max(limits):
        rep.fail(f"image ends at {end:#x}, past the XL limit")
        return
    rep.content["chunks"] = data[0]
    if data[0] != n:
        rep.fail(f"chunk count {data[0]}, image end {end:#x} gives {n}")
    for i in range(8):
        want = chunk_check(data, i) if i < n else 0
        if data[1 + i] != want:
            rep.fail(f"sumcheck byte {1 + i} is {data[1 + i]:#x}, chunk {i} gives {want:#x}")
    cuts = {n * CHUNK if n * CHUNK < limit else limit for limit in limits if end <= limit}
    if len(data) not in cuts:
        rep.fail(f"file is {len(data):#x} bytes, image end {end:#x} wants one of {sorted(cuts)}")
    if any(b != 0xFF for b in data[end:]):
        rep.fail("bytes behind the image end are not all 0xFF")


def main(argv=None):
    return run_checker("img90check", "check a 90/95 XL database image", check_bytes, argv)


if __name__ == "__main__":
    sys.exit(main())
