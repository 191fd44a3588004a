"""An independent checker of 696 images and their section files, written from the file layout:
a 512-byte header, a directory of 8-byte entries from byte 512 (entry 0 describes the directory
itself), the sections from byte 1344 on without overlaps, the length word at 248 and a 4-byte
CRC seal at the end (the usual CRC-32 of the body, complemented, little-endian).

    python3 img696check.py IMAGE [SECTIONFILE ...]

prints one line per fault and exits 1 when there is one;

    python3 img696check.py --list KIND IMAGE

prints the records of one kind (img696list.py)."""
import re
import struct
import sys
import zlib

DIRECTORY = 512
SECTIONS = 1344
MAX_IMAGE = 0x1000000
HEADER_RE = re.compile(rb"([A-Z0-9]+\+)_03\|([0-9a-f]+)\|(\d+)\|(\d+)\|([0-9a-f]+)<")
RECORD_SECTIONS = {1, 29, 33, 39, 40}


def directory(data):
    """The entries (start, size, count) of the directory, entry 0 first."""
    start, size = struct.unpack_from("<IB", data, DIRECTORY)
    count = int.from_bytes(data[DIRECTORY + 5:DIRECTORY + 8], "little")
    entries = []
    for n in range(min(count, 128)):
        at = DIRECTORY + 8 * n
        if at + 8 > len(data):
            break
        s, z = struct.unpack_from("<IB", data, at)
        entries.append((s, z, int.from_bytes(data[at + 5:at + 8], "little")))
    return entries


# The names table's prefix code, most significant bit first.
THREE_BIT = {0b000: "A"}
FOUR_BIT = {0b0011: "E", 0b0010: None, 0b0101: "O", 0b0100: "N", 0b0110: "R", 0b0111: "I"}
GROUP_CHARS = "L STUMCDHBGKPY"
ESCAPE_CHARS = "VWFJZXQ1204367985-/,.&()+;':fm??"


def decode_names(table, count):
    """The names of a names table: [(start bit, text)], at most `count` of them."""
    bits = "".join(format(b, "08b") for b in table)
    names, at = [], 0
    while len(names) < count and at < len(bits):
        start, text = at, ""
        while True:
            if at + 3 > len(bits):
                return names
            g = int(bits[at:at + 3], 2)
            if g == 0:
                text += "A"
                at += 3
            elif g < 4:
                code = int(bits[at:at + 4], 2)
                at += 4
                if FOUR_BIT[code] is None:
                    break
                text += FOUR_BIT[code]
            else:
                v = int(bits[at:at + 5], 2)
                at += 5
                if v < 30:
                    text += GROUP_CHARS[v - 16]
                else:
                    c = int(bits[at:at + 4], 2)
                    at += 4
                    text += ESCAPE_CHARS[c if v == 30 else 16 + c]
        names.append((start, text))
    return names


def check_image(data):
    """The faults of an image, as texts (empty when it is sound)."""
    faults = []
    if len(data) < SECTIONS + 4:
        return ["file of %d bytes is shorter than header, directory and seal" % len(data)]
    if len(data) > MAX_IMAGE + 4:
        faults.append("image longer than 0x1000000 bytes before its seal")
    if zlib.crc32(data) != 0xFFFFFFFF:
        faults.append("CRC seal does not match the body")
    body_crc = zlib.crc32(data[:-4]) ^ 0xFFFFFFFF
    if struct.unpack_from("<I", data, len(data) - 4)[0] != body_crc:
        faults.append("last 4 bytes are not the complemented CRC-32 of the body")
    length = struct.unpack_from("<I", data, 248)[0]
    if length != len(data):
        faults.append("length word %d, file size %d" % (length, len(data)))
    entries = directory(data)
    if not entries or entries[0] != (512, 8, entries[0][2]) or not 1 <= entries[0][2] <= 128:
        faults.append("directory entry 0 is not {512, 8, 1..128}: %r" % (entries[:1],))
        return faults
    spans = []
    for n, (start, size, count) in enumerate(entries[1:], 1):
        if start == 0:
            if count:
                faults.append("section %d has %d records and no start" % (n, count))
            continue
        begin = start - 3 if n == 41 else start
        end = start + size * count
        if begin < SECTIONS or end > len(data) - 4:
            faults.append("section %d [%x, %x) lies outside the sections' area" % (n, begin, end))
        spans.append((begin, end, n))
    spans.sort()
    if spans and spans[0][0] != SECTIONS:
        faults.append("first section starts at %x, not %x" % (spans[0][0], SECTIONS))
    for (b1, e1, n1), (b2, e2, n2) in zip(spans, spans[1:]):
        if e1 > b2:
            faults.append("sections %d and %d overlap" % (n1, n2))
    if spans and max(e for _, e, _ in spans) > len(data) - 4:
        faults.append("a section runs into the seal")
    return faults


# The point types: first section, record size, first and second name pointer, ident end, ident length.
POINT_TYPES = {
    "APT": (4, 29, 12, 16, 9, 4),
    "INT": (12, 19, 16, 13, 10, 5),
    "NDB": (16, 20, 12, 15, 9, 4),
    "VOR": (22, 23, 10, 14, 9, 4),
}
CELL = 23871488


def point_sections(kind):
    """X1, X5, X2, RECS, X3, X4 section numbers of a point type."""
    b = POINT_TYPES[kind][0]
    x3, x4 = (84, 85) if kind == "INT" else (b + 4, b + 5)
    return {"X1": b, "X5": b + 1, "X2": b + 2, "RECS": b + 3, "X3": x3, "X4": x4}


def ident_char(code):
    if 1 <= code <= 26:
        return chr(64 + code)
    if 32 <= code <= 41:
        return chr(16 + code)
    return " "


def u24s(data, start, count):
    return [int.from_bytes(data[start + 3 * i:start + 3 * i + 3], "little") for i in range(count)]


def decode_points(data, kind):
    """The records of a point type: dicts of ident, lat, lon, country, first and second name
    (texts, None for a pointer where no name starts), and the raw pointers."""
    entries = directory(data)
    secs = point_sections(kind)
    _, size, first_at, second_at, ident_end, ident_len = POINT_TYPES[kind]
    start, _, count = entries[secs["RECS"]]
    x1 = u24s(data, entries[secs["X1"]][0], 164)
    nstart, _, ncount = entries[3]
    table = data[nstart:nstart + 0x1000000]
    ends = sorted(e[0] for e in entries if e[0] > nstart)
    table = data[nstart:ends[0]] if ends else b""
    names = dict(decode_names(table, ncount))
    countries = []
    cstart, _, ccount = entries[2]
    for i in range(ccount):
        packed = data[cstart + 9 * i:cstart + 9 * i + 9][::-1]
        bits = int.from_bytes(packed, "big")
        text = "".join(chr(((bits >> (66 - 6 * k)) & 63) + 32) for k in range(12))
        countries.append(text[:2].strip())
    out = []
    for n in range(count):
        rec = data[start + size * n:start + size * (n + 1)]
        lon = (struct.unpack_from("<H", rec, 0)[0] << 16) | ((rec[6] & 1) << 15) | (rec[5] << 7)
        lon = lon - (1 << 32) if lon >= 1 << 31 else lon
        y = (struct.unpack_from("<H", rec, 2)[0] << 8) | rec[4]
        y = y - (1 << 24) if y >= 1 << 23 else y
        lat = y << 7
        entry = max([e for e in range(164) if x1[e] < 0x3FFFF and x1[e] <= n] or [0])
        stream = int.from_bytes(rec[ident_end - 2:ident_end + 1], "little")
        bits = 4 + 6 * (ident_len - 2)
        stream >>= 24 - bits
        text = ident_char(entry // 4 + 1) + ident_char((entry % 4) * 16 + (stream >> (bits - 4)))
        for k in range(ident_len - 2):
            text += ident_char((stream >> (6 * (ident_len - 3 - k))) & 63)
        country = (rec[6] >> 1) | ((rec[7] & 3) << 7)

        def pointer(at):
            v = int.from_bytes(rec[at:at + 3], "little")
            return (v & 0x1FFFFF) * 8 + 7 - (v >> 21)

        first, second = pointer(first_at), pointer(second_at)
        out.append({"ident": text.rstrip(), "lat": lat, "lon": lon, "country": country,
                    "country_id": countries[country] if country < len(countries) else None,
                    "first": names.get(first), "second": names.get(second),
                    "first_ptr": first, "second_ptr": second, "record": rec})
    return out


def cell(angle):
    c = int(angle / CELL)
    return c - 1 if angle < 0 else c


def check_points(data, kind):
    """The faults of a point type's indexes against its records."""
    faults = []
    entries = directory(data)
    secs = point_sections(kind)
    recs = decode_points(data, kind)
    n = len(recs)
    x1 = u24s(data, entries[secs["X1"]][0], 164)
    for e in range(164):
        want = next((i for i, r in enumerate(recs)
                     if ident_char(e // 4 + 1) == r["ident"][:1] and
                     (r["ident"] + " ")[1:2] in [c for c in map(ident_char, range(64)) if
                                                  (ord(c) - 64 if c.isalpha() else ord(c) - 16 if c.isdigit() else 0) // 16 == e % 4]),
                    None)
        got = None if x1[e] == 0xFFFFFF else x1[e]
        if want != got:
            faults.append("%s X1 entry %d is %r, the first record is %r" % (kind, e, got, want))
    x2 = u24s(data, entries[secs["X2"]][0], entries[secs["X2"]][2])
    want = sorted(range(n), key=lambda i: (cell(recs[i]["lat"]), cell(recs[i]["lon"]), i))
    if x2 != want:
        faults.append("%s X2 is not in grid order" % kind)
    x4 = u24s(data, entries[secs["X4"]][0], entries[secs["X4"]][2])
    if x4 != sorted(range(n), key=lambda i: (recs[i]["first_ptr"] // 8, i)):
        faults.append("%s X4 is not in the order of the first names" % kind)
    x3 = u24s(data, entries[secs["X3"]][0], entries[secs["X3"]][2])
    with_second = [i for i in range(n) if (recs[i]["second"] or "").strip()]
    if x3 != sorted(with_second, key=lambda i: (recs[i]["second_ptr"] // 8, i)):
        faults.append("%s X3 is not the records with a second name in its order" % kind)
    # X5: runs of five boxes, each box {count, first X2 position}.
    start, size, runs = entries[secs["X5"]]
    boxes = {}
    for pos, r in enumerate(x2):
        box = cell(recs[r]["lat"]) * 180 + cell(recs[r]["lon"]) + 8190
        boxes.setdefault(box, [0, pos])[0] += 1
    want_runs = sorted({b // 5 for b in boxes})
    if n and (size, runs) != (26, len(want_runs)):
        faults.append("%s X5 has %r runs, %d expected" % (kind, (size, runs), len(want_runs)))
    for i, k in enumerate(want_runs[:runs]):
        rec = data[start + 26 * i:start + 26 * i + 26]
        hi = [(rec[4] >> 3) & 3, (rec[4] >> 5) & 3, rec[25] & 3, (rec[25] >> 2) & 3, (rec[25] >> 4) & 3]
        for j in range(5):
            c, f = struct.unpack_from("<HH", rec, 5 + 4 * j)
            want_c, want_f = boxes.get(5 * k + j, [0, 0x3FFFF])
            if (c, f | hi[j] << 16) != (want_c, want_f):
                faults.append("%s X5 box %d holds %r, %r expected" % (kind, 5 * k + j, (c, f | hi[j] << 16),
                                                                     (want_c, want_f)))
    if kind == "APT":
        istart, _, _ = entries[10]
        ends = sorted(e[0] for e in entries if e[0] > istart)
        length = (ends[0] if ends else len(data) - 4) - istart
        for r in recs:
            rec = r["record"]
            if rec[11] & 0x80:
                offset = ((rec[19] >> 1) << 16) | (rec[24] << 8) | rec[23]
                if offset + 2 > length:
                    faults.append("APT %s: section-10 offset %x past the section" % (r["ident"], offset))
    return faults


def static_value(data, n):
    """Value n (u16) of section 1, the static data."""
    start, size, count = directory(data)[1]
    return struct.unpack_from("<H", data, start + 2 * n)[0] if 2 * n + 2 <= size * count else 0


def six_bit_ident(data, last, n):
    """n six-bit ident codes read backwards from byte `last`, most significant bit first."""
    bits = "".join(format(data[last - i], "08b") for i in range(4) if last - i >= 0)
    return "".join(ident_char(int(bits[6 * i:6 * i + 6], 2)) for i in range(n)).rstrip()


def local_position(airport, entry):
    """A local waypoint's position: the airport's (decode_points) less the 5-byte relative
    position (bits 11-26 of the differences as u16, bits 7-10 in the nibbles of byte 4)."""
    dlon = struct.unpack_from("<h", entry, 0)[0] << 11 | (entry[4] >> 4) << 7
    dlat = struct.unpack_from("<h", entry, 2)[0] << 11 | (entry[4] & 15) << 7
    return airport["lat"] - dlat, airport["lon"] - dlon


def approach_ids(data):
    """The texts of the approach ID table (section 11): five six-bit codes over the four
    bytes in reverse order."""
    start, _, count = directory(data)[11]
    ids = []
    for i in range(count):
        v = int.from_bytes(data[start + 4 * i:start + 4 * i + 4], "little")
        ids.append("".join(ident_char((v >> (26 - 6 * k)) & 63) for k in range(5)).rstrip())
    return ids


def decode_approaches(data):
    """The approaches of the airports that have them, by airport ident: the block's local
    intersections, local NDBs and ILS records, and per approach its type, approach ID, navaid
    (kind, reference) and the waypoints (type, reference) of its two groups. The fixed part is
    section 1's value 19 bytes, one more (the reference's high byte) for a navaid kind below 7;
    each approach is one segment (3-byte header) of a group of code 14 and one of code 17."""
    entries = directory(data)
    info = entries[10][0]
    fixed = static_value(data, 19)
    ids = approach_ids(data)
    out = {}
    for r in decode_points(data, "APT"):
        rec = r["record"]
        if not rec[11] & 0x80:
            continue
        at = info + (((rec[19] >> 1) << 16) | (rec[24] << 8) | rec[23])
        mask = struct.unpack_from("<H", data, at)[0]
        parts, offset, word = {}, 2 + 2 * bin(mask).count("1"), at + 2
        for k in range(16):
            if mask >> k & 1:
                length = struct.unpack_from("<H", data, word)[0]
                parts[k] = data[at + offset:at + offset + length]
                offset += length
                word += 2
        if 6 not in parts:
            continue

        def chain(part, size, more):
            entries_, b, i = [], parts.get(part, b""), 0
            while i < len(b):
                entries_.append(b[i:i + size(b[i:])])
                if not more(b[i:]):
                    break
                i += size(b[i:])
            return entries_
        ints = chain(2, lambda e: 9, lambda e: e[5] & 1)
        ndbs = chain(3, lambda e: 11, lambda e: e[9] & 0x80)
        ils = chain(4, lambda e: 22 if e[11] & 2 else 15, lambda e: e[11] & 4)
        airport = {
            "ints": [{"ident": six_bit_ident(e, 8, 5), "pos": local_position(r, e)} for e in ints],
            "ndbs": [{"ident": six_bit_ident(e, 7, 4), "pos": local_position(r, e),
                      "freq": (e[8] | e[9] << 8) & 0x7FFF, "byte10": e[10]} for e in ndbs],
            "ils": [{"ident": six_bit_ident(e, 7, 4), "pos": local_position(r, e),
                     "freq": (e[8] + 2160) * 5, "runway": e[9]} for e in ils],
            "approaches": [],
        }
        b, i = parts[6], 0
        while i < len(b):
            kind = b[i + 3] & 15
            ref = b[i + 4]
            n = fixed
            if kind < 7:
                ref |= b[i + n] << 8
                n += 1
            a = {"type": b[i] >> 1 & 31, "id": ids[b[i + 1] | b[i + 2] << 8], "navaid": (kind, ref),
                 "waypoints": [], "last": not b[i] & 1}
            i += n
            if b[i] & 1:
                raise ValueError("an approach of %s has more than one segment" % r["ident"])
            i += 3
            while True:
                header, wtype = b[i], b[i + 1]
                if header & 31 not in (14, 17):
                    raise ValueError("group code %d in an approach of %s" % (header & 31, r["ident"]))
                wref = b[i + 2]
                if wtype >> 4 <= 3:
                    wref |= b[i + 4] << 8 | (b[i + 3] >> 2 & 3) << 16
                    i += 5
                else:
                    i += 4
                a["waypoints"].append((wtype, wref))
                if not header & 0x80:
                    break
            airport["approaches"].append(a)
            if a["last"]:
                break
        out[r["ident"]] = airport
    return out


def check_airways(data):
    """The faults of the airway sections: point references inside their RECS, the waypoint
    index (section 47) inside section 46 with the points' airway fields at each chain's first
    entry, and the grid lists (74) against the runs (73)."""
    faults = []
    entries = directory(data)
    if len(entries) <= 74:
        return faults
    s46, _, n46 = entries[46]
    kinds = {1: "INT", 2: "NDB", 3: "VOR"}
    counts = {k: entries[point_sections(k)["RECS"]][2] for k in kinds.values()}
    for i in range(n46):
        rec = data[s46 + 6 * i:s46 + 6 * i + 6]
        kind = kinds.get(rec[0] >> 6)
        if rec[0] != 12 and not rec[0] & 1 and kind:
            recno = rec[1] | rec[2] << 8 | (rec[3] & 3) << 16
            if recno >= counts[kind]:
                faults.append("airway point %d names %s record %d of %d" % (i, kind, recno, counts[kind]))
    s47, _, n47 = entries[47]
    index = u24s(data, s47, n47)
    for i, v in enumerate(index):
        if v & 0x3FFFF >= max(n46, 1):
            faults.append("waypoint index entry %d names point %d" % (i, v & 0x3FFFF))
    if index and index[-1] & 0x40000:
        faults.append("the last waypoint index entry says another follows")
    # The points that use each waypoint (a point right after an airway head is named by the head).
    uses = {}
    head = 0
    for i in range(n46):
        rec = data[s46 + 6 * i:s46 + 6 * i + 6]
        if rec[0] == 12:
            head = i
            continue
        kind = kinds.get(rec[0] >> 6)
        if not rec[0] & 1 and kind:
            after_head = i > 0 and data[s46 + 6 * (i - 1)] == 12
            uses.setdefault((kind, rec[1] | rec[2] << 8 | (rec[3] & 3) << 16), []).append(head if after_head else i)
    for kind in kinds.values():
        for n, r in enumerate(decode_points(data, kind)):
            rec = r["record"]
            field = {"INT": (11, 7, 2), "NDB": (18, 7, 2), "VOR": (20, 22, 0)}[kind]
            ref = struct.unpack_from("<H", rec, field[0])[0] | ((rec[field[1]] >> field[2]) & 3) << 16
            chain = []
            while ref != 0x3FFFF and ref < n47:
                chain.append(index[ref] & 0x3FFFF)
                if not index[ref] & 0x40000:
                    break
                ref += 1
            if sorted(chain) != sorted(uses.get((kind, n), [])):
                faults.append("%s %s: waypoint index chain %r, used by airway points %r" %
                              (kind, r["ident"], chain, uses.get((kind, n), [])))
    s73, z73, n73 = entries[73]
    _, _, n74 = entries[74]
    total = sum(sum(struct.unpack_from("<H", data, s73 + 26 * i + 5 + 4 * j)[0] for j in range(5)) for i in range(n73))
    if total != n74:
        faults.append("airway grid runs count %d entries, section 74 holds %d" % (total, n74))
    return faults


# Airspace: records of 30 ("SUA(a)", section 39) and 27 bytes ("SUA(b)", section 40), their
# shapes in section 41, and the grid of runs of five boxes (section 37) with their lists of
# record numbers (section 38).
GRID_BOX = 23871488
GRID_ROWS, GRID_RUNS, RUN_BOXES = 89, 36, 5
NO_ENTRY = 0x3FFFF
MARKS = {0x1F: "arc points", 0x3F: "end of"}


def signed(value, bits):
    value &= (1 << bits) - 1
    return value - (1 << bits) if value >> (bits - 1) else value


def airspace_edges(rec, at, fine_at):
    """(longitude edge, latitude edge) of a record: bits 16-31 of the longitude at `at`, bits
    15-30 of the latitude at at + 2; bits 10-12 of the longitude in byte at + 5 bits 5-7, bits
    13-15 in byte fine_at bits 0-2, latitude bits 10-14 in byte fine_at bits 3-7."""
    lon = struct.unpack_from("<H", rec, at)[0] << 16 | (rec[fine_at] & 7) << 13 | (rec[at + 5] >> 5) << 10
    lat = struct.unpack_from("<H", rec, at + 2)[0] << 15 | (rec[fine_at] >> 3) << 10
    return signed(lon, 32), signed(lat, 31)


def shape_entries(shape, lat, lon, height_header):
    """The entries of a shape from vertex 1 on, each a tuple whose first item names its form;
    coordinate vertices and centres carry absolute positions. Raises ValueError on an entry
    that no form fits."""
    out, at = [], 0
    while at < len(shape) and len(out) < 767:
        b = shape[at:at + 11]
        if height_header and not out:
            if len(b) < 3:
                raise ValueError("height header cut at byte %d" % at)
            out.append(("height", b[0] | (b[1] & 3) << 8, b[2] | (b[1] >> 2 & 3) << 8, b[1]))
            at += 3
        elif len(b) >= 3 and b[0] == 3 and b[1] & 0x1F == 0x1F and b[2] == 0:
            if b[1] in MARKS:
                out.append((MARKS[b[1]],))
                at += 3
                continue
            size = {0x5F: 11, 0x7F: 11, 0x9F: 10}.get(b[1])
            if size is None or len(b) < size:
                raise ValueError("unknown or cut entry 03 %02X 00 at byte %d" % (b[1], at))
            value = b[5] | b[6] << 8 | b[7] << 16
            c_lon = lon + signed(b[3] | b[4] << 8 | (b[5] & 3) << 16, 18) * 1024
            c_lat = lat + signed(value >> 2, 18) * 1024
            radius = struct.unpack_from("<H", b, 8)[0]
            if size == 11:
                out.append(("arc", bool(b[10] & 64), b[1] == 0x7F, b[10] & 63, radius, c_lat, c_lon))
            else:
                out.append(("circle", radius, c_lat, c_lon))
            at += size
        else:
            # Short vertex (bits 0-1 = 3): 3 bytes of two 11-bit steps; long (bits 0-1 = 1): 4 bytes
            # of two 15-bit steps; longitude step from bit 2, latitude step after it.
            size, bits = {3: (3, 11), 1: (4, 15)}.get(b[0] & 3, (0, 0))
            if not size or len(b) < size:
                raise ValueError("no entry form fits byte %02X at byte %d" % (b[0], at))
            v = int.from_bytes(b[:size], "little")
            lon += signed(v >> 2, bits) * 1024
            lat += signed(v >> (2 + bits), bits) * 1024
            out.append(("vertex", lat, lon))
            at += size
    return out


def names_by_bit(data):
    """{start bit: text} of the names table (section 3)."""
    entries = directory(data)
    nstart, _, ncount = entries[3]
    ends = sorted(e[0] for e in entries if e[0] > nstart)
    return dict(decode_names(data[nstart:ends[0]] if ends else b"", ncount))


def airspace_name_pointer(rec, at, bits_at):
    """The start bit of an airspace record's name: the byte offset in bits 0-20 of the three bytes
    at `at`, the bit in the record's bits bits_at to bits_at + 2 (most significant bit first)."""
    offset = int.from_bytes(rec[at:at + 3], "little") & 0x1FFFFF
    bit = int.from_bytes(rec, "big") >> (len(rec) * 8 - bits_at - 3) & 7
    return offset * 8 + 7 - bit


def decode_airspace(data):
    """The airspace records in record-number order ("SUA(a)" before "SUA(b)"): dicts of group,
    type, priority, floor and ceiling (feet), the box edges, the shape's entries, the coordinate
    vertices (vertex 0 first), the name and controller texts and the airport word. Raises
    ValueError when a shape cannot be decoded."""
    entries = directory(data)
    start41 = entries[41][0]
    records = []
    for group, n, size in (("a", 39, 30), ("b", 40, 27)):
        start, _, count = entries[n]
        for i in range(count):
            records.append((group, data[start + size * i:start + size * (i + 1)]))
    # A shape ends where the next record's begins; the last one at the section that follows 41.
    later = sorted(e[0] for e in entries[1:] if e[0] > start41)
    end41 = later[0] if later else len(data) - 4
    positions = [int.from_bytes(rec[17:20], "little") for _, rec in records]
    names = names_by_bit(data)
    out = []
    for k, (group, rec) in enumerate(records):
        west, south = airspace_edges(rec, 0, 6)
        east, north = airspace_edges(rec, 7, 13)
        offset = struct.unpack_from("<H", rec, 14)[0] << 16 | (rec[16] & 0x3F) << 10
        lon0 = signed(west + offset, 32)
        position = positions[k]
        stop = positions[k + 1] if k + 1 < len(positions) else end41
        if not start41 - 3 <= position <= stop <= end41:
            raise ValueError("airspace %d: shape [%x, %x) outside section 41" % (k, position, stop))
        shape = shape_entries(data[position:stop], south, lon0, bool(rec[20] & 16))
        vertices = [(south, lon0)] + [(e[1], e[2]) for e in shape if e[0] == "vertex"]
        out.append({"group": group, "type": rec[20] & 15, "priority": rec[20] >> 5 & 3,
                    # In the image bits 10-12 of both height words hold the name pointers' bits.
                    "floor": (struct.unpack_from("<H", rec, 4)[0] & 0x3FF) * 100,
                    "ceiling": (struct.unpack_from("<H", rec, 11)[0] & 0x3FF) * 100,
                    "west": west, "south": south, "east": east, "north": north,
                    "entries": shape, "vertices": vertices,
                    "controller": names.get(airspace_name_pointer(rec, 21, 43)),
                    "name": names.get(airspace_name_pointer(rec, 24, 99)),
                    "airport": int.from_bytes(rec[27:30], "little") if group == "a" else None})
    return out


def grid_touched(area, west, south):
    """The touch rule of a grid box and an airspace's box."""
    return (west <= area["east"] and area["west"] < west + GRID_BOX and area["south"] < south + GRID_BOX
            and area["north"] >= south)


def decode_grid(data):
    """{(west bits 14-31, twice south bits 15-31): [record numbers of each of the five boxes]}
    from sections 37 and 38. Raises ValueError on a list outside section 38."""
    entries = directory(data)
    start37, _, count37 = entries[37]
    start38, _, count38 = entries[38]
    lists = u24s(data, start38, count38)
    grid = {}
    for i in range(count37):
        rec = data[start37 + 26 * i:start37 + 26 * (i + 1)]
        key = ((struct.unpack_from("<H", rec, 0)[0] << 16 | (rec[4] & 3) << 14),
               (struct.unpack_from("<H", rec, 2)[0] << 16 | (rec[4] >> 2 & 1) << 15))
        high = [rec[4] >> 3 & 3, rec[4] >> 5 & 3, rec[25] & 3, rec[25] >> 2 & 3, rec[25] >> 4 & 3]
        boxes = []
        for b in range(RUN_BOXES):
            count, first = struct.unpack_from("<HH", rec, 5 + 4 * b)
            first |= high[b] << 16
            if count == 0:
                if first != NO_ENTRY:
                    raise ValueError("run %d box %d: empty with first entry %x" % (i, b, first))
                boxes.append([])
                continue
            if first + count > len(lists):
                raise ValueError("run %d box %d: entries [%d, %d) past section 38" % (i, b, first, first + count))
            boxes.append(lists[first:first + count])
        if key in grid:
            raise ValueError("run %d repeats an earlier run's corner" % i)
        grid[key] = boxes
    return grid


def check_airspace(data):
    """The faults of the airspace sections: shapes that do not decode, coordinate vertices off
    the 1024-unit grid, boxes that are not the vertices' extremes (vertex 0 lies on the south
    edge), areas that do not close, a section-41 count other than the entries, and a grid that does not
    list exactly the records whose boxes touch each of its boxes."""
    try:
        areas = decode_airspace(data)
        grid = decode_grid(data)
    except ValueError as e:
        return [str(e)]
    faults = []
    for n, a in enumerate(areas):
        lats = [lat for lat, _ in a["vertices"]]
        lons = [lon for _, lon in a["vertices"]]
        if any(v % 1024 for v in lats + lons):
            faults.append("airspace %d: a vertex off the 1024-unit grid" % n)
        if (a["south"], a["west"], a["north"], a["east"]) != (min(lats), min(lons), max(lats), max(lons)):
            faults.append("airspace %d: box is not the vertices' extremes" % n)
        if a["vertices"][-1] != a["vertices"][0]:
            faults.append("airspace %d: last vertex is not vertex 0" % n)
    written = sum(len(a["entries"]) for a in areas)
    if directory(data)[41][2] != written:
        faults.append("section 41 counts %d entries, the shapes hold %d" % (directory(data)[41][2], written))
    expected = {}
    for w in range(GRID_ROWS):
        south = (w - 44) * GRID_BOX
        for r in range(GRID_RUNS):
            west = (r - 18) * RUN_BOXES * GRID_BOX
            boxes = [[n for n, a in enumerate(areas) if grid_touched(a, west + b * GRID_BOX, south)]
                     for b in range(RUN_BOXES)]
            if any(boxes):
                expected[(west & 0xFFFFC000, 2 * south & 0xFFFF8000)] = boxes
    if grid != expected:
        missing = sorted(set(expected) - set(grid))
        extra = sorted(set(grid) - set(expected))
        differ = sorted(k for k in set(grid) & set(expected) if grid[k] != expected[k])
        faults.append("grid differs: %d runs missing, %d extra, %d with other lists" % (len(missing), len(extra),
                                                                                        len(differ)))
    return faults


def section_blocks(data):
    """The blocks of a section file: (name, position, count, size, payload); raises ValueError
    on a damaged file."""
    blocks = []
    at = 0
    while True:
        m = HEADER_RE.match(data, at)
        if not m or m.end() - at > 64:
            raise ValueError("damaged block header at byte %d" % at)
        name = m.group(1).decode()
        position, count, size, length = int(m.group(2), 16), int(m.group(3)), int(m.group(4)), int(m.group(5), 16)
        at = m.end()
        if (position, count, size, length) == (0, 0, 0, 0):
            if at != len(data):
                raise ValueError("%d bytes after the end block" % (len(data) - at))
            return blocks
        section = (position - 512) // 8
        payload = count * size if section in RECORD_SECTIONS else length
        if at + payload > len(data):
            raise ValueError("block of section %d runs past the file's end" % section)
        blocks.append((name, position, count, size, data[at:at + payload]))
        at += payload


def main(argv):
    if len(argv) > 1 and argv[1] == "--list":
        import img696list
        return img696list.main(argv[2:])
    faults = []
    with open(argv[1], "rb") as f:
        faults += check_image(f.read())
    for name in argv[2:]:
        try:
            with open(name, "rb") as f:
                section_blocks(f.read())
        except ValueError as e:
            faults.append("%s: %s" % (name, e))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
