"""The kestrum module's calls for a host that mirrors many objects, as a Blender add-on
does on each press: N boxes above a base added, "align selected" pressed once (the
first use builds the host document), and the moved ones' world matrices read back; in
bulk (add_objects, worlds) and object by object (add, Object.world). Best of REPEATS,
with Python's garbage collector off while timing, as timeit has it.

    PYTHONPATH=build/python python3 bench/python_bulk.py [N ...]
"""

import gc
import sys
import time
from array import array

import kestrum

REPEATS = 5


def grid(count):
    """The base, then count boxes in rows of 100: names, row-major matrices, half sizes."""
    names = ["Base"] + [f"Box{i}" for i in range(count)]
    rows = [((1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1))]
    rows += [((1, 0, 0, i % 100 * 3.0), (0, 1, 0, i // 100 * 3.0), (0, 0, 1, 5.0), (0, 0, 0, 1))
             for i in range(count)]
    halves = [(40, 40, 1)] + [(1, 1, 1)] * count
    return names, rows, halves


def in_bulk(plugin, names, rows, halves):
    columns = array("f", [m[r][c] for m in rows for c in range(4) for r in range(4)])
    half_sizes = array("f", [v for h in halves for v in h])
    selected = bytes([0] + [1] * (len(names) - 1))
    doc = plugin.new_document("bench")
    gc.collect()
    gc.disable()
    began = time.perf_counter()
    objects = doc.add_objects(names, matrices=columns, half_sizes=half_sizes, selected=selected,
                              layout="columns")
    added = time.perf_counter()
    result = press(doc, objects[0])
    pressed = time.perf_counter()
    worlds = doc.worlds(result.moved, layout="columns")
    read = time.perf_counter()
    gc.enable()
    assert len(worlds) == 16 * (len(names) - 1)
    return added - began, pressed - added, read - pressed


def one_by_one(plugin, names, rows, halves):
    doc = plugin.new_document("bench")
    gc.collect()
    gc.disable()
    began = time.perf_counter()
    objects = [doc.add(name, matrix=m, half_sizes=h, selected=i > 0)
               for i, (name, m, h) in enumerate(zip(names, rows, halves))]
    added = time.perf_counter()
    result = press(doc, objects[0])
    pressed = time.perf_counter()
    worlds = [o.world for o in result.moved]
    read = time.perf_counter()
    gc.enable()
    assert len(worlds) == len(names) - 1
    return added - began, pressed - added, read - pressed


def press(doc, base):
    doc.settings["reference"] = base
    doc.settings["z"] = "plus:outside"
    return doc.press("align selected")


def main():
    print("| objects | calls | add | first press | worlds | total |")
    print("|---:|---|---:|---:|---:|---:|")
    with kestrum.Plugin() as plugin:
        for count in [int(n) for n in sys.argv[1:]] or [10000, 100000]:
            scene = grid(count)
            for label, run in (("add_objects, worlds", in_bulk), ("add, Object.world", one_by_one)):
                best = [min(times) for times in zip(*(run(plugin, *scene) for _ in range(REPEATS)))]
                cells = " | ".join(f"{seconds * 1e3:.1f} ms" for seconds in best + [sum(best)])
                print(f"| {count} | {label} | {cells} |")


if __name__ == "__main__":
    main()
