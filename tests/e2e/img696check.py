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
