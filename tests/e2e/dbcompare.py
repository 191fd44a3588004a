"""Compares the records of two database folders (db50), written from the record layouts and
the batch grammar alone. Serial numbers are left out: references are followed instead (names as
their texts, countries as their ids, runways and frequencies by their airport's ident and
country, restriction chains as their bytes). Positions may differ by the rounding of the batch
text (minutes to three decimals, 21 significant bits): POSITION_SLACK circle units. A user
waypoint's time and icon are not carried by batch text and are not compared.

    python3 dbcompare.py A/db50 B/db50      # prints the differences; status 1 when there are any
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_batch_update import LAYOUTS, read_records  # noqa: E402  (the record layouts, read from the files)

POSITION_SLACK = 4096

POSITIONS = {"alat", "along", "ilat", "ilong", "blat", "blong", "vlat", "vlong", "ulat", "ulong"}
NAMES = {"afacil", "acity", "iname", "iparent", "bfacil", "bcity", "vfacil", "vcity"}
COUNTRIES = {"acountry", "icountry", "bcountry", "vcountry"}
NOT_CARRIED = {"utime", "uicon"}


def text(value):
    return value.rstrip()


class Folder:
    def __init__(self, folder):
        self.files = {name: read_records(folder, name) for name in LAYOUTS}
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
        if isinstance(v, str):
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
