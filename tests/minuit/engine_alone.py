#!/usr/bin/python3
"""The engine needs nothing of the program: none of the program's libraries among its own,
no folder of the program on the include path of its sources.

engine_alone.py NEEDS COMPILE_COMMANDS SOURCE_DIR -- NEEDS holds the engine target's
libraries on its first line and its include folders on the second (both ;-separated)."""
import json
import os
import shlex
import sys

needs_file, commands_file, source = sys.argv[1:4]
source = os.path.realpath(source)
allowed = [os.path.join(source, d) for d in ("minuit", "ask_lib")]
faults = []


def inside(path, folder):
    return path == folder or path.startswith(folder + os.sep)


def check_folder(path, where):
    path = os.path.realpath(path)
    if inside(path, source) and not any(inside(path, a) for a in allowed):
        faults.append(f"{where}: {path}")


with open(needs_file) as f:
    lines = f.read().split("\n")
libs, dirs = lines[0].split(";"), lines[1].split(";")
for lib in libs:
    if lib == "fit" or lib.startswith("fit_"):
        faults.append(f"engine links {lib}")
for d in filter(None, dirs):
    check_folder(d, "engine include folder")

engine_sources = 0
with open(commands_file) as f:
    for entry in json.load(f):
        if not inside(os.path.realpath(entry["file"]), os.path.join(source, "minuit")):
            continue
        engine_sources += 1
        words = shlex.split(entry.get("command") or " ".join(entry["arguments"]))
        for i, w in enumerate(words):
            for flag in ("-I", "-isystem", "-iquote"):
                if w == flag and i + 1 < len(words):
                    check_folder(words[i + 1], entry["file"])
                elif w.startswith(flag) and len(w) > len(flag):
                    check_folder(w[len(flag):], entry["file"])
if engine_sources == 0:
    faults.append("no engine source in the compile commands")

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
