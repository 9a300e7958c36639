"""Placements in each frame, checked against world boxes worked out here from the written
file (its positions, degrees, scales and box centres), not by the project's own matrix
code; and the same press from the command, from Python and from the view writing the
same bytes. Run with KESTRUM_COMMAND naming the command and the kestrum package on
PYTHONPATH."""

import http.client
import json
import math
import os
import pathlib
import signal
import subprocess

import pytest

import kestrum

COMMAND = os.environ["KESTRUM_COMMAND"]
FIXTURES = pathlib.Path(__file__).resolve().parent.parent / "fixtures" / "frames"
TOLERANCE = 1e-9

# A turned, unevenly scaled table that is itself selected; a child under a turned and
# moved parent; a mirrored box; a tilted box whose geometry sits off its origin.
ROOM = {"objects": [
    {"name": "Table", "position": [10, 40, -5], "rotation": [0, 30, 0], "scale": [2, 1, 0.4],
     "halfSize": [40, 20, 50], "selected": True},
    {"name": "Parent", "position": [200, 100, 300], "rotation": [0, 0, 45], "halfSize": [5, 5, 5],
     "children": [{"name": "Child", "position": [30, -10, 20], "rotation": [0, 20, 0],
                   "halfSize": [6, 4, 2], "selected": True}]},
    {"name": "Mirrored", "position": [-90, 10, 60], "rotation": [0, 0, 20], "scale": [-1, 1, 1],
     "halfSize": [8, 3, 5], "selected": True},
    {"name": "Tilted", "position": [60, -30, -80], "rotation": [15, 0, 10], "scale": [1.5, 1, 1],
     "halfSize": [10, 12, 6], "boxCenter": [4, 6, -2], "selected": True}],
    "tool": {"reference": "Table"}}
MOVED = ["Parent/Child", "Mirrored", "Tilted"]

# Five boxes in a row along X, turned and sized differently, listed out of order.
ROW = {"objects": [
    {"name": f"B{i}", "position": [x, i * 3, -i], "rotation": [0, 0, 25 * i],
     "halfSize": [1 + i, 2, 1], "selected": True}
    for i, x in enumerate([40, 0, 13, 31, 7])]}


def rotation(degrees):
    """About X, then Y, then Z, all about the parent's axes."""
    a, b, c = (math.radians(d) for d in degrees)
    rx = [[1, 0, 0], [0, math.cos(a), -math.sin(a)], [0, math.sin(a), math.cos(a)]]
    ry = [[math.cos(b), 0, math.sin(b)], [0, 1, 0], [-math.sin(b), 0, math.cos(b)]]
    rz = [[math.cos(c), -math.sin(c), 0], [math.sin(c), math.cos(c), 0], [0, 0, 1]]
    return product(rz, product(ry, rx))


def product(a, b):
    return [[sum(a[r][k] * b[k][c] for k in range(3)) for c in range(3)] for r in range(3)]


def applied(m, v):
    return [sum(m[r][k] * v[k] for k in range(3)) for r in range(3)]


def world_objects(scene):
    """path -> (3x3 linear part, origin, half sizes, box centre) in world axes."""
    found = {}

    def walk(objects, linear, origin, prefix):
        for o in objects:
            scale = o.get("scale", [1, 1, 1])
            local = rotation(o.get("rotation", [0, 0, 0]))
            local = [[local[r][c] * scale[c] for c in range(3)] for r in range(3)]
            mine = product(linear, local)
            at = [origin[r] + applied(linear, o.get("position", [0, 0, 0]))[r] for r in range(3)]
            path = prefix + o["name"]
            found[path] = (mine, at, o["halfSize"], o.get("boxCenter", [0, 0, 0]))
            walk(o.get("children", []), mine, at, path + "/")

    walk(scene["objects"], [[1, 0, 0], [0, 1, 0], [0, 0, 1]], [0, 0, 0], "")
    return found


def box_along(axes, placed):
    """(low, high) of the object's box along three unit axes (rows of `axes`)."""
    linear, origin, half, centre = placed
    corners = [applied(linear, [centre[i] + s[i] * half[i] for i in range(3)])
               for s in [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]]
    along = [[sum(axes[k][i] * (origin[i] + corner[i]) for i in range(3)) for k in range(3)]
             for corner in corners]
    return [min(p[k] for p in along) for k in range(3)], [max(p[k] for p in along) for k in range(3)]


WORLD = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]


def unit_columns(linear):
    lengths = [math.sqrt(sum(linear[r][c] ** 2 for r in range(3))) for c in range(3)]
    return [[linear[r][c] / lengths[c] for r in range(3)] for c in range(3)], lengths


def determinant(m):
    return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
            - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
            + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))


def near(a, b, what):
    assert all(math.isclose(x, y, rel_tol=TOLERANCE, abs_tol=TOLERANCE * 100)
               for x, y in zip(a, b)), f"{what}: {a} != {b}"


def align(tmp_path, scene, *arguments, status=0):
    source = tmp_path / "scene.json"
    source.write_text(json.dumps(scene))
    written = tmp_path / "out.json"
    written.unlink(missing_ok=True)
    run = subprocess.run([COMMAND, "align", str(source), *arguments, "-o", str(written)],
                         capture_output=True, text=True, check=False)
    assert run.returncode == status, run.stderr
    return run, (json.loads(written.read_text()) if status == 0 else None)


# A face mode: which face of the moved box (0 low, 1 high) meets which of the
# reference's, and which way the gap moves it.
FACES = {"plus:outside": (0, 1, 1), "plus:inside": (1, 1, -1),
         "minus:outside": (1, 0, -1), "minus:inside": (0, 0, 1)}


# frame, axes (x, y, z; None: not aligned), gap (x, y, z)
PLACEMENTS = [
    ("world", ["center", "plus:outside", None], [0, 0, 0]),
    ("world", ["minus:inside", None, "plus:outside"], [0, 0, 0]),
    ("world", ["plus:outside", "plus:inside", "center"], [2, 3, 4]),
    ("world", ["minus:outside", "minus:inside", None], [-1.5, 0.5, 0]),
    ("reference", ["center", "plus:outside", "minus:inside"], [0, 0, 0]),
    ("reference", [None, "minus:outside", "plus:inside"], [0, 2, 1]),
]


@pytest.mark.parametrize("frame, axes, gap", PLACEMENTS)
def test_placements_against_independent_world_boxes(tmp_path, frame, axes, gap):
    options = ["--frame", frame, "--gap", ",".join(map(str, gap))]
    for letter, mode in zip("xyz", axes):
        options += [f"--{letter}", mode or "none"]
    _, written = align(tmp_path, ROOM, *options)
    before, after = world_objects(ROOM), world_objects(written)
    assert after["Table"] == before["Table"], "the selected reference stays"
    table_axes = WORLD if frame == "world" else unit_columns(before["Table"][0])[0]
    ref_low, ref_high = box_along(table_axes, before["Table"])
    for path in MOVED:
        linear, _, _, _ = after[path]
        if frame == "world":
            near(sum(linear, []), sum(before[path][0], []), f"{path} keeps its axes and scale")
        else:
            # Each axis along the table's, a mirrored one the other way.
            turned = [abs(sum(a * b for a, b in zip(mine, theirs)))
                      for mine, theirs in zip(unit_columns(linear)[0], table_axes)]
            near(turned, [1, 1, 1], f"{path} takes the table's axes")
            near(unit_columns(linear)[1], unit_columns(before[path][0])[1], f"{path} keeps scale")
        assert (determinant(linear) < 0) == (determinant(before[path][0]) < 0), path
        old_low, old_high = box_along(table_axes, before[path])
        low, high = box_along(table_axes, after[path])
        for k, mode in enumerate(axes):
            what = f"{frame} {path} axis {'xyz'[k]}"
            if mode is None:  # its centre stays, though a turned box's faces move
                near([low[k] + high[k]], [old_low[k] + old_high[k]], what + " unchanged")
            elif mode == "center":
                near([(low[k] + high[k]) / 2], [(ref_low[k] + ref_high[k]) / 2 + gap[k]], what)
            else:
                mine, theirs, way = FACES[mode]
                near([(low, high)[mine][k]], [(ref_low, ref_high)[theirs][k] + way * gap[k]], what)


def test_the_tool_frame_writes_what_it_wrote_before_and_keeps_mirrors(tmp_path):
    _, written = align(tmp_path, ROOM, "--frame", "tool", "--x", "center", "--y", "plus:outside")
    expected = json.loads((FIXTURES / "room-tool-frame.json").read_text())
    mirrored = [o for o in written["objects"] if o["name"] == "Mirrored"]
    assert [o for o in written["objects"] if o["name"] != "Mirrored"] == \
        [o for o in expected["objects"] if o["name"] != "Mirrored"]
    assert determinant(world_objects(written)["Mirrored"][0]) < 0, mirrored


def test_a_group_and_the_selections_box_against_independent_world_boxes(tmp_path):
    members = ["Tilted", "Parent/Child"]  # turned about X and Z, and under a turned parent
    before = world_objects(ROOM)
    _, written = align(tmp_path, ROOM, "--select", "Tilted", "--select", "Parent/Child",
                       "--as-group", "--x", "plus:outside")
    after = world_objects(written)
    lows = [box_along(WORLD, after[path])[0][0] for path in members]
    near([min(lows)], [box_along(WORLD, before["Table"])[1][0]], "the group's low face")
    near([a - b for a, b in zip(after["Tilted"][1], after["Parent/Child"][1])],
         [a - b for a, b in zip(before["Tilted"][1], before["Parent/Child"][1])],
         "the members keep their places in the group")
    _, written = align(tmp_path, ROOM, "--select", "Tilted", "--select", "Mirrored",
                       "--reference", "@selection", "--y", "minus:inside")
    lowest = min(box_along(WORLD, before[path])[0][1] for path in ["Tilted", "Mirrored"])
    for path in ["Tilted", "Mirrored"]:
        near([box_along(WORLD, world_objects(written)[path])[0][1]], [lowest], path)


@pytest.mark.parametrize("gap", [None, 2.0, -0.5])
def test_even_spacing_against_independent_world_boxes(tmp_path, gap):
    _, written = align(tmp_path, ROW, "--distribute", "x",
                       *([] if gap is None else ["--gap", str(gap)]))
    before, after = world_objects(ROW), world_objects(written)
    order = sorted(before, key=lambda path: box_along(WORLD, before[path])[0][0])
    spans = [box_along(WORLD, after[path]) for path in order]
    gaps = [spans[i + 1][0][0] - spans[i][1][0] for i in range(len(spans) - 1)]
    near(gaps, [gaps[0] if gap is None else gap] * len(gaps), "gaps between neighbours")
    stays = [order[0], order[-1]] if gap is None else [order[0]]
    for path in before:
        if path in stays:
            assert after[path] == before[path], path
        near(sum(after[path][0], []), sum(before[path][0], []), path + " keeps its axes")
        near(box_along(WORLD, after[path])[0][1:], box_along(WORLD, before[path])[0][1:],
             path + ": only x changes")


@pytest.mark.parametrize("options, status, message", [
    (["--y", "plus:outside", "--gap", "-200"], 2, "inside out"),
    (["--y", "plus:inside", "--gap", "nan"], 2, "--gap"),
    (["--y", "plus:inside", "--gap", "1", "--frame", "tool"], 2, "--gap"),
    (["--distribute", "x", "--select", "Mirrored", "--select", "Tilted"], 0,
     "nothing to space"),
    (["--distribute", "x", "--stack", "Mirrored", "Tilted", "--"], 2, "--stack"),
    (["--distribute", "y", "--frame", "reference"], 2, "--frame"),
])
def test_refused_or_idle_without_writing_a_bad_file(tmp_path, options, status, message):
    run, _ = align(tmp_path, ROOM, *options, status=status)
    assert message in run.stderr + run.stdout
    assert status == 0 or not (tmp_path / "out.json").exists()


def view_writes(scene_path, frame, written):
    """The scene through `kestrum view`: the frame chosen, "align selected" pressed, saved."""
    view = subprocess.Popen([COMMAND, "view", str(scene_path), "-o", str(written)],
                            stdout=subprocess.PIPE, text=True)
    try:
        address = view.stdout.readline().strip()
        port = int(address.split(":")[2].split("/")[0])
        token = address.split("token=")[1]
        for path, body in [("/api/placement", {"frame": frame}),
                           ("/api/press", {"control": 10001}), ("/api/save", {})]:
            connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
            connection.request("POST", path, json.dumps(body),
                               {"Content-Type": "application/json", "X-Kestrum-Token": token})
            answer = connection.getresponse()
            assert answer.status == 200, (path, answer.read())
            answer.read()
            connection.close()
    finally:
        view.send_signal(signal.SIGINT)
        view.wait(timeout=30)


@pytest.mark.parametrize("frame", ["world", "reference", "tool"])
def test_command_python_and_view_write_the_same_bytes(tmp_path, frame):
    scene = dict(ROOM, tool={"reference": "Table", "x": "center", "y": "plus:outside",
                             "z": "minus:inside"})
    align(tmp_path, scene, "--frame", frame)
    by_command = (tmp_path / "out.json").read_bytes()
    with kestrum.Plugin() as plugin:
        document = plugin.open(str(tmp_path / "scene.json"))
        document.press("align selected", frame=frame)
        document.save(str(tmp_path / "python.json"))
    assert (tmp_path / "python.json").read_bytes() == by_command
    if os.environ.get("KESTRUM_VIEW_BUILT"):
        view_writes(tmp_path / "scene.json", frame, tmp_path / "view.json")
        assert (tmp_path / "view.json").read_bytes() == by_command
