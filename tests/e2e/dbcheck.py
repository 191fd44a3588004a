"""A reader of a database folder written from the file layouts alone: record files (.dta) and
index files (.dtx) of a 1024-byte header and fixed slots, B+-tree nodes in the index slots.
check_folder() gives a list of faults: a free list that is not a clean chain of deleted slots,
a tree out of shape, an index whose leaves do not name exactly the live records."""
import os
import struct

HEADER = 1024
NODE_IMAGE = 1022


def _header(data, path, faults):
    if len(data) < HEADER:
        faults.append("%s: shorter than its header" % path)
        return None
    size, slot, count, head, indexes = struct.unpack_from("<HHiih", data, 0)
    if size != HEADER or slot < 6:
        faults.append("%s: header size %d, slot length %d" % (path, size, slot))
        return None
    if HEADER + count * slot > len(data):
        faults.append("%s: %d slots do not fit in %d bytes" % (path, count, len(data)))
        return None
    return slot, count, head, indexes


def _slots(data, slot, count):
    """Status of every slot."""
    return [struct.unpack_from("<H", data, HEADER + n * slot)[0] for n in range(count)]


def _free_list(data, path, slot, count, head, status, faults):
    """The free list must be a chain through exactly the deleted slots."""
    seen = set()
    n = head
    while n != -1:
        if n < 0 or n >= count or n in seen:
            faults.append("%s: free list broken at %d" % (path, n))
            return
        if status[n] != 1:
            faults.append("%s: free slot %d is not deleted" % (path, n))
            return
        seen.add(n)
        (n,) = struct.unpack_from("<i", data, HEADER + n * slot + 2)
    deleted = {i for i, s in enumerate(status) if s == 1}
    if seen != deleted:
        faults.append("%s: deleted slots off the free list: %s" % (path, sorted(deleted - seen)[:5]))
    bad = [i for i, s in enumerate(status) if s not in (0, 1)]
    if bad:
        faults.append("%s: slot status neither live nor deleted: %s" % (path, bad[:5]))


def _tree(dtx, path, root, first_leaf, item, status, faults):
    """Leaf pointers in key order, and every node slot the tree uses."""
    key_length = item - 4
    capacity = (NODE_IMAGE - 16) // item
    used = set()
    leaves = []
    levels = {}

    def node(n):
        if n < 0 or n >= len(status) or status[n] != 0:
            faults.append("%s: link to node %d, not a live slot" % (path, n))
            return None
        at = HEADER + n * 1024 + 2
        prev, nxt, count, kind = struct.unpack_from("<iiHH", dtx, at)
        if kind not in (0, 0xFFFF) or count >= capacity:
            faults.append("%s: node %d type %d count %d" % (path, n, kind, count))
            return None
        entries = []
        for i in range(count):
            e = at + 16 + i * item
            entries.append((struct.unpack_from("<i", dtx, e)[0], dtx[e + 4:e + 4 + key_length]))
        return prev, nxt, kind == 0xFFFF, entries

    depth_of_leaves = []

    def visit(n, depth):
        if n in used or depth > 64:
            faults.append("%s: node %d reached twice" % (path, n))
            return None
        used.add(n)
        got = node(n)
        if got is None:
            return None
        prev, nxt, leaf, entries = got
        levels.setdefault(depth, []).append((n, prev, nxt))
        keys = [k for _, k in entries]
        if keys != sorted(keys) or len(set(keys)) != len(keys):
            faults.append("%s: keys out of order in node %d" % (path, n))
        if leaf:
            depth_of_leaves.append(depth)
            leaves.extend(p for p, _ in entries)
            return keys[-1] if keys else None
        if not entries:
            faults.append("%s: empty inner node %d" % (path, n))
        last = None
        for i, (child, key) in enumerate(entries):
            last = visit(child, depth + 1)
            if last is not None and i < len(entries) - 1 and last != key:
                faults.append("%s: separator of node %d entry %d is not its child's last key" % (path, n, i))
        return keys[-1] if keys else None

    visit(root, 0)
    if len(set(depth_of_leaves)) > 1:
        faults.append("%s: leaves at several depths" % path)
    for depth, nodes in levels.items():
        for i, (n, prev, nxt) in enumerate(nodes):
            want_prev = nodes[i - 1][0] if i else -1
            want_next = nodes[i + 1][0] if i + 1 < len(nodes) else -1
            if (prev, nxt) != (want_prev, want_next):
                faults.append("%s: chain of node %d" % (path, n))
    if levels and levels[max(levels)][0][0] != first_leaf:
        faults.append("%s: first leaf %d is not the leftmost leaf" % (path, first_leaf))
    return leaves, used


def check_pair(folder, name):
    """Faults of one record file and its index file, and its live records (slot -> bytes)."""
    faults = []
    dta_path = os.path.join(folder, name + ".dta")
    dtx_path = os.path.join(folder, name + ".dtx")
    if not os.path.exists(dta_path) and not os.path.exists(dtx_path):
        return faults, {}
    if not os.path.exists(dta_path):
        return faults + ["%s missing beside its index" % dta_path], {}
    with open(dta_path, "rb") as f:
        dta = f.read()
    h = _header(dta, dta_path, faults)
    if h is None:
        return faults, {}
    slot, count, head, _ = h
    status = _slots(dta, slot, count)
    _free_list(dta, dta_path, slot, count, head, status, faults)
    live = {n: dta[HEADER + n * slot + 2:HEADER + (n + 1) * slot] for n in range(count) if status[n] == 0}
    if not os.path.exists(dtx_path):
        return faults, live   # made again from the records when the file opens
    with open(dtx_path, "rb") as f:
        dtx = f.read()
    h = _header(dtx, dtx_path, faults)
    if h is None:
        return faults, live
    nslot, ncount, nhead, indexes = h
    if nslot != 1024:
        return faults + ["%s: slot length %d" % (dtx_path, nslot)], live
    nstatus = _slots(dtx, nslot, ncount)
    _free_list(dtx, dtx_path, nslot, ncount, nhead, nstatus, faults)
    used = set()
    for i in range(indexes):
        root, first, exists, item = struct.unpack_from("<iiiH", dtx, 16 + 16 * i)
        if exists != -1:
            faults.append("%s: index %d not made" % (dtx_path, i))
            continue
        leaves, nodes = _tree(dtx, "%s index %d" % (dtx_path, i), root, first, item, nstatus, faults)
        used |= nodes
        if sorted(leaves) != sorted(live):
            missing = sorted(set(live) - set(leaves))[:5]
            extra = sorted(set(leaves) - set(live))[:5]
            faults.append("%s index %d: records missing %s, entries naming no record %s"
                          % (dtx_path, i, missing, extra))
    lost = [n for n, s in enumerate(nstatus) if s == 0 and n not in used]
    if indexes and lost:
        faults.append("%s: live nodes no index reaches: %s" % (dtx_path, lost[:5]))
    return faults, live


def check_folder(folder):
    """Faults of every record file pair in the folder, and the live records by file name."""
    names = sorted({os.path.splitext(n)[0] for n in os.listdir(folder)
                    if n.lower().endswith((".dta", ".dtx"))})
    faults, records = [], {}
    for name in names:
        f, live = check_pair(folder, name)
        faults += f
        records[name] = live
    return faults, records
