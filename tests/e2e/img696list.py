"""The records of one kind of a 696 image, decoded from the file layout alone (for comparing
counts and idents with Tessily's listings):

    python3 img696check.py --list KIND IMAGE

KIND: TIT (cycle and counts), CNT (countries), NAM (names), APT, INT, NDB, VOR (ident, country
id, latitude and longitude in degrees), SUA (group, type, floor and ceiling in feet), FSS (latitude,
longitude and number of frequencies), TCC (corners and number of sectors)."""
import struct
import sys

import img696check

POINTS = {"APT": (4, 29, 9, 4), "INT": (12, 19, 10, 5), "NDB": (16, 20, 9, 4), "VOR": (22, 23, 9, 4)}
UNITS = 360.0 / 2 ** 32


def ident_char(code):
    if code == 0:
        return " "
    return chr(code + 64) if code < 32 else chr(code + 16)


def six_bit_text(data, count):
    """Six-bit text (code + 32) kept in `data` with its bytes reversed."""
    bits = "".join(format(b, "08b") for b in reversed(data))
    return "".join(chr(int(bits[6 * i:6 * i + 6], 2) + 32) for i in range(count))


def section(data, entries, n):
    start, size, count = entries[n] if n < len(entries) else (0, 0, 0)
    return start, size, count


def countries(data, entries):
    start, _, _ = section(data, entries, 2)
    ends = sorted(s for s, _, _ in entries[1:] if s > start + 3)
    end = ends[0] if ends else start
    out = []
    for i in range((end - start) // 9 if start else 0):
        text = six_bit_text(data[start + 9 * i:start + 9 * i + 9], 12)
        out.append((text[:2], text[2:].rstrip()))
    return out


def points(data, entries, kind):
    first, size, ident_end, length = POINTS[kind]
    x1_start = entries[first][0]
    x1 = [int.from_bytes(data[x1_start + 3 * e:x1_start + 3 * e + 3], "little") for e in range(164)]
    start, _, count = section(data, entries, first + 3)
    ids = [c for c, _ in countries(data, entries)]
    out = []
    for n in range(count):
        rec = data[start + size * n:start + size * (n + 1)]
        entry = 0
        for e, v in enumerate(x1):
            if v < 0x3FFFF and v <= n:
                entry = e
        field = bytes([rec[ident_end], rec[ident_end - 1], rec[ident_end - 2]])
        bits = format(int.from_bytes(field, "big"), "024b")
        text = ident_char(entry // 4 + 1) + ident_char((entry % 4) * 16 + int(bits[:4], 2))
        text += "".join(ident_char(int(bits[4 + 6 * i:10 + 6 * i], 2)) for i in range(length - 2))
        country = (struct.unpack_from("<H", rec, 6)[0] >> 1) & 0x1FF
        lon = struct.unpack_from("<H", rec, 0)[0] << 16 | (rec[6] & 1) << 15 | rec[5] << 7
        lon = lon - 2 ** 32 if lon >= 2 ** 31 else lon
        lat = struct.unpack_from("<H", rec, 2)[0] << 8 | rec[4]
        lat = (lat - 2 ** 24 if lat >= 2 ** 23 else lat) << 7
        out.append((text.rstrip(), ids[country] if country < len(ids) else "??", lat * UNITS, lon * UNITS))
    return out


def airspace(data, entries):
    out = []
    for group, n in (("a", 39), ("b", 40)):
        start, size, count = section(data, entries, n)
        for i in range(count):
            rec = data[start + size * i:start + size * (i + 1)]
            floor = (struct.unpack_from("<H", rec, 4)[0] & 0x3FF) * 100
            ceiling = (struct.unpack_from("<H", rec, 11)[0] & 0x3FF) * 100
            out.append((group, rec[20] & 15, floor, ceiling))
    return out


def coarse(rec, at):
    lon = struct.unpack_from("<H", rec, at)[0] << 16
    lat = struct.unpack_from("<H", rec, at + 2)[0] << 16
    lon = lon - 2 ** 32 if lon >= 2 ** 31 else lon
    lat = (lat - 2 ** 32 if lat >= 2 ** 31 else lat) >> 1
    return lat * UNITS, lon * UNITS


def chain(data, at, more, step):
    """The number of items of a chain from `at`: items follow while `more` says so."""
    count = 0
    while True:
        count += 1
        word = struct.unpack_from("<H", data, at)[0]
        if not word & 0x8000:
            return count
        at += step(word)


def fss_tcc(data, entries, kind):
    out = []
    if kind == "FSS":
        start, size, count = section(data, entries, 29)
        items = section(data, entries, 30)[0]
        for i in range(count):
            rec = data[start + size * i:start + size * (i + 1)]
            n = chain(data, items + struct.unpack_from("<H", rec, 4)[0], 0x8000, lambda w: 3 if w & 0x4000 else 2)
            out.append("%.4f|%.4f|%d" % (coarse(rec, 0) + (n,)))
    else:
        start, size, count = section(data, entries, 33)
        sectors = section(data, entries, 35)[0]
        for i in range(count):
            rec = data[start + size * i:start + size * (i + 1)]
            first = sectors + 6 * (struct.unpack_from("<H", rec, 12)[0] & 0x1FFF)
            n = chain(data, first + 4, 0x8000, lambda w: 6)
            out.append("%.4f|%.4f|%.4f|%.4f|%d" % (coarse(rec, 0) + coarse(rec, 4) + (n,)))
    return out


def lines(kind, data):
    entries = img696check.directory(data)
    if kind == "TIT":
        counts = [section(data, entries, n)[2] for n in (7, 15, 19, 25)]
        return ["CYCLE %04d" % struct.unpack_from("<H", data, 129)[0],
                "%d APTs, %d INTs, %d NDBs, %d VORs" % tuple(counts)]
    if kind == "CNT":
        return ["%s-%s" % (name, cid.rstrip()) for cid, name in countries(data, entries)]
    if kind == "NAM":
        start, _, count = section(data, entries, 3)
        ends = sorted(s for s, _, _ in entries[1:] if s > start + 3)
        return [text for _, text in img696check.decode_names(data[start:ends[0] if ends else start], count)]
    if kind in POINTS:
        return ["%s|%s|%.5f|%.5f" % p for p in points(data, entries, kind)]
    if kind == "SUA":
        return ["SUA(%s)|%d|%d|%d" % a for a in airspace(data, entries)]
    if kind in ("FSS", "TCC"):
        return fss_tcc(data, entries, kind)
    raise ValueError("unknown kind %s" % kind)


def main(argv):
    if len(argv) != 2:
        print("usage: img696check.py --list KIND IMAGE", file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    try:
        for line in lines(argv[0], data):
            print(line)
    except ValueError as e:
        print(e, file=sys.stderr)
        return 2
    return 0
