"""An index file that holds its first index but lacks a later one gets the later one rebuilt from
the data file when the record file opens: the database then gives the same image as before.
"""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from suite import EXAMPLE_BATCH, TempFolderRun  # noqa: E402

INDEX_COUNT_AT = 12      # the header's index count
DESCRIPTOR_AT = 16       # index descriptor n: 16 bytes at 16 + 16 n
DESCRIPTOR_LENGTH = 16


def drop_later_indexes(path):
    """Leaves only the first index's descriptor in the index file's header; True when one went."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    count = struct.unpack_from("<i", data, INDEX_COUNT_AT)[0]
    if count < 2:
        return False
    struct.pack_into("<i", data, INDEX_COUNT_AT, 1)
    for n in range(1, count):
        at = DESCRIPTOR_AT + DESCRIPTOR_LENGTH * n
        data[at:at + DESCRIPTOR_LENGTH] = bytes(DESCRIPTOR_LENGTH)
    with open(path, "wb") as f:
        f.write(data)
    return True


class IndexRebuild(TempFolderRun):
    prefix = "index-rebuild-"

    def run_sections(self, *sections):
        lines = []
        for s in sections:
            lines += ["%s=%s" % kv for kv in s] + ["GO=1"]
        self.write("run.ctl", lines)
        return self.run_headless("brondel", ["-F", "run.ctl"])

    def test_a_missing_later_index_is_rebuilt(self):
        self.assertEqual(self.run_sections((("Mode", "BatchUpdate"), ("Filename", EXAMPLE_BATCH)),
                                           (("Mode", "CreateImage"), ("Filename", "a.img"), ("Title", "T"))), 0)
        dropped = [n for n in sorted(os.listdir(self.path("db50")))
                   if n.endswith(".dtx") and drop_later_indexes(self.path("db50", n))]
        self.assertIn("apts.dtx", dropped)
        self.assertEqual(self.run_sections((("Mode", "CreateImage"), ("Filename", "b.img"), ("Title", "T"))), 0)
        self.assertTrue(any(line.startswith('Rebuilding Index File: "') and 'apts.dtx", Name: "aident"' in line
                            for line in self.out), self.out)
        self.assertEqual(self.read("a.img"), self.read("b.img"))


if __name__ == "__main__":
    unittest.main()
