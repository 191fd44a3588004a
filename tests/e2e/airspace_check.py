"""An independent reader of the compiled airspace files SUA.DAT and TCC.DAT, written from their
format: the header line, the record tables, every area's vertex chain, every TCC's vertex and
frequency lists, and the grid index, which it rebuilds from the records' bounding boxes.
check_sua(data, wide) and check_tcc(data, wide) return the decoded file or raise CheckError."""
import struct


class CheckError(Exception):
    pass


def need(cond, text):
    if not cond:
        raise CheckError(text)


def u16(b, i):
    return b[i] | b[i + 1] << 8


def u24(b, i):
    return b[i] | b[i + 1] << 8 | b[i + 2] << 16


def s32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def header(data, tag, count):
    end = data.find(b"<", 0, 96)
    need(end > 0, "no '<' in the first 96 bytes")
    text = data[:end].decode("ascii")
    if tag:
        need(text.startswith(tag), "tag %r missing" % tag)
        text = text[len(tag):]
    else:
        need(text[:1] not in ("S", "T") or text[:3] not in ("SUA", "TCC"), "unexpected tag")
    values = [int(v, 16) for v in text.split("|")]
    need(len(values) == count, "%d header values, %d expected" % (len(values), count))
    return values, data[end + 1:]


def corner(rec, lon_at, lat_at, flags, shift):
    """A corner: longitude bits 16-31 and 14-15, latitude bits 15-30 and 14."""
    f = rec[flags] >> shift
    lon = u16(rec, lon_at) << 16 | (f & 3) << 14
    lat = u16(rec, lat_at) << 15 | ((f >> 2) & 1) << 14
    if lat & 0x40000000:
        lat |= 0x80000000
    return s32(lat), s32(lon)


# ---- Grid --------------------------------------------------------------------------------

SUA_GRID = dict(rows=89, cols=36, boxes=5, height=0x16C4000, width=0x16C4000, row_base=44,
                west0=(-18 * 0x71D4000) & 0xFFFFFFFF, cell=20)
TCC_GRID = dict(rows=35, cols=12, boxes=6, height=0x38EC000, width=0x38EC000, row_base=17,
                west0=0x7FED0000, cell=23)


def lowered(v):
    return s32(v - 1) if v <= 0 else v


def expected_grid(shape, boxes):
    """The grid cells and record numbers the format's rule gives for bounding boxes
    (west, south, east, north)."""
    cells = b""
    numbers = []
    for k in range(shape["rows"] * shape["cols"]):
        r, c = divmod(k, shape["cols"])
        south = s32((r - shape["row_base"]) * shape["height"])
        north = s32(south + shape["height"])
        cell_west = s32(shape["west0"] + c * shape["width"] * shape["boxes"])
        out = bytearray(shape["cell"])
        lon = cell_west & 0xFFFFFFFF
        lat = south & 0xFFFFFFFF
        struct.pack_into("<HH", out, 0, lon >> 16, (lat >> 15) & 0xFFFF)
        out[4] = (lon >> 14) & 3 | ((lat >> 14) & 1) << 2
        used = False
        for b in range(shape["boxes"]):
            west = s32(cell_west + b * shape["width"])
            east = s32(west + shape["width"])
            members = [i for i, (w, s, e, n) in enumerate(boxes)
                       if s32(lowered(w) - east) < 0 and s32(lowered(e) - west) >= 0
                       and lowered(s) < north and lowered(n) >= south][:255]
            index = len(numbers) if members else 0xFFFF
            numbers += members
            struct.pack_into("<BH", out, 5 + 3 * b, len(members), index)
            used = used or bool(members)
        if used:
            cells += bytes(out)
    return cells, numbers


# ---- SUA.DAT -----------------------------------------------------------------------------

def vertex_chain(m, start, height_header):
    """The records of one area's vertex list from `start`: (kind, bytes) until the record with
    bit 0 of its first byte clear."""
    chain = []
    at = start
    while True:
        need(at < len(m), "vertex list runs past table m at %x" % at)
        b0 = m[at]
        if height_header and not chain:
            kind, n = "heights", 3
        elif b0 & 2 and at + 1 < len(m) and m[at + 1] & 1 and b0 & ~1 == 2:
            sub = m[at + 1]
            need(sub in (1, 3, 5, 7, 9), "unknown marker %02x at %x" % (sub, at))
            kind, n = {1: ("arc points", 2), 3: ("end of", 2), 5: ("arc", 8), 7: ("arc>180", 8),
                       9: ("circle", 7)}[sub]
        elif b0 & 2:
            kind, n = "short", 2
        else:
            kind, n = "long", 3
        chain.append((kind, bytes(m[at:at + n])))
        at += n
        last = not (b0 & 1) if kind != "heights" else False
        if last:
            return chain, at


def step_of(kind, rec):
    """Latitude and longitude steps in units of 2^14."""
    def signed(v, bits):
        return v - (1 << bits) if v & (1 << (bits - 1)) else v
    if kind == "short":
        lon = (rec[0] >> 2) | (rec[1] & 1) << 6
        lat = rec[1] >> 1
        return signed(lat, 7), signed(lon, 7)
    lon = (rec[0] >> 2) | (rec[1] & 0x1F) << 6
    lat = (rec[1] >> 5) | rec[2] << 3
    return signed(lat, 11), signed(lon, 11)


def check_sua(data, wide):
    v, body = header(data, "SUA_02|" if wide else None, 11)
    c0, o0, c1, o1, c2, o2, c3, o3, s, e, length = v
    ra, rb = (25, 23) if wide else (24, 22)
    offset_bits = 23 if wide else 21
    need(s == 0 and o2 == e, "table m must start the body and end at table a")
    need(o3 == o2 + c2 * ra and o1 == o3 + c3 * rb and o0 == o1 + 2 * c1, "tables do not follow one another")
    need(length == o0 + 20 * c0 == len(body), "body length %x, header says %x" % (len(body), length))
    m = body[:e]
    areas = []
    next_start = 0
    for i in range(c2 + c3):
        size, base = (ra, o2 + i * ra) if i < c2 else (rb, o3 + (i - c2) * rb)
        rec = body[base:base + size]
        word = u24(rec, 14)
        start = word & ((1 << offset_bits) - 1)
        heights = bool(word & 0x800000)
        need(start == next_start, "area %d: vertex list at %x, previous list ended at %x" % (i, start, next_start))
        chain, next_start = vertex_chain(m, start, heights)
        south, west = corner(rec, 0, 2, 5, 2)
        north, east = corner(rec, 6, 8, 11, 2)
        # Walk the positions from vertex 0 and come back to it.
        lat = south >> 14
        lon = (west >> 14) + u16(rec, 12)
        first = (lat, lon)
        for kind, r in chain:
            if kind in ("short", "long"):
                dlat, dlon = step_of(kind, r)
                lat += dlat
                lon += dlon
        need(((lat - first[0]) & 0x3FFFF, (lon - first[1]) & 0x3FFFF) == (0, 0), "area %d does not close" % i)
        priority = (rec[17] >> 6) if wide else (word >> 21) & 3
        areas.append(dict(record=bytes(rec), kind="a" if i < c2 else "b", chain=chain, type=rec[17] & 15,
                          priority=priority, box=(west, south, east, north)))
    need(next_start == e, "vertex lists end at %x, table m at %x" % (next_start, e))
    cells, numbers = expected_grid(SUA_GRID, [a["box"] for a in areas])
    need(body[o0:] == cells, "grid cells differ from the rule")
    need([u16(body, o1 + 2 * i) for i in range(c1)] == numbers, "grid record numbers differ from the rule")
    return dict(areas=areas, cells=c0, numbers=c1)


# ---- TCC.DAT -----------------------------------------------------------------------------

def check_tcc(data, wide):
    v, body = header(data, "TCC_02|" if wide else None, 8)
    length, oa, oz, oy, om, ob, orr, og = v
    rf, rt = (10, 19) if wide else (9, 18)
    need(0 <= oa <= oz <= oy <= om <= ob <= orr <= og <= length == len(body), "tables out of order")
    need((oz - oa) % rf == 0 and (orr - ob) % rt == 0 and (om - oy) % 6 == 0 and (og - orr) % 2 == 0
         and (length - og) % 23 == 0 and oa % 2 == 0 and (oy - oz) % 2 == 0, "tables not of whole records")
    x = body[:oa]
    z = body[oz:oy]
    fss = []
    for i in range((oz - oa) // rf):
        rec = body[oa + i * rf:oa + (i + 1) * rf]
        at = u16(rec, 4)
        words = []
        while True:
            need(at + 2 <= len(x), "FSS %d: frequency list runs past table x" % i)
            w = u16(x, at)
            words.append(w)
            at += 2
            if not w & 0x8000:
                break
        fss.append(dict(record=bytes(rec), frequencies=words))
    vertexes = [body[oy + 6 * i:oy + 6 * i + 6] for i in range((om - oy) // 6)]
    tccs = []
    count = (orr - ob) // rt
    next_vertex = 0
    next_bytes = 0
    for i in range(count):
        rec = body[ob + i * rt:ob + (i + 1) * rt]
        first = u16(rec, 12) & 0x1FFF
        need(first == next_vertex, "TCC %d: first vertex %d, expected %d" % (i, first, next_vertex))
        lists = []
        k = first
        while k < len(vertexes):
            word = u16(vertexes[k], 4)
            lists.append(word & 0x7FFF)
            k += 1
            if not word & 0x8000:
                break
        next_vertex = k
        bytes_at = u24(rec, 14) & 0xFFFF
        need(bytes_at == next_bytes or bytes_at <= om - oy + len(body), "byte list offset")
        next_bytes = bytes_at
        south, west = corner(rec, 0, 2, 17, 0)
        north, east = corner(rec, 4, 6, 17, 3)
        tccs.append(dict(record=bytes(rec), vertex_lists=lists, box=(west, south, east, north)))
    need(next_vertex == len(vertexes), "vertexes left over after the last TCC")
    # Every vertex's frequency list ends with a word whose bit 15 is clear.
    starts = sorted({u16(vx, 4) & 0x7FFF for vx in vertexes})
    for s in starts:
        at = 2 * s
        while at < len(z) and u16(z, at) & 0x8000:
            at += 2
        need(at <= len(z), "frequency list at %d runs past table z" % s)
    cells, numbers = expected_grid(TCC_GRID, [t["box"] for t in tccs])
    need(body[og:] == cells, "grid cells differ from the rule")
    need([u16(body, orr + 2 * i) for i in range((og - orr) // 2)] == numbers, "grid record numbers differ")
    return dict(fss=fss, tccs=tccs)
