#!/usr/bin/env python3
"""Writes the seed corpus: a few host sessions per module, spelled in the
grammar that Session reads (session.cpp, session_execute.cpp,
session_scene.cpp). Each byte string is one session; the fuzzer mutates from
here.

    fuzz/make_seeds.py            # rewrites fuzz/corpus/{pinmark,twinflip}/
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Actions, in the order of Session::Act.
INIT, GET_CLASS, CAN_UNLOAD, FACTORY, CREATE, OBJECT, _, EXECUTE, OPTION, DATA, \
    ADD_NODES, NODE_VALUE, NODE_RECORD, LIST, DUPLICATE, HOST = range(16)
# Ids, in the order of the table in session_input.cpp.
IUNKNOWN, ICLASSFACTORY, EXTENSION, EXCHANGER, SCENE_OPERATION, SCENE_NODE = range(6)
PINMARK_CLASS, TWINFLIP_CLASS = 11, 12
# Id selectors for the calls no host makes: no out pointer, no id.
NO_OUT, NO_ID = 0xfe, 0xff
# Float selectors: the special table, then quarters.
NAN, INF, NEG_INF, FLT_MAX, DENORM = 6, 9, 10, 11, 14
# Node records (session_scene.cpp).
TRANSFORM, PLACEMENT, FRAME, PIVOT, AXIS, BOX = range(6)


def u16(value):
    return struct.pack("<H", value)


def u32(value):
    return struct.pack("<I", value)


def quarter(value):
    """A float in steps of a quarter from -27 to 27.75."""
    selector = 128 + int(round(value * 4))
    assert 20 <= selector < 0xf0
    return bytes([selector])


def raw_float(value):
    return bytes([0xf0]) + struct.pack("<f", value)


def code(text):
    return struct.unpack("<I", text.encode())[0]


class Session:
    def __init__(self):
        self.out = bytearray()
        self.nodes = 0  # nodes of the scene, not counting the hidden root

    def emit(self, *parts):
        for part in parts:
            self.out += bytes([part]) if isinstance(part, int) else part
        return self

    def node(self, index):
        """Selects node `index` (0-based, in order of creation)."""
        return u16(index)

    def init(self, host):  # 0 A, 1 B, 2 null
        return self.emit(INIT, host)

    def get_factory(self, clsid, iid=ICLASSFACTORY):
        return self.emit(GET_CLASS, clsid, iid)

    def create(self, factory=0, iid=EXTENSION, outer=False):
        return self.emit(CREATE, factory, 1 if outer else 0, iid)

    def lock(self, factory, value):  # value: 0 unlocks, 0x80 locks
        return self.emit(FACTORY, factory, 4, value)

    def release_factory(self, factory):
        return self.emit(FACTORY, factory, 2)

    def position(self, obj, position, *arguments):
        return self.emit(OBJECT, obj, position, 0x5a, *arguments)

    def execute(self, obj, node):
        if node is None:
            return self.emit(EXECUTE, obj, 0, 0x33)
        return self.emit(EXECUTE, obj, 1, self.node(node), 0x33)

    def option(self, obj, text):
        return self.emit(OPTION, obj, 6, u32(code(text)))

    def data(self, obj, offset, value):
        return self.emit(DATA, obj, offset, value)

    def add(self, parent=None, shape=0, count=1, ends=0, branches=()):
        """shape 0 one node, 1 a chain, 2 a fan, 3 a small tree."""
        self.emit(ADD_NODES, 1 if parent is None else 0)
        if parent is not None:
            self.emit(self.node(parent))
        self.emit(shape, ends)
        if shape == 1:
            self.emit(u16(count - 1))
        elif shape >= 2:
            self.emit(count - 1)
        if shape == 3:
            assert len(branches) == count - 1
            self.emit(*branches)
        first = self.nodes
        self.nodes += count
        return first

    def value(self, node, record, element, float_bytes):
        return self.emit(NODE_VALUE, self.node(node), record + 6 * element, float_bytes)

    def record(self, node, record, pattern, *values):
        return self.emit(NODE_RECORD, self.node(node), record, pattern, *values)

    def list_node(self, owner, listed):
        return self.emit(LIST, self.node(owner), 0, 0, self.node(listed))

    def list_self(self, owner):
        return self.emit(LIST, self.node(owner), 1, 0)

    def list_refusing(self, owner, kind):
        return self.emit(LIST, self.node(owner), 2, kind)

    def list_null(self, owner):
        return self.emit(LIST, self.node(owner), 3, 0)

    def list_report(self, owner, report):  # 0 entries, 1 unwritten, 2 negative
        return self.emit(LIST, self.node(owner), 5, report)

    def fail_duplicate(self, node):
        return self.emit(DUPLICATE, 0, self.node(node))

    def fail_duplicates_after(self, n):
        return self.emit(DUPLICATE, 1, n)

    def refuse_nth(self, host, k):  # the k-th request from now, 1 to 8
        return self.emit(HOST, host, 0, k - 1)

    def refuse_after(self, host, granted):
        return self.emit(HOST, host, 1, granted)

    def refuse_all(self, host):
        return self.emit(HOST, host, 2, 0)

    def allow_all(self, host):
        return self.emit(HOST, host, 3, 0)

    def refuse_service(self, host, slot):
        return self.emit(HOST, host, 4, slot)


def every_position(s, obj, node):
    for position in range(15):
        if position in (2, 4, 11):
            continue  # Release, Clone and Execute are seeded on their own
        arguments = {0: (EXCHANGER,), 3: (2,)}.get(position, ())
        s.position(obj, position, *arguments)
    s.emit(OBJECT, obj, 11, 0x5a, 1, s.node(node), 0x11)


def pinmark_seeds():
    seeds = {}

    s = Session()
    a, b = s.add(), s.add()
    s.record(a, PLACEMENT, 3, 2, quarter(10), quarter(0), quarter(0), quarter(1))
    s.value(a, PIVOT, 0, quarter(1))
    s.list_self(a).list_self(b).list_node(b, a)
    s.get_factory(PINMARK_CLASS).create().execute(0, a)
    s.create().option(1, "HLPA").execute(1, b)
    s.release_factory(0)
    seeds["memorize_then_place"] = s

    s = Session()
    n = s.add()
    for kind in range(3):
        s.list_refusing(n, kind)
    s.list_null(n).list_self(n)
    m = s.add()
    s.list_node(n, m)
    s.get_factory(PINMARK_CLASS).create().option(0, "HLPA").execute(0, n)
    s.list_report(n, 2).execute(0, n).list_report(n, 1).execute(0, n)
    seeds["node_lists"] = s

    s = Session()
    n = s.add()
    s.record(n, PLACEMENT, 1, bytes([NAN]))
    m = s.add()
    s.value(m, PLACEMENT, 12, bytes([0]))  # s = 0
    k = s.add()
    s.value(k, AXIS, 1, bytes([DENORM]))
    s.value(k, PLACEMENT, 9, bytes([FLT_MAX]))
    s.get_factory(PINMARK_CLASS).create()
    s.value(n, PIVOT, 2, bytes([INF])).execute(0, n)
    s.option(0, "HLPA").execute(0, m).execute(0, k).execute(0, n)
    seeds["non_finite_place"] = s

    s = Session()
    s.refuse_nth(0, 1).get_factory(PINMARK_CLASS).get_factory(PINMARK_CLASS)
    s.refuse_nth(0, 1).create().create().refuse_nth(0, 1).position(1, 4).position(1, 4)
    s.refuse_all(0).get_factory(PINMARK_CLASS).create().allow_all(0)
    seeds["refused_memory"] = s

    s = Session()
    n = s.add()
    s.get_factory(PINMARK_CLASS).create().refuse_service(1, 3)
    s.position(0, 3, 1).create().execute(1, n).init(0).position(0, 3, 1)
    s.position(1, 2).init(2).position(0, 2).lock(0, 0x80).lock(0, 0x80)
    seeds["second_host"] = s

    s = Session()
    n = s.add()
    s.get_factory(PINMARK_CLASS, IUNKNOWN).get_factory(TWINFLIP_CLASS).get_factory(PINMARK_CLASS, EXTENSION)
    s.create(0, IUNKNOWN, outer=True).create(0, EXTENSION, outer=True).create(0, SCENE_NODE)
    every_position(s, 0, n)
    s.lock(0, 0).emit(CAN_UNLOAD)
    # Pointers missing where the contract has them.
    s.emit(GET_CLASS, NO_ID, ICLASSFACTORY).emit(GET_CLASS, PINMARK_CLASS, NO_OUT)
    s.emit(FACTORY, 0, 0, NO_ID).create(0, NO_OUT).position(0, 0, NO_OUT)
    s.emit(OBJECT, 0, 12, 0xff)
    seeds["every_position"] = s
    return seeds


def twinflip_seeds():
    seeds = {}

    s = Session()
    top = s.add()
    s.add(top, shape=3, count=6, branches=(0, 0, 1, 1, 3))
    s.record(top, TRANSFORM, 3, 9, quarter(1), quarter(2), quarter(3), quarter(2))
    s.value(top, PIVOT, 1, quarter(0.5))
    s.get_factory(TWINFLIP_CLASS).create().option(0, "SXAY").data(0, 4, 0).execute(0, top)
    s.option(0, "SXAZ").data(0, 4, 2).execute(0, top).create()
    seeds["small_tree"] = s

    s = Session()
    top = s.add()
    s.add(top, shape=1, count=600)
    s.get_factory(TWINFLIP_CLASS).create().execute(0, top)
    s.refuse_nth(0, 2).execute(0, top).refuse_after(0, 1).execute(0, top).allow_all(0)
    seeds["deep_chain"] = s

    s = Session()
    top = s.add(ends=1)
    first = s.add(top, shape=2, count=8, ends=1)
    s.add(first + 2, shape=2, count=3, ends=2)
    s.fail_duplicate(first + 1).fail_duplicate(first + 4)
    s.get_factory(TWINFLIP_CLASS).create().execute(0, top)
    s.fail_duplicates_after(5).execute(0, top).fail_duplicate(top).execute(0, top)
    seeds["sibling_ends_and_failures"] = s

    s = Session()
    top = s.add()
    s.record(top, TRANSFORM, 2, *([bytes([NAN]), bytes([INF]), bytes([NEG_INF]), bytes([DENORM]),
                                   bytes([FLT_MAX]), bytes([0]), bytes([1]), raw_float(1e-40)] +
                                  [quarter(1)] * 5))
    s.value(top, AXIS, 2, bytes([0]))
    s.get_factory(TWINFLIP_CLASS).create().data(0, 4, 0)
    for axis in ("SXAX", "SXAY", "SXAZ", "XXXX"):
        s.option(0, axis).execute(0, top)
    seeds["non_finite_mirror"] = s

    s = Session()
    n = s.add()
    s.get_factory(TWINFLIP_CLASS, IUNKNOWN).get_factory(PINMARK_CLASS).create(0, EXCHANGER)
    s.create(0, IUNKNOWN, outer=True).create(0, IUNKNOWN)
    every_position(s, 0, n)
    s.position(1, 3, 1).position(0, 4).release_factory(0).position(1, 2)
    seeds["every_position_second_host"] = s
    return seeds


def main():
    for module, seeds in (("pinmark", pinmark_seeds()), ("twinflip", twinflip_seeds())):
        directory = os.path.join(HERE, "corpus", module)
        os.makedirs(directory, exist_ok=True)
        for name, session in seeds.items():
            with open(os.path.join(directory, name), "wb") as f:
                f.write(session.out)


if __name__ == "__main__":
    main()
