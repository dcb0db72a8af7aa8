#!/usr/bin/env python3
"""The README's scan recipe, run as written on generated runs whose truth is known.

    readme_scan.py README KAVRIN_DIR TOOLS_DIR WORK_DIR

The recipe's files (scan.kav, scan1.sh), its two ways of running the fits (the GNU parallel
line, whose per-run command lines are run here one by one as parallel would run them, since
parallel need not be installed, and the plain loop) and its table command are taken from the
README's scan section. Every fitted value must lie within 4 errors of the value its run was
generated with, and the table must hold one row per run with its temperature.
"""
import csv
import os
import shlex
import shutil
import subprocess
import sys

readme, kavrin_dir, tools, work = sys.argv[1:5]

# Run k: Gaussian damping at 1.36 MHz, a width that falls with temperature, phases 30 + 25 k.
RUNS = [dict(name="run_%04d" % (101 + k), temp=5.0 * (k + 1), sigma=0.6 - 0.05 * k,
             asym=0.22, freq=1.36, phase=30.0 + 25.0 * k, seed=71 + k) for k in range(8)]


def code_blocks(text):
    """The indented code blocks of the section '## Scans', each as its text."""
    lines = text.split("\n")
    start = next(i for i, l in enumerate(lines) if l.startswith("## Scans"))
    end = next(i for i in range(start + 1, len(lines)) if lines[i].startswith("## "))
    blocks, cur = [], None
    for l in lines[start:end] + [""]:
        if l.startswith("    "):
            cur = (cur or []) + [l[4:]]
        elif l.strip() == "" and cur is not None:
            cur.append("")
        elif cur is not None:
            blocks.append(cur)
            cur = None
    if cur is not None:
        blocks.append(cur)
    out = []
    for b in blocks:
        while b and b[-1] == "":
            b.pop()
        out.append("\n".join(b) + "\n")
    return out


def block(blocks, head):
    found = [b for b in blocks if b.startswith(head)]
    if len(found) != 1:
        sys.exit("README: %d code blocks begin with %r" % (len(found), head))
    return found[0]


def fail(msg):
    print(msg)
    global failures
    failures += 1


def run_parallel_line(line, env):
    """The command lines GNU parallel would run for line: --colsep, a template with {1},
    {2}, ..., and '::::' with the argument file; each is run through the shell here."""
    words = shlex.split(line.replace("\\\n", " "))
    envs = {}
    while "=" in words[0]:
        k, v = words.pop(0).split("=", 1)
        envs[k] = v
    assert words.pop(0) == "parallel", line
    colsep, template = None, []
    while words[0].startswith("--"):
        opt = words.pop(0)
        val = words.pop(0)
        if opt == "--colsep":
            colsep = val
    while words[0] != "::::":
        template.append(words.pop(0))
    argfile = words[1]
    for row in open(argfile).read().splitlines():
        fields = row.split(colsep) if colsep else [row]
        cmd = " ".join(template)
        for i, f in enumerate(fields, 1):
            cmd = cmd.replace("{%d}" % i, shlex.quote(f))
        rc = subprocess.call(cmd, shell=True, env=dict(env, **envs))
        if rc != 0:
            fail("%s: status %d" % (cmd, rc))


def check_table(label):
    with open("scan.csv") as f:
        rows = list(csv.reader(f))
    head, body = rows[0], rows[1:]
    if len(body) != len(RUNS):
        fail("%s: %d table rows for %d runs" % (label, len(body), len(RUNS)))
    by_run = {r[0]: dict(zip(head, r)) for r in body}
    for run in RUNS:
        r = by_run.get(run["name"])
        if r is None:
            fail("%s: no row for %s" % (label, run["name"]))
            continue
        if float(r["TEMP"]) != run["temp"]:
            fail("%s: %s has TEMP %s, not %s" % (label, run["name"], r["TEMP"], run["temp"]))
        for par, key in (("Phase", "phase"), ("Asym", "asym"), ("Freq", "freq"),
                         ("Sigma", "sigma")):
            value = float(r[par])
            err = max(abs(float(r[par + "+"])), abs(float(r[par + "-"] or r[par + "+"])))
            diff = value - run[key]
            if par == "Phase":
                diff = (diff + 180.0) % 360.0 - 180.0   # whole turns are the same phase
            ok = err > 0 and abs(diff) <= 4 * err
            print("%s %s %s = %.6g +- %.3g (truth %g)%s"
                  % (label, run["name"], par, value, err, run[key], "" if ok else "  FAIL"))
            if not ok:
                failures_box.append(1)


failures = 0
failures_box = []
blocks = code_blocks(open(readme).read())
scan_kav = block(blocks, "Scan RUNNAME")
scan1 = block(blocks, "#!/bin/sh")
parallel = block(blocks, "OMP_NUM_THREADS=1 parallel")
loop = block(blocks, "while read")
table = block(blocks, "awk ")

shutil.rmtree(work, ignore_errors=True)
os.makedirs(os.path.join(work, "data"))
os.chdir(work)
for run in RUNS:
    subprocess.check_call([os.path.join(tools, "kavrin_rungen"), "--model", "gauss",
                           "--freq", str(run["freq"]), "--sigma", str(run["sigma"]),
                           "--asym", str(run["asym"]),
                           "--phases", "%g,%g" % (run["phase"], run["phase"] + 180),
                           "--n0", "2000", "--seed", str(run["seed"]),
                           "data/%s.zog" % run["name"]], stdout=subprocess.DEVNULL)
with open("runs.txt", "w") as f:
    for run in RUNS:
        f.write("data/%s.zog %g\n" % (run["name"], run["temp"]))
open("scan.kav", "w").write(scan_kav)
open("scan1.sh", "w").write(scan1)
open("table.sh", "w").write(table)
open("loop.sh", "w").write(loop)
env = dict(os.environ, PATH=kavrin_dir + os.pathsep + os.environ["PATH"])

for label, runner in (("parallel", lambda: run_parallel_line(parallel.strip(), env)),
                      ("loop", lambda: subprocess.call(["sh", "loop.sh"], env=env))):
    shutil.rmtree("scan", ignore_errors=True)
    runner()
    for run in RUNS:
        err = os.path.join("scan", run["name"], "fit.err")
        if not os.path.exists(err) or os.path.getsize(err) != 0:
            fail("%s: %s left %s" % (label, run["name"], open(err).read() if os.path.exists(err) else "no fit.err"))
    if subprocess.call(["sh", "table.sh"], env=env) != 0:
        fail("%s: the table command failed" % label)
        continue
    check_table(label)

failures += len(failures_box)
sys.exit(1 if failures else 0)
