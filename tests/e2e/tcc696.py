"""A small FSS/TCC section file (TCC+.DAT) of the 696 family made by hand from the record
layouts: two FSS records with their frequency items (one of three bytes, the '5' and '*' marks)
and two TCC records with their sector chains, frequency words (an 'r' word and a three-byte
one) and byte lists; the second TCC lies across the date line."""
import struct

import airspace696
import sections696

NO_NAME = 0xFFFFFF
BASE = 10800


def frequency(mhz, more, five=False, star=False, third=None):
    """An FSS item: 12-bit code, bit 15 more, bit 14 a third byte, bit 13 '5', bit 12 '*'."""
    word = (int(round(mhz * 100)) - BASE) | more << 15 | (third is not None) << 14 | five << 13 | star << 12
    return struct.pack("<H", word) + (bytes([third]) if third is not None else b"")


def tcc_word(mhz, more, mark=0, third=None):
    """A TCC frequency entry: 13-bit code, bits 13-14 the mark, bit 15 more; a third byte when
    bit 14 is set."""
    word = (int(round(mhz * 100)) - BASE) | mark << 13 | more << 15
    return struct.pack("<H", word) + (bytes([third or 0]) if word & 0x4000 else b"")


def coarse(lat, lon):
    return struct.pack("<HH", airspace696.u32(airspace696.angle(lon)) >> 16,
                       airspace696.u32(airspace696.angle(lat)) >> 15 & 0xFFFF)


def sector(lat, lon, first, more):
    return coarse(lat, lon) + struct.pack("<H", first | more << 15)


def fss_record(lat, lon, offset, name):
    return coarse(lat, lon) + struct.pack("<H", offset) + name.to_bytes(3, "little")


def tcc_record(south_west, north_east, code, name, first_sector, byte_list):
    rec = bytearray(coarse(*south_west) + coarse(*north_east))
    rec += struct.pack("<HHH", code, name & 0xFFFF, first_sector) + byte_list.to_bytes(3, "little")
    rec += bytes([0, name >> 16 & 0xFF])
    return bytes(rec)


FSS_ITEMS = [frequency(122.20, 1), frequency(122.35, 1, five=True), frequency(123.60, 0, star=True, third=0x41),
             frequency(121.50, 0)]
TCC_WORDS = [tcc_word(125.10, 1), tcc_word(128.30, 1, mark=1), tcc_word(133.75, 0), tcc_word(119.80, 0, mark=2, third=7),
             tcc_word(126.50, 0)]


def tcc_file(names=(NO_NAME, NO_NAME)):
    """TCC+.DAT: FSS "names[0]" near Seattle with three frequencies and an unnamed one over the
    date line; TCC "names[1]" over Washington with two sectors and an unnamed one across the date
    line with one."""
    fss_items = b"".join(FSS_ITEMS)
    fss = fss_record(47.45, -122.30, 0, names[0]) + fss_record(46.20, 179.95, len(fss_items) - 2, NO_NAME)
    words = b"".join(TCC_WORDS)
    sectors = sector(47.50, -122.30, 0, 1) + sector(46.50, -120.00, 3, 0) + sector(46.50, 179.50, 4, 0)
    lists = sections696.pattern(34, 30) + bytes([1, 2, 3, 4])
    tccs = tcc_record((45.0, -125.0), (49.0, -117.0), 0x1234, names[1], 0, 0) + \
        tcc_record((46.0, 179.0), (47.0, -179.0), 0x00AB, NO_NAME, 2, 30)
    block, pos = sections696.block, sections696.pos
    return block("TCC+", pos(30), len(fss_items), 1, fss_items) + block("TCC+", pos(29), 2, 9, fss) + \
        block("TCC+", pos(36), len(words), 1, words) + block("TCC+", pos(35), 3, 6, sectors) + \
        block("TCC+", pos(34), len(lists), 1, lists) + sections696.plain("TCC+", 32, 8) + \
        sections696.plain("TCC+", 31, 10) + block("TCC+", pos(33), 2, 19, tccs) + sections696.end_block("TCC+")
