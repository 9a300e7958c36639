"""The edges between the project's rooms, read from the #include lines: front ends
(command/, view/, python/) reach the host only through the session layer and never
reach each other (but for the command's `view` subcommand, which starts the view);
the core reaches neither the host nor the session; the text and geometry helpers reach
nothing of the project but each other and the binary interface."""

import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1])
FRONT_ENDS = {"command", "view", "python"}
# What each room may include, beside itself.
ALLOWED = {
    "text": {"geometry", "interface"},
    "geometry": {"text", "interface"},
    "core": {"text", "geometry", "interface", "plugin"},
    "host": {"text", "geometry", "interface"},
    "session": {"core", "host", "text", "geometry", "interface", "plugin"},
    "command": {"session", "core", "text", "geometry", "interface", "plugin", "validator",
                "view"},
    "view": {"session", "core", "text", "geometry", "interface", "plugin"},
    "python": {"session", "core", "text", "geometry", "interface", "plugin"},
}
ROOMS = {"resource": "interface", "source": "plugin"}


def room_of(path):
    first = path.relative_to(ROOT).parts[0]
    return ROOMS.get(first, first)


headers = {}
for header in ROOT.glob("*/**/*.h"):
    if room_of(header) in ("tests", "build", "node_modules") or "build" in header.parts[1:2]:
        continue
    headers.setdefault(header.name, set()).add(room_of(header))

problems = []
read = 0
for name, rooms in headers.items():
    if len(rooms) > 1:
        problems.append(f"{name} is a header of {sorted(rooms)}: includes cannot tell which")
for room in ALLOWED:
    for source in sorted((ROOT / room).rglob("*")):
        if source.suffix not in (".h", ".cpp"):
            continue
        read += 1
        for line_number, line in enumerate(source.read_text().splitlines(), 1):
            included = re.match(r'\s*#include "([^"]+)"', line)
            if not included:
                continue
            for target in headers.get(pathlib.Path(included[1]).name, ()):
                if target != room and target not in ALLOWED[room]:
                    problems.append(f"{source.relative_to(ROOT)}:{line_number}: {room} "
                                    f"includes {included[1]} of {target}")

for problem in problems:
    print(problem)
print(f"include edges: {read} files read, {len(problems)} edges out of place")
sys.exit(1 if problems else 0)
