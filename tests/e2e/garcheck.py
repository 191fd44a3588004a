"""An independent reader and writer of GAR files of user waypoints and routes, written from the
file layout: packets of one id byte, one size byte and that many data bytes (little-endian
numbers); product data (255), record count (27), records, transfer complete (12).  Waypoint
records take the layout of the unit's waypoint format: formats 1-5 a fixed layout, 6-9 a fixed
part followed by six NUL-terminated texts."""
import struct

PRODUCT, COUNT, END = 255, 27, 12
WAYPOINT, ROUTE_HEADER, ROUTE_WAYPOINT, ROUTE_LINK = 35, 29, 30, 98
NO_ALTITUDE = 1.0e25

FORMAT_OF_PRODUCT = {}
for _fmt, _ids in ((1, (31, 41, 77, 87, 96)), (2, (22, 36, 39, 45)), (3, (48,)), (4, (71,)), (5, (53, 112)),
                   (6, (128,)), (7, (145, 260)), (8, (364, 365)), (9, (402, 406, 595, 745, 887))):
    for _id in _ids:
        FORMAT_OF_PRODUCT[_id] = _fmt
OLD_LENGTH = {1: 58, 2: 124, 3: 125, 4: 127, 5: 127}
TEXT_START = {6: 48, 7: 52, 8: 52, 9: 62}
ATTRIBUTE = {6: 0x60, 7: 0x70, 8: 0x70, 9: 0x80}


class GarError(Exception):
    pass


def packets(data):
    """The packets of a file as (id, data bytes); a cut packet is an error."""
    out, at = [], 0
    while at < len(data):
        if at + 2 > len(data) or at + 2 + data[at + 1] > len(data):
            raise GarError("packet cut at byte %d" % at)
        out.append((data[at], data[at + 2:at + 2 + data[at + 1]]))
        at += 2 + data[at + 1]
    return out


def read_file(data):
    """(product id, format, count as stored at bytes 8-9, records, end command); checks the frame."""
    p = packets(data)
    if len(p) < 3 or p[0][0] != PRODUCT or len(p[0][1]) != 4 or p[1][0] != COUNT or len(p[1][1]) != 2:
        raise GarError("no product data and record count at the start")
    if p[-1][0] != END or len(p[-1][1]) != 2:
        raise GarError("no transfer complete at the end")
    product = struct.unpack_from("<h", p[0][1])[0]
    count = struct.unpack_from("<h", data, 8)[0]
    records = p[2:-1]
    if count != len(records):
        raise GarError("count %d for %d records" % (count, len(records)))
    return product, FORMAT_OF_PRODUCT.get(product, 0), count, records, p[-1][1][0]


def _text(b):
    return b.split(b"\0", 1)[0].decode("cp1252")


def waypoint(fmt, d):
    """The fields of a waypoint record."""
    w = {}
    if fmt <= 5:
        if len(d) != OLD_LENGTH[fmt]:
            raise GarError("format %d record of %d bytes" % (fmt, len(d)))
        w["ident"] = d[0:6].decode("cp1252")
        w["lat"], w["lon"], w["time"] = struct.unpack_from("<iiI", d, 6)
        w["comment_bytes"] = d[18:58]
        w["comment"] = _text(d[18:58])
        if fmt >= 2:
            w["name"] = d[62:92].decode("cp1252").rstrip(" ")
            w["city"] = d[92:116].decode("cp1252").rstrip(" ")
            w["state"] = d[116:118].decode("cp1252")
            w["altitude"] = struct.unpack_from("<h", d, 118)[0]
            w["country"] = d[120:122].decode("cp1252")
            w["type"] = d[123]
        if fmt >= 4:
            w["symbol"] = d[124] << 16 | d[125] << 8 | d[126]
        return w
    start = TEXT_START[fmt]
    if d[3] != ATTRIBUTE[fmt] or d[6:12] != b"\0" * 6 or d[12:24] != b"\xff" * 12:
        raise GarError("fixed bytes of the new layout")
    w["class"] = d[0] if fmt == 6 else d[1]
    w["symbol"] = d[4] << 16 | d[5] << 8 | d[2]
    w["lat"], w["lon"] = struct.unpack_from("<ii", d, 24)
    w["altitude"] = struct.unpack_from("<f", d, 32)[0]
    w["state"] = d[44:46].decode("cp1252")
    w["country"] = d[46:48].decode("cp1252")
    w["time"] = struct.unpack_from("<I", d, 56)[0] if fmt == 9 else 0
    texts = d[start:].split(b"\0")
    if len(texts) != 7 or texts[6] != b"":
        raise GarError("not six texts to the record's end")
    for key, t in zip(("ident", "comment", "name", "city", "address", "crossroad"), texts):
        w[key] = t.decode("cp1252")
    return w


def route_header(fmt, d):
    """(route number or None, title) of a route header."""
    if fmt == 2:
        return d[0], ""
    if len(d) != 21 or d[20] != 0:
        raise GarError("route header of %d bytes" % len(d))
    if fmt <= 5:
        return d[0], _text(d[1:20]).rstrip(" _")
    return None, _text(d[0:20]).rstrip(" ")


LINK = struct.pack("<H", 3) + b"\0" * 6 + b"\xff" * 12 + b"\0"


# Writers of the records a unit sends.
def semicircles(degrees):
    return int(round(degrees * 2 ** 31 / 180.0))


def packet(pid, data):
    return bytes([pid, len(data)]) + bytes(data)


def gar_file(product, records, command):
    out = packet(PRODUCT, struct.pack("<hh", product, 0)) + packet(COUNT, struct.pack("<h", len(records)))
    for pid, data in records:
        out += packet(pid, data)
    return out + packet(END, bytes([command, 0]))


def new_waypoint(fmt, ident, lat, lon, comment="", name="", city="", state="  ", country="  ", cls=0,
                 symbol=0x120003, altitude=NO_ALTITUDE, time=0):
    start = TEXT_START[fmt]
    d = bytearray(start)
    if fmt >= 7:
        d[0] = 1
    d[0 if fmt == 6 else 1] = cls
    d[2], d[3], d[4], d[5] = symbol & 0xFF, ATTRIBUTE[fmt], symbol >> 16 & 0xFF, symbol >> 8 & 0xFF
    d[12:24] = b"\xff" * 12
    struct.pack_into("<iifff", d, 24, semicircles(lat), semicircles(lon), altitude, NO_ALTITUDE, NO_ALTITUDE)
    d[44:46] = state.encode("cp1252")
    d[46:48] = country.encode("cp1252")
    if fmt >= 7:
        d[48:52] = b"\xff" * 4
    if fmt == 9:
        struct.pack_into("<fIH", d, 52, NO_ALTITUDE, time, 0)
    for t in (ident, comment, name, city, "", ""):
        d += t.encode("cp1252") + b"\0"
    return bytes(d)


def old_route_waypoint(fmt, ident, lat, lon, comment="", cls=4, symbol=0x120003, time=0):
    d = bytearray(OLD_LENGTH[fmt])
    d[0:6] = ident.encode("cp1252").ljust(6)[:6]
    struct.pack_into("<iiI", d, 6, semicircles(lat), semicircles(lon), time)
    d[18:58] = comment.encode("cp1252").ljust(40, b" ")[:40]
    if fmt >= 2:
        d[62:118] = b" " * 56
        struct.pack_into("<h", d, 118, 32767)
        d[120:122] = b"  "
        d[123] = cls
    if fmt >= 4:
        d[124], d[125], d[126] = symbol >> 16 & 0xFF, symbol >> 8 & 0xFF, symbol & 0xFF
    return bytes(d)
