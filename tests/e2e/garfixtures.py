"""GAR files of unit link records, written from the file layout: records of one id byte, one
size byte and that many data bytes; product data (255), record count (27), the data records,
end (12).  Used by the transfer program's scenarios."""
import struct

PRODUCT, COUNT, END = 255, 27, 12
PROXIMITY, ROUTE_HEADER, ROUTE_WAYPOINT, ALMANAC = 19, 29, 30, 31
TRACK_POINT, USER_WAYPOINT, SCREEN, ROUTE_LINK, TRACK_HEADER = 34, 35, 69, 98, 99

NO_ALTITUDE = 1.0e25


def semicircles(degrees):
    return int(round(degrees * 2 ** 31 / 180.0))


def record(rid, data):
    if len(data) > 255:
        raise ValueError("a record holds at most 255 bytes")
    return bytes([rid, len(data)]) + bytes(data)


def gar(product_id, records, count=None, end=True):
    """A whole file: product data, record count (the data records unless given), records, end."""
    out = record(PRODUCT, struct.pack("<hh", product_id, 300))
    data = [r for r in records if r[0] not in (ROUTE_LINK,)]
    out += record(COUNT, struct.pack("<h", len(data) if count is None else count))
    for r in records:
        out += record(*r)
    if end:
        out += record(END, b"\x07\x00")
    return out


def older_waypoint(ident, lat, lon, cls=None, text="", comment="", city="", altitude_m=None,
                   country="", symbol=None, display=0, time=None, distance_m=None, size=127):
    """The fixed layout of units below product id 128."""
    d = bytearray(b" " * 6) + bytearray(size - 6)
    d[0:6] = ident.encode("cp1252").ljust(6)[:6]
    d[6:10] = struct.pack("<i", semicircles(lat))
    d[10:14] = struct.pack("<i", semicircles(lon))
    if time is not None:
        d[14:18] = struct.pack("<i", time)
    if comment:
        d[18:38] = comment.encode("cp1252").ljust(20, b"\0")[:20]
    if distance_m is not None:
        d[58:62] = struct.pack("<f", distance_m)
    if text:
        d[62:92] = text.encode("cp1252").ljust(30, b"\0")[:30]
    if city:
        d[92:118] = city.encode("cp1252").ljust(26, b"\0")[:26]
    if size >= 120 and altitude_m is not None:
        d[118:120] = struct.pack("<H", altitude_m)
    if size >= 123:
        d[120:123] = country.encode("cp1252").ljust(3, b"\0")[:3]
    if size >= 124 and cls is not None:
        d[123] = cls
    if size >= 126 and symbol is not None:
        d[124:126] = struct.pack("<H", symbol)
    if size >= 127:
        d[126] = display
    return bytes(d[:size])


def newer_waypoint(ident, lat, lon, class_byte=0, layout=0x70, comment="", facility="", city="",
                   state="", country="", altitude_m=NO_ALTITUDE, symbol=18, display=1, time=None,
                   distance_m=None):
    """The variable layout of units from product id 128: D3 chooses where the class and the
    strings are."""
    start = {0x60: 48, 0x70: 52}.get(layout, 62)
    d = bytearray(max(start, 60))
    d[0 if layout == 0x60 else 1] = class_byte
    d[2] = display
    d[3] = layout
    d[4:6] = struct.pack("<H", symbol)
    d[24:28] = struct.pack("<i", semicircles(lat))
    d[28:32] = struct.pack("<i", semicircles(lon))
    d[32:36] = struct.pack("<f", altitude_m)
    if distance_m is not None:
        d[40:44] = struct.pack("<f", distance_m)
    d[44:46] = state.encode("cp1252").ljust(2, b"\0")[:2]
    d[46:48] = country.encode("cp1252").ljust(2, b"\0")[:2]
    if time is not None and layout == 0x80:
        d[56:60] = struct.pack("<i", time)
    d = d[:start]
    for s in (ident, comment, facility, city):
        d += s.encode("cp1252") + b"\0"
    return bytes(d)


def older_track_point(lat, lon, time, start=False):
    return struct.pack("<iiiB", semicircles(lat), semicircles(lon), time, 1 if start else 0) + b"\0"


def newer_track_point(lat, lon, time, altitude_m, start=False):
    return (struct.pack("<iiif", semicircles(lat), semicircles(lon), time, altitude_m) +
            struct.pack("<f", NO_ALTITUDE) + bytes([1 if start else 0, 0, 0, 0]))


def track_header(name):
    return b"\x01\x00" + name.encode("cp1252") + b"\0"


def screen_dump(product_id, bits, width, height, pixel_rows):
    """A screen dump: a header record (row length, depth, width, height) and one record of a
    6-byte row header and the row's bytes per row; product 128 carries each row in two
    records behind 8-byte row headers."""
    pairs = product_id == 128
    row_length = len(pixel_rows[0])
    h = bytearray(20)
    struct.pack_into("<H", h, 8 if pairs else 10, row_length)
    h[12] = bits
    if pairs:
        struct.pack_into("<I", h, 14, width)
        struct.pack_into("<H", h, 18, height)
    else:
        struct.pack_into("<H", h, 14, width)
        struct.pack_into("<H", h, 16, height)
    records = [(SCREEN, bytes(h))]
    for row in pixel_rows:
        if pairs:
            half = len(row) // 2
            records.append((SCREEN, bytes(8) + bytes(row[:half])))
            records.append((SCREEN, bytes(8) + bytes(row[half:])))
        else:
            records.append((SCREEN, bytes(6) + bytes(row)))
    return gar(product_id, records, count=len(pixel_rows) + 1)
