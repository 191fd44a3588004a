#!/usr/bin/env python3
"""Self-test of imgcheck: small images built here from the format text, the
checker's verdict on them, and single-byte damage that it must report."""

import json
import os
import random
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import imgcheck  # noqa: E402

# ---------------------------------------------------------------- writer

PARAMS = {
    "brondel": dict(pn=677, pn_at=33, shift=0, sizes=(19, 9, 16, 17), bits=20, chunk=0x40000,
                    limit=0x400000, packet_at=57, halve=True, quenmar=False),
    "quenmar": dict(pn=19, pn_at=42, shift=8, sizes=(18, 9, 15, 16), bits=18, chunk=0x10000,
                    limit=0x170000, packet_at=66, halve=False, quenmar=True),
    "pelmora": dict(pn=14, pn_at=33, shift=0, sizes=(18, 9, 15, 16), bits=18, chunk=0x20000,
                    limit=0x200000, packet_at=57, halve=False, quenmar=False),
}
D = 23871488


def put_bits(buf, pos, n, value):
    for i in range(n):
        bit = (value >> (n - 1 - i)) & 1
        byte, mask = (pos + i) // 8, 0x80 >> ((pos + i) % 8)
        buf[byte] = (buf[byte] | mask) if bit else (buf[byte] & ~mask & 0xFF)
    return pos + n


def pack6(text, nbytes):
    """Six-bit codes (character - 0x20) from bit 0, then the bytes reversed."""
    buf = bytearray(nbytes)
    pos = 0
    for ch in text:
        pos = put_bits(buf, pos, 6, (ord(ch) - 0x20) & 63)
    return bytes(reversed(buf))


G5 = "L STUMCDHBGKPY??"
G9 = "VWFJZXQ1204367985-/,.&()+;':fm??"


def name_bits(text):
    """Prefix code of a name: list of (value, bit count)."""
    out = []
    for ch in text.upper():
        if ch == "A":
            out.append((0, 3))
        elif ch in "ENORI":
            out.append(("ENORI".index(ch) + 3, 4))
        elif ch in G5:
            out.append((G5.index(ch) + 16, 5))
        elif ch in G9:
            out.append((0b1111 << 5 | G9.index(ch), 9))
        else:
            out.append((17, 5))
    out.append((2, 4))
    return out


def ident_code(ch):
    if "A" <= ch <= "Z":
        return ord(ch) - 64
    if "0" <= ch <= "9":
        return ord(ch) - 16
    return 0


def units(deg):
    return int(round(deg / 360.0 * 2 ** 32)) & ~2047


def wrap32(v):
    return v & 0xFFFFFFFF


def position(lat, lon):
    lat, lon = wrap32(lat), wrap32(lon)
    b = bytearray(6)
    b[0:2] = ((lon >> 16) & 0xFFFF).to_bytes(2, "little")
    b[2:4] = ((lat >> 15) & 0xFFFF).to_bytes(2, "little")
    b[4] = ((lon >> 11) & 0x1F) | (((lat >> 11) & 7) << 5)
    b[5] = (lat >> 14) & 1
    return b


def trunc(a, b):
    return -(abs(a) // b) if a < 0 else a // b


class ImageWriter:
    """Builds an image of one family from countries, names and point records.

    Records: dicts with ident, lat, lon (degrees), country (index), and for
    APT/NDB/VOR facility and city (texts or None); APT elev and entry (bytes of
    a rwy/com/appr entry or None); NDB khz; VOR mhz."""

    def __init__(self, family, title="TEST IMAGE", date=(1, 15, 2026)):
        self.fam = family
        self.p = PARAMS[family]
        self.title = title
        self.date = date
        self.countries = []
        self.names = []
        self.apids = []
        self.sections = {"APT": [], "INT": [], "NDB": [], "VOR": []}
        self.fss = False
        self.sua = False

    def build(self):
        p, s = self.p, self.p["shift"]
        img = bytearray(b"\xff" * p["limit"])
        country_at = 2069 + s
        for i, (cid, name) in enumerate(self.countries):
            img[country_at + 9 * i:country_at + 9 * i + 9] = pack6(((cid + " ")[:2] + name)[:12], 9)
        names_at = country_at + 9 * len(self.countries)
        # names table
        bits = []
        pos = 0
        self.name_pos = {}
        for text in sorted(self.names):
            self.name_pos[text] = pos
            for value, n in name_bits(text):
                bits.append(format(value, "0%db" % n))
                pos += n
        nbytes = (pos + 7) // 8
        if nbytes:
            img[names_at:names_at + nbytes] = int("".join(bits).ljust(nbytes * 8, "0"),
                                                  2).to_bytes(nbytes, "big")
        names_end = names_at + nbytes
        at = names_end
        apid_at, apid_count = 0x3FFFFF, 0xFFFF
        if self.apids:
            apid_at, apid_count = at, len(self.apids)
            for i, ident in enumerate(sorted(self.apids)):
                buf = bytearray(4)
                for j, ch in enumerate(ident.ljust(5)[:5]):
                    v = ord(ch) & 0x7F
                    put_bits(buf, 6 * j, 6, 0 if v <= 0x20 else v - 16 if v < 0x41 else v - 0x40)
                img[at + 4 * i:at + 4 * i + 4] = buf[::-1]
            at += 4 * apid_count
        rwy_at = at
        rwy_offsets = {}
        for k, rec in enumerate(self._sorted("APT")):
            if rec.get("entry"):
                rwy_offsets[k] = at - rwy_at
                img[at:at + len(rec["entry"])] = rec["entry"]
                at += len(rec["entry"])
        infos = [249 + s, 610 + s, 953 + s, 1306 + s]
        for k, sec in enumerate(("APT", "INT", "NDB", "VOR")):
            at = self._section(img, sec, k, infos[k], at, rwy_offsets)
        # header writer
        hdr = self._header(names_at)
        img[0:len(hdr)] = hdr
        img[len(hdr):244 + s] = b" " * (244 + s - len(hdr))
        t = self.title.encode("cp1252")
        img[112:112 + len(t)] = t
        img[244 + s:246 + s] = len(self.countries).to_bytes(2, "little")
        img[246 + s:249 + s] = country_at.to_bytes(3, "little")
        apt = infos[0] + 353
        img[apt:apt + 3] = rwy_at.to_bytes(3, "little")
        img[apt + 3:apt + 5] = apid_count.to_bytes(2, "little")
        img[apt + 5:apt + 8] = apid_at.to_bytes(3, "little")
        end = at
        if self.fss:
            end = self._write_fss(img, end)
        if self.sua:
            end = self._write_sua(img, end)
        self.image_end = end
        # packet count, then sumcheck, then the cut
        blocks = sum(1 for q in range(0, end, 128) if img[q:q + 128] != b"\xff" * 128)
        stored = (blocks + 1) // 2 if p["halve"] else blocks
        img[p["packet_at"]:p["packet_at"] + 2] = stored.to_bytes(2, "little")
        self._sumcheck(img, end)
        cut = (end & ~(p["chunk"] - 1)) + p["chunk"]
        if cut < p["limit"]:
            del img[cut:]
        return bytes(img)

    def _sorted(self, sec):
        return sorted(self.sections[sec],
                      key=lambda r: [ident_code(c) for c in r["ident"].ljust(7)])

    def _name_ptr(self, text):
        if text is None:
            return 0xFFFFF, None
        pos = self.name_pos[text]
        return pos // 8, 7 - pos % 8

    def _record(self, sec, rec, rwy_offset):
        p = self.p
        lat, lon = units(rec["lat"]), units(rec["lon"])
        size20 = {"APT": 19, "INT": 9, "NDB": 16, "VOR": 17}[sec]
        b = bytearray(size20)
        b[0:6] = position(lat, lon)
        codes = [ident_code(c) for c in rec["ident"].ljust(7)]
        fac, fst = self._name_ptr(rec.get("facility"))
        cit, cst = self._name_ptr(rec.get("city"))
        if sec == "APT":
            elev = rec.get("elev", 0)
            q, r = divmod(abs(elev), 10)
            code = (q if elev >= 0 else -q) + (1 if r >= 5 else 0) + 500
            b[6] = code & 0xFF
            put_bits(b, 60, 4, code >> 8)
            put_bits(b, 66, 3, fst if fst is not None else 0)
            put_bits(b, 69, 3, cst if cst is not None else 0)
            b[9] = rec["country"]
            v = (codes[1] & 15) << 12 | codes[2] << 6 | codes[3]
            b[10:12] = v.to_bytes(2, "little")
            b[12:14] = (fac & 0xFFFF).to_bytes(2, "little")
            b[14:16] = (cit & 0xFFFF).to_bytes(2, "little")
            put_bits(b, 132, 4, fac >> 16)
            put_bits(b, 128, 4, cit >> 16)
            if rwy_offset is not None:
                b[8] |= 0x80
                put_bits(b, 40, 3, rwy_offset >> 16)
                b[17:19] = (rwy_offset & 0xFFFF).to_bytes(2, "little")
            else:
                b[17:19] = (5 << 8 | 30).to_bytes(2, "little")
            if p["bits"] == 18:
                put_bits(b, 58, 2, (fac >> 16) & 3)
                put_bits(b, 56, 2, (cit >> 16) & 3)
                del b[16]
        elif sec == "INT":
            v = (codes[1] & 15) << 20 | codes[2] << 14 | codes[3] << 8 | codes[4] << 2
            v |= b[5] & 3
            b[5:8] = v.to_bytes(3, "little")
            b[8] = rec["country"]
        else:
            put_bits(b, 42, 3, fst if fst is not None else 7)
            v = (codes[1] & 15) << 12 | codes[2] << 6
            v |= b[5] & 0x3F
            b[5:7] = v.to_bytes(2, "little")
            b[7] = rec["country"]
            if sec == "NDB":
                b[8:10] = int(round(rec.get("khz", 0) * 10)).to_bytes(2, "little")
                b[10:12] = (fac & 0xFFFF).to_bytes(2, "little")
                b[12:14] = (cit & 0xFFFF).to_bytes(2, "little")
                put_bits(b, 115, 3, cst if cst is not None else 7)
                put_bits(b, 120, 4, fac >> 16)
                put_bits(b, 124, 4, cit >> 16)
                if p["bits"] == 18:
                    put_bits(b, 112, 2, (fac >> 16) & 3)
                    put_bits(b, 118, 2, (cit >> 16) & 3)
                    del b[15]
            else:
                b[8:10] = (fac & 0xFFFF).to_bytes(2, "little")
                b[10:12] = (cit & 0xFFFF).to_bytes(2, "little")
                put_bits(b, 99, 3, cst if cst is not None else 7)
                b[13] = (int(round(rec.get("mhz", 108.0) * 100)) - 10800) // 5
                b[14] = b[15] = 0
                put_bits(b, 128, 4, fac >> 16)
                put_bits(b, 132, 4, cit >> 16)
                if p["bits"] == 18:
                    put_bits(b, 96, 2, (fac >> 16) & 3)
                    put_bits(b, 102, 2, (cit >> 16) & 3)
                    del b[16]
        return b, lat, lon

    def _section(self, img, sec, k, info, at, rwy_offsets):
        recs = self._sorted(sec)
        n = len(recs)
        size = self.p["sizes"][k]
        named = sec != "INT"
        encoded = [self._record(sec, r, rwy_offsets.get(i) if sec == "APT" else None)
                   for i, r in enumerate(recs)]
        ncity = sum(1 for r in recs if r.get("city")) if named else 0
        fac_at = city_at = 0
        if named:
            fac_at = at
            city_at = fac_at + 2 * n
            recs_at = city_at + 2 * ncity
        else:
            recs_at = at
        grid_at = recs_at + size * n
        cells_at = grid_at + 2 * n
        for i, (b, _, _) in enumerate(encoded):
            img[recs_at + size * i:recs_at + size * (i + 1)] = b
        if named:
            def key(i, which):
                t = recs[i].get(which)
                return (self.name_pos[t] // 8 if t else 0xFFFFF, i)
            fac_order = sorted(range(n), key=lambda i: key(i, "facility"))
            city_order = [i for i in sorted(range(n), key=lambda i: key(i, "city"))
                          if recs[i].get("city")]
            for j, i in enumerate(fac_order):
                img[fac_at + 2 * j:fac_at + 2 * j + 2] = i.to_bytes(2, "little")
            for j, i in enumerate(city_order):
                img[city_at + 2 * j:city_at + 2 * j + 2] = i.to_bytes(2, "little")
        boxes = [(trunc(lat, D), trunc(lon, D)) for _, lat, lon in encoded]
        grid = sorted(range(n), key=lambda i: (boxes[i], i))
        for j, i in enumerate(grid):
            img[grid_at + 2 * j:grid_at + 2 * j + 2] = i.to_bytes(2, "little")
        work = {}
        for j, i in enumerate(grid):
            box = boxes[i][0] * 180 + boxes[i][1] + 8190
            cnt, first = work.get(box, (0, j))
            work[box] = (cnt + 1, first)
        cells = sorted({b // 5 for b in work})
        for j, c in enumerate(cells):
            row, group = divmod(c, 36)
            LAT = wrap32((row - 45) * 0x2D88000)
            LON = wrap32((group - 18) * 0x71D4000)
            cell = bytearray(((LON >> 16) & 0xFFFF).to_bytes(2, "little")
                             + ((LAT >> 16) & 0xFFFF).to_bytes(2, "little"))
            cell.append(((LON >> 14) & 3) | ((LAT >> 15) & 1) << 2)
            for box in range(5 * c, 5 * c + 5):
                cnt, first = work.get(box, (0, 0xFFFF))
                cell += cnt.to_bytes(2, "little") + first.to_bytes(2, "little")
            img[cells_at + 25 * j:cells_at + 25 * j + 25] = cell
        # info area
        img[info:info + 2] = n.to_bytes(2, "little")
        buckets = [0xFFFF] * 164
        for i, r in enumerate(recs):
            c1, c2 = ident_code(r["ident"][0]), ident_code((r["ident"] + " ")[1])
            g = 2 if c2 >= 32 else 1 if c2 >= 16 else 0
            b = 4 * (c1 - 1) + g
            if buckets[b] == 0xFFFF:
                buckets[b] = i
        for i, v in enumerate(buckets):
            img[info + 2 + 2 * i:info + 4 + 2 * i] = v.to_bytes(2, "little")
        blk = (len(cells).to_bytes(2, "little") + cells_at.to_bytes(3, "little")
               + n.to_bytes(2, "little") + grid_at.to_bytes(3, "little")
               + recs_at.to_bytes(3, "little"))
        img[info + 330:info + 343] = blk
        if named:
            img[info + 343:info + 353] = (ncity.to_bytes(2, "little") + city_at.to_bytes(3, "little")
                                          + n.to_bytes(2, "little") + fac_at.to_bytes(3, "little"))
        return cells_at + 25 * len(cells)

    def _header(self, names_at):
        p, s = self.p, self.p["shift"]
        size = 110 if p["quenmar"] else 102
        h = bytearray(b"\xff" * size)
        month, day, year = self.date
        date = bytes((month, day)) + year.to_bytes(2, "little")
        if p["quenmar"]:
            h[0:25] = bytes(25)
            h[25:27] = ((year % 100) * 100 + month).to_bytes(2, "little")
            h[27:31] = h[31:35] = h[35:39] = date
            h[39:42] = bytes(3)
            base = 74
        else:
            h[0:16] = bytes(16)
            h[16:18] = ((year % 100) * 100 + month).to_bytes(2, "little")
            h[18:22] = h[22:26] = h[26:30] = date
            h[30:33] = bytes(3)
            base = 66
        label = "".join(c.upper() if c.isascii() else c for c in ("   " + self.title).ljust(20))  # no lower case in the six-bit code
        h[p["pn_at"]:p["pn_at"] + 24] = pack6("%s006-D%04d-XX" % (label, p["pn"]), 24)
        ptrs = [244 + s, names_at, 249 + s, 610 + s, 953 + s, 1306 + s, 0x3FFFFF,
                2012 + s if self.fss else 0x3FFFFF, 2020 + s if self.fss else 0x3FFFFF,
                2046 + s if self.sua else 0x3FFFFF, 0x3FFFFF, 0x3FFFFF]
        for i, v in enumerate(ptrs):
            h[base + 3 * i:base + 3 * i + 3] = v.to_bytes(3, "little")
        return h

    def _write_fss(self, img, P):
        # tables x, a, z, y, m, b, r, g with one entry each
        fss_rec, tcc_rec = (10, 19) if self.p["bits"] == 20 else (9, 18)
        lengths = [4, fss_rec, 2, 6, 3, tcc_rec, 2, 23]
        V = [0]
        for n in lengths:
            V.append(V[-1] + n)
        V1, V2, V3, V4, V5, V6, V7, V0 = V[1:]
        img[P:P + V0] = bytes((0x11,)) * V0
        s = self.p["shift"]
        a = (((V2 - V1) // fss_rec).to_bytes(2, "little") + (V1 + P).to_bytes(3, "little")
             + P.to_bytes(3, "little"))
        b = (((V0 - V7) // 23).to_bytes(2, "little") + (V7 + P).to_bytes(3, "little")
             + ((V7 - V6) // 2).to_bytes(2, "little") + (V6 + P).to_bytes(3, "little")
             + ((V6 - V5) // tcc_rec).to_bytes(2, "little") + (V5 + P).to_bytes(3, "little")
             + (V4 + P).to_bytes(3, "little") + ((V4 - V3) // 6).to_bytes(2, "little")
             + (V3 + P).to_bytes(3, "little") + (V2 + P).to_bytes(3, "little"))
        img[2012 + s:2020 + s] = a
        img[2020 + s:2046 + s] = b
        return P + V0

    def _write_sua(self, img, S):
        a_rec, b_rec = (25, 23) if self.p["bits"] == 20 else (24, 22)
        raw = 40
        C2, C3, C1, C0 = 2, 1, 3, 1
        O2 = S + raw
        O3 = O2 + a_rec * C2
        O1 = O3 + b_rec * C3
        O0 = O1 + 2 * C1
        end = O0 + 20 * C0
        img[S:end] = bytes((0x22,)) * (end - S)
        s = self.p["shift"]
        blk = b""
        for c, o in ((C0, O0), (C1, O1), (C2, O2), (C3, O3)):
            blk += c.to_bytes(2, "little") + o.to_bytes(3, "little")
        img[2046 + s:2069 + s] = blk + S.to_bytes(3, "little")
        return end

    def _sumcheck(self, img, end):
        p = self.p
        if p["quenmar"]:
            chunk = 0x10000
            count = (end + chunk - 1) // chunk
            img[0] = count
            for i in range(24):
                part = img[i * chunk:(i + 1) * chunk]
                total = sum(part[25:]) + img[0] if i == 0 else sum(part)
                img[1 + i] = -total & 0xFF
        else:
            chunk = p["limit"] // 16
            for i in range(16):
                part = img[i * chunk:(i + 1) * chunk]
                img[i] = -sum(part[16:] if i == 0 else part) & 0xFF


def sample_writer(family):
    w = ImageWriter(family, title="SAMPLE DB")
    w.countries = [("DE", "GERMANY"), ("F", "FRANCE"), ("K", "USA")]
    w.countries.sort()
    w.names = ["AERO", "BERLIN", "KENNEDY INTL", "NEW YORK", "PARIS", "TEGEL",
               "WATERTOWN/BASE", "ORLY"]
    w.sections["APT"] = [
        dict(ident="KJFK", lat=40.6398, lon=-73.7789, country=2, facility="KENNEDY INTL",
             city="NEW YORK", elev=13, entry=bytes([0x23, 1, 2, 3, 4, 5])),
        dict(ident="EDDT", lat=52.5597, lon=13.2877, country=0, facility="TEGEL",
             city="BERLIN", elev=122),
        dict(ident="KBOS", lat=42.3629, lon=-71.0064, country=2, facility=None, city=None),
        dict(ident="LFPO", lat=48.7233, lon=2.3794, country=1, facility="ORLY", city="PARIS",
             elev=291, entry=bytes([0x21, 9, 9])),
        dict(ident="K2B", lat=-1.9, lon=0.5, country=2, facility="AERO", city=None, elev=-20),
    ]
    w.sections["INT"] = [
        dict(ident="ABCDE", lat=40.5, lon=-73.5, country=2),
        dict(ident="Z9", lat=0.0, lon=179.9, country=1),
    ]
    w.sections["NDB"] = [
        dict(ident="TG", lat=52.5, lon=13.2, country=0, facility="TEGEL", city="BERLIN", khz=385.5),
    ]
    w.sections["VOR"] = [
        dict(ident="JFK", lat=40.63, lon=-73.77, country=2, facility="KENNEDY INTL",
             city="NEW YORK", mhz=115.9),
        dict(ident="WAT", lat=43.9, lon=-75.9, country=2, facility="WATERTOWN/BASE",
             city="WATERTOWN/BASE", mhz=108.05),
    ]
    if family != "quenmar":
        w.apids = ["I04L", "R22R"]
    return w


def reseal(data, family):
    """Rewrite the sumcheck field so that only the targeted damage shows."""
    img = bytearray(data)
    t = imgcheck.FAMILIES[family].image_type
    field = imgcheck.compute_sumcheck(bytes(img), t)
    img[:len(field)] = bytes(field)
    return bytes(img)


# ---------------------------------------------------------------- tests

class GoodImages(unittest.TestCase):

    def test_empty_database_image_passes_in_every_family(self):
        for family, length in (("brondel", 0x40000), ("quenmar", 0x10000),
                               ("pelmora", 0x20000)):
            with self.subTest(family=family):
                data = ImageWriter(family).build()
                rep = imgcheck.check_bytes(data)
                self.assertTrue(rep.ok, imgcheck.format_summary(rep))
                self.assertEqual(rep.content["family"], family)
                self.assertEqual(len(data), length)
                self.assertEqual(rep.content["title"], "TEST IMAGE")
                self.assertEqual(rep.content["countries"], [])
                self.assertEqual(rep.content["names"], [])
                for sec in ("APT", "INT", "NDB", "VOR"):
                    self.assertEqual(rep.summary[sec]["records"], 0)
                    self.assertEqual(rep.summary[sec]["cells"], 0)
                field = imgcheck.FAMILIES[family].sum_field
                if family == "quenmar":
                    self.assertEqual(data[0], 1)        # one 64 KB chunk holds data
                    self.assertEqual(data[2:field], bytes(field - 2))
                else:
                    self.assertEqual(data[1:field], bytes(field - 1))

    def test_records_decode_to_what_built_them(self):
        for family in ("brondel", "quenmar", "pelmora"):
            with self.subTest(family=family):
                w = sample_writer(family)
                rep = imgcheck.check_bytes(w.build())
                self.assertTrue(rep.ok, imgcheck.format_summary(rep))
                c = rep.content
                self.assertEqual([(x["id"], x["name"]) for x in c["countries"]],
                                 [("DE", "GERMANY"), ("F", "FRANCE"), ("K", "USA")])
                self.assertEqual([n["text"] for n in c["names"]], sorted(w.names))
                for sec, recs in w.sections.items():
                    got = {r["ident"]: r for r in c["sections"][sec]}
                    self.assertEqual(sorted(got), sorted(r["ident"] for r in recs))
                    for want in recs:
                        r = got[want["ident"]]
                        self.assertEqual(r["lat_units"], units(want["lat"]), want["ident"])
                        self.assertEqual(r["lon_units"], units(want["lon"]), want["ident"])
                        self.assertAlmostEqual(r["lat"], want["lat"], delta=0.0002)
                        self.assertEqual(r["country"], w.countries[want["country"]][0].strip())
                        if sec != "INT":
                            self.assertEqual(r["facility"], want["facility"])
                            self.assertEqual(r["city"], want["city"])
                apt = {r["ident"]: r for r in c["sections"]["APT"]}
                self.assertEqual(apt["EDDT"]["elevation_ft"], 120)
                self.assertEqual(apt["K2B"]["elevation_ft"], -20)
                self.assertEqual(apt["KJFK"]["rwy_info"], {"offset": 0})
                self.assertEqual(apt["LFPO"]["rwy_info"], {"offset": 6})
                self.assertEqual(apt["EDDT"]["rwy_info"], {"summary": 5 << 8 | 30})
                self.assertEqual(c["sections"]["NDB"][0]["freq_khz"], 385.5)
                self.assertEqual([v["freq_mhz"] for v in c["sections"]["VOR"]], [115.9, 108.05])
                self.assertEqual(c["approach_ids"], [] if family == "quenmar" else ["I04L", "R22R"])
                self.assertEqual(rep.summary["APT"]["with_city"], 3)

    def test_airspace_sections_pass_and_set_the_image_end(self):
        for family in ("brondel", "quenmar"):
            for fss, sua in ((True, False), (False, True), (True, True)):
                with self.subTest(family=family, fss=fss, sua=sua):
                    w = sample_writer(family)
                    w.fss, w.sua = fss, sua
                    rep = imgcheck.check_bytes(w.build())
                    self.assertTrue(rep.ok, imgcheck.format_summary(rep))
                    self.assertEqual(rep.summary["image_end"], w.image_end)

    def test_names_table_at_the_size_limit_is_reported(self):
        w = ImageWriter("quenmar")
        w.names = ["V" * 233100]                   # 9 bits a character: 0x4005E bytes
        rep = imgcheck.check_bytes(w.build())
        self.assertEqual(rep.failed_checks(), ["size"])
        self.assertEqual(len(rep.content["names"][0]["text"]), 233100)

    def test_image_crossing_a_chunk_keeps_one_more_chunk(self):
        w = ImageWriter("quenmar")
        w.countries = [("AA", "X")]
        w.sections["INT"] = [dict(ident="A%04d" % i, lat=(i % 80) - 40.0, lon=(i * 7 % 340) - 170.0,
                                  country=0) for i in range(5500)]
        data = w.build()
        self.assertGreater(w.image_end, 0x10000)
        self.assertEqual(len(data), 0x20000)
        rep = imgcheck.check_bytes(data)
        self.assertTrue(rep.ok, imgcheck.format_summary(rep))
        self.assertEqual(data[0], 2)
        self.assertEqual(rep.summary["INT"]["records"], 5500)


class DamagedImages(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.images = {f: sample_writer(f).build() for f in ("brondel", "quenmar", "pelmora")}

    def _offsets(self, family, data):
        fam = imgcheck.FAMILIES[family]
        s = fam.shift
        apt_info = 249 + s
        recs = int.from_bytes(data[apt_info + 340:apt_info + 343], "little")
        size = fam.rec_size["APT"]
        fac_lo = recs + 12        # record 0's facility-name pointer, low byte
        vor_info = 1306 + s
        apt_grid = int.from_bytes(data[apt_info + 337:apt_info + 340], "little")
        ndb_fac = int.from_bytes(data[953 + s + 350:953 + s + 353], "little")
        apt_cells = int.from_bytes(data[apt_info + 332:apt_info + 335], "little")
        kjfk_rwy = recs + 2 * size + (17 if size == 19 else 16)
        return dict(apt_recs=recs, size=size, fac_lo=fac_lo, vor_info=vor_info,
                    apt_cells=apt_cells, kjfk_rwy=kjfk_rwy,
                    apt_grid=apt_grid, ndb_fac=ndb_fac,
                    ff_byte=fam.ff_bytes[0], country=2069 + s, packets=fam.packet_at,
                    ndb_ptr=fam.hdr_info[2], names_ptr=fam.hdr_names)

    def test_single_byte_damage_is_reported(self):
        # (what, offset from the layout, new byte value or xor mask, reseal, failing checks)
        cases = [
            ("sumcheck byte", lambda o: 3, ("xor", 0x5A), False, {"sumcheck"}),
            ("packet count", lambda o: o["packets"], ("xor", 0x01), True, {"packets"}),
            ("NDB info pointer", lambda o: o["ndb_ptr"], ("xor", 0x04), True,
             {"header", "layout"}),
            ("names table pointer", lambda o: o["names_ptr"], ("xor", 0x01), True, {"layout"}),
            ("APT country index", lambda o: o["apt_recs"] + 9, ("set", 0x77), True, {"APT"}),
            ("APT facility name pointer", lambda o: o["fac_lo"], ("xor", 0x01), True, {"APT"}),
            ("APT latitude", lambda o: o["apt_recs"] + 3, ("xor", 0x40), True, {"APT"}),
            ("VOR bucket", lambda o: o["vor_info"] + 2, ("set", 0x00), True, {"VOR"}),
            ("byte behind the image end", lambda o: -1, ("set", 0x00), True, {"fill"}),
            ("APT ident out of order", lambda o: o["apt_recs"] + o["size"] + 11, ("xor", 0xE0),
             True, {"APT"}),
            ("APT grid-order index", lambda o: o["apt_grid"], ("xor", 0x01), True, {"APT"}),
            ("NDB facility index", lambda o: o["ndb_fac"], ("xor", 0x01), True, {"NDB"}),
            ("APT grid cell corner", lambda o: o["apt_cells"], ("xor", 0x01), True, {"APT"}),
            ("first rwy/com/appr offset", lambda o: o["kjfk_rwy"], ("set", 0x01), True, {"APT"}),
            ("title page", lambda o: 113, ("set", 0x58), True, {"partnumber"}),
            ("header 0xFF byte", lambda o: o["ff_byte"], ("set", 0x00), True, {"header"}),
            ("country record", lambda o: o["country"] + 9 + 8, ("xor", 0x80), True, {"countries"}),
        ]
        for family, data in self.images.items():
            o = self._offsets(family, data)
            for what, where, (how, value), do_reseal, expect in cases:
                with self.subTest(family=family, damage=what):
                    off = where(o)
                    img = bytearray(data)
                    img[off] = img[off] ^ value if how == "xor" else value
                    if do_reseal:
                        img = reseal(img, family)
                    rep = imgcheck.check_bytes(bytes(img))
                    self.assertFalse(rep.ok)
                    failed = set(rep.failed_checks())
                    self.assertTrue(expect <= failed, "%s: failed %s" % (what, failed))
                    if do_reseal:
                        self.assertNotIn("sumcheck", failed)

    def test_airspace_pointers_outside_the_file_are_reported(self):
        for family in ("brondel", "pelmora"):
            w = sample_writer(family)
            w.fss = w.sua = True
            data = w.build()
            for what, off in (("TCC records", 2020 + 14), ("SUA area records A", 2046 + 14)):
                with self.subTest(family=family, pointer=what):
                    img = bytearray(data)
                    img[off] = 0x3E
                    rep = imgcheck.check_bytes(reseal(img, family))
                    self.assertIn("pointers", rep.failed_checks())
                    self.assertLessEqual(set(rep.failed_checks()), {"pointers", "length"})
                    self.assertIn(what, rep.check("pointers").messages[0])

    def test_quenmar_chunk_0_check_covers_the_chunk_count(self):
        img = bytearray(self.images["quenmar"])
        self.assertNotEqual(img[0], 0)
        img[1] = -sum(img[25:0x10000]) & 0xFF       # chunk 0 summed from byte 25 only
        rep = imgcheck.check_bytes(bytes(img))
        self.assertEqual(rep.failed_checks(), ["sumcheck"])

    def test_wrong_cut_and_wrong_family_are_reported(self):
        data = self.images["brondel"]
        rep = imgcheck.check_bytes(data + b"\xff" * 0x40000)
        self.assertEqual(rep.failed_checks(), ["length"])
        rep = imgcheck.check_bytes(data, family="quenmar")
        self.assertIn("partnumber", rep.failed_checks())
        img = bytearray(self.images["pelmora"])
        img[33:33 + 9] = bytes(reversed(ImagePieces.pn_bytes("006-D0015-XX")))
        rep = imgcheck.check_bytes(reseal(img, "pelmora"))
        self.assertEqual(rep.content["family"], "pelmora")
        self.assertIn("partnumber", rep.failed_checks())

    def test_damaged_files_never_crash(self):
        rnd = random.Random(1234)
        for family, data in self.images.items():
            n = len(data)
            lengths = [0, 10, 63, 64, 200, 2069, 2100, 3000, n // 2, n - 1]
            trials = [(data[:k], None) for k in lengths]
            for _ in range(120):
                img = bytearray(data)
                for _ in range(rnd.choice((1, 1, 3))):
                    off = rnd.randrange(0, min(n, 4000))
                    img[off] = rnd.randrange(256)
                trials.append((bytes(img), None))
                trials.append((bytes(img), family))
            for img, fam in trials:
                rep = imgcheck.check_bytes(img, family=fam)
                imgcheck.format_summary(rep)
                json.dumps(rep.as_dict())
                for c in rep.checks.values():
                    for m in c.messages:
                        self.assertNotIn("internal error", m)


class ImagePieces(unittest.TestCase):

    @staticmethod
    def pn_bytes(text):
        """The 9 bytes of a 12-character part number, most significant first."""
        return pack6(text, 9)[::-1]

    def test_part_number_template(self):
        cases = [("006-D0677-XX", 677), ("006-D0014-X5", 14), ("006-D0019-07", 19),
                 ("006-D0677-XA", None), ("006-D06A7-XX", None), ("007-D0677-XX", None),
                 ("006-E0677-XX", None)]
        for text, number in cases:
            with self.subTest(text=text):
                buf = bytes(reversed(self.pn_bytes(text)))
                got = imgcheck.decode_part_number(buf, 0)
                self.assertEqual(got and got[1], number)

    def test_name_code(self):
        # AERO: 000 0011 0110 0101, then the end code 0010
        bits = "000" "0011" "0110" "0101" "0010"
        table = int(bits.ljust(24, "0"), 2).to_bytes(3, "big")
        names, err = imgcheck.decode_names(table)
        self.assertIsNone(err)
        self.assertEqual(names, [(0, "AERO")])
        table = bytearray(8)
        pos = 0
        for value, n in name_bits("a#b") + name_bits("x1/"):
            pos = put_bits(table, pos, n, value)
        names, err = imgcheck.decode_names(bytes(table[:(pos + 7) // 8]))
        self.assertEqual(names, [(0, "A B"), (17, "X1/")])
        self.assertIsNone(err)
        names, err = imgcheck.decode_names(bytes(table[:2]))
        self.assertIsNotNone(err)
        padded = int(bits.ljust(24, "1"), 2).to_bytes(3, "big")     # padding bits not zero
        self.assertIsNotNone(imgcheck.decode_names(padded)[1])

    def test_ident_from_bucket_and_record(self):
        # KJFK: bucket 4 * 10 + 0; the record holds 1010 000110 001011
        rep = imgcheck.check_bytes(sample_writer("brondel").build())
        apt = rep.content["sections"]["APT"]
        self.assertEqual([r["ident"] for r in apt], ["EDDT", "KBOS", "KJFK", "K2B", "LFPO"])
        data = sample_writer("brondel").build()
        recs = int.from_bytes(data[249 + 340:249 + 343], "little")
        self.assertEqual(int.from_bytes(data[recs + 38 + 10:recs + 38 + 12], "little"),
                         0b1010000110001011)
        self.assertEqual(int.from_bytes(data[249 + 2 + 80:249 + 2 + 82], "little"), 1)

    def test_cut_rule(self):
        b, q, p = (imgcheck.FAMILIES[f] for f in ("brondel", "quenmar", "pelmora"))
        cases = [(b, 0x3FFFF, 0x40000), (b, 0x40000, 0x80000), (b, 0x3BFFFF, 0x3C0000),
                 (b, 0x3C0000, 0x400000), (b, 0x3FFFFF, 0x400000),
                 (q, 0x0FFFF, 0x10000), (q, 0x160000, 0x170000),
                 (p, 0x1E0000, 0x200000), (p, 0x1DFFFF, 0x1E0000), (p, 0x210000, 0x210000)]
        for fam, end, length in cases:
            with self.subTest(family=fam.name, end=hex(end)):
                self.assertEqual(imgcheck.expected_length(end, fam), length)

    def test_packet_count_counts_blocks_that_hold_data(self):
        # (bytes set to 0, file length) -> blocks of 128 bytes that hold data
        cases = [((), 0x400, 0), ((0,), 0x400, 1), ((0, 127), 0x400, 1), ((0, 128), 0x400, 2),
                 ((5 * 128 + 7, 7 * 128), 0x400 + 1, 2), ((0x400,), 0x401, 1)]
        for zeros, length, blocks in cases:
            with self.subTest(zeros=zeros, length=length):
                data = bytearray(b"\xff" * length)
                for z in zeros:
                    data[z] = 0
                self.assertEqual(imgcheck.count_packets(bytes(data)), blocks)


class CommandLine(unittest.TestCase):

    def test_exit_status_and_json(self):
        with tempfile.TemporaryDirectory() as tmp:
            good = os.path.join(tmp, "good.img")
            bad = os.path.join(tmp, "bad.img")
            w = sample_writer("brondel")
            w.title = "R\u00e9gion 5\u00b0 low"      # Windows-1252 bytes, lower case
            data = w.build()
            with open(good, "wb") as fh:
                fh.write(data)
            with open(bad, "wb") as fh:
                fh.write(data[:5000])
            tool = os.path.join(HERE, "imgcheck.py")
            run = subprocess.run([sys.executable, tool, good], capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            self.assertIn("RESULT OK", run.stdout)
            self.assertIn("family     brondel", run.stdout)
            run = subprocess.run([sys.executable, tool, "--json", good], capture_output=True,
                                 text=True)
            self.assertEqual(run.returncode, 0)
            doc = json.loads(run.stdout)
            self.assertEqual(doc["sections"]["VOR"][0]["ident"], "JFK")
            self.assertTrue(doc["checks"]["sumcheck"]["ok"])
            self.assertEqual(doc["title"], "R\u00e9gion 5\u00b0 low")
            run = subprocess.run([sys.executable, tool, bad], capture_output=True, text=True)
            self.assertEqual(run.returncode, 1)
            self.assertIn("FAIL length", run.stdout)
            run = subprocess.run([sys.executable, tool, os.path.join(tmp, "none.img")],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 1)
            self.assertIn("cannot read", run.stdout)


if __name__ == "__main__":
    unittest.main()
