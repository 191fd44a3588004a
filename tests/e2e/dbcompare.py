"""Compares the records of two database folders (db50), written from the record layouts and
the batch grammar alone. Serial numbers are left out: references are followed instead (names as
their texts, countries as their ids, runways and frequencies by their airport's ident and
country, restriction chains as their bytes). Positions may differ by the rounding of the batch
text (minutes to three decimals, 21 significant bits): POSITION_SLACK circle units. A user
waypoint's time and icon are not carried by batch text and are not compared.

    python3 dbcompare.py A/db50 B/db50      # prints the differences; status 1 when there are any
"""
import os
import struct
import sys

HEADER = 1024
POSITION_SLACK = 4096

# name, record length, fields (name, struct format) in record order
LAYOUTS = {
    "apts": [("asno", "i"), ("aident", "8s"), ("alat", "i"), ("along", "i"), ("afacil", "i"), ("acity", "i"),
             ("acountry", "i"), ("aheight", "i"), ("afuel", "i"), ("autc", "i"), ("a212025", "i"), ("a221507", "i")],
    "country": [("csno", "i"), ("cid", "4s"), ("cname", "20s")],
    "freq3": [("fsno", "i"), ("faptno", "i"), ("ftype", "i"), ("freq", "i"), ("flags", "i"), ("frsno", "i"),
              ("f431", "i")],
    "ints": [("isno", "i"), ("iident", "8s"), ("ilat", "i"), ("ilong", "i"), ("iname", "i"), ("iparent", "i"),
             ("icountry", "i"), ("iflags", "i"), ("icompat", "i")],
    "names": [("nsno", "i"), ("nname", "32s")],
    "ndbs": [("bsno", "i"), ("bident", "8s"), ("blat", "i"), ("blong", "i"), ("bfacil", "i"), ("bcity", "i"),
             ("bcountry", "i"), ("bfreq", "i"), ("bcompat", "i"), ("bflags", "i")],
    "rwy3": [("rsno", "i"), ("raptno", "i"), ("rwidth", "i"), ("rlen", "i"), ("rsl", "i"), ("rw", "i"),
             ("rflags", "i"), ("rpicst", "i"), ("rpic", "i"), ("rpicfl", "i"), ("rnpic", "i"), ("rnpic2", "i")],
    "vors": [("vsno", "i"), ("vident", "8s"), ("vlat", "i"), ("vlong", "i"), ("vfacil", "i"), ("vcity", "i"),
             ("vcountry", "i"), ("vfreq", "i"), ("vdme", "i"), ("vtr", "i"), ("vmag", "i"), ("v221817", "i")],
    "usr": [("usno", "i"), ("uident", "8s"), ("ulat", "i"), ("ulong", "i"), ("utime", "i"), ("uname", "32s"),
            ("uicon", "i")],
    "restr": [("rcsno", "i"), ("rcnxt", "i"), ("rcres", "8s")],
}
POSITIONS = {"alat", "along", "ilat", "ilong", "blat", "blong", "vlat", "vlong", "ulat", "ulong"}
NAMES = {"afacil", "acity", "iname", "iparent", "bfacil", "bcity", "vfacil", "vcity"}
COUNTRIES = {"acountry", "icountry", "bcountry", "vcountry"}
NOT_CARRIED = {"utime", "uicon"}


def read_file(folder, name):
    """The live records of a record file as dicts (an absent file has none)."""
    fmt = "<" + "".join(f for _, f in LAYOUTS[name])
    size = struct.calcsize(fmt)
    path = os.path.join(folder, name + ".dta")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        data = f.read()
    _, slot, count = struct.unpack_from("<HHi", data, 0)
    records = []
    for n in range(count):
        at = HEADER + n * slot
        (status,) = struct.unpack_from("<H", data, at)
        if status != 0:
            continue
        values = struct.unpack_from(fmt, data, at + 2)
        records.append(dict(zip((k for k, _ in LAYOUTS[name]), values)))
    assert slot >= size + 2, "%s: slot %d shorter than the record" % (path, slot)
    return records


def text(raw):
    return raw.split(b"\0", 1)[0].decode("latin-1").rstrip()


class Folder:
    def __init__(self, folder):
        self.files = {name: read_file(folder, name) for name in LAYOUTS}
        self.names = {r["nsno"]: text(r["nname"]) for r in self.files["names"]}
        self.countries = {r["csno"]: text(r["cid"]) for r in self.files["country"]}
        self.restr = {r["rcsno"]: r for r in self.files["restr"]}
        self.airports = {r["asno"]: (text(r["aident"]), self.countries.get(r["acountry"]))
                         for r in self.files["apts"]}

    def chain(self, first):
        """The restriction bytes of a chain: the first byte + 1 gives the length."""
        out = b""
        seen = set()
        while first and first not in seen and first in self.restr:
            seen.add(first)
            out += self.restr[first]["rcres"]
            first = self.restr[first]["rcnxt"]
        return out[:out[0] + 1] if out else b""

    def value(self, field, v):
        if field in NAMES:
            return None if v < 0 else self.names.get(v, "<missing name %d>" % v)
        if field in COUNTRIES:
            return self.countries.get(v, "<missing country %d>" % v)
        if isinstance(v, bytes):
            return text(v)
        return v

    def records(self, name):
        """(key, values) of every record: serial numbers dropped, references followed."""
        out = []
        for r in self.files[name]:
            values = {}
            for field, _ in LAYOUTS[name][1:]:
                if field in NOT_CARRIED:
                    continue
                values[field] = self.value(field, r[field])
            if name == "rwy3":
                values["raptno"] = self.airports.get(r["raptno"])
                key = (values["raptno"], r["rw"])
            elif name == "freq3":
                values["faptno"] = self.airports.get(r["faptno"])
                values["frsno"] = self.chain(r["frsno"]).hex()
                key = (values["faptno"], r["ftype"], r["freq"])
            elif name == "usr":
                key = (values["uident"],)
            else:
                ident = LAYOUTS[name][1][0]
                country = [f for f in values if f in COUNTRIES][0]
                key = (values[ident], values[country])
            out.append((key, values))
        return sorted(out, key=repr)


def same(a, b):
    for field in a:
        if field in POSITIONS:
            d = (a[field] - b[field] + 2 ** 31) % 2 ** 32 - 2 ** 31
            if abs(d) > POSITION_SLACK:
                return False
        elif a[field] != b[field]:
            return False
    return True


def compare(folder_a, folder_b):
    """The differences between two database folders, as text lines (none when they match)."""
    a, b = Folder(folder_a), Folder(folder_b)
    diffs = []
    for name in ("apts", "rwy3", "freq3", "ints", "ndbs", "vors", "usr"):
        left, right = a.records(name), b.records(name)
        pending = list(right)
        for key, values in left:
            match = next((i for i, (k, v) in enumerate(pending) if k == key and same(values, v)), None)
            if match is None:
                other = next((v for k, v in pending if k == key), None)
                diffs.append("%s %s: %s / %s" % (name, key, values, other if other else "absent"))
            else:
                pending.pop(match)
        for key, values in pending:
            diffs.append("%s %s: absent / %s" % (name, key, values))
    return diffs


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: dbcompare.py FOLDER_A FOLDER_B")
    found = compare(sys.argv[1], sys.argv[2])
    for line in found:
        print(line)
    sys.exit(1 if found else 0)
