"""Section files of the 696 family made by hand: the seven files of a database folder, as
Create ISAM would keep them from an image, with small blocks of every kind (plain bytes,
records of sections 1, 29, 33, 39 and 40 with their name numbers "none", airspace positions
relative to the shape block, and airport references "none")."""
import os
import struct

NO_NAME = b"\xff\xff\xff"


def block(name, position, count, size, data):
    return ("%s_03|%x|%d|%d|%x<" % (name, position, count, size, len(data))).encode("ascii") + data


def end_block(name):
    return ("%s_03|0|0|0|0<" % name).encode("ascii")


def pos(section):
    return 512 + 8 * section


def pattern(seed, length):
    return bytes((seed * 31 + i * 7) & 0xFF for i in range(length))


def plain(name, section, length, seed=None):
    return block(name, pos(section), length, 1, pattern(section if seed is None else seed, length))


def header_bytes(cycle=2512, title=b"SECTION FIXTURE"):
    h = bytearray(pattern(200, 512))
    h[129:131] = struct.pack("<H", cycle)
    h[131:143] = bytes([3, 15]) + struct.pack("<H", 2024) + bytes([4, 12]) + struct.pack("<H", 2024) + \
        bytes([3, 14]) + struct.pack("<H", 2024)
    h[150] = 17
    h[159:248] = b"\0" * 89
    h[159:159 + len(title)] = title
    h[248:252] = b"\0\0\0\0"
    return bytes(h) + struct.pack("<IB", 512, 8) + (104).to_bytes(3, "little")


def static_section(picslen=14, rwdeflen=9, values_set=None):
    """Section 1: value 1 the runway fixed part, 3 the picture length; `values_set` gives others
    ({19: approach fixed part, 27: group extra bytes})."""
    values = [i * 3 + 1 for i in range(30)]
    values[1] = rwdeflen
    values[3] = picslen
    for n, v in (values_set or {}).items():
        values[n] = v
    return block("STA+", pos(1), len(values), 2, b"".join(struct.pack("<H", v) for v in values))


def number(n):
    return NO_NAME if n is None else n.to_bytes(3, "little")


def fss_records(count=2, name=None):
    out = b""
    for i in range(count):
        rec = bytearray(pattern(29 + i, 12))
        rec[6:9] = number(name if i == 0 else None)
        out += rec
    return block("TCC+", pos(29), count, 12, bytes(out))


def tcc_records(count=3, name=None):
    out = b""
    for i in range(count):
        rec = bytearray(pattern(33 + i, 20))
        n = number(name if i == 0 else None)
        rec[10:12] = n[:2]
        rec[18] = n[2]
        rec[14:17] = (i * 4).to_bytes(3, "little")   # position in section 34
        out += rec
    return block("TCC+", pos(33), count, 20, bytes(out))


def sua_records(section, size, count=2, names=(None, None)):
    out = b""
    for i in range(count):
        rec = bytearray(pattern(section + i, size))
        rec[5] |= 0x1C        # the name pointers' start bits: "no name"
        rec[12] |= 0x1C
        rec[17:20] = (3 + 6 * i).to_bytes(3, "little")   # position in the shape block
        rec[21:24] = number(names[0] if i == 0 else None)
        rec[24:27] = number(names[1] if i == 0 else None)
        if section == 39:
            rec[27:30] = (0x3FFFF | (rec[29] & 0xFC) << 16).to_bytes(3, "little")
        out += rec
    return block("SUA+", pos(section), count, size, bytes(out))


def shape_block(length=40):
    # The shape section's block holds 3 bytes before its directory start.
    return block("SUA+", pos(41), length - 3, 1, pattern(41, length))


ODDS = [43, 42, 63, 56, 57, 58, 59, 71, 65, 72, 50, 83, 53, 49, 48, 51, 52, 68, 60, 61, 55, 54, 80, 81, 82]


def section_files(picslen=14, scale=1, names=None, statics=None):
    """The seven files by name. `scale` multiplies the plain blocks' lengths; `names` gives the
    name numbers of the first FSS, TCC and airspace records ({"fss": n, "tcc": n, "sua": (n, n)});
    every other name is "none"; `statics` sets values of section 1 (static_section)."""
    names = names or {}
    n = lambda k: k * scale
    return {
        "HDR+.DAT": block("HDR+", 0, 0, 0, header_bytes()) + end_block("HDR+"),
        "STA+.DAT": static_section(picslen, values_set=statics) + b"".join(plain("STA+", s, n(20 + s % 13)) for s in (75, 100, 44, 76, 28))
        + end_block("STA+"),
        "NAM2+.DAT": plain("NAM2+", 87, n(64)) + end_block("NAM2+"),
        "TCC+.DAT": plain("TCC+", 30, n(16)) + fss_records(name=names.get("fss")) + plain("TCC+", 36, n(24)) + plain("TCC+", 35, n(12))
        + plain("TCC+", 34, n(32)) + plain("TCC+", 32, n(8)) + plain("TCC+", 31, n(10)) + tcc_records(name=names.get("tcc"))
        + end_block("TCC+"),
        "SUA+.DAT": shape_block(n(40)) + plain("SUA+", 38, n(18)) + plain("SUA+", 37, n(14))
        + sua_records(39, 30, names=names.get("sua", (None, None))) + sua_records(40, 27) + plain("SUA+", 69, n(9)) + end_block("SUA+"),
        "ODDS+.DAT": b"".join(plain("ODDS+", s, n(5 + s % 17)) for s in ODDS) + end_block("ODDS+"),
        "TRL+.DAT": plain("TRL+", 66, n(48)) + end_block("TRL+"),
    }


def write_section_files(folder, **kw):
    os.makedirs(folder, exist_ok=True)
    files = section_files(**kw)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    return files
