#!/usr/bin/env bash
# Compiles every source of a configured build for AArch64 (syntax and types only), with the
# build's own flags and the cross compiler, so code that builds only on x86-64 fails here.
#   bash scripts/aarch64_check.sh [build dir, default build/release] [parallel jobs, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
python3 - "$build/compile_commands.json" "${2:-3}" <<'PY'
import json, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor

entries = json.load(open(sys.argv[1]))

def cross(e):
    words = shlex.split(e["command"]) if "command" in e else list(e["arguments"])
    cxx = not e["file"].endswith(".c")
    out = ["aarch64-linux-gnu-g++" if cxx else "aarch64-linux-gnu-gcc", "-fsyntax-only"]
    skip = False
    for w in words[1:]:
        if skip:
            skip = False
        elif w in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif w not in ("-c", "-MD", "-MMD"):
            out.append(w)
    return out

def check(e):
    r = subprocess.run(cross(e), cwd=e["directory"], capture_output=True, text=True)
    return e["file"], r.returncode, r.stderr

jobs = max(1, int(sys.argv[2]))
with ThreadPoolExecutor(jobs) as pool:
    results = list(pool.map(check, entries))
failed = [(f, err) for f, rc, err in results if rc != 0]
for f, err in failed:
    print(f"aarch64: {f} does not compile\n{err}", file=sys.stderr)
print(f"aarch64: {len(results) - len(failed)} of {len(results)} sources compile")
sys.exit(1 if failed or not results else 0)
PY
