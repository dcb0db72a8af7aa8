#!/usr/bin/env python3
"""The rooms of the fitting program call only the rooms they declare, and none in a cycle.

    rooms_check.py NM FIT_DIR ROOM=ARCHIVE=LOWER,LOWER ...

Each argument names a room, its static library and the rooms its CMake target links. From
the libraries' symbols (what each object needs and what each room defines) the rooms each
room really calls are found, declarations made anywhere included; every such call must go
to a declared room, and the declared rooms must form no cycle. Includes are the compiler's
to check: a room's private headers are on no other room's include path, and no source
under FIT_DIR names a header by a path (which would reach past that).
"""
import pathlib
import re
import subprocess
import sys

nm, fit_dir = sys.argv[1], pathlib.Path(sys.argv[2])
rooms = {}
for arg in sys.argv[3:]:
    name, archive, lower = arg.split("=", 2)
    rooms[name] = (archive, [r for r in lower.split(",") if r])


def symbols(archive, *opts):
    out = subprocess.run([nm, "-g", "-P", *opts, archive], capture_output=True, text=True,
                         check=True).stdout
    return out.splitlines()


defined, needed = {}, {}
for name, (archive, _) in rooms.items():
    needed[name] = set()
    for line in symbols(archive, "--defined-only"):
        words = line.split()
        if len(words) >= 2 and words[1] in "TDBR":
            defined.setdefault(words[0], set()).add(name)
    for line in symbols(archive, "--undefined-only"):
        words = line.split()
        if words and not words[0].endswith(":"):
            needed[name].add(words[0])

failures = 0
for src in sorted(fit_dir.rglob("*")):
    if src.suffix not in (".cpp", ".h"):
        continue
    door = src.parent.name == "door"
    for n, line in enumerate(src.read_text().splitlines(), 1):
        m = re.match(r'\s*#\s*include\s*"([^"]*/[^"]*)"', line)
        if m and not (door and re.fullmatch(r"\.\./[^/]+\.h", m.group(1))):
            print(f"{src}:{n}: includes {m.group(1)} by a path")
            failures += 1

calls = {}
for name, syms in needed.items():
    calls[name] = {}
    for s in syms:
        for owner in defined.get(s, ()):
            if owner != name:
                calls[name].setdefault(owner, []).append(s)
    for owner, syms_there in sorted(calls[name].items()):
        if owner not in rooms[name][1]:
            demangled = subprocess.run(["c++filt"], input="\n".join(sorted(syms_there)[:5]),
                                       capture_output=True, text=True).stdout.split("\n")
            print(f"room {name} calls room {owner}, which it does not link: "
                  + "; ".join(d for d in demangled if d))
            failures += 1

# A cycle among the declared links (CMake allows cyclic static libraries; the rooms must not).
state = {}


def visit(room, path):
    global failures
    if state.get(room) == "done":
        return
    if state.get(room) == "open":
        print("rooms in a cycle: " + " -> ".join(path[path.index(room):] + [room]))
        failures += 1
        return
    state[room] = "open"
    for lower in rooms.get(room, ("", []))[1]:
        visit(lower, path + [room])
    state[room] = "done"


for room in rooms:
    visit(room, [])

for name in rooms:
    print(f"{name} -> {', '.join(sorted(calls[name])) or '(none)'}")
print(f"rooms: {len(rooms)} checked, {failures} failed")
sys.exit(1 if failures else 0)
