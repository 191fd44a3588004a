"""Fixtures of the serial transfer scenarios: database images with their sumcheck bytes and
packet counts, written from the image layouts, and the unit maker's loader container."""
import os
import struct

BLOCK = 128


def pack_part_number(text):
    """The 12-character part number packed 6 bits a character from the most significant bit
    on, the 9 bytes reversed."""
    bits = "".join(format(ord(c) - 32, "06b") for c in text)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, 72, 8))[::-1]


def sumcheck_bytes(image, field, first_slot, section_blocks):
    """Each section's two's-complement byte sum (the field itself left out), up to and with the
    first section without data; with first_slot 1, slot 0 counts the sections with data."""
    section = section_blocks * BLOCK
    slots = [0] * 32
    slot = first_slot
    start = 0
    while True:
        short = len(image) < start + BLOCK
        total = 0
        data = False
        if not short:
            part = image[max(start, field):min(len(image), start + section)]
            total = sum(part)
            data = any(b != 0xFF for b in part)
        slots[slot] = -total & 0xFF
        slot += 1
        if short or not data:
            break
        start += section
    if first_slot == 1:
        slots[0] = (slot - 2) & 0xFF
    return bytes(slots[:field])


# Image kinds: part number place, sumcheck field, first slot, section blocks, packet count place.
OLDER = dict(part_at=26, part="006-D1234-00", field=9, first_slot=1, section_blocks=2048, count_at=None)
NEWER = dict(part_at=33, part="006-D0456-00", field=16, first_slot=0, section_blocks=1024, count_at=57)


def image(kind, size, blank_blocks=range(0)):
    """An image of `size` bytes (a multiple of 256, so that the unit's erased bytes after it
    leave the sumchecks as they are) with some blank blocks, its part number, packet count and
    sumcheck bytes in place."""
    data = bytearray((i * 7 + i // 1000 + 1) % 251 for i in range(size))
    data[:64] = b"\xff" * 64
    for b in blank_blocks:
        data[b * BLOCK:(b + 1) * BLOCK] = b"\xff" * BLOCK
    data[-6:] = b"\xff" * 6  # units below product id 48 take the last six bytes blank
    data[kind["part_at"]:kind["part_at"] + 9] = pack_part_number(kind["part"])
    if kind["count_at"] is not None:
        count = sum(1 for b in range(0, size, BLOCK) if any(x != 0xFF for x in data[b:b + BLOCK]))
        data[kind["count_at"]:kind["count_at"] + 2] = struct.pack("<H", count)
    data[:kind["field"]] = sumcheck_bytes(bytes(data), kind["field"], kind["first_slot"], kind["section_blocks"])
    return bytes(data)


def loader_container(product_id, loader):
    """A loader container: the "pWa.d" header with the unit's product id after two counted
    strings, "KpGrd" with one string, a loader record (type 12), the end record (type 0), and
    the image header with its part number."""
    head = bytearray(256)
    head[0:6] = b"pWa.d\0"
    head[6] = 2
    head[24:30] = b"AB\0CD\0"
    head[35:37] = struct.pack("<H", product_id)
    head[60:66] = b"KpGrd\0"
    head[66] = 1
    head[84:86] = b"X\0"
    del head[86:]

    def record(kind, length):
        rec = bytearray(15)
        rec[5:7] = struct.pack("<H", kind)
        rec[11:15] = struct.pack("<I", length)
        return bytes(rec)

    tail = bytearray(b"\xff" * 256)
    tail[33:42] = pack_part_number(NEWER["part"])
    return bytes(head) + record(12, len(loader)) + loader + record(0, 0) + bytes(tail)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
    return name
