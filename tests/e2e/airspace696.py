"""A small airspace section file (SUA+.DAT) of the 696 family made by hand from the record and
shape layouts: two first-group airspaces (a square of long steps with an airport reference, and
a circle) and one second-group MOA (an arc between its marks and short steps), each with real
bounding boxes, so that listings and their filters can be checked against known values."""
import struct

import sections696

UNITS = 2 ** 32 / 360.0
NO_NAME = 0xFFFFFF
NO_AIRPORT = 0x3FFFF


def angle(degrees):
    """Degrees as angle units held to a multiple of 1024."""
    return int(round(degrees * UNITS / 1024)) * 1024


def u32(v):
    return v & 0xFFFFFFFF


def short_vertex(dlat, dlon):
    v = 3 | (dlon // 1024 & 0x7FF) << 2 | (dlat // 1024 & 0x7FF) << 13
    return v.to_bytes(3, "little")


def long_vertex(dlat, dlon):
    v = 1 | (dlon // 1024 & 0x7FFF) << 2 | (dlat // 1024 & 0x7FFF) << 17
    return v.to_bytes(4, "little")


def centre(dlat, dlon):
    lon, lat = dlon // 1024 & 0x3FFFF, dlat // 1024 & 0x3FFFF
    return bytes([lon & 0xFF, lon >> 8 & 0xFF]) + ((lat << 2) | (lon >> 16)).to_bytes(3, "little")


ARC_POINTS = bytes([3, 0x1F, 0])
END_OF_ARC = bytes([3, 0x3F, 0])


def arc(dlat, dlon, radius_nm, points, clockwise, over180=False):
    radius = int(round(radius_nm * 96920 / 500))
    return bytes([3, 0x7F if over180 else 0x5F, 0]) + centre(dlat, dlon) + struct.pack("<H", radius) + \
        bytes([points + (64 if clockwise else 0)])


def circle(dlat, dlon, radius_nm):
    radius = int(round(radius_nm * 96920 / 1000))
    return bytes([3, 0x9F, 0]) + centre(dlat, dlon) + struct.pack("<H", radius)


def box_bytes(south, west, north, east, floor, ceiling):
    s, w, n, e = u32(south), u32(west), u32(north), u32(east)
    out = bytearray(14)
    out[0:2] = struct.pack("<H", w >> 16)
    out[2:4] = struct.pack("<H", s >> 15 & 0xFFFF)
    out[4:6] = struct.pack("<H", floor // 100 | (w >> 10 & 7) << 13)
    out[6] = (w >> 13 & 7) | (s >> 10 & 0x1F) << 3
    out[7:9] = struct.pack("<H", e >> 16)
    out[9:11] = struct.pack("<H", n >> 15 & 0xFFFF)
    out[11:13] = struct.pack("<H", ceiling // 100 | (e >> 10 & 7) << 13)
    out[13] = (e >> 13 & 7) | (n >> 10 & 0x1F) << 3
    return bytes(out)


class Area:
    def __init__(self, group, kind, priority, floor, ceiling, start, entries, vertices, name=NO_NAME,
                 controller=NO_NAME, airport=NO_AIRPORT):
        self.group, self.kind, self.priority = group, kind, priority
        self.floor, self.ceiling = floor, ceiling
        self.start, self.entries, self.vertices = start, entries, vertices
        self.name, self.controller, self.airport = name, controller, airport

    def record(self, shape_position):
        lats = [lat for lat, _ in self.vertices]
        lons = [lon for _, lon in self.vertices]
        south, west, north, east = min(lats), min(lons), max(lats), max(lons)
        rec = bytearray(box_bytes(south, west, north, east, self.floor, self.ceiling))
        offset = u32(self.start[1] - west)
        rec += struct.pack("<H", offset >> 16) + bytes([offset >> 10 & 0x3F])
        rec += shape_position.to_bytes(3, "little")
        rec.append(self.kind | self.priority << 5)
        rec += self.controller.to_bytes(3, "little") + self.name.to_bytes(3, "little")
        if self.group == "a":
            rec += self.airport.to_bytes(3, "little")
        return bytes(rec)


def square(lat, lon, size):
    d = angle(size)
    steps = [(d, 0), (0, d), (-d, 0), (0, -d)]
    entries = b"".join(long_vertex(a, b) for a, b in steps)
    vertices = [(lat, lon), (lat + d, lon), (lat + d, lon + d), (lat, lon + d), (lat, lon)]
    return entries, vertices


def areas(names=(NO_NAME, NO_NAME, NO_NAME)):
    """The three airspaces: (a) a square near Seattle, (a) a circle over the date line's west,
    (b) a MOA with an arc."""
    sq_start = (angle(47.0), angle(-122.5))
    sq_entries, sq_vertices = square(sq_start[0], sq_start[1], 0.25)
    c_start = (angle(46.0), angle(179.9))
    c_entries = circle(angle(0.05), 0, 3.0) + short_vertex(0, 0)
    m_start = (angle(45.5), angle(-121.0))
    d = angle(0.004)
    m_entries = short_vertex(d, 0) + ARC_POINTS + arc(0, d, 0.5, 8, True) + END_OF_ARC + \
        short_vertex(0, d) + short_vertex(-d, 0) + short_vertex(0, -d)
    m_vertices = [m_start, (m_start[0] + d, m_start[1]), (m_start[0] + d, m_start[1] + d), (m_start[0], m_start[1] + d),
                  m_start]
    return [
        Area("a", 0, 1, 0, 7000, sq_start, sq_entries, sq_vertices, name=names[0], controller=names[1], airport=0),
        Area("a", 8, 2, 1000, 4000, c_start, c_entries, [c_start]),
        Area("b", 3, 2, 500, 18000, m_start, m_entries, m_vertices, name=names[2]),
    ]


def sua_file(names=(NO_NAME, NO_NAME, NO_NAME)):
    """SUA+.DAT with the three airspaces and an empty grid."""
    shape = b"\0\0\0"
    recs = {"a": b"", "b": b""}
    counts = {"a": 0, "b": 0}
    vertex_lines = 0
    for area, entries in zip(areas(names), (4, 2, 7)):
        recs[area.group] += area.record(len(shape))
        counts[area.group] += 1
        shape += area.entries
        vertex_lines += entries
    block = sections696.block
    pos = sections696.pos
    return block("SUA+", pos(41), vertex_lines, 1, shape) + block("SUA+", pos(38), 0, 3, b"") + \
        block("SUA+", pos(37), 0, 26, b"") + block("SUA+", pos(39), counts["a"], 30, recs["a"]) + \
        block("SUA+", pos(40), counts["b"], 27, recs["b"]) + sections696.plain("SUA+", 69, 9) + \
        sections696.end_block("SUA+")
